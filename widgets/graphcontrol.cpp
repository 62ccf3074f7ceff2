#include "graphcontrol.h"

#include "core/common/engineering.h"

#include <qcustomplot.h>

#include <QApplication>
#include <QStaticText>
#include <QVBoxLayout>
#include <QtMath>

#include <algorithm>
#include <cmath>
#include <limits>

// A curve that leaves out, when drawing, the points a logarithmic axis cannot show (zero and
// negative coordinates, such as the 0 Hz point of the gain curves) instead of drawing a line to
// a made-up position outside the plot. The data keep every point.
//
// Where many points share a pixel column it draws, per column, the first, lowest, highest and
// last of them, which paints the same pixels as all of them would. The pixel of every point's
// key is kept from one drawing to the next: the frequencies stay while the curve is replotted on
// every keystroke, and a logarithm per point is most of the cost of drawing it. A plain line
// (no fill, dots or selection) is drawn from those kept pixels; anything else the library draws.
class LogSafeGraph : public QCPGraph
{
public:
    using QCPGraph::QCPGraph;

    // The points' values, and perhaps their keys, changed since the last drawing.
    void pointsChanged() { m_linesValid = false; }
    void keysChanged()
    {
        m_pixels.clear();
        m_linesValid = false;
    }
    // For its legend entry.
    void drawIcon(QCPPainter *painter, const QRectF &rect) const { drawLegendIcon(painter, rect); }

protected:
    void draw(QCPPainter *painter) override
    {
        if (mLineStyle != lsLine || !mScatterStyle.isNone() || mBrush.style() != Qt::NoBrush ||
            !selection().isEmpty() || keyAxis()->orientation() != Qt::Horizontal ||
            keyAxis()->rangeReversed()) {
            QCPGraph::draw(painter);
            return;
        }
        if (keyAxis()->range().size() <= 0 || mDataContainer->isEmpty())
            return;
        if (!keepLines()) {
            QCPGraph::draw(painter);  // sampled the library's way
            return;
        }
        painter->setPen(mPen);
        drawLinePlot(painter, m_lines);  // a polyline: no brush
    }

    void getOptimizedLineData(QVector<QCPGraphData> *lineData,
                              const QCPGraphDataContainer::const_iterator &begin,
                              const QCPGraphDataContainer::const_iterator &end) const override
    {
        const auto all = mDataContainer->constBegin();
        lineData->clear();
        if (drawnPoints(m_drawn, begin, end)) {
            for (int k : m_drawn) lineData->append(all[k]);
            return;
        }
        QCPGraph::getOptimizedLineData(lineData, firstShown(begin, end), end);
        lineData->erase(
            std::remove_if(lineData->begin(), lineData->end(),
                           [this](const QCPGraphData &d) { return !valueShown(d.value); }),
            lineData->end());
    }

private:
    // What the line's pixels depend on besides the points.
    struct LinesKey {
        QCPRange keys, values;
        QRect rect;
        QCPAxis::ScaleType keyScale, valueScale;
        bool operator==(const LinesKey &) const = default;
    };

    // The pixels of the points drawn, kept from one drawing to the next while the points and
    // the axes stay (a cursor moved over the graph paints the curves again); false where the
    // library's own sampling draws the curve.
    bool keepLines() const
    {
        const LinesKey key{keyAxis()->range(), valueAxis()->range(), keyAxis()->axisRect()->rect(),
                           keyAxis()->scaleType(), valueAxis()->scaleType()};
        if (m_linesValid && key == m_linesKey)
            return m_linesPlain;
        m_linesValid = true;
        m_linesKey = key;
        m_lines.clear();
        QCPGraphDataContainer::const_iterator begin, end;
        getVisibleDataBounds(begin, end, QCPDataRange(0, dataCount()));
        m_linesPlain = drawnPoints(m_drawn, begin, end);
        if (!m_linesPlain)
            return false;
        const auto all = mDataContainer->constBegin();
        m_lines.reserve(static_cast<qsizetype>(m_drawn.size()));
        for (int k : m_drawn)
            m_lines.append(
                QPointF(m_pixels[std::size_t(k)], valueAxis()->coordToPixel(all[k].value)));
        return true;
    }

    // The first point from begin whose key the key axis can show.
    QCPGraphDataContainer::const_iterator firstShown(
        QCPGraphDataContainer::const_iterator first,
        const QCPGraphDataContainer::const_iterator &end) const
    {
        if (keyAxis()->scaleType() == QCPAxis::stLogarithmic) {
            while (first != end && !(first->key > 0)) ++first;
        }
        return first;
    }
    bool valueShown(double value) const
    {
        return valueAxis()->scaleType() != QCPAxis::stLogarithmic || value > 0;
    }

