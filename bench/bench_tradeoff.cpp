// Cost of the trade-off map: every Zobel network of the lists over the load set, on the calling
// thread alone and on a pool of two as the window and the command line hand out its rows, for the
// start-up design in both topologies and with the carrier inputs given; and, for scale, one network
// swept over the whole grid for every load as a plain loop would.
#include "core/carrier/carrierinputs.h"
#include "core/network/sweeps.h"
#include "core/tradeoff/tradeoff.h"

#include <QThreadPool>
#include <QtConcurrent/QtConcurrentMap>

#include <benchmark/benchmark.h>

namespace {

TradeoffInputs inputs(bool full, bool carrier)
{
    TradeoffInputs in;
    in.design = DesignRecord::startup();
    in.design.full_bridge_select = full ? kFlagTrue : kFlagFalse;
    if (carrier) {
        acceptCarrierText(in.design.carrier, CarrierField::supply, QStringLiteral("48"));
        acceptCarrierText(in.design.carrier, CarrierField::switching, QStringLiteral("384"));
    }
    return in;
}

void BM_TradeoffMap(benchmark::State &state)
{
    const TradeoffInputs in = inputs(state.range(1) != 0, state.range(2) != 0);
    QThreadPool pool;
    pool.setMaxThreadCount(int(state.range(0)));
    for (auto _ : state) {
        if (state.range(0) == 1) {
            benchmark::DoNotOptimize(tradeoffMap(in));
            continue;
        }
        TradeoffWork work(in);
        QtConcurrent::blockingMap(&pool, work.rows(),
                                  [&work](TradeoffRow &row) { work.fill(row); });
        benchmark::DoNotOptimize(std::move(work).finish());
    }
}
BENCHMARK(BM_TradeoffMap)
    ->Args({1, 0, 0})
    ->Args({2, 0, 0})
    ->Args({1, 1, 0})
    ->Args({2, 1, 0})
    ->Args({1, 1, 1})
    ->Args({2, 1, 1})
    ->ArgNames({"threads", "full", "carrier"})
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

// One network over the whole grid for each of the six loads: what the map would cost per network
// without its bounds.
void BM_PlainLoopOneNetwork(benchmark::State &state)
{
    const DesignRecord design = DesignRecord::startup();
    for (auto _ : state) {
        double worst = 0.0;
        for (int ohms : {8, 2, 4, 16, 1000000000}) {
            DesignRecord d = design;
            d.speaker_r_modeval = ohms;
            const NetworkValues n = networkValues(d);
            for (int i = 1; i <= kSweepPoints; ++i) worst = std::max(worst, gainZobelAt(n, i));
        }
        benchmark::DoNotOptimize(worst);
    }
}
BENCHMARK(BM_PlainLoopOneNetwork)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
