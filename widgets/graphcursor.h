#pragma once

#include <QWidget>

// A graph's cursor: a crosshair the user drags along the curve, drawn by a transparent child over
// the plot so that moving it repaints two thin strips of the plot rather than all of it. It stands
// only on curve points the axes show. Every move the user or the program makes is reported by
// positionChanged(); following a new curve is not a move.
class GraphCursor : public QWidget
{
    Q_OBJECT

public:
    // What the cursor needs of its graph.
    class Graph
    {
    public:
        virtual ~Graph() = default;
        // The plot area, in the cursor's pixels.
        virtual QRect plotArea() const = 0;
        virtual QPointF toPixel(double x, double y) const = 0;
        virtual double xAtPixel(double px) const = 0;
        // The X of the curve point nearest to x among those inside the X axis range (x itself
        // when none is), and the curve's value at a point's X.
        virtual double shownPointNear(double x) const = 0;
        virtual double valueAt(double pointX) const = 0;
    };

    GraphCursor(const Graph &graph, QWidget *plot);

    bool isOn() const { return m_on; }
    // On at the shown point nearest to x, or off. Neither reports a move.
    void switchOn(double x);
    void switchOff();
    // Where it stands: a curve point's X and the curve's value there; 0 when off.
    double x() const;
    double y() const;

    // Puts the cursor at the shown point nearest to x and reports the move, as a drag would.
    void moveTo(double x);
    // Stays on its point after the curve or the axes changed, and redraws; not a move.
    void follow();

    // The mouse: a press within a few pixels of the line picks the cursor up, and while it is held
    // the cursor follows the pointer, staying on the end point beyond either end of the plot.
    bool pickUp(const QPoint &pos);
    bool isDragged() const { return m_dragged; }
    void dragTo(const QPoint &pos);
    void letGo() { m_dragged = false; }

signals:
    void positionChanged(double x, double y);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void standAt(double x);
    QRect area() const;
    QRegion strips() const;

    const Graph &m_graph;
    bool m_on = false;
    bool m_dragged = false;
    double m_x = 0.0;  // X of the curve point it stands on
    double m_y = 0.0;
};
