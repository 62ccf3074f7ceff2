#include "core/carrier/carriertable.h"

#include "core/common/figuretext.h"

#include <algorithm>
#include <cmath>

QString carrierValueText(double v, const QString &unit)
{
    const QString space = QStringLiteral(" ");
    if (std::isnan(v))
        return QStringLiteral("nan") + space + unit;
    if (std::isinf(v))
        return (v < 0 ? QStringLiteral("-inf") : QStringLiteral("inf")) + space + unit;
    if (v == 0.0)
        return QStringLiteral("0") + space + unit;
    static const char *const prefixes[] = {"p", "n", "u", "m", "", "k", "M", "G", "T"};
    constexpr int unity = 4;  // index of ""
    // Rounded first, so that 0.9996 becomes "1 W" and not "1e+03 mW".
    const double rounded = QString::number(v, 'g', 3).toDouble();
    const int group = std::clamp(static_cast<int>(std::floor(std::log10(std::fabs(rounded)) / 3.0)),
                                 -unity, unity);
    const double mantissa = rounded / std::pow(1000.0, group);
    return QString::number(mantissa, 'g', 3) + space + QLatin1String(prefixes[group + unity]) +
           unit;
}

QString supplyNeededText(double loadPowerW, double supplyNeededV)
{
    return QStringLiteral("%1 W into this speaker would take a supply of %2.")
        .arg(QString::number(loadPowerW, 'g', 6),
             carrierValueText(supplyNeededV, QStringLiteral("V")));
}

namespace {

double largest(const std::array<double, 2> &v)
{
    return std::max(v[0], v[1]);
}

// A row's rating, as the words after the figure and as the rating column shows it.
struct Rating {
    double value = 0.0;  // 0: not given
    QString unit;

    QString text() const
    {
        return value > 0 ? QString::number(value, 'g', 6) + QLatin1Char(' ') + unit : QString();
    }
};

CarrierTableCell cell(double v, const QString &unit, bool over, const Rating &rating)
{
    QString text = carrierValueText(v, unit);
    if (over)
        text += QStringLiteral(", over the %1 rating").arg(rating.text());
    return {text, over};
}

// The saturating inductor's inductance at the peak current, and why it asks for a look.
CarrierTableCell inductanceCell(const InductorAtPeak &l)
{
    QString text = QStringLiteral("%1, %2 % of L0")
                       .arg(carrierValueText(l.henries, QStringLiteral("H")),
                            QString::number(100 * l.ratio, 'g', 3));
    if (l.warning == SaturationWarning::pastCurve)
        text += QStringLiteral(", past the curve's end");
    else if (l.warning == SaturationWarning::deepInSaturation)
        text += QStringLiteral(", below %1 %").arg(100 * kSaturationWarnRatio);
    return {text, l.warning != SaturationWarning::none};
}

}  // namespace

