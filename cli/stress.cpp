// `quorvel stress`: the switching carrier's figures for a design, as the carrier window's table or
// as one JSON object; and the carrier options every command reads into the design.
#include "cli/invocation.h"

#include "core/carrier/carrierinputs.h"
#include "core/carrier/carriertable.h"
#include "core/carrier/operatingpoint.h"
#include "core/measured/measuredcurves.h"
#include "core/network/analysis.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

// What each carrier option is, for --help.
const char *whatIs(CarrierField f)
{
    switch (f) {
        case CarrierField::supply:
            return "Supply voltage of stress, each leg switching from 0 to it, V";
        case CarrierField::switching: return "Switching frequency of stress, kHz";
        case CarrierField::audio:
            return "Audio frequency of stress's figures at the load power, Hz";
        case CarrierField::zobelRating: return "Zobel resistor's power rating for stress, W";
        case CarrierField::inductorRating: return "Inductor's saturation current for stress, A";
        case CarrierField::capacitorRating:
            return "Filter capacitor's ripple-current rating for stress, A rms";
    }
    return "";
}

// The rule of a carrier option in words: on the command line an option given takes a value.
QString accepted(CarrierField f)
{
    EntryRule rule = carrierRule(f);
    rule.emptyIsUnset = false;
    return describeRule(rule);
}

const QString kFormatOption = QStringLiteral("format");
const QString kModulationOption = QStringLiteral("modulation");

}  // namespace

void addCarrierOptions(QCommandLineParser &parser)
{
    for (CarrierField f : kAllCarrierFields) {
        const QString fallback = CarrierInputs{}.*carrierText(f);
        parser.addOption(
            {carrierFieldName(f),
             QStringLiteral("%1: %2.%3")
                 .arg(
                     QLatin1String(whatIs(f)), accepted(f),
                     fallback.isEmpty()
                         ? QString()
                         : QStringLiteral(" Default: the --design file's, else %1.").arg(fallback)),
             QStringLiteral("value")});
    }
    parser.addOption(
        {kModulationOption,
         QStringLiteral("Full bridge's modulation for stress and explore: ad (legs in anti-phase) "
                        "or bd (a reference of each leg's own); the half bridge's one "
                        "two-level leg ignores it. Default: the --design file's, else bd."),
         QStringLiteral("name")});
    parser.addOption(
        {kFormatOption,
         QStringLiteral(
             "Output of stress: table (the carrier window's table as text) or json (one object: "
             "settings {supply_V, fsw_Hz, modulation, audio_frequency_Hz, load_power_W, "
             "full_bridge, speaker, ratings}; idle {zobel_resistor_W, inductor_ripple_App, "
             "inductor_ripple_rms_A, inductor_peak_A, filter_cap_rms_A, speaker_carrier_Vrms, "
             "speaker_carrier_W, output_common_mode_Vrms, over_rating, and with the inductor's "
             "saturation curve inductor_L_at_peak_H and inductor_L_ratio_at_peak}; at the load "
             "power zobel_resistor_carrier_W, zobel_resistor_audio_7k_W, "
             "zobel_resistor_at_power_W, inductor_ripple_App, inductor_ripple_rms_A, "
             "inductor_rms_A, inductor_peak_A, filter_cap_rms_A, speaker_carrier_Vrms, "
             "speaker_carrier_W, output_common_mode_Vrms, modulation_index, over_rating, and with "
             "the inductor's saturation curve the same two; supply_needed_V. Each per-leg figure "
             "is the larger leg's; at-power figures are null and supply_needed_V the supply it "
             "would take when the supply cannot deliver the load power, else "
             "null). Default table. For tolerance: json (the default) or csv."),
         QStringLiteral("name"), QStringLiteral("table")});
}

std::optional<Refusal> readCarrierOptions(const QCommandLineParser &parser, DesignRecord &design)
{
    for (CarrierField f : kAllCarrierFields) {
        const QString name = carrierFieldName(f);
        if (!parser.isSet(name))
            continue;
        const QString text = parser.value(name);
        const bool inRange = checkEntry(carrierRule(f), text).verdict == Entry::Accepted;
        if (acceptCarrierText(design.carrier, f, text) == Entry::Accepted)
            continue;
        // In range but refused: the audio frequency must stay below the switching frequency.
        const CarrierInputs &c = design.carrier;
        QString also;
        if (inRange && f == CarrierField::audio)
            also = QStringLiteral(", below the switching frequency (%1 Hz)").arg(c.switchingHz);
        else if (inRange && f == CarrierField::switching)
            also = QStringLiteral(", above the audio frequency (%1 Hz)").arg(c.audioHz);
        return notAccepted(name, text, accepted(f) + also);
    }
    // Only a modulation given takes over the design's (a --design file's, else bd).
    if (!parser.isSet(kModulationOption))
        return std::nullopt;
    const QString modulation = parser.value(kModulationOption);
    const std::optional<Modulation> m = modulationNamed(modulation);
    if (!m)
        return notAccepted(kModulationOption, modulation, QStringLiteral("ad, bd"));
    design.carrier.modulation = *m;
    return std::nullopt;
}

