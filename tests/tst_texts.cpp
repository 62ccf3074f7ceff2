// Texts of figures, cursor read-outs and axis labels, and the window placement arithmetic.
#include "core/figuretext.h"
#include "core/placement.h"
#include "core/engineering.h"
#include "core/readouttext.h"

#include <QTest>

#include <limits>

class TestTexts : public QObject
{
    Q_OBJECT

private slots:
    void figure_data();
    void figure();
    void frequency_data();
    void frequency();
    void gainReadout_data();
    void gainReadout();
    void impedanceReadout_data();
    void impedanceReadout();
    void engineering_data();
    void engineering();
    void mainWindowPlacement();
};

void TestTexts::figure_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("text");
    QTest::newRow("two decimals") << 3.7310 << "3.73dB";
    QTest::newRow("negative") << -42.5509 << "-42.55dB";
    QTest::newRow("one decimal") << 0.5 << "0.5dB";
    QTest::newRow("rounds to zero, no minus") << -0.0007 << "0dB";
    QTest::newRow("tie to even, down") << 0.125 << "0.12dB";
    QTest::newRow("tie to even, up") << 0.375 << "0.38dB";
    QTest::newRow("whole") << -200.0 << "-200dB";
    QTest::newRow("zero") << 0.0 << "0dB";
    QTest::newRow("leading zero") << -0.07 << "-0.07dB";
    QTest::newRow("trailing zero dropped") << 53.6999 << "53.7dB";
    QTest::newRow("largest 16-bit") << 327.67 << "327.67dB";
    QTest::newRow("smallest 16-bit") << -327.68 << "-327.68dB";
    // Beyond the 16-bit count the text stays right instead of wrapping or failing.
    QTest::newRow("just past 16 bits") << 327.68 << "327.68dB";
    QTest::newRow("just below 16 bits") << -327.69 << "-327.69dB";
    QTest::newRow("far past, tie to even") << 400.125 << "400.12dB";
    QTest::newRow("very large") << 1.0e6 << "1000000dB";
    QTest::newRow("very small") << -12345.678 << "-12345.68dB";
    QTest::newRow("infinite") << std::numeric_limits<double>::infinity() << "infdB";
    QTest::newRow("not a number") << std::numeric_limits<double>::quiet_NaN() << "nandB";
}

void TestTexts::figure()
{
    QFETCH(double, value);
    QFETCH(QString, text);
    QCOMPARE(figureText(value), text);
}

void TestTexts::frequency_data()
{
    QTest::addColumn<double>("hz");
    QTest::addColumn<QString>("text");
    QTest::newRow("12340") << 12340.0 << "12.3khz";
    QTest::newRow("500") << 500.0 << "0.5khz";
    QTest::newRow("100000") << 100000.0 << "100.0khz";
    QTest::newRow("tie goes to even") << 12850.0 << "12.8khz";
    QTest::newRow("carries into kHz") << 12960.0 << "13.0khz";
    QTest::newRow("999.6") << 999.6 << "1.0khz";
    QTest::newRow("1 MHz") << 1e6 << "1000.0khz";
    QTest::newRow("100 Hz") << 100.0 << "0.1khz";
}

void TestTexts::frequency()
{
    QFETCH(double, hz);
    QFETCH(QString, text);
    QCOMPARE(frequencyText(hz), text);
}

void TestTexts::gainReadout_data()
{
    QTest::addColumn<double>("dB");
    QTest::addColumn<QString>("text");
    QTest::newRow("-3.456") << -3.456 << "-3.45dB";
    QTest::newRow("-0.07") << -0.07 << "-0.07dB";
    QTest::newRow("5") << 5.0 << "5.00dB";
    QTest::newRow("0") << 0.0 << "0.00dB";
    QTest::newRow("12.3456") << 12.3456 << "12.34dB";
    QTest::newRow("binary cut") << 2.05 << "2.04dB";
    QTest::newRow("-200") << -200.0 << "-200.00dB";
}

void TestTexts::gainReadout()
{
    QFETCH(double, dB);
    QFETCH(QString, text);
    QCOMPARE(gainReadoutText(dB), text);
}

void TestTexts::impedanceReadout_data()
{
    QTest::addColumn<double>("ohms");
    QTest::addColumn<QString>("text");
    QTest::newRow("8.75") << 8.75 << "8.75";
    QTest::newRow("1234.5678") << 1234.5678 << "1234.56";
    QTest::newRow("8.005") << 8.005 << "8.00";
    QTest::newRow("8.5") << 8.5 << "8.50";
    QTest::newRow("binary cut") << 8.7 << "8.69";
    QTest::newRow("84.57") << 84.5738 << "84.57";
}

void TestTexts::impedanceReadout()
{
    QFETCH(double, ohms);
    QFETCH(QString, text);
    QCOMPARE(impedanceReadoutText(ohms), text);
}

void TestTexts::engineering_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("unit");
    QTest::addColumn<QString>("text");
    QTest::newRow("10Hz") << 10.0 << "Hz" << "10Hz";
    QTest::newRow("100Hz") << 100.0 << "Hz" << "100Hz";
    QTest::newRow("1kHz") << 1000.0 << "Hz" << "1kHz";
    QTest::newRow("10kHz") << 1e4 << "Hz" << "10kHz";
    QTest::newRow("100kHz") << 1e5 << "Hz" << "100kHz";
    QTest::newRow("1MHz") << 1e6 << "Hz" << "1MHz";
    QTest::newRow("not quite a decade") << 999.9 << "Hz" << "1kHz";
    QTest::newRow("no unit") << 10000.0 << "" << "10k";
    QTest::newRow("below one") << 0.5 << "W" << "500mW";
}

void TestTexts::engineering()
{
    QFETCH(double, value);
    QFETCH(QString, unit);
    QFETCH(QString, text);
    QCOMPARE(engineeringText(value, unit), text);
}

void TestTexts::mainWindowPlacement()
{
    const WindowRect size = mainWindowSize(1920, 1080);
    QCOMPARE(size.width, 1881.6);
    QCOMPARE(size.height, 1026.0);
    const WindowRect at = placeWindow(1920, 1080, size.width, size.height);
    QVERIFY(qAbs(at.left - 34.56) < 1e-9);
    QVERIFY(qAbs(at.top - 5.4) < 1e-9);
}

QTEST_APPLESS_MAIN(TestTexts)
#include "tst_texts.moc"
