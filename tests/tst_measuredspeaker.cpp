// A measured speaker in the windows: loaded through the Measured speaker menu and Qt's own file
// dialog, drawn on Fig. 1 to 3 and the Power graph beside the design's curves, which stay as they
// were; refused files change nothing; the netlist holds the fitted model, and ngspice's gain for it
// agrees with the drawn one. The file is written here from a known LR-2 voice coil, and every
// expected value comes from that model by this test's own complex arithmetic.
#include "app/form1.h"
#include "core/network/loadcompare.h"
#include "testhelpers.h"
#include "widgets/graphmenu.h"

#include <QLabel>
#include <QMenu>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>

namespace {

using cplx = std::complex<double>;

// 6.2 ohm, 0.35 mH, 12 ohm parallel 1.1 mH: an 8 ohm woofer's voice coil.
cplx woofer(double hz)
{
    const cplx jw(0, 2 * M_PI * hz);
    return 6.2 + jw * 0.35e-3 + 1.0 / (1.0 / 12.0 + 1.0 / (jw * 1.1e-3));
}

// 200 points from 10 Hz to 20 kHz, magnitude and phase, as a measurement program writes them.
QByteArray wooferFile()
{
    QByteArray text = "* woofer\n* Hz  ohm  deg\n";
    for (int i = 0; i < 200; ++i) {
        const double hz = 10 * std::pow(2000.0, i / 199.0);
        const cplx z = woofer(hz);
        text += QByteArray::number(hz, 'g', 12) + ' ' + QByteArray::number(std::abs(z), 'g', 12) +
                ' ' + QByteArray::number(std::arg(z) * 180 / M_PI, 'g', 12) + '\n';
    }
    return text;
}

// The design's gain (dB) with a speaker of impedance zs, at w, without or with the Zobel network.
double gainWith(const DesignRecord &r, cplx zs, double w, bool zobel)
{
    const cplx j(0, 1);
    cplx Y = 1.0 / zs + j * w * r.filter_c_par_modeval * 1e-6;
    if (zobel) {
        const double Czp = r.zobel_c_parval ? r.zobel_c_parval : 1e-13,
                     Czs = r.zobel_c_serval ? r.zobel_c_serval : 1e-13;
        Y += 1.0 /
             (1.0 / (j * w * Czs) + 1.0 / (1.0 / (r.zobel_r_parval * 1.0000001) + j * w * Czp)) /
             (r.full_bridge_select ? 2.0 : 1.0);
    }
    const double L = r.filter_l_par_modeval * (r.full_bridge_select ? 2 : 1);
    return -20 * std::log10(std::abs(1.0 + j * w * L * Y));
}

}  // namespace

class TestMeasuredSpeaker : public QObject
{
    Q_OBJECT

private slots:

    void init()
    {
        m_dir.emplace();
        QVERIFY(writeBytes(path("woofer.zma"), wooferFile()));
        QVERIFY(writeBytes(path("binary.dat"), QByteArray("abc\0\1\2def\n", 10)));
        m_form = openWindow<Form1>();
    }
    void cleanup()
    {
        delete m_form;
        m_dir.reset();
    }

