// The windows the main window opens: the schematic viewer, the export window and About.
#include "about/frmabout.h"
#include "app/form1.h"
#include "export/file_control.h"
#include "schematic/schematic.h"
#include "schematic/schematic_full.h"

#include <QLineEdit>

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
    const SchematicCaptions captions = schematicCaptions();
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
    const bool full = m_rec.full_bridge_select != kFlagFalse;
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
            schematicCaptions(),
            {Text_maxgain->text(), Text_netgain_20k->text(), Text_netgain_384k->text(),
             Text_rzobel_power->text()}};
}

void Form1::mnuAbout_Click()
{
    (new frmAbout(this))->show();
}
