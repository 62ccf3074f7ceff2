// The main window's side of the switching-carrier window: its menu.
#include "app/form1.h"

#include "carrier/carrierwindow.h"
#include "widgets/windowlook.h"

#include <QAction>
#include <QMenuBar>
#include <QWindow>

void Form1::createCarrierMenu()
{
    QMenu *menu = named(menuBar()->addMenu(QStringLiteral("Ca&rrier")), "carrier");
    QAction *open = named(menu->addAction(QStringLiteral("&Switching carrier…")), "carrier_window");
    connect(open, &QAction::triggered, this, &Form1::carrier_window_Click);
}

CarrierWindow *Form1::carrierWindow() const
{
    return m_carrier;
}

void Form1::carrier_window_Click()
{
    if (!m_carrier) {
        // Its inputs live in the model: a window opened again shows them as they were.
        m_carrier = new CarrierWindow(*m_model, this);
        m_carrier->winId();
        m_carrier->windowHandle()->setTransientParent(windowHandle());
        m_carrier->show();
        m_carrier->placeOnScreen();
    }
    // Not modal: this window stays usable beside it.
    showInFront(m_carrier);
}
