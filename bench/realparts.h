#pragma once

#include "core/designmodel/designmodel.h"

// The benchmarks' real parts in the design: a 22 uH inductor (13 mOhm) with a saturation curve
// and a 1.0 uF ceramic capacitor (4 mOhm) with a bias curve.
inline void putRealParts(DesignModel &model)
{
    Part l, c;
    l.value = QStringLiteral("22");
    l.dcrOhm = 0.013;
    l.saturation = {{3, 1}, {6, 0.8}, {8, 0.5}};
    c.kind = PartKind::capacitor;
    c.value = QStringLiteral("1.0");
    c.esrOhm = 0.004;
    c.dielectric = Dielectric::ceramic;
    c.bias = {{10, 0.9}, {40, 0.5}};
    model.setPart(PartSlot::filter_l, l);
    model.setPart(PartSlot::filter_c, c);
}
