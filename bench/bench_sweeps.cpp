// Cost of the three response sweeps for the start-up design, without any drawing.
#include "core/powersweep.h"
#include "core/sweeps.h"

#include <benchmark/benchmark.h>

namespace {

void BM_Sweep_impedance(benchmark::State &state)
{
    DesignRecord r = DesignRecord::startup();
    Curve c;
    for (auto _ : state) {
        sweepImpedance(r, c);
        benchmark::DoNotOptimize(c.y.data());
    }
}
BENCHMARK(BM_Sweep_impedance);

void BM_Sweep_gain_plain(benchmark::State &state)
{
    DesignRecord r = DesignRecord::startup();
    Curve c;
    sweepImpedance(r, c);
    for (auto _ : state) benchmark::DoNotOptimize(sweepGainPlain(r, c));
}
BENCHMARK(BM_Sweep_gain_plain);

void BM_Sweep_gain_zobel(benchmark::State &state)
{
    DesignRecord r = DesignRecord::startup();
    Curve c;
    sweepImpedance(r, c);
    for (auto _ : state) benchmark::DoNotOptimize(sweepGainZobel(r, c));
}
BENCHMARK(BM_Sweep_gain_zobel);

// What one recalculation computes: the three sweeps in their order.
void BM_ThreeSweeps(benchmark::State &state)
{
    DesignRecord r = DesignRecord::startup();
    r.full_bridge_select = state.range(0) ? kFlagTrue : kFlagFalse;
    Curve impedance, plain, zobel;
    for (auto _ : state) {
        sweepImpedance(r, impedance);
        benchmark::DoNotOptimize(sweepGainPlain(r, plain));
        benchmark::DoNotOptimize(sweepGainZobel(r, zobel));
    }
}
BENCHMARK(BM_ThreeSweeps)->Arg(0)->Arg(1)->ArgName("full");

// What one recalculation computes, drawing left out: the three sweeps and the dissipation sweep.
void BM_RecalculateCompute(benchmark::State &state)
{
    DesignRecord r = DesignRecord::startup();
    Curve impedance, plain, zobel;
    PowerCurve power;
    for (auto _ : state) {
        sweepImpedance(r, impedance);
        benchmark::DoNotOptimize(sweepGainPlain(r, plain));
        benchmark::DoNotOptimize(sweepGainZobel(r, zobel));
        benchmark::DoNotOptimize(sweepZobelPower(powerInputs(r, 50.0), power));
    }
}
BENCHMARK(BM_RecalculateCompute)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
