#include "graphcontrol.h"

#include "core/engineering.h"

#include <qcustomplot.h>

#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace {

// Log-axis labels with an SI prefix and unit ("100Hz", "1kHz", "1MHz").
class EngineeringLogTicker : public QCPAxisTickerLog
{
public:
    explicit EngineeringLogTicker(QString unit) : m_unit(std::move(unit)) {}

protected:
    QString getTickLabel(double tick, const QLocale &, QChar, int) override
    {
        return engineeringText(tick, m_unit);
    }

private:
    QString m_unit;
};

// A curve that leaves out, when drawing, the points a logarithmic axis cannot show (zero and
// negative coordinates, such as the 0 Hz point of the gain curves) instead of drawing a line to
// a made-up position outside the plot. The data keep every point.
class LogSafeGraph : public QCPGraph
{
public:
    using QCPGraph::QCPGraph;

protected:
    void getOptimizedLineData(QVector<QCPGraphData> *lineData,
                              const QCPGraphDataContainer::const_iterator &begin,
                              const QCPGraphDataContainer::const_iterator &end) const override
    {
        auto first = begin;
        if (keyAxis()->scaleType() == QCPAxis::stLogarithmic) {
            while (first != end && !(first->key > 0)) ++first;
        }
        QCPGraph::getOptimizedLineData(lineData, first, end);
        if (valueAxis()->scaleType() == QCPAxis::stLogarithmic) {
            lineData->erase(std::remove_if(lineData->begin(), lineData->end(),
                                           [](const QCPGraphData &d) { return !(d.value > 0); }),
                            lineData->end());
        }
    }
};

// A crosshair drawn on the first and last pixel of the plot too, where the ends of an axis range
// lie: the library's tracer leaves a line out there, so a cursor at either end would vanish.
class CursorTracer : public QCPItemTracer
{
public:
    using QCPItemTracer::QCPItemTracer;

protected:
    QRect clipRect() const override { return QCPItemTracer::clipRect().adjusted(0, 0, 1, 1); }

    void draw(QCPPainter *painter) override
    {
        updatePosition();
        const QPointF at = position->pixelPosition();
        const QRect area = clipRect();
        painter->setPen(mainPen());
        if (at.x() >= area.left() && at.x() <= area.right())
            painter->drawLine(QLineF(at.x(), area.top(), at.x(), area.bottom()));
        if (at.y() >= area.top() && at.y() <= area.bottom())
            painter->drawLine(QLineF(area.left(), at.y(), area.right(), at.y()));
    }
};

QCPAxis *axisOf(QCustomPlot *plot, GraphControl::Axis axis)
{
    return axis == GraphControl::XAxis ? plot->xAxis : plot->yAxis;
}

void configureAxis(QCPAxis *axis, const GraphControl::AxisSetup &setup)
{
    if (setup.scale == GraphControl::Logarithmic) {
        axis->setScaleType(QCPAxis::stLogarithmic);
        QSharedPointer<QCPAxisTickerLog> ticker(new EngineeringLogTicker(setup.unit));
        ticker->setLogBase(10);
        ticker->setSubTickCount(8);
        axis->setTicker(ticker);
    } else {
        axis->setScaleType(QCPAxis::stLinear);
        axis->setTicker(QSharedPointer<QCPAxisTicker>(new QCPAxisTicker));
    }
    axis->setRange(setup.minimum, setup.maximum);
}

constexpr int kCursorGrip = 6;  // pixels either side of the cursor line that pick it up

}  // namespace

