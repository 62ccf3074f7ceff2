#pragma once

#include "core/network/powersweep.h"
#include "core/network/sweeps.h"

#include <complex>
#include <span>

// The network with the attached parts' small-signal parasitics, solved in complex arithmetic on
// the sweeps' own grids. The ideal kernels (module1.h, sweeps.h, powersweep.h) stay what every
// design without parasitics is computed with; this path serves the designs that have some, and the
// output impedance of every design.
//
// Element models: an inductor is (jwL + DCR) with Cp = 1 / ((2 pi srf)^2 L) across the whole, a
// capacitor ESR + jwESL + 1/(jwC), a resistor R + jwLs. A part of value 0 is absent (a capacitor
// open, an inductor shorted); a Zobel branch without its series capacitor is absent. In full
// bridge both legs carry the same inductor and both Zobel branches the same parts, so the bridge is
// solved as its differential loop: two inductors in series, the filter capacitor and the speaker
// across the outputs, two Zobel branches in series across them.

// The design in SI units for this path; every element of 0 is absent.
struct ParasiticNetwork {
    double Rs = 0.0, Ls = 0.0;                     // speaker
    double L = 0.0, dcr = 0.0, cp = 0.0;           // one filter inductor
    double cf = 0.0, cfEsr = 0.0, cfEsl = 0.0;     // filter capacitor
    double czs = 0.0, czsEsr = 0.0, czsEsl = 0.0;  // Zobel series capacitor
    double czp = 0.0, czpEsr = 0.0, czpEsl = 0.0;  // Zobel capacitor across the resistor
    // The Zobel resistor as the gains take it (times 1.0000001, as the ideal kernels do), as the
    // dissipation takes it (its own value), and its series inductance.
    double rz = 0.0, rzPower = 0.0, rzL = 0.0;
    double k = 1.0;  // 2 in full bridge: legs in series, Zobel branches in series
};

// The design with its parts' parasitics (an empty slot, or a field not given, is ideal).
ParasiticNetwork parasiticNetwork(const DesignRecord &rec);
// The same with `values` in place of the design's own, its parts' parasitics kept.
ParasiticNetwork parasiticNetwork(const DesignRecord &rec, const DesignValues &values);

// The parts with their small-signal parasitics (DCR, self-resonance, ESR, ESL, series inductance)
// left out; every other field stays.
BoardParts withoutParasitics(BoardParts parts);

// The inductor's capacitance across its winding for its self-resonance (F); 0 without one.
double selfResonanceCapacitance(double inductanceH, double srfHz);

// The curves asked for (a null curve is left alone) on the sweeps' grid: gains in dB with the
// figures the ideal sweeps give, (0 Hz, 0 dB) at point 0; |Zout| in ohm, the impedance the
// speaker sees with the amplifier side shorted and the speaker removed, point 0 repeating point 1.
struct ParasiticFigures {
    GainFigures gain;
    GainFigures gainZobel;
};
ParasiticFigures sweepParasitic(const ParasiticNetwork &n, Curve *gain, Curve *gainZobel,
                                Curve *outputImpedance);
// The gain (dB) sweepParasitic gives at grid point i (1 .. kSweepPoints), without or with the
// Zobel network.
double parasiticGainAt(const ParasiticNetwork &n, int i, bool zobel);
// The same at any angular frequency w; at w = gridOmega(i) it is parasiticGainAt(n, i, zobel).
double parasiticGainAtOmega(const ParasiticNetwork &n, double w, bool zobel);

// The same with a load of admittance y at that point (a measured speaker) in place of the
// speaker, and the figures with the Zobel network for such a load on the whole grid (y[1 ..]).
double parasiticGainWithLoadAt(const ParasiticNetwork &n, std::complex<double> y, int i,
                               bool zobel);
GainFigures parasiticZobelFiguresWithLoad(const ParasiticNetwork &n, const std::complex<double> *y);

// The gain figures with the Zobel network that sweepParasitic gives, without the curve, for the
// network with each of the speaker resistances in turn (the speaker's inductance kept).
void parasiticZobelFigures(const ParasiticNetwork &n, std::span<const double> speakerOhms,
                           GainFigures *figures);

// The damping factor: |Z_speaker| / |Zout| at 1 kHz (grid point 10), both across the speaker.
double dampingFactor(const ParasiticNetwork &n);

// The filter's resonance, from its gain with the Zobel network: the corner is where that gain's
// phase passes -90 degrees, Q its magnitude there against its magnitude at DC. A second-order
// low-pass gives its own f0 and Q this way. Unloaded: without the speaker. {0, 0} when the phase
// does not pass -90 degrees between 10 Hz and 10 MHz.
struct Resonance {
    double cornerHz = 0.0;
    double q = 0.0;
};
Resonance filterResonance(const ParasiticNetwork &n, bool loaded);

// |Y| across the outputs at w (speaker, filter capacitor, Zobel branches): the inductor's current
// per volt there.
double outputAdmittance(const ParasiticNetwork &n, double w);

// The Zobel resistor's own dissipation (not the ESRs around it) on the dissipation grid, each
// branch driven with the voltage sweepZobelPower gives it (zobelBranchVoltage(in)).
PowerFigures sweepParasiticPower(const ParasiticNetwork &n, const PowerInputs &in,
                                 PowerCurve &curve);
