// The main window's design assistant: its menu, the selected row's curve on Fig. 3, and a row put
// into the design as one step.
#include "app/form1.h"

#include "assistant/assistantwindow.h"
#include "widgets/windowlook.h"

#include <QMenuBar>

void Form1::createAssistantMenu()
{
    QMenu *menu = named(menuBar()->addMenu(QStringLiteral("Ass&istant")), "assistant");
    QAction *open =
        named(menu->addAction(QStringLiteral("&Design assistant…")), "assistant_window");
    connect(open, &QAction::triggered, this, &Form1::assistant_window_Click);
}

void Form1::assistant_window_Click()
{
    if (!m_assistant) {
        m_assistant = new AssistantWindow(*m_model, this);
        connect(m_assistant, &AssistantWindow::designChosen, this, &Form1::applyAssistantPick);
        connect(m_assistant, &AssistantWindow::overlayChanged, this,
                [this] { followOverlays(Fig3); });
    }
    // Not modal: the design stays open to change while the answer is read.
    showInFront(m_assistant);
}

void Form1::applyAssistantPick(const QString &filterL, const QString &filterC, const QString &cPar,
                               const QString &r, const QString &cSer)
{
    // One undo step for the five items.
    const ChangeScope change(*this, QStringLiteral("Assistant pick"));
    m_model->setListText(ListSelector::filter_l_par, filterL);
    m_model->setListText(ListSelector::filter_c_par, filterC);
    m_model->setListText(ListSelector::zobel_c_par, cPar);
    m_model->setListText(ListSelector::zobel_r_par, r);
    m_model->setListText(ListSelector::zobel_c_ser, cSer);
}