namespace {

QJsonValue number(double v)
{
    return v;
}

QJsonValue ratingOf(double v)
{
    return v > 0 ? QJsonValue(v) : QJsonValue();
}

QJsonArray overRating(const RatingExcess &e)
{
    QJsonArray over;
    if (e.zobelResistor)
        over.append(QStringLiteral("zobel_resistor"));
    if (e.inductor)
        over.append(QStringLiteral("inductor"));
    if (e.filterCapacitor)
        over.append(QStringLiteral("filter_capacitor"));
    return over;
}

double larger(const std::array<double, 2> &v)
{
    return std::max(v[0], v[1]);
}

// The figures shared by the idle object and the at-power keys.
void putCarrier(QJsonObject &o, const CarrierFigures &f)
{
    o[QStringLiteral("inductor_ripple_App")] = larger(f.inductorRipplePkPkA);
    o[QStringLiteral("inductor_ripple_rms_A")] = larger(f.inductorRippleRmsA);
    o[QStringLiteral("speaker_carrier_Vrms")] = f.speakerVrms;
    o[QStringLiteral("speaker_carrier_W")] = f.speakerW;
    o[QStringLiteral("output_common_mode_Vrms")] = f.commonModeVrms;
}

// A saturating inductor's inductance at the peak current; nothing for an ideal one.
void putInductance(QJsonObject &o, const std::optional<InductorAtPeak> &l)
{
    if (!l)
        return;
    o[QStringLiteral("inductor_L_at_peak_H")] = l->henries;
    o[QStringLiteral("inductor_L_ratio_at_peak")] = l->ratio;
}

QString speakerText(const Invocation &in)
{
    if (in.loadFile)
        return QStringLiteral("measured, %1").arg(in.loadFile->fileName());
    return QStringLiteral("%1 ohm + %2 mH")
        .arg(in.design.jspeaker_r, QString::number(in.design.actual_l_net, 'g', 6));
}

// The filter's corner frequency and Q, unloaded and with the design's speaker model, idle and at
// the load power (none where that power is out of reach), and the filter capacitor's capacitance
// at its working voltage.
void putFilter(QJsonObject &o, const Invocation &in, const AtPowerFigures *p)
{
    const OperatingPoint op =
        operatingPoint(in.design, in.loadPower, p ? larger(p->inductorPeakA) : 0.0);
    const auto figures = [&](double Resonance::*f) {
        const auto pair = [f](const Resonance &unloaded, const Resonance &loaded) {
            const auto found = [](double v) {
                return v > 0.0 && std::isfinite(v) ? QJsonValue(v) : QJsonValue();
            };
            return QJsonObject{{QStringLiteral("unloaded"), found(unloaded.*f)},
                               {QStringLiteral("loaded"), found(loaded.*f)}};
        };
        return QJsonObject{
            {QStringLiteral("idle"), pair(op.unloadedIdle, op.loadedIdle)},
            {QStringLiteral("at_power"),
             p ? QJsonValue(pair(op.unloadedAtPower, op.loadedAtPower)) : QJsonValue()}};
    };
    o[QStringLiteral("corner_Hz")] = figures(&Resonance::cornerHz);
    o[QStringLiteral("q")] = figures(&Resonance::q);
    o[QStringLiteral("filter_cap_C_at_peak_F")] = p ? QJsonValue(op.capacitanceF) : QJsonValue();
    if (!p) {
        o[QStringLiteral("losses_W")] = QJsonValue();
        o[QStringLiteral("filter_efficiency_percent")] = QJsonValue();
        return;
    }
    const FilterLosses l = filterLosses(in.design, *p, in.loadPower);
    o[QStringLiteral("losses_W")] = QJsonObject{{QStringLiteral("filter_l"), l.inductorsW},
                                                {QStringLiteral("filter_c"), l.filterCapacitorW},
                                                {QStringLiteral("zobel_r"), l.zobelResistorsW},
                                                {QStringLiteral("total"), l.totalW}};
    o[QStringLiteral("filter_efficiency_percent")] = l.efficiencyPercent;
}

QByteArray json(const Invocation &in, const CarrierAnalysis &a, double audio7kW)
{
    const CarrierInputs &c = in.design.carrier;
    QJsonObject settings{
        {QStringLiteral("supply_V"), c.supplyV},
        {QStringLiteral("fsw_Hz"), c.switchingHz},
        {QStringLiteral("modulation"), modulationName(c.modulation)},
        {QStringLiteral("audio_frequency_Hz"), c.audioHz},
        {QStringLiteral("load_power_W"), in.loadPower},
        {QStringLiteral("full_bridge"), in.design.fullBridge()},
        {QStringLiteral("speaker"), speakerText(in)},
        {QStringLiteral("ratings"),
         QJsonObject{{QStringLiteral("zobel_resistor_W"), ratingOf(c.zobelRatingW)},
                     {QStringLiteral("inductor_saturation_A"), ratingOf(c.inductorRatingA)},
                     {QStringLiteral("filter_cap_rms_A"), ratingOf(c.capacitorRatingA)}}},
    };
    QJsonObject idle;
    putCarrier(idle, a.idle);
    idle[QStringLiteral("zobel_resistor_W")] = larger(a.idle.zobelResistorW);
    // Idle the current is its ripple alone, as high above zero as below it.
    idle[QStringLiteral("inductor_peak_A")] = 0.5 * larger(a.idle.inductorRipplePkPkA);
    idle[QStringLiteral("filter_cap_rms_A")] = a.idle.filterCapRmsA;
    idle[QStringLiteral("over_rating")] = overRating(a.idleExcess);
    putInductance(idle, a.idleInductor);

    QJsonObject o{{QStringLiteral("settings"), settings},
                  {QStringLiteral("idle"), idle},
                  {QStringLiteral("zobel_resistor_audio_7k_W"), number(audio7kW)},
                  {QStringLiteral("supply_needed_V"), QJsonValue()}};
    const auto *p = std::get_if<AtPowerFigures>(&a.atPower);
    for (const char *key :
         {"zobel_resistor_carrier_W", "zobel_resistor_at_power_W", "inductor_ripple_App",
          "inductor_ripple_rms_A", "inductor_rms_A", "inductor_peak_A", "filter_cap_rms_A",
          "speaker_carrier_Vrms", "speaker_carrier_W", "output_common_mode_Vrms",
          "modulation_index", "over_rating"})
        o[QLatin1String(key)] = QJsonValue();
    if (p) {
        putCarrier(o, p->carrier);
        o[QStringLiteral("zobel_resistor_carrier_W")] = larger(p->carrier.zobelResistorW);
        o[QStringLiteral("zobel_resistor_at_power_W")] = larger(p->zobelResistorTotalW);
        o[QStringLiteral("inductor_rms_A")] = larger(p->inductorRmsA);
        o[QStringLiteral("inductor_peak_A")] = larger(p->inductorPeakA);
        o[QStringLiteral("filter_cap_rms_A")] = p->filterCapRmsA;
        o[QStringLiteral("modulation_index")] = p->modulationIndex;
        o[QStringLiteral("over_rating")] = overRating(p->excess);
        putInductance(o, p->inductorAtPeak);
    } else if (const auto *s = std::get_if<SupplyShort>(&a.atPower)) {
        o[QStringLiteral("supply_needed_V")] = s->supplyNeededV;
    }
    putFilter(o, in, p);
    return QJsonDocument(o).toJson(QJsonDocument::Indented);
}

QByteArray table(const Invocation &in, const CarrierAnalysis &a)
{
    const CarrierInputs &c = in.design.carrier;
    const QString topology = in.design.fullBridge()
                                 ? QStringLiteral("full bridge, %1 modulation")
                                       .arg(modulationName(c.modulation).toUpper())
                                 : QStringLiteral("half bridge");
    const QString head = QStringLiteral(
                             "Switching carrier: %1, supply %2 V, switching frequency %3 kHz\n"
                             "Speaker: %4\n\n")
                             .arg(topology, c.supplyText, c.switchingText, speakerText(in));
    return head.toUtf8() + carrierTableText(carrierTable(a, c, in.loadPower));
}

}  // namespace

