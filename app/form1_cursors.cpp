// The main window's graph cursors: the "&Cursors" menu and the graph notifications.
#include "app/form1.h"
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
