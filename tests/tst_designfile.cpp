// Design files: saving and opening give back the same bytes, the values read are the ones each
// text stands for (written out here), every refusal is one sentence naming the field, and a
// missing field takes its start-up value and is listed.
#include "core/carrier/carrierinputs.h"
#include "core/files/designfile.h"
#include "core/network/valuelists.h"
#include "testhelpers.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

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

Texts with(Texts t, const QString &changes)
{
    const Texts c = textsOf(changes);
    for (auto it = c.begin(); it != c.end(); ++it) t[it.key()] = it.value();
    return t;
}

QJsonObject object(const Texts &t)
{
    QJsonObject o;
    for (auto it = t.begin(); it != t.end(); ++it) o[it.key()] = it.value();
    return o;
}

// A design file of these texts, with a reference of those when there are any.
QByteArray fileOf(const Texts &design, const Texts &reference = {})
{
    QJsonObject o = object(design);
    o["format"] = "quorvel-design";
    o["version"] = 1;
    if (!reference.isEmpty())
        o["reference"] = object(reference);
    return QJsonDocument(o).toJson();
}

// A file with kEvery as its design and kStartup as its reference, with fields set to other
// values.
QByteArray file(const QJsonObject &changes = {}, const QJsonObject &referenceChanges = {})
{
    QJsonObject o = object(kEvery), ref = object(kStartup);
    o["format"] = "quorvel-design";
    o["version"] = 1;
    for (auto it = referenceChanges.begin(); it != referenceChanges.end(); ++it)
        ref[it.key()] = it.value();
    o["reference"] = ref;
    for (auto it = changes.begin(); it != changes.end(); ++it) o[it.key()] = it.value();
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

// What opening gives, as the bytes the designs are written as.
QByteArray bytesOf(const DesignFile &f)
{
    return designFileBytes(f.design, f.reference ? &*f.reference : nullptr);
}

}  // namespace

class TestDesignFile : public QObject
{
    Q_OBJECT

private slots:
    // What each text of a design stands for, in the units the record keeps.
    void values()
    {
        const DesignFile f = std::get<DesignFile>(readDesignFile(file()));
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
        QCOMPARE(bytesOf(f), file());
    }

    // Opening and saving gives the texts themselves, in the same bytes: texts in
    // every length of UTF-8, the highest code point, characters JSON escapes.
    void roundTrip()
    {
        const Texts design =
            with(kEvery,
                 "supply=|fsw=|zobel-rating=|inductor-rating=|capacitor-rating=|topology=half|"
                 "audio-frequency=100000|Speaker_L=999.|load_power=0|modulation=bd|"
                 "load_file=C:\\m\\\"h\"\t\u00e9\u20ac\U0010FFFF\x1f\x7f.zma");
        const Texts reference =
            with(kStartup, "Speaker_L=0|load_power=999|load_file=relative/w.frd");
        const DesignFile f = std::get<DesignFile>(readDesignFile(fileOf(design, reference)));
        QCOMPARE(f.missing, QStringList());
        QCOMPARE(bytesOf(f), fileOf(design, reference));
    }

