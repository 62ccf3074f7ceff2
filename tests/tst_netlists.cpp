// The netlists the graphs' menus save, run through ngspice: for designs that between them reach
// every input, each graph's printed curve agrees with the network solved in this test.
#include "app/form1.h"
#include "testhelpers.h"
#include "widgets/graphmenu.h"

#include <QProcess>

class TestNetlists : public QObject
{
    Q_OBJECT

private slots:
    void netlist_data()
    {
        QTest::addColumn<QString>("graphName");
        QTest::addColumn<QStringList>("design");
        for (const NamedDesign &d : netlistDesigns())
            QTest::newRow(d.name) << QString(d.graph) << d.options;
    }

    void netlist()
    {
        QFETCH(QString, graphName);
        QFETCH(QStringList, design);
        const std::unique_ptr<Form1> form(openWindow<Form1>());
        QTemporaryDir dir;
        setDesignThroughWindow(form.get(), design);
        const QString file = dir.filePath("n.cir");
        setSaveNameChooser([file](QWidget *, auto &, auto &, auto &) { return file; });
        auto *graph = childNamed<GraphControl>(form.get(), qPrintable(graphName));
        childNamed<QAction>(graph, "actionSaveNetlist")->trigger();
        QProcess ngspice;
        ngspice.start("ngspice", {"-b", file});
        QVERIFY2(ngspice.waitForFinished(60000), "ngspice (scripts/setup.sh) did not run");
        // The printed rows: index, frequency, value; 100 Hz to 1 MHz, 100 a decade.
        const QString out = ngspice.readAllStandardOutput();
        const QStringList rows = out.split('\n').filter(QRegularExpression("^\\d+\\t"));
        QCOMPARE(rows.size(), 401);
        const DesignRecord &d = form->design();
        for (const QString &row : rows) {
            // At ngspice's own frequencies, with a true 2 pi (the Zobel resistor's factor of
            // 1.0000001 moves no gain by 0.001 dB).
            const double w = 2 * M_PI * row.section('\t', 1, 1).toDouble();
            const double expected = graphName == "CWGraph1"
                                        ? std::hypot(d.speaker_r_modeval, w * d.actual_l_net * 1e-3)
                                        : reference::gainDbAt(d, w, graphName == "CWGraph4");
            QVERIFY2(std::fabs(row.section('\t', 2, 2).toDouble() - expected) < 1e-3,
                     qPrintable(row + " expected " + QString::number(expected, 'g', 12)));
        }
    }
};

QTEST_MAIN(TestNetlists)
#include "tst_netlists.moc"
