// The graph's scatter of coloured points with their colour scale, and the marks drawn over it.
#include "graphcontrol.h"

#include <qcustomplot.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <unordered_map>

namespace {

// Dark blue through teal and green to yellow: every step lighter than the one before, so the
// order of values reads in grey too.
QCPColorGradient scatterGradient()
{
    QCPColorGradient g;
    g.clearColorStops();
    g.setColorStopAt(0.0, QColor(68, 1, 84));
    g.setColorStopAt(0.25, QColor(59, 82, 139));
    g.setColorStopAt(0.5, QColor(33, 145, 140));
    g.setColorStopAt(0.75, QColor(94, 201, 98));
    g.setColorStopAt(1.0, QColor(253, 231, 37));
    g.setColorInterpolation(QCPColorGradient::ciRGB);
    g.setLevelCount(256);
    return g;
}

// The range of those values that a logarithmic axis can show when the sign domain asks for it.
QCPRange rangeOf(const std::vector<double> &v, bool &found, QCP::SignDomain domain)
{
    QCPRange r(std::numeric_limits<double>::max(), -std::numeric_limits<double>::max());
    found = false;
    for (double x : v) {
        if ((domain == QCP::sdPositive && !(x > 0)) || (domain == QCP::sdNegative && !(x < 0)) ||
            !std::isfinite(x))
            continue;
        r.lower = std::min(r.lower, x);
        r.upper = std::max(r.upper, x);
        found = true;
    }
    return found ? r : QCPRange();
}

void drawSymbol(QCPPainter *painter, QPointF at, GraphControl::MarkShape shape, double size)
{
    switch (shape) {
        case GraphControl::Ring: painter->drawEllipse(at, size, size); break;
        case GraphControl::Square:
            painter->drawRect(QRectF(at.x() - size, at.y() - size, 2 * size, 2 * size));
            break;
        case GraphControl::Diamond: {
            const QPointF p[] = {at + QPointF(0, -size * 1.3), at + QPointF(size * 1.3, 0),
                                 at + QPointF(0, size * 1.3), at + QPointF(-size * 1.3, 0)};
            painter->drawPolygon(p, 4);
            break;
        }
    }
}

}  // namespace

// Points, each filled with its own colour; a thin dark rim keeps light colours apart. On screen
// each point is a copy of a small picture of its disc, made once per colour: thousands of
// antialiased circles would take longer to draw than the rest of the window. Drawings (SVG, PDF)
// get real circles.
class ScatterPlottable : public QCPAbstractPlottable
{
public:
    using QCPAbstractPlottable::QCPAbstractPlottable;

    static constexpr double kRadius = 3.2;
    std::vector<double> x, y;
    std::vector<QRgb> colour;
    QColor legendColour;

    // Colours from the scale's gradient: a few hundred at most, so their pictures are kept.
    void setColours(std::vector<QRgb> c) { colour = std::move(c); }

    double selectTest(const QPointF &, bool, QVariant *) const override { return -1; }
    QCPRange getKeyRange(bool &found, QCP::SignDomain domain) const override
    {
        return rangeOf(x, found, domain);
    }
    QCPRange getValueRange(bool &found, QCP::SignDomain domain, const QCPRange &) const override
    {
        return rangeOf(y, found, domain);
    }

protected:
    void draw(QCPPainter *painter) override
    {
        const bool logX = keyAxis()->scaleType() == QCPAxis::stLogarithmic;
        const QRectF clip = clipRect().adjusted(-4, -4, 4, 4);
        const bool drawing = painter->modes().testFlag(QCPPainter::pmVectorized);
        const double scale = painter->transform().m11();
        if (!drawing && scale != m_discScale) {
            m_discs.clear();
            m_discScale = scale;
        }
        applyScattersAntialiasingHint(painter);
        painter->setPen(rim());
        for (std::size_t i = 0; i < x.size(); ++i) {
            if (logX && !(x[i] > 0))
                continue;
            const QPointF at = coordsToPixels(x[i], y[i]);
            if (!clip.contains(at))
                continue;
            if (drawing) {
                painter->setBrush(QColor(colour[i]));
                painter->drawEllipse(at, kRadius, kRadius);
            } else {
                const QPixmap &disc = discOf(colour[i]);
                const double half = disc.width() / (2 * disc.devicePixelRatio());
                painter->drawPixmap(QPointF(std::round((at.x() - half) * scale) / scale,
                                            std::round((at.y() - half) * scale) / scale),
                                    disc);
            }
        }
    }
    void drawLegendIcon(QCPPainter *painter, const QRectF &rect) const override
    {
        applyScattersAntialiasingHint(painter);
        painter->setPen(rim());
        painter->setBrush(legendColour);
        painter->drawEllipse(rect.center(), kRadius, kRadius);
    }

private:
    static QPen rim() { return QPen(QColor(0, 0, 0, 110), 0.6); }

