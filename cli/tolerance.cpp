// quorvel tolerance: the spread of the design's figures over a batch of boards, its corners and
// its yield, as JSON or CSV, and every run as CSV on request.
#include "cli/invocation.h"

#include "core/common/figuretext.h"
#include "core/common/savefile.h"
#include "core/tolerance/tolerance.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QtConcurrent/QtConcurrentMap>

#include <cmath>

namespace {

const QString kRuns = QStringLiteral("runs");
const QString kSeed = QStringLiteral("seed");
const QString kDistribution = QStringLiteral("distribution");
const QString kTolerance = QStringLiteral("tolerance");
const QString kLimits = QStringLiteral("limits");
const QString kSamples = QStringLiteral("samples");

const QString kLimitsAccepted = QStringLiteral(
    "max_peak_dB=X, gain_20k_dB=LOW:HIGH, max_zobel_W=X, max_inductor_A=X, separated by commas");

std::optional<double> number(const QString &text)
{
    bool ok = false;
    const double v = text.trimmed().toDouble(&ok);
    return ok && std::isfinite(v) ? std::optional<double>(v) : std::nullopt;
}

std::optional<Refusal> readTolerances(const QString &text, ToleranceSettings &s)
{
    for (const QString &item : text.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const qsizetype eq = item.indexOf(QLatin1Char('='));
        const std::optional<Varied> v =
            eq < 0 ? std::nullopt : variedNamed(item.left(eq).trimmed());
        if (!v) {
            QStringList names;
            for (Varied each : kAllVaried) names << variedName(each);
            return notAccepted(kTolerance, item,
                               QStringLiteral("NAME=PERCENT with NAME one of ") +
                                   names.join(QStringLiteral(", ")));
        }
        const ToleranceEntry e = acceptTolerancePercent(item.mid(eq + 1));
        if (!e.value)
            return Refusal{QStringLiteral("--tolerance: \"%1\": %2").arg(item, e.refusal)};
        s.percent[std::size_t(*v)] = *e.value;
    }
    return std::nullopt;
}

std::optional<Refusal> readLimits(const QString &text, ToleranceLimits &limits)
{
    for (const QString &item : text.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const qsizetype eq = item.indexOf(QLatin1Char('='));
        const QString name = item.left(eq).trimmed(), value = item.mid(eq + 1);
        const std::optional<double> x = number(value);
        if (eq > 0 && name == QLatin1String("gain_20k_dB")) {
            const QStringList ends = value.split(QLatin1Char(':'));
            const std::optional<double> lo = ends.size() == 2 ? number(ends[0]) : std::nullopt;
            const std::optional<double> hi = ends.size() == 2 ? number(ends[1]) : std::nullopt;
            if (!lo || !hi)
                return notAccepted(kLimits, item, kLimitsAccepted);
            if (*lo > *hi)
                return Refusal{QStringLiteral("--limits: \"%1\": the low end is above the high end")
                                   .arg(item)};
            limits.gain20kLowDb = lo;
            limits.gain20kHighDb = hi;
        } else if (eq > 0 && x && name == QLatin1String("max_peak_dB")) {
            limits.maxPeakDb = x;
        } else if (eq > 0 && x && name == QLatin1String("max_zobel_W")) {
            limits.maxZobelW = x;
        } else if (eq > 0 && x && name == QLatin1String("max_inductor_A")) {
            limits.maxInductorA = x;
        } else {
            return notAccepted(kLimits, item, kLimitsAccepted);
        }
    }
    return std::nullopt;
}

QJsonValue jsonNumber(double v)
{
    return std::isfinite(v) ? QJsonValue(v) : QJsonValue();
}

QJsonObject cornerObject(double value, const std::array<int, kVariedCount> &ends,
                         const std::array<bool, kVariedCount> &varied)
{
    QJsonObject corner;
    for (Varied v : kAllVaried)
        if (varied[std::size_t(v)])
            corner[variedName(v)] = ends[std::size_t(v)];
    return {{QStringLiteral("value"), jsonNumber(value)}, {QStringLiteral("corner"), corner}};
}

QByteArray json(const ToleranceResult &r)
{
    QJsonObject tolerances;
    for (Varied v : kAllVaried)
        tolerances[variedName(v)] =
            r.varied[std::size_t(v)] ? r.settings.percent[std::size_t(v)] : 0.0;
    QJsonObject figures;
    for (int f = 0; f < kToleranceFigureCount; ++f) {
        const FigureSpread &s = r.spread[std::size_t(f)];
        figures[toleranceFigureKey(ToleranceFigure(f))] = QJsonObject{
            {QStringLiteral("min"), jsonNumber(s.min)},
            {QStringLiteral("p1"), jsonNumber(s.p1)},
            {QStringLiteral("p50"), jsonNumber(s.p50)},
            {QStringLiteral("p99"), jsonNumber(s.p99)},
            {QStringLiteral("max"), jsonNumber(s.max)},
            {QStringLiteral("corners"),
             QJsonObject{
                 {QStringLiteral("min"), cornerObject(s.cornerMin, s.cornerMinEnds, r.varied)},
                 {QStringLiteral("max"), cornerObject(s.cornerMax, s.cornerMaxEnds, r.varied)}}}};
    }
    QJsonObject o{{QStringLiteral("runs"), r.settings.runs},
                  {QStringLiteral("seed"), QString::number(r.settings.seed)},
                  {QStringLiteral("distribution"), r.settings.distribution == Distribution::normal
                                                       ? QStringLiteral("normal")
                                                       : QStringLiteral("uniform")},
                  {QStringLiteral("tolerances_percent"), tolerances},
                  {QStringLiteral("figures"), figures},
                  {QStringLiteral("yield_percent"),
                   r.yieldPercent ? QJsonValue(*r.yieldPercent) : QJsonValue()},
                  {QStringLiteral("failing_most"),
                   r.mostFailed ? QJsonValue(toleranceLimitKey(*r.mostFailed)) : QJsonValue()}};
    // A seed above 2^53 would not survive as a JSON number; below it, it is written as one.
    if (r.settings.seed <= (std::uint64_t(1) << 53))
        o[QStringLiteral("seed")] = double(r.settings.seed);
    return QJsonDocument(o).toJson(QJsonDocument::Indented);
}

QByteArray csv(const ToleranceResult &r)
{
    QByteArray out = "figure,min,p1,p50,p99,max,corner_min,corner_max\n";
    for (int f = 0; f < kToleranceFigureCount; ++f) {
        const FigureSpread &s = r.spread[std::size_t(f)];
        out += toleranceFigureKey(ToleranceFigure(f)).toLatin1();
        for (double v : {s.min, s.p1, s.p50, s.p99, s.max, s.cornerMin, s.cornerMax})
            out += ',' + roundTripText(v);
        out += '\n';
    }
    return out;
}

// Every run in the samples file's units: uH, uF, uF, ohm, uF, ohm, mH.
QByteArray samples(const ToleranceResult &r)
{
    QByteArray out =
        "run,filter_l_uH,filter_c_uF,zobel_c_par_uF,zobel_r_ohm,zobel_c_ser_uF,speaker_r_ohm,"
        "speaker_l_mH,gain_20k_dB,gain_384k_dB,max_gain_dB,zobel_7k_W\n";
    for (std::size_t i = 0; i < r.runs.size(); ++i) {
        const ToleranceRun &run = r.runs[i];
        const DesignValues &v = run.values;
        out += QByteArray::number(qulonglong(i + 1));
        for (double x : {v.filterL * 1e6, v.filterC, v.zobelCPar * 1e6, v.zobelR, v.zobelCSer * 1e6,
                         v.speakerR, v.speakerL})
            out += ',' + roundTripText(x);
        for (double x : run.figures) out += ',' + roundTripText(x);
        out += '\n';
    }
    return out;
}

}  // namespace

