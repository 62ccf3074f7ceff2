#include "sweeps.h"

#include <cmath>

namespace {

double netFilterInductance(const DesignRecord &rec)
{
    return rec.full_bridge_select != 0 ? rec.filter_l_par_modeval * 2 : rec.filter_l_par_modeval;
}

double zobelCapacitor(double farad)
{
    return farad == 0.0 ? 1e-13 : farad;
}

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

}  // namespace

QUORVEL_SWEEP_TARGETS void sweepImpedance(DesignRecord &rec, Curve &curve)
{
    rec.R1 = rec.speaker_r_modeval;
    rec.L1 = rec.actual_l_net * 0.001;

    double *X = curve.x.data();
    double *Y = curve.y.data();
    const double R1 = rec.R1;
    const double L1 = rec.L1;
    for (int i = 1; i <= kSweepPoints; ++i) {
        X[i] = gridFrequency(i);
        const double w = gridOmega(i);
        Y[i] = std::sqrt((w * L1) * (w * L1) + R1 * R1);
    }
    X[0] = X[1];
    Y[0] = Y[1];
}

void deriveGainPlain(DesignRecord &rec)
{
    rec.L2 = netFilterInductance(rec);
    rec.R1 = rec.speaker_r_modeval;
    rec.C1 = 1e-06 * rec.filter_c_par_modeval;
}

QUORVEL_SWEEP_TARGETS GainFigures sweepGainPlain(DesignRecord &rec, Curve &curve)
{
    deriveGainPlain(rec);
    return sweepGain(curve, [&rec](int i) { return ratioPlainAt(rec, i); });
}

void deriveGainZobel(DesignRecord &rec)
{
    rec.C2 = zobelCapacitor(rec.zobel_c_parval);
    rec.C3 = zobelCapacitor(rec.zobel_c_serval);
    rec.R2 = rec.zobel_r_parval * 1.0000001;
    rec.L1 = rec.actual_l_net * 0.001;
    rec.C1 = 1e-06 * rec.filter_c_par_modeval;
    rec.L2 = netFilterInductance(rec);
}

QUORVEL_SWEEP_TARGETS GainFigures sweepGainZobel(DesignRecord &rec, Curve &curve)
{
    deriveGainZobel(rec);
    return sweepGain(curve, [&rec](int i) { return ratioZobelAt(rec, i); });
}
