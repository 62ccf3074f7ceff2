#include "core/network/analysis.h"

#include "core/network/parasitics.h"

void analyseDesign(const DesignRecord &design, double loadPower, DesignAnalysis &out,
                   AnalysisParts parts)
{
    out.network = networkValues(design);
    const ParasiticNetwork real = parasiticNetwork(design);
    out.dampingFactor = dampingFactor(real);
    if (parts.testFlag(AnalysisPart::Impedance))
        sweepImpedance(out.network, out.impedance);
    // Without parasitics the gains and the dissipation come from the ideal kernels, as always.
    const bool parasitic = design.parts.hasParasitics();
    const auto asked = [&parts](AnalysisPart p, Curve &c) {
        return parts.testFlag(p) ? &c : nullptr;
    };
    Curve *gain = parasitic ? asked(AnalysisPart::Gain, out.gain) : nullptr;
    Curve *gainZobel = parasitic ? asked(AnalysisPart::GainZobel, out.gainZobel) : nullptr;
    Curve *outputImpedance = asked(AnalysisPart::OutputImpedance, out.outputImpedance);
    if (gain || gainZobel || outputImpedance) {
        const ParasiticFigures fig = sweepParasitic(real, gain, gainZobel, outputImpedance);
        if (gain)
            out.gainFigures = fig.gain;
        if (gainZobel)
            out.gainZobelFigures = fig.gainZobel;
    }
    if (!parasitic && parts.testFlag(AnalysisPart::Gain))
        out.gainFigures = sweepGainPlain(out.network, out.gain);
    if (!parasitic && parts.testFlag(AnalysisPart::GainZobel))
        out.gainZobelFigures = sweepGainZobel(out.network, out.gainZobel);
    if (parts.testFlag(AnalysisPart::Dissipation)) {
        const PowerInputs in = powerInputs(design, loadPower);
        out.dissipationFigures = parasitic ? sweepParasiticPower(real, in, out.dissipation)
                                           : sweepZobelPower(in, out.dissipation);
    }
}
