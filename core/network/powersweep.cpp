#include "core/network/powersweep.h"

#include <cmath>

PowerInputs powerInputs(const DesignRecord &rec, double loadPower)
{
    return powerInputs(designValues(rec), rec.full_bridge_select != 0, loadPower);
}

PowerInputs powerInputs(const DesignValues &values, bool fullBridge, double loadPower)
{
    PowerInputs in;
    in.speakerR = values.speakerR;
    in.loadPower = loadPower;
    in.zobelCPar = values.zobelCPar;
    in.zobelCSer = values.zobelCSer;
    in.zobelR = values.zobelR;
    in.fullBridge = fullBridge;
    return in;
}

QUORVEL_SWEEP_TARGETS PowerFigures sweepZobelPower(const PowerInputs &in, PowerCurve &curve)
{
    PowerFigures fig;
    const double V = zobelBranchVoltage(in);
    fig.rmsVoltage = V;
    double *X = curve.x.data();
    double *P = curve.y.data();
    X[0] = 0.0;
    P[0] = 0.0;
    for (int i = 1; i <= kPowerPoints; ++i) {
        X[i] = i * 100.0;
        P[i] = zobelPowerAt(in, V, i);
    }
    fig.at7kHz = P[70];  // 7000 Hz
    return fig;
}
