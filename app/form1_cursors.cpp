// The main window's graph cursors: the "&Cursors" menu, the graph notifications and the zoom of
// Fig. 3.
#include "app/form1.h"
#include "core/zoom.h"
#include "widgets/graphcontrol.h"

#include <QAction>
#include <QLineEdit>
#include <QPushButton>

void Form1::connectGraphs()
{
    // A click on a graph reruns that graph's sweep only.
    connect(CWGraph1, &GraphControl::clicked, this, &Form1::Sweep_impedance);
    connect(CWGraph3, &GraphControl::clicked, this, &Form1::Sweep_gain_plain);
    connect(CWGraph4, &GraphControl::clicked, this, &Form1::Sweep_gain_zobel);
    connect(CWGraph1, &GraphControl::cursorMoved, this, &Form1::Readout_impedance);
    connect(CWGraph3, &GraphControl::cursorMoved, this, &Form1::Readout_gain_plain);
    connect(CWGraph4, &GraphControl::cursorMoved, this, &Form1::Readout_gain_zobel);
    connect(cursors1_on, &QAction::triggered, this, [this] {
        toggleCursor(m_cursors1_curs_zoomb, cursors1_on, CWGraph1, Text_coordx1, Text_coordy1,
                     nullptr);
    });
    connect(cursors2_on, &QAction::triggered, this, [this] {
        toggleCursor(m_cursors3_curs_zoomb, cursors2_on, CWGraph3, Text_coordx2, Text_coordy2,
                     nullptr);
    });
    connect(cursors3_on, &QAction::triggered, this, [this] {
        toggleCursor(m_cursors4_curs_zoomb, cursors3_on, CWGraph4, Text_coordx3, Text_coordy3,
                     Zoom_In4);
    });
    connect(Zoom_In4, &QPushButton::clicked, this, &Form1::Zoom_In4_Click);
    connect(Zoom_Full4, &QPushButton::clicked, this, &Form1::Zoom_Full4_Click);
}

void Form1::toggleCursor(Flag &flag, QAction *item, GraphControl *graph, QLineEdit *readoutX,
                         QLineEdit *readoutY, QPushButton *zoom)
{
    // Only the flag decides; the menu's check mark and the graph's cursor count follow it.
    if (flag == kFlagFalse) {
        flag = kFlagTrue;
        if (zoom)
            zoom->setVisible(true);
        item->setChecked(true);
        graph->addCursor();
        readoutX->setVisible(true);
        readoutY->setVisible(true);
        Recalculate_all();
    } else {
        flag = kFlagFalse;
        item->setChecked(false);
        graph->removeCursors();
        if (zoom)
            zoom->setVisible(false);
        readoutX->setVisible(false);
        readoutY->setVisible(false);
    }
}

void Form1::Zoom_In4_Click()
{
    // 1.-2. Around cursor 1, when there is one; the cursor stays and nothing is recomputed.
    if (static_cast<std::int16_t>(CWGraph4->cursorCount()) > 0) {
        const AxisView view = zoomAtCursor(CWGraph4->cursorX(), CWGraph4->cursorY());
        CWGraph4->setAxisRange(GraphControl::XAxis, view.xMinimum, view.xMaximum);
        CWGraph4->setAxisRange(GraphControl::YAxis, view.yMinimum, view.yMaximum);
    }
    // 3. The cursor stays draggable in any view; this graph needs no setting for it.
}

void Form1::Zoom_Full4_Click()
{
    // 1.-2. A replot keeps whatever range the axes have, so only this brings the whole curve back.
    CWGraph4->fitAxis(GraphControl::XAxis);
    CWGraph4->fitAxis(GraphControl::YAxis);
    // 3. As after a zoom.
}
