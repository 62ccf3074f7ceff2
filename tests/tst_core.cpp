// The widget-free core: network kernels, texts, placement and the zoom ranges. The kernels are
// checked against the network solved with complex arithmetic; the curves, the report and the
// dissipation against tests/reference/network.py by cli_reference.py. The gain figures and the
// acceptance rules are checked through the main window (tst_form1).
#include "core/common/engineering.h"
#include "core/common/figuretext.h"
#include "core/common/placement.h"
#include "core/common/readouttext.h"
#include "core/common/zoom.h"
#include "core/network/analysis.h"
#include "core/network/module1.h"
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

}  // namespace

class TestCore : public QObject
{
    Q_OBJECT

private slots:
    void kernels()
    {
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

    void analysisAllocatesNothing()
    {
        // Given its buffers back, the analysis writes into them: the new analyses call it
        // thousands of times per change.
        DesignRecord r = DesignRecord::startup();
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
        DesignAnalysis z;
        analyseDesign(zero, 50, z);
        const GainFigures &g = z.gainFigures, &gz = z.gainZobelFigures;
        QCOMPARE((Doubles{z.impedance.y[10000], z.gain.y[5000], z.gainZobel.y[5000], g.maximum,
                          g.gain20k, g.gain384k, gz.maximum, gz.gain20k, gz.gain384k}),
                 (Doubles{0, -200, -200, 0, -200, -200, 0, -200, -200}));
        // A design that never rises above 0 dB shows 0dB as its maximum.
        DesignRecord damped = zero;
        damped.speaker_r_modeval = 2;
        damped.filter_l_par_modeval = 1e-4;
        damped.filter_c_par_modeval = 0.1;
        analyseDesign(damped, 50, z);
        QCOMPARE(z.gainFigures.maximum, 0.0);
        for (int i = 0; i < kSweepSize; ++i)  // and the speaker alone is flat
            QCOMPARE(z.impedance.y[i], 2.0);
    }

    void texts_data()
    {
        // kind: d = gain figure, f = cursor frequency, g = gain read-out, z = impedance read-out,
        // p = power read-out, w = the 7 kHz dissipation figure, a = frequency axis label
        QTest::addColumn<QChar>("kind");
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("text");
        QTest::newRow("figure rounds to 0, no sign") << QChar('d') << -0.0007 << "0dB";
        QTest::newRow("figure tie to even, down") << QChar('d') << 0.125 << "0.12dB";
        QTest::newRow("figure, leading zero") << QChar('d') << -0.07 << "-0.07dB";
        QTest::newRow("figure past 16 bits") << QChar('d') << 327.68 << "327.68dB";  // no wrap
        QTest::newRow("figure, not a number")
            << QChar('d') << std::numeric_limits<double>::quiet_NaN() << "nandB";
        QTest::newRow("tie goes to even") << QChar('f') << 12850.0 << "12.8khz";
        QTest::newRow("carry into kHz") << QChar('f') << 12960.0 << "13.0khz";
        QTest::newRow("-3.456 dB") << QChar('g') << -3.456 << "-3.45dB";
        QTest::newRow("0 dB") << QChar('g') << 0.0 << "0.00dB";
        QTest::newRow("1234.5678 ohm") << QChar('z') << 1234.5678 << "1234.56";
        QTest::newRow("ten hundredths ohm") << QChar('z') << 0.1 << "0.10";
        QTest::newRow("power 0.1") << QChar('p') << 0.1 << "0.100W";
        QTest::newRow("power, ten thousandths") << QChar('p') << 0.0105 << "0.010W";
        QTest::newRow("7 kHz would wrap to zero") << QChar('w') << 65.5365 << "65.536W";
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

    void zoom_data()
    {
        QTest::addColumn<Doubles>("cursor");
        QTest::addColumn<Doubles>("view");  // X minimum, maximum; Y minimum, maximum
        QTest::newRow("20 kHz, -3 dB") << Doubles{20000, -3} << Doubles{1000, 200000, -23, 17};
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
