// The graph adapter: the 0 Hz point on a log axis, the cursor and its snapping, click and drag,
// a scatter of coloured points with its marks.
#include "testhelpers.h"

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

}  // namespace

class TestGraphControl : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { delete m_graph; }
    void init()
    {
        m_graph = new GraphControl;
        m_graph->setup("Fig. test", {10, 1e6, GraphControl::Logarithmic, "Hz"},
                       {-60, 60, GraphControl::Linear, ""});
        gainCurve(m_x, m_y);
        m_graph->plot(m_x, m_y);
        m_graph->resize(500, 320);
        m_graph->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_graph));
    }

    void zeroFrequencyIsNotDrawn()
    {
        // The 0 Hz point stays in the data but is not drawn on the log axis: the curve starts at
        // the same column with and without it.
        m_graph->refresh();
        const int withZero = leftmostColumn(m_graph->grab().toImage(), qRgb(0, 0, 170));
        m_graph->plot(std::vector<double>(m_x.begin() + 1, m_x.end()),
                      std::vector<double>(m_y.begin() + 1, m_y.end()));
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
        QSignalSpy moved(m_graph->cursor(), &GraphCursor::positionChanged);
        m_graph->moveCursor(20040);  // between two points: the nearest one
        QCOMPARE(moved.count(), 1);
        QCOMPARE(moved[0][0].toDouble(), 20000.0);
        QCOMPARE(moved[0][1].toDouble(), m_y[200]);
        // A new curve: the cursor keeps its frequency and reads the new value there.
        gainCurve(m_x, m_y, 3);
        m_graph->plot(m_x, m_y);
        QCOMPARE(m_graph->cursorX(), 20000.0);
        QCOMPARE(m_graph->cursorY(), m_y[200]);
        m_graph->removeCursors();
        QCOMPARE(m_graph->cursorCount(), 0);
    }

    void clickAndDrag()
    {
        QSignalSpy clicked(m_graph, &GraphControl::clicked);
        QTest::mouseClick(plotArea(), Qt::LeftButton, {}, QPoint(200, 150));
        QTest::mouseClick(plotArea(), Qt::RightButton, {}, QPoint(200, 150));
        QCOMPARE(clicked.count(), 1);
        m_graph->addCursor();
        const double before = m_graph->cursorX();
        QVERIFY(dragCursor(m_graph, m_graph->width() * 3 / 4));
        QCOMPARE(clicked.count(), 1);  // a drag is not a click
        QVERIFY(m_graph->cursorX() > before);
    }

    void tickLabels_data()
    {
        // The graph's size and the logarithmic axis's range; the labels expected, or none to
        // check only that they never touch and that at least two are shown.
        QTest::addColumn<QSize>("size");
        QTest::addColumn<int>("axis");
        QTest::addColumn<QList<double>>("range");
        QTest::addColumn<QStringList>("labels");
        const QStringList any;
        QTest::newRow("Power graph, 200 Hz to 20 kHz, 0 to 5 W")
            << QSize(380, 280) << 1 << QList<double>{200, 20000, 0, 5}
            << QStringList{"200Hz", "500Hz", "1kHz", "2kHz", "5kHz", "10kHz", "20kHz"};
        QTest::newRow("Fig. 3 zoomed at 1 MHz")
            << QSize(560, 300) << 1 << QList<double>{50000, 1.7e6}
            << QStringList{"50kHz", "100kHz", "200kHz", "500kHz", "1MHz"};
        for (const QList<double> &range :
             {QList<double>{10, 1e6}, {19000, 21000}, {8499.995, 1.7e6}})
            QTest::addRow("X, 260 px, %g to %g Hz", range[0], range[1])
                << QSize(260, 260) << 1 << range << any;
        QTest::newRow("Y, 180 px, 10 to 10k ohm")
            << QSize(500, 180) << 2 << QList<double>{10, 10000} << any;
    }

    void tickLabels()
    {
        QFETCH(QSize, size);
        QFETCH(int, axis);
        QFETCH(QList<double>, range);
        QFETCH(QStringList, labels);
        delete m_graph;
        m_graph = new GraphControl;
        const GraphControl::AxisSetup log{range[0], range[1], GraphControl::Logarithmic,
                                          axis == 1 ? "Hz" : ""};
        // The other axis linear, -60 to 60 dB unless the row says otherwise (its narrow labels
        // leave the first frequency label least room).
        const GraphControl::AxisSetup linear{range.value(2, -60), range.value(3, 60),
                                             GraphControl::Linear, ""};
        m_graph->setup("Fig. test", axis == 1 ? log : linear, axis == 1 ? linear : log);
        m_graph->plot(m_x, m_y);
        m_graph->resize(size);
        m_graph->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_graph));
        for (int i = 0; i < 3; ++i)  // the layout settles, and the labels are chosen for it
            QCoreApplication::processEvents();
        const auto shown = m_graph->tickLabels(GraphControl::Axis(axis));
        QStringList texts;
        for (const auto &[at, text] : shown) texts << text;
        QVERIFY2(shown.size() >= 2, qPrintable(texts.join(' ')));
        if (!labels.isEmpty())
            QCOMPARE(texts, labels);
        // Measured here, in the font the axis draws with: each label centred on its tick, a
        // pixel at least between neighbours.
        const QFontMetricsF metrics(m_graph->tickLabelFont());
        for (int i = 1; i < shown.size(); ++i) {
            const double room = axis == 1 ? (metrics.horizontalAdvance(shown[i - 1].second) +
                                             metrics.horizontalAdvance(shown[i].second)) /
                                                2
                                          : metrics.height();
            QVERIFY2(std::fabs(shown[i].first - shown[i - 1].first) >= room + 1,
                     qPrintable(texts.join(' ')));
        }
    }

    // Each point is drawn filled with its value's colour on the scale, lowest value at the
    // scale's bottom colour, highest at its top; a mark's ring goes round its point. Points with
    // no positive X on a log axis are left out. Drawn at twice the size, as Copy Image and PNG
    // files draw it.
    void scatter()
    {
        const double scale = 2;
        const std::vector<double> x{100, 1e3, 1e4, 1e5, -5}, y{40, -10, 20, 45, 0},
            value{3, 4.5, 6, 9, 7};  // clear of the legend, low left
        m_graph->setScatter(x, y, value, "value", "points");
        m_graph->setMarks({{1e3, -10, QColor(210, 0, 0), GraphControl::Ring, "here", "a mark"}});
        QCOMPARE(m_graph->scatterSize(), 5);
        QCOMPARE(m_graph->scatterColour(3), QColor(68, 1, 84));
        QCOMPARE(m_graph->scatterColour(9), QColor(253, 231, 37));
        m_graph->refresh();
        const QImage image = m_graph->image(scale);
        QCOMPARE(image.dotsPerMeterX(), qRound(scale * 96 / 0.0254));  // shown at the graph's size
        for (int i = 0; i < 4; ++i) {
            const QPointF at = m_graph->pixelOf(x[i], y[i]);
            QVERIFY(m_graph->plotRect().contains(at.toPoint()));
            const QColor drawn = image.pixelColor((at * scale).toPoint()),
                         expected = m_graph->scatterColour(value[i]);
            QVERIFY2(std::abs(drawn.red() - expected.red()) +
                             std::abs(drawn.green() - expected.green()) +
                             std::abs(drawn.blue() - expected.blue()) <=
                         6,
                     qPrintable(QString("point %1: drawn %2, expected %3")
                                    .arg(i)
                                    .arg(drawn.name(), expected.name())));
        }
        // The mark's ring, 6 pixels out from its point.
        const QPointF mark = m_graph->pixelOf(1e3, -10);
        int red = 0;
        for (int k = 0; k < 16; ++k) {
            const QPointF on = mark + 6 * QPointF(std::cos(k * M_PI / 8), std::sin(k * M_PI / 8));
            const QColor c = image.pixelColor((on * scale).toPoint());
            red += c.red() > 150 && c.green() < 80 && c.blue() < 80;
        }
        QVERIFY2(red >= 12, qPrintable(QString::number(red)));
        // Taken away again: no scale, no points.
        m_graph->setScatter({}, {}, {}, {}, {});
        QCOMPARE(m_graph->scatterSize(), 0);
    }

private:
    QWidget *plotArea() { return m_graph->findChild<QWidget *>(); }
    GraphControl *m_graph = nullptr;
    std::vector<double> m_x, m_y;
};

QTEST_MAIN(TestGraphControl)
#include "tst_graphcontrol.moc"
