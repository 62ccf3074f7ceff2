#pragma once

#include "core/tradeoff/tradeoff.h"

#include <QFutureWatcher>
#include <QMainWindow>
#include <QThreadPool>

#include <memory>
#include <optional>

class DesignModel;
class GraphControl;
class QLabel;

// "Zobel map": every Zobel network of the lists as a point, the worst-case peak over the load set
// against the Zobel resistor's dissipation, coloured by the gain at 20 kHz, with the Pareto front,
// the design's own network and the networks without a series capacitor as one point at the left.
// A click on a point, or Enter on the point picked with the arrow keys, asks for that network by
// networkChosen(); the map never changes the design itself. The map is worked out off the GUI
// thread each time the design changes while the window is shown, and drawn once complete;
// closing the window stops its work.
class TradeoffWindow : public QMainWindow
{
    Q_OBJECT

public:
    // Follows the design model from the start.
    explicit TradeoffWindow(const DesignModel &model, QWidget *parent = nullptr);
    ~TradeoffWindow() override;

    // The map drawn, null before the first; whether a newer one is being worked out.
    const TradeoffMap *shownMap() const { return m_shown.get(); }
    bool isWorking() const;
    // The network picked with the keyboard, or -1.
    int selectedNetwork() const { return m_selected; }
    // The network a point drawn at this pixel of the graph stands for, or -1.
    int networkAt(QPoint pixel) const;
    // Where the network is drawn, in the graph's pixels.
    QPointF pixelOfNetwork(int index) const;

signals:
    // A network was chosen: the texts of its zobel_c_par, zobel_r_par and zobel_c_ser items.
    void networkChosen(const QString &cPar, const QString &r, const QString &cSer);
    // A new map was drawn.
    void mapDrawn();

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    // One drawn point: a network, or the networks without a series capacitor as one.
    struct Point {
        int network;  // for the group, the design's zobel_c_par and zobel_r_par with "0"
        double x, y;
    };

    void createControls();
    // The design as it now stands. The design's own network is marked at once; the map is worked
    // out again when anything it shows changed.
    void follow(const TradeoffInputs &inputs);
    void connectControls();

    void start();
    void finished();
    void draw();
    void drawMarks();
    void showReadout(int network);
    void hover(QPoint pixel);
    void choose(int network);
    void select(int network);
    int nearestInDirection(int key) const;
    int stepAlongFront(int step) const;
    int representative(int network) const;
    const Point &pointOf(int network) const;
    std::optional<ZobelNetwork> designNetwork() const;

    GraphControl *m_graph = nullptr;
    QLabel *m_caption = nullptr;
    QLabel *m_readout = nullptr;

    TradeoffInputs m_wanted;  // what the map should show, and the design's own network
    bool m_following = false;
    bool m_placed = false;
    std::shared_ptr<const TradeoffMap> m_shown;
    QThreadPool m_pool;                    // the map's threads, at low priority
    std::shared_ptr<TradeoffWork> m_work;  // the map being worked out
    QFutureWatcher<void> m_job;            // its rows on m_pool
    std::vector<Point> m_points;
    std::vector<int> m_front;  // drawn points on the Pareto front, by dissipation
    int m_selected = -1;
    int m_hovered = -1;
};
