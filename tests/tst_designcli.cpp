// The command line on design files (--design): the file's values as the base, options given
// over them, fields the file lacks told on standard error, a refused file as one line and status
// 2. Reports are compared with tests/reference/network.py's for the design the file describes.
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {

struct Run {
    int status;
    QByteArray out, err;
};

Run run(const QString &program, const QStringList &args)
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) env.remove(name);
    p.setProcessEnvironment(env);
    p.start(program, args);
    p.waitForFinished();
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, p.readAllStandardOutput(), p.readAllStandardError()};
}

// A design in which every field differs from the start-up design, full bridge, as the file
// holds it, and the command-line options of the same design.
const QJsonObject kFull = {{"format", "quorvel-design"}, {"version", 1}, {"filter_l_par", "27"}, {"filter_c_par", ".68"}, {"zobel_c_par", ".27"}, {"zobel_r_par", "12"},
                           {"zobel_c_ser", ".56"}, {"speaker_r_mode", "6"}, {"Speaker_L", "2.5"}, {"topology", "full"}, {"load_power", "120"}, {"supply", "48"}, {"fsw", "400"},
                           {"audio-frequency", "20000"}, {"zobel-rating", "5"}, {"inductor-rating", "12.5"}, {"capacitor-rating", "2"}, {"modulation", "ad"}, {"load_file", ""}};
const QStringList kFullOptions = {"--filter-l", "27", "--filter-c", ".68", "--zobel-c-par", ".27", "--zobel-r", "12", "--zobel-c-ser", ".56", "--speaker-r", "6",
                                  "--speaker-l", "2.5", "--load-power", "120", "--full-bridge"};

QJsonObject changed(QJsonObject o, const QJsonObject &changes, const QStringList &removed = {})
{
    for (auto it = changes.begin(); it != changes.end(); ++it) o[it.key()] = it.value();
    for (const QString &key : removed) o.remove(key);
    return o;
}

// Options with each of `replaced` taking a new value, and the flags in `dropped` left out.
QStringList options(QStringList o, const QStringList &replaced, const QStringList &dropped = {})
{
    for (int i = 0; i + 1 < replaced.size(); i += 2) {
        const qsizetype at = o.indexOf(replaced[i]);
        if (at >= 0)
            o[at + 1] = replaced[i + 1];
        else
            o << replaced[i] << replaced[i + 1];
    }
    for (const QString &flag : dropped) o.removeAll(flag);
    return o;
}

}  // namespace

