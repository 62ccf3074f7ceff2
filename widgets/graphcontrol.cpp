#include "graphcontrol.h"

#include "core/engineering.h"

#include <qcustomplot.h>

#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

// A curve that leaves out, when drawing, the points a logarithmic axis cannot show (zero and
// negative coordinates, such as the 0 Hz point of the gain curves) instead of drawing a line to
// a made-up position outside the plot. The data keep every point.
//
// Where many points share a pixel column it draws, per column, the first, lowest, highest and
// last of them, which paints the same pixels as all of them would. The columns of the points
// are kept from one drawing to the next: the frequencies stay while the curve is replotted on
// every keystroke, and finding a column on a logarithmic axis is most of the cost.
class LogSafeGraph : public QCPGraph
{
public:
    using QCPGraph::QCPGraph;

    // The points' keys (not only their values) changed since the last drawing.
    void keysChanged() { m_columns.clear(); }

protected:
    void getOptimizedLineData(QVector<QCPGraphData> *lineData,
                              const QCPGraphDataContainer::const_iterator &begin,
                              const QCPGraphDataContainer::const_iterator &end) const override
    {
        auto first = begin;
        if (keyAxis()->scaleType() == QCPAxis::stLogarithmic) {
            while (first != end && !(first->key > 0)) ++first;
        }
        if (end - first > 2 * keyAxis()->axisRect()->width())
            columnExtremes(lineData, first, end);
        else
            QCPGraph::getOptimizedLineData(lineData, first, end);
        if (valueAxis()->scaleType() == QCPAxis::stLogarithmic) {
            lineData->erase(std::remove_if(lineData->begin(), lineData->end(),
                                           [](const QCPGraphData &d) { return !(d.value > 0); }),
                            lineData->end());
        }
    }

private:
    void columnExtremes(QVector<QCPGraphData> *lineData,
                        const QCPGraphDataContainer::const_iterator &first,
                        const QCPGraphDataContainer::const_iterator &end) const
    {
        const auto all = mDataContainer->constBegin();
        const int from = static_cast<int>(first - all), to = static_cast<int>(end - all);
        const QCPRange range = keyAxis()->range();
        const QRect rect = keyAxis()->axisRect()->rect();
        if (range != m_columnsRange || rect != m_columnsRect ||
            m_columns.size() != static_cast<std::size_t>(mDataContainer->size())) {
            m_columns.resize(mDataContainer->size());
            for (int i = 0; i < mDataContainer->size(); ++i)
                m_columns[i] = static_cast<int>(std::floor(keyAxis()->coordToPixel(all[i].key)));
            m_columnsRange = range;
            m_columnsRect = rect;
        }
        lineData->clear();
        for (int i = from; i < to;) {
            int low = i, high = i, last = i;
            while (last + 1 < to && m_columns[last + 1] == m_columns[i]) {
                ++last;
                if (all[last].value < all[low].value)
                    low = last;
                if (all[last].value > all[high].value)
                    high = last;
            }
            // In the order they come, each once.
            int picks[] = {i, std::min(low, high), std::max(low, high), last};
            int *stop = std::unique(std::begin(picks), std::end(picks));
            for (int *k = std::begin(picks); k != stop; ++k) lineData->append(all[*k]);
            i = last + 1;
        }
    }

    mutable std::vector<int> m_columns;  // pixel column of every point's key
    mutable QCPRange m_columnsRange;
    mutable QRect m_columnsRect;
};

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

// The curve becomes exactly these points; the same number of ascending points as before are
// overwritten in place, without allocating.
void setPoints(LogSafeGraph *graph, const std::vector<double> &x, const std::vector<double> &y)
{
    const int n = static_cast<int>(std::min(x.size(), y.size()));
    QSharedPointer<QCPGraphDataContainer> data = graph->data();
    const bool ascending = std::is_sorted(x.begin(), x.begin() + n);
    if (ascending && data->size() == n) {
        QCPGraphData *point = &*data->begin();
        bool sameKeys = true;
        for (int i = 0; i < n; ++i, ++point) {
            sameKeys = sameKeys && point->key == x[i];
            point->key = x[i];
            point->value = y[i];
        }
        if (!sameKeys)
            graph->keysChanged();
    } else {
        QVector<QCPGraphData> points(n);
        for (int i = 0; i < n; ++i) points[i] = QCPGraphData(x[i], y[i]);
        data->set(points, ascending);
        graph->keysChanged();
    }
}

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

// The cursor's crosshair, drawn by a transparent child over the plot so that moving the cursor
// repaints two thin strips of the plot rather than all of it. Its lines reach the first and last
// pixel of the plot area, where the ends of the axis ranges lie.
class CursorOverlay : public QWidget
{
public:
    explicit CursorOverlay(QCustomPlot *plot) : QWidget(plot), m_plot(plot)
    {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        hide();
    }

