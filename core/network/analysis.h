#pragma once

#include "core/network/designrecord.h"
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
};

// The parts of an analysis, for the windows that redraw one graph at a time.
enum AnalysisPart : unsigned {
    kImpedancePart = 1,
    kGainPart = 2,
    kGainZobelPart = 4,
    kDissipationPart = 8,
    kAllParts = 15,
};

// Analyses the design with loadPower watts RMS into the speaker (read by the dissipation only),
// writing the parts asked for into `out` and leaving the others as they were.
void analyseDesign(const DesignRecord &design, double loadPower, DesignAnalysis &out,
                   unsigned parts = kAllParts);
