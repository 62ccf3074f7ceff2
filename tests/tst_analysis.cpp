// Response kernels and the three sweeps, against reference figures of the start-up design and an
// independent complex-arithmetic model of the network.
#include "core/figuretext.h"
#include "core/module1.h"
#include "core/sweeps.h"

#include <QTest>

#include <complex>
#include <random>

namespace {

using cd = std::complex<double>;

// |Vout/Vin| of the L-section loaded by speaker || Cf || Zobel (k branches in series).
double referenceRatio(double w, double Rs, double Rz, double Cf, double Czp, double Czs, double Ls,
                      double L, bool full)
{
    const cd j(0, 1);
    const double k = full ? 2 : 1;
    const cd Zs = Rs + j * w * Ls;
    const cd Yz = j * w * Czs * (1.0 + j * w * Rz * Czp) / (1.0 + j * w * Rz * (Czp + Czs));
    const cd ZL = 1.0 / (1.0 / Zs + j * w * Cf + Yz / k);
    return std::abs(ZL) / std::abs(ZL + j * w * L);
}

DesignRecord startupDesign(bool full)
{
    DesignRecord r = DesignRecord::startup();
    r.full_bridge_select = full ? kFlagTrue : kFlagFalse;
    return r;
}

struct Figures {
    GainFigures plain, zobel;
    Curve impedance, plainCurve, zobelCurve;
};

Figures runAll(DesignRecord &r)
{
    Figures f;
    sweepImpedance(r, f.impedance);
    f.plain = sweepGainPlain(r, f.plainCurve);
    f.zobel = sweepGainZobel(r, f.zobelCurve);
    return f;
}

}  // namespace

class TestAnalysis : public QObject
{
    Q_OBJECT

private slots:
    void kernelRatio_data();
    void kernelRatio();
    void kernelAtZeroFrequency();
    void kernelMatchesComplexModel();
    void impedancePoints_data();
    void impedancePoints();
    void impedanceFlatWithoutInductance();
    void gainFigures_data();
    void gainFigures();
    void zobelMaximumFrequency();
    void derivedFields_data();
    void derivedFields();
    void firstCurvePoints();
    void allZeroDesign();
    void noZobelCapacitorsMatchesPlain();
    void dampedDesignShowsZeroMaximum();
};

void TestAnalysis::kernelRatio_data()
{
    QTest::addColumn<double>("L");
    QTest::addColumn<int>("full");
    QTest::addColumn<double>("ratio");
    QTest::newRow("half bridge, 20 kHz") << 2.2e-5 << 0 << 1.53656;
    QTest::newRow("full bridge, 20 kHz") << 4.4e-5 << -1 << 2.97598;
}

void TestAnalysis::kernelRatio()
{
    QFETCH(double, L);
    QFETCH(int, full);
    QFETCH(double, ratio);
    const double w = 125663.6;
    const auto f = static_cast<std::int16_t>(full);
    const double num = Module1::Gain_numerator(w, 8, 6.0000006, 1e-6, 1e-7, 1e-7, 6.7e-4, L, f);
    const double den = Module1::Gain_denominator(w, 8, 6.0000006, 1e-6, 1e-7, 1e-7, 6.7e-4, L, f);
    QVERIFY(qAbs(num / den - ratio) < 5e-6);
}

void TestAnalysis::kernelAtZeroFrequency()
{
    for (std::int16_t full : {std::int16_t(0), std::int16_t(-1)}) {
        const double k = full ? 2 : 1;
        const double num = Module1::Gain_numerator(0, 8, 6, 1e-6, 1e-7, 1e-7, 6.7e-4, 2.2e-5, full);
        const double den = Module1::Gain_denominator(0, 8, 6, 1e-6, 1e-7, 1e-7, 6.7e-4, 2.2e-5, full);
        QCOMPARE(num, k * 8);
        QCOMPARE(den, k * 8);
    }
}

