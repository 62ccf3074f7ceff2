#include "widgets/graphcursor.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

namespace {

const QColor kCursorColour(200, 0, 0);
constexpr int kRing = 4;  // radius of the ring on the point
constexpr int kGrip = 6;  // pixels either side of the line that pick the cursor up

}  // namespace

GraphCursor::GraphCursor(const Graph &graph, QWidget *plot) : QWidget(plot), m_graph(graph)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    hide();
}

void GraphCursor::switchOn(double x)
{
    m_on = true;
    standAt(x);
    show();
}

void GraphCursor::switchOff()
{
    m_on = false;
    m_dragged = false;
    hide();
}

double GraphCursor::x() const
{
    return m_on ? m_x : 0.0;
}

double GraphCursor::y() const
{
    return m_on ? m_graph.valueAt(m_x) : 0.0;
}

void GraphCursor::moveTo(double x)
{
    if (!m_on)
        return;
    standAt(x);
    emit positionChanged(this->x(), y());
}

void GraphCursor::follow()
{
    if (m_on)
        standAt(m_x);
}

void GraphCursor::standAt(double x)
{
    const QRegion before = strips();
    m_x = m_graph.shownPointNear(x);
    m_y = m_graph.valueAt(m_x);
    update(before + strips());
}

bool GraphCursor::pickUp(const QPoint &pos)
{
    if (!m_on)
        return false;
    const double px = m_graph.toPixel(m_x, m_y).x();
    // The plot's last column lies one pixel past its area, where the range's end is drawn.
    const QRect grip = m_graph.plotArea().adjusted(-kGrip, 0, kGrip + 1, 1);
    m_dragged = std::fabs(pos.x() - px) <= kGrip && grip.contains(pos);
    return m_dragged;
}

void GraphCursor::dragTo(const QPoint &pos)
{
    if (!m_dragged || !m_on)
        return;
    const QRect plot = m_graph.plotArea();
    const int px = std::clamp(pos.x(), plot.left(), plot.left() + plot.width());
    moveTo(m_graph.xAtPixel(px));
}

QRect GraphCursor::area() const
{
    // The ends of the axis ranges map to the column and row one past the plot area.
    return m_graph.plotArea().adjusted(0, 0, 1, 1);
}

QRegion GraphCursor::strips() const
{
    const QPoint at = m_graph.toPixel(m_x, m_y).toPoint();
    const QRect a = area();
    const int half = kRing + 2;
    return QRegion(at.x() - half, a.top(), 2 * half + 1, a.height()) +
           QRegion(a.left(), at.y() - half, a.width(), 2 * half + 1);
}

void GraphCursor::paintEvent(QPaintEvent *)
{
    const QPointF at = m_graph.toPixel(m_x, m_y);
    const QRect a = area();
    const bool columnShown = at.x() >= a.left() && at.x() <= a.right();
    const bool rowShown = at.y() >= a.top() && at.y() <= a.bottom();
    QPainter painter(this);
    painter.setPen(QPen(kCursorColour, 1, Qt::DashLine));
    if (columnShown)
        painter.drawLine(QLineF(at.x(), a.top(), at.x(), a.bottom()));
    if (rowShown)
        painter.drawLine(QLineF(a.left(), at.y(), a.right(), at.y()));
    // A ring on the point itself, which stays in sight where the lines run along the axes.
    if (columnShown && rowShown) {
        painter.setPen(QPen(kCursorColour, 1));
        painter.drawEllipse(at, kRing, kRing);
    }
}
