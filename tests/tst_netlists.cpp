// The netlists the graphs' menus save, run through ngspice: for designs that between them reach
// every input, each graph's printed curve agrees with the network solved in this test.
#include "app/form1.h"
#include "testhelpers.h"
#include "widgets/graphmenu.h"

#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

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
        setSaveNameChooser(
            [file](QWidget *, const QString &, const QString &, const QString &) { return file; });
        childNamed<QAction>(childNamed<GraphControl>(form.get(), qPrintable(graphName)),
                            "actionSaveNetlist")
            ->trigger();
        QProcess ngspice;
        ngspice.start("ngspice", {"-b", file});
        QVERIFY2(ngspice.waitForFinished(60000),
                 "ngspice, installed by scripts/setup.sh, did not run");
        const DesignRecord &d = form->design();
        int rows = 0;
        for (const QRegularExpressionMatch &m :
             QRegularExpression("^\\d+\\t(\\S+)\\t(\\S+)", QRegularExpression::MultilineOption)
                 .globalMatch(ngspice.readAllStandardOutput())) {
            // At ngspice's own frequencies, with a true 2 pi (the Zobel resistor's factor
            // of 1.0000001 moves no gain by 0.001 dB).
            const double w = 2 * M_PI * m.captured(1).toDouble();
            const double expected =
                graphName == "CWGraph1"
                    ? std::abs(std::complex<double>(d.speaker_r_modeval, w * d.actual_l_net * 1e-3))
                    : reference::gainDbAt(d, w, graphName == "CWGraph4");
            QVERIFY2(std::fabs(m.captured(2).toDouble() - expected) < 1e-3,
                     qPrintable(m.captured(0) + " expected " + QString::number(expected, 'g', 12)));
            ++rows;
        }
        QCOMPARE(rows, 401);  // 100 Hz to 1 MHz, 100 a decade
    }
};

QTEST_MAIN(TestNetlists)
#include "tst_netlists.moc"
