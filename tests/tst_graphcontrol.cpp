// The graph adapter: the cursor and its snapping, click and drag, tick labels that never touch,
// a legend that follows its texts, curves redrawn alone as the screen shows them.
#include "testhelpers.h"

#include <QSignalSpy>

#include <functional>

namespace {

// A gain-like curve on the program's grid, with its (0 Hz, 0 dB) first point.
void gainCurve(std::vector<double> &x, std::vector<double> &y)
{
    x.assign(10001, 0.0);
    y.assign(10001, 0.0);
    for (int i = 1; i <= 10000; ++i) {
        x[i] = i * 100.0;
        y[i] = -20 * std::log10(1 + x[i] / 20000.0);
    }
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

    void cursorSnapsToPoints()
    {
        m_graph->addCursor();
        m_graph->addCursor();
        QCOMPARE(m_graph->cursorCount(), 1);
        m_graph->moveCursor(20040);  // between two points: the nearest one
        QCOMPARE(m_graph->cursorX(), 20000.0);
        QCOMPARE(m_graph->cursorY(), m_y[200]);
    }

    void clickAndDrag()
    {
        QSignalSpy clicked(m_graph, &GraphControl::clicked);
        QWidget *plot = m_graph->findChild<QWidget *>();
        QTest::mouseClick(plot, Qt::LeftButton, {}, QPoint(200, 150));
        QCOMPARE(clicked.count(), 1);
        m_graph->addCursor();
        const double before = m_graph->cursorX();
        // Pressed where the cursor crosses the curve, dragged right and let go.
        m_graph->refresh();
        const QPoint from = m_graph->pixelOf(before, m_graph->cursorY()).toPoint();
        QTest::mousePress(plot, Qt::LeftButton, {}, from);
        QTest::mouseMove(plot, from + QPoint(50, 0));
        QTest::mouseRelease(plot, Qt::LeftButton, {}, from + QPoint(100, 0));
        QCOMPARE(clicked.count(), 1);  // a drag is not a click
        QVERIFY(m_graph->cursorX() > before);
    }

    void tickLabels_data()
    {
        // The graph's size, the logarithmic frequency axis's range and the linear Y axis's; the
        // labels expected, or none to check only that they never touch and at least two show.
        QTest::addColumn<QSize>("size");
        QTest::addColumn<QList<double>>("range");
        QTest::addColumn<QStringList>("labels");
        QTest::newRow("Power graph, 200 Hz to 20 kHz, 0 to 5 W")
            << QSize(380, 280) << QList<double>{200, 20000, 0, 5}
            << QStringList{"200Hz", "500Hz", "1kHz", "2kHz", "5kHz", "10kHz", "20kHz"};
        // Its narrow Y labels leave the first frequency label least room.
        QTest::newRow("260 px, 8499.995 Hz to 1.7 MHz")
            << QSize(260, 260) << QList<double>{8499.995, 1.7e6, -60, 60} << QStringList{};
    }

    void tickLabels()
    {
        QFETCH(QSize, size);
        QFETCH(QList<double>, range);
        QFETCH(QStringList, labels);
        delete m_graph;
        m_graph = new GraphControl;
        m_graph->setup("Fig. test", {range[0], range[1], GraphControl::Logarithmic, "Hz"},
                       {range[2], range[3], GraphControl::Linear, ""});
        m_graph->plot(m_x, m_y);
        m_graph->resize(size);
        m_graph->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_graph));
        QTest::qWait(20);  // the layout settles, and the labels are chosen for it
        const auto shown = m_graph->tickLabels(GraphControl::XAxis);
        QStringList texts;
        for (const auto &[at, text] : shown) texts << text;
        QVERIFY2(shown.size() >= 2, qPrintable(texts.join(' ')));
        if (!labels.isEmpty())
            QCOMPARE(texts, labels);
        // Measured here, in the font the axis draws with: each label centred on its tick, a
        // pixel at least between neighbours.
        const QFontMetricsF metrics(m_graph->tickLabelFont());
        for (int i = 1; i < shown.size(); ++i) {
            const double room = (metrics.horizontalAdvance(shown[i - 1].second) +
                                 metrics.horizontalAdvance(shown[i].second)) /
                                2;
            QVERIFY2(std::fabs(shown[i].first - shown[i - 1].first) >= room + 1,
                     qPrintable(texts.join(' ')));
        }
    }

    // New texts for the same curves: the legend, drawn over them, comes out on the screen as a
    // graph drawn with those texts from the start shows it, and the axes and grid are not drawn
    // again.
    void legendFollowsItsTexts_data()
    {
        QTest::addColumn<QString>("curve");    // the graph's own curve's name, then
        QTest::addColumn<QString>("overlay");  // the overlay's
        const QString longer = ", 100 W: corner 21.8 kHz, peak 39.29dB";
        QTest::newRow("an overlay's") << "design"
                                      << "at load power" + longer;
        QTest::newRow("the curve's") << "design" + longer << "at load power";
    }
    void legendFollowsItsTexts()
    {
        QFETCH(QString, curve);
        QFETCH(QString, overlay);
        std::vector<double> level(m_x.size(), -10.0);
        const auto overlays = [&](const QString &name) {
            return QList<GraphControl::Overlay>{{name, Qt::red, &m_x, &level}};
        };
        m_graph->setOverlays("design", overlays("at load power"));
        QTest::qWait(20);
        QObject *plot = nullptr;
        for (QWidget *w : m_graph->findChildren<QWidget *>())
            if (w->inherits("QCustomPlot"))
                plot = w;
        QSignalSpy whole(plot, SIGNAL(beforeReplot()));
        m_graph->setOverlays(curve, overlays(overlay));
        QTest::qWait(20);
        QCOMPARE(whole.count(), 0);

        // As on the screen: a redraw of the curves alone must leave no pixel as it was.
        QCOMPARE(shown(m_graph), shownFresh([&](GraphControl &fresh) {
                     fresh.plot(m_x, m_y);
                     fresh.setOverlays(curve, overlays(overlay));
                 }));
    }

    // New keys for as many points: the curve is drawn where the new keys are.
    void newKeys()
    {
        std::vector<double> x = m_x;
        for (double &key : x) key *= 0.5;
        m_graph->plot(x, m_y);
        QTest::qWait(20);
        QCOMPARE(shown(m_graph), shownFresh([&](GraphControl &fresh) { fresh.plot(x, m_y); }));
    }

private:
    static QImage shown(QWidget *w)
    {
        return w->screen()->grabWindow(w->winId()).toImage().convertToFormat(QImage::Format_RGB32);
    }
    // A graph set up as m_graph is and given its curves by `fill`, as the screen shows it at
    // m_graph's size.
    QImage shownFresh(const std::function<void(GraphControl &)> &fill)
    {
        GraphControl fresh;
        fresh.setup("Fig. test", {10, 1e6, GraphControl::Logarithmic, "Hz"},
                    {-60, 60, GraphControl::Linear, ""});
        fill(fresh);
        fresh.resize(m_graph->size());
        fresh.show();
        if (!QTest::qWaitForWindowExposed(&fresh))
            return {};
        QTest::qWait(20);
        return shown(&fresh);
    }

    GraphControl *m_graph = nullptr;
    std::vector<double> m_x, m_y;
};

QTEST_MAIN(TestGraphControl)
#include "tst_graphcontrol.moc"