GraphControl::GraphControl(QWidget *parent) : QWidget(parent), m_plot(new QCustomPlot(this))
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_plot);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    setMinimumSize(260, 180);

    m_plot->setNoAntialiasingOnDrag(true);
    // The cursor lives on its own layer above everything, so that a dragged cursor repaints
    // alone. That layer gets its own paint buffer only while there is a cursor: every buffer
    // is composited on every paint. (The library's overlay layer, unused here, would keep a
    // buffer of its own too.)
    m_plot->layer(QStringLiteral("overlay"))->setMode(QCPLayer::lmLogical);
    m_plot->addLayer(QStringLiteral("cursor"), m_plot->layer(QStringLiteral("overlay")),
                     QCustomPlot::limAbove);
    m_cursorLayer = m_plot->layer(QStringLiteral("cursor"));
    // Room on the right for the last frequency label ("1MHz"), which would otherwise be clipped.
    m_plot->axisRect()->setMinimumMargins(QMargins(0, 0, 24, 0));

    m_graph = new LogSafeGraph(m_plot->xAxis, m_plot->yAxis);
    m_graph->setPen(QPen(QColor(0, 0, 170), 1));
    m_graph->setAntialiased(false);

    connect(m_plot, &QCustomPlot::mousePress, this, &GraphControl::onMousePress);
    connect(m_plot, &QCustomPlot::mouseMove, this, &GraphControl::onMouseMove);
    connect(m_plot, &QCustomPlot::mouseRelease, this, &GraphControl::onMouseRelease);
}

GraphControl::~GraphControl() = default;

void GraphControl::setup(const QString &caption, const AxisSetup &x, const AxisSetup &y)
{
    m_plot->plotLayout()->insertRow(0);
    QFont font = this->font();
    font.setBold(true);
    m_plot->plotLayout()->addElement(0, 0, new QCPTextElement(m_plot, caption, font));
    configureAxis(m_plot->xAxis, x);
    configureAxis(m_plot->yAxis, y);
    replotWhenShown();
}

void GraphControl::plot(const std::vector<double> &x, const std::vector<double> &y)
{
    const int n = static_cast<int>(std::min(x.size(), y.size()));
    QSharedPointer<QCPGraphDataContainer> data = m_graph->data();
    const bool ascending = std::is_sorted(x.begin(), x.begin() + n);
    if (ascending && data->size() == n) {
        // Same shape as before: overwrite in place, no allocation.
        QCPGraphData *point = &*data->begin();
        for (int i = 0; i < n; ++i, ++point) {
            point->key = x[i];
            point->value = y[i];
        }
    } else {
        QVector<QCPGraphData> points(n);
        for (int i = 0; i < n; ++i) points[i] = QCPGraphData(x[i], y[i]);
        data->set(points, ascending);
    }
    if (m_cursor)
        placeCursor(m_cursor->graphKey());
    replotWhenShown();
}

int GraphControl::curveSize() const
{
    return m_graph->data()->size();
}

double GraphControl::curveX(int index) const
{
    return m_graph->data()->at(index)->key;
}

double GraphControl::curveY(int index) const
{
    return m_graph->data()->at(index)->value;
}

int GraphControl::cursorCount() const
{
    return m_cursor ? 1 : 0;
}

void GraphControl::addCursor()
{
    if (m_cursor)
        return;
    m_cursorLayer->setMode(QCPLayer::lmBuffered);
    m_cursor = new CursorTracer(m_plot);
    m_cursor->setLayer(m_cursorLayer);
    m_cursor->setGraph(m_graph);
    m_cursor->setInterpolating(false);
    m_cursor->setStyle(QCPItemTracer::tsCrosshair);
    m_cursor->setPen(QPen(QColor(200, 0, 0), 1, Qt::DashLine));
    m_cursor->setAntialiased(false);
    const QCPRange range = m_plot->xAxis->range();
    const double middle = m_plot->xAxis->scaleType() == QCPAxis::stLogarithmic
                              ? std::sqrt(range.lower * range.upper)
                              : range.center();
    placeCursor(middle);
    replotCursorWhenShown();
}

void GraphControl::removeCursors()
{
    if (!m_cursor)
        return;
    m_plot->removeItem(m_cursor);
    m_cursor = nullptr;
    m_dragging = false;
    m_cursorLayer->setMode(QCPLayer::lmLogical);
    replotWhenShown();
}

