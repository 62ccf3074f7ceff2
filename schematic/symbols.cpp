#include "schematic/symbols.h"

#include <QLineF>
#include <QPainter>
#include <QPainterPath>

#include <cmath>

namespace symbols {

namespace {

constexpr double kStroke = 2.0;
constexpr double kTurnRadius = 5.0;
constexpr double kPlateGap = 6.0;
constexpr double kPlateHalf = 10.0;
constexpr double kResistorLength = 30.0;
constexpr double kZigHalf = 5.0;
constexpr int kTextPixels = 10;
constexpr int kPinPixels = 9;

QFont drawingFont(int pixels)
{
    QFont f;
    f.setFamilies({QStringLiteral("DejaVu Sans Condensed"), QStringLiteral("DejaVu Sans")});
    f.setPixelSize(pixels);
    f.setBold(false);  // not the window's bold
    return f;
}

QPen pen(const QColor &c)
{
    return QPen(c, kStroke, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

// Draws a body of the given length centred between a and b in a frame where a -> b runs along +x
// and -y is the symbol's "up" side; the leads join the pins to the body.
template <class Body>
void twoPin(QPainter &p, QPointF a, QPointF b, double length, Body body)
{
    const QLineF axis(a, b);
    const double start = (axis.length() - length) / 2;
    p.save();
    p.translate(a);
    p.rotate(-axis.angle());
    p.setPen(pen(kComponent));
    p.setBrush(Qt::NoBrush);
    p.drawLine(QPointF(0, 0), QPointF(start, 0));
    p.drawLine(QPointF(start + length, 0), QPointF(axis.length(), 0));
    p.translate(start, 0);
    body(p);
    p.restore();

    // Pin numbers beside the lead ends: above a horizontal part, left of a vertical one.
    p.save();
    p.setFont(drawingFont(kPinPixels));
    p.setPen(kPinText);
    if (qFuzzyCompare(a.y(), b.y())) {
        const double left = std::min(a.x(), b.x());
        const double right = std::max(a.x(), b.x());
        p.drawText(QPointF(left - 1, a.y() - 4), QStringLiteral("1"));
        p.drawText(QPointF(right - 5, a.y() - 4), QStringLiteral("2"));
    } else {
        const double top = std::min(a.y(), b.y());
        const double bottom = std::max(a.y(), b.y());
        p.drawText(QPointF(a.x() - 9, top + 10), QStringLiteral("1"));
        p.drawText(QPointF(a.x() - 9, bottom - 2), QStringLiteral("2"));
    }
    p.restore();
}

}  // namespace

void wire(QPainter &p, std::initializer_list<QPointF> path)
{
    p.save();
    p.setPen(pen(kWire));
    p.drawPolyline(path.begin(), static_cast<int>(path.size()));
    p.restore();
}

void coil(QPainter &p, QPointF a, QPointF b, int turns, Side side)
{
    const double length = turns * 2 * kTurnRadius;
    twoPin(p, a, b, length, [&](QPainter &q) {
        QPainterPath path(QPointF(0, 0));
        const double sweep = side == Side::Up ? -180 : 180;
        for (int i = 0; i < turns; ++i)
            path.arcTo(QRectF(i * 2 * kTurnRadius, -kTurnRadius, 2 * kTurnRadius, 2 * kTurnRadius),
                       180, sweep);
        q.drawPath(path);
    });
}

void capacitor(QPainter &p, QPointF a, QPointF b)
{
    twoPin(p, a, b, kPlateGap, [](QPainter &q) {
        q.drawLine(QPointF(0, -kPlateHalf), QPointF(0, kPlateHalf));
        q.drawLine(QPointF(kPlateGap, -kPlateHalf), QPointF(kPlateGap, kPlateHalf));
    });
}

void resistor(QPainter &p, QPointF a, QPointF b)
{
    twoPin(p, a, b, kResistorLength, [](QPainter &q) {
        constexpr int kPeaks = 6;
        const double step = kResistorLength / kPeaks;
        QPolygonF zig{QPointF(0, 0)};
        for (int i = 0; i < kPeaks; ++i)
            zig << QPointF(step * (i + 0.5), i % 2 ? kZigHalf : -kZigHalf);
        zig << QPointF(kResistorLength, 0);
        q.drawPolyline(zig);
    });
}

void ground(QPainter &p, QPointF top)
{
    p.save();
    p.setPen(pen(kGroundMark));
    p.drawLine(top, top + QPointF(0, 6));
    for (const auto &[dy, half] : {std::pair{6.0, 10.0}, {10.0, 6.0}, {14.0, 2.0}})
        p.drawLine(top + QPointF(-half, dy), top + QPointF(half, dy));
    p.restore();
}

void connector(QPainter &p, QPointF tip)
{
    p.save();
    p.setPen(pen(kGroundMark));
    for (double back : {0.0, 6.0})
        p.drawPolyline(QPolygonF{tip + QPointF(-back - 6, -6), tip + QPointF(-back, 0),
                                 tip + QPointF(-back - 6, 6)});
    p.restore();
}

void junction(QPainter &p, QPointF at)
{
    p.save();
    p.setPen(Qt::NoPen);
    p.setBrush(kJunction);
    p.drawEllipse(at, 3.5, 3.5);
    p.restore();
}

void text(QPainter &p, QPointF baseline, const QString &s, const QColor &colour)
{
    p.save();
    p.setFont(drawingFont(kTextPixels));
    p.setPen(colour);
    p.drawText(baseline, s);
    p.restore();
}

void centredText(QPainter &p, double x, double y, const QString &s, const QColor &colour)
{
    p.save();
    p.setFont(drawingFont(kTextPixels));
    const double width = p.fontMetrics().horizontalAdvance(s);
    p.setPen(colour);
    p.drawText(QPointF(x - width / 2, y), s);
    p.restore();
}

}  // namespace symbols
