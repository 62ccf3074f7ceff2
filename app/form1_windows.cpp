// The windows the main window opens: the Power window, the schematic viewer, the export window
// and About.
#include "about/frmabout.h"
#include "app/form1.h"
#include "export/file_control.h"
#include "schematic/schematic.h"
#include "schematic/schematic_full.h"
#include "widgets/valuecombo.h"
#include "widgets/windowlook.h"

#include <QLineEdit>
#include <QWindow>

void Form1::power_calcs_Click()
{
    if (!m_power) {
        // Made when first opened; closing it deletes it and takes the load power back to the
        // 50 W a window opened afresh shows.
        m_power = new Power_measurement_form(*m_model, m_powerState);
        connect(m_power, &Power_measurement_form::unloaded, m_model,
                [model = m_model] { model->setLoadPowerText(QStringLiteral("50")); });
    }
    // Not modal; kept above this window, which stays usable.
    m_power->winId();
    m_power->windowHandle()->setTransientParent(windowHandle());
    showInFront(m_power);
    // Near the upper right of the screen.
    m_power->placeOnScreen();
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
    const SchematicCaptions captions = schematicCaptions(m_model->record());
    for (QString SchematicCaptions::*part : kOrder)
        for (SchematicWindow *window : {static_cast<SchematicWindow *>(m_schematic),
                                        static_cast<SchematicWindow *>(m_schematicFull)})
            if (window)
                window->setCaption(part, captions.*part);
}

QWidget *Form1::schematicWindow()
{
    // The topology's schematic, made when first wanted, its labels written.
    const bool full = m_model->record().fullBridge();
    if (full && !m_schematicFull)
        m_schematicFull = new Schematic_full(this);
    if (!full && !m_schematic)
        m_schematic = new Schematic(this);
    Update_schemo();
    return full ? static_cast<QWidget *>(m_schematicFull) : m_schematic;
}

void Form1::schematic_viewer_Click()
{
    // Modal: the design cannot change while a schematic is on screen.
    schematicWindow()->show();
}

void Form1::Save_As_Click()
{
    if (!m_fileControl)
        m_fileControl = new File_control(
            [model = m_model] { return reportValues(model->record(), model->analysis()); }, this);
    showInFront(m_fileControl);
}

void Form1::mnuAbout_Click()
{
    (new frmAbout(this))->show();
}
