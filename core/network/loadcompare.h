#pragma once

#include "core/network/designrecord.h"
#include "core/network/sweeps.h"

#include <array>
#include <cstdint>
#include <vector>

enum class GainGraph { plain, zobel };

// A speaker resistance the load comparison puts in place of the design's.
struct ComparedLoad {
    const char *name;
    std::int32_t ohms;
};

// 2, 4, 8 and 16 ohm, then no speaker: 1 Gohm, whose current moves no gain the graphs can show
// (up to 60 dB) by as much as 1e-6 dB. The speaker's inductance stays in series with each.
inline constexpr std::array<ComparedLoad, 5> kComparedLoads = {{
    {"2 ohm", 2},
    {"4 ohm", 4},
    {"8 ohm", 8},
    {"16 ohm", 16},
    {"open", 1000000000},
}};

// The grid points the comparison draws: 0 Hz, every point up to 40 kHz, then points at most 0.5 %
// apart up to 1 MHz; about a tenth of the grid, and closer than a pixel at any size or zoom the
// graphs offer.
const std::vector<int> &comparedGridPoints();

// One compared load's curve at those points. Sized once; every sweep overwrites all of it.
struct LoadCurve {
    std::vector<double> x = std::vector<double>(comparedGridPoints().size(), 0.0);
    std::vector<double> y = std::vector<double>(comparedGridPoints().size(), 0.0);
};
using LoadCurves = std::array<LoadCurve, kComparedLoads.size()>;

// The gain, without or with the Zobel network, for each compared load in turn, computed point by
// point as the gain sweeps compute it (the complex sweep when the parts have parasitics); the
// design itself is left as it is.
void sweepComparedLoads(const DesignRecord &design, GainGraph graph, LoadCurves &curves);
