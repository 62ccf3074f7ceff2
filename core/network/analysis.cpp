#include "core/network/analysis.h"

void analyseDesign(const DesignRecord &design, double loadPower, DesignAnalysis &out,
                   unsigned parts)
{
    out.network = networkValues(design);
    if (parts & kImpedancePart)
        sweepImpedance(out.network, out.impedance);
    if (parts & kGainPart)
        out.gainFigures = sweepGainPlain(out.network, out.gain);
    if (parts & kGainZobelPart)
        out.gainZobelFigures = sweepGainZobel(out.network, out.gainZobel);
    if (parts & kDissipationPart)
        out.dissipationFigures = sweepZobelPower(powerInputs(design, loadPower), out.dissipation);
}
