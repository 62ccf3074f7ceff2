// The netlists the graphs' menus save, run through ngspice: for designs that between them reach
// every input, each graph's printed curve agrees with the network solved in this test. With real
// parts' parasitics, the exported netlists run on the program's own grid give Fig. 2, Fig. 3 and
// the output impedance point for point.
#include "app/form1.h"
#include "core/files/netlist.h"
#include "core/network/analysis.h"
#include "core/network/parasitics.h"
#include "testhelpers.h"
#include "widgets/graphmenu.h"

#include <QProcess>

namespace {

// ngspice's printed values on the sweeps' grid (w = i x 628.318 rad/s, i = 1 .. 10000).
QList<double> ngspiceOnGrid(QByteArray netlist)
{
    const auto f = [](int i) { return QByteArray::number(gridOmega(i) / (2 * M_PI), 'g', 17); };
    netlist.replace(".ac dec 100 100 1e+06", ".ac lin 10000 " + f(1) + ' ' + f(kSweepPoints));
    QTemporaryDir dir;
    writeBytes(dir.filePath("n.cir"), netlist);
    QProcess ngspice;
    ngspice.start("ngspice", {"-b", dir.filePath("n.cir")});
    ngspice.waitForFinished(60000);
    QList<double> values;
    for (const QString &row : QString(ngspice.readAllStandardOutput()).split('\n'))
        if (row.contains(QRegularExpression("^\\d+\\t")))
            values << row.section('\t', 2, 2).toDouble();
    return values;
}

// Where the gain's phase passes -90 degrees in ngspice and the gain's magnitude there, found on
// 4000 points a decade, then on 2001 points within 0.1 % of it; the speaker taken out when
// unloaded.
std::pair<double, double> ngspiceCorner(const QByteArray &netlist, bool loaded)
{
    // The voltage across the speaker's terminals, as one node against ground.
    const QString across =
        QRegularExpression("\\.print ac vdb\\(([^)]*)\\)").match(netlist).captured(1);
    QStringList lines;
    for (const QString &l : QString(netlist).split('\n'))
        if (!l.startsWith('.') && !l.startsWith("set ") &&
            (loaded || !l.contains(QRegularExpression("^[RL]S "))))
            lines << l;
    lines.insert(1, "Eacross across 0 " + QString(across).replace(',', ' ') +
                        (across.contains(',') ? "" : " 0") + " 1");
    const QString meas = QStringLiteral(".meas ac %1 when vp(%2)=-1.5707963267948966 cross=1\n");
    std::pair<double, double> corner;
    for (int pass = 0; pass < 2; ++pass) {
        const QString sweep = pass == 0 ? QStringLiteral("dec 4000 10 1e7")
                                        : QStringLiteral("lin 2001 %1 %2")
                                              .arg(corner.first * 0.999, 0, 'g', 17)
                                              .arg(corner.first * 1.001, 0, 'g', 17);
        QTemporaryDir dir;
        writeBytes(dir.filePath("n.cir"),
                   (lines.join('\n') + "\n.ac " +
                    sweep.arg(corner.first * 0.999).arg(corner.first * 1.001) + '\n' +
                    meas.arg("f0", "across") + meas.arg("h0 find vm(across)", "across") +
                    ".print ac vm(across)\n.end\n")
                       .toLatin1());
        QProcess ngspice;
        ngspice.start("ngspice", {"-b", dir.filePath("n.cir")});
        ngspice.waitForFinished(60000);
        const QString out = ngspice.readAllStandardOutput();
        const auto value = [&](const char *name) {
            return QRegularExpression(QStringLiteral("\\b%1\\s*=\\s*(\\S+)").arg(name))
                .match(out)
                .captured(1)
                .toDouble();
        };
        corner = {value("f0"), value("h0")};
    }
    return corner;
}

}  // namespace

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
        const QList<double> spice = ngspiceOnGrid(contents(file));
        QCOMPARE(spice.size(), kSweepPoints);  // none when ngspice (scripts/setup.sh) did not run
        const DesignRecord &d = form->design();
        for (int i = 1; i <= kSweepPoints; ++i) {
            const double w = gridOmega(i);
            const double expected = graphName == "CWGraph1"
                                        ? std::hypot(d.speaker_r_modeval, w * d.actual_l_net * 1e-3)
                                        : reference::gainDbAt(d, w, graphName == "CWGraph4");
            QVERIFY2(std::fabs(spice[i - 1] - expected) < 1e-3,
                     qPrintable(QString::asprintf("%d00 Hz: %.12g, expected %.12g", i, spice[i - 1],
                                                  expected)));
        }
    }

    void parasitics_data()
    {
        QTest::addColumn<int>("row");
        for (const PartsDesign &d : kPartsDesigns) QTest::newRow(d.name) << int(&d - kPartsDesigns);
    }

    // Every point within 0.01 dB of ngspice's; the damping factor from ngspice's output impedance;
    // all-zero parasitics as ideal.
    void parasitics()
    {
        QFETCH(int, row);
        const PartsDesign &r = kPartsDesigns[row];
        const DesignRecord design = partsDesign(r);
        DesignAnalysis a, ideal;  // ideal: the same values without parts
        analyseDesign(design, 30, a, kAllAnalysisParts | AnalysisPart::OutputImpedance);
        analyseDesign(partsDesign(r, false), 30, ideal);
        const bool allZero = r.dcr + r.srf + r.esr + r.esl + r.rzL == 0;
        QList<double> spice;  // the last, the output impedance, gives the damping factor
        for (const auto &[kind, curve, idealCurve] :
             {std::tuple{GraphKind::gain, &a.gain, &ideal.gain},
              {GraphKind::gainZobel, &a.gainZobel, &ideal.gainZobel},
              {GraphKind::outputImpedance, &a.outputImpedance, &a.outputImpedance}}) {
            spice = ngspiceOnGrid(spiceNetlist(design, kind));
            QCOMPARE(spice.size(), kSweepPoints);
            for (int i = 1; i <= kSweepPoints; ++i) {
                const double got = curve->y[i], want = spice[i - 1];
                const double dB =
                    kind == GraphKind::outputImpedance ? 20 * std::log10(got / want) : got - want;
                QVERIFY2(std::fabs(dB) < 0.01,
                         qPrintable(QString::asprintf("%s, %d00 Hz: %.12g, ngspice %.12g",
                                                      qPrintable(graphName(kind)), i, got, want)));
                if (allZero)  // as ideal parts, to 1e-9 dB
                    QCOMPARE_LE(std::fabs(got - idealCurve->y[i]), 1e-9);
            }
        }
        // The corner and Q against ngspice's phase and gain (the gain at DC: 1 unloaded, the
        // speaker against itself and the inductors' DCR loaded).
        const ParasiticNetwork net = parasiticNetwork(design);
        for (bool loaded : {false, true}) {
            const Resonance got = filterResonance(net, loaded);
            const auto [f0, h0] = ngspiceCorner(spiceNetlist(design, GraphKind::gainZobel), loaded);
            const double dc = loaded ? 8 / (8 + (r.full ? 2 : 1) * r.dcr) : 1.0;
            qInfo("%s: corner %.7g Hz, ngspice %.7g; Q %.7g, ngspice %.7g",
                  loaded ? "loaded" : "unloaded", got.cornerHz, f0, got.q, h0 / dc);
            QCOMPARE_LE(std::fabs(got.cornerHz / f0 - 1), 1e-5);
            QCOMPARE_LE(std::fabs(got.q * dc / h0 - 1), 1e-4);
        }
        const double speaker = std::hypot(8.0, gridOmega(10) * r.speakerL * 1e-3);  // 1 kHz
        QCOMPARE_LE(std::fabs(a.dampingFactor * spice[9] / speaker - 1), 1e-6);
        if (r.srf > 0 && r.srf < 1e6) {  // inside the grid: Fig. 2's notch is at its frequency
            const auto y = a.gain.y.begin(), s = y + int(r.srf / 100);
            QCOMPARE(a.gain.x[std::min_element(s - 100, s + 100) - y], r.srf);
        }
    }
};

QTEST_MAIN(TestNetlists)
#include "tst_netlists.moc"
