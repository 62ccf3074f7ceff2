#include "core/carrier/operatingpoint.h"

#include <cmath>
#include <numbers>

namespace {

const DeratingCurve *curveOf(const DesignRecord &rec, PartSlot slot)
{
    const std::optional<Part> &part = rec.parts.at(slot);
    if (!part)
        return nullptr;
    if (slot == PartSlot::filter_l)
        return part->saturation.empty() ? nullptr : &part->saturation;
    // Only a ceramic has a bias curve (the part's rules refuse one on film).
    return part->bias.empty() ? nullptr : &part->bias;
}

double ratioAt(const DeratingCurve *curve, double x)
{
    return curve ? deratingRatio(*curve, x) : 1.0;
}

}  // namespace

double audioInductorPeakA(const DesignRecord &rec, double loadPowerW)
{
    const double vPeak = std::sqrt(2.0 * rec.speaker_r_modeval * std::max(loadPowerW, 0.0));
    const double w = 2.0 * std::numbers::pi * rec.carrier.audioHz;
    return vPeak * outputAdmittance(parasiticNetwork(rec), w);
}

OperatingPoint operatingPoint(const DesignRecord &rec, double loadPowerW, double inductorPeakA)
{
    OperatingPoint op;
    const ParasiticNetwork idle0 = parasiticNetwork(rec);
    op.inductorPeakA = inductorPeakA;
    op.inductanceRatio = ratioAt(curveOf(rec, PartSlot::filter_l), inductorPeakA);
    op.inductanceH = idle0.L * op.inductanceRatio;

    const DeratingCurve *bias = curveOf(rec, PartSlot::filter_c);
    op.capacitorIdleV = rec.fullBridge() || !rec.carrier.given() ? 0.0 : 0.5 * rec.carrier.supplyV;
    op.capacitorV =
        op.capacitorIdleV + std::sqrt(2.0 * rec.speaker_r_modeval * std::max(loadPowerW, 0.0));
    op.capacitanceIdleF = idle0.cf * ratioAt(bias, op.capacitorIdleV);
    op.capacitanceRatio = ratioAt(bias, op.capacitorV);
    op.capacitanceF = idle0.cf * op.capacitanceRatio;

    ParasiticNetwork idle = idle0;
    idle.cf = op.capacitanceIdleF;
    op.atPower = idle0;
    op.atPower.L = op.inductanceH;
    op.atPower.cf = op.capacitanceF;
    op.unloadedIdle = filterResonance(idle, false);
    op.loadedIdle = filterResonance(idle, true);
    op.unloadedAtPower = filterResonance(op.atPower, false);
    op.loadedAtPower = filterResonance(op.atPower, true);
    return op;
}

FilterLosses filterLosses(const DesignRecord &rec, const AtPowerFigures &p, double loadPowerW)
{
    const ParasiticNetwork n = parasiticNetwork(rec);
    const int legs = rec.fullBridge() ? 2 : 1;
    FilterLosses l;
    for (int leg = 0; leg < legs; ++leg) {
        l.inductorsW += p.inductorRmsA[leg] * p.inductorRmsA[leg] * n.dcr;
        l.zobelResistorsW += p.zobelResistorTotalW[leg];
    }
    l.filterCapacitorW = p.filterCapRmsA * p.filterCapRmsA * n.cfEsr;
    l.totalW = l.inductorsW + l.filterCapacitorW + l.zobelResistorsW;
    const double load = std::max(loadPowerW, 0.0);
    l.efficiencyPercent = load + l.totalW > 0.0 ? 100.0 * load / (load + l.totalW) : 100.0;
    return l;
}
