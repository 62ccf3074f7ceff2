// Design files: saving and opening give back the same bytes, the values read are the ones each
// text stands for (written out here), every refusal is one sentence naming the field, and a
// missing field takes its start-up value and is listed.
#include "core/carrier/carrierinputs.h"
#include "core/files/designfile.h"
#include "core/network/valuelists.h"
#include "testhelpers.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
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
        (key.startsWith("reference.") ? ref : o).remove(key.section('.', -1));
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
        QCOMPARE(bytesOf(f), file());
        QCOMPARE(f.missing, QStringList());
    }

    void roundTrip_data()
    {
        QTest::addColumn<Texts>("design");
        QTest::addColumn<Texts>("reference");  // none when empty
        QTest::newRow("start-up design") << kStartup << Texts();
        QTest::newRow("every field differs, start-up reference") << kEvery << kStartup;
        // Texts in every length of UTF-8, the highest code point, characters JSON escapes.
        QTest::newRow("carrier not given, largest and smallest values, a load file to escape")
            << with(kEvery,
                    "supply=|fsw=|zobel-rating=|inductor-rating=|capacitor-rating=|topology=half|"
                    "audio-frequency=100000|Speaker_L=999.|load_power=0|modulation=bd|"
                    "load_file=C:\\m\\\"h\"\t\u00e9\u20ac\U0010FFFF\x1f\x7f.zma")
            << with(kStartup, "Speaker_L=0|load_power=999|load_file=relative/w.frd");
    }

    // Opening, saving and opening again gives the texts themselves, in the same bytes.
    void roundTrip()
    {
        QFETCH(Texts, design);
        QFETCH(Texts, reference);
        const DesignFileRead read = readDesignFile(fileOf(design, reference));
        QCOMPARE(verdict(read), QStringLiteral("accepted"));
        const DesignFile &opened = std::get<DesignFile>(read);
        QTemporaryDir dir;
        const QString path = dir.filePath("design.quorvel");
        QVERIFY(
            !writeDesignFile(path, opened.design, opened.reference ? &*opened.reference : nullptr));
        const DesignFileRead again = readDesignFilePath(path);
        QCOMPARE(verdict(again), QStringLiteral("accepted"));
        const DesignFile &f = std::get<DesignFile>(again);
        QCOMPARE(f.reference.has_value(), !reference.isEmpty());
        QCOMPARE(f.missing, QStringList());
        QCOMPARE(bytesOf(f), fileOf(design, reference));
    }

    // A lone "." the record keeps while the user types is written as the value it keeps (.67 mH,
    // .05 W), so that the file opens; from there saving again gives the same bytes.
    void pendingText()
    {
        DesignInputs d = std::get<DesignFile>(readDesignFile(file())).design;
        std::tie(d.record.speaker_l_valtxt, d.record.actual_l_net) = std::pair(QString("."), 0.67);
        std::tie(d.loadPowerText, d.loadPower) = std::pair(QString("."), 0.05);
        const QByteArray bytes = designFileBytes(d);
        const QJsonObject o = QJsonDocument::fromJson(bytes).object();
        QCOMPARE(o.value("Speaker_L").toString() + ' ' + o.value("load_power").toString(),
                 QString(".67 .05"));
        const DesignFileRead read = readDesignFile(bytes);
        QCOMPARE(verdict(read), QStringLiteral("accepted"));
        const DesignInputs &got = std::get<DesignFile>(read).design;
        QCOMPARE(got.record.actual_l_net, 0.67);
        QCOMPARE(got.loadPower, 0.05);
        QCOMPARE(designFileBytes(got), bytes);
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
        const QString rule = "not a plain decimal number from %1 to %2 of at most %3 characters";
        refused("reference: Zobel R 7", "reference.zobel_r_par", "7",
                "not one of its items: 1, 3, 5, 6, 8, 10, 12, 15, 18, 20, 22, 27, 33, 47, 56, 68, "
                "82, 100.");
        refused("Speaker_L with unseen characters", "Speaker_L", "\x1f \u2029\x7f",
                rule.arg(0).arg(999).arg(4) + ".", "\\u001f \\u2029\\u007f");
        refused("load power, 500,000 characters", "load_power", QString(500000, 'x'),
                rule.arg(0).arg(999).arg(3) + ".", QString(40, 'x') + "...");
        refused("topology Full", "topology", "Full", "neither \"half\" nor \"full\".");
        refused("supply 200 V", "supply", "200", rule.arg(1).arg(150).arg(6) + ", or nothing.");
        refused("modulation AD", "modulation", "AD", "neither \"ad\" nor \"bd\".");
        QTest::newRow("audio at the switching frequency")
            << file(QJsonObject{{"fsw", "50"}, {"audio-frequency", "50000"}})
            << "The field \"audio-frequency\" holds \"50000\", which is not below the switching "
               "frequency, 50 kHz.";
        // Values that are not texts.
        QTest::newRow("supply a number")
            << file(set("supply", 48)) << "The field \"supply\" holds the number 48, not a text.";
        QTest::newRow("reference a text")
            << file(set("reference", "none"))
            << "The field \"reference\" holds \"none\", not an object.";
        // Fields no design file has.
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
        QTest::newRow("a list")
            << QByteArray("[{\"format\": \"quorvel-design\"}]")
            << "The file is not a design file: it holds a JSON list, not an object.";
        QTest::newRow("invalid UTF-8, overlong /")
            << QByteArray("{\"load_file\": \"\xc0\xaf\"}")
            << "The file is not UTF-8 text: byte 16 (0xc0) does not belong there.";
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
        const QByteArray noLoadFile = file({}, {}, {"load_file"});
        QTest::newRow("9 levels")
            << replacedFirst(noLoadFile, "{\n", "{\"load_file\": [[[[[[[[]]]]]]]],\n")
            << "The file nests more than 8 levels deep; a design file nests 2, the design and its "
               "reference.";
        QTest::newRow("8 levels, a list for a text")
            << replacedFirst(noLoadFile, "{\n", "{\"load_file\": [[[[[[[]]]]]]],\n")
            << "The field \"load_file\" holds a list, not a text.";
        QTest::newRow("one byte over 1 MB")
            << good + QByteArray(kMaxDesignFileBytes + 1 - good.size(), ' ')
            << "The file is larger than the 1 MB a design file may have.";
        // Laid out differently from the writer's.
        QTest::newRow("exactly 1 MB, blanks after")
            << good + QByteArray(kMaxDesignFileBytes - good.size(), ' ') << "accepted";
        QTest::newRow("byte order mark") << "\xef\xbb\xbf" + good << "accepted";
    }

    void read()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, sentence);
        QCOMPARE(verdict(readDesignFile(bytes)), sentence);
    }

    void missing_data()
    {
        // Removed, in the file's order; "reference." for the reference's.
        QTest::addColumn<QStringList>("fields");
        QStringList all = kStartup.keys();
        for (const QString &name : kStartup.keys()) all << "reference." + name;
        QTest::newRow("supply") << QStringList{"supply"};
        QTest::newRow("reference.Speaker_L") << QStringList{"reference.Speaker_L"};
        QTest::newRow("all but format and version") << all;
    }

    // Fields left out take their start-up values and are listed; the rest are read as they are.
    void missing()
    {
        QFETCH(QStringList, fields);
        const Texts reference = with(kEvery, "topology=half");
        Texts design = kEvery, expectedReference = reference;
        for (const QString &field : fields)
            (field.startsWith("reference.") ? expectedReference : design)[field.section('.', -1)] =
                kStartup.value(field.section('.', -1));
        const DesignFileRead read = readDesignFile(file({}, object(reference), fields));
        QCOMPARE(verdict(read), QStringLiteral("accepted"));
        const DesignFile &f = std::get<DesignFile>(read);
        QCOMPARE(f.missing, fields);
        QCOMPARE(bytesOf(f), fileOf(design, expectedReference));
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
        QTest::newRow("a folder up") << "/home/ann/designs/d.quorvel"
                                     << "../speakers/w.zma"
                                     << "/home/ann/speakers/w.zma";
        QTest::newRow("absolute") << "/home/ann/d.quorvel"
                                  << "/srv/w.zma"
                                  << "/srv/w.zma";
        QTest::newRow("both relative") << "designs/d.quorvel"
                                       << "w.zma"
                                       << "designs/w.zma";
        QTest::newRow("none") << "/home/ann/d.quorvel"
                              << ""
                              << "";
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
