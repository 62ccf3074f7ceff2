#include "sweeps.h"

#include "module1.h"

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

double toDecibel(double ratio)
{
    return 20 * (std::log(ratio) / std::log(10.0));
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

}  // namespace

void sweepImpedance(DesignRecord &rec, Curve &curve)
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

double gainPlainAt(const DesignRecord &rec, int i)
{
    const double L1 = rec.L1;
    const double L2 = rec.L2;
    const double R1 = rec.R1;
    const double C1 = rec.C1;
    const double w = gridOmega(i);
    const double Zs = std::sqrt((w * L1) * (w * L1) + R1 * R1);
    const double im = (-(w * w * w) * C1 * L1 * L2) + ((L2 + L1) * w);
    const double re = (-(w * w) * C1 * L2 * R1) + R1;
    double Dm = std::sqrt(im * im + re * re);
    if (Dm == 0.0)
        Dm = 1e-12;
    double ratio = Zs / Dm;
    if (ratio == 0.0)
        ratio = 1e-10;
    return toDecibel(ratio);
}

GainFigures sweepGainPlain(DesignRecord &rec, Curve &curve)
{
    deriveGainPlain(rec);
    double *X = curve.x.data();
    double *Y = curve.y.data();
    X[0] = 0.0;
    Y[0] = 0.0;
    GainFigures fig;
    for (int i = 1; i <= kSweepPoints; ++i) {
        X[i] = gridFrequency(i);
        const double dB = gainPlainAt(rec, i);
        if (dB > fig.maximum)
            fig.maximum = dB;
        noteSpotGain(fig, X[i], dB);
        Y[i] = dB;
    }
    return fig;
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

double gainZobelAt(const DesignRecord &r, int i)
{
    const double w = gridOmega(i);
    double den = Module1::Gain_denominator(w, r.R1, r.R2, r.C1, r.C2, r.C3, r.L1, r.L2,
                                           r.full_bridge_select);
    const double num =
        Module1::Gain_numerator(w, r.R1, r.R2, r.C1, r.C2, r.C3, r.L1, r.L2, r.full_bridge_select);
    if (den == 0.0)
        den = 1e-9;
    double ratio = num / den;
    if (ratio == 0.0)
        ratio = 1e-10;
    return toDecibel(ratio);
}

GainFigures sweepGainZobel(DesignRecord &rec, Curve &curve)
{
    deriveGainZobel(rec);
    double *X = curve.x.data();
    double *Y = curve.y.data();
    X[0] = 0.0;
    Y[0] = 0.0;
    GainFigures fig;
    for (int i = 1; i <= kSweepPoints; ++i) {
        X[i] = gridFrequency(i);
        const double dB = gainZobelAt(rec, i);
        Y[i] = dB;
        if (dB > fig.maximum)
            fig.maximum = dB;
        noteSpotGain(fig, X[i], dB);
    }
    return fig;
}
