// The graph adapter: curves, cursor, axes and the notifications, driven with the mouse.
#include "widgets/graphcontrol.h"

#include <QImage>
#include <QSignalSpy>
#include <QTest>

#include <cmath>
#include <vector>

namespace {

const GraphControl::AxisSetup kFrequency{10, 1e6, GraphControl::Logarithmic, "Hz"};
const GraphControl::AxisSetup kDecibels{-60, 60, GraphControl::Linear, ""};

// A gain-like curve on the program's grid, with its (0 Hz, 0 dB) first point.
void gainCurve(std::vector<double> &x, std::vector<double> &y, double slope = 1.0)
{
    x.assign(10001, 0.0);
    y.assign(10001, 0.0);
    for (int i = 1; i <= 10000; ++i) {
        x[i] = i * 100.0;
        y[i] = -slope * 20 * std::log10(1 + x[i] / 20000.0);
    }
}

// Leftmost image column holding a pixel of the curve's colour.
int leftmostCurveColumn(const QImage &image)
{
    const QRgb curve = qRgb(0, 0, 170);
    for (int x = 0; x < image.width(); ++x)
        for (int y = 0; y < image.height(); ++y)
            if (image.pixel(x, y) == curve)
                return x;
    return -1;
}

}  // namespace

class TestGraphControl : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void curveIsExactlyThePoints();
    void cursorAddAndRemove();
    void cursorFollowsNewCurve();
    void axisRanges();
    void fitSkipsZeroOnLogAxis();
    void zeroFrequencyPointIsNotDrawn();
    void clickNotifies();
    void dragMovesCursor();

private:
    QWidget *plotArea() { return m_graph->findChild<QWidget *>(); }
    GraphControl *m_graph = nullptr;
};

void TestGraphControl::init()
{
    m_graph = new GraphControl;
    m_graph->setup("Fig. test", kFrequency, kDecibels);
    m_graph->resize(500, 320);
    m_graph->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_graph));
}

void TestGraphControl::cleanup()
{
    delete m_graph;
    m_graph = nullptr;
}

void TestGraphControl::curveIsExactlyThePoints()
{
    std::vector<double> x, y;
    gainCurve(x, y);
    for (int round = 0; round < 2; ++round) {  // the second plot reuses the stored curve
        gainCurve(x, y, round + 1);
        m_graph->plot(x, y);
        QCOMPARE(m_graph->curveSize(), 10001);
        for (int i = 0; i <= 10000; ++i) {
            QCOMPARE(m_graph->curveX(i), x[i]);
            QCOMPARE(m_graph->curveY(i), y[i]);
        }
    }
    // Repeated X values (as Fig. 1's first two points) are kept, both of them.
    m_graph->plot({100, 100, 200}, {8, 8, 9});
    QCOMPARE(m_graph->curveSize(), 3);
    QCOMPARE(m_graph->curveX(1), 100.0);
    QCOMPARE(m_graph->curveY(2), 9.0);
    m_graph->plot({1, 2}, {7, 8});
    QCOMPARE(m_graph->curveSize(), 2);
    QCOMPARE(m_graph->curveY(1), 8.0);
}

void TestGraphControl::cursorAddAndRemove()
{
    std::vector<double> x, y;
    gainCurve(x, y);
    m_graph->plot(x, y);
    QCOMPARE(m_graph->cursorCount(), 0);
    m_graph->addCursor();
    m_graph->addCursor();
    QCOMPARE(m_graph->cursorCount(), 1);
    // The cursor sits on a point of the curve.
    const double cx = m_graph->cursorX();
    const int index = int(std::lround(cx / 100));
    QVERIFY(cx > 10 && cx < 1e6);
    QCOMPARE(cx, x[index]);
    QCOMPARE(m_graph->cursorY(), y[index]);
    m_graph->removeCursors();
    QCOMPARE(m_graph->cursorCount(), 0);
}

void TestGraphControl::cursorFollowsNewCurve()
{
    std::vector<double> x, y;
    gainCurve(x, y);
    m_graph->plot(x, y);
    m_graph->addCursor();
    QSignalSpy moved(m_graph, &GraphControl::cursorMoved);
    m_graph->moveCursor(20040);
    QCOMPARE(moved.count(), 1);
    QCOMPARE(moved[0][1].toDouble(), 20000.0);
    QCOMPARE(moved[0][2].toDouble(), y[200]);
    // The cursor keeps its frequency when the curve is replaced, and reads the new value there.
    gainCurve(x, y, 3);
    m_graph->plot(x, y);
    QCOMPARE(m_graph->cursorX(), 20000.0);
    QCOMPARE(m_graph->cursorY(), y[200]);
}

