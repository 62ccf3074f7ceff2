#include "core/designmodel/designsheet.h"

#include "core/carrier/boardtable.h"
#include "core/carrier/carrierinputs.h"
#include "core/carrier/carriertable.h"
#include "core/common/engineering.h"
#include "core/common/figuretext.h"
#include "core/common/program.h"
#include "core/network/valuelists.h"
#include "core/parts/partjson.h"

#include <QFileInfo>

namespace {

SheetSection designSection(const SheetData &d)
{
    const SchematicCaptions c = schematicCaptions(d.design);
    return {QStringLiteral("Design"),
            d.design.fullBridge() ? QStringLiteral("Full bridge.") : QStringLiteral("Half bridge."),
            {},
            {{QStringLiteral("Filter inductor"), c.lfilter},
             {QStringLiteral("Filter capacitor"), c.cfilter},
             {QStringLiteral("Zobel resistor"), c.rzobel_par + QStringLiteral(" ohms")},
             {QStringLiteral("Zobel capacitor across the resistor"), c.czobel_par},
             {QStringLiteral("Zobel series capacitor"), c.czobel_ser},
             {QStringLiteral("Speaker inductance"), c.lspeaker},
             {QStringLiteral("Speaker resistance"), c.rspeaker + QStringLiteral(" ohms")},
             {QStringLiteral("RMS power at the speaker"),
              QString::number(d.loadPower, 'g', 6) + QStringLiteral(" W")}},
            {QStringLiteral("schematic")}};
}

SheetSection graphsSection(const SheetData &d)
{
    QString text = QStringLiteral(
        "Fig. 1 to 3 and the Power window's dissipation of the Zobel "
        "resistor.");
    if (d.reference)
        text += QStringLiteral(" Dashed grey: the design held as the reference.");
    if (d.measured)
        text += QStringLiteral(" The measured speaker %1 is drawn beside the design's curves.")
                    .arg(d.measured->fileName());
    return {QStringLiteral("Graphs"),
            text,
            {},
            {},
            {QStringLiteral("impedance"), QStringLiteral("gain"), QStringLiteral("gain-zobel"),
             QStringLiteral("power")}};
}

SheetSection figuresSection(const SheetData &d)
{
    const GainFigures &g = d.analysis.gainFigures, &z = d.analysis.gainZobelFigures;
    return {QStringLiteral("Main window figures"),
            {},
            {},
            {{QStringLiteral("Fig. 2 MaxGain"), figureText(g.maximum)},
             {QStringLiteral("Gain(@20kHz)"), figureText(g.gain20k)},
             {QStringLiteral("Gain(@384kHz)"), figureText(g.gain384k)},
             {QStringLiteral("Fig. 3 MaxGain"), figureText(z.maximum)},
             {QStringLiteral("NetGain(@20kHz)"), figureText(z.gain20k)},
             {QStringLiteral("NetGain(@384kHz)"), figureText(z.gain384k)},
             {QStringLiteral("Power of Rzobel @(7khz)"),
              dissipationFigureText(d.analysis.dissipationFigures.at7kHz)}},
            {}};
}

SheetSection powerSection(const SheetData &d)
{
    const PowerFigures &p = d.analysis.dissipationFigures;
    return {QStringLiteral("Power window"),
            {},
            {},
            {{QStringLiteral("RMS power at the speaker load"),
              QString::number(d.loadPower, 'g', 6) + QStringLiteral(" W")},
             {QStringLiteral("RMS voltage across each Zobel branch"),
              QString::number(p.rmsVoltage, 'g', 4) + QStringLiteral(" V")},
             {QStringLiteral("Zobel resistor's dissipation at 7 kHz"),
              dissipationFigureText(p.at7kHz)}},
            {}};
}

// A section holding a table of figures, idle and at the load power, beside their ratings.
SheetSection tableSection(const QString &title, const QString &text, const CarrierTable &t)
{
    SheetSection s{title, text, {QStringLiteral("Figure"), t.idleHeading}, {}, {}};
    if (t.hasAtPower())
        s.headings << t.atPowerHeading;
    s.headings << QStringLiteral("Rating");
    for (const CarrierTableRow &row : t.rows) {
        QStringList cells{row.figure, row.idle.text};
        if (t.hasAtPower())
            cells << row.atPower.text;
        s.rows << (cells << row.rating);
    }
    return s;
}

std::optional<SheetSection> carrierSection(const SheetData &d)
{
    const CarrierInputs &in = d.design.carrier;
    if (!in.given())
        return std::nullopt;
    const CarrierAnalysis a = analyzeCarrier(carrierNetwork(d.design, d.measured),
                                             carrierSettings(in, d.loadPower), partRatings(in));
    const CarrierTable t = carrierTable(a, in, d.loadPower);
    const QString text =
        QStringLiteral("Supply %1 V, switching at %2 kHz%3.")
            .arg(
                in.supplyText, in.switchingText,
                d.design.fullBridge()
                    ? QStringLiteral(", %1 modulation").arg(modulationName(in.modulation).toUpper())
                    : QString());
    return tableSection(QStringLiteral("Switching carrier"),
                        t.note.isEmpty() ? text : text + QLatin1Char(' ') + t.note, t);
}

// The parts attached to the design, each with what its datasheet gives.
std::optional<SheetSection> partsSection(const SheetData &d)
{
    if (d.design.parts.empty())
        return std::nullopt;
    SheetSection s{QStringLiteral("Real parts"),
                   QStringLiteral("The parts on the board; a slot not listed holds an ideal part."),
                   {QStringLiteral("Slot"), QStringLiteral("Part"), QStringLiteral("Fields")},
                   {},
                   {}};
    for (PartSlot slot : kAllPartSlots)
        if (const std::optional<Part> &p = d.design.parts.at(slot))
            s.rows << QStringList{partSlotCaption(slot), partTitle(*p), partDetails(*p)};
    return s;
}

// The filter as its parts build it, as the filter figures window shows it.
std::optional<SheetSection> boardSection(const SheetData &d)
{
    if (d.design.parts.empty())
        return std::nullopt;
    const CarrierTable t = boardFigures(d.design, d.loadPower).table;
    return tableSection(QStringLiteral("Filter with its parts"), t.note, t);
}

std::optional<SheetSection> measuredSection(const SheetData &d)
{
    if (!d.measured)
        return std::nullopt;
    const ImpedanceData &data = d.measured->data();
    const VoiceCoilFit &fit = d.measured->fit();
    const auto value = [](double v, const char *unit) {
        return QString::number(v, 'g', 4) + QLatin1String(unit);
    };
    const auto hz = [](double f) { return engineeringText(f, QStringLiteral("Hz")); };
    return SheetSection{
        QStringLiteral("Measured speaker"),
        QStringLiteral("The voice-coil model Re + jωLe + (R2 ∥ jωL2) fitted above the resonance."),
        {},
        {{QStringLiteral("File"), d.measured->fileName()},
         {QStringLiteral("Points"),
          QStringLiteral("%1, %2 to %3")
              .arg(data.points.size())
              .arg(hz(data.points.first().hz), hz(data.points.last().hz))},
         {QStringLiteral("Re"), value(fit.model.Re, " ohm")},
         {QStringLiteral("Le"), value(fit.model.Le * 1e3, " mH")},
         {QStringLiteral("R2"), value(fit.model.R2, " ohm")},
         {QStringLiteral("L2"), value(fit.model.L2 * 1e3, " mH")},
         {QStringLiteral("Fitted from"), hz(data.points[fit.firstFitted].hz)},
         {QStringLiteral("Rms error"), QStringLiteral("%1 %").arg(fit.rmsErrorPercent, 0, 'f', 2)}},
        {}};
}

QString escaped(const QString &s)
{
    return s.toHtmlEscaped();
}

}  // namespace

