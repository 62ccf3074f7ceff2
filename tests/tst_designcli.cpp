// The command line on design files (--design): the file's values as the base, options given
// over them, fields the file lacks told on standard error, a refused file as one line and status
// 2. Outputs are compared with tests/reference/network.py's report of the design the file
// describes, or with the program's own output for the same design given as options.
#include "runprogram.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>

namespace {

// A design in which every field differs from the start-up design, full bridge, as the file
// holds it, and the command-line options of the same design.
const QJsonObject kFull = QJsonDocument::fromJson(R"({"format": "quorvel-design", "version": 1,
    "filter_l_par": "27", "filter_c_par": ".68", "zobel_c_par": ".27", "zobel_r_par": "12",
    "zobel_c_ser": ".56", "speaker_r_mode": "6", "Speaker_L": "2.5", "topology": "full",
    "load_power": "120", "supply": "48", "fsw": "400", "audio-frequency": "20000",
    "zobel-rating": "5", "inductor-rating": "12.5", "capacitor-rating": "2", "modulation": "ad",
    "load_file": ""})")
                              .object();
const QStringList kFullOptions = words(
    "--filter-l 27 --filter-c .68 --zobel-c-par .27 --zobel-r 12 --zobel-c-ser .56 --speaker-r 6 "
    "--speaker-l 2.5 --load-power 120 --full-bridge");

QJsonObject changed(QJsonObject o, const QJsonObject &changes, const QStringList &removed = {})
{
    for (auto it = changes.begin(); it != changes.end(); ++it) o[it.key()] = it.value();
    for (const QString &key : removed) o.remove(key);
    return o;
}

}  // namespace

class TestDesignCli : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    // Arguments or a text with %1 standing for the temporary folder.
    QStringList inDir(QStringList args) const { return args.replaceInStrings("%1", m_dir.path()); }
    QByteArray inDir(const QByteArray &text) const
    {
        return QByteArray(text).replace("%1", m_dir.path().toUtf8());
    }

private slots:
    void initTestCase()
    {
        QVERIFY(QDir(m_dir.path()).mkdir("speakers"));
        QVERIFY(QFile::copy(QUORVEL_SOURCE_DIR "/tests/fuzz/impedance/accept-voicecoil-tab.zma",
                            m_dir.filePath("speakers/woofer.zma")));
        const QJsonObject reference =
            changed(kFull, {{"speaker_r_mode", "2"}}, {"format", "version"});
        const std::pair<const char *, QJsonObject> files[] = {
            {"full", kFull},
            {"missing", changed(kFull, {{"topology", "half"}}, {"load_power", "supply"})},
            {"refused", changed(kFull, {{"topology", "Full"}})},
            {"with-reference", changed(kFull, {{"reference", reference}})},
            {"measured", changed(kFull, {{"load_file", "speakers/woofer.zma"}})},
            {"measured-gone", changed(kFull, {{"load_file", "none.zma"}})}};
        for (const auto &[name, o] : files) {
            QFile f(m_dir.filePath(QString(name) + ".quorvel"));
            QVERIFY(f.open(QIODevice::WriteOnly) && f.write(QJsonDocument(o).toJson()) > 0);
        }
    }

    void runs_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QByteArray>("err");    // all of standard error
        QTest::addColumn<QStringList>("same");  // a run with the same output: network.py's, or the
                                                // program's without the file; none: refused
        const auto network = [](const QStringList &options) {
            return QStringList{"network.py", "report"} + options;
        };
        const QByteArray missing =
            "quorvel: %1/missing.quorvel: these fields were missing and take their start-up "
            "values: load_power, supply\n";
        const QStringList woofer{"--load-file", "%1/speakers/woofer.zma"}, none;
        // The report of the design the file and the options describe.
        QTest::newRow("the file as it is")
            << words("report --design %1/full.quorvel") << QByteArray() << network(kFullOptions);
        QTest::newRow("every option over the file")
            << words(
                   "report --design %1/full.quorvel --filter-l 3 --filter-c 2.0 --zobel-c-par 1.0 "
                   "--zobel-r 100 --zobel-c-ser 0 --speaker-r 8 --speaker-l 0 --load-power 999 "
                   "--half-bridge")
            << QByteArray()
            << network(words("--filter-l 3 --filter-c 2.0 --zobel-c-par 1.0 --zobel-r 100 "
                             "--zobel-c-ser 0 --speaker-l 0 --load-power 999"));
        QTest::newRow("fields missing")
            << words("report --design %1/missing.quorvel") << missing
            << network(words("--filter-l 27 --filter-c .68 --zobel-c-par .27 --zobel-r 12 "
                             "--zobel-c-ser .56 --speaker-r 6 --speaker-l 2.5"));
        QTest::newRow("the design, not its reference")
            << words("report --design %1/with-reference.quorvel") << QByteArray()
            << network(kFullOptions);
        // The same output as the design given as options.
        QTest::newRow("the file's load file, beside it")
            << words("csv --graph gain --design %1/measured.quorvel") << QByteArray()
            << words("csv --graph gain") + woofer + kFullOptions;
        QTest::newRow("--load-file over the file's")
            << words("netlist --graph gain-zobel --design %1/measured-gone.quorvel") + woofer
            << QByteArray() << words("netlist --graph gain-zobel") + woofer + kFullOptions;
        // Refused: one line on standard error, nothing on standard output.
        QTest::newRow("a refused field")
            << words("report --design %1/refused.quorvel")
            << QByteArray(
                   "quorvel: --design: %1/refused.quorvel: The field \"topology\" holds "
                   "\"Full\", which is neither \"half\" nor \"full\".\n")
            << none;
        QTest::newRow("both bridges")
            << words("report --design %1/full.quorvel --half-bridge --full-bridge")
            << QByteArray("quorvel: --full-bridge and --half-bridge cannot both be given\n")
            << none;
        QTest::newRow("the file's load file gone")
            << words("csv --graph gain --design %1/measured-gone.quorvel")
            << QByteArray(
                   "quorvel: --design: %1/measured-gone.quorvel: \"load_file\": \"%1/none.zma\" "
                   "does not exist.\n")
            << none;
    }

    // Status 0 and the same output as the other run, or status 2 and nothing on standard output.
    void runs()
    {
        QFETCH(QStringList, args);
        QFETCH(QByteArray, err);
        QFETCH(QStringList, same);
        const Run got = runQuorvel(inDir(args));
        QCOMPARE(got.err, inDir(err));
        QCOMPARE(got.status, same.isEmpty() ? 2 : 0);
        if (same.isEmpty()) {
            QCOMPARE(got.out, QByteArray());
            return;
        }
        const Run want = same[0] == "network.py"
                             ? run("python3", QStringList{QUORVEL_REFERENCE} + same.mid(1))
                             : runQuorvel(inDir(same));
        QVERIFY2(want.status == 0, want.err.constData());
        QVERIFY(got.out.size() > 200);
        QCOMPARE(got.out, want.out);
    }
};

QTEST_MAIN(TestDesignCli)
#include "tst_designcli.moc"
