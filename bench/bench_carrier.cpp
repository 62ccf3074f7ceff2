// Cost of the carrier figures for the start-up design: idle and at the load power together, as one
// design change asks for them, and the carrier-loss curve.
#include "core/carrier/carrier.h"

#include <benchmark/benchmark.h>

namespace {

CarrierNetwork startup(bool full)
{
    return {22e-6, 1e-6, 6, 1e-7, 1e-7, full, speakerRL(8, 0.67e-3)};
}

// 20 W at 1 kHz (7 W in half bridge, the most 48 V gives it there).
void BM_Carrier_idle_and_at_power(benchmark::State &state)
{
    const bool full = state.range(0) != 0;
    const CarrierNetwork net = startup(full);
    const CarrierSettings s{48, 384e3, state.range(1) ? Modulation::ad : Modulation::bd, 1e3,
                            full ? 20.0 : 7.0};
    for (auto _ : state) benchmark::DoNotOptimize(analyzeCarrier(net, s));
}
BENCHMARK(BM_Carrier_idle_and_at_power)
    ->Args({0, 0})
    ->Args({1, 0})
    ->Args({1, 1})
    ->ArgNames({"full", "ad"})
    ->Unit(benchmark::kMicrosecond);

// The same, BD at 20 W, with an inductor whose curve takes it to about 72 % of L0 at the peak.
void BM_Carrier_idle_and_at_power_saturating(benchmark::State &state)
{
    CarrierNetwork net = startup(true);
    net.saturation = {{1.0, 1.0}, {2.0, 0.85}, {4.0, 0.6}};
    const CarrierSettings s{48, 384e3, Modulation::bd, 1e3, 20.0};
    for (auto _ : state) benchmark::DoNotOptimize(analyzeCarrier(net, s));
}
BENCHMARK(BM_Carrier_idle_and_at_power_saturating)->Unit(benchmark::kMicrosecond);

void BM_Carrier_idle(benchmark::State &state)
{
    const CarrierNetwork net = startup(true);
    for (auto _ : state) benchmark::DoNotOptimize(idleCarrier(net, 48, 384e3, Modulation::bd));
}
BENCHMARK(BM_Carrier_idle)->Unit(benchmark::kMicrosecond);

void BM_Carrier_loss_curve(benchmark::State &state)
{
    const CarrierNetwork net = startup(true);
    CarrierLossCurve curve;
    for (auto _ : state) {
        sweepCarrierLoss(net, 48, Modulation::bd, curve);
        benchmark::DoNotOptimize(curve.y.data());
    }
}
BENCHMARK(BM_Carrier_loss_curve)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