    // What opening gives: the one sentence refusing the file, or "accepted".
    void read_data()
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
        refused("reference: Zobel R 7", "reference.zobel_r_par", "7",
                "not one of its items: 1, 3, 5, 6, 8, 10, 12, 15, 18, 20, 22, 27, 33, 47, 56, 68, "
                "82, 100.");
        refused("Speaker_L with unseen characters", "Speaker_L", "\x1f \u2029\x7f",
                "not a plain decimal number from 0 to 999 of at most 4 characters.",
                "\\u001f \\u2029\\u007f");
        QTest::newRow("audio at the switching frequency")
            << file(QJsonObject{{"fsw", "50"}, {"audio-frequency", "50000"}})
            << "The field \"audio-frequency\" holds \"50000\", which is not below the switching "
               "frequency, 50 kHz.";
        // Fields no design file has.
        QTest::newRow("reference: format")
            << file({}, set("format", "quorvel-design"))
            << "The file holds an unknown field, \"reference.format\".";
        // Keys twice, which QJsonDocument would take silently.
        const QByteArray good = file();
        QTest::newRow("a field twice, once escaped")
            << replacedFirst(good, "{\n", "{\"\\u0073upply\": \"48\",\n")
            << "The field \"supply\" appears twice.";
        QTest::newRow("invalid UTF-8, a lone surrogate")
            << QByteArray("{\"load_file\": \"\xed\xa0\x80\"}")
            << "The file is not UTF-8 text: byte 16 (0xed) does not belong there.";
        QTest::newRow("valid UTF-8 to the end, after the object")
            << good + "\xc3\xa9"
            << QStringLiteral(
                   "The file is not JSON: garbage at the end of the document near byte %1.")
                   .arg(good.size());
        QTest::newRow("invalid UTF-8, cut at the end")
            << QByteArray("{}\xe2\x82")
            << "The file is not UTF-8 text: byte 3 (0xe2) does not belong there.";
        // The file's object is the first level.
        QTest::newRow("9 levels")
            << replacedFirst(good, "{\n", "{\"x\": [[[[[[[[]]]]]]]],\n")
            << "The file nests more than 8 levels deep; a design file nests 6 at most, down to the "
               "points of its reference's part curves.";
        // Laid out differently from the writer's.
        QTest::newRow("byte order mark") << "\xef\xbb\xbf" + good << "accepted";
        // Parts, which version 2 brought.
        const auto parts = [](const QJsonObject &held) {
            return QJsonObject{{"version", 2}, {"parts", held}};
        };
        const QJsonObject l27{{"filter_l", QJsonObject{{"value", "27"}}}};
        QTest::newRow("parts in version 1")
            << file(set("parts", l27)) << "The file holds an unknown field, \"parts\".";
        QTest::newRow("a slot of none") << file(parts({{"speaker_r", QJsonObject{{"value", "6"}}}}))
                                        << "The file holds an unknown field, \"parts.speaker_r\".";
        QTest::newRow("reference part's rating below 0")
            << file({{"version", 2}},
                    set("parts",
                        QJsonObject{{"zobel_r", QJsonObject{{"value", "6"}, {"rated_W", -1}}}}))
            << "The 6 ohm resistor in \"reference.parts.zobel_r\" has a power rating of -1 W, "
               "not above 0.";
        QTest::newRow("part's value not its selector's")
            << file(parts({{"filter_c", QJsonObject{{"value", "2.2"}}}}))
            << "The field \"filter_c_par\" holds \".68\", which is not \"2.2\", the value of the "
               "part in its slot.";
        QTest::newRow("selector of a part missing")
            << replacedFirst(file(parts(l27)), "\"filter_l_par\": \"27\",", "")
            << "The field \"filter_l_par\" is missing, and its start-up item \"22\" is not \"27\", "
               "the value of the part in its slot.";
        QTest::newRow("version 3")
            << file(set("version", 3))
            << "The file is of version 3 of the design format, newer than the version 2 this "
               "program reads.";
    }

    void read()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, sentence);
        QCOMPARE(verdict(readDesignFile(bytes)), sentence);
    }

    // A file of no fields: each takes its start-up value and is listed, and there is no reference.
    void missing()
    {
        const DesignFileRead read = readDesignFile(R"({"format": "quorvel-design", "version": 1})");
        QCOMPARE(std::get<DesignFile>(read).missing, kStartup.keys());
        QCOMPARE(bytesOf(std::get<DesignFile>(read)), fileOf(kStartup));
    }

    // Version 2: the parts come with the file, which opens as it is without any library; the
    // values of items no list has are those of their texts.
    void parts()
    {
        const QByteArray bytes = R"({"format": "quorvel-design", "version": 2,
            "filter_l_par": "33", "zobel_c_ser": "2.2", "parts": {
            "filter_l": {"value": "33", "saturation": [[5, 1], [6.7, 0.8]], "dcr_ohm": 0.012},
            "zobel_c_ser": {"value": "2.2", "dielectric": "ceramic", "bias": [[40, 0.5]]}},
            "reference": {"zobel_r_par": "6", "parts": {"zobel_r": {"value": "6",
            "rated_W": 3}}}})";
        const DesignFileRead read = readDesignFile(bytes);
        QCOMPARE(verdict(read), "accepted");
        const DesignFile &f = std::get<DesignFile>(read);
        const DesignRecord &r = f.design.record;
        QCOMPARE((QList<double>{r.filter_l_par_modeval, r.zobel_c_serval}),
                 (QList<double>{33e-6, 2.2e-6}));
        QCOMPARE(r.parts.at(PartSlot::filter_l)->saturation, (DeratingCurve{{5, 1}, {6.7, 0.8}}));
        QCOMPARE(r.parts.at(PartSlot::zobel_c_ser)->dielectric, Dielectric::ceramic);
        QCOMPARE(f.reference->record.parts.at(PartSlot::zobel_r)->ratedW, 3.0);
        const QJsonObject saved = QJsonDocument::fromJson(bytesOf(f)).object();
        QCOMPARE(saved["parts"], QJsonDocument::fromJson(bytes)["parts"]);
        QCOMPARE(saved["reference"]["parts"], QJsonDocument::fromJson(bytes)["reference"]["parts"]);
        QCOMPARE(saved["version"], 2);
    }

    void seedCorpus_data() { addSeedCorpusRows(QStringLiteral(QUORVEL_FUZZ_CORPUS)); }
    // Each file the fuzzer starts from is refused, or read, as its name says.
    void seedCorpus()
    {
        QFETCH(QString, path);
        QCOMPARE(std::holds_alternative<QString>(readDesignFilePath(path)),
                 QFileInfo(path).fileName().startsWith("refuse-"));
    }
};

QTEST_MAIN(TestDesignFile)
#include "tst_designfile.moc"