void addToleranceOptions(QCommandLineParser &parser)
{
    parser.addOption({kRuns,
                      QStringLiteral("tolerance: boards in the batch, 1 to 100000. Default 1000."),
                      QStringLiteral("N"), QStringLiteral("1000")});
    parser.addOption({kSeed,
                      QStringLiteral("tolerance: the random seed, a whole number; the same seed "
                                     "gives the same output. Default 1."),
                      QStringLiteral("S"), QStringLiteral("1")});
    parser.addOption({kDistribution,
                      QStringLiteral("tolerance: uniform within +-tolerance, or normal with sigma "
                                     "= tolerance/3 cut at +-tolerance. Default uniform."),
                      QStringLiteral("name"), QStringLiteral("uniform")});
    parser.addOption(
        {kTolerance,
         QStringLiteral("tolerance: NAME=PERCENT,... for filter_l, filter_c, zobel_c_par, zobel_r, "
                        "zobel_c_ser, speaker_r, speaker_l (0 up to 100). Defaults: 20, 10, 10, 5, "
                        "10, 10, 15, or the tolerance of the design file's part."),
         QStringLiteral("list")});
    parser.addOption({kLimits,
                      QStringLiteral("tolerance: the limits each board must meet for the yield: ") +
                          kLimitsAccepted +
                          QStringLiteral(". A negative value is given with = (--limits=...)."),
                      QStringLiteral("list")});
    parser.addOption({kSamples, QStringLiteral("tolerance: also write every run to this CSV file."),
                      QStringLiteral("path")});
}

