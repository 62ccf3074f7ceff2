// A measured speaker in the windows: loaded through the Measured speaker menu and Qt's own file
// dialog, drawn on Fig. 3 and the Power graph; the netlist holds the fitted model, and ngspice's
// gain for it agrees. The file holds a known LR-2 voice coil without noise, and every expected
// value comes from that model by this test's own complex arithmetic.
#include "app/form1.h"
#include "core/network/loadcompare.h"
#include "testhelpers.h"
#include "widgets/graphmenu.h"

#include <QLabel>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

namespace {

using cplx = std::complex<double>;
const cplx j(0, 1);

// 6.2 ohm, 0.35 mH, 12 ohm parallel 1.1 mH: an 8 ohm woofer's voice coil.
cplx woofer(double hz)
{
    const cplx jw = j * 2.0 * M_PI * hz;
    return 6.2 + jw * 0.35e-3 + 1.0 / (1.0 / 12.0 + 1.0 / (jw * 1.1e-3));
}

// The Zobel network's impedance at w: C_Ser in series with R parallel C_Par.
cplx zobelOf(const DesignRecord &r, double w)
{
    const double Czp = r.zobel_c_parval ? r.zobel_c_parval : 1e-13;
    return 1.0 / (j * w * r.zobel_c_serval) +
           1.0 / (1.0 / (r.zobel_r_parval * 1.0000001) + j * w * Czp);
}

// The design's gain (dB) with the woofer and the Zobel network, at hz.
double gainAt(const DesignRecord &r, double hz, double w)
{
    const double k = r.full_bridge_select ? 2 : 1;
    const cplx Y =
        1.0 / woofer(hz) + j * w * r.filter_c_par_modeval * 1e-6 + 1.0 / zobelOf(r, w) / k;
    return -20 * std::log10(std::abs(1.0 + j * w * r.filter_l_par_modeval * k * Y));
}

}  // namespace

class TestMeasuredSpeaker : public QObject
{
    Q_OBJECT

private slots:
    // Fig. 3 within 0.01 dB, the Power graph, the fit's values, the netlist under ngspice, and
    // the overlays cleared.
    void drawnAndSaved()
    {
        QTemporaryDir dir;
        Form1 *form = openWindow<Form1>();
        answerFileDialog(QUORVEL_SOURCE_DIR "/tests/fuzz/impedance/accept-voicecoil-tab.zma");
        childNamed<QAction>(form, "measured_load")->trigger();
        const DesignRecord &d = form->design();
        GraphControl *fig3 = childNamed<GraphControl>(form, "CWGraph4");
        const std::vector<int> &points = comparedGridPoints();
        play(form, "pick zobel_c_par .22");
        for (std::size_t k = 1; k < points.size(); k += 13) {
            const double hz = points[k] * 100.0, expected = gainAt(d, hz, hz * 6.28318);
            QVERIFY2(
                fig3->overlayX(0, k) == hz && std::fabs(fig3->overlayY(0, k) - expected) < 0.01,
                qPrintable(QString("%1 Hz: expected %2").arg(hz).arg(expected)));
        }
        // 50 W of real power into the woofer at each frequency.
        childNamed<QAction>(form, "power_calcs")->trigger();
        GraphControl *power = childNamed<GraphControl>(form->powerWindow(), "CWGraph4");
        for (int i : {1, 70, 1000}) {
            const double w = i * 6.28 * 100.0;
            const cplx zs = woofer(i * 100.0), z = zobelOf(d, w);
            const cplx par = z - 1.0 / (j * w * d.zobel_c_serval);
            const double expected =
                50 * std::norm(zs) / zs.real() * std::norm(par / z) / d.zobel_r_parval;
            QVERIFY2(power->overlayX(0, i) == i * 100.0 &&
                         std::fabs(power->overlayY(0, i) / expected - 1) < 0.01,
                     qPrintable(QString::number(i)));
        }
        // The fit is shown with its values; a double click selects a word, to copy.
        auto *model = childNamed<QLabel>(form, "measuredModel");
        QVERIFY(model->text().startsWith("Re 6.2 ohm, Le 0.35 mH, R2 12 ohm, L2 1.1 mH"));
        QTest::mouseDClick(model, Qt::LeftButton, {}, QPoint(4, model->height() / 2));
        QVERIFY(model->hasSelectedText());
        // ngspice's gain for the netlist at the frequencies it prints.
        setSaveNameChooser([&dir](QWidget *, const QString &, const QString &, const QString &) {
            return dir.filePath("fit.cir");
        });
        childNamed<QAction>(fig3, "actionSaveNetlist")->trigger();
        QProcess ngspice;
        ngspice.start("ngspice", {"-b", dir.filePath("fit.cir")});
        QVERIFY(ngspice.waitForFinished(60000));
        int rows = 0;
        for (const QRegularExpressionMatch &m :
             QRegularExpression("^\\d+\\t(\\S+)\\t(\\S+)", QRegularExpression::MultilineOption)
                 .globalMatch(ngspice.readAllStandardOutput())) {
            const double hz = m.captured(1).toDouble(), expected = gainAt(d, hz, 2 * M_PI * hz);
            QVERIFY2(std::fabs(m.captured(2).toDouble() - expected) < 0.01,
                     qPrintable(m.captured(0) + " expected " + QString::number(expected)));
            ++rows;
        }
        QCOMPARE(rows, 401);
        childNamed<QAction>(form, "measured_clear")->trigger();
        QCOMPARE(fig3->overlayCount() + power->overlayCount(), 0);
        delete form;
    }
};

QTEST_MAIN(TestMeasuredSpeaker)
#include "tst_measuredspeaker.moc"