    // The crosshair goes to (x, y) in axis coordinates; where it was and where it goes repaint.
    void moveTo(double x, double y)
    {
        const QRegion before = strips();
        m_x = x;
        m_y = y;
        update(before + strips());
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        const QPointF at = pixel();
        const QRect area = plotArea();
        const bool columnShown = at.x() >= area.left() && at.x() <= area.right();
        const bool rowShown = at.y() >= area.top() && at.y() <= area.bottom();
        QPainter painter(this);
        painter.setPen(QPen(kCursorColour, 1, Qt::DashLine));
        if (columnShown)
            painter.drawLine(QLineF(at.x(), area.top(), at.x(), area.bottom()));
        if (rowShown)
            painter.drawLine(QLineF(area.left(), at.y(), area.right(), at.y()));
        // A ring on the point itself, which stays in sight where the lines run along the axes.
        if (columnShown && rowShown) {
            painter.setPen(QPen(kCursorColour, 1));
            painter.drawEllipse(at, kRing, kRing);
        }
    }

private:
    // The axis rect with the column and row one past it, where the ends of the ranges map to.
    QRect plotArea() const { return m_plot->axisRect()->rect().adjusted(0, 0, 1, 1); }
    QPointF pixel() const
    {
        return {m_plot->xAxis->coordToPixel(m_x), m_plot->yAxis->coordToPixel(m_y)};
    }
    QRegion strips() const
    {
        const QPoint at = pixel().toPoint();
        const QRect area = plotArea();
        const int half = kRing + 2;
        return QRegion(at.x() - half, area.top(), 2 * half + 1, area.height()) +
               QRegion(area.left(), at.y() - half, area.width(), 2 * half + 1);
    }

    static constexpr QColor kCursorColour{200, 0, 0};
    static constexpr int kRing = 4;
    QCustomPlot *m_plot;
    double m_x = 0.0;
    double m_y = 0.0;
};

GraphControl::GraphControl(QWidget *parent)
    : QWidget(parent), m_plot(new QCustomPlot(this)), m_overlay(new CursorOverlay(m_plot))
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_plot);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    setMinimumSize(260, 180);

    m_plot->setNoAntialiasingOnDrag(true);
    // One paint buffer: every buffer is composited on every paint, and the library's overlay
    // layer, unused here, would keep one of its own.
    m_plot->layer(QStringLiteral("overlay"))->setMode(QCPLayer::lmLogical);
    m_plot->installEventFilter(this);  // the cursor overlay covers the plot
    // Room on the right for the last frequency label ("1MHz"), which would otherwise be clipped.
    m_plot->axisRect()->setMinimumMargins(QMargins(0, 0, 24, 0));

    // The curve has a paint buffer of its own, so that a new curve redraws the curve alone and
    // not the axes, grid and labels that stay as they were.
    m_plot->addLayer(QStringLiteral("curve"), m_plot->layer(QStringLiteral("overlay")),
                     QCustomPlot::limAbove);
    m_curveLayer = m_plot->layer(QStringLiteral("curve"));
    m_curveLayer->setMode(QCPLayer::lmBuffered);
    connect(m_plot, &QCustomPlot::afterReplot, this, [this] { m_fullQueued = false; });

    m_graph = new LogSafeGraph(m_plot->xAxis, m_plot->yAxis);
    m_graph->setLayer(m_curveLayer);
    m_graph->setPen(QPen(QColor(0, 0, 170), 1));
    m_graph->setAntialiased(false);

    connect(m_plot, &QCustomPlot::mousePress, this, &GraphControl::onMousePress);
    connect(m_plot, &QCustomPlot::mouseMove, this, &GraphControl::onMouseMove);
    connect(m_plot, &QCustomPlot::mouseRelease, this, &GraphControl::onMouseRelease);
}

GraphControl::~GraphControl() = default;

