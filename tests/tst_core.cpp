// The widget-free core: network kernels, sweeps, value tables, texts, placement, the Zobel
// resistor's dissipation and the zoom ranges. The kernels are checked against the published
// ratios and the network solved with complex arithmetic, the dissipation against
// tests/reference/zobel_power.py. The gain figures and the acceptance rules are checked through
// the main window (tst_form1).
#include "core/common/engineering.h"
#include "core/common/figuretext.h"
#include "core/common/placement.h"
#include "core/common/readouttext.h"
#include "core/common/zoom.h"
#include "core/network/analysis.h"
#include "core/network/module1.h"
#include "core/network/powersweep.h"
#include "core/network/sweeps.h"
#include "core/network/valuelists.h"

#include <QTest>

#include <complex>
#include <cstdlib>
#include <limits>
#include <new>
#include <random>

#include "allocationcount.h"

using Doubles = QList<double>;

namespace {

// |Vout/Vin| of the L-section loaded by speaker || Cf || Zobel (k branches in series).
double networkRatio(double w, double Rs, double Rz, double Cf, double Czp, double Czs, double Ls,
                    double L, bool full)
{
    const std::complex<double> j(0, 1);
    const double k = full ? 2 : 1;
    const auto Yz = j * w * Czs * (1.0 + j * w * Rz * Czp) / (1.0 + j * w * Rz * (Czp + Czs));
    const auto ZL = 1.0 / (1.0 / (Rs + j * w * Ls) + j * w * Cf + Yz / k);
    return std::abs(ZL) / std::abs(ZL + j * w * L);
}

double kernelRatio(double w, double Rs, double Rz, double Cf, double Czp, double Czs, double Ls,
                   double L, bool full)
{
    const std::int16_t f = full ? -1 : 0;
    return Module1::Gain_numerator(w, Rs, Rz, Cf, Czp, Czs, Ls, L, f) /
           Module1::Gain_denominator(w, Rs, Rz, Cf, Czp, Czs, Ls, L, f);
}

struct Run {
    DesignAnalysis a;
    const Curve &impedance = a.impedance, &plain = a.gain, &zobel = a.gainZobel;
    const GainFigures &fig2 = a.gainFigures, &fig3 = a.gainZobelFigures;
    explicit Run(const DesignRecord &r) { analyseDesign(r, 50, a); }
    QStringList texts(const GainFigures &g) const
    {
        return {figureText(g.maximum), figureText(g.gain20k), figureText(g.gain384k)};
    }
};

}  // namespace

class TestCore : public QObject
{
    Q_OBJECT

private slots:
    void kernels()
    {
        // The published ratios at 20 kHz (w on the program's grid), both topologies.
        QVERIFY(qAbs(kernelRatio(125663.6, 8, 6.0000006, 1e-6, 1e-7, 1e-7, 6.7e-4, 2.2e-5, false) -
                     1.53656) < 5e-6);
        QVERIFY(qAbs(kernelRatio(125663.6, 8, 6.0000006, 1e-6, 1e-7, 1e-7, 6.7e-4, 4.4e-5, true) -
                     2.97598) < 5e-6);
        // Anywhere in the selectors' ranges they agree with the network solved directly.
        std::mt19937 rng(7);
        std::uniform_real_distribution<double> u(0, 1);
        for (int n = 0; n < 300; ++n) {
            const double w = 628.318 * (1 + 9999 * u(rng)), Rs = 2 + 6 * u(rng),
                         Rz = 1 + 99 * u(rng);
            const double Cf = 1e-7 + 1.9e-6 * u(rng), Czp = 1e-6 * u(rng),
                         Czs = 1e-6 * u(rng) + 1e-13;
            const double Ls = 1e-3 * u(rng), L = 3e-6 + 1.97e-4 * u(rng);
            const double expected = networkRatio(w, Rs, Rz, Cf, Czp, Czs, Ls, L, n % 2);
            QVERIFY2(qAbs(kernelRatio(w, Rs, Rz, Cf, Czp, Czs, Ls, L, n % 2) / expected - 1) < 1e-9,
                     qPrintable(QString::number(n)));
        }
    }

    void impedance()
    {
        const Run run(DesignRecord::startup());
        for (const auto &[index, ohms] :
             {std::pair{1, 8.01107}, {200, 84.5738}, {3840, 1616.56}, {10000, 4209.74}}) {
            QCOMPARE(run.impedance.x[index], index * 100.0);
            QVERIFY2(qAbs(run.impedance.y[index] / ohms - 1) < 4e-6,
                     qPrintable(QString::number(run.impedance.y[index], 'g', 9)));
        }
        // No 0 Hz point: the first point repeats 100 Hz.
        QCOMPARE(run.impedance.x[0], 100.0);
        QCOMPARE(run.impedance.y[0], run.impedance.y[1]);
    }

