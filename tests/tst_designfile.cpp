// Design files: saving and opening give back the same bytes, the values read are the ones each
// text stands for (written out here), every refusal is one sentence naming the field, and a
// missing field takes its start-up value and is listed.
#include "core/carrier/carrierinputs.h"
#include "core/files/designfile.h"
#include "core/network/valuelists.h"
#include "testhelpers.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>

#include <tuple>

namespace {

// A design as a file holds it: every field's text.
using Texts = QMap<QString, QString>;

// A design's texts from "field=text|field=text...".
Texts textsOf(const QString &fields)
{
    Texts t;
    for (const QString &f : fields.split('|')) t[f.section('=', 0, 0)] = f.section('=', 1);
    return t;
}

// The start-up design, and one in which every field differs from it.
const Texts kStartup = textsOf(
    "filter_l_par=22|filter_c_par=1.0|zobel_c_par=.1|zobel_r_par=6|zobel_c_ser=.1|"
    "speaker_r_mode=8|Speaker_L=.67|topology=half|load_power=50|supply=|fsw=|"
    "audio-frequency=1000|zobel-rating=|inductor-rating=|capacitor-rating=|"
    "modulation=bd|load_file=");
const Texts kEvery = textsOf(
    "filter_l_par=27|filter_c_par=.68|zobel_c_par=.27|zobel_r_par=12|zobel_c_ser=.56|"
    "speaker_r_mode=6|Speaker_L=2.5|topology=full|load_power=120|supply=48|fsw=400|"
    "audio-frequency=20000|zobel-rating=5|inductor-rating=12.5|capacitor-rating=2|"
    "modulation=ad|load_file=/srv/speakers/woofer 8\u03a9.zma");

Texts with(Texts t, const Texts &changes)
{
    for (auto it = changes.begin(); it != changes.end(); ++it) t[it.key()] = it.value();
    return t;
}

// The design as the window makes it from those texts, each taken by its own rule.
DesignInputs build(const Texts &t)
{
    DesignInputs d = DesignInputs::startup();
    bool ok = true;
    for (const ListSelector s : kAllListSelectors)
        ok = ok && acceptSelection(d.record, s, t.value(selectorName(s)));
    const Entry l = checkEntry(kSpeakerLRule, t.value("Speaker_L"));
    const Entry p = checkEntry(kLoadPowerRule, t.value("load_power"));
    ok = ok && l.verdict == Entry::Accepted && p.verdict == Entry::Accepted;
    d.record.actual_l_net = l.value;
    d.record.speaker_l_valtxt = t.value("Speaker_L");
    d.loadPower = p.value;
    d.loadPowerText = t.value("load_power");
    d.record.full_bridge_select = t.value("topology") == "full" ? kFlagTrue : kFlagFalse;
    for (const CarrierField f :
         {CarrierField::switching, CarrierField::supply, CarrierField::audio,
          CarrierField::zobelRating, CarrierField::inductorRating, CarrierField::capacitorRating}) {
        const Entry::Verdict v =
            acceptCarrierText(d.record.carrier, f, t.value(carrierFieldName(f)));
        ok = ok && (v == Entry::Accepted || v == Entry::Unset);
    }
    ok = ok && modulationNamed(t.value("modulation"));
    d.record.carrier.modulation = modulationNamed(t.value("modulation")).value_or(Modulation::bd);
    d.loadFile = t.value("load_file");
    if (!ok)
        qFatal("the test's design is refused by its own rules");
    return d;
}

// Every text and value of a design, for comparisons that show what differs.
QStringList describe(const DesignInputs &d)
{
    const DesignRecord &r = d.record;
    const CarrierInputs &c = r.carrier;
    const auto n = [](double v) { return QString::number(v, 'g', 17); };
    return {"filter L " + r.jfilter_l + " = " + n(r.filter_l_par_modeval) + " H",
            "filter C " + r.jfilter_c + " = " + n(r.filter_c_par_modeval) + " uF",
            "Zobel C par " + r.jzobel_c2 + " = " + n(r.zobel_c_parval) + " F",
            "Zobel R " + r.jzobel_r2 + " = " + n(r.zobel_r_parval) + " ohm",
            "Zobel C ser " + r.jzobel_c3 + " = " + n(r.zobel_c_serval) + " F",
            "speaker R " + r.jspeaker_r + " = " + QString::number(r.speaker_r_modeval) + " ohm",
            "speaker L " + r.speaker_l_valtxt + " = " + n(r.actual_l_net) + " mH",
            "full bridge " + QString::number(r.full_bridge_select),
            "load power " + d.loadPowerText + " = " + n(d.loadPower) + " W",
            "supply " + c.supplyText + " = " + n(c.supplyV) + " V",
            "switching " + c.switchingText + " = " + n(c.switchingHz) + " Hz",
            "audio " + c.audioText + " = " + n(c.audioHz) + " Hz",
            "Zobel rating " + c.zobelRatingText + " = " + n(c.zobelRatingW) + " W",
            "inductor rating " + c.inductorRatingText + " = " + n(c.inductorRatingA) + " A",
            "capacitor rating " + c.capacitorRatingText + " = " + n(c.capacitorRatingA) + " A",
            "modulation " + modulationName(c.modulation),
            "load file " + d.loadFile};
}

QJsonObject object(const Texts &t)
{
    QJsonObject o;
    for (auto it = t.begin(); it != t.end(); ++it) o[it.key()] = it.value();
    return o;
}

// A file with kEvery as its design and kStartup as its reference, with fields set to other
// values and fields removed ("reference.supply" for the reference's).
QByteArray file(const QJsonObject &changes = {}, const QJsonObject &referenceChanges = {},
                const QStringList &removed = {})
{
    QJsonObject o = object(kEvery), ref = object(kStartup);
    o["format"] = "quorvel-design";
    o["version"] = 1;
    for (auto it = referenceChanges.begin(); it != referenceChanges.end(); ++it)
        ref[it.key()] = it.value();
    for (const QString &key : removed)
        if (key.startsWith("reference."))
            ref.remove(key.mid(10));
    o["reference"] = ref;
    for (auto it = changes.begin(); it != changes.end(); ++it) o[it.key()] = it.value();
    for (const QString &key : removed) o.remove(key);
    return QJsonDocument(o).toJson();
}

// bytes with the first `from` replaced.
QByteArray replacedFirst(QByteArray bytes, const QByteArray &from, const QByteArray &to)
{
    const qsizetype at = bytes.indexOf(from);
    return at < 0 ? bytes : bytes.replace(at, from.size(), to);
}

QJsonObject set(const QString &key, const QJsonValue &value)
{
    return QJsonObject{{key, value}};
}

// The sentence a refused file gives, or "accepted".
QString verdict(const DesignFileRead &read)
{
    return std::holds_alternative<QString>(read) ? std::get<QString>(read)
                                                 : QStringLiteral("accepted");
}

}  // namespace

