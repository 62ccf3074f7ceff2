#pragma once

#include <QColor>
#include <QImage>
#include <QString>
#include <QWidget>

#include "widgets/graphcursor.h"

#include <memory>
#include <vector>

class LogSafeGraph;
class MarkPlottable;
class QCPColorScale;
class QCustomPlot;
class QCPGraph;
class QCPLayer;
class QCPRange;
class QWheelEvent;
class QMouseEvent;
class QShowEvent;
class ScatterPlottable;

// The program's graph: one curve, an optional cursor that the user drags along the curve, and the
// few operations the windows use. The only code that knows the plotting library.
// While the graph is not on screen nothing is drawn; it draws once when it is shown.
class GraphControl : public QWidget, private GraphCursor::Graph
{
    Q_OBJECT

public:
    enum Axis { XAxis = 1, YAxis = 2 };
    enum ImageFormat { Png, Svg, Pdf };
    enum Scale { Linear, Logarithmic };
    // A curve drawn for comparison under the graph's own.
    struct Overlay {
        QString name;
        QColor colour;
        const std::vector<double> *x = nullptr;
        const std::vector<double> *y = nullptr;
        Qt::PenStyle style = Qt::SolidLine;
        bool dots = false;  // each point a small circle, no line between them
    };
    struct AxisSetup {
        double minimum = 0.0;
        double maximum = 1.0;
        Scale scale = Linear;
        QString unit;  // a logarithmic axis labels its decades with SI prefix and unit: "10kHz"
    };
    // A symbol drawn over everything else, with a text beside it and an entry in the legend.
    enum MarkShape { Ring, Square, Diamond };
    struct Mark {
        double x = 0.0;
        double y = 0.0;
        QColor colour;
        MarkShape shape = Ring;
        QString label;   // beside the symbol; none when empty
        QString legend;  // its legend entry; none when empty
    };

    explicit GraphControl(QWidget *parent = nullptr);
    ~GraphControl() override;

    // Caption above the plot and the axes as created; later only ranges change.
    void setup(const QString &caption, const AxisSetup &x, const AxisSetup &y);

    // The curve becomes exactly these points (x and y of the same length, x ascending).
    // The graph is redrawn once the current event has been handled, however often it was
    // plotted during that event.
    void plot(const std::vector<double> &x, const std::vector<double> &y);
    int curveSize() const;
    double curveX(int index) const;
    double curveY(int index) const;

    // Thin coloured curves under the curve, with a legend naming the curve (curveName) and then
    // each overlay; an empty list removes them and the legend. The curve stays curve 0: the
    // cursor follows it. Redrawn as plot() is. The legend stands in the corner of the plot where
    // it covers the fewest points of the curves, the scatter and the marks.
    void setOverlays(const QString &curveName, const QList<Overlay> &overlays);
    int overlayCount() const;
    int overlaySize(int overlay) const;
    double overlayX(int overlay, int index) const;
    double overlayY(int overlay, int index) const;
    QString overlayName(int overlay) const;  // as the legend gives it

    // A shaded band between low and high at x, under every curve, named `legend` in the legend
    // beside the curve (curveName); empty vectors remove it. Redrawn as plot() is.
    void setBand(const std::vector<double> &x, const std::vector<double> &low,
                 const std::vector<double> &high, const QColor &colour, const QString &legend,
                 const QString &curveName);
    int bandSize() const;
    double bandX(int index) const;
    double bandLow(int index) const;
    double bandHigh(int index) const;

    // Points under the curve, each filled with the colour of its value on a scale drawn to the
    // right of the plot, labelled scaleLabel; legend names them in the legend. Empty vectors
    // remove them. The axes keep their ranges; fitting takes in the points and the marks.
    void setScatter(const std::vector<double> &x, const std::vector<double> &y,
                    const std::vector<double> &value, const QString &scaleLabel,
                    const QString &legend);
    int scatterSize() const;
    // The colour a value is drawn in on the scatter's scale.
    QColor scatterColour(double value) const;
    // Symbols over the curve, in this order; redrawn as plot() is.
    void setMarks(const QList<Mark> &marks);
    QList<Mark> marks() const;
    // The curve's name in the legend and its pen: a colour and a width in pixels.
    void setCurveStyle(const QString &name, const QColor &colour, double width);
    // Where a point of the axes is drawn, in this widget's pixels, and the rectangle of the plot
    // area; the mouse signals give positions in the same pixels.
    QPointF pixelOf(double x, double y) const;
    QRect plotRect() const;

