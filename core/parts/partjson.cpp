#include "core/parts/partjson.h"

#include "core/common/figuretext.h"
#include "core/common/jsontext.h"

#include <QJsonArray>
#include <QRegularExpression>

#include <cmath>

namespace {

unsigned bit(PartKind k)
{
    return 1u << unsigned(k);
}
const unsigned kInductor = bit(PartKind::inductor);
const unsigned kCapacitor = bit(PartKind::capacitor);
const unsigned kResistor = bit(PartKind::resistor);

// What a number field may hold.
enum class Range { atLeastZero, aboveZero, percent };

struct FieldRule {
    PartField field;
    unsigned kinds;
    std::optional<double> Part::*number = nullptr;
    DeratingCurve Part::*curve = nullptr;
    Range range = Range::atLeastZero;
};

const FieldRule kFields[] = {
    {{"tolerance_percent", "tolerance", "%", PartField::number},
     kInductor | kCapacitor | kResistor,
     &Part::tolerancePercent,
     nullptr,
     Range::percent},
    {{"dcr_ohm", "DC resistance", "ohm", PartField::number}, kInductor, &Part::dcrOhm},
    {{"srf_Hz", "self-resonant frequency", "Hz", PartField::number},
     kInductor,
     &Part::srfHz,
     nullptr,
     Range::aboveZero},
    {{"saturation", "saturation curve", "A", PartField::curve},
     kInductor,
     nullptr,
     &Part::saturation},
    {{"esr_ohm", "ESR", "ohm", PartField::number}, kCapacitor, &Part::esrOhm},
    {{"esl_H", "ESL", "H", PartField::number}, kCapacitor, &Part::eslH},
    {{"dielectric", "dielectric", "", PartField::dielectric}, kCapacitor},
    {{"bias", "bias curve", "V", PartField::curve}, kCapacitor, nullptr, &Part::bias},
    {{"rated_V", "rated voltage", "V", PartField::number},
     kCapacitor,
     &Part::ratedV,
     nullptr,
     Range::aboveZero},
    {{"rated_rms_A", "rated rms current", "A", PartField::number},
     kInductor | kCapacitor,
     &Part::ratedRmsA,
     nullptr,
     Range::aboveZero},
    {{"series_L_H", "series inductance", "H", PartField::number}, kResistor, &Part::seriesLH},
    {{"rated_W", "power rating", "W", PartField::number},
     kResistor,
     &Part::ratedW,
     nullptr,
     Range::aboveZero},
};

const QString kValue = QStringLiteral("value");

QString number(double v)
{
    return QString::fromLatin1(roundTripText(v));
}

// "a DC resistance", "an ESR".
QString withArticle(const PartField &f)
{
    return (f.caption[0] == 'E' ? QStringLiteral("an ") : QStringLiteral("a ")) +
           QLatin1String(f.caption);
}

bool given(const Part &p, const FieldRule &r)
{
    if (r.number)
        return (p.*r.number).has_value();
    if (r.curve)
        return !(p.*r.curve).empty();
    return p.dielectric != Dielectric::unspecified;
}

std::optional<QString> valueRefusal(PartKind kind, const QString &text, const QString &where)
{
    const QString form = valueListForm(text);
    const QString part = QStringLiteral("The ") + partKindName(kind) + where;
    if (form.isEmpty())
        return QStringLiteral("%1 has the value %2, which is not a plain decimal number above 0.")
            .arg(part, quotedText(text));
    if (form != text)
        return QStringLiteral("%1 has the value %2, which its list writes %3.")
            .arg(part, quotedText(text), quotedText(form));
    return std::nullopt;
}

std::optional<QString> numberRefusal(double v, const FieldRule &r, const QString &part)
{
    const QString given =
        QStringLiteral("%1 has %2 of %3 %4")
            .arg(part, withArticle(r.field), number(v), QLatin1String(r.field.unit));
    if (!std::isfinite(v))
        return given + QStringLiteral(", not a finite number.");
    if (r.range != Range::aboveZero && v < 0)
        return given + QStringLiteral(", below 0.");
    if (r.range == Range::aboveZero && v <= 0)
        return given + QStringLiteral(", not above 0.");
    if (r.range == Range::percent && v >= 100)
        return given + QStringLiteral(", not below 100 %.");
    return std::nullopt;
}

QString notPairs(const FieldRule &r, const QString &part)
{
    return QStringLiteral("%1 has %2 that is not a list of [%3, ratio] pairs.")
        .arg(part, withArticle(r.field), QLatin1String(r.field.unit));
}

std::optional<QString> curveRefusal(const DeratingCurve &curve, const FieldRule &r,
                                    const QString &part)
{
    const QString unit = QLatin1String(r.field.unit), caption = withArticle(r.field);
    for (std::size_t k = 0; k < curve.size(); ++k) {
        const DeratingPoint &p = curve[k];
        const QString at = number(p.at) + QLatin1Char(' ') + unit;
        if (!std::isfinite(p.at) || !std::isfinite(p.ratio))
            return notPairs(r, part);
        if (p.at < 0)
            return QStringLiteral("%1 has %2 with a point at %3, below 0 %4.")
                .arg(part, caption, at, unit);
        if (k > 0 && p.at == curve[k - 1].at)
            return QStringLiteral("%1 has %2 with two points at %3.").arg(part, caption, at);
        if (k > 0 && p.at < curve[k - 1].at)
            return QStringLiteral("%1 has %2 that goes back from %3 %4 to %5.")
                .arg(part, caption, number(curve[k - 1].at), unit, at);
        if (p.ratio <= 0)
            return QStringLiteral("%1 has %2 whose ratio at %3 is %4, not above 0.")
                .arg(part, caption, at, number(p.ratio));
        if (p.ratio > (k > 0 ? curve[k - 1].ratio : 1.0))
            return QStringLiteral("%1 has %2 that rises at %3.").arg(part, caption, at);
    }
    return std::nullopt;
}

QString foreignField(const QString &part, PartKind kind, const QString &key)
{
    return QStringLiteral("%1 has a field no %2 has, %3.")
        .arg(part, partKindName(kind), quotedText(key));
}

// A curve from [[at, ratio], ...]; none when it is not that.
std::optional<DeratingCurve> curveOf(const QJsonValue &v)
{
    if (!v.isArray() || v.toArray().isEmpty())
        return std::nullopt;
    DeratingCurve curve;
    for (const QJsonValue &point : v.toArray()) {
        const QJsonArray pair = point.toArray();
        if (!point.isArray() || pair.size() != 2 || !pair[0].isDouble() || !pair[1].isDouble())
            return std::nullopt;
        curve.push_back({pair[0].toDouble(), pair[1].toDouble()});
    }
    return curve;
}

std::optional<QString> fieldRefusal(const Part &p, const FieldRule &r, const QString &part)
{
    if (!given(p, r))
        return std::nullopt;
    if (!(r.kinds & bit(p.kind)))
        return foreignField(part, p.kind, QLatin1String(r.field.key));
    if (r.number)
        return numberRefusal(*(p.*r.number), r, part);
    if (r.curve)
        return curveRefusal(p.*r.curve, r, part);
    return std::nullopt;
}

std::optional<QString> readField(const QJsonValue &v, const FieldRule &r, const QString &part,
                                 Part &p)
{
    if (r.number) {
        if (!v.isDouble())
            return QStringLiteral("%1 has %2 as %3, not a number.")
                .arg(part, shownValue(v), withArticle(r.field));
        p.*r.number = v.toDouble();
    } else if (r.curve) {
        std::optional<DeratingCurve> curve = curveOf(v);
        if (!curve)
            return notPairs(r, part);
        p.*r.curve = std::move(*curve);
    } else if (v == QJsonValue(QStringLiteral("film"))) {
        p.dielectric = Dielectric::film;
    } else if (v == QJsonValue(QStringLiteral("ceramic"))) {
        p.dielectric = Dielectric::ceramic;
    } else {
        return QStringLiteral("%1 has the dielectric %2, neither \"film\" nor \"ceramic\".")
            .arg(part, shownValue(v));
    }
    return std::nullopt;
}

}  // namespace

