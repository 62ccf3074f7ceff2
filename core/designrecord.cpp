#include "designrecord.h"

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
