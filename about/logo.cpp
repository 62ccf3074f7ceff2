#include "about/logo.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace {

constexpr QSize kLogo(140, 70);

void drawFilter(QPainter &p)
{
    const QPen ink(QColor(0, 0, 160), 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    p.setPen(ink);
    // Series inductor on the signal line, then the shunt capacitor to ground.
    QPainterPath line(QPointF(6, 22));
    line.lineTo(12, 22);
    for (int i = 0; i < 3; ++i) line.arcTo(QRectF(12 + i * 8, 18, 8, 8), 180, -180);
    line.lineTo(56, 22);
    p.drawPath(line);
    p.drawLine(QPointF(46, 22), QPointF(46, 36));
    p.drawLine(QPointF(38, 36), QPointF(54, 36));
    p.drawLine(QPointF(38, 41), QPointF(54, 41));
    p.drawLine(QPointF(46, 41), QPointF(46, 52));
    for (const auto &[y, half] : {std::pair{52.0, 8.0}, {56.0, 5.0}, {60.0, 2.0}})
        p.drawLine(QPointF(46 - half, y), QPointF(46 + half, y));
    p.setBrush(QColor(0, 0, 160));
    p.drawEllipse(QPointF(46, 22), 2.5, 2.5);
}

void drawResponse(QPainter &p)
{
    const QRectF plot(66, 8, 68, 54);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(255, 255, 255, 150), 1));
    for (int i = 1; i < 4; ++i) {
        const double x = plot.left() + i * plot.width() / 4;
        p.drawLine(QPointF(x, plot.top()), QPointF(x, plot.bottom()));
    }
    p.setPen(QPen(QColor(0, 0, 96), 1.5));
    p.drawLine(plot.bottomLeft(), plot.topLeft());
    p.drawLine(plot.bottomLeft(), plot.bottomRight());
    // Flat, a peak at resonance, then two poles' worth of fall.
    QPainterPath curve(QPointF(plot.left(), 28));
    curve.lineTo(92, 28);
    curve.cubicTo(QPointF(100, 28), QPointF(101, 14), QPointF(105, 14));
    curve.cubicTo(QPointF(109, 14), QPointF(110, 30), QPointF(116, 40));
    curve.lineTo(plot.right() - 2, plot.bottom() - 4);
    p.setPen(QPen(QColor(240, 192, 64), 3.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(curve);
    p.setPen(QPen(QColor(200, 40, 0), 1.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(curve);
}

}  // namespace

Logo::Logo(QWidget *parent) : QFrame(parent)
{
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setLineWidth(2);
}

void Logo::paintEvent(QPaintEvent *event)
{
    QFrame::paintEvent(event);
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRect area(contentsRect().topLeft(), kLogo);
    p.setClipRect(area);
    p.translate(area.topLeft());
    QLinearGradient sky(0, 0, 0, kLogo.height());
    sky.setColorAt(0, QColor(200, 230, 255));
    sky.setColorAt(1, QColor(120, 190, 250));
    p.fillRect(QRect(QPoint(), kLogo), sky);
    drawFilter(p);
    drawResponse(p);
}