    // The indices of the points drawn between begin and end, in order; false where the library's
    // own sampling would thin them (fewer points than two per pixel across the span they cover,
    // yet more than two per pixel of that span).
    bool drawnPoints(std::vector<int> &drawn, const QCPGraphDataContainer::const_iterator &begin,
                     const QCPGraphDataContainer::const_iterator &end) const
    {
        const auto all = mDataContainer->constBegin();
        keepPixels();
        const int from = static_cast<int>(firstShown(begin, end) - all),
                  to = static_cast<int>(end - all);
        drawn.clear();
        if (to - from > 2 * keyAxis()->axisRect()->width()) {
            columnExtremes(drawn, from, to);
        } else {
            if (from < to && mAdaptiveSampling) {
                const double span =
                    qAbs(m_pixels[std::size_t(from)] - m_pixels[std::size_t(to - 1)]);
                if (2 * span + 2 < static_cast<double>(std::numeric_limits<int>::max()) &&
                    to - from >= int(2 * span + 2))
                    return false;
            }
            for (int k = from; k < to; ++k) drawn.push_back(k);
        }
        drawn.erase(std::remove_if(drawn.begin(), drawn.end(),
                                   [&](int k) { return !valueShown(all[k].value); }),
                    drawn.end());
        return true;
    }

    // Every point's key pixel, worked out again when the keys, the axis or the plot changed.
    void keepPixels() const
    {
        const QCPRange range = keyAxis()->range();
        const QRect rect = keyAxis()->axisRect()->rect();
        const QCPAxis::ScaleType scale = keyAxis()->scaleType();
        if (range == m_pixelsRange && rect == m_pixelsRect && scale == m_pixelsScale &&
            m_pixels.size() == static_cast<std::size_t>(mDataContainer->size()))
            return;
        const auto all = mDataContainer->constBegin();
        m_pixels.resize(std::size_t(mDataContainer->size()));
        std::vector<int> columns(m_pixels.size());
        for (std::size_t i = 0; i < m_pixels.size(); ++i) {
            m_pixels[i] = keyAxis()->coordToPixel(all[int(i)].key);
            columns[i] = static_cast<int>(std::floor(m_pixels[i]));
        }
        m_columnEnd.resize(m_pixels.size());
        for (std::size_t i = m_pixels.size(); i-- > 0;)
            m_columnEnd[i] = i + 1 < m_pixels.size() && columns[i + 1] == columns[i]
                                 ? m_columnEnd[i + 1]
                                 : static_cast<int>(i);
        m_pixelsRange = range;
        m_pixelsRect = rect;
        m_pixelsScale = scale;
    }

    void columnExtremes(std::vector<int> &drawn, int from, int to) const
    {
        const auto all = mDataContainer->constBegin();
        for (int i = from; i < to;) {
            const int last = std::min(m_columnEnd[std::size_t(i)], to - 1);
            int low = i, high = i;
            double lowest = all[i].value, highest = lowest;
            for (int k = i + 1; k <= last; ++k) {
                const double v = all[k].value;
                if (v < lowest) {
                    lowest = v;
                    low = k;
                }
                if (v > highest) {
                    highest = v;
                    high = k;
                }
            }
            // In the order they come, each once.
            int picks[] = {i, std::min(low, high), std::max(low, high), last};
            int *stop = std::unique(std::begin(picks), std::end(picks));
            drawn.insert(drawn.end(), std::begin(picks), stop);
            i = last + 1;
        }
    }

    mutable std::vector<double> m_pixels;  // key pixel of every point
    mutable std::vector<int> m_columnEnd;  // the last point in its pixel column
    mutable QCPRange m_pixelsRange;
    mutable QRect m_pixelsRect;
    mutable QCPAxis::ScaleType m_pixelsScale = QCPAxis::stLinear;
    mutable std::vector<int> m_drawn;  // reused from one drawing to the next
    mutable QVector<QPointF> m_lines;  // the pixels of the points drawn
    mutable LinesKey m_linesKey{};
    mutable bool m_linesValid = false;
    mutable bool m_linesPlain = false;
};

namespace {

// Logarithmic axis labels with an SI prefix and unit ("200Hz", "1kHz", "1.5MHz"): as many as fit
// along the axis without touching. The candidates, from sparse to dense: every third decade, every
// second, every decade, 1-2-5 in each decade, 1 to 9 in each decade, then for a view narrower than
// that, linear steps of 1, 2 or 5 times a power of ten. The densest that fits wins. Unlabelled
// points 1 to 9 in each decade carry sub ticks.
class EngineeringLogTicker : public QCPAxisTicker
{
public:
    EngineeringLogTicker(QCPAxis *axis, QString unit) : m_axis(axis), m_unit(std::move(unit)) {}

    // The axis length the last choice was made for; the layout may settle on another.
    int lengthUsed() const { return m_lengthUsed; }

protected:
    QVector<double> createTickVector(double, const QCPRange &range) override
    {
        m_lengthUsed = axisLength();
        QVector<double> best;
        int bestShown = -1;
        for (const QVector<double> &candidate : candidates(range)) {
            const int shown = shownCount(candidate, range);
            if (shown > bestShown && fits(candidate, range)) {
                best = candidate;
                bestShown = shown;
            }
        }
        if (best.isEmpty())
            best = candidates(range).first();
        m_ticks = best;
        return best;
    }

    QVector<double> createSubTickVector(int, const QVector<double> &ticks) override
    {
        QVector<double> sub;
        if (ticks.size() < 2)
            return sub;
        for (int e = decadeOf(ticks.first()); e <= decadeOf(ticks.last()); ++e)
            for (int m = 1; m <= 9; ++m) {
                const double v = m * std::pow(10.0, e);
                if (v > ticks.first() && v < ticks.last() && !ticks.contains(v))
                    sub << v;
            }
        return sub;
    }

