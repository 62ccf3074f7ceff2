#include "core/network/analysis.h"

void analyseDesign(const DesignRecord &design, double loadPower, DesignAnalysis &out,
                   AnalysisParts parts)
{
    out.network = networkValues(design);
    if (parts.testFlag(AnalysisPart::Impedance))
        sweepImpedance(out.network, out.impedance);
    if (parts.testFlag(AnalysisPart::Gain))
        out.gainFigures = sweepGainPlain(out.network, out.gain);
    if (parts.testFlag(AnalysisPart::GainZobel))
        out.gainZobelFigures = sweepGainZobel(out.network, out.gainZobel);
    if (parts.testFlag(AnalysisPart::Dissipation))
        out.dissipationFigures = sweepZobelPower(powerInputs(design, loadPower), out.dissipation);
}
