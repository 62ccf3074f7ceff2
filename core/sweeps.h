#pragma once

#include "core/designrecord.h"

#include <vector>

// The frequency grid: points i = 1 .. 10000 at i x 100 Hz; arrays hold index 0 too.
inline constexpr int kSweepPoints = 10000;
inline constexpr int kSweepSize = kSweepPoints + 1;

inline double gridFrequency(int i)
{
    return i * 100.0;
}
inline double gridOmega(int i)
{
    return i * 6.28318 * 100;
}

// One plotted curve. Sized once; a sweep overwrites every element, so a Curve can be reused from
// run to run without allocating.
struct Curve {
    std::vector<double> x = std::vector<double>(kSweepSize, 0.0);
    std::vector<double> y = std::vector<double>(kSweepSize, 0.0);
};

// The three figures of a gain sweep, in dB. The two spot gains are set only when the grid
// reached 20 kHz and 384 kHz exactly (it always does).
struct GainFigures {
    double gain20k = 0.0;
    double gain384k = 0.0;
    double maximum = 0.0;
    bool has20k = false;
    bool has384k = false;
};

// Speaker impedance magnitude (ohm) against frequency. Writes R1 and L1 first.
// Point 0 repeats point 1 (100 Hz).
void sweepImpedance(DesignRecord &rec, Curve &curve);

// The steps of the two gain sweeps, for sweeping other points of the grid as they do: each
// derive... writes the derived fields its sweep writes; each gain...At is the gain (dB) its sweep
// gives at grid point i (1 .. 10000) once they are written.
void deriveGainPlain(DesignRecord &rec);
double gainPlainAt(const DesignRecord &rec, int i);
void deriveGainZobel(DesignRecord &rec);
double gainZobelAt(const DesignRecord &rec, int i);

// Filter gain (dB) with the speaker alone as load. Writes L2, R1, C1; reads L1.
// Point 0 is (0 Hz, 0 dB).
GainFigures sweepGainPlain(DesignRecord &rec, Curve &curve);

// Filter gain (dB) with the Zobel network in place. Writes C2, C3, R2, L1, C1, L2; reads R1.
// Point 0 is (0 Hz, 0 dB).
GainFigures sweepGainZobel(DesignRecord &rec, Curve &curve);