class TestDesignFile : public QObject
{
    Q_OBJECT

private slots:
    // The start-up design's file, byte for byte: indented, keys sorted, the version a number.
    void startupFile()
    {
        QMap<QString, QString> json{{"format", "\"quorvel-design\""}, {"version", "1"}};
        for (auto it = kStartup.begin(); it != kStartup.end(); ++it)
            json[it.key()] = '"' + it.value() + '"';
        QStringList lines;
        for (auto it = json.begin(); it != json.end(); ++it)
            lines << "    \"" + it.key() + "\": " + it.value();
        QCOMPARE(QString(designFileBytes(DesignInputs::startup())),
                 "{\n" + lines.join(",\n") + "\n}\n");
        QCOMPARE(designFieldNames(), QStringList(kStartup.keys()));
    }

    // What each text of a design stands for, in the units the record keeps.
    void values()
    {
        const DesignFileRead read = readDesignFile(file());
        QCOMPARE(verdict(read), QStringLiteral("accepted"));
        const DesignFile &f = std::get<DesignFile>(read);
        const DesignRecord &r = f.design.record;
        const CarrierInputs &c = r.carrier;
        QCOMPARE((QList<double>{r.filter_l_par_modeval, r.filter_c_par_modeval, r.zobel_c_parval,
                                r.zobel_r_parval, r.zobel_c_serval, double(r.speaker_r_modeval),
                                r.actual_l_net}),
                 (QList<double>{27e-6, 0.68, 0.27e-6, 12, 0.56e-6, 6, 2.5}));
        QCOMPARE((QList<double>{f.design.loadPower, c.supplyV, c.switchingHz, c.audioHz,
                                c.zobelRatingW, c.inductorRatingA, c.capacitorRatingA}),
                 (QList<double>{120, 48, 400e3, 20000, 5, 12.5, 2}));
        QVERIFY(r.fullBridge() && c.modulation == Modulation::ad);
        QCOMPARE(f.design.loadFile, QString("/srv/speakers/woofer 8\u03a9.zma"));
        QVERIFY(f.reference);
        QCOMPARE(describe(*f.reference), describe(DesignInputs::startup()));
        QCOMPARE(f.missing, QStringList());
    }

