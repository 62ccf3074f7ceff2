#pragma once

#include "core/network/designrecord.h"

#include <QFlags>
#include "core/network/powersweep.h"
#include "core/network/sweeps.h"

// Every curve and figure of one design: what the three graphs of the main window, the figure
// boxes, the Power graph and the 7 kHz figure show, and what the report and the command line
// write. Reused from call to call, it allocates nothing: every call overwrites what it asks for.
struct DesignAnalysis {
    NetworkValues network;            // the design in SI units, as the kernels take it
    Curve impedance;                  // Fig. 1, ohm
    Curve gain;                       // Fig. 2, dB
    GainFigures gainFigures;          // Fig. 2's three figures
    Curve gainZobel;                  // Fig. 3, dB
    GainFigures gainZobelFigures;     // Fig. 3's three figures
    PowerCurve dissipation;           // the Zobel resistor's dissipation, W
    PowerFigures dissipationFigures;  // its voltage and 7 kHz figure
    Curve outputImpedance;            // |Zout| the speaker sees (amplifier side shorted), ohm
    double dampingFactor = 0.0;       // |Z_speaker| / |Zout| at 1 kHz, set on every call
};

// The parts of an analysis, for the callers that need some of them.
enum class AnalysisPart : unsigned {
    Impedance = 1,
    Gain = 2,
    GainZobel = 4,
    Dissipation = 8,
    OutputImpedance = 16,
};
Q_DECLARE_FLAGS(AnalysisParts, AnalysisPart)
Q_DECLARE_OPERATORS_FOR_FLAGS(AnalysisParts)
// What a recalculation of the main window computes; the output impedance curve is asked for
// by name.
inline constexpr AnalysisParts kAllAnalysisParts = AnalysisParts(AnalysisPart::Impedance) |
                                                   AnalysisPart::Gain | AnalysisPart::GainZobel |
                                                   AnalysisPart::Dissipation;

// Analyses the design with loadPower watts RMS into the speaker (read by the dissipation only),
// writing the parts asked for into `out` and leaving the others as they were. A design whose parts
// have parasitics takes them into Fig. 2, Fig. 3 and the dissipation (parasitics.h); Fig. 1 is
// the speaker's own impedance either way.
void analyseDesign(const DesignRecord &design, double loadPower, DesignAnalysis &out,
                   AnalysisParts parts = kAllAnalysisParts);
