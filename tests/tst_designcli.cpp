// The command line on design files (--design): the file's values as the base, options given
// over them, fields the file lacks told on standard error. Outputs are compared with
// tests/reference/network.py's report of the design the file describes.
#include "runprogram.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

// A design in which every field differs from the start-up design, full bridge, as the file
// holds it, and the command-line options of the same design.
const QByteArray kFull = R"({"format": "quorvel-design", "version": 1,
    "filter_l_par": "27", "filter_c_par": ".68", "zobel_c_par": ".27", "zobel_r_par": "12",
    "zobel_c_ser": ".56", "speaker_r_mode": "6", "Speaker_L": "2.5", "topology": "full",
    "load_power": "120", "supply": "48", "fsw": "400", "audio-frequency": "20000",
    "zobel-rating": "5", "inductor-rating": "12.5", "capacitor-rating": "2", "modulation": "ad",
    "load_file": ""})";
const QString kFullOptions =
    "--filter-l 27 --filter-c .68 --zobel-c-par .27 --zobel-r 12 --zobel-c-ser .56 --speaker-r 6 "
    "--speaker-l 2.5";

}  // namespace

class TestDesignCli : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;  // the current folder, where the design files are

private slots:
    void initTestCase()
    {
        QVERIFY(QDir::setCurrent(m_dir.path()));
        const std::pair<const char *, QByteArray> files[] = {
            {"full", kFull},
            {"missing", QByteArray(kFull)
                            .replace(R"("load_power": "120", "supply": "48",)", "")
                            .replace(R"("full")", R"("half")")},
            // A capacitor no list has, in the Zobel capacitor's slot.
            {"parts", QByteArray(kFull)
                          .replace(R"("version": 1)", R"("version": 2)")
                          .replace(R"("zobel_c_par": ".27")", R"("zobel_c_par": "2.7")")
                          .replace(R"("load_file": "")", R"("load_file": "", "parts": {
                              "zobel_c_par": {"value": "2.7", "tolerance_percent": 10}})")}};
        for (const auto &[name, bytes] : files) {
            QFile f(QString(name) + ".quorvel");
            QVERIFY(f.open(QIODevice::WriteOnly) && f.write(bytes) > 0);
        }
    }

    void runs_data()
    {
        QTest::addColumn<QString>("args");
        QTest::addColumn<QByteArray>("err");     // all of standard error
        QTest::addColumn<QString>("reference");  // network.py's options
        QTest::newRow("the file as it is") << "report --design full.quorvel" << QByteArray()
                                           << kFullOptions + " --load-power 120 --full-bridge";
        const QString every =
            "--filter-l 3 --filter-c 2.0 --zobel-c-par 1.0 --zobel-r 100 "
            "--zobel-c-ser 0 --speaker-r 8 --speaker-l 0 --load-power 999";
        QTest::newRow("every option over the file")
            << "report --design full.quorvel --half-bridge " + every << QByteArray() << every;
        QTest::newRow("fields missing")
            << "report --design missing.quorvel"
            << QByteArray(
                   "quorvel: missing.quorvel: these fields were missing and take their "
                   "start-up values: load_power, supply\n")
            << kFullOptions;
        // The file's parts give the values they stand for to every selector of their kind.
        QTest::newRow("a value the file's parts give")
            << "report --design parts.quorvel --filter-c 2.7" << QByteArray()
            << QString(kFullOptions).replace(".27", "2.7").replace(".68", "2.7") +
                   " --load-power 120 --full-bridge";
    }

    // Status 0 and network.py's report.
    void runs()
    {
        QFETCH(QString, args);
        QFETCH(QByteArray, err);
        QFETCH(QString, reference);
        const Run got = runQuorvel(words(args));
        QCOMPARE(got.err, err);
        QCOMPARE(got.status, 0);
        const Run want =
            run("python3", QStringList{QUORVEL_REFERENCE, "report"} + words(reference));
        QVERIFY2(want.status == 0, want.err.constData());
        QCOMPARE(got.out, want.out);
    }
};

QTEST_MAIN(TestDesignCli)
#include "tst_designcli.moc"