void GraphControl::setup(const QString &caption, const AxisSetup &x, const AxisSetup &y)
{
    m_caption = caption;
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
    setPoints(m_graph, x, y);
    if (m_hasCursor)
        placeCursor(m_cursorKey);
    replotCurveWhenShown();
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

void GraphControl::setOverlays(const QString &curveName, const QList<Overlay> &overlays)
{
    if (overlays.isEmpty() && m_overlays.isEmpty())
        return;
    // New points for the same curves redraw the curves alone; new curves redraw the legend too.
    bool sameCurves = overlays.size() == m_overlays.size() && m_graph->name() == curveName;
    for (int i = 0; sameCurves && i < overlays.size(); ++i)
        sameCurves = m_overlays[i]->name() == overlays[i].name;
    while (m_overlays.size() > overlays.size()) m_plot->removePlottable(m_overlays.takeLast());
    if (m_overlays.isEmpty() && !overlays.isEmpty()) {
        QFont small = font();
        small.setBold(false);
        small.setPointSizeF(small.pointSizeF() * 0.9);
        m_plot->legend->setFont(small);
        m_plot->legend->setBrush(QColor(255, 255, 255, 220));
        m_plot->legend->setIconSize(20, 8);
        m_plot->legend->setRowSpacing(0);
        m_plot->legend->setMargins(QMargins(5, 3, 5, 3));
        // Where gain curves never go: low frequencies, well below 0 dB.
        m_plot->axisRect()->insetLayout()->setInsetAlignment(0, Qt::AlignBottom | Qt::AlignLeft);
    }
    // In the curve's paint buffer, which every recalculation redraws anyway, and under the
    // curve (drawn last in its layer), so that the curve stays in sight where an overlay runs
    // along it.
    if (m_overlays.size() < overlays.size()) {
        while (m_overlays.size() < overlays.size()) {
            auto *graph = new LogSafeGraph(m_plot->xAxis, m_plot->yAxis);
            graph->setLayer(m_curveLayer);
            graph->setAntialiased(false);
            m_overlays << graph;
        }
        m_graph->setLayer(m_curveLayer);  // to the end of its layer
    }
    for (int i = 0; i < overlays.size(); ++i) {
        m_overlays[i]->setName(overlays[i].name);
        m_overlays[i]->setPen(QPen(overlays[i].colour, 1));
        setPoints(m_overlays[i], *overlays[i].x, *overlays[i].y);
    }
    m_graph->setName(curveName);
    m_plot->legend->setVisible(!m_overlays.isEmpty());
    if (sameCurves)
        replotCurveWhenShown();
    else
        replotWhenShown();
}

int GraphControl::overlayCount() const
{
    return static_cast<int>(m_overlays.size());
}

double GraphControl::overlayX(int overlay, int index) const
{
    return m_overlays.at(overlay)->data()->at(index)->key;
}

double GraphControl::overlayY(int overlay, int index) const
{
    return m_overlays.at(overlay)->data()->at(index)->value;
}

int GraphControl::cursorCount() const
{
    return m_hasCursor ? 1 : 0;
}

void GraphControl::addCursor()
{
    if (m_hasCursor)
        return;
    m_hasCursor = true;
    const QCPRange range = m_plot->xAxis->range();
    const double middle = m_plot->xAxis->scaleType() == QCPAxis::stLogarithmic
                              ? std::sqrt(range.lower * range.upper)
                              : range.center();
    placeCursor(middle);
    m_overlay->show();
}

void GraphControl::removeCursors()
{
    m_hasCursor = false;
    m_dragging = false;
    m_overlay->hide();
}

double GraphControl::cursorX() const
{
    return m_hasCursor ? m_cursorKey : 0.0;
}

double GraphControl::cursorY() const
{
    if (!m_hasCursor)
        return 0.0;
    const QSharedPointer<QCPGraphDataContainer> data = m_graph->data();
    const auto at = data->findBegin(m_cursorKey, false);
    return at != data->constEnd() ? at->value : 0.0;
}

void GraphControl::moveCursor(double x)
{
    if (!m_hasCursor)
        return;
    placeCursor(x);
    emit cursorMoved(1, cursorX(), cursorY(), true);
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
    m_cursorKey = x;
    m_overlay->moveTo(x, cursorY());
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

GraphControl::Scale GraphControl::axisScale(Axis axis) const
{
    return axisOf(m_plot, axis)->scaleType() == QCPAxis::stLogarithmic ? Logarithmic : Linear;
}

QString GraphControl::caption() const
{
    return m_caption;
}

void GraphControl::fitAxis(Axis axis)
{
    if (axis == XAxis)
        m_graph->rescaleKeyAxis();
    else
        m_graph->rescaleValueAxis();
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
    if (isVisible()) {
        m_fullQueued = true;
        m_plot->replot(QCustomPlot::rpQueuedReplot);
    } else {
        m_replotPending = true;
    }
}

void GraphControl::replotCurveWhenShown()
{
    if (!isVisible()) {
        m_replotPending = true;
        return;
    }
    if (m_curveQueued || m_fullQueued)
        return;
    m_curveQueued = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_curveQueued = false;
            if (!m_fullQueued)
                m_curveLayer->replot();  // a whole replot when the buffers are not yet valid
        },
        Qt::QueuedConnection);
}

bool GraphControl::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_plot && event->type() == QEvent::Resize)
        m_overlay->resize(m_plot->size());
    if (watched == m_plot && event->type() == QEvent::ContextMenu) {
        // The plot lets no mouse event reach this widget (WA_NoMousePropagation): the request
        // for this widget's menu is passed on by hand.
        const auto *request = static_cast<QContextMenuEvent *>(event);
        QContextMenuEvent passed(request->reason(), m_plot->mapTo(this, request->pos()),
                                 request->globalPos(), request->modifiers());
        QCoreApplication::sendEvent(this, &passed);
        return true;
    }
    return QWidget::eventFilter(watched, event);
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
    if (!m_hasCursor)
        return false;
    const double px = m_plot->xAxis->coordToPixel(m_cursorKey);
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
    if (!m_dragging || !m_hasCursor)
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