    QString getTickLabel(double tick, const QLocale &, QChar, int) override
    {
        return engineeringText(tick, m_unit);
    }

private:
    static int decadeOf(double v) { return static_cast<int>(std::floor(std::log10(v) + 1e-9)); }

    int axisLength() const
    {
        return m_axis->orientation() == Qt::Horizontal ? m_axis->axisRect()->width()
                                                       : m_axis->axisRect()->height();
    }

    // Every candidate reaches one tick past either end of the range, as sub ticks need.
    QList<QVector<double>> candidates(const QCPRange &range) const
    {
        const double lower = std::max(range.lower, 1e-300), upper = std::max(range.upper, lower);
        const int first = decadeOf(lower) - 1, last = decadeOf(upper) + 1;
        QList<QVector<double>> all;
        const auto decades = [&](int every) {
            QVector<double> t;
            for (int e = first - (first % every + every) % every; e <= last + every; e += every)
                t << std::pow(10.0, e);
            return t;
        };
        const auto mantissas = [&](std::initializer_list<int> ms) {
            QVector<double> t;
            for (int e = first; e <= last; ++e)
                for (int m : ms) t << m * std::pow(10.0, e);
            return t;
        };
        all << decades(3) << decades(2) << decades(1) << mantissas({1, 2, 5})
            << mantissas({1, 2, 3, 4, 5, 6, 7, 8, 9});
        // Linear steps for a view narrower than a decade.
        for (int e = decadeOf(upper); e >= decadeOf(upper - lower) - 2; --e)
            for (int m : {5, 2, 1}) {
                const double step = m * std::pow(10.0, e);
                if ((upper - lower) / step > 40)
                    continue;
                QVector<double> t;
                for (double k = std::floor(lower / step); k * step <= upper + step; ++k)
                    if (k > 0)
                        t << k * step;
                all << t;
            }
        return all;
    }

    static int shownCount(const QVector<double> &ticks, const QCPRange &range)
    {
        return static_cast<int>(
            std::count_if(ticks.begin(), ticks.end(), [&](double t) { return range.contains(t); }));
    }

    // Whether the labels of the ticks inside the range keep a gap between them.
    bool fits(const QVector<double> &ticks, const QCPRange &range) const
    {
        constexpr double kGap = 8;
        const QFontMetricsF metrics(m_axis->tickLabelFont());
        const bool horizontal = m_axis->orientation() == Qt::Horizontal;
        double lastPos = 0, lastHalf = 0;
        bool any = false;
        for (double t : ticks) {
            if (!range.contains(t))
                continue;
            const double pos = m_axis->coordToPixel(t);
            const double half = horizontal
                                    ? metrics.horizontalAdvance(engineeringText(t, m_unit)) / 2
                                    : metrics.height() / 2;
            if (any && std::fabs(pos - lastPos) < lastHalf + half + kGap)
                return false;
            lastPos = pos;
            lastHalf = half;
            any = true;
        }
        return true;
    }

    QCPAxis *m_axis;
    QString m_unit;
    QVector<double> m_ticks;
    int m_lengthUsed = -1;
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
        graph->pointsChanged();
    } else {
        QVector<QCPGraphData> points(n);
        for (int i = 0; i < n; ++i) points[i] = QCPGraphData(x[i], y[i]);
        data->set(points, ascending);
        graph->keysChanged();
    }
}

// The library's drawing of one layer's children, which it keeps to itself, reached through a
// member pointer named in a derived class.
struct LayerPainting : QCPLayer {
    static void paint(QCPLayer *layer, QCPPainter *painter)
    {
        (layer->*&LayerPainting::draw)(painter);
    }
};

// The paint buffer of a layer that is drawn straight onto the widget: it keeps no pixels, and
// while the plot draws its buffers it hides the layer, so that nothing is drawn for nothing.
class UnbufferedLayer : public QCPAbstractPaintBuffer
{
public:
    UnbufferedLayer(QCPLayer *layer, const QSize &size, double ratio)
        : QCPAbstractPaintBuffer(size, ratio),
          m_layer(layer),
          m_dot(1, 1, QImage::Format_ARGB32_Premultiplied)
    {
    }
    QCPPainter *startPainting() override
    {
        m_layer->setVisible(false);
        return new QCPPainter(&m_dot);
    }
    void donePainting() override { m_layer->setVisible(true); }
    void draw(QCPPainter *) const override {}
    void clear(const QColor &) override {}

protected:
    void reallocateBuffer() override {}

private:
    QCPLayer *m_layer;
    QImage m_dot;
};

// The paint buffer of the layers under the curves, which the plot's ground (PlotGround) makes
// opaque all over: a picture without an alpha channel is copied onto the widget rather than
// blended, and cleared by the ground's own painting.
class OpaqueBuffer : public QCPAbstractPaintBuffer
{
public:
    OpaqueBuffer(const QSize &size, double ratio) : QCPAbstractPaintBuffer(size, ratio)
    {
        OpaqueBuffer::reallocateBuffer();
    }
    QCPPainter *startPainting() override { return new QCPPainter(&m_image); }
    void draw(QCPPainter *painter) const override { painter->drawImage(0, 0, m_image); }
    void clear(const QColor &) override {}

protected:
    void reallocateBuffer() override
    {
        setInvalidated();
        m_image = QImage(mSize * mDevicePixelRatio, QImage::Format_RGB32);
        m_image.setDevicePixelRatio(mDevicePixelRatio);
    }

private:
    QImage m_image;
};