    const QPixmap &discOf(QRgb c)
    {
        auto at = m_discs.find(c);
        if (at != m_discs.end())
            return at->second;
        const int side = int(std::ceil((2 * kRadius + 2) * m_discScale));
        QPixmap disc(side, side);
        disc.setDevicePixelRatio(m_discScale);
        disc.fill(Qt::transparent);
        QPainter p(&disc);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(rim());
        p.setBrush(QColor(c));
        const double centre = side / (2 * m_discScale);
        p.drawEllipse(QPointF(centre, centre), kRadius, kRadius);
        return m_discs.emplace(c, std::move(disc)).first->second;
    }

    std::unordered_map<QRgb, QPixmap> m_discs;
    double m_discScale = 1.0;
};

// One mark: a symbol with a text beside it.
class MarkPlottable : public QCPAbstractPlottable
{
public:
    using QCPAbstractPlottable::QCPAbstractPlottable;

    GraphControl::Mark mark;

    double selectTest(const QPointF &, bool, QVariant *) const override { return -1; }
    QCPRange getKeyRange(bool &found, QCP::SignDomain domain) const override
    {
        return rangeOf({mark.x}, found, domain);
    }
    QCPRange getValueRange(bool &found, QCP::SignDomain domain, const QCPRange &) const override
    {
        return rangeOf({mark.y}, found, domain);
    }

protected:
    void draw(QCPPainter *painter) override
    {
        if (keyAxis()->scaleType() == QCPAxis::stLogarithmic && !(mark.x > 0))
            return;
        painter->setAntialiasing(true);
        const QPointF at = coordsToPixels(mark.x, mark.y);
        painter->setPen(QPen(mark.colour, 2.2));
        painter->setBrush(Qt::NoBrush);
        drawSymbol(painter, at, mark.shape, 6);
        if (mark.label.isEmpty())
            return;
        QFont f = parentPlot()->font();
        f.setBold(true);
        painter->setFont(f);
        const QFontMetricsF m(f);
        const QRectF text(at + QPointF(10, -m.height() - 2), m.size(0, mark.label));
        painter->setPen(Qt::NoPen);
        painter->setBrush(QColor(255, 255, 255, 200));
        painter->drawRect(text.adjusted(-2, 0, 2, 0));
        painter->setPen(mark.colour);
        painter->drawText(text, Qt::AlignLeft | Qt::AlignVCenter, mark.label);
    }
    void drawLegendIcon(QCPPainter *painter, const QRectF &rect) const override
    {
        painter->setAntialiasing(true);
        painter->setPen(QPen(mark.colour, 2));
        painter->setBrush(Qt::NoBrush);
        drawSymbol(painter, rect.center(), mark.shape, 3.5);
    }
};