    void analysisAllocatesNothing_data()
    {
        QTest::addColumn<int>("topology");
        QTest::newRow("half bridge") << 0;
        QTest::newRow("full bridge") << -1;
    }

    void analysisAllocatesNothing()
    {
        // Given its buffers back, the analysis writes into them: the new analyses call it
        // thousands of times per change.
        QFETCH(int, topology);
        DesignRecord r = DesignRecord::startup();
        r.full_bridge_select = Flag(topology);
        static DesignAnalysis a;
        analyseDesign(r, 50, a);
        QCOMPARE(allocationsOf([&] {
                     for (int i = 0; i < 5; ++i) {
                         r.zobel_r_parval = 1 + i;
                         analyseDesign(r, 50, a);
                     }
                 }),
                 0L);
        QCOMPARE(a.network.R2, 5 * 1.0000001);  // the last call did run
    }

    void degenerateDesigns()
    {
        // Speaker and filter all zero, as in the first start-up runs: every guard is needed.
        DesignRecord zero;
        zero.zobel_c_parval = zero.zobel_c_serval = 1e-7;
        zero.zobel_r_parval = 6;
        const Run z(zero);
        QCOMPARE((QList<double>{z.impedance.y[10000], z.plain.y[5000], z.zobel.y[5000]}),
                 (QList<double>{0, -200, -200}));
        QCOMPARE(z.texts(z.fig2) + z.texts(z.fig3),
                 (QStringList{"0dB", "-200dB", "-200dB", "0dB", "-200dB", "-200dB"}));
        // A design that never rises above 0 dB shows 0dB as its maximum.
        DesignRecord damped = zero;
        damped.speaker_r_modeval = 2;
        damped.filter_l_par_modeval = 1e-4;
        damped.filter_c_par_modeval = 0.1;
        const Run d(damped);
        QCOMPARE(d.fig2.maximum, 0.0);
        for (int i = 0; i < kSweepSize; ++i)  // and the speaker alone is flat
            QCOMPARE(d.impedance.y[i], 2.0);
    }

    void texts_data()
    {
        // kind: d = gain figure, f = cursor frequency, g = gain read-out, z = impedance read-out,
        // p = power read-out, w = the 7 kHz dissipation figure, a = frequency axis label
        QTest::addColumn<QChar>("kind");
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("text");
        QTest::newRow("figure, one decimal") << QChar('d') << 0.5 << "0.5dB";
        QTest::newRow("figure rounds to 0, no sign") << QChar('d') << -0.0007 << "0dB";
        QTest::newRow("figure tie to even, down") << QChar('d') << 0.125 << "0.12dB";
        QTest::newRow("figure, leading zero") << QChar('d') << -0.07 << "-0.07dB";
        QTest::newRow("figure past 16 bits") << QChar('d') << 327.68 << "327.68dB";  // no wrap
        QTest::newRow("figure, not a number")
            << QChar('d') << std::numeric_limits<double>::quiet_NaN() << "nandB";
        QTest::newRow("tie goes to even") << QChar('f') << 12850.0 << "12.8khz";
        QTest::newRow("carry into kHz") << QChar('f') << 12960.0 << "13.0khz";
        QTest::newRow("999.6 Hz") << QChar('f') << 999.6 << "1.0khz";
        QTest::newRow("-3.456 dB") << QChar('g') << -3.456 << "-3.45dB";
        QTest::newRow("0 dB") << QChar('g') << 0.0 << "0.00dB";
        QTest::newRow("cut from binary") << QChar('g') << 2.05 << "2.04dB";
        QTest::newRow("1234.5678 ohm") << QChar('z') << 1234.5678 << "1234.56";
        QTest::newRow("8.7 ohm from binary") << QChar('z') << 8.7 << "8.69";
        QTest::newRow("ten hundredths ohm") << QChar('z') << 0.1 << "0.10";
        QTest::newRow("power 0.1") << QChar('p') << 0.1 << "0.100W";
        QTest::newRow("power 1.2345 is cut") << QChar('p') << 1.2345 << "1.234W";
        QTest::newRow("power, ten thousandths") << QChar('p') << 0.0105 << "0.010W";
        QTest::newRow("7 kHz would wrap to zero") << QChar('w') << 65.5365 << "65.536W";
        QTest::newRow("1kHz") << QChar('a') << 1e3 << "1kHz";
        QTest::newRow("999.9 Hz label") << QChar('a') << 999.9 << "1kHz";
        QTest::newRow("past the last prefix") << QChar('a') << 1.2345e15 << "1.23e+03THz";
    }

