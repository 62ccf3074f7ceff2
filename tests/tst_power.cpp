// The Zobel resistor's dissipation sweep, its texts and the zoom ranges. (The load-power entry rule
// is tested through the Power window's box, in tst_powerwindow.)
// Reference values: tests/reference/zobel_power.py, an independent evaluation in Python.
#include "core/figuretext.h"
#include "core/powersweep.h"
#include "core/readouttext.h"
#include "core/zoom.h"

#include <QTest>

using Doubles = QList<double>;

class TestPower : public QObject
{
    Q_OBJECT

private slots:
    void sweep_data();
    void sweep();
    void texts_data();
    void texts();
    void zoom_data();
    void zoom();
};

void TestPower::sweep_data()
{
    QTest::addColumn<Doubles>("in");        // load W, C par, C ser, R, full bridge; speaker 8 ohm
    QTest::addColumn<Doubles>("expected");  // V, W at 7 kHz, W at 100 kHz
    QTest::addColumn<QString>("figure");
    QTest::newRow("start-up")           << Doubles{50, 1e-7, 1e-7, 6, 0}  << Doubles{20, 0.04625085275242314, 6.036824901300643} << "0.046W";
    QTest::newRow("full bridge")        << Doubles{50, 1e-7, 1e-7, 6, 1}  << Doubles{10, 0.011562713188105785, 1.5092062253251608} << "0.011W";
    QTest::newRow("no parallel C")      << Doubles{50, 0, 1e-7, 6, 0}     << Doubles{20, 0.04634731481560032, 8.288436079520823} << "0.046W";
    QTest::newRow("300 W, 10 ohm, 1uF") << Doubles{300, 1e-7, 1e-6, 10, 0} << Doubles{48.98979485566356, 37.58990145757759, 194.27598226486512} << "37.589W";
    QTest::newRow("same, no parallel C")<< Doubles{300, 0, 1e-6, 10, 0}   << Doubles{48.98979485566356, 38.86832467250857, 234.06500142859448} << "38.868W";
    QTest::newRow("no power")           << Doubles{0, 1e-7, 1e-7, 6, 0}   << Doubles{0, 0, 0} << "0W";
}

void TestPower::sweep()
{
    QFETCH(Doubles, in);
    QFETCH(Doubles, expected);
    QFETCH(QString, figure);
    static PowerCurve curve;  // reused from row to row, as the window reuses its own
    const PowerFigures fig = sweepZobelPower({8, in[0], in[1], in[2], in[3], in[4] != 0}, curve);
    const Doubles got{fig.rmsVoltage, fig.at7kHz, curve.y[1000]};
    for (int i = 0; i < 3; ++i)
        QVERIFY2(qAbs(got[i] - expected[i]) <= 1e-12 * expected[i], qPrintable(QString::number(got[i], 'g', 17)));
    QCOMPARE(dissipationFigureText(fig.at7kHz), figure);
    QCOMPARE((Doubles{double(curve.x.size()), curve.x[0], curve.y[0], curve.x[1], curve.x[70], curve.y[70], curve.x[1000]}),
             (Doubles{1001, 0, 0, 100, 7000, fig.at7kHz, 100000}));
}

void TestPower::texts_data()
{
    QTest::addColumn<double>("watts");
    QTest::addColumn<QString>("readout");  // the Power window's cursor read-out
    QTest::addColumn<QString>("figure");   // the main window's 7 kHz box
    QTest::newRow("0.1")                  << 0.1     << "0.100W"   << "0.1W";
    QTest::newRow("1.2345 is cut")        << 1.2345  << "1.234W"   << "1.234W";
    QTest::newRow("12")                   << 12.0    << "12.000W"  << "12W";
    QTest::newRow("two zeros")            << 0.0045  << "0.004W"   << "0.004W";
    QTest::newRow("largest 16-bit count") << 32.767  << "32.767W"  << "32.767W";
    QTest::newRow("would wrap to zero")   << 65.5365 << "65.536W"  << "65.536W";
    QTest::newRow("negative")             << -1.5    << "-1.500W"  << "-1.5W";
}

void TestPower::texts()
{
    QFETCH(double, watts);
    QFETCH(QString, readout);
    QFETCH(QString, figure);
    QCOMPARE(powerReadoutText(watts), readout);
    QCOMPARE(dissipationFigureText(watts), figure);
}

void TestPower::zoom_data()
{
    QTest::addColumn<Doubles>("cursor");
    QTest::addColumn<Doubles>("view");  // X minimum, maximum; Y minimum, maximum
    QTest::newRow("20 kHz, -3 dB")           << Doubles{20000, -3}   << Doubles{1000, 200000, -23, 17};
    QTest::newRow("200 kHz, capped")         << Doubles{200000, 5.5} << Doubles{10000, 1700000, -14.5, 25.5};
    QTest::newRow("169999.9 Hz, capped")     << Doubles{169999.9, 0} << Doubles{8499.995, 1700000, -20, 20};
    QTest::newRow("169999.8 Hz, not capped") << Doubles{169999.8, 0} << Doubles{8499.99, 1699998, -20, 20};
}

void TestPower::zoom()
{
    QFETCH(Doubles, cursor);
    QFETCH(Doubles, view);
    const AxisView v = zoomAtCursor(cursor[0], cursor[1]);
    QCOMPARE((Doubles{v.xMinimum, v.xMaximum, v.yMinimum, v.yMaximum}), view);
}

QTEST_MAIN(TestPower)
#include "tst_power.moc"