CarrierTable carrierTable(const CarrierAnalysis &a, const CarrierInputs &in, double loadPowerW)
{
    const QString W = QStringLiteral("W"), A = QStringLiteral("A"), V = QStringLiteral("V");
    const Rating noRating, zobel{in.zobelRatingW, W}, inductor{in.inductorRatingA, A},
        capacitor{in.capacitorRatingA, QStringLiteral("A rms")};
    // Idle and at power, with the rating each is held against (and whether it exceeds it).
    struct Figure {
        const char *name;
        const QString &unit;
        double idle;
        double atPower;
        const Rating &rating;
        bool idleOver;
        bool atPowerOver;
    };
    const CarrierFigures &i = a.idle;
    const AtPowerFigures *p = std::get_if<AtPowerFigures>(&a.atPower);
    const AtPowerFigures none;
    const AtPowerFigures &q = p ? *p : none;
    const CarrierFigures &c = q.carrier;
    const RatingExcess &ie = a.idleExcess, &pe = q.excess;
    // Idle there is no audio: the totals are the carrier's own, and the inductor's highest
    // current is the top of its ripple, half its peak to peak (a 50 % square wave's current is
    // as far below zero half a period later as it is above it).
    const Figure figures[] = {
        {"Zobel resistor, carrier (each)", W, largest(i.zobelResistorW), largest(c.zobelResistorW),
         noRating, false, false},
        {"Zobel resistor, carrier + audio (each)", W, largest(i.zobelResistorW),
         largest(q.zobelResistorTotalW), zobel, ie.zobelResistor, pe.zobelResistor},
        {"Inductor ripple, peak to peak", A, largest(i.inductorRipplePkPkA),
         largest(c.inductorRipplePkPkA), noRating, false, false},
        {"Inductor ripple, rms", A, largest(i.inductorRippleRmsA), largest(c.inductorRippleRmsA),
         noRating, false, false},
        {"Inductor current, rms (carrier + audio)", A, largest(i.inductorRippleRmsA),
         largest(q.inductorRmsA), noRating, false, false},
        {"Inductor peak current", A, 0.5 * largest(i.inductorRipplePkPkA), largest(q.inductorPeakA),
         inductor, ie.inductor, pe.inductor},
        {"Filter capacitor current, rms", A, i.filterCapRmsA, q.filterCapRmsA, capacitor,
         ie.filterCapacitor, pe.filterCapacitor},
        {"Speaker carrier voltage, rms", V, i.speakerVrms, c.speakerVrms, noRating, false, false},
        {"Speaker carrier power", W, i.speakerW, c.speakerW, noRating, false, false},
        {"Output common-mode carrier, rms", V, i.commonModeVrms, c.commonModeVrms, noRating, false,
         false},
    };

    CarrierTable t;
    t.idleHeading = QStringLiteral("Idle");
    if (p)
        t.atPowerHeading =
            QStringLiteral("At %1 W, %2 Hz")
                .arg(QString::number(loadPowerW, 'g', 6), QString::number(in.audioHz, 'g', 7));
    else if (const auto *s = std::get_if<SupplyShort>(&a.atPower))
        t.note = supplyNeededText(loadPowerW, s->supplyNeededV);
    else
        t.note = QStringLiteral("This speaker takes no power at %1 Hz: no figures at a load power.")
                     .arg(QString::number(in.audioHz, 'g', 7));
    for (const Figure &f : figures) {
        CarrierTableRow row;
        row.figure = QLatin1String(f.name);
        row.idle = cell(f.idle, f.unit, f.idleOver, f.rating);
        if (p)
            row.atPower = cell(f.atPower, f.unit, f.atPowerOver, f.rating);
        row.rating = f.rating.text();
        t.rows << row;
    }
    if (a.idleInductor) {  // after the peak current's row
        CarrierTableRow row{QStringLiteral("Inductance at the peak current"),
                            inductanceCell(*a.idleInductor),
                            {},
                            {}};
        if (p && p->inductorAtPeak)
            row.atPower = inductanceCell(*p->inductorAtPeak);
        t.rows.insert(6, row);
    }
    return t;
}

QByteArray carrierTableText(const CarrierTable &t)
{
    QList<QStringList> lines{{QStringLiteral("Figure"), t.idleHeading}};
    if (t.hasAtPower())
        lines[0] << t.atPowerHeading;
    lines[0] << QStringLiteral("Rating");
    for (const CarrierTableRow &r : t.rows) {
        QStringList line{r.figure, r.idle.text};
        if (t.hasAtPower())
            line << r.atPower.text;
        lines << (line << r.rating);
    }
    QList<qsizetype> width(lines[0].size(), 0);
    for (const QStringList &line : lines)
        for (qsizetype k = 0; k < line.size(); ++k) width[k] = std::max(width[k], line[k].size());
    QString out;
    for (const QStringList &line : lines) {
        QString text;
        for (qsizetype k = 0; k < line.size(); ++k)
            text += k + 1 < line.size() ? line[k].leftJustified(width[k] + 3) : line[k];
        out += text.trimmed() + QLatin1Char('\n');
    }
    if (!t.note.isEmpty())
        out += t.note + QLatin1Char('\n');
    return out.toUtf8();
}

QByteArray carrierLossCsv(const CarrierLossCurve &bd, const CarrierLossCurve *ad)
{
    QByteArray out = ad ? "frequency_Hz,bd_power_W,ad_power_W\n" : "frequency_Hz,power_W\n";
    for (std::size_t k = 0; k < bd.x.size(); ++k) {
        out += roundTripText(bd.x[k]);
        out += ',';
        out += roundTripText(bd.y[k]);
        if (ad) {
            out += ',';
            out += roundTripText(ad->y[k]);
        }
        out += '\n';
    }
    return out;
}
