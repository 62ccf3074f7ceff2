#include "core/carrier/boardtable.h"

#include "core/carrier/carrierinputs.h"

#include <algorithm>

namespace {

const QString kNone = QStringLiteral("—");

double largest(const std::array<double, 2> &v)
{
    return std::max(v[0], v[1]);
}

std::optional<double> rated(const DesignRecord &rec, PartSlot slot,
                            std::optional<double> Part::*field)
{
    const std::optional<Part> &part = rec.parts.at(slot);
    return part ? (*part).*field : std::nullopt;
}

QString cornerText(const Resonance &r)
{
    return r.cornerHz > 0 ? carrierValueText(r.cornerHz, QStringLiteral("Hz")) : kNone;
}

QString qText(const Resonance &r)
{
    if (!(r.cornerHz > 0))
        return kNone;
    return r.q < 1e4 ? QString::number(r.q, 'g', 3) : QStringLiteral("over 10000");
}

QString ratioText(double value, const QString &unit, double ratio)
{
    const QString text = carrierValueText(value, unit);
    return ratio < 1.0 ? QStringLiteral("%1 (%2 %)").arg(text, QString::number(100 * ratio, 'f', 0))
                       : text;
}

}  // namespace

BoardFigures boardFigures(const DesignRecord &rec, double loadPowerW,
                          const CarrierAnalysis *carrier)
{
    BoardFigures b;
    CarrierTable &t = b.table;
    t.idleHeading = QStringLiteral("Idle");
    const CarrierInputs &in = rec.carrier;
    double peakA = audioInductorPeakA(rec, loadPowerW);
    if (in.given()) {
        std::optional<CarrierAnalysis> own;
        const CarrierAnalysis &a =
            carrier
                ? *carrier
                : own.emplace(analyzeCarrier(carrierNetwork(rec), carrierSettings(in, loadPowerW)));
        if (const auto *p = std::get_if<AtPowerFigures>(&a.atPower)) {
            b.atPower = *p;
            peakA = largest(p->inductorPeakA);
            b.losses = filterLosses(rec, *p, loadPowerW);
        } else if (const auto *s = std::get_if<SupplyShort>(&a.atPower)) {
            t.note = supplyNeededText(loadPowerW, s->supplyNeededV);
        }
    } else {
        t.note = QStringLiteral(
            "The inductor is taken at its audio peak; the carrier window's supply and switching "
            "frequency add its ripple, the rms currents and the losses.");
    }
    b.point = operatingPoint(rec, loadPowerW, peakA);
    const OperatingPoint &op = b.point;
    if (!in.given() || b.atPower)
        t.atPowerHeading =
            QStringLiteral("At %1 W, %2 Hz")
                .arg(QString::number(loadPowerW, 'g', 6), QString::number(in.audioHz, 'g', 7));

    const QString W = QStringLiteral("W"), A = QStringLiteral("A"), V = QStringLiteral("V");
    const auto row = [&](const QString &figure, const QString &idle, const QString &atPower) {
        CarrierTableRow r;
        r.figure = figure;
        r.idle.text = idle;
        if (t.hasAtPower())
            r.atPower.text = atPower;
        t.rows << r;
        return &t.rows.last();
    };
    // A figure at the load power held against its part's rating.
    const auto rating = [&](CarrierTableRow *r, std::optional<double> limit, double value,
                            const QString &unit) {
        if (!limit)
            return;
        r->rating = QString::number(*limit, 'g', 6) + QLatin1Char(' ') + unit;
        if (t.hasAtPower() && value > *limit) {
            r->atPower.over = true;
            r->atPower.text += QStringLiteral(", over the %1 rating").arg(r->rating);
        }
    };
    row(QStringLiteral("Corner frequency, unloaded"), cornerText(op.unloadedIdle),
        cornerText(op.unloadedAtPower));
    row(QStringLiteral("Q, unloaded"), qText(op.unloadedIdle), qText(op.unloadedAtPower));
    row(QStringLiteral("Corner frequency, with the speaker"), cornerText(op.loadedIdle),
        cornerText(op.loadedAtPower));
    row(QStringLiteral("Q, with the speaker"), qText(op.loadedIdle), qText(op.loadedAtPower));

    const ParasiticNetwork nominal = parasiticNetwork(rec);
    const double L0 = nominal.L;
    CarrierTableRow *inductance =
        row(QStringLiteral("Inductance (each)"), carrierValueText(L0, QStringLiteral("H")),
            ratioText(op.inductanceH, QStringLiteral("H"), op.inductanceRatio));
    if (t.hasAtPower() && op.inductanceRatio < 0.7) {
        inductance->atPower.over = true;
        inductance->atPower.text += QStringLiteral(", below 70 % of its value");
    }
    row(QStringLiteral("Inductor peak current"), kNone, carrierValueText(op.inductorPeakA, A));
    rating(row(QStringLiteral("Inductor current, rms"), kNone,
               b.atPower ? carrierValueText(largest(b.atPower->inductorRmsA), A) : kNone),
           rated(rec, PartSlot::filter_l, &Part::ratedRmsA),
           b.atPower ? largest(b.atPower->inductorRmsA) : 0.0, QStringLiteral("A rms"));

    const double C0 = nominal.cf;
    row(QStringLiteral("Filter capacitance"),
        ratioText(op.capacitanceIdleF, QStringLiteral("F"), op.capacitanceIdleF / C0),
        ratioText(op.capacitanceF, QStringLiteral("F"), op.capacitanceRatio));
    rating(row(QStringLiteral("Filter capacitor voltage, peak"),
               carrierValueText(op.capacitorIdleV, V), carrierValueText(op.capacitorV, V)),
           rated(rec, PartSlot::filter_c, &Part::ratedV), op.capacitorV, V);
    rating(row(QStringLiteral("Filter capacitor current, rms"), kNone,
               b.atPower ? carrierValueText(b.atPower->filterCapRmsA, A) : kNone),
           rated(rec, PartSlot::filter_c, &Part::ratedRmsA),
           b.atPower ? b.atPower->filterCapRmsA : 0.0, QStringLiteral("A rms"));
    rating(row(QStringLiteral("Zobel resistor power (each)"), kNone,
               b.atPower ? carrierValueText(largest(b.atPower->zobelResistorTotalW), W) : kNone),
           rated(rec, PartSlot::zobel_r, &Part::ratedW),
           b.atPower ? largest(b.atPower->zobelResistorTotalW) : 0.0, W);

    const FilterLosses *l = b.losses ? &*b.losses : nullptr;
    const auto loss = [&](double FilterLosses::*f) {
        return l ? carrierValueText(l->*f, W) : kNone;
    };
    row(QStringLiteral("Loss in the inductors"), kNone, loss(&FilterLosses::inductorsW));
    row(QStringLiteral("Loss in the filter capacitor"), kNone,
        loss(&FilterLosses::filterCapacitorW));
    row(QStringLiteral("Loss in the Zobel resistors"), kNone, loss(&FilterLosses::zobelResistorsW));
    row(QStringLiteral("Filter efficiency"), kNone,
        l ? QString::number(l->efficiencyPercent, 'f', 2) + QStringLiteral(" %") : kNone);
    return b;
}