void TestGraphControl::axisRanges()
{
    m_graph->setAxisRange(GraphControl::XAxis, 1000, 200000);
    m_graph->setAxisRange(GraphControl::YAxis, -23, 17);
    QCOMPARE(m_graph->axisMinimum(GraphControl::XAxis), 1000.0);
    QCOMPARE(m_graph->axisMaximum(GraphControl::XAxis), 200000.0);
    QCOMPARE(m_graph->axisMinimum(GraphControl::YAxis), -23.0);
    QCOMPARE(m_graph->axisMaximum(GraphControl::YAxis), 17.0);
}

void TestGraphControl::fitSkipsZeroOnLogAxis()
{
    std::vector<double> x, y;
    gainCurve(x, y);
    m_graph->plot(x, y);
    m_graph->fitAxis(GraphControl::XAxis);
    m_graph->fitAxis(GraphControl::YAxis);
    // 0 Hz has no place on a logarithmic axis: the fit spans the positive frequencies.
    QCOMPARE(m_graph->axisMinimum(GraphControl::XAxis), 100.0);
    QCOMPARE(m_graph->axisMaximum(GraphControl::XAxis), 1e6);
    QCOMPARE(m_graph->axisMinimum(GraphControl::YAxis), y[10000]);
    QCOMPARE(m_graph->axisMaximum(GraphControl::YAxis), 0.0);
}

void TestGraphControl::zeroFrequencyPointIsNotDrawn()
{
    // The curve with its 0 Hz point must start where the same curve without it starts: at
    // 100 Hz, not in a line from the axis's left edge.
    std::vector<double> x, y;
    gainCurve(x, y);
    m_graph->plot(x, y);
    m_graph->refresh();
    const int withZero = leftmostCurveColumn(m_graph->grab().toImage());
    m_graph->plot(std::vector<double>(x.begin() + 1, x.end()), std::vector<double>(y.begin() + 1, y.end()));
    m_graph->refresh();
    const int withoutZero = leftmostCurveColumn(m_graph->grab().toImage());
    QVERIFY(withoutZero > 0);
    QCOMPARE(withZero, withoutZero);
}

void TestGraphControl::clickNotifies()
{
    QSignalSpy clicked(m_graph, &GraphControl::clicked);
    QTest::mouseClick(plotArea(), Qt::LeftButton, {}, QPoint(200, 150));
    QCOMPARE(clicked.count(), 1);
    QTest::mouseClick(plotArea(), Qt::RightButton, {}, QPoint(200, 150));
    QCOMPARE(clicked.count(), 1);
}

void TestGraphControl::dragMovesCursor()
{
    std::vector<double> x, y;
    gainCurve(x, y);
    m_graph->plot(x, y);
    m_graph->addCursor();
    m_graph->refresh();
    // Find the cursor's vertical line: the column with the most of its red.
    const QImage image = m_graph->grab().toImage();
    int column = -1, most = 0;
    for (int c = 0; c < image.width(); ++c) {
        int red = 0;
        for (int r = 0; r < image.height(); ++r)
            red += image.pixel(c, r) == qRgb(200, 0, 0);
        if (red > most) {
            most = red;
            column = c;
        }
    }
    QVERIFY(column > 0);
    QSignalSpy clicked(m_graph, &GraphControl::clicked);
    QSignalSpy moved(m_graph, &GraphControl::cursorMoved);
    const double before = m_graph->cursorX();
    const int row = image.height() / 2;
    QTest::mousePress(plotArea(), Qt::LeftButton, {}, QPoint(column, row));
    QTest::mouseMove(plotArea(), QPoint(column + 60, row));
    QTest::mouseRelease(plotArea(), Qt::LeftButton, {}, QPoint(column + 60, row));
    QVERIFY(moved.count() >= 1);
    QCOMPARE(clicked.count(), 0);  // a drag is not a click
    QVERIFY(m_graph->cursorX() > before);
    QCOMPARE(moved.last()[1].toDouble(), m_graph->cursorX());
    QCOMPARE(moved.last()[2].toDouble(), m_graph->cursorY());
}

QTEST_MAIN(TestGraphControl)
#include "tst_graphcontrol.moc"