    void roundTrip_data()
    {
        QTest::addColumn<Texts>("design");
        QTest::addColumn<bool>("hasReference");
        QTest::addColumn<Texts>("reference");
        const Texts carrierOff =
            with(kEvery, textsOf("supply=|fsw=|zobel-rating=|inductor-rating=|capacitor-rating=|"
                                 "audio-frequency=100000|topology=half|load_file="));
        const Texts halfBd =
            with(kEvery, textsOf("topology=half|modulation=bd|filter_l_par=3|zobel_c_par=0"));
        QTest::newRow("start-up design") << kStartup << false << Texts();
        QTest::newRow("every field differs, full bridge, AD, load file, start-up reference")
            << kEvery << true << kStartup;
        QTest::newRow("half bridge, carrier not given, no reference, no load file")
            << carrierOff << false << Texts();
        QTest::newRow("largest and smallest typed values")
            << with(kStartup,
                    textsOf("Speaker_L=999.|load_power=0|supply=1|fsw=50|audio-frequency=1|"
                            "zobel-rating=10000|inductor-rating=0|capacitor-rating=.001"))
            << true << with(kStartup, textsOf("Speaker_L=0|load_power=999"));
        QTest::newRow("load file with quotes, backslash, tab and non-ASCII")
            << with(
                   kStartup,
                   textsOf("load_file=C:\\mesures\\\"haut-parleur\"\t\u00e9t\u00e9 \U0001F50A.zma"))
            << true << with(kStartup, textsOf("load_file=relative/w.frd"));
    }

    // Saving, opening and saving again gives the same bytes, and opening gives the same designs.
    void roundTrip()
    {
        QFETCH(Texts, design);
        QFETCH(bool, hasReference);
        QFETCH(Texts, reference);
        const DesignInputs d = build(design);
        const std::optional<DesignInputs> ref =
            hasReference ? std::optional(build(reference)) : std::nullopt;
        const QByteArray bytes = designFileBytes(d, ref ? &*ref : nullptr);
        // The file holds the texts themselves.
        const QJsonObject o = QJsonDocument::fromJson(bytes).object();
        for (auto it = design.begin(); it != design.end(); ++it)
            QCOMPARE(o.value(it.key()).toString(), it.value());
        QCOMPARE(o.contains("reference"), hasReference);

        QTemporaryDir dir;
        const QString path = dir.filePath("design.quorvel");
        QCOMPARE(writeDesignFile(path, d, ref ? &*ref : nullptr).has_value(), false);
        const DesignFileRead read = readDesignFilePath(path);
        QCOMPARE(verdict(read), QStringLiteral("accepted"));
        const DesignFile &f = std::get<DesignFile>(read);
        QCOMPARE(describe(f.design), describe(d));
        QCOMPARE(f.reference.has_value(), hasReference);
        if (ref)
            QCOMPARE(describe(*f.reference), describe(*ref));
        QCOMPARE(f.missing, QStringList());
        QCOMPARE(designFileBytes(f.design, f.reference ? &*f.reference : nullptr), bytes);
    }