// The batch of boards the Tolerance window worked out: the spread of each figure, its corners and
// the yield; the bands are on the graphs above.
std::optional<SheetSection> toleranceSection(const SheetData &d)
{
    const ToleranceResult *t = d.tolerance;
    if (!t)
        return std::nullopt;
    QStringList spread;
    for (Varied v : kAllVaried)
        if (t->varied[std::size_t(v)])
            spread << QStringLiteral("%1 %2 %").arg(
                variedName(v), QString::number(t->settings.percent[std::size_t(v)]));
    QString text = QStringLiteral(
                       "%1 boards (seed %2), each input %3 within its tolerance: %4. The shaded "
                       "bands on the graphs run from the 1st to the 99th percentile.")
                       .arg(t->settings.runs)
                       .arg(t->settings.seed)
                       .arg(t->settings.distribution == Distribution::normal
                                ? QStringLiteral("normal (sigma a third of it)")
                                : QStringLiteral("uniform"),
                            spread.join(QStringLiteral(", ")));
    if (t->yieldPercent)
        text += QStringLiteral(" Yield: %1 % meet every limit.")
                    .arg(QString::number(*t->yieldPercent, 'f', 1));
    SheetSection s{QStringLiteral("Tolerance"),
                   text,
                   {QStringLiteral("Figure"), QStringLiteral("p1"), QStringLiteral("p50"),
                    QStringLiteral("p99"), QStringLiteral("Worst corners")},
                   {},
                   {}};
    const auto corner = [t](const std::array<int, kVariedCount> &ends) {
        QStringList e;
        for (Varied v : kAllVaried)
            if (t->varied[std::size_t(v)])
                e << variedName(v) +
                         (ends[std::size_t(v)] > 0 ? QLatin1Char('+') : QLatin1Char('-'));
        return e.join(QLatin1Char(' '));
    };
    for (ToleranceFigure f : {ToleranceFigure::maxGain, ToleranceFigure::gain20k,
                              ToleranceFigure::gain384k, ToleranceFigure::zobel7k}) {
        const FigureSpread &x = t->spread[std::size_t(f)];
        const bool watts = f == ToleranceFigure::zobel7k;
        const auto text = [watts](double v) {
            return watts ? dissipationFigureText(v) : figureText(v);
        };
        s.rows << QStringList{toleranceFigureKey(f), text(x.p1), text(x.p50), text(x.p99),
                              QStringLiteral("%1 (%2) to %3 (%4)")
                                  .arg(text(x.cornerMin), corner(x.cornerMinEnds),
                                       text(x.cornerMax), corner(x.cornerMaxEnds))};
    }
    return s;
}