QString partKindName(PartKind kind)
{
    switch (kind) {
        case PartKind::inductor: return QStringLiteral("inductor");
        case PartKind::capacitor: return QStringLiteral("capacitor");
        case PartKind::resistor: break;
    }
    return QStringLiteral("resistor");
}

std::optional<PartKind> partKindNamed(const QString &name)
{
    for (PartKind k : {PartKind::inductor, PartKind::capacitor, PartKind::resistor})
        if (name == partKindName(k))
            return k;
    return std::nullopt;
}

QString partValueUnit(PartKind kind)
{
    switch (kind) {
        case PartKind::inductor: return QStringLiteral("uH");
        case PartKind::capacitor: return QStringLiteral("uF");
        case PartKind::resistor: break;
    }
    return QStringLiteral("ohm");
}

std::vector<PartField> partFields(PartKind kind)
{
    std::vector<PartField> fields;
    for (const FieldRule &r : kFields)
        if (r.kinds & bit(kind))
            fields.push_back(r.field);
    return fields;
}

QString partTitle(const Part &part)
{
    if (valueListForm(part.value).isEmpty())
        return partKindName(part.kind);
    return QStringLiteral("%1 %2 %3")
        .arg(part.value, partValueUnit(part.kind), partKindName(part.kind));
}

