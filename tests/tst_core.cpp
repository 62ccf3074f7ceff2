// The widget-free core: network kernels, texts and placement. The kernels are checked against the
// network solved with complex arithmetic; the curves, the report and the dissipation against
// tests/reference/network.py by cli_reference.py. The gain figures and the acceptance rules are
// checked through the main window (tst_form1).
#include "core/common/engineering.h"
#include "core/common/entryrule.h"
#include "core/common/figuretext.h"
#include "core/common/placement.h"
#include "core/common/readouttext.h"
#include "core/network/module1.h"

#include <QTest>

#include <complex>
#include <random>

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
            const std::int16_t f = n % 2 ? -1 : 0;
            const double got = Module1::Gain_numerator(w, Rs, Rz, Cf, Czp, Czs, Ls, L, f) /
                               Module1::Gain_denominator(w, Rs, Rz, Cf, Czp, Czs, Ls, L, f);
            const double expected = networkRatio(w, Rs, Rz, Cf, Czp, Czs, Ls, L, n % 2);
            QVERIFY2(qAbs(got / expected - 1) < 1e-9, qPrintable(QString::number(n)));
        }
    }

    void texts_data()
    {
        // kind: d = gain figure, f = cursor frequency, g = gain read-out, z = impedance read-out,
        // p = power read-out, w = the 7 kHz dissipation figure, a = frequency axis label
        QTest::addColumn<QChar>("kind");
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("text");
        QTest::newRow("figure tie to even, down") << QChar('d') << 0.125 << "0.12dB";
        QTest::newRow("carry into kHz") << QChar('f') << 12960.0 << "13.0khz";
        QTest::newRow("-3.456 dB") << QChar('g') << -3.456 << "-3.45dB";
        QTest::newRow("ten hundredths ohm") << QChar('z') << 0.1 << "0.10";
        QTest::newRow("power 0.1") << QChar('p') << 0.1 << "0.100W";
        QTest::newRow("7 kHz would wrap to zero") << QChar('w') << 65.5365 << "65.536W";
        QTest::newRow("999.9 Hz label") << QChar('a') << 999.9 << "1kHz";
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
        QCOMPARE(texts.value(kind), text);
    }

    void entry_data()
    {
        // A box that takes 0.5 to 50 in at most 4 characters, as each key is typed.
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("verdict");
        QTest::newRow("a point, digits to come") << "." << int(Entry::Pending);
        QTest::newRow(".0 reaches 0.09 at most") << ".0" << int(Entry::Rejected);
        QTest::newRow("0 on the way to 0.5") << "0" << int(Entry::Pending);
        QTest::newRow("5 itself") << "5" << int(Entry::Accepted);
        QTest::newRow("51 past the top") << "51" << int(Entry::Rejected);
    }
    void entry()
    {
        QFETCH(QString, text);
        QFETCH(int, verdict);
        QCOMPARE(int(checkEntry({4, 0.5, 50}, text).verdict), verdict);
    }

    void placement()
    {
        // 90 % of the spare width to the left, 10 % of the spare height above.
        const WindowRect r = placeWindow(1920, 1080, 800, 600);
        QCOMPARE((Doubles{r.left, r.top, r.width, r.height}), (Doubles{1008, 48, 800, 600}));
    }
};

QTEST_APPLESS_MAIN(TestCore)
#include "tst_core.moc"