class TestDesignCli : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString path(const QString &name) const { return m_dir.filePath(name); }
    // Arguments or a text with %1 standing for the temporary folder.
    QStringList inDir(QStringList args) const { return args.replaceInStrings("%1", m_dir.path()); }
    QByteArray inDir(const QByteArray &text) const { return QByteArray(text).replace("%1", m_dir.path().toUtf8()); }
    void write(const QString &name, const QJsonObject &o)
    {
        QFile f(path(name));
        QVERIFY(f.open(QIODevice::WriteOnly));
        QVERIFY(f.write(QJsonDocument(o).toJson()) > 0);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        write("full.quorvel", kFull);
        write("half.quorvel", changed(kFull, {{"topology", "half"}, {"speaker_r_mode", "4"}}));
        write("missing.quorvel", changed(kFull, {{"topology", "half"}}, {"load_power", "supply"}));
        write("refused.quorvel", changed(kFull, {{"zobel_r_par", "7"}}));
        write("newer.quorvel", changed(kFull, {{"version", 2}}));
        write("with-reference.quorvel", changed(kFull, {{"reference", changed(kFull, {{"speaker_r_mode", "2"}}, {"format", "version"})}}));
        const QJsonObject startup = changed(kFull, {{"filter_l_par", "22"}, {"filter_c_par", "1.0"}, {"zobel_c_par", ".1"}, {"zobel_r_par", "6"},
                                                    {"zobel_c_ser", ".1"}, {"speaker_r_mode", "8"}, {"Speaker_L", ".67"}, {"topology", "half"},
                                                    {"load_power", "50"}});
        write("measured.quorvel", changed(startup, {{"load_file", "speakers/woofer.zma"}}));
        write("measured-gone.quorvel", changed(startup, {{"load_file", "none.zma"}}));
        QVERIFY(QDir(m_dir.path()).mkdir("speakers"));
        QVERIFY(QFile::copy(QUORVEL_SOURCE_DIR "/tests/fuzz/impedance/accept-voicecoil-tab.zma", path("speakers/woofer.zma")));
        QVERIFY(QDir(m_dir.path()).mkdir("folder.quorvel"));
    }

    void report_data()
    {
        QTest::addColumn<QStringList>("args");       // after "report"
        QTest::addColumn<QStringList>("reference");  // the same design as network.py's options
        QTest::addColumn<QByteArray>("err");
        const QByteArray none;
        QTest::newRow("the file as it is") << QStringList{"--design", "%1/full.quorvel"} << kFullOptions << none;
        QTest::newRow("full-bridge file, --half-bridge") << QStringList{"--design", "%1/full.quorvel", "--half-bridge"} << options(kFullOptions, {}, {"--full-bridge"}) << none;
        QTest::newRow("half-bridge file, --full-bridge") << QStringList{"--full-bridge", "--design", "%1/half.quorvel"} << options(kFullOptions, {"--speaker-r", "4"}) << none;
        QTest::newRow("half-bridge file, --half-bridge") << QStringList{"--design", "%1/half.quorvel", "--half-bridge"} << options(kFullOptions, {"--speaker-r", "4"}, {"--full-bridge"}) << none;
        QTest::newRow("options over the file") << QStringList{"--speaker-r", "2", "--design", "%1/full.quorvel", "--filter-l", "10", "--speaker-l", ".05", "--load-power", "7.5", "--zobel-c-par", "0"}
            << options(kFullOptions, {"--speaker-r", "2", "--filter-l", "10", "--speaker-l", ".05", "--load-power", "7.5", "--zobel-c-par", "0"}) << none;
        QTest::newRow("every option over the file")
            << QStringList{"--design", "%1/full.quorvel", "--filter-l", "3", "--filter-c", "2.0", "--zobel-c-par", "1.0", "--zobel-r", "100", "--zobel-c-ser", "0",
                           "--speaker-r", "8", "--speaker-l", "0", "--load-power", "999", "--half-bridge"}
            << QStringList{"--filter-l", "3", "--filter-c", "2.0", "--zobel-c-par", "1.0", "--zobel-r", "100", "--zobel-c-ser", "0", "--speaker-l", "0", "--load-power", "999"} << none;
        QTest::newRow("fields missing") << QStringList{"--design", "%1/missing.quorvel"} << options(kFullOptions, {"--load-power", "50"}, {"--full-bridge"})
            << QByteArray("quorvel: %1/missing.quorvel: these fields were missing and take their start-up values: load_power, supply\n");
        QTest::newRow("fields missing, load power given") << QStringList{"--design", "%1/missing.quorvel", "--load-power", "33"} << options(kFullOptions, {"--load-power", "33"}, {"--full-bridge"})
            << QByteArray("quorvel: %1/missing.quorvel: these fields were missing and take their start-up values: load_power, supply\n");
        QTest::newRow("the design, not its reference") << QStringList{"--design", "%1/with-reference.quorvel"} << kFullOptions << none;
        QTest::newRow("a load file, not in the report") << QStringList{"--design", "%1/measured.quorvel"} << QStringList{} << none;
        QTest::newRow("no design file, options alone") << QStringList{"--speaker-r", "4", "--full-bridge"} << QStringList{"--speaker-r", "4", "--full-bridge"} << none;
    }

    // The report of the design the file and the options describe, byte for byte as the
    // independent reference writes it.
    void report()
    {
        QFETCH(QStringList, args);
        QFETCH(QStringList, reference);
        QFETCH(QByteArray, err);
        const Run got = run(QUORVEL_EXE, QStringList{"report"} + inDir(args));
        QCOMPARE(got.err, inDir(err));
        QCOMPARE(got.status, 0);
        const Run want = run("python3", QStringList{QUORVEL_REFERENCE, "report"} + reference);
        QVERIFY2(want.status == 0, want.err.constData());
        QCOMPARE(got.out, want.out);
    }

    void refusals_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QByteArray>("err");  // all of standard error
        QTest::newRow("a refused field") << QStringList{"report", "--design", "%1/refused.quorvel"}
            << QByteArray("quorvel: --design: %1/refused.quorvel: The field \"zobel_r_par\" holds \"7\", which is not one of its items: 1, 3, 5, 6, 8, 10, 12, 15, 18, 20, 22, 27, 33, 47, 56, 68, 82, 100.\n");
        QTest::newRow("a newer version") << QStringList{"csv", "--graph", "gain", "--design", "%1/newer.quorvel"}
            << QByteArray("quorvel: --design: %1/newer.quorvel: The file is of version 2 of the design format, newer than the version 1 this program reads.\n");
        QTest::newRow("no such file") << QStringList{"report", "--design", "%1/none.quorvel"} << QByteArray("quorvel: --design: %1/none.quorvel: \"%1/none.quorvel\" does not exist.\n");
        QTest::newRow("a folder") << QStringList{"netlist", "--graph", "gain", "--design", "%1/folder.quorvel"} << QByteArray("quorvel: --design: %1/folder.quorvel: \"%1/folder.quorvel\" is a folder, not a file.\n");
        QTest::newRow("both bridges") << QStringList{"report", "--design", "%1/full.quorvel", "--half-bridge", "--full-bridge"} << QByteArray("quorvel: --full-bridge and --half-bridge cannot both be given\n");
        QTest::newRow("both bridges, no file") << QStringList{"report", "--half-bridge", "--full-bridge"} << QByteArray("quorvel: --full-bridge and --half-bridge cannot both be given\n");
        QTest::newRow("fields missing, an option refused") << QStringList{"report", "--design", "%1/missing.quorvel", "--speaker-r", "5"}
            << QByteArray("quorvel: --speaker-r: \"5\" is not accepted; accepted: 8, 6, 4, 2\n");
        QTest::newRow("the file's load file gone") << QStringList{"csv", "--graph", "gain", "--design", "%1/measured-gone.quorvel"}
            << QByteArray("quorvel: --design: %1/measured-gone.quorvel: \"load_file\": \"%1/none.zma\" does not exist.\n");
        QTest::newRow("--design without a path") << QStringList{"report", "--design"} << QByteArray("quorvel: Missing value after '--design'.\n");
    }

    // One line on standard error, status 2, nothing on standard output.
    void refusals()
    {
        QFETCH(QStringList, args);
        QFETCH(QByteArray, err);
        const Run got = run(QUORVEL_EXE, inDir(args));
        QCOMPARE(got.err, inDir(err));
        QCOMPARE(got.status, 2);
        QCOMPARE(got.out, QByteArray());
    }

    void sameOutput_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QStringList>("same");  // what gives the same output without the file
        QTest::newRow("the file's load file, beside it") << QStringList{"csv", "--graph", "gain", "--design", "%1/measured.quorvel"}
                                                         << QStringList{"csv", "--graph", "gain", "--load-file", "%1/speakers/woofer.zma"};
        QTest::newRow("--load-file over the file's") << QStringList{"netlist", "--graph", "gain-zobel", "--design", "%1/measured-gone.quorvel", "--load-file", "%1/speakers/woofer.zma"}
                                                     << QStringList{"netlist", "--graph", "gain-zobel", "--load-file", "%1/speakers/woofer.zma"};
        QTest::newRow("netlist of the file") << QStringList{"netlist", "--graph", "gain-zobel", "--design", "%1/full.quorvel"}
                                             << QStringList{"netlist", "--graph", "gain-zobel"} + kFullOptions;
        QTest::newRow("dissipation of the file") << QStringList{"csv", "--graph", "power", "--design", "%1/full.quorvel", "--load-power", "3"}
                                                 << QStringList{"csv", "--graph", "power"} + options(kFullOptions, {"--load-power", "3"});
    }

    void sameOutput()
    {
        QFETCH(QStringList, args);
        QFETCH(QStringList, same);
        const Run got = run(QUORVEL_EXE, inDir(args));
        const Run want = run(QUORVEL_EXE, inDir(same));
        QCOMPARE(got.err, QByteArray());
        QCOMPARE(got.status, 0);
        QCOMPARE(want.status, 0);
        QVERIFY(got.out.size() > 200);
        QCOMPARE(got.out, want.out);
    }
};

QTEST_MAIN(TestDesignCli)
#include "tst_designcli.moc"