QString valueListForm(const QString &text)
{
    static const QRegularExpression plain(QStringLiteral("^([0-9]*)(\\.([0-9]*))?$"));
    const QRegularExpressionMatch m = plain.match(text);
    const double v = text.toDouble();
    if (!m.hasMatch() || !std::isfinite(v) || !(v > 0))
        return {};
    QString whole = m.captured(1), decimals = m.captured(3);
    while (whole.startsWith(QLatin1Char('0'))) whole.remove(0, 1);
    const bool zeros = !decimals.isEmpty();
    while (decimals.endsWith(QLatin1Char('0'))) decimals.chop(1);
    if (decimals.isEmpty())
        return whole + (zeros ? QStringLiteral(".0") : QString());
    return whole + QLatin1Char('.') + decimals;
}

std::optional<QString> partRefusal(const Part &p, const QString &where)
{
    if (std::optional<QString> why = valueRefusal(p.kind, p.value, where))
        return why;
    const QString part = QStringLiteral("The ") + partTitle(p) + where;
    for (const FieldRule &r : kFields)
        if (std::optional<QString> why = fieldRefusal(p, r, part))
            return why;
    if (!p.bias.empty() && p.dielectric != Dielectric::ceramic)
        return QStringLiteral("%1 has a bias curve, which only a ceramic dielectric has.")
            .arg(part);
    return std::nullopt;
}

QJsonObject partObject(const Part &p)
{
    QJsonObject o;
    o[kValue] = p.value;
    for (const FieldRule &r : kFields) {
        if (!given(p, r))
            continue;
        const QLatin1String key(r.field.key);
        if (r.number) {
            o[key] = *(p.*r.number);
        } else if (r.curve) {
            QJsonArray points;
            for (const DeratingPoint &point : p.*r.curve)
                points.append(QJsonArray{point.at, point.ratio});
            o[key] = points;
        } else {
            o[key] = p.dielectric == Dielectric::film ? QStringLiteral("film")
                                                      : QStringLiteral("ceramic");
        }
    }
    return o;
}

std::variant<Part, QString> partFromObject(PartKind kind, const QJsonObject &o,
                                           const QString &where)
{
    Part p;
    p.kind = kind;
    const QString bare = QStringLiteral("The ") + partKindName(kind) + where;
    if (!o.contains(kValue))
        return QStringLiteral("%1 has no value.").arg(bare);
    if (!o.value(kValue).isString())
        return QStringLiteral("%1 has the value %2, not a text.")
            .arg(bare, shownValue(o.value(kValue)));
    p.value = o.value(kValue).toString();
    if (std::optional<QString> why = valueRefusal(kind, p.value, where))
        return *why;
    const QString part = QStringLiteral("The ") + partTitle(p) + where;
    for (auto it = o.constBegin(); it != o.constEnd(); ++it) {
        bool known = it.key() == kValue;
        for (const FieldRule &r : kFields)
            known = known || (it.key() == QLatin1String(r.field.key) && (r.kinds & bit(kind)));
        if (!known)
            return foreignField(part, kind, it.key());
    }
    for (const FieldRule &r : kFields) {
        const auto it = o.constFind(QLatin1String(r.field.key));
        if (it == o.constEnd())
            continue;
        if (std::optional<QString> why = readField(*it, r, part, p))
            return *why;
        if (std::optional<QString> why = fieldRefusal(p, r, part))
            return *why;
    }
    if (std::optional<QString> why = partRefusal(p, where))
        return *why;
    return p;
}

QString partSlotCaption(PartSlot slot)
{
    switch (slot) {
        case PartSlot::filter_l: return QStringLiteral("Filter inductor");
        case PartSlot::filter_c: return QStringLiteral("Filter capacitor");
        case PartSlot::zobel_r: return QStringLiteral("Zobel resistor");
        case PartSlot::zobel_c_par: return QStringLiteral("Zobel capacitor across the resistor");
        case PartSlot::zobel_c_ser: break;
    }
    return QStringLiteral("Zobel series capacitor");
}

QString partDetails(const Part &part)
{
    const QJsonObject o = partObject(part);
    QStringList given;
    for (const PartField &f : partFields(part.kind)) {
        const QJsonValue v = o.value(QLatin1String(f.key));
        const QString unit = QLatin1String(f.unit);
        if (v.isDouble()) {
            given << QStringLiteral("%1 %2 %3")
                         .arg(QLatin1String(f.caption),
                              QString::fromLatin1(roundTripText(v.toDouble())), unit);
        } else if (v.isArray()) {
            QStringList points;
            for (const QJsonValue &p : v.toArray())
                points << QString::fromLatin1(roundTripText(p[0].toDouble())) + QLatin1Char(' ') +
                              QString::fromLatin1(roundTripText(p[1].toDouble()));
            given << QStringLiteral("%1 (%2 ratio) %3")
                         .arg(QLatin1String(f.caption), unit, points.join(QStringLiteral(", ")));
        } else if (v.isString()) {
            given << QStringLiteral("%1 %2").arg(v.toString(), QLatin1String(f.caption));
        }
    }
    return given.join(QStringLiteral("; "));
}
