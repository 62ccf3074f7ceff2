// The main window's held reference: a design kept with its analysis, drawn dashed under the live
// curves of Fig. 1 to 3 and the Power graph, its figures beside the live ones in the reference
// panel.
#include "app/form1.h"

#include "core/common/figuretext.h"
#include "reference/referencepanel.h"

#include <QAction>
#include <QLineEdit>

namespace {

ReferencePanel::Figures referenceFigures(const DesignAnalysis &a)
{
    return {figureText(a.gainFigures.maximum),
            figureText(a.gainFigures.gain20k),
            figureText(a.gainFigures.gain384k),
            figureText(a.gainZobelFigures.maximum),
            figureText(a.gainZobelFigures.gain20k),
            figureText(a.gainZobelFigures.gain384k),
            dissipationFigureText(a.dissipationFigures.at7kHz)};
}

QString description(const DesignInputs &d)
{
    const DesignRecord &r = d.record;
    return QStringLiteral(
               "Held: %1; filter %2 uH, %3 uF; Zobel %4 ohm, %5 uF across, %6 uF in "
               "series; speaker %7 ohm + %8 mH; %9 W.")
        .arg(r.fullBridge() ? QStringLiteral("full bridge") : QStringLiteral("half bridge"),
             r.jfilter_l, r.jfilter_c, r.jzobel_r2, r.jzobel_c2, r.jzobel_c3, r.jspeaker_r,
             r.speaker_l_valtxt, d.loadPowerText);
}

}  // namespace

const DesignInputs *Form1::heldReference() const
{
    return m_reference ? &m_reference->inputs : nullptr;
}

void Form1::holdReference(const DesignInputs &d)
{
    // Worked out once: the reference does not change while it is held.
    auto held = std::make_unique<HeldReference>();
    held->inputs = d;
    analyseDesign(d.record, d.loadPower, held->analysis, kAllParts);
    // The one held before goes once nothing draws from it.
    const std::unique_ptr<HeldReference> before = std::exchange(m_reference, std::move(held));
    if (m_power)
        showReferenceIn(m_power);
    for (GraphId id : {Fig1, Fig2, Fig3}) followOverlays(id);
    if (!m_referencePanel) {
        // Beside the graphs, which make room for it: it never covers a figure.
        m_referencePanel = new ReferencePanel(this);
        addDockWidget(Qt::RightDockWidgetArea, m_referencePanel);
    }
    m_referencePanel->showReference(description(d), referenceFigures(m_reference->analysis));
    followReference();
    m_referencePanel->show();
    m_clearReference->setEnabled(true);
}

void Form1::clearReference()
{
    const std::unique_ptr<HeldReference> before = std::move(m_reference);
    if (m_power)
        showReferenceIn(m_power);
    for (GraphId id : {Fig1, Fig2, Fig3}) followOverlays(id);
    delete m_referencePanel;
    m_clearReference->setEnabled(false);
}

void Form1::showReferenceIn(Power_measurement_form *power)
{
    if (m_reference)
        power->setReference(
            &m_reference->analysis.dissipation,
            QStringLiteral("reference, %1 W").arg(m_reference->inputs.loadPowerText));
    else
        power->setReference(nullptr, {});
}

void Form1::followReference()
{
    if (!m_referencePanel)
        return;
    // In the texts of the main window's own boxes.
    const GraphPanel &fig2 = m_graphs[Fig2];
    const GraphPanel &fig3 = m_graphs[Fig3];
    const ReferencePanel::Figures live = {fig2.figureMax->text(),   fig2.figure20k->text(),
                                          fig2.figure384k->text(),  fig3.figureMax->text(),
                                          fig3.figure20k->text(),   fig3.figure384k->text(),
                                          Text_rzobel_power->text()};
    m_referencePanel->showLive(live);
}
