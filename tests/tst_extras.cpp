// Beyond the windows: a failed save from a graph's menu, the report against an independent one, the
// load comparison, and the command line run as its own process without a display.
#include "app/form1.h"
#include "core/network/loadcompare.h"
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

private slots:
    void init()
    {
        m_dir.emplace();
        m_form = openWindow<Form1>();
    }
    void cleanup() { delete m_form; }

    // Save Data failed: told, and nothing written, not even in part.
    void saveDataFails()
    {
        QVERIFY(writeBytes(path("old.csv"), "saved before\n"));
        setSaveNameChooser([this](QWidget *, const QString &, const QString &, const QString &) {
            return path("old.csv");
        });
        BoxAnswerer answerer;
        withFileSizeLimit(1000, [this] {
            childNamed<QAction>(childNamed<GraphControl>(m_form, "CWGraph4"), "actionSaveData")
                ->trigger();
        });
        QCOMPARE(answerer.seen,
                 (QList<QStringList>{{"Quorvel",
                                      path("old.csv") + " could not be saved:\nFile too large",
                                      QString::number(QMessageBox::Warning)}}));
        QCOMPARE(contents(path("old.csv")), QByteArray("saved before\n"));
        QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files | QDir::Hidden), QStringList{"old.csv"});
    }

    // Each design set through the window: the export window's report is byte for byte the one
    // tests/reference/network.py writes.
    void design_data()
    {
        QTest::addColumn<QStringList>("design");  // as command-line options
        for (const NamedDesign &d : netlistDesigns()) QTest::newRow(d.name) << d.options;
    }
    void design()
    {
        QFETCH(QStringList, design);
        setDesignThroughWindow(m_form, design);
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

    // Compare Loads on before a change, so the overlays must follow it: every load, 2, 4, 8 and
    // 16 ohm and none, with the speaker's inductance, against the network solved here.
    void compareLoads()
    {
        for (const char *name : {"CWGraph3", "CWGraph4"})
            childNamed<QAction>(childNamed<GraphControl>(m_form, name), "actionCompareLoads")
                ->trigger();
        play(m_form, "full; pick speaker_r_mode 2; pick zobel_r_par 15; pick zobel_c_ser .22");
        const std::vector<int> &points = comparedGridPoints();
        const double loads[] = {2, 4, 8, 16, 1e9};
        for (const auto &[name, zobel] : {std::pair{"CWGraph3", false}, {"CWGraph4", true}}) {
            GraphControl *g = childNamed<GraphControl>(m_form, name);
            QCOMPARE(g->overlayCount(), 5);
            for (int k = 0; k < 5; ++k)
                for (std::size_t j = 1; j < points.size(); j += 7) {
                    const double expected =
                        reference::gainDb(m_form->design(), points[j], zobel, loads[k]);
                    QVERIFY2(g->overlayX(k, j) == points[j] * 100.0 &&
                                 std::fabs(g->overlayY(k, j) - expected) < 1e-9,
                             qPrintable(QString("%1, load %2, point %3").arg(name).arg(k).arg(j)));
                }
        }
    }

    void commandLine_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QByteArray>("err");  // all of standard error; standard output is empty
        QTest::newRow("a word too many") << QStringList{"netlist", "--graph", "gain", "now"}
                                         << QByteArray("quorvel: unexpected argument \"now\"\n");
        QTest::newRow("fit, two files")
            << QStringList{"fit", "a", "b"} << QByteArray("quorvel: unexpected argument \"b\"\n");
        QTest::newRow("graph not for report")
            << QStringList{"report", "--graph", "gain"}
            << QByteArray("quorvel: --graph is not taken by report\n");
        QTest::newRow("lone point, speaker L")
            << QStringList{"report", "--speaker-l", "."}
            << QByteArray(
                   "quorvel: --speaker-l: \".\" is not accepted; accepted: a plain decimal number "
                   "from 0 to 999 of at most 4 characters\n");
        QTest::newRow("unknown command")
            << QStringList{"plot"}
            << QByteArray(
                   "quorvel: \"plot\" is not a command; accepted: report, csv, netlist, fit, "
                   "stress, explore, tolerance, synthesize\n");
        QTest::newRow("pareto only not for csv")
            << QStringList{"csv", "--graph", "gain", "--pareto-only"}
            << QByteArray("quorvel: --pareto-only is not taken by csv\n");
        QTest::newRow("limit not a number")
            << QStringList{"synthesize", "--max-zobel-W", "2W"}
            << QByteArray("quorvel: --max-zobel-W: \"2W\" is not a number\n");
        QTest::newRow("ripple without the carrier")
            << QStringList{"synthesize", "--max-ripple-A", "2"}
            << QByteArray("quorvel: --max-ripple-A needs --supply and --fsw\n");
        QTest::newRow("limit not for explore")
            << QStringList{"explore", "--max-peak-dB", "3"}
            << QByteArray("quorvel: --max-peak-dB is not taken by explore\n");
    }
    void commandLine()
    {
        QFETCH(QStringList, args);
        QFETCH(QByteArray, err);
        const Run run = runQuorvel(args);
        QCOMPARE(run.status, 2);
        QCOMPARE(run.err, err);
        QVERIFY2(run.out.isEmpty(), run.out.left(300));
    }
};

QTEST_MAIN(TestExtras)
#include "tst_extras.moc"