Outcome stressCommand(const Invocation &in)
{
    const CarrierInputs &c = in.design.carrier;
    for (CarrierField f : {CarrierField::supply, CarrierField::switching})
        if ((c.*carrierText(f)).isEmpty())
            return Refusal{QStringLiteral("--%1 is needed; accepted: %2")
                               .arg(carrierFieldName(f), accepted(f))};
    const QString format = in.parser.value(kFormatOption);
    if (format != QLatin1String("table") && format != QLatin1String("json"))
        return notAccepted(kFormatOption, format, QStringLiteral("table, json"));

    const CarrierNetwork net = carrierNetwork(in.design, in.loadFile.get());
    const CarrierAnalysis a = analyzeCarrier(net, carrierSettings(c, in.loadPower), partRatings(c));
    if (format == QLatin1String("table"))
        return table(in, a);
    // The audio alone at 7 kHz, from the dissipation sweep of the Power window.
    double audio7kW = 0.0;
    if (in.loadFile) {
        MeasuredGrid grid;
        evaluateOnGrid(*in.loadFile, grid);
        PowerCurve curve;
        sweepMeasuredDissipation(in.design, in.loadPower, grid, curve);
        audio7kW = curve.y[70];  // 70 x 100 Hz
    } else {
        DesignAnalysis d;
        analyseDesign(in.design, in.loadPower, d, AnalysisPart::Dissipation);
        audio7kW = d.dissipationFigures.at7kHz;
    }
    return json(in, a, audio7kW);
}
