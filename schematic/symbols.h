#pragma once

#include <QColor>
#include <QPointF>
#include <QString>

#include <initializer_list>

class QPainter;

// The symbols the schematic drawings are made of, in picture pixels. A two-pin component runs
// from pin a to pin b (horizontally or vertically) with its body centred between them and its
// leads reaching both pins; its pin numbers are "1" at a and "2" at b.
namespace symbols {

inline const QColor kWire(128, 0, 0);
inline const QColor kComponent(0, 0, 255);
inline const QColor kName(0, 0, 128);
inline const QColor kPinText(0, 0, 0);
inline const QColor kGroundMark(255, 0, 0);
inline const QColor kJunction(255, 0, 255);

// Which side of its axis a coil's turns bulge to: up for a horizontal coil, right for a vertical.
enum class Side { Up, Down };

void wire(QPainter &p, std::initializer_list<QPointF> path);
void coil(QPainter &p, QPointF a, QPointF b, int turns, Side side = Side::Up);
void capacitor(QPainter &p, QPointF a, QPointF b);
void resistor(QPainter &p, QPointF a, QPointF b);
void ground(QPainter &p, QPointF top);
// A double chevron pointing right, its tip on the wire end.
void connector(QPainter &p, QPointF tip);
void junction(QPainter &p, QPointF at);
// Text from its baseline's left end: names in navy, pin numbers and inputs in black.
void text(QPainter &p, QPointF baseline, const QString &s, const QColor &colour = kName);
// Text centred over x, its baseline at y.
void centredText(QPainter &p, double x, double y, const QString &s, const QColor &colour = kName);

}  // namespace symbols
