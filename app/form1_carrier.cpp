// The main window's side of the switching-carrier window: its menu, the carrier inputs it keeps in
// the design record, and the window following the design, the measured speaker and the load power.
#include "app/form1.h"

#include "carrier/carrierwindow.h"

#include <QAction>
#include <QMenuBar>
#include <QWindow>

void Form1::createCarrierMenu()
{
    QMenu *menu = menuBar()->addMenu(QStringLiteral("Ca&rrier"));
    menu->setObjectName(QStringLiteral("carrier"));
    QAction *open = menu->addAction(QStringLiteral("&Switching carrier…"));
    open->setObjectName(QStringLiteral("carrier_window"));
    connect(open, &QAction::triggered, this, &Form1::carrier_window_Click);
}

CarrierWindow *Form1::carrierWindow() const
{
    return m_carrier;
}

double Form1::loadPower() const
{
    return m_power ? m_power->actual_l_net() : 50.0;
}

void Form1::carrier_window_Click()
{
    if (!m_carrier) {
        // Its inputs live in the record: a window opened again shows them as they were.
        m_carrier = new CarrierWindow(this);
        connect(m_carrier, &CarrierWindow::inputsChanged, this, [this](const CarrierInputs &in) {
            const ChangeScope change(*this);
            setCarrierInputs(in);
        });
        followCarrier();
        m_carrier->winId();
        m_carrier->windowHandle()->setTransientParent(windowHandle());
        m_carrier->show();
        m_carrier->placeOnScreen();
    }
    // Not modal: this window stays usable beside it.
    m_carrier->show();
    m_carrier->raise();
    m_carrier->activateWindow();
}

void Form1::setCarrierInputs(const CarrierInputs &inputs)
{
    // One call per accepted entry. The carrier inputs feed the carrier window and the Zobel map's
    // dissipation axis, so those are the windows to tell.
    m_rec.carrier = inputs;
    followCarrier();
    followTradeoff();
}

void Form1::followCarrier()
{
    if (m_carrier)
        m_carrier->showDesign(m_rec, m_measured ? m_measured->load : nullptr, loadPower());
}

void Form1::followCarrierLoadPower()
{
    if (m_carrier && m_carrier->loadPowerW() != loadPower())
        followCarrier();
}
