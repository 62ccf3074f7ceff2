#include "core/network/loadcompare.h"

#include "core/network/parasitics.h"

#include <algorithm>
#include <optional>

const std::vector<int> &comparedGridPoints()
{
    static const std::vector<int> points = [] {
        std::vector<int> p{0};
        for (int i = 1; i < kSweepPoints; i += std::max(1, i / 200)) p.push_back(i);
        p.push_back(kSweepPoints);
        return p;
    }();
    return points;
}

void sweepComparedLoads(const DesignRecord &design, GainGraph graph, LoadCurves &curves)
{
    const std::vector<int> &points = comparedGridPoints();
    DesignRecord rec = design;
    const bool zobel = graph == GainGraph::zobel;
    // With the parts' parasitics, as Fig. 2 and 3 draw the design's own speaker.
    const std::optional<ParasiticNetwork> real =
        design.parts.hasParasitics() ? std::optional(parasiticNetwork(design)) : std::nullopt;
    for (std::size_t k = 0; k < kComparedLoads.size(); ++k) {
        rec.speaker_r_modeval = kComparedLoads[k].ohms;
        const NetworkValues n = networkValues(rec);
        ParasiticNetwork at = real.value_or(ParasiticNetwork{});
        at.Rs = kComparedLoads[k].ohms;
        double *X = curves[k].x.data();
        double *Y = curves[k].y.data();
        X[0] = 0.0;  // points[0], as the sweeps leave it
        Y[0] = 0.0;
        for (std::size_t j = 1; j < points.size(); ++j) {
            X[j] = gridFrequency(points[j]);
            Y[j] = real    ? parasiticGainAt(at, points[j], zobel)
                   : zobel ? gainZobelAt(n, points[j])
                           : gainPlainAt(n, points[j]);
        }
    }
}