    // Drawn for a full bridge with another Zobel network and filter capacitor.
    void overlays()
    {
        play(m_form,
             "full; pick zobel_r_par 10; pick zobel_c_par 0; pick zobel_c_ser .22; pick "
             "filter_c_par .47");
        childNamed<QAction>(m_form, "power_calcs")->trigger();
        const QStringList figures = texts(m_form, kFigureBoxes + QStringList{"Text_rzobel_power"});
        const QList<double> fig3 = curveOf(m_form, "CWGraph4");
        load(path("woofer.zma"));
        QVERIFY(m_form->measuredSpeaker());
        // The boxes and curves stay the design's own resistance and inductance.
        QCOMPARE(texts(m_form, kFigureBoxes + QStringList{"Text_rzobel_power"}), figures);
        QCOMPARE(curveOf(m_form, "CWGraph4"), fig3);
        const DesignRecord &d = m_form->design();
        // Fig. 1: the file's points, and the load used up to 1 MHz: the model itself, as the
        // file holds it exactly.
        GraphControl *fig1 = childNamed<GraphControl>(m_form, "CWGraph1");
        QCOMPARE(fig1->overlayCount(), 2);
        QCOMPARE(fig1->overlayX(0, 0), 10.0);
        QVERIFY(std::fabs(fig1->overlayY(0, 199) / std::abs(woofer(20000)) - 1) < 1e-9);
        // Drawn at the load comparison's points, a tenth of the grid and closer than a pixel.
        const std::vector<int> &points = comparedGridPoints();
        QCOMPARE(fig1->overlayX(1, 0),
                 points[1] * 100.0);  // the first point repeats the second, as on the curve
        for (std::size_t j = 1; j < points.size(); j += 50)
            QVERIFY2(fig1->overlayX(1, j) == points[j] * 100.0 &&
                         std::fabs(fig1->overlayY(1, j) / std::abs(woofer(points[j] * 100.0)) - 1) <
                             0.005,
                     qPrintable(QString::number(j)));
        // Fig. 2 and 3: the gain with the woofer as the load, within 0.01 dB.
        for (const auto &[name, zobel] :
             {std::pair{"CWGraph3", false}, std::pair{"CWGraph4", true}}) {
            GraphControl *g = childNamed<GraphControl>(m_form, name);
            QCOMPARE(g->overlayCount(), 1);
            QCOMPARE(QPointF(g->overlayX(0, 0), g->overlayY(0, 0)),
                     QPointF(0, 0));  // as the curve starts
            for (std::size_t j = 1; j < points.size(); j += 13) {
                const int i = points[j];
                const double expected = gainWith(d, woofer(i * 100.0), i * 6.28318 * 100, zobel);
                QVERIFY2(g->overlayX(0, j) == i * 100.0 &&
                             std::fabs(g->overlayY(0, j) - expected) < 0.01,
                         qPrintable(QString("%1 at %2 Hz: %3, expected %4")
                                        .arg(name)
                                        .arg(i * 100)
                                        .arg(g->overlayY(0, j))
                                        .arg(expected)));
            }
        }
        // The Power graph: 50 W of real power into the woofer at each frequency.
        childNamed<QAction>(m_form, "power_calcs")->trigger();
        GraphControl *power = childNamed<GraphControl>(m_form->powerWindow(), "CWGraph4");
        QCOMPARE(power->overlayCount(), 1);
        for (int i : {1, 70, 1000}) {
            const double w = i * 6.28 * 100.0;
            const cplx zs = woofer(i * 100.0), j(0, 1);
            const double v2 = 50 * std::norm(zs) / zs.real() / (d.full_bridge_select ? 4 : 1);
            const cplx par =
                d.zobel_r_parval /
                (1.0 + j * w * d.zobel_r_parval * (d.zobel_c_parval ? d.zobel_c_parval : 1e-13));
            const double expected =
                v2 * std::norm(par / (par + 1.0 / (j * w * d.zobel_c_serval))) / d.zobel_r_parval;
            QVERIFY2(power->overlayX(0, i) == i * 100.0 &&
                         std::fabs(power->overlayY(0, i) / expected - 1) < 0.01,
                     qPrintable(QString::number(i)));
        }
        // The fit is shown with its values.
        QWidget *fit = m_form->findChild<QWidget *>("MeasuredSpeakerWindow");
        QVERIFY(textOf(fit, "measuredModel")
                    .startsWith("Re 6.2 ohm, Le 0.35 mH, R2 12 ohm, L2 1.1 mH"));
        auto *model = childNamed<QLabel>(fit, "measuredModel");
        QTest::mouseDClick(model, Qt::LeftButton, {}, QPoint(4, model->height() / 2));
        QVERIFY(model->hasSelectedText());  // a double click selects a word, to copy
        // Cleared: the overlays go, the boxes stay.
        childNamed<QAction>(m_form, "measured_clear")->trigger();
        QVERIFY(!m_form->measuredSpeaker());
        for (const char *name : {"CWGraph1", "CWGraph3", "CWGraph4"})
            QCOMPARE(childNamed<GraphControl>(m_form, name)->overlayCount(), 0);
        QCOMPARE(power->overlayCount(), 0);
    }

