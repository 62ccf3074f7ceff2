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
    NetworkValues n;
    n.R1 = rec.speaker_r_modeval;
    n.R2 = rec.zobel_r_parval * 1.0000001;
    n.L1 = si::fromMilli(rec.actual_l_net);
    n.L2 = rec.fullBridge() ? rec.filter_l_par_modeval * 2 : rec.filter_l_par_modeval;
    n.C1 = si::fromMicro(rec.filter_c_par_modeval);
    n.C2 = openWhenZero(rec.zobel_c_parval);
    n.C3 = openWhenZero(rec.zobel_c_serval);
    n.full_bridge_select = rec.full_bridge_select;
    return n;
}