    // Cursors. There is at most one; it is item 1, and it reports its moves by
    // cursor()->positionChanged(). A new cursor stands in the middle of the X axis.
    GraphCursor *cursor() const { return m_cursor; }
    int cursorCount() const;
    void addCursor();
    void removeCursors();
    // Where cursor 1 stands: X on the curve's point nearest to where it was put, among the points
    // inside the X axis range (never one the axes cannot show), Y the curve's value there.
    // 0 when there is no cursor.
    double cursorX() const;
    double cursorY() const;
    // Puts cursor 1 at the shown curve point nearest to x, as a drag would, and reports the move.
    void moveCursor(double x);

    void setAxisRange(Axis axis, double minimum, double maximum);
    // Both axes back to the ranges setup() gave them.
    void restoreRanges();
    // A title along the axis.
    void setAxisLabel(Axis axis, const QString &label);
    double axisMinimum(Axis axis) const;
    double axisMaximum(Axis axis) const;
    Scale axisScale(Axis axis) const;
    QString caption() const;
    // Fits the axis to everything drawn: the curve, the overlays, the scatter and the marks
    // (positive data only on a logarithmic axis).
    void fitAxis(Axis axis);
    // Widens the Y axis, never narrowing it, to the nearest 1-2-5 values that take in every point
    // of these whose x lies within the X axis range.
    void widenToShow(const std::vector<double> &x, const std::vector<double> &y);
    // The corner the legend stands in (Qt::AlignBottom | Qt::AlignLeft, ...).
    Qt::Alignment legendCorner() const;
    // The axis's tick labels as drawn: the pixel along the axis where each stands, and its text.
    // On a logarithmic axis they are as many as fit without touching (decades, or 1-2-5 or 1 to
    // 9 in each decade), measured in tickLabelFont().
    QList<QPair<double, QString>> tickLabels(Axis axis) const;
    QFont tickLabelFont() const;

    // The graph as drawn, overlays and legend included, the cursor not: an image at `scale` times
    // its size (with a resolution to match), or a file's bytes, PNG at twice its size or SVG and
    // PDF drawings at its size.
    QImage image(double scale) const;
    QByteArray imageFile(ImageFormat format) const;
    // The graph as it would be drawn at another size, its legend in the corner that size gives
    // it, at `scale` times that size; the graph on screen stays as it is.
    QImage imageAt(QSize size, double scale);

    // Redraws now.
    void refresh();

protected:
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

signals:
    // Pressed and released without dragging the cursor or the view; clickedAt() says where. The
    // wheel zooms about the pointer; a drag that does not pick up the cursor moves the view.
    void clicked();
    void clickedAt(QPoint pos);
    // The mouse moved over the graph with no button held (reported while a scatter is shown).
    void hovered(QPoint pos);

private:
    // What the cursor sees of the graph.
    QRect plotArea() const override;
    QPointF toPixel(double x, double y) const override;
    double xAtPixel(double px) const override;
    double shownPointNear(double x) const override;
    double valueAt(double pointX) const override;

    void onMousePress(QMouseEvent *event);
    void onMouseMove(QMouseEvent *event);
    void onMouseRelease(QMouseEvent *event);
    void onWheel(QWheelEvent *event);
    void panBy(QPointF from, QPointF to);
    // The corner where the legend covers the fewest points, and how many points a rectangle of
    // the plot (pixels) covers.
    Qt::Alignment bestLegendCorner() const;
    int pointsUnder(const QRectF &rect) const;
    int scatterPointsIn(const QCPRange &x, const QCPRange &y) const;  // and marks
    bool placeLegend();
    void replotWhenShown();
    void replotCurveWhenShown();
    void paintDrawing(QPaintDevice *device, int width, int height) const;
    void showLegend();
    void legendOnTop() const;

    QCustomPlot *m_plot = nullptr;
    LogSafeGraph *m_graph = nullptr;
    QList<LogSafeGraph *> m_overlays;
    LogSafeGraph *m_bandLow = nullptr, *m_bandHigh = nullptr;
    ScatterPlottable *m_scatter = nullptr;
    QCPColorScale *m_scale = nullptr;
    QList<MarkPlottable *> m_marks;
    QString m_caption;
    AxisSetup m_setupX, m_setupY;
    GraphCursor *m_cursor = nullptr;
    bool m_pressed = false;
    bool m_panning = false;  // a press away from the cursor moved past the drag distance
    QPoint m_pressAt, m_panAt;
    bool m_replotPending = false;
    QCPLayer *m_curveLayer = nullptr;
    bool m_curveQueued = false;   // a redraw of the curve alone waits for the event loop
    bool m_fullQueued = false;    // a whole replot does, which draws the curve too
    bool m_legendQueued = false;  // the legend's texts changed: it is laid out again first
};