// A plot whose top layer is drawn on every paint, over the paint buffers, instead of into a
// buffer of its own. A buffered layer costs, on every paint, the clearing and the blending of
// a picture the size of the widget, most of it transparent; the curves and the legend cost less
// drawn again. The layers below still come from their buffer, drawn when they change.
class Plot : public QCustomPlot
{
public:
    using QCustomPlot::QCustomPlot;

    void paintTopLayerDirectly()
    {
        m_direct = layer(layerCount() - 1);
        m_direct->setMode(QCPLayer::lmBuffered);  // a buffer of its own, the last
        setupPaintBuffers();
        mPaintBuffers.first().reset(new OpaqueBuffer(viewport().size(), mBufferDevicePixelRatio));
        mPaintBuffers.last().reset(
            new UnbufferedLayer(m_direct, viewport().size(), mBufferDevicePixelRatio));
        setupPaintBuffers();  // the layers take their new buffers
    }

    // Paints the top layer again over the buffers as they are. Its curves, marks and legend are
    // all inside the axis rectangle (each clipped to it one row up), so only that is painted.
    void redrawTopLayer()
    {
        if (hasInvalidatedPaintBuffers())
            replot();
        else
            update(axisRect()->rect().adjusted(-1, -2, 1, 1));
    }

protected:
    void paintEvent(QPaintEvent *event) override
    {
        const double ratio = mBufferDevicePixelRatio;
        QCustomPlot::paintEvent(event);  // the buffers, or a replot for a new pixel ratio
        if (!qFuzzyCompare(ratio, mBufferDevicePixelRatio))
            return;
        QCPPainter painter(this);
        if (painter.isActive())
            LayerPainting::paint(m_direct, &painter);
    }

private:
    QCPLayer *m_direct = nullptr;
};

// The plot's white ground, drawn into the first paint buffer with the grid and axes when they
// are drawn, rather than filled in again on every paint of the widget.
class PlotGround : public QCPLayerable
{
public:
    explicit PlotGround(QCustomPlot *plot) : QCPLayerable(plot)
    {
        moveToLayer(plot->layer(QStringLiteral("background")), true);
    }

protected:
    void applyDefaultAntialiasingHint(QCPPainter *painter) const override
    {
        painter->setAntialiasing(false);  // no half-pixel shift: every pixel filled whole
    }
    // The layer clips each of its children one row above its clip rectangle.
    QRect clipRect() const override { return mParentPlot->viewport().translated(0, 1); }
    void draw(QCPPainter *painter) override
    {
        painter->fillRect(mParentPlot->viewport(), Qt::white);
    }
};

// A curve's legend entry as the library draws it, its text laid out once for each text and font
// instead of on every replot and every layout: a legend whose texts follow the design is drawn at
// every keystroke. The curve is a LogSafeGraph.
class LegendEntry : public QCPPlottableLegendItem
{
public:
    using QCPPlottableLegendItem::QCPPlottableLegendItem;

    QSize minimumOuterSizeHint() const override
    {
        const QSize icon = mParentLegend->iconSize();
        const QSize text = textSize();
        return {icon.width() + mParentLegend->iconTextPadding() + text.width() + mMargins.left() +
                    mMargins.right(),
                std::max(text.height(), icon.height()) + mMargins.top() + mMargins.bottom()};
    }

protected:
    void draw(QCPPainter *painter) override
    {
        const QSize icon = mParentLegend->iconSize();
        textSize();
        painter->setFont(getFont());
        painter->setPen(QPen(getTextColor()));
        painter->drawStaticText(
            QPointF(mRect.x() + icon.width() + mParentLegend->iconTextPadding(), mRect.y()),
            m_static);
        const QRect iconRect(mRect.topLeft(), icon);
        painter->save();
        painter->setClipRect(iconRect, Qt::IntersectClip);
        static_cast<const LogSafeGraph *>(mPlottable)->drawIcon(painter, iconRect);
        painter->restore();
    }

private:
    QSize textSize() const
    {
        const QString &text = mPlottable->name();
        const QFont font = getFont();
        if (text != m_text || font != m_font) {
            m_text = text;
            m_font = font;
            m_static = QStaticText(text);
            m_static.setTextFormat(Qt::PlainText);
            m_static.prepare(QTransform(), font);
            // Rounded up, the laid-out text's size is the font metrics' bounding rectangle of it,
            // without laying it out a second time.
            m_size = QSize(qCeil(m_static.size().width()), qCeil(m_static.size().height()));
        }
        return m_size;
    }
    mutable QString m_text;
    mutable QFont m_font;
    mutable QSize m_size;
    mutable QStaticText m_static;
};

// A curve whose legend entry is a LegendEntry.
LogSafeGraph *newGraph(QCustomPlot *plot)
{
    auto *graph = new LogSafeGraph(plot->xAxis, plot->yAxis);
    if (plot->legend->hasItemWithPlottable(graph)) {
        plot->legend->removeItem(plot->legend->itemWithPlottable(graph));
        plot->legend->addItem(new LegendEntry(plot->legend, graph));
    }
    return graph;
}

