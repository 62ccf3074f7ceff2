// Beyond the windows: what the graphs' menus save (read back against the curves, netlists run
// through ngspice), failed saves, the load comparison, and the command line run as its own
// process without a display.
#include "app/form1.h"
#include "core/network/loadcompare.h"
#include "core/network/module1.h"
#include "runprogram.h"
#include "testhelpers.h"
#include "widgets/graphmenu.h"

#include <QFileSystemModel>
#include <QProcess>
#include <QTemporaryDir>
#include <QTreeView>

class TestExtras : public QObject
{
    Q_OBJECT

    Form1 *m_form = nullptr;
    std::optional<QTemporaryDir> m_dir;
    QString path(const QString &name) const { return m_dir->filePath(name); }
    GraphControl *graph(const char *name, bool power = false) const
    {
        return childNamed<GraphControl>(
            power ? static_cast<QObject *>(m_form->powerWindow()) : m_form, name);
    }
    void setDesign(const QStringList &args) { setDesignThroughWindow(m_form, args); }
    void choose(const QString &name)
    {
        setSaveNameChooser([this, name](QWidget *, const QString &, const QString &,
                                        const QString &) { return path(name); });
    }

private slots:
    void init()
    {
        m_dir.emplace();
        m_form = openWindow<Form1>();
    }
    void cleanup() { delete m_form; }

    void saveFromMenu_data()
    {
        QTest::addColumn<QString>("graphName");  // "power": the Power window's
        QTest::addColumn<QString>("file");       // .csv: Save Data, else Save Image
        QTest::addColumn<int>("sizeLimit");
        QTest::addColumn<QByteArray>("begins");  // the file's first bytes, or the failure's reason
        QTest::newRow("Fig. 1 data")
            << "CWGraph1"
            << "f1.csv" << 0 << QByteArray("frequency_Hz,impedance_ohm\n100,8.011");
        QTest::newRow("Fig. 3 data") << "CWGraph4"
                                     << "f3.csv" << 0 << QByteArray("frequency_Hz,gain_dB\n0,0\n");
        QTest::newRow("Power data") << "power"
                                    << "p.csv" << 0 << QByteArray("frequency_Hz,power_W\n0,0\n");
        QTest::newRow("Fig. 2 SVG") << "CWGraph3"
                                    << "f2.svg" << 0 << QByteArray("<?xml");
        QTest::newRow("Fig. 1 PDF") << "CWGraph1"
                                    << "f1.pdf" << 0 << QByteArray("%PDF");
        QTest::newRow("Power PNG") << "power"
                                   << "p.png" << 0 << QByteArray("\x89PNG");
        QTest::newRow("data too large") << "CWGraph3"
                                        << "old.csv" << 1000 << QByteArray("File too large");
    }
    void saveFromMenu()
    {
        QFETCH(QString, graphName);
        QFETCH(QString, file);
        QFETCH(int, sizeLimit);
        QFETCH(QByteArray, begins);
        const QByteArray previous = "saved before\n";
        QVERIFY(writeBytes(path("old.csv"), previous));
        const bool power = graphName == "power";
        if (power)
            childNamed<QAction>(m_form, "power_calcs")->trigger();
        GraphControl *g = graph(power ? "CWGraph4" : qPrintable(graphName), power);
        choose(file);
        BoxAnswerer answerer;
        withFileSizeLimit(sizeLimit, [&] {
            childNamed<QAction>(g, file.endsWith(".csv") ? "actionSaveData" : "actionSaveImage")
                ->trigger();
        });
        if (sizeLimit) {  // failed: told, and nothing written, not even in part
            QCOMPARE(answerer.seen,
                     (QList<QStringList>{{"Quorvel", path(file) + " could not be saved:\n" + begins,
                                          QString::number(QMessageBox::Warning)}}));
            QCOMPARE(contents(path("old.csv")), previous);
            QCOMPARE(QDir(m_dir->path())
                         .entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
                     QStringList{"old.csv"});
            return;
        }
        QCOMPARE(answerer.seen, QList<QStringList>());
        const QByteArray saved = contents(path(file));
        QVERIFY2(saved.startsWith(begins), saved.left(200));
        if (file.endsWith(".png"))
            QCOMPARE(QImage::fromData(saved).size(), g->size() * 2);
        if (!file.endsWith(".csv"))
            return;
        const QList<QByteArray> lines = saved.trimmed().split('\n').mid(1);
        QCOMPARE(lines.size(), g->curveSize());
        for (int i = 0; i < g->curveSize(); ++i) {  // read back as the very same doubles
            const QList<QByteArray> xy = lines[i].split(',');
            QVERIFY2(xy.size() == 2 && xy[0].toDouble() == g->curveX(i) &&
                         xy[1].toDouble() == g->curveY(i),
                     lines[i]);
        }
    }