void GraphControl::setScatter(const std::vector<double> &x, const std::vector<double> &y,
                              const std::vector<double> &value, const QString &scaleLabel,
                              const QString &legend)
{
    if (x.empty()) {
        if (m_scatter) {
            m_plot->removePlottable(m_scatter);
            m_plot->plotLayout()->remove(m_scale);
            m_plot->plotLayout()->simplify();
            m_scatter = nullptr;
            m_scale = nullptr;
            m_plot->legend->setVisible(!m_overlays.isEmpty() || m_bandLow);
            replotWhenShown();
        }
        return;
    }
    if (!m_scatter) {
        m_scatter = new ScatterPlottable(m_plot->xAxis, m_plot->yAxis);
        m_scatter->setLayer(QStringLiteral("main"));
        m_scatter->setAntialiasedScatters(true);
        m_scale = new QCPColorScale(m_plot);
        m_plot->plotLayout()->addElement(1, 1, m_scale);
        m_scale->setType(QCPAxis::atRight);
        m_scale->setGradient(scatterGradient());
        m_scale->setBarWidth(12);
        m_scale->axis()->setLabelFont(m_plot->xAxis->labelFont());
        auto *group = new QCPMarginGroup(m_plot);
        m_plot->axisRect()->setMarginGroup(QCP::msTop | QCP::msBottom, group);
        m_scale->setMarginGroup(QCP::msTop | QCP::msBottom, group);
        m_plot->setMouseTracking(true);
        showLegend();
    }
    const auto [low, high] = std::minmax_element(value.begin(), value.end());
    QCPRange range(*low, *high);
    if (range.size() <= 0)
        range = QCPRange(*low - 0.5, *high + 0.5);
    m_scale->setDataRange(range);
    m_scale->axis()->setLabel(scaleLabel);
    m_scatter->setName(legend);
    m_scatter->x = x;
    m_scatter->y = y;
    std::vector<QRgb> colours(value.size());
    QCPColorGradient gradient = m_scale->gradient();
    for (std::size_t i = 0; i < value.size(); ++i) colours[i] = gradient.color(value[i], range);
    m_scatter->setColours(std::move(colours));
    m_scatter->legendColour = gradient.color(range.center(), range);
    replotWhenShown();
}

int GraphControl::scatterSize() const
{
    return m_scatter ? int(m_scatter->x.size()) : 0;
}

QColor GraphControl::scatterColour(double value) const
{
    if (!m_scale)
        return {};
    QCPColorGradient gradient = m_scale->gradient();
    return QColor(gradient.color(value, m_scale->dataRange()));
}

void GraphControl::setMarks(const QList<Mark> &marks)
{
    bool sameLegend = marks.size() == m_marks.size();
    for (int i = 0; sameLegend && i < marks.size(); ++i)
        sameLegend = m_marks[i]->mark.legend == marks[i].legend;
    while (m_marks.size() > marks.size()) m_plot->removePlottable(m_marks.takeLast());
    while (m_marks.size() < marks.size()) {
        auto *mark = new MarkPlottable(m_plot->xAxis, m_plot->yAxis);
        mark->setLayer(m_curveLayer);  // over the curve, drawn after it
        m_marks << mark;
    }
    for (int i = 0; i < marks.size(); ++i) {
        m_marks[i]->mark = marks[i];
        m_marks[i]->setName(marks[i].legend);
        if (marks[i].legend.isEmpty())
            m_marks[i]->removeFromLegend();
        else if (!m_plot->legend->hasItemWithPlottable(m_marks[i]))
            m_marks[i]->addToLegend();
    }
    if (sameLegend)
        replotCurveWhenShown();
    else
        replotWhenShown();
}

QList<GraphControl::Mark> GraphControl::marks() const
{
    QList<Mark> marks;
    for (const MarkPlottable *mark : m_marks) marks << mark->mark;
    return marks;
}

QPointF GraphControl::pixelOf(double x, double y) const
{
    return toPixel(x, y);
}

QRect GraphControl::plotRect() const
{
    return plotArea();
}

int GraphControl::scatterPointsIn(const QCPRange &x, const QCPRange &y) const
{
    int n = 0;
    if (m_scatter)
        for (std::size_t i = 0; i < m_scatter->x.size(); ++i)
            n += x.contains(m_scatter->x[i]) && y.contains(m_scatter->y[i]);
    for (const MarkPlottable *mark : m_marks)
        n += x.contains(mark->mark.x) && y.contains(mark->mark.y);
    return n;
}
