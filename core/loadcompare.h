#pragma once

#include "core/designrecord.h"
#include "core/sweeps.h"

#include <array>
#include <cstdint>

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

using LoadCurves = std::array<Curve, kComparedLoads.size()>;

// The gain curve, without or with the Zobel network, for each compared load in turn, by the same
// sweeps as the graphs; the design itself is left as it is.
void sweepComparedLoads(const DesignRecord &design, GainGraph graph, LoadCurves &curves);
