#include "core/parts/part.h"

#include <cmath>

PartKind partKind(PartSlot slot)
{
    switch (slot) {
        case PartSlot::filter_l: return PartKind::inductor;
        case PartSlot::zobel_r: return PartKind::resistor;
        case PartSlot::filter_c:
        case PartSlot::zobel_c_par:
        case PartSlot::zobel_c_ser: break;
    }
    return PartKind::capacitor;
}

double deratingRatio(const DeratingCurve &curve, double x)
{
    x = std::abs(x);
    if (curve.empty() || !(x >= curve.front().at))  // below the first point, or not a number
        return 1.0;
    for (std::size_t k = 1; k < curve.size(); ++k) {
        const DeratingPoint &a = curve[k - 1], &b = curve[k];
        if (x <= b.at)
            return a.ratio + (b.ratio - a.ratio) * (x - a.at) / (b.at - a.at);
    }
    return curve.back().ratio;
}

bool Part::ideal() const
{
    Part bare;
    bare.kind = kind;
    bare.value = value;
    return *this == bare;
}

bool Part::hasParasitics() const
{
    return dcrOhm || srfHz || esrOhm || eslH || seriesLH;
}

bool BoardParts::empty() const
{
    for (const auto &p : items)
        if (p)
            return false;
    return true;
}

bool BoardParts::hasParasitics() const
{
    for (const auto &p : items)
        if (p && p->hasParasitics())
            return true;
    return false;
}
