#include "powersweep.h"

#include <cmath>

namespace {

double orTiny(double v)
{
    return v == 0.0 ? 1e-13 : v;
}

}  // namespace

PowerInputs powerInputs(const DesignRecord &rec, double loadPower)
{
    PowerInputs in;
    in.speakerR = rec.speaker_r_modeval;
    in.loadPower = loadPower;
    in.zobelCPar = rec.zobel_c_parval;
    in.zobelCSer = rec.zobel_c_serval;
    in.zobelR = rec.zobel_r_parval;
    in.fullBridge = rec.full_bridge_select != 0;
    return in;
}

QUORVEL_SWEEP_TARGETS PowerFigures sweepZobelPower(const PowerInputs &in, PowerCurve &curve)
{
    PowerFigures fig;
    double V = std::sqrt(in.speakerR * in.loadPower);
    if (in.fullBridge)
        V = V / 2.0;
    fig.rmsVoltage = V;
    const double Cp = orTiny(in.zobelCPar);
    const double Cs = orTiny(in.zobelCSer);
    const double R = orTiny(in.zobelR);

    double *X = curve.x.data();
    double *P = curve.y.data();
    X[0] = 0.0;
    P[0] = 0.0;
    for (int i = 1; i <= kPowerPoints; ++i) {
        const double f = i * 100.0;
        const double w = i * 6.28 * 100.0;  // this sweep's own, coarser 2 pi
        const double a = w * R * Cs;
        const double b = w * Cp * R + w * Cs * R;
        const double D = std::sqrt(1 + b * b);
        const double v = (a / D) * V;
        X[i] = f;
        P[i] = v * v / R;
        if (f == 7000.0)
            fig.at7kHz = P[i];
    }
    return fig;
}