    void pendingText_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<double>("value");  // the value the record keeps under the lone "."
        QTest::addColumn<QString>("written");
        QTest::newRow("Speaker_L, .67 kept") << "Speaker_L" << 0.67 << ".67";
        QTest::newRow("load power, .05 kept") << "load_power" << 0.05 << ".05";
    }

    // A lone "." the record keeps while the user types is written as the value it keeps, so the
    // file opens; from there saving again gives the same bytes.
    void pendingText()
    {
        QFETCH(QString, field);
        QFETCH(double, value);
        QFETCH(QString, written);
        DesignInputs d = build(kEvery);
        if (field == "Speaker_L")
            std::tie(d.record.speaker_l_valtxt, d.record.actual_l_net) =
                std::pair(QString("."), value);
        else
            std::tie(d.loadPowerText, d.loadPower) = std::pair(QString("."), value);
        const QByteArray bytes = designFileBytes(d);
        QCOMPARE(QJsonDocument::fromJson(bytes).object().value(field).toString(), written);
        const DesignFileRead read = readDesignFile(bytes);
        QCOMPARE(verdict(read), QStringLiteral("accepted"));
        const DesignInputs &got = std::get<DesignFile>(read).design;
        QCOMPARE(field == "Speaker_L" ? got.record.actual_l_net : got.loadPower, value);
        QCOMPARE(designFileBytes(got), bytes);
    }

    void refusals_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("sentence");
        // A text its rule refuses, in the design (or, for "reference.x", in the reference).
        // shown: the text as the sentence quotes it, when not as it is.
        const auto refused = [](const char *row, QString field, const QString &text,
                                const QString &which, QString shown = {}) {
            const QJsonObject change = set(field.section('.', -1), text);
            QTest::newRow(row) << (field.contains('.') ? file({}, change) : file(change))
                               << QStringLiteral("The field \"%1\" holds \"%2\", which is %3")
                                      .arg(field, shown.isNull() ? text : shown, which);
        };
        const QString item = "not one of its items: ";
        const QString rule = "not a plain decimal number from %1 to %2 of at most %3 characters";
        refused("filter L not an item", "filter_l_par", "23",
                item + "3, 5, 6, 8, 10, 12, 15, 18, 20, 22, 27, 36, 44, 50, 68, 82, 100.");
        refused("filter C 1 for 1.0", "filter_c_par", "1",
                item +
                    "2.0, 1.8, 1.6, 1.5, 1.3, 1.2, 1.1, 1.0, .82, .68, .56, .47, .33, .22, "
                    ".18, .15, .1.");
        refused("Zobel C across 0.1 for .1", "zobel_c_par", "0.1",
                item +
                    "0, .047, .082, .1, .12, .15, .18, .22, .27, .33, .42, .47, .56, .68, "
                    ".82, 1.0.");
        refused("reference: Zobel R 7", "reference.zobel_r_par", "7",
                item + "1, 3, 5, 6, 8, 10, 12, 15, 18, 20, 22, 27, 33, 47, 56, 68, 82, 100.");
        refused("speaker R 16", "speaker_r_mode", "16", item + "8, 6, 4, 2.");
        refused("Speaker_L lone point", "Speaker_L", ".", rule.arg(0).arg(999).arg(4) + ".");
        refused("Speaker_L with unseen characters", "Speaker_L", "\x1f\u2029\x7f",
                rule.arg(0).arg(999).arg(4) + ".", "\\u001f\\u2029\\u007f");
        refused("load power, 500,000 characters", "load_power", QString(500000, 'x'),
                rule.arg(0).arg(999).arg(3) + ".", QString(40, 'x') + "...");
        refused("topology Full", "topology", "Full", "neither \"half\" nor \"full\".");
        refused("supply 200 V", "supply", "200", rule.arg(1).arg(150).arg(6) + ", or nothing.");
        refused("switching 49 kHz", "fsw", "49", rule.arg(50).arg(3000).arg(6) + ", or nothing.");
        refused("audio frequency emptied", "audio-frequency", "",
                rule.arg(1).arg(100000).arg(7) + ".");
        refused("inductor rating 10001 A", "inductor-rating", "10001",
                rule.arg(0).arg(10000).arg(7) + ", or nothing.");
        refused("modulation AD", "modulation", "AD", "neither \"ad\" nor \"bd\".");
        QTest::newRow("audio at the switching frequency")
            << file(QJsonObject{{"fsw", "50"}, {"audio-frequency", "50000"}})
            << "The field \"audio-frequency\" holds \"50000\", which is not below the switching "
               "frequency, 50 kHz.";
        // Values that are not texts.
        QTest::newRow("supply a number")
            << file(set("supply", 48)) << "The field \"supply\" holds the number 48, not a text.";
        QTest::newRow("topology true")
            << file(set("topology", true)) << "The field \"topology\" holds true, not a text.";
        QTest::newRow("load file null") << file(set("load_file", QJsonValue::Null))
                                        << "The field \"load_file\" holds null, not a text.";
        QTest::newRow("filter L a list") << file(set("filter_l_par", QJsonArray{"22"}))
                                         << "The field \"filter_l_par\" holds a list, not a text.";
        QTest::newRow("modulation an object")
            << file(set("modulation", QJsonObject{}))
            << "The field \"modulation\" holds an object, not a text.";
        QTest::newRow("reference a text")
            << file(set("reference", "none"))
            << "The field \"reference\" holds \"none\", not an object.";
        // Fields no design file has.
        QTest::newRow("field in the wrong case")
            << file(set("speaker_l", ".67")) << "The file holds an unknown field, \"speaker_l\".";
        QTest::newRow("reference: format")
            << file({}, set("format", "quorvel-design"))
            << "The file holds an unknown field, \"reference.format\".";
        // Keys twice, which QJsonDocument would take silently.
        const QByteArray good = file();
        QTest::newRow("a field twice, once escaped")
            << replacedFirst(good, "{\n", "{\"\\u0073upply\": \"48\",\n")
            << "The field \"supply\" appears twice.";
        QTest::newRow("reference: a field twice")
            << replacedFirst(good, "\"reference\": {", "\"reference\": {\"fsw\": \"\",")
            << "The field \"reference.fsw\" appears twice.";
        QTest::newRow("a key twice deeper down")
            << replacedFirst(good, "{\n", "{\"x\": [{\"a\": 1, \"a\": 1}],\n")
            << "The field \"x.a\" appears twice.";
        // Versions and formats.
        QTest::newRow("version 2") << file(set("version", 2))
                                   << "The file is of version 2 of the design format, newer than "
                                      "the version 1 this program reads.";
        QTest::newRow("version 1.5") << file(set("version", 1.5))
                                     << "The field \"version\" holds the number 1.5, which is not "
                                        "a whole number of at least 1.";
        QTest::newRow("version 0") << file(set("version", 0))
                                   << "The field \"version\" holds the number 0, which is not a "
                                      "whole number of at least 1.";
        QTest::newRow("no version")
            << file({}, {}, {"version"}) << "The file has no \"version\" field.";
        QTest::newRow("no format") << file({}, {}, {"format"})
                                   << "The file is not a design file: it has no \"format\" field.";
        QTest::newRow("another format") << file(set("format", "quorvel-project"))
                                        << "The file is not a design file: its \"format\" holds "
                                           "\"quorvel-project\", not \"quorvel-design\".";
        // Not a design file at all.
        QTest::newRow("0 bytes") << QByteArray() << "The file is empty, not a design file.";
        QTest::newRow("cut short")
            << good.left(100) << "The file is not JSON: unterminated string near byte 100.";
        QTest::newRow("a list")
            << QByteArray("[{\"format\": \"quorvel-design\"}]")
            << "The file is not a design file: it holds a JSON list, not an object.";
        QTest::newRow("something after the object")
            << good + "{}"
            << QStringLiteral(
                   "The file is not JSON: garbage at the end of the document near byte %1.")
                   .arg(good.size());
        QTest::newRow("invalid UTF-8, overlong /")
            << QByteArray("{\"load_file\": \"\xc0\xaf\"}")
            << "The file is not UTF-8 text: byte 16 (0xc0) does not belong there.";
        QTest::newRow("invalid UTF-8, cut at the end")
            << QByteArray("{}\xe2\x82")
            << "The file is not UTF-8 text: byte 3 (0xe2) does not belong there.";
        const QString tooDeep =
            "The file nests more than 8 levels deep; a design file nests 2, the design and its "
            "reference.";
        // The file's object is the first level.
        const QByteArray noLoadFile = file({}, {}, {"load_file"});
        QTest::newRow("9 levels") << replacedFirst(noLoadFile, "{\n",
                                                   "{\"load_file\": [[[[[[[[]]]]]]]],\n")
                                  << tooDeep;
        QTest::newRow("8 levels, a list for a text")
            << replacedFirst(noLoadFile, "{\n", "{\"load_file\": [[[[[[[]]]]]]],\n")
            << "The field \"load_file\" holds a list, not a text.";
        QTest::newRow("100,000 levels, not closed") << QByteArray(100000, '[') << tooDeep;
        QTest::newRow("one byte over 1 MB")
            << good + QByteArray(kMaxDesignFileBytes + 1 - good.size(), ' ')
            << "The file is larger than the 1 MB a design file may have.";
    }

    void refusals()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, sentence);
        QCOMPARE(verdict(readDesignFile(bytes)), sentence);
    }

    void accepts_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        const QByteArray good = file();
        QTest::newRow("exactly 1 MB, blanks after")
            << good + QByteArray(kMaxDesignFileBytes - good.size(), ' ');
        QTest::newRow("byte order mark") << "\xef\xbb\xbf" + good;
        QTest::newRow("version 1.0")
            << QByteArray(good).replace("\"version\": 1", "\"version\": 1.0");
        QByteArray speakerLLast = QByteArray(good).replace("    \"Speaker_L\": \"2.5\",\n", "");
        speakerLLast.chop(2);  // "}\n"
        QTest::newRow("Speaker_L last") << speakerLLast + ", \"Speaker_L\": \"2.5\"}";
        QTest::newRow("texts with escapes")
            << QByteArray(good).replace("\"27\"", "\"\\u0032\\u0037\"");
    }

    // Files laid out differently from the writer's, each the same design.
    void accepts()
    {
        QFETCH(QByteArray, bytes);
        QVERIFY(bytes != file());
        const DesignFileRead read = readDesignFile(bytes);
        QCOMPARE(verdict(read), QStringLiteral("accepted"));
        QCOMPARE(describe(std::get<DesignFile>(read).design), describe(build(kEvery)));
        QCOMPARE(designFileBytes(std::get<DesignFile>(read).design,
                                 &*std::get<DesignFile>(read).reference),
                 file());
    }

    void missing_data()
    {
        QTest::addColumn<QStringList>(
            "fields");  // removed, in the file's order; "reference." for the reference's
        QStringList all = kStartup.keys();
        for (const QString &name : kStartup.keys()) {
            QTest::newRow(qPrintable(name)) << QStringList{name};
            all << "reference." + name;
        }
        QTest::newRow("reference.supply") << QStringList{"reference.supply"};
        QTest::newRow("reference.Speaker_L") << QStringList{"reference.Speaker_L"};
        QTest::newRow("all but format and version") << all;
    }

    // Fields left out take their start-up values and are listed; the rest are read as they are.
    void missing()
    {
        QFETCH(QStringList, fields);
        const Texts reference = with(kEvery, textsOf("topology=half"));
        Texts design = kEvery, expectedReference = reference;
        for (const QString &field : fields)
            (field.startsWith("reference.") ? expectedReference : design)[field.section('.', -1)] =
                kStartup.value(field.section('.', -1));
        const DesignFileRead read = readDesignFile(file({}, object(reference), fields));
        QCOMPARE(verdict(read), QStringLiteral("accepted"));
        const DesignFile &f = std::get<DesignFile>(read);
        QCOMPARE(f.missing, fields);
        QCOMPARE(describe(f.design), describe(build(design)));
        QCOMPARE(describe(*f.reference), describe(build(expectedReference)));
    }

    void files_data()
    {
        QTest::addColumn<QString>("name");      // within a temporary folder
        QTest::addColumn<QString>("sentence");  // %1: the full path
        QTest::newRow("missing") << "none.quorvel"
                                 << "\"%1\" does not exist.";
        QTest::newRow("folder") << "folder.quorvel"
                                << "\"%1\" is a folder, not a file.";
        QTest::newRow("unreadable") << "locked.quorvel"
                                    << "\"%1\" cannot be read: Permission denied.";
        QTest::newRow("over 1 MB") << "huge.quorvel"
                                   << "The file is larger than the 1 MB a design file may have.";
        QTest::newRow("exactly 1 MB") << "full.quorvel"
                                      << "accepted";
        QTest::newRow("refused content")
            << "other.quorvel"
            << "The file is not a design file: it has no \"format\" field.";
    }

    void files()
    {
        QFETCH(QString, name);
        QFETCH(QString, sentence);
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkdir("folder.quorvel"));
        for (const char *written : {"locked.quorvel", "huge.quorvel"})
            QVERIFY(!writeDesignFile(dir.filePath(written), build(kEvery)));
        QVERIFY(!writeFileAtomically(dir.filePath("other.quorvel"), "{}"));
        QVERIFY(
            !writeFileAtomically(dir.filePath("full.quorvel"),
                                 file() + QByteArray(kMaxDesignFileBytes - file().size(), ' ')));
        QVERIFY(QFile::resize(dir.filePath("huge.quorvel"), kMaxDesignFileBytes + 1));  // sparse
        QVERIFY(QFile::setPermissions(dir.filePath("locked.quorvel"), QFileDevice::Permissions()));
        if (name == "locked.quorvel" && QFile(dir.filePath(name)).open(QIODevice::ReadOnly))
            QSKIP("this user reads files whatever their permissions");
        const QString path = dir.filePath(name);
        QCOMPARE(verdict(readDesignFilePath(path)),
                 sentence.contains("%1") ? sentence.arg(QDir::toNativeSeparators(path)) : sentence);
    }

    // Texts beyond ASCII: every length of UTF-8 read as such and written back as the file had
    // them; control characters below 0x20 escaped, as JSON needs.
    void texts_data()
    {
        QTest::addColumn<QByteArray>("held");     // the load file's text in the file
        QTest::addColumn<QString>("text");        // as read
        QTest::addColumn<QByteArray>("written");  // as the writer puts it
        QTest::newRow("two bytes, é")
            << QByteArray("\xc3\xa9") << QString(QChar(0xe9)) << QByteArray("\xc3\xa9");
        QTest::newRow("four bytes, the highest")
            << QByteArray("\xf4\x8f\xbf\xbf") << QString::fromUcs4(U"\U0010FFFF")
            << QByteArray("\xf4\x8f\xbf\xbf");
        QTest::newRow("control characters")
            << QByteArray("\\u001f\\u007f") << QString(QChar(0x1f)) + QChar(0x7f)
            << QByteArray("\\u001f\x7f");
    }
    void texts()
    {
        QFETCH(QByteArray, held);
        QFETCH(QString, text);
        QFETCH(QByteArray, written);
        const QByteArray path = QJsonDocument(QJsonObject{{"p", kEvery["load_file"]}})
                                    .toJson(QJsonDocument::Compact)
                                    .mid(5)
                                    .chopped(1);  // as the file has it
        const DesignFileRead read = readDesignFile(replacedFirst(file(), path, '"' + held + '"'));
        QCOMPARE(verdict(read), QStringLiteral("accepted"));
        const DesignFile &f = std::get<DesignFile>(read);
        QCOMPARE(f.design.loadFile, text);
        QVERIFY2(
            designFileBytes(f.design, &*f.reference).contains("\"load_file\": \"" + written + "\""),
            designFileBytes(f.design, &*f.reference).constData());
    }

    // Writing into a folder that does not exist fails, and says so.
    void writeFails()
    {
        QTemporaryDir dir;
        const std::optional<FileFailure> failed =
            writeDesignFile(dir.filePath("gone/d.quorvel"), DesignInputs::startup());
        QVERIFY(failed);
        QVERIFY2(!failed->description.isEmpty(), qPrintable(failed->description));
        QVERIFY(!QFileInfo::exists(dir.filePath("gone")));
    }

    void loadFile_data()
    {
        QTest::addColumn<QString>("designPath");
        QTest::addColumn<QString>("loadFile");
        QTest::addColumn<QString>("opened");
        QTest::newRow("beside the design") << "/home/ann/d.quorvel"
                                           << "w.zma"
                                           << "/home/ann/w.zma";
        QTest::newRow("a folder up") << "/home/ann/designs/d.quorvel"
                                     << "../speakers/w.zma"
                                     << "/home/ann/speakers/w.zma";
        QTest::newRow("absolute") << "/home/ann/d.quorvel"
                                  << "/srv/w.zma"
                                  << "/srv/w.zma";
        QTest::newRow("both relative") << "designs/d.quorvel"
                                       << "w.zma"
                                       << "designs/w.zma";
    }

    // A load file's path is taken from the design file's folder.
    void loadFile()
    {
        QFETCH(QString, designPath);
        QFETCH(QString, loadFile);
        QFETCH(QString, opened);
        DesignInputs d = DesignInputs::startup();
        d.loadFile = loadFile;
        QCOMPARE(loadFileOf(designPath, d), opened);
    }

    void seedCorpus_data() { addSeedCorpusRows(QStringLiteral(QUORVEL_FUZZ_CORPUS)); }

    // The fuzz target's seeds are what their names say.
    void seedCorpus()
    {
        QFETCH(QString, path);
        const QString got = verdict(readDesignFilePath(path));
        QVERIFY2((got == "accepted") != QFileInfo(path).fileName().startsWith("refuse-"),
                 qPrintable(got));
    }
};

QTEST_MAIN(TestDesignFile)
#include "tst_designfile.moc"
