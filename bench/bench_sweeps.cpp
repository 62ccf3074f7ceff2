// Cost of the analysis of the start-up design, without any drawing.
#include "core/network/analysis.h"

#include "core/carrier/carrierinputs.h"
#include "core/designmodel/designmodel.h"
#include "realparts.h"

#include <benchmark/benchmark.h>

namespace {

void analysePart(benchmark::State &state, AnalysisPart part)
{
    const DesignRecord r = DesignRecord::startup();
    DesignAnalysis a;
    for (auto _ : state) {
        analyseDesign(r, 50.0, a, part);
        benchmark::DoNotOptimize(a.gainZobelFigures);
        benchmark::ClobberMemory();
    }
}

void BM_Sweep_impedance(benchmark::State &state)
{
    analysePart(state, AnalysisPart::Impedance);
}
BENCHMARK(BM_Sweep_impedance);

void BM_Sweep_gain_plain(benchmark::State &state)
{
    analysePart(state, AnalysisPart::Gain);
}
BENCHMARK(BM_Sweep_gain_plain);

void BM_Sweep_gain_zobel(benchmark::State &state)
{
    analysePart(state, AnalysisPart::GainZobel);
}
BENCHMARK(BM_Sweep_gain_zobel);

// What one recalculation computes, drawing left out: the three sweeps and the dissipation sweep,
// in half and full bridge.
void BM_RecalculateCompute(benchmark::State &state)
{
    DesignRecord r = DesignRecord::startup();
    r.full_bridge_select = state.range(0) ? kFlagTrue : kFlagFalse;
    DesignAnalysis a;
    for (auto _ : state) {
        analyseDesign(r, 50.0, a);
        benchmark::DoNotOptimize(a.dissipationFigures);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_RecalculateCompute)->Arg(0)->Arg(1)->ArgName("full")->Unit(benchmark::kMillisecond);

// The same with real parts in every slot: the gains and the dissipation with their parasitics.
void BM_RecalculateComputeParasitics(benchmark::State &state)
{
    DesignRecord r = DesignRecord::startup();
    r.full_bridge_select = state.range(0) ? kFlagTrue : kFlagFalse;
    Part inductor, capacitor, resistor;
    inductor.dcrOhm = 0.02;
    inductor.srfHz = 12e6;
    capacitor.kind = PartKind::capacitor;
    capacitor.esrOhm = 0.01;
    capacitor.eslH = 3e-9;
    resistor.kind = PartKind::resistor;
    resistor.seriesLH = 20e-9;
    r.parts.at(PartSlot::filter_l) = inductor;
    r.parts.at(PartSlot::filter_c) = capacitor;
    r.parts.at(PartSlot::zobel_c_par) = capacitor;
    r.parts.at(PartSlot::zobel_c_ser) = capacitor;
    r.parts.at(PartSlot::zobel_r) = resistor;
    DesignAnalysis a;
    for (auto _ : state) {
        analyseDesign(r, 50.0, a);
        benchmark::DoNotOptimize(a.dissipationFigures);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_RecalculateComputeParasitics)
    ->Arg(0)
    ->Arg(1)
    ->ArgName("full")
    ->Unit(benchmark::kMillisecond);

// One Speaker_L keystroke's work in the design model, no window: the entry rule, the design's
// analysis, the carrier analysis and the design at its load power (real parts with a saturation
// and a bias curve, full bridge at 48 V, 384 kHz).
void BM_ModelKeystrokeRealPartsCarrier(benchmark::State &state)
{
    DesignModel model;
    putRealParts(model);
    model.setFullBridge(true);
    CarrierInputs carrier;
    acceptCarrierText(carrier, CarrierField::supply, QStringLiteral("48"));
    acceptCarrierText(carrier, CarrierField::switching, QStringLiteral("384"));
    model.setCarrierInputs(carrier);
    bool type = true;
    for (auto _ : state) {
        model.setSpeakerLText(type ? QStringLiteral(".67") : QStringLiteral(".6"));
        type = !type;
    }
}
BENCHMARK(BM_ModelKeystrokeRealPartsCarrier)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
