// The main window's side of the Power window: loading it, opening it, and its 7 kHz figure.
#include "app/form1.h"
#include "widgets/valuecombo.h"

#include <QLineEdit>
#include <QWindow>

Power_measurement_form *Form1::loadedPowerWindow()
{
    if (!m_power) {
        // Loaded hidden; a window the user closed is loaded afresh, with its design texts.
        m_power = new Power_measurement_form(
            m_rec, m_powerState,
            {zobel_c_par->currentText(), zobel_r_par->currentText(), zobel_c_ser->currentText()});
        connect(m_power, &Power_measurement_form::rzobelPowerChanged, this,
                &Form1::showRzobelPower);
        // It deletes itself later; from now on the next sweep needs a new one.
        connect(m_power, &Power_measurement_form::unloaded, this, [this] { m_power = nullptr; });
    }
    return m_power;
}

void Form1::power_calcs_Click()
{
    Power_measurement_form *power = loadedPowerWindow();
    // 1. Not modal; kept above this window, which stays usable.
    power->winId();
    power->windowHandle()->setTransientParent(windowHandle());
    power->show();
    power->raise();
    power->activateWindow();
    // 2.
    power->placeOnScreen();
    // 3.
    power->CWGraph4_Click();
}

void Form1::showRzobelPower(const QString &text)
{
    Text_rzobel_power->setText(text);
    Text_rzobel_power->setVisible(true);
}
