#pragma once

#include "core/network/designrecord.h"
#include "core/network/module1.h"

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

// Speaker impedance magnitude (ohm) against frequency. Point 0 repeats point 1 (100 Hz).
void sweepImpedance(const NetworkValues &n, Curve &curve);

// Filter gain (dB) with the speaker alone as load. Point 0 is (0 Hz, 0 dB).
GainFigures sweepGainPlain(const NetworkValues &n, Curve &curve);

// Filter gain (dB) with the Zobel network in place. Point 0 is (0 Hz, 0 dB).
GainFigures sweepGainZobel(const NetworkValues &n, Curve &curve);

// The figures sweepGainPlain and sweepGainZobel give, without the curve: the largest ratio's
// logarithm in place of the largest logarithm (the logarithm keeps the ratios' order), and the
// spot gains. A tolerance batch asks for them board after board.
GainFigures gainPlainFigures(const NetworkValues &n);
GainFigures gainZobelFigures(const NetworkValues &n);
// The same from ratios already on the grid, ratios[1 .. kSweepPoints].
GainFigures figuresOfRatios(const double *ratios);

// A gain curve from the voltage ratios a sweep left in curve.y[1 ..]: the grid's frequencies, the
// ratios in dB, (0 Hz, 0 dB) at point 0, and the figures as the sweeps above give them.
GainFigures gainFromRatios(Curve &curve);

namespace detail {
inline double toDecibel(double ratio)
{
    return 20 * (std::log(ratio) / std::log(10.0));
}
}  // namespace detail

// The voltage ratio each gain sweep takes the logarithm of, at grid point i (1 .. 10000), guards
// applied. Defined here so that the sweeps' loops inline them and other grids can use them.
inline double ratioPlainAt(const NetworkValues &n, int i)
{
    const double L1 = n.L1;
    const double L2 = n.L2;
    const double R1 = n.R1;
    const double C1 = n.C1;
    const double w = gridOmega(i);
    const double Zs = std::sqrt((w * L1) * (w * L1) + R1 * R1);
    const double im = (-(w * w * w) * C1 * L1 * L2) + ((L2 + L1) * w);
    const double re = (-(w * w) * C1 * L2 * R1) + R1;
    double Dm = std::sqrt(im * im + re * re);
    if (Dm == 0.0)
        Dm = 1e-12;
    const double ratio = Zs / Dm;
    return ratio == 0.0 ? 1e-10 : ratio;
}

// The same ratio at any angular frequency w; at w = gridOmega(i) it is ratioZobelAt(n, i).
inline double ratioZobelAtOmega(const NetworkValues &n, double w)
{
    double den = Module1::Gain_denominator(w, n.R1, n.R2, n.C1, n.C2, n.C3, n.L1, n.L2,
                                           n.full_bridge_select);
    const double num =
        Module1::Gain_numerator(w, n.R1, n.R2, n.C1, n.C2, n.C3, n.L1, n.L2, n.full_bridge_select);
    if (den == 0.0)
        den = 1e-9;
    const double ratio = num / den;
    return ratio == 0.0 ? 1e-10 : ratio;
}

inline double ratioZobelAt(const NetworkValues &n, int i)
{
    return ratioZobelAtOmega(n, gridOmega(i));
}

// The gain (dB) each gain sweep gives at grid point i.
inline double gainPlainAt(const NetworkValues &n, int i)
{
    return detail::toDecibel(ratioPlainAt(n, i));
}

inline double gainZobelAt(const NetworkValues &n, int i)
{
    return detail::toDecibel(ratioZobelAt(n, i));
}
