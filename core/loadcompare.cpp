#include "loadcompare.h"

void sweepComparedLoads(const DesignRecord &design, GainGraph graph, LoadCurves &curves)
{
    DesignRecord rec = design;
    // What the impedance sweep would leave for the gain sweeps to read.
    rec.L1 = rec.actual_l_net * 0.001;
    for (std::size_t i = 0; i < kComparedLoads.size(); ++i) {
        rec.speaker_r_modeval = kComparedLoads[i].ohms;
        rec.R1 = rec.speaker_r_modeval;
        if (graph == GainGraph::plain)
            sweepGainPlain(rec, curves[i]);
        else
            sweepGainZobel(rec, curves[i]);
    }
}