    void texts()
    {
        QFETCH(QChar, kind);
        QFETCH(double, value);
        QFETCH(QString, text);
        const QMap<QChar, QString> texts{
            {'d', figureText(value)},           {'f', frequencyText(value)},
            {'g', gainReadoutText(value)},      {'z', impedanceReadoutText(value)},
            {'p', powerReadoutText(value)},     {'w', dissipationFigureText(value)},
            {'a', engineeringText(value, "Hz")}};
        const QString actual = texts.value(kind);
        QCOMPARE(actual, text);
    }

    void placement()
    {
        const WindowRect size = mainWindowSize(1920, 1080);
        QCOMPARE(size.width, 1881.6);
        QCOMPARE(size.height, 1026.0);
    }

    void powerSweep_data()
    {
        QTest::addColumn<Doubles>("in");  // load W, C par, C ser, R, full bridge; speaker 8 ohm
        QTest::addColumn<Doubles>("expected");  // V, W at 7 kHz, W at 100 kHz
        QTest::addColumn<QString>("figure");
        QTest::newRow("start-up") << Doubles{50, 1e-7, 1e-7, 6, 0}
                                  << Doubles{20, 0.04625085275242314, 6.036824901300643}
                                  << "0.046W";
        QTest::newRow("full bridge")
            << Doubles{50, 1e-7, 1e-7, 6, 1}
            << Doubles{10, 0.011562713188105785, 1.5092062253251608} << "0.011W";
        QTest::newRow("no parallel C")
            << Doubles{50, 0, 1e-7, 6, 0} << Doubles{20, 0.04634731481560032, 8.288436079520823}
            << "0.046W";
        QTest::newRow("300 W, 10 ohm, 1uF")
            << Doubles{300, 1e-7, 1e-6, 10, 0}
            << Doubles{48.98979485566356, 37.58990145757759, 194.27598226486512} << "37.589W";
    }

    void powerSweep()
    {
        QFETCH(Doubles, in);
        QFETCH(Doubles, expected);
        QFETCH(QString, figure);
        static PowerCurve curve;  // reused from row to row, as the window reuses its own
        const PowerFigures fig =
            sweepZobelPower({8, in[0], in[1], in[2], in[3], in[4] != 0}, curve);
        const Doubles got{fig.rmsVoltage, fig.at7kHz, curve.y[1000]};
        for (int i = 0; i < 3; ++i)
            QVERIFY2(qAbs(got[i] - expected[i]) <= 1e-12 * expected[i],
                     qPrintable(QString::number(got[i], 'g', 17)));
        QCOMPARE(dissipationFigureText(fig.at7kHz), figure);
        QCOMPARE((Doubles{double(curve.x.size()), curve.x[0], curve.y[0], curve.x[1], curve.x[70],
                          curve.y[70], curve.x[1000]}),
                 (Doubles{1001, 0, 0, 100, 7000, fig.at7kHz, 100000}));
    }

    void zoom_data()
    {
        QTest::addColumn<Doubles>("cursor");
        QTest::addColumn<Doubles>("view");  // X minimum, maximum; Y minimum, maximum
        QTest::newRow("20 kHz, -3 dB") << Doubles{20000, -3} << Doubles{1000, 200000, -23, 17};
        QTest::newRow("200 kHz, capped")
            << Doubles{200000, 5.5} << Doubles{10000, 1700000, -14.5, 25.5};
        QTest::newRow("169999.9 Hz, capped")
            << Doubles{169999.9, 0} << Doubles{8499.995, 1700000, -20, 20};
        QTest::newRow("169999.8 Hz, not capped")
            << Doubles{169999.8, 0} << Doubles{8499.99, 1699998, -20, 20};
    }

    void zoom()
    {
        QFETCH(Doubles, cursor);
        QFETCH(Doubles, view);
        const AxisView v = zoomAtCursor(cursor[0], cursor[1]);
        QCOMPARE((Doubles{v.xMinimum, v.xMaximum, v.yMinimum, v.yMaximum}), view);
    }
};

QTEST_APPLESS_MAIN(TestCore)
#include "tst_core.moc"
