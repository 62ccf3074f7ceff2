// The main window's trade-off map: its menu, what the map is told after every change, and a
// network chosen on the map put into the design.
#include "app/form1.h"

#include "tradeoff/tradeoffwindow.h"
#include "widgets/valuecombo.h"

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
    }
    // Not modal: the design stays open to change, and the map follows it.
    m_tradeoff->show();
    m_tradeoff->raise();
    m_tradeoff->activateWindow();
    followTradeoff();
}

void Form1::followTradeoff()
{
    if (!m_tradeoff)
        return;
    m_tradeoff->follow(
        {m_rec, m_power ? m_power->actual_l_net() : 50.0, m_measured ? m_measured->load : nullptr});
}

void Form1::applyZobel(const QString &cPar, const QString &r, const QString &cSer)
{
    // One undo step for the three picks.
    const ChangeScope change(*this, QStringLiteral("Zobel map pick"));
    // Each item as the user would pick it from its drop-down, with that selection's handling.
    const struct {
        ValueCombo *box;
        const QString &text;
        void (Form1::*picked)();
    } picks[] = {{zobel_c_par, cPar, &Form1::zobel_c_par_Click},
                 {zobel_r_par, r, &Form1::zobel_r_par_Click},
                 {zobel_c_ser, cSer, &Form1::zobel_c_ser_Click}};
    for (const auto &pick : picks) {
        const int item = pick.box->findText(pick.text, Qt::MatchExactly | Qt::MatchCaseSensitive);
        if (item < 0 || pick.box->currentText() == pick.text)
            continue;
        pick.box->setCurrentIndex(item);
        (this->*pick.picked)();
    }
}