void TestAnalysis::kernelMatchesComplexModel()
{
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> u(0, 1);
    for (int n = 0; n < 2000; ++n) {
        const double w = 628.318 * (1 + 9999 * u(rng));
        const double Rs = 2 + 6 * u(rng), Rz = 1 + 99 * u(rng);
        const double Cf = 1e-7 + 1.9e-6 * u(rng), Czp = 1e-6 * u(rng), Czs = 1e-6 * u(rng) + 1e-13;
        const double Ls = 1e-3 * u(rng), L = 3e-6 + 1.97e-4 * u(rng);
        const bool full = n % 2;
        const auto f = static_cast<std::int16_t>(full ? -1 : 0);
        const double ratio = Module1::Gain_numerator(w, Rs, Rz, Cf, Czp, Czs, Ls, L, f) /
                             Module1::Gain_denominator(w, Rs, Rz, Cf, Czp, Czs, Ls, L, f);
        const double expected = referenceRatio(w, Rs, Rz, Cf, Czp, Czs, Ls, L, full);
        QVERIFY2(qAbs(ratio / expected - 1) < 1e-9, qPrintable(QString::number(n)));
        // The numerator does not see the filter inductor.
        QCOMPARE(Module1::Gain_numerator(w, Rs, Rz, Cf, Czp, Czs, Ls, 2 * L, f),
                 Module1::Gain_numerator(w, Rs, Rz, Cf, Czp, Czs, Ls, L, f));
    }
}

void TestAnalysis::impedancePoints_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<double>("ohms");
    QTest::newRow("100 Hz") << 1 << 8.01107;
    QTest::newRow("20 kHz") << 200 << 84.5738;
    QTest::newRow("384 kHz") << 3840 << 1616.56;
    QTest::newRow("1 MHz") << 10000 << 4209.74;
}

void TestAnalysis::impedancePoints()
{
    QFETCH(int, index);
    QFETCH(double, ohms);
    DesignRecord r = startupDesign(false);
    Curve c;
    sweepImpedance(r, c);
    QCOMPARE(c.x[index], index * 100.0);
    // The reference values carry six significant digits.
    QVERIFY2(qAbs(c.y[index] / ohms - 1) < 4e-6, qPrintable(QString::number(c.y[index], 'g', 9)));
    QCOMPARE(c.x[0], c.x[1]);
    QCOMPARE(c.y[0], c.y[1]);
}

void TestAnalysis::impedanceFlatWithoutInductance()
{
    DesignRecord r = startupDesign(false);
    r.actual_l_net = 0;
    Curve c;
    sweepImpedance(r, c);
    for (int i = 0; i < kSweepSize; ++i)
        QCOMPARE(c.y[i], 8.0);
}

void TestAnalysis::gainFigures_data()
{
    QTest::addColumn<bool>("full");
    QTest::addColumn<QStringList>("plain");
    QTest::addColumn<QStringList>("zobel");
    QTest::newRow("half bridge") << false << QStringList{"3.28dB", "-42.08dB", "53.67dB"}
                                 << QStringList{"3.73dB", "-42.55dB", "37.76dB"};
    QTest::newRow("full bridge") << true << QStringList{"8.63dB", "-48.13dB", "44.63dB"}
                                 << QStringList{"9.47dB", "-48.37dB", "40.14dB"};
}

void TestAnalysis::gainFigures()
{
    QFETCH(bool, full);
    QFETCH(QStringList, plain);
    QFETCH(QStringList, zobel);
    DesignRecord r = startupDesign(full);
    const Figures f = runAll(r);
    QVERIFY(f.plain.has20k && f.plain.has384k && f.zobel.has20k && f.zobel.has384k);
    QCOMPARE((QStringList{figureText(f.plain.gain20k), figureText(f.plain.gain384k),
                          figureText(f.plain.maximum)}),
             plain);
    QCOMPARE((QStringList{figureText(f.zobel.gain20k), figureText(f.zobel.gain384k),
                          figureText(f.zobel.maximum)}),
             zobel);
    // The spot figures are the curve's own points.
    QCOMPARE(f.plainCurve.y[200], f.plain.gain20k);
    QCOMPARE(f.zobelCurve.y[3840], f.zobel.gain384k);
}

void TestAnalysis::zobelMaximumFrequency()
{
    DesignRecord r = startupDesign(false);
    const Figures f = runAll(r);
    const auto peak = std::max_element(f.zobelCurve.y.begin(), f.zobelCurve.y.end());
    QCOMPARE(*peak, f.zobel.maximum);
    QCOMPARE(f.zobelCurve.x[peak - f.zobelCurve.y.begin()], 32900.0);
}

