// The main window's trade-off map: its menu, the map following the design model, and a network
// chosen on the map put into the design.
#include "app/form1.h"

#include "tradeoff/tradeoffwindow.h"

#include <QMenuBar>

void Form1::createTradeoffMenu()
{
    QMenu *menu = menuBar()->addMenu(QStringLiteral("&Trade-off"));
    menu->setObjectName(QStringLiteral("tradeoff"));
    QAction *open = menu->addAction(QStringLiteral("Zobel &map…"));
    open->setObjectName(QStringLiteral("tradeoff_window"));
    connect(open, &QAction::triggered, this, &Form1::tradeoff_window_Click);
}

void Form1::tradeoff_window_Click()
{
    if (!m_tradeoff) {
        m_tradeoff = new TradeoffWindow(this);
        connect(m_tradeoff, &TradeoffWindow::networkChosen, this, &Form1::applyZobel);
        DesignModel *model = m_model;
        TradeoffWindow *map = m_tradeoff;
        connect(model, &DesignModel::changed, map, [model, map](DesignParts parts) {
            if (parts != DesignPart::Reference)
                map->follow({model->record(), model->loadPower(), model->measured()});
        });
    }
    // Not modal: the design stays open to change, and the map follows it.
    m_tradeoff->show();
    m_tradeoff->raise();
    m_tradeoff->activateWindow();
    m_tradeoff->follow({m_model->record(), m_model->loadPower(), m_model->measured()});
}

void Form1::applyZobel(const QString &cPar, const QString &r, const QString &cSer)
{
    // One undo step for the three items.
    const ChangeScope change(*this, QStringLiteral("Zobel map pick"));
    m_model->setListText(ListSelector::zobel_c_par, cPar);
    m_model->setListText(ListSelector::zobel_r_par, r);
    m_model->setListText(ListSelector::zobel_c_ser, cSer);
}
