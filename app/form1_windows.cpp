// The windows the main window opens: the Power window, the schematic viewer, the export window
// and About.
#include "about/frmabout.h"
#include "app/form1.h"
#include "export/file_control.h"
#include "schematic/schematic.h"
#include "schematic/schematic_full.h"
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
        if (m_measured)
            m_power->setMeasuredSpeaker(&m_measured->grid);
        showReferenceIn(m_power);
        // A load power typed is a user change; so is closing, which takes the design back to the
        // 50 W a window loaded afresh shows.
        connect(m_power, &Power_measurement_form::loadPowerEntered, this,
                [this] { recordChange(); });
        // It deletes itself later; from now on the next sweep needs a new one.
        connect(m_power, &Power_measurement_form::unloaded, this, [this] {
            m_power = nullptr;
            recordChange();
        });
        // The carrier window's figures at the load power follow it, and its 50 W once unloaded.
        connect(m_power, &Power_measurement_form::rzobelPowerChanged, this,
                &Form1::followCarrierLoadPower);
        connect(m_power, &Power_measurement_form::unloaded, this, &Form1::followCarrierLoadPower);
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
    // 2. Near the upper right of the screen.
    power->placeOnScreen();
    // 3. Its sweep.
    power->CWGraph4_Click();
}

void Form1::showRzobelPower(const QString &text)
{
    Text_rzobel_power->setText(text);
    Text_rzobel_power->setVisible(true);
    // The last steps of every recalculation, and of a new load power: the Zobel map and the held
    // reference's panel.
    followTradeoff();
    followReference();
}

void Form1::Update_schemo()
{
    // Filter L, filter C, Zobel R, Zobel C parallel, Zobel C series, speaker L, speaker R; each on
    // the half-bridge window, then the full-bridge one.
    static constexpr QString SchematicCaptions::*kOrder[] = {
        &SchematicCaptions::lfilter,    &SchematicCaptions::cfilter,
        &SchematicCaptions::rzobel_par, &SchematicCaptions::czobel_par,
        &SchematicCaptions::czobel_ser, &SchematicCaptions::lspeaker,
        &SchematicCaptions::rspeaker};
    if (!m_schematic && !m_schematicFull)
        return;  // nothing to label: a window is labelled when the menu creates it
    const SchematicCaptions captions = schematicCaptions(m_rec);
    for (QString SchematicCaptions::*part : kOrder) setSchematicLabels(part, captions.*part);
}

void Form1::setSchematicLabels(QString SchematicCaptions::*part, const QString &caption)
{
    // Only windows that exist: every keystroke comes here.
    for (SchematicWindow *window : {static_cast<SchematicWindow *>(m_schematic),
                                    static_cast<SchematicWindow *>(m_schematicFull)})
        if (window)
            window->setCaption(part, caption);
}

void Form1::schematic_viewer_Click()
{
    const bool full = m_rec.fullBridge();
    if (full && !m_schematicFull)
        m_schematicFull = new Schematic_full(this);
    if (!full && !m_schematic)
        m_schematic = new Schematic(this);
    Update_schemo();
    // Modal: the design cannot change while a schematic is on screen.
    if (full)
        m_schematicFull->show();
    else
        m_schematic->show();
}

void Form1::Save_As_Click()
{
    if (!m_fileControl)
        m_fileControl = new File_control([this] { return reportValues(); }, this);
    m_fileControl->show();
    m_fileControl->raise();
    m_fileControl->activateWindow();
}

ReportValues Form1::reportValues()
{
    Update_schemo();
    return {m_rec.full_bridge_select,
            schematicCaptions(m_rec),
            {m_graphs[Fig3].figureMax->text(), m_graphs[Fig3].figure20k->text(),
             m_graphs[Fig3].figure384k->text(), Text_rzobel_power->text()}};
}

void Form1::mnuAbout_Click()
{
    (new frmAbout(this))->show();
}