QCPAxis *axisOf(QCustomPlot *plot, GraphControl::Axis axis)
{
    return axis == GraphControl::XAxis ? plot->xAxis : plot->yAxis;
}

void configureAxis(QCPAxis *axis, const GraphControl::AxisSetup &setup)
{
    if (setup.scale == GraphControl::Logarithmic) {
        axis->setScaleType(QCPAxis::stLogarithmic);
        axis->setTicker(QSharedPointer<QCPAxisTicker>(new EngineeringLogTicker(axis, setup.unit)));
    } else {
        axis->setScaleType(QCPAxis::stLinear);
        axis->setTicker(QSharedPointer<QCPAxisTicker>(new QCPAxisTicker));
    }
    axis->setRange(setup.minimum, setup.maximum);
}

}  // namespace

GraphControl::GraphControl(QWidget *parent)
    : QWidget(parent), m_plot(new Plot(this)), m_cursor(new GraphCursor(*this, m_plot))
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_plot);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    setMinimumSize(260, 180);

    m_plot->setNoAntialiasingOnDrag(true);
    m_plot->setBackground(Qt::NoBrush);
    new PlotGround(m_plot);
    // One paint buffer under the curves: every buffer is drawn on every paint, and the
    // library's overlay layer, unused here, would keep one of its own.
    m_plot->layer(QStringLiteral("overlay"))->setMode(QCPLayer::lmLogical);
    m_plot->installEventFilter(this);  // the cursor overlay covers the plot
    // Room on either side for the first and last frequency labels ("200Hz", "1MHz"): the plot
    // leaves out a label that its edge would clip.
    m_plot->axisRect()->setMinimumMargins(QMargins(24, 0, 24, 0));

    // The curves are a layer of their own, drawn on every paint over the buffer of the rest, so
    // that a new curve redraws the curve alone and not the axes, grid and labels that stay as
    // they were.
    m_plot->addLayer(QStringLiteral("curve"), m_plot->layer(QStringLiteral("overlay")),
                     QCustomPlot::limAbove);
    m_curveLayer = m_plot->layer(QStringLiteral("curve"));
    static_cast<Plot *>(m_plot)->paintTopLayerDirectly();
    connect(m_plot, &QCustomPlot::beforeReplot, this, &GraphControl::legendOnTop);
    connect(m_plot, &QCustomPlot::afterReplot, this, [this] {
        m_fullQueued = false;
        // Tick labels were chosen for the axes' length before the layout settled on a new one
        // (after a resize or a margin change): choose again for the length they have now.
        for (QCPAxis *axis : {m_plot->xAxis, m_plot->yAxis}) {
            const auto *log = dynamic_cast<const EngineeringLogTicker *>(axis->ticker().data());
            const int length = axis->orientation() == Qt::Horizontal ? axis->axisRect()->width()
                                                                     : axis->axisRect()->height();
            if (log && log->lengthUsed() != length)
                replotWhenShown();
        }
        // The legend's size and the plot's are known once laid out.
        if (placeLegend())
            replotWhenShown();
    });

    m_graph = newGraph(m_plot);
    m_graph->setLayer(m_curveLayer);
    m_graph->setPen(QPen(QColor(0, 0, 170), 1));
    m_graph->setAntialiased(false);

    connect(m_plot, &QCustomPlot::mousePress, this, &GraphControl::onMousePress);
    connect(m_plot, &QCustomPlot::mouseMove, this, &GraphControl::onMouseMove);
    connect(m_plot, &QCustomPlot::mouseRelease, this, &GraphControl::onMouseRelease);
    connect(m_plot, &QCustomPlot::mouseWheel, this, &GraphControl::onWheel);
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
    m_setupX = x;
    m_setupY = y;
    replotWhenShown();
}

void GraphControl::restoreRanges()
{
    m_plot->xAxis->setRange(m_setupX.minimum, m_setupX.maximum);
    m_plot->yAxis->setRange(m_setupY.minimum, m_setupY.maximum);
    m_cursor->update();
    replotWhenShown();
}

void GraphControl::plot(const std::vector<double> &x, const std::vector<double> &y)
{
    setPoints(m_graph, x, y);
    m_cursor->follow();
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
    // New points for the same curves redraw the curves alone, and the legend with them (it is
    // drawn in the curves' layer) when only its texts change; new curves redraw it all.
    const bool sameCurves = overlays.size() == m_overlays.size();
    bool sameNames = m_graph->name() == curveName;
    for (int i = 0; sameNames && sameCurves && i < overlays.size(); ++i)
        sameNames = m_overlays[i]->name() == overlays[i].name;
    while (m_overlays.size() > overlays.size()) m_plot->removePlottable(m_overlays.takeLast());
    if (m_overlays.isEmpty() && !overlays.isEmpty())
        showLegend();
    // In the curves' layer, which every recalculation redraws anyway, and under the
    // curve (drawn last in its layer), so that the curve stays in sight where an overlay runs
    // along it.
    if (m_overlays.size() < overlays.size()) {
        while (m_overlays.size() < overlays.size()) {
            auto *graph = newGraph(m_plot);
            graph->setLayer(m_curveLayer);
            graph->setAntialiased(false);
            m_overlays << graph;
        }
        m_graph->setLayer(m_curveLayer);  // to the end of its layer
    }
    for (int i = 0; i < overlays.size(); ++i) {
        m_overlays[i]->setName(overlays[i].name);
        m_overlays[i]->setPen(QPen(overlays[i].colour, 1, overlays[i].style));
        m_overlays[i]->setLineStyle(overlays[i].dots ? QCPGraph::lsNone : QCPGraph::lsLine);
        m_overlays[i]->setScatterStyle(
            overlays[i].dots ? QCPScatterStyle(QCPScatterStyle::ssCircle, 4) : QCPScatterStyle());
        setPoints(m_overlays[i], *overlays[i].x, *overlays[i].y);
    }
    m_graph->setName(curveName);
    m_plot->legend->setVisible(!m_overlays.isEmpty() || m_scatter || m_bandLow);
    if (sameCurves) {
        m_legendQueued = m_legendQueued || !sameNames;
        replotCurveWhenShown();
    } else {
        replotWhenShown();
    }
}