    // Each design set through the window: the export window's report is byte for byte the one
    // tests/reference/network.py writes (the netlists of the same designs run through ngspice in
    // tst_netlists).
    void design_data()
    {
        QTest::addColumn<QStringList>("design");  // as command-line options
        for (const NamedDesign &d : netlistDesigns()) QTest::newRow(d.name) << d.options;
    }

    void design()
    {
        QFETCH(QStringList, design);
        setDesign(design);
        childNamed<QAction>(m_form, "Save_As")->trigger();
        auto *exporter = childNamed<QWidget>(m_form, "File_control");
        auto *folders = childNamed<QTreeView>(exporter, "dirBrowse");
        folders->setCurrentIndex(
            static_cast<QFileSystemModel *>(folders->model())->index(m_dir->path()));
        typeOver(childNamed<QLineEdit>(exporter, "Text_file_2_write"), "r.txt");
        QTest::mouseClick(childNamed<QPushButton>(exporter, "Command_write_file"), Qt::LeftButton);
        QProcess reference;
        reference.start("python3", QStringList{QUORVEL_REFERENCE, "report"} + design);
        QVERIFY(reference.waitForFinished() && reference.exitCode() == 0);
        QCOMPARE(contents(path("r.txt")), reference.readAllStandardOutput());
    }

    void compareLoads_data()
    {
        // Compare Loads is on before the steps, so the overlays must follow each change.
        QTest::addColumn<QString>("script");
        QTest::newRow("start-up design") << "";
        QTest::newRow("full bridge, 2 ohm, Zobel moved")
            << "full; pick speaker_r_mode 2; pick zobel_r_par 15; pick zobel_c_ser .22; pick "
               "filter_l_par 10";
    }

    void compareLoads()
    {
        QFETCH(QString, script);
        const std::vector<int> &points = comparedGridPoints();  // where the loads are drawn
        childNamed<QAction>(m_form, "cursors3_on")->trigger();
        for (const char *name : {"CWGraph3", "CWGraph4"})
            childNamed<QAction>(graph(name), "actionCompareLoads")->trigger();
        play(m_form, script);
        const QString readout = textOf(m_form, "Text_coordy3");
        // Every load, 2, 4, 8 and 16 ohm and none, with the speaker's inductance, against the
        // network solved here; the design's own curve stays the graph's curve.
        const double loads[] = {2, 4, 8, 16, 1e9};
        const DesignRecord &d = m_form->design();
        for (const auto &[name, zobel] :
             {std::pair{"CWGraph3", false}, std::pair{"CWGraph4", true}}) {
            GraphControl *g = graph(name);
            QCOMPARE(g->overlayCount(), 5);
            for (int k = 0; k < 5; ++k) {
                QCOMPARE(QPointF(g->overlayX(k, 0), g->overlayY(k, 0)), QPointF(0, 0));
                for (std::size_t j = 1; j < points.size(); j += 7) {
                    QCOMPARE(g->overlayX(k, j), points[j] * 100.0);
                    const double expected = reference::gainDb(d, points[j], zobel, loads[k]);
                    QVERIFY2(std::fabs(g->overlayY(k, j) - expected) < 1e-9,
                             qPrintable(QString("%1, load %2, point %3").arg(name).arg(k).arg(j)));
                }
            }
            for (int i : {1, 200, 340, 3840, 10000})
                QVERIFY(std::fabs(g->curveY(i) - reference::gainDb(d, i, zobel)) < 1e-9);
        }
        QCOMPARE(textOf(m_form, "Text_coordy3"), readout);
        // Fit View takes in the curve and every load's; without the comparison the overlays go.
        GraphControl *g = graph("CWGraph4");
        childNamed<QAction>(g, "actionFitView")->trigger();
        double lowest = 0, highest = 0;
        for (int k = -1; k < g->overlayCount(); ++k)
            for (int i = 0; i < (k < 0 ? g->curveSize() : g->overlaySize(k)); ++i) {
                const double y = k < 0 ? g->curveY(i) : g->overlayY(k, i);
                std::tie(lowest, highest) = std::pair(qMin(lowest, y), qMax(highest, y));
            }
        QCOMPARE(axesOf(g), (QList<double>{1, 100, 1e6, 0, lowest, highest}));
        childNamed<QAction>(g, "actionCompareLoads")->trigger();
        QCOMPARE(g->overlayCount(), 0);
        QCOMPARE(graph("CWGraph3")->overlayCount(), 5);
    }

