// Cost of a batch of boards for the start-up design: the command line's figures alone, and the
// window's batch with the bands of Fig. 2, Fig. 3 and the Power graph, on the calling thread and
// on a pool of two as the window and the command line hand out the runs.
#include "core/tolerance/tolerance.h"

#include <QThreadPool>
#include <QtConcurrent/QtConcurrentMap>

#include <benchmark/benchmark.h>

namespace {

// Arguments: runs, threads, bands.
void BM_ToleranceBatch(benchmark::State &state)
{
    ToleranceSettings settings;
    settings.runs = int(state.range(0));
    const bool bands = state.range(2) != 0;
    QThreadPool pool;
    pool.setMaxThreadCount(int(state.range(1)));
    const DesignRecord design = DesignRecord::startup();
    for (auto _ : state) {
        ToleranceWork work(design, 50, settings, {}, bands);
        if (state.range(1) == 1)
            for (ToleranceRun &run : work.items()) work.fill(run);
        else
            QtConcurrent::blockingMap(&pool, work.items(),
                                      [&work](ToleranceRun &run) { work.fill(run); });
        benchmark::DoNotOptimize(std::move(work).finish());
    }
}
BENCHMARK(BM_ToleranceBatch)
    ->Args({1000, 1, 0})
    ->Args({1000, 2, 0})
    ->Args({10000, 1, 0})
    ->Args({10000, 2, 0})
    ->Args({1000, 1, 1})
    ->Args({1000, 2, 1})
    ->Args({10000, 2, 1})
    ->ArgNames({"runs", "threads", "bands"})
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
