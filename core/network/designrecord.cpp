#include "core/network/designrecord.h"

DesignRecord DesignRecord::startup()
{
    DesignRecord r;
    r.full_bridge_select = kFlagFalse;
    r.speaker_r_modeval = 8;
    r.actual_l_net = 0.67;
    r.speaker_l_valtxt = QStringLiteral(".67");
    r.filter_l_par_modeval = 2.2e-05;
    r.filter_c_par_modeval = 1.0;
    r.zobel_c_parval = 1e-07;
    r.zobel_c_serval = 1e-07;
    r.zobel_r_parval = 6;
    r.jfilter_l = QStringLiteral("22");
    r.jfilter_c = QStringLiteral("1.0");
    r.jspeaker_r = QStringLiteral("8");
    r.jzobel_c2 = QStringLiteral(".1");
    r.jzobel_c3 = QStringLiteral(".1");
    r.jzobel_r2 = QStringLiteral("6");
    return r;
}

double si::fromMicroText(const QString &item)
{
    // QString's conversion is correctly rounded and ignores the process locale.
    return (item + QStringLiteral("e-6")).toDouble();
}

namespace {

double openWhenZero(double farad)
{
    return farad == 0.0 ? 1e-13 : farad;
}

}  // namespace

NetworkValues networkValues(const DesignRecord &rec)
{
    return networkValues(designValues(rec), rec.full_bridge_select);
}

DesignValues designValues(const DesignRecord &rec)
{
    return {rec.filter_l_par_modeval, rec.filter_c_par_modeval, rec.zobel_c_parval,
            rec.zobel_r_parval,       rec.zobel_c_serval,       double(rec.speaker_r_modeval),
            rec.actual_l_net};
}

NetworkValues networkValues(const DesignValues &v, Flag fullBridge)
{
    NetworkValues n;
    n.R1 = v.speakerR;
    n.R2 = v.zobelR * 1.0000001;
    n.L1 = si::fromMilli(v.speakerL);
    n.L2 = fullBridge != kFlagFalse ? v.filterL * 2 : v.filterL;
    n.C1 = si::fromMicro(v.filterC);
    n.C2 = openWhenZero(v.zobelCPar);
    n.C3 = openWhenZero(v.zobelCSer);
    n.full_bridge_select = fullBridge;
    return n;
}
