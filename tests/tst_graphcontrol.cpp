// The graph adapter: curves, the cursor and its snapping, fitting, and the mouse.
#include "widgets/graphcontrol.h"

#include <QImage>
#include <QSignalSpy>
#include <QTest>

#include <cmath>
#include <vector>

namespace {

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

// Leftmost image column holding a pixel of the given colour, or -1.
int leftmostColumn(const QImage &image, QRgb colour)
{
    for (int x = 0; x < image.width(); ++x)
        for (int y = 0; y < image.height(); ++y)
            if (image.pixel(x, y) == colour)
                return x;
    return -1;
}

// The image column holding the most pixels of the given colour: a vertical line's.
int busiestColumn(const QImage &image, QRgb colour)
{
    int best = -1, most = 0;
    for (int x = 0; x < image.width(); ++x) {
        int n = 0;
        for (int y = 0; y < image.height(); ++y)
            n += image.pixel(x, y) == colour;
        if (n > most) {
            most = n;
            best = x;
        }
    }
    return best;
}

}  // namespace

class TestGraphControl : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { delete m_graph; }
    void init()
    {
        m_graph = new GraphControl;
        m_graph->setup("Fig. test", {10, 1e6, GraphControl::Logarithmic, "Hz"}, {-60, 60, GraphControl::Linear, ""});
        gainCurve(m_x, m_y);
        m_graph->plot(m_x, m_y);
        m_graph->resize(500, 320);
        m_graph->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_graph));
    }

    void curveIsExactlyThePoints()
    {
        for (double slope : {1.0, 2.0}) {  // the second plot overwrites the stored curve in place
            gainCurve(m_x, m_y, slope);
            m_graph->plot(m_x, m_y);
            QCOMPARE(m_graph->curveSize(), 10001);
            for (int i = 0; i <= 10000; i += 37)
                QVERIFY(m_graph->curveX(i) == m_x[i] && m_graph->curveY(i) == m_y[i]);
        }
        // Repeated X values (Fig. 1's first two points) are both kept; a shorter curve replaces.
        m_graph->plot({100, 100, 200}, {8, 8, 9});
        QCOMPARE(m_graph->curveSize(), 3);
        QCOMPARE(m_graph->curveY(2), 9.0);
        // The 0 Hz point stays in the data but is not drawn on the log axis: the curve starts at
        // the same column with and without it.
        gainCurve(m_x, m_y);
        m_graph->plot(m_x, m_y);
        m_graph->refresh();
        const int withZero = leftmostColumn(m_graph->grab().toImage(), qRgb(0, 0, 170));
        m_graph->plot(std::vector<double>(m_x.begin() + 1, m_x.end()), std::vector<double>(m_y.begin() + 1, m_y.end()));
        m_graph->refresh();
        const int withoutZero = leftmostColumn(m_graph->grab().toImage(), qRgb(0, 0, 170));
        QVERIFY(withoutZero > 0);
        QCOMPARE(withZero, withoutZero);
    }

    void cursorSnapsToPoints()
    {
        QCOMPARE(m_graph->cursorCount(), 0);
        m_graph->addCursor();
        m_graph->addCursor();
        QCOMPARE(m_graph->cursorCount(), 1);
        QSignalSpy moved(m_graph, &GraphControl::cursorMoved);
        m_graph->moveCursor(20040);  // between two points: the nearest one
        QCOMPARE(moved.count(), 1);
        QCOMPARE(moved[0][1].toDouble(), 20000.0);
        QCOMPARE(moved[0][2].toDouble(), m_y[200]);
        // A new curve: the cursor keeps its frequency and reads the new value there.
        gainCurve(m_x, m_y, 3);
        m_graph->plot(m_x, m_y);
        QCOMPARE(m_graph->cursorX(), 20000.0);
        QCOMPARE(m_graph->cursorY(), m_y[200]);
        m_graph->removeCursors();
        QCOMPARE(m_graph->cursorCount(), 0);
    }

    void fitSkipsZeroOnLogAxis()
    {
        m_graph->fitAxis(GraphControl::XAxis);
        m_graph->fitAxis(GraphControl::YAxis);
        QCOMPARE(m_graph->axisMinimum(GraphControl::XAxis), 100.0);
        QCOMPARE(m_graph->axisMaximum(GraphControl::XAxis), 1e6);
        QCOMPARE(m_graph->axisMinimum(GraphControl::YAxis), m_y[10000]);
        QCOMPARE(m_graph->axisMaximum(GraphControl::YAxis), 0.0);
    }

    void clickAndDrag()
    {
        QSignalSpy clicked(m_graph, &GraphControl::clicked);
        QSignalSpy moved(m_graph, &GraphControl::cursorMoved);
        QTest::mouseClick(plotArea(), Qt::LeftButton, {}, QPoint(200, 150));
        QTest::mouseClick(plotArea(), Qt::RightButton, {}, QPoint(200, 150));
        QCOMPARE(clicked.count(), 1);
        // Grab the cursor at its vertical line and drag it to the right.
        m_graph->addCursor();
        m_graph->refresh();
        const int column = busiestColumn(m_graph->grab().toImage(), qRgb(200, 0, 0));
        QVERIFY(column > 0);
        const double before = m_graph->cursorX();
        QTest::mousePress(plotArea(), Qt::LeftButton, {}, QPoint(column, 150));
        QTest::mouseMove(plotArea(), QPoint(column + 60, 150));
        QTest::mouseRelease(plotArea(), Qt::LeftButton, {}, QPoint(column + 60, 150));
        QCOMPARE(clicked.count(), 1);  // a drag is not a click
        QVERIFY(m_graph->cursorX() > before);
        QVERIFY(!moved.isEmpty());
        QCOMPARE(moved.last()[1].toDouble(), m_graph->cursorX());
        QCOMPARE(moved.last()[2].toDouble(), m_graph->cursorY());
    }

private:
    QWidget *plotArea() { return m_graph->findChild<QWidget *>(); }
    GraphControl *m_graph = nullptr;
    std::vector<double> m_x, m_y;
};

QTEST_MAIN(TestGraphControl)
#include "tst_graphcontrol.moc"
