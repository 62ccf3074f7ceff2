#include "core/network/sweeps.h"

#include <cmath>
#include <vector>

namespace {

void noteSpotGain(GainFigures &fig, double f, double dB)
{
    if (f == 20000.0) {
        fig.has20k = true;
        fig.gain20k = dB;
    }
    if (f == 384000.0) {
        fig.has384k = true;
        fig.gain384k = dB;
    }
}

// The ratios Y[1..] in dB, with the running maximum from 0 dB and the spot figures.
inline GainFigures decibelsWithFigures(const double *X, double *Y)
{
    GainFigures fig;
    for (int i = 1; i <= kSweepPoints; ++i) {
        const double dB = detail::toDecibel(Y[i]);
        Y[i] = dB;
        if (dB > fig.maximum)
            fig.maximum = dB;
        noteSpotGain(fig, X[i], dB);
    }
    return fig;
}

// The grid swept with one of the gain steps: (0 Hz, 0 dB) first, the running maximum from 0 dB,
// the figures at 20 kHz and 384 kHz. The ratios come first, in a loop of plain arithmetic that
// the compiler vectorises, then their logarithms; every value is the one the step gives alone.
template <class RatioAt>
GainFigures sweepGain(Curve &curve, RatioAt ratioAt)
{
    double *X = curve.x.data();
    double *Y = curve.y.data();
    X[0] = 0.0;
    Y[0] = 0.0;
    for (int i = 1; i <= kSweepPoints; ++i) {
        X[i] = gridFrequency(i);
        Y[i] = ratioAt(i);
    }
    return decibelsWithFigures(X, Y);
}

template <class RatioAt>
GainFigures gainFigures(RatioAt ratioAt)
{
    // The ratios in a loop of their own, which the compiler vectorises, then their maximum.
    thread_local std::vector<double> ratios(kSweepSize);
    double *Y = ratios.data();
    for (int i = 1; i <= kSweepPoints; ++i) Y[i] = ratioAt(i);
    return figuresOfRatios(Y);
}

}  // namespace

QUORVEL_SWEEP_TARGETS GainFigures figuresOfRatios(const double *Y)
{
    double top = 0.0;
    for (int i = 1; i <= kSweepPoints; ++i) top = Y[i] > top ? Y[i] : top;
    GainFigures fig;
    // From 0 dB up, as the sweep's running maximum; a ratio of 0 dB or less leaves it there.
    if (const double dB = detail::toDecibel(top); top > 0.0 && dB > 0.0)
        fig.maximum = dB;
    noteSpotGain(fig, 20000.0, detail::toDecibel(Y[200]));
    noteSpotGain(fig, 384000.0, detail::toDecibel(Y[3840]));
    return fig;
}

QUORVEL_SWEEP_TARGETS GainFigures gainPlainFigures(const NetworkValues &n)
{
    return gainFigures([&n](int i) { return ratioPlainAt(n, i); });
}

QUORVEL_SWEEP_TARGETS GainFigures gainZobelFigures(const NetworkValues &n)
{
    return gainFigures([&n](int i) { return ratioZobelAt(n, i); });
}

QUORVEL_SWEEP_TARGETS GainFigures gainFromRatios(Curve &curve)
{
    double *X = curve.x.data();
    double *Y = curve.y.data();
    X[0] = 0.0;
    Y[0] = 0.0;
    for (int i = 1; i <= kSweepPoints; ++i) X[i] = gridFrequency(i);
    return decibelsWithFigures(X, Y);
}

QUORVEL_SWEEP_TARGETS void sweepImpedance(const NetworkValues &n, Curve &curve)
{
    double *X = curve.x.data();
    double *Y = curve.y.data();
    const double R1 = n.R1;
    const double L1 = n.L1;
    for (int i = 1; i <= kSweepPoints; ++i) {
        X[i] = gridFrequency(i);
        const double w = gridOmega(i);
        Y[i] = std::sqrt((w * L1) * (w * L1) + R1 * R1);
    }
    X[0] = X[1];
    Y[0] = Y[1];
}

QUORVEL_SWEEP_TARGETS GainFigures sweepGainPlain(const NetworkValues &n, Curve &curve)
{
    return sweepGain(curve, [&n](int i) { return ratioPlainAt(n, i); });
}

QUORVEL_SWEEP_TARGETS GainFigures sweepGainZobel(const NetworkValues &n, Curve &curve)
{
    return sweepGain(curve, [&n](int i) { return ratioZobelAt(n, i); });
}