    void commandLine_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("out");  // what standard output holds
        QTest::addColumn<QByteArray>("err");  // all of standard error
        QTest::newRow("-v") << QStringList{"-v"} << 0 << QByteArray("Quorvel 0.1\n")
                            << QByteArray();
        QTest::newRow("a word too many") << QStringList{"report", "now"} << 2 << QByteArray()
                                         << QByteArray("quorvel: unexpected argument \"now\"\n");
        QTest::newRow("graph not for report")
            << QStringList{"report", "--graph", "gain"} << 2 << QByteArray()
            << QByteArray("quorvel: --graph is not taken by report\n");
        QTest::newRow("lone point, speaker L")
            << QStringList{"report", "--speaker-l", "."} << 2 << QByteArray()
            << QByteArray(
                   "quorvel: --speaker-l: \".\" is not accepted; accepted: a plain decimal number "
                   "from 0 to 999 of at most 4 characters\n");
        QTest::newRow("lone point, load power")
            << QStringList{"csv", "--graph", "power", "--load-power", "."} << 2 << QByteArray()
            << QByteArray(
                   "quorvel: --load-power: \".\" is not accepted; accepted: a plain decimal number "
                   "from 0 to 999 of at most 3 characters\n");
        QTest::newRow("help, device full")
            << QStringList{"--help", ">/dev/full"} << 1 << QByteArray()
            << QByteArray(
                   "quorvel: standard output could not be written: No space left on device\n");
        QTest::newRow("filter L not an item")
            << QStringList{"report", "--filter-l", "23"} << 2 << QByteArray()
            << QByteArray(
                   "quorvel: --filter-l: \"23\" is not accepted; accepted: 3, 5, 6, 8, 10, 12, 15, "
                   "18, 20, 22, 27, 36, 44, 50, 68, 82, 100\n");
        QTest::newRow("unknown option") << QStringList{"report", "--bogus"} << 2 << QByteArray()
                                        << QByteArray("quorvel: Unknown option 'bogus'.\n");
        QTest::newRow("graph not an item")
            << QStringList{"csv", "--graph", "phase"} << 2 << QByteArray()
            << QByteArray(
                   "quorvel: --graph: \"phase\" is not accepted; accepted: impedance, gain, "
                   "gain-zobel, power\n");
        QTest::newRow("no dissipation netlist")
            << QStringList{"netlist", "--graph", "power"} << 2 << QByteArray()
            << QByteArray(
                   "quorvel: --graph: \"power\" is not accepted; accepted: impedance, gain, "
                   "gain-zobel\n");
        QTest::newRow("unknown command") << QStringList{"plot"} << 2 << QByteArray()
                                         << QByteArray(
                                                "quorvel: \"plot\" is not a command; accepted: "
                                                "report, csv, netlist, fit, stress, explore\n");
        QTest::newRow("explore, supply alone")
            << QStringList{"explore", "--supply", "48"} << 2 << QByteArray()
            << QByteArray("quorvel: --supply and --fsw are given together or not at all\n");
        QTest::newRow("pareto only not for csv")
            << QStringList{"csv", "--graph", "gain", "--pareto-only"} << 2 << QByteArray()
            << QByteArray("quorvel: --pareto-only is not taken by csv\n");
        // A measured speaker: the file below holds Re 6.2 ohm, Le 0.35 mH, R2 12 ohm, L2 1.1 mH
        // without noise.
        const QString file =
            QStringLiteral(QUORVEL_SOURCE_DIR "/tests/fuzz/impedance/accept-voicecoil-tab.zma");
        QTest::newRow("fit, no file")
            << QStringList{"fit"} << 2 << QByteArray()
            << QByteArray("quorvel: fit takes the path of one impedance file\n");
        QTest::newRow("fit, two files")
            << QStringList{"fit", file, file} << 2 << QByteArray()
            << QByteArray("quorvel: unexpected argument \"" + file.toUtf8() + "\"\n");
        QTest::newRow("load file not for report")
            << QStringList{"report", "--load-file", file} << 2 << QByteArray()
            << QByteArray("quorvel: --load-file is not taken by report\n");
        QTest::newRow("load file, a folder")
            << QStringList{"csv", "--graph", "gain", "--load-file", "/"} << 2 << QByteArray()
            << QByteArray("quorvel: --load-file: /: \"/\" is a folder, not a file.\n");
        QTest::newRow("load file, gain")
            << QStringList{"csv", "--graph", "gain", "--load-file", file} << 0
            << QByteArray("frequency_Hz,gain_dB\n0,0\n100,") << QByteArray();
    }
    void commandLine()
    {
        QFETCH(QStringList, args);
        QFETCH(int, status);
        QFETCH(QByteArray, out);
        QFETCH(QByteArray, err);
        const Run run = runQuorvel(args);
        QCOMPARE(run.status, status);
        QCOMPARE(run.err, err);
        QVERIFY2(status ? run.out.isEmpty() : run.out.contains(out), run.out.left(300));
    }
};

QTEST_MAIN(TestExtras)
#include "tst_extras.moc"