const QList<SheetSectionMaker> &sheetSectionMakers()
{
    static const QList<SheetSectionMaker> makers = {
        designSection, graphsSection, figuresSection,  powerSection,    carrierSection,
        partsSection,  boardSection,  measuredSection, toleranceSection};
    return makers;
}

QList<SheetSection> sheetSections(const SheetData &d)
{
    QList<SheetSection> sections;
    for (const SheetSectionMaker &make : sheetSectionMakers())
        if (std::optional<SheetSection> s = make(d))
            sections << *s;
    sections << SheetSection{{}, sheetDateLine(d.version, d.date), {}, {}, {}};
    return sections;
}

QString sheetDateLine(const QString &version, const QDate &date)
{
    return QStringLiteral("Written by %1 %2 on %3.")
        .arg(QLatin1String(kProgramName), version, date.toString(Qt::ISODate));
}

QString sheetHtml(const QList<SheetSection> &sections, const QMap<QString, QString> &drawingSource,
                  int drawingWidth)
{
    QString html =
        QStringLiteral(
            "<html><head><meta charset=\"utf-8\"><title>%1 design sheet</title></head><body>"
            "<h1>%1 design sheet</h1>")
            .arg(QLatin1String(kProgramName));
    for (const SheetSection &s : sections) {
        if (!s.title.isEmpty())
            html += QStringLiteral("<h2>%1</h2>").arg(escaped(s.title));
        if (!s.text.isEmpty())
            html += QStringLiteral("<p>%1</p>").arg(escaped(s.text));
        if (!s.rows.isEmpty()) {
            html += QStringLiteral("<table border=\"1\" cellspacing=\"0\" cellpadding=\"3\">");
            if (!s.headings.isEmpty()) {
                html += QStringLiteral("<tr>");
                for (const QString &h : s.headings)
                    html += QStringLiteral("<th>%1</th>").arg(escaped(h));
                html += QStringLiteral("</tr>");
            }
            for (const QStringList &row : s.rows) {
                html += QStringLiteral("<tr>");
                for (const QString &cell : row)
                    html += QStringLiteral("<td>%1</td>").arg(escaped(cell));
                html += QStringLiteral("</tr>");
            }
            html += QStringLiteral("</table>");
        }
        for (const QString &drawing : s.drawings)
            if (drawingSource.contains(drawing))
                html += QStringLiteral("<p><img src=\"%1\" width=\"%2\" alt=\"%3\"></p>")
                            .arg(drawingSource.value(drawing))
                            .arg(drawingWidth)
                            .arg(escaped(drawing));
    }
    return html + QStringLiteral("</body></html>");
}

std::optional<bool> sheetIsPdf(const QString &path)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == QLatin1String("pdf"))
        return true;
    if (suffix == QLatin1String("html") || suffix == QLatin1String("htm"))
        return false;
    return std::nullopt;
}