void GraphControl::setBand(const std::vector<double> &x, const std::vector<double> &low,
                           const std::vector<double> &high, const QColor &colour,
                           const QString &legend, const QString &curveName)
{
    if (x.empty()) {
        if (!m_bandLow)
            return;
        m_plot->removePlottable(m_bandLow);
        m_plot->removePlottable(m_bandHigh);
        m_bandLow = m_bandHigh = nullptr;
        m_plot->legend->setVisible(!m_overlays.isEmpty() || m_scatter);
        replotWhenShown();
        return;
    }
    if (!m_bandLow) {
        if (!m_plot->legend->visible())
            showLegend();
        // First in the curve's layer: under the overlays and the curve.
        m_bandHigh = newGraph(m_plot);
        m_bandLow = newGraph(m_plot);
        for (LogSafeGraph *g : {m_bandHigh, m_bandLow}) {
            g->setLayer(m_curveLayer);
            g->setAntialiased(false);
            g->setPen(Qt::NoPen);
        }
        m_bandHigh->removeFromLegend();
        m_bandLow->setChannelFillGraph(m_bandHigh);
        for (LogSafeGraph *g : m_overlays) g->setLayer(m_curveLayer);
        m_graph->setLayer(m_curveLayer);
    }
    m_bandLow->setBrush(colour);
    m_bandLow->setName(legend);
    setPoints(m_bandLow, x, low);
    setPoints(m_bandHigh, x, high);
    m_graph->setName(curveName);
    m_plot->legend->setVisible(true);
    replotWhenShown();
}

int GraphControl::bandSize() const
{
    return m_bandLow ? m_bandLow->data()->size() : 0;
}

double GraphControl::bandX(int index) const
{
    return (m_bandLow->data()->constBegin() + index)->key;
}

double GraphControl::bandLow(int index) const
{
    return (m_bandLow->data()->constBegin() + index)->value;
}

double GraphControl::bandHigh(int index) const
{
    return (m_bandHigh->data()->constBegin() + index)->value;
}

void GraphControl::setCurveStyle(const QString &name, const QColor &colour, double width)
{
    m_graph->setName(name);
    m_graph->setPen(QPen(colour, width));
    m_graph->setAntialiased(width > 1);
    replotWhenShown();
}

Qt::Alignment GraphControl::legendCorner() const
{
    return m_plot->axisRect()->insetLayout()->insetAlignment(0);
}

int GraphControl::pointsUnder(const QRectF &rect) const
{
    // In the axes' units: the keys are sorted, so only the points within the rectangle's columns
    // are looked at.
    QCPRange keys(m_plot->xAxis->pixelToCoord(rect.left()),
                  m_plot->xAxis->pixelToCoord(rect.right()));
    QCPRange values(m_plot->yAxis->pixelToCoord(rect.top()),
                    m_plot->yAxis->pixelToCoord(rect.bottom()));
    keys.normalize();
    values.normalize();
    int n = scatterPointsIn(keys, values);
    for (int p = 0; p < m_plot->plottableCount(); ++p) {
        const auto *graph = qobject_cast<QCPGraph *>(m_plot->plottable(p));
        if (!graph || !graph->visible())
            continue;
        const QSharedPointer<QCPGraphDataContainer> data = graph->data();
        for (auto it = data->findBegin(keys.lower, false), end = data->findEnd(keys.upper, false);
             it != end; ++it)
            n += values.contains(it->value);
    }
    return n;
}

Qt::Alignment GraphControl::bestLegendCorner() const
{
    // Ties go to the first corner: bottom left, where gain curves seldom go.
    const QRectF area = m_plot->axisRect()->insetLayout()->rect();
    const QSizeF size = m_plot->legend->minimumOuterSizeHint();
    Qt::Alignment best = legendCorner();
    int fewest = -1;
    for (Qt::Alignment corner : {Qt::AlignBottom | Qt::AlignLeft, Qt::AlignTop | Qt::AlignLeft,
                                 Qt::AlignTop | Qt::AlignRight, Qt::AlignBottom | Qt::AlignRight}) {
        const QPointF at((corner & Qt::AlignLeft) ? area.left() : area.right() - size.width(),
                         (corner & Qt::AlignTop) ? area.top() : area.bottom() - size.height());
        const int covered = pointsUnder(QRectF(at, size));
        if (fewest < 0 || covered < fewest) {
            fewest = covered;
            best = corner;
        }
    }
    return best;
}

