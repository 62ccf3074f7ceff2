#pragma once

#include "core/network/designrecord.h"

#include <cmath>
#include <vector>

// The dissipation grid: points i = 1 .. 1000 at i x 100 Hz (100 Hz to 100 kHz); index 0 stays
// (0 Hz, 0 W) and is plotted with the rest.
inline constexpr int kPowerPoints = 1000;
inline constexpr int kPowerSize = kPowerPoints + 1;

// What the dissipation sweep reads, in the design record's units.
struct PowerInputs {
    double speakerR = 0.0;   // ohm
    double loadPower = 0.0;  // W RMS delivered to the speaker
    double zobelCPar = 0.0;  // F across the Zobel resistor, 0 = not fitted
    double zobelCSer = 0.0;  // F in series, 0 = not fitted
    double zobelR = 0.0;     // ohm
    bool fullBridge = false;
};

// What the sweep reads from a design, with loadPower watts into the speaker.
PowerInputs powerInputs(const DesignRecord &rec, double loadPower);
// The same with `values` in place of the design's own.
PowerInputs powerInputs(const DesignValues &values, bool fullBridge, double loadPower);

// Frequency (Hz) and dissipation (W). Sized once; every sweep overwrites all of it.
struct PowerCurve {
    std::vector<double> x = std::vector<double>(kPowerSize, 0.0);
    std::vector<double> y = std::vector<double>(kPowerSize, 0.0);
};

struct PowerFigures {
    double rmsVoltage = 0.0;  // V across one Zobel branch
    double at7kHz = 0.0;      // W in the Zobel resistor at 7 kHz
};

// Power in the Zobel resistor of a branch made of the series capacitor and the resistor (shunted
// by the parallel capacitor), driven by the load's RMS voltage, or by half of it in full bridge
// where two branches share it. A capacitor or resistor of exactly 0 counts as 1e-13.
PowerFigures sweepZobelPower(const PowerInputs &in, PowerCurve &curve);

// The RMS voltage across one Zobel branch.
inline double zobelBranchVoltage(const PowerInputs &in)
{
    const double V = std::sqrt(in.speakerR * in.loadPower);
    return in.fullBridge ? V / 2.0 : V;
}

// The sweep's dissipation (W) at point i (1 .. 1000) of its grid, with V = zobelBranchVoltage(in).
// Defined here so that the sweep's loop inlines it and single points cost one point.
inline double zobelPowerAt(const PowerInputs &in, double V, int i)
{
    const auto orTiny = [](double v) { return v == 0.0 ? 1e-13 : v; };
    const double Cp = orTiny(in.zobelCPar);
    const double Cs = orTiny(in.zobelCSer);
    const double R = orTiny(in.zobelR);
    const double w = i * 6.28 * 100.0;  // this sweep's own, coarser 2 pi
    const double a = w * R * Cs;
    const double b = w * Cp * R + w * Cs * R;
    const double D = std::sqrt(1 + b * b);
    const double v = (a / D) * V;
    return v * v / R;
}