QStringList toleranceOptionNames()
{
    return {kRuns, kSeed, kDistribution, kTolerance, kLimits, kSamples};
}

Outcome toleranceCommand(const Invocation &in)
{
    const QCommandLineParser &p = in.parser;
    ToleranceSettings s = toleranceSettingsFor(in.design);
    const ToleranceEntry runs = acceptToleranceRuns(p.value(kRuns));
    if (!runs.value)
        return Refusal{QStringLiteral("--runs: \"%1\": %2").arg(p.value(kRuns), runs.refusal)};
    s.runs = int(*runs.value);
    QString why;
    const std::optional<std::uint64_t> seed = acceptToleranceSeed(p.value(kSeed), &why);
    if (!seed)
        return Refusal{QStringLiteral("--seed: \"%1\": %2").arg(p.value(kSeed), why)};
    s.seed = *seed;
    const QString distribution = p.value(kDistribution);
    if (distribution != QLatin1String("uniform") && distribution != QLatin1String("normal"))
        return notAccepted(kDistribution, distribution, QStringLiteral("uniform, normal"));
    s.distribution =
        distribution == QLatin1String("normal") ? Distribution::normal : Distribution::uniform;
    if (std::optional<Refusal> r = readTolerances(p.value(kTolerance), s))
        return *r;
    ToleranceLimits limits;
    if (std::optional<Refusal> r = readLimits(p.value(kLimits), limits))
        return *r;
    if (limits.maxInductorA && !in.design.carrier.given())
        return Refusal{
            QStringLiteral("--limits: max_inductor_A needs the carrier inputs (--supply, --fsw)")};
    const QString format = p.isSet(QStringLiteral("format")) ? p.value(QStringLiteral("format"))
                                                             : QStringLiteral("json");
    if (format != QLatin1String("json") && format != QLatin1String("csv"))
        return notAccepted(QStringLiteral("format"), format, QStringLiteral("json, csv"));

    ToleranceWork work(in.design, in.loadPower, s, limits);
    QtConcurrent::blockingMap(work.items(), [&work](ToleranceRun &run) { work.fill(run); });
    const ToleranceResult result = std::move(work).finish();
    if (p.isSet(kSamples)) {
        const QString path = p.value(kSamples);
        if (const std::optional<FileFailure> failed = writeFileAtomically(path, samples(result)))
            return Refusal{QStringLiteral("--samples: %1: %2").arg(path, failed->description)};
    }
    return format == QLatin1String("csv") ? csv(result) : json(result);
}