bool GraphControl::placeLegend()
{
    if (!m_plot->legend->visible() || m_plot->axisRect()->insetLayout()->rect().isEmpty())
        return false;
    const Qt::Alignment corner = bestLegendCorner();
    if (corner == legendCorner())
        return false;
    m_plot->axisRect()->insetLayout()->setInsetAlignment(0, corner);
    return true;
}

void GraphControl::showLegend()
{
    QFont small = font();
    small.setBold(false);
    small.setPointSizeF(small.pointSizeF() * 0.9);
    m_plot->legend->setFont(small);
    m_plot->legend->setBrush(QColor(255, 255, 255, 220));
    m_plot->legend->setIconSize(20, 8);
    m_plot->legend->setRowSpacing(0);
    m_plot->legend->setMargins(QMargins(5, 3, 5, 3));
    // Moved, once the plot is laid out, to where it covers the fewest points.
    m_plot->axisRect()->insetLayout()->setInsetAlignment(0, Qt::AlignBottom | Qt::AlignLeft);
    m_plot->legend->setVisible(true);
}

void GraphControl::legendOnTop() const
{
    // Over the curves, in their layer: a legend whose texts follow the design is drawn
    // again with the curves, not with the axes and grid.
    // A move marks the buffer to be drawn whole: the legend moves only when it is not last.
    QCPLegend *legend = m_plot->legend;
    const QList<QCPLayerable *> &layered = m_curveLayer->children();
    const qsizetype first = layered.size() - 1 - legend->itemCount();
    bool last = first >= 0 && layered[first] == legend;
    for (int i = 0; last && i < legend->itemCount(); ++i)
        last = layered[first + 1 + i] == legend->item(i);
    if (last)
        return;
    legend->setLayer(m_curveLayer);
    for (int i = 0; i < legend->itemCount(); ++i) legend->item(i)->setLayer(m_curveLayer);
}

int GraphControl::overlayCount() const
{
    return static_cast<int>(m_overlays.size());
}

int GraphControl::overlaySize(int overlay) const
{
    return m_overlays.at(overlay)->data()->size();
}

QString GraphControl::overlayName(int overlay) const
{
    return m_overlays.at(overlay)->name();
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
    return m_cursor->isOn() ? 1 : 0;
}

void GraphControl::addCursor()
{
    if (m_cursor->isOn())
        return;
    const QCPRange range = m_plot->xAxis->range();
    const double middle = m_plot->xAxis->scaleType() == QCPAxis::stLogarithmic
                              ? std::sqrt(range.lower * range.upper)
                              : range.center();
    m_cursor->switchOn(middle);
}

void GraphControl::removeCursors()
{
    m_cursor->switchOff();
}

double GraphControl::cursorX() const
{
    return m_cursor->x();
}

double GraphControl::cursorY() const
{
    return m_cursor->y();
}

void GraphControl::moveCursor(double x)
{
    m_cursor->moveTo(x);
}

QRect GraphControl::plotArea() const
{
    return m_plot->axisRect()->rect();
}

QPointF GraphControl::toPixel(double x, double y) const
{
    return {m_plot->xAxis->coordToPixel(x), m_plot->yAxis->coordToPixel(y)};
}

double GraphControl::xAtPixel(double px) const
{
    return m_plot->xAxis->pixelToCoord(px);
}

double GraphControl::shownPointNear(double x) const
{
    // The nearest point among those inside the X range: the 0 Hz point of a logarithmic axis, or
    // points beyond a zoomed range, would put the cursor where nobody can see or grab it.
    const QSharedPointer<QCPGraphDataContainer> data = m_graph->data();
    const QCPRange range = m_plot->xAxis->range();
    const auto first = data->findBegin(range.lower, false);
    const auto end = data->findEnd(range.upper, false);
    if (first == end)
        return x;
    const double wanted = std::clamp(x, first->key, (end - 1)->key);
    auto at = std::lower_bound(
        first, end, QCPGraphData(wanted, 0),
        [](const QCPGraphData &a, const QCPGraphData &b) { return a.key < b.key; });
    if (at == end || (at != first && wanted - (at - 1)->key < at->key - wanted))
        --at;
    return at->key;
}

double GraphControl::valueAt(double pointX) const
{
    const QSharedPointer<QCPGraphDataContainer> data = m_graph->data();
    const auto at = data->findBegin(pointX, false);
    return at != data->constEnd() ? at->value : 0.0;
}

void GraphControl::setAxisRange(Axis axis, double minimum, double maximum)
{
    axisOf(m_plot, axis)->setRange(minimum, maximum);
    replotWhenShown();
}

void GraphControl::setAxisLabel(Axis axis, const QString &label)
{
    axisOf(m_plot, axis)->setLabel(label);
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
    axisOf(m_plot, axis)->rescale(true);
    m_cursor->update();
    replotWhenShown();
}