double GraphControl::cursorX() const
{
    if (!m_cursor)
        return 0.0;
    m_cursor->updatePosition();
    return m_cursor->position->key();
}

double GraphControl::cursorY() const
{
    if (!m_cursor)
        return 0.0;
    m_cursor->updatePosition();
    return m_cursor->position->value();
}

void GraphControl::moveCursor(double x)
{
    if (!m_cursor)
        return;
    placeCursor(x);
    replotCursorWhenShown();
    emit cursorMoved(1, m_cursor->position->key(), m_cursor->position->value(), true);
}

void GraphControl::placeCursor(double x)
{
    // The nearest point among those inside the X range: the 0 Hz point of a logarithmic axis, or
    // points beyond a zoomed range, would put the cursor where nobody can see or grab it.
    const QSharedPointer<QCPGraphDataContainer> data = m_graph->data();
    const QCPRange range = m_plot->xAxis->range();
    const auto first = data->findBegin(range.lower, false);
    const auto end = data->findEnd(range.upper, false);
    if (first != end) {
        const double wanted = std::clamp(x, first->key, (end - 1)->key);
        auto at = std::lower_bound(
            first, end, QCPGraphData(wanted, 0),
            [](const QCPGraphData &a, const QCPGraphData &b) { return a.key < b.key; });
        if (at == end || (at != first && wanted - (at - 1)->key < at->key - wanted))
            --at;
        x = at->key;
    }
    m_cursor->setGraphKey(x);
    m_cursor->updatePosition();
}

void GraphControl::setAxisRange(Axis axis, double minimum, double maximum)
{
    axisOf(m_plot, axis)->setRange(minimum, maximum);
    replotWhenShown();
}

double GraphControl::axisMinimum(Axis axis) const
{
    return axisOf(m_plot, axis)->range().lower;
}

double GraphControl::axisMaximum(Axis axis) const
{
    return axisOf(m_plot, axis)->range().upper;
}

void GraphControl::fitAxis(Axis axis)
{
    axisOf(m_plot, axis)->rescale();
    replotWhenShown();
}

void GraphControl::refresh()
{
    if (isVisible())
        m_plot->replot();
    else
        m_replotPending = true;
}

void GraphControl::replotWhenShown()
{
    if (isVisible())
        m_plot->replot(QCustomPlot::rpQueuedReplot);
    else
        m_replotPending = true;
}

void GraphControl::replotCursorWhenShown()
{
    if (isVisible())
        m_cursorLayer->replot();
    else
        m_replotPending = true;
}

void GraphControl::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (m_replotPending) {
        m_replotPending = false;
        m_plot->replot(QCustomPlot::rpQueuedRefresh);
    }
}

bool GraphControl::nearCursor(const QPoint &pos) const
{
    if (!m_cursor)
        return false;
    m_cursor->updatePosition();
    const double px = m_plot->xAxis->coordToPixel(m_cursor->position->key());
    // The plot's last column lies one pixel past the axis rect, where the range's end is drawn.
    const QRect area = m_plot->axisRect()->rect().adjusted(-kCursorGrip, 0, kCursorGrip + 1, 1);
    return std::fabs(pos.x() - px) <= kCursorGrip && area.contains(pos);
}

void GraphControl::onMousePress(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return;
    m_pressed = true;
    m_dragging = nearCursor(event->pos());
}

void GraphControl::onMouseMove(QMouseEvent *event)
{
    if (!m_dragging || !m_cursor)
        return;
    // Beyond either end of the plot the cursor stays on the end point.
    const QRect area = m_plot->axisRect()->rect();
    const int px = std::clamp(event->pos().x(), area.left(), area.left() + area.width());
    moveCursor(m_plot->xAxis->pixelToCoord(px));
}

void GraphControl::onMouseRelease(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton || !m_pressed)
        return;
    const bool wasDragging = m_dragging;
    m_pressed = false;
    m_dragging = false;
    if (!wasDragging)
        emit clicked();
}
