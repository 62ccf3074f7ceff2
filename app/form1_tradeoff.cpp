// The main window's trade-off map: its menu, and a network chosen on the map put into the design
// as one step.
#include "app/form1.h"

#include "tradeoff/tradeoffwindow.h"
#include "widgets/windowlook.h"

#include <QMenuBar>

void Form1::createTradeoffMenu()
{
    QMenu *menu = named(menuBar()->addMenu(QStringLiteral("&Trade-off")), "tradeoff");
    QAction *open = named(menu->addAction(QStringLiteral("Zobel &map…")), "tradeoff_window");
    connect(open, &QAction::triggered, this, &Form1::tradeoff_window_Click);
}

void Form1::tradeoff_window_Click()
{
    if (!m_tradeoff) {
        m_tradeoff = new TradeoffWindow(*m_model, this);
        connect(m_tradeoff, &TradeoffWindow::networkChosen, this, &Form1::applyZobel);
    }
    // Not modal: the design stays open to change, and the map follows it.
    showInFront(m_tradeoff);
}

void Form1::applyZobel(const QString &cPar, const QString &r, const QString &cSer)
{
    // One undo step for the three items.
    const ChangeScope change(*this, QStringLiteral("Zobel map pick"));
    m_model->setListText(ListSelector::zobel_c_par, cPar);
    m_model->setListText(ListSelector::zobel_r_par, r);
    m_model->setListText(ListSelector::zobel_c_ser, cSer);
}
