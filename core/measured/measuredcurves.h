#pragma once

#include "core/measured/measuredload.h"
#include "core/network/analysis.h"
#include "core/network/designrecord.h"
#include "core/network/powersweep.h"
#include "core/network/sweeps.h"

#include <complex>
#include <vector>

// A measured speaker in place of the design's resistance and inductance.
//
// The load is evaluated once on the sweep grid (the Power window's grid is the first thousand
// points of it), so that a keystroke costs the network arithmetic alone. With Zs the load, Yz one
// Zobel branch (Czs in series with Rz shunted by Czp, capacitors left out counting as 1e-13 F, the
// resistor with the kernels' factor of 1.0000001) and k = 2 in full bridge (two branches in series
// across the speaker), the load on the filter capacitor's node is Y = 1/Zs + j w Cf [+ Yz/k], and
// the gain of the L-section is |1 / (1 + j w L Y)|, L both legs' inductors in full bridge. Its
// Zobel resistor dissipation puts loadPower watts of real power into the speaker at each
// frequency: |V|^2 = P |Zs|^2 / Re Zs, halved in voltage in full bridge.
struct MeasuredGrid {
    std::vector<std::complex<double>> z = std::vector<std::complex<double>>(kSweepSize);
    std::vector<std::complex<double>> y = std::vector<std::complex<double>>(kSweepSize);  // 1 / z
};
void evaluateOnGrid(const MeasuredLoad &load, MeasuredGrid &grid);

struct MeasuredCurves {
    Curve impedance;  // |Zs| on the grid, point 0 repeating 100 Hz
    Curve gain;       // dB, the measured speaker alone as the load; point 0 is (0, 0)
    Curve gainZobel;  // dB, with the Zobel network
};

// The curves of the main window's graphs with the measured speaker, for the design's filter and
// Zobel network: the parts asked for (Impedance, Gain, GainZobel of analysis.h),
// at every grid point, or at the grid points listed (point 0 first), each curve then holding
// those points alone.
void sweepMeasured(const DesignRecord &design, const MeasuredGrid &grid, MeasuredCurves &out,
                   AnalysisParts parts, const std::vector<int> *points = nullptr);

// The Zobel resistor's dissipation on the Power window's grid with loadPower watts into the
// measured speaker.
void sweepMeasuredDissipation(const DesignRecord &design, double loadPower,
                              const MeasuredGrid &grid, PowerCurve &out);

// The gain (dB) at grid point i with the measured speaker, without or with the Zobel network, and
// the voltage ratio it is the logarithm of.
double measuredGainAt(const NetworkValues &n, const MeasuredGrid &grid, int i, bool zobel);
double measuredRatioAt(const NetworkValues &n, const MeasuredGrid &grid, int i, bool zobel);