    // A refused file: told why, and the speaker loaded before stays.
    void refused()
    {
        const QString file = "binary.dat", told = "Line 1: binary content (byte 0x00), not text.";
        load(path("woofer.zma"));
        const double before = childNamed<GraphControl>(m_form, "CWGraph3")->overlayY(0, 300);
        BoxAnswerer answerer;
        answerFileDialog(path(file));
        childNamed<QAction>(m_form, "measured_load")->trigger();
        QTRY_COMPARE(answerer.seen.size(), 1);
        QCOMPARE(answerer.seen[0], (QStringList{"Quorvel", path(file) + " was not loaded. " + told,
                                                QString::number(QMessageBox::Warning)}));
        QCOMPARE(m_form->measuredSpeaker()->fileName(), QStringLiteral("woofer.zma"));
        QCOMPARE(childNamed<GraphControl>(m_form, "CWGraph3")->overlayY(0, 300), before);
    }

    void recentFiles()
    {
        load(path("woofer.zma"));
        childNamed<QAction>(m_form, "measured_clear")->trigger();
        auto *recent = childNamed<QMenu>(m_form, "measured_recent");
        QVERIFY(recent->isEnabled() && !recent->actions().isEmpty());
        QVERIFY(recent->actions().first()->text().endsWith(path("woofer.zma")));
        recent->actions().first()->trigger();
        QCOMPARE(m_form->measuredSpeaker()->fileName(), QStringLiteral("woofer.zma"));
    }

    void netlistOfTheFit()
    {
        // The netlist holds the fitted model; ngspice's gain for it and the drawn gain agree
        // within 0.01 dB, at the frequencies ngspice prints.
        load(path("woofer.zma"));
        play(m_form, "full; pick zobel_c_par .22");
        setSaveNameChooser([this](QWidget *, const QString &, const QString &, const QString &) {
            return path("fit.cir");
        });
        childNamed<QAction>(childNamed<GraphControl>(m_form, "CWGraph4"), "actionSaveNetlist")
            ->trigger();
        QVERIFY(contents(path("fit.cir")).contains("\nRVC1 "));
        QProcess ngspice;
        ngspice.start("ngspice", {"-b", path("fit.cir")});
        QVERIFY(ngspice.waitForFinished(60000));
        int rows = 0;
        for (const QRegularExpressionMatch &m :
             QRegularExpression("^\\d+\\t(\\S+)\\t(\\S+)", QRegularExpression::MultilineOption)
                 .globalMatch(ngspice.readAllStandardOutput())) {
            const double hz = m.captured(1).toDouble();
            const double expected = gainWith(
                m_form->design(), m_form->measuredSpeaker()->impedance(hz), 2 * M_PI * hz, true);
            QVERIFY2(std::fabs(m.captured(2).toDouble() - expected) < 0.01,
                     qPrintable(m.captured(0) + " expected " + QString::number(expected)));
            ++rows;
        }
        QCOMPARE(rows, 401);
    }

private:
    QString path(const QString &name) const { return m_dir->filePath(name); }
    // Loads a file through the menu and the file dialog, as a user would.
    void load(const QString &file)
    {
        answerFileDialog(file);
        childNamed<QAction>(m_form, "measured_load")->trigger();
    }

    Form1 *m_form = nullptr;
    std::optional<QTemporaryDir> m_dir;
};

QTEST_MAIN(TestMeasuredSpeaker)
#include "tst_measuredspeaker.moc"