namespace {

// The nearest of 1, 2 and 5 times a power of ten at or below v (down) or at or above it; the same
// of the magnitude, outward, for a negative v.
double niceStep(double v, bool down)
{
    if (v < 0)
        return -niceStep(-v, !down);
    if (!(v > 0) || !std::isfinite(v))
        return v;
    const double decade = std::pow(10.0, std::floor(std::log10(v)));
    double below = decade;
    for (double m : {1.0, 2.0, 5.0, 10.0}) {
        if (!down && m * decade >= v)
            return m * decade;
        if (m * decade <= v)
            below = m * decade;
    }
    return below;
}

}  // namespace

void GraphControl::widenToShow(const std::vector<double> &x, const std::vector<double> &y)
{
    QCPAxis *axis = m_plot->yAxis;
    const bool log = axis->scaleType() == QCPAxis::stLogarithmic;
    const QCPRange shown = m_plot->xAxis->range();
    QCPRange range = axis->range();
    for (std::size_t i = 0; i < std::min(x.size(), y.size()); ++i) {
        if (!shown.contains(x[i]) || !std::isfinite(y[i]) || (log && !(y[i] > 0)))
            continue;
        if (y[i] < range.lower)
            range.lower = niceStep(y[i], true);
        if (y[i] > range.upper)
            range.upper = niceStep(y[i], false);
    }
    axis->setRange(range);
    m_cursor->update();
    replotWhenShown();
}

QList<QPair<double, QString>> GraphControl::tickLabels(Axis axis) const
{
    QCPAxis *a = axisOf(m_plot, axis);
    QList<QPair<double, QString>> labels;
    const QVector<double> ticks = a->tickVector();
    const QVector<QString> texts = a->tickVectorLabels();
    const QFontMetricsF metrics(a->tickLabelFont());
    const bool horizontal = a->orientation() == Qt::Horizontal;
    const double length = horizontal ? m_plot->width() : m_plot->height();
    for (int i = 0; i < ticks.size() && i < texts.size(); ++i) {
        // As drawn: inside the range, and not clipped by the plot's edge.
        const double at = a->coordToPixel(ticks[i]);
        const double half =
            (horizontal ? metrics.horizontalAdvance(texts[i]) : metrics.height()) / 2;
        if (a->range().contains(ticks[i]) && at - half >= 0 && at + half <= length)
            labels.append({at, texts[i]});
    }
    return labels;
}

QFont GraphControl::tickLabelFont() const
{
    return m_plot->xAxis->tickLabelFont();
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
            const bool moved = placeLegend();
            if (m_fullQueued)
                return;
            if (moved || m_legendQueued)
                m_plot->axisRect()->insetLayout()->update(QCPLayoutElement::upLayout);
            m_legendQueued = false;
            legendOnTop();
            static_cast<Plot *>(m_plot)->redrawTopLayer();
        },
        Qt::QueuedConnection);
}

bool GraphControl::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_plot && event->type() == QEvent::Resize)
        m_cursor->resize(m_plot->size());
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

void GraphControl::onMousePress(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return;
    m_pressed = true;
    m_panning = false;
    m_pressAt = m_panAt = event->pos();
    m_cursor->pickUp(event->pos());
}

void GraphControl::onMouseMove(QMouseEvent *event)
{
    m_cursor->dragTo(event->pos());
    if (event->buttons() == Qt::NoButton)
        emit hovered(event->pos());
    if (!m_pressed || m_cursor->isDragged() || !(event->buttons() & Qt::LeftButton))
        return;
    // A press away from the cursor becomes a drag of the view once it has moved far enough; a
    // smaller movement is still a click.
    if (!m_panning &&
        (event->pos() - m_pressAt).manhattanLength() < QApplication::startDragDistance())
        return;
    m_panning = true;
    panBy(m_panAt, event->pos());
    m_panAt = event->pos();
}

void GraphControl::panBy(QPointF from, QPointF to)
{
    // The point of the axes under `from` comes under `to`.
    for (QCPAxis *axis : {m_plot->xAxis, m_plot->yAxis}) {
        const bool horizontal = axis->orientation() == Qt::Horizontal;
        const double a = axis->pixelToCoord(horizontal ? from.x() : from.y());
        const double b = axis->pixelToCoord(horizontal ? to.x() : to.y());
        if (axis->scaleType() == QCPAxis::stLogarithmic) {
            if (a > 0 && b > 0)
                axis->setRange(axis->range().lower * a / b, axis->range().upper * a / b);
        } else {
            axis->moveRange(a - b);
        }
    }
    m_cursor->update();
    replotWhenShown();
}

void GraphControl::onWheel(QWheelEvent *event)
{
    // Each notch of the wheel away from the user narrows both axes by 15 % about the pointer.
    const double notches = event->angleDelta().y() / 120.0;
    if (notches == 0)
        return;
    const double factor = std::pow(0.85, notches);
    const QPointF at = event->position();
    m_plot->xAxis->scaleRange(factor, m_plot->xAxis->pixelToCoord(at.x()));
    m_plot->yAxis->scaleRange(factor, m_plot->yAxis->pixelToCoord(at.y()));
    m_cursor->update();
    replotWhenShown();
}

void GraphControl::onMouseRelease(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton || !m_pressed)
        return;
    const bool wasDragging = m_cursor->isDragged() || m_panning;
    m_pressed = false;
    m_panning = false;
    m_cursor->letGo();
    if (!wasDragging) {
        emit clicked();
        emit clickedAt(event->pos());
    }
}