void TestAnalysis::derivedFields_data()
{
    QTest::addColumn<bool>("full");
    QTest::addColumn<double>("zobelCPar");
    QTest::addColumn<double>("L2");
    QTest::addColumn<double>("C2");
    QTest::newRow("half bridge") << false << 1e-7 << 2.2e-5 << 1e-7;
    QTest::newRow("full bridge doubles L") << true << 1e-7 << 4.4e-5 << 1e-7;
    QTest::newRow("no parallel capacitor") << false << 0.0 << 2.2e-5 << 1e-13;
}

void TestAnalysis::derivedFields()
{
    QFETCH(bool, full);
    QFETCH(double, zobelCPar);
    QFETCH(double, L2);
    QFETCH(double, C2);
    DesignRecord r = startupDesign(full);
    r.zobel_c_parval = zobelCPar;
    runAll(r);
    QCOMPARE(r.R1, 8.0);
    QCOMPARE(r.L1, 0.67 * 0.001);
    QCOMPARE(r.L2, L2);
    QCOMPARE(r.C1, 1e-6);
    QCOMPARE(r.C2, C2);
    QCOMPARE(r.C3, 1e-7);
    QCOMPARE(r.R2, 6 * 1.0000001);
}

void TestAnalysis::firstCurvePoints()
{
    DesignRecord r = startupDesign(false);
    Figures f = runAll(r);
    for (const Curve *c : {&f.plainCurve, &f.zobelCurve}) {
        QCOMPARE(c->x[0], 0.0);
        QCOMPARE(c->y[0], 0.0);
        QCOMPARE(c->x[1], 100.0);
        QVERIFY(c->y[1] < 0 && c->y[1] > -0.001);
    }
    // A reused curve starts from (0 Hz, 0 dB) again, whatever it held.
    f.plainCurve.x[0] = f.plainCurve.y[0] = 42;
    sweepGainPlain(r, f.plainCurve);
    QCOMPARE(f.plainCurve.x[0], 0.0);
    QCOMPARE(f.plainCurve.y[0], 0.0);
}

void TestAnalysis::allZeroDesign()
{
    // Speaker and filter all zero, as during the first start-up runs.
    DesignRecord r;
    r.zobel_c_parval = 1e-7;
    r.zobel_c_serval = 1e-7;
    r.zobel_r_parval = 6;
    const Figures f = runAll(r);
    for (int i = 0; i < kSweepSize; ++i)
        QCOMPARE(f.impedance.y[i], 0.0);
    for (int i = 1; i < kSweepSize; ++i) {
        QCOMPARE(f.plainCurve.y[i], -200.0);
        QCOMPARE(f.zobelCurve.y[i], -200.0);
    }
    for (const GainFigures &g : {f.plain, f.zobel}) {
        QCOMPARE(figureText(g.gain20k), QStringLiteral("-200dB"));
        QCOMPARE(figureText(g.gain384k), QStringLiteral("-200dB"));
        QCOMPARE(figureText(g.maximum), QStringLiteral("0dB"));
    }
}

void TestAnalysis::noZobelCapacitorsMatchesPlain()
{
    for (bool full : {false, true}) {
        DesignRecord r = startupDesign(full);
        r.zobel_c_parval = 0;
        r.zobel_c_serval = 0;
        const Figures f = runAll(r);
        QCOMPARE(figureText(f.zobel.gain20k), figureText(f.plain.gain20k));
        QCOMPARE(figureText(f.zobel.gain384k), figureText(f.plain.gain384k));
        QCOMPARE(figureText(f.zobel.maximum), figureText(f.plain.maximum));
    }
}

void TestAnalysis::dampedDesignShowsZeroMaximum()
{
    DesignRecord r = startupDesign(false);
    r.speaker_r_modeval = 2;
    r.actual_l_net = 0;
    r.filter_l_par_modeval = 1e-4;
    r.filter_c_par_modeval = 0.1;
    const Figures f = runAll(r);
    QCOMPARE(f.plain.maximum, 0.0);
    QCOMPARE(figureText(f.plain.maximum), QStringLiteral("0dB"));
    QVERIFY(f.plainCurve.y[10000] < -20);
}

QTEST_APPLESS_MAIN(TestAnalysis)
#include "tst_analysis.moc"
