// What the main window shows of the design model: the selectors' texts, the topology, the three
// graphs with their figures, the cursor read-outs and the 7 kHz dissipation, after every change.
#include "app/form1.h"

#include "core/common/figuretext.h"
#include "core/common/readouttext.h"
#include "widgets/graphcontrol.h"
#include "widgets/valuecombo.h"

#include <QLineEdit>
#include <QSignalBlocker>

namespace {

// A figure box given its own text again would be drawn again, and lose its caret and selection.
void showFigure(QLineEdit *box, const QString &text)
{
    if (box->text() != text)
        box->setText(text);
}

}  // namespace

void Form1::showDesign(DesignParts parts)
{
    showInputs();
    if (parts & DesignPart::Topology)
        showTopology();
    if (parts & DesignPart::MeasuredSpeaker)
        followMeasured();
    // The graphs follow the network and a measured speaker, the 7 kHz figure the load power too.
    const bool curves = parts & (kNetworkParts | DesignPart::MeasuredSpeaker);
    if (curves)
        Recalculate_all();
    else if (parts & DesignPart::Reference)
        for (GraphId id : {Fig1, Fig2, Fig3}) followOverlays(id);
    else
        showDissipationFigure();
    // The curves at the load power move with it and with the carrier as well.
    if (!curves && m_model->atLoadPower() &&
        (parts & (DesignPart::LoadPower | DesignPart::Carrier)))
        for (GraphId id : {Fig2, Fig3}) followOverlays(id);
    if (parts & DesignPart::MeasuredSpeaker)
        showMeasuredRanges();
    if (curves)
        Update_schemo();
    if (parts & (kNetworkParts | DesignPart::LoadPower | DesignPart::Carrier))
        showToleranceHints();  // the batch's figures went with the design they were for
    followReference(parts);
}

void Form1::showInputs()
{
    // Texts that already stand are left alone, so a selection or the caret is not disturbed.
    const DesignRecord &r = m_model->record();
    for (ListSelector s : kAllListSelectors) {
        ValueCombo *box = selectorBox(s);
        const QSignalBlocker quiet(box);
        box->writeText(r.*rememberedText(s));
    }
    if (Speaker_L->text() != r.speaker_l_valtxt)
        Speaker_L->setText(r.speaker_l_valtxt);
}

void Form1::Recalculate_all()
{
    Sweep_impedance();
    Sweep_gain_plain();
    Sweep_gain_zobel();
    showReadouts();
    showDissipationFigure();
}

void Form1::showDissipationFigure()
{
    showFigure(Text_rzobel_power,
               dissipationFigureText(m_model->analysis().dissipationFigures.at7kHz));
}

void Form1::showReadouts()
{
    // Read-outs follow the curves under cursors that stay where they are.
    for (const GraphPanel &panel : m_graphs) {
        if (static_cast<std::int16_t>(panel.graph->cursorCount()) > 0)
            (this->*panel.readout)(panel.graph->cursorX(), panel.graph->cursorY());
    }
}

void Form1::Sweep_impedance()
{
    const Curve &curve = m_model->analysis().impedance;
    m_graphs[Fig1].graph->plot(curve.x, curve.y);
    followOverlays(Fig1);
}

void Form1::Sweep_gain_plain()
{
    const DesignAnalysis &a = m_model->analysis();
    showGainCurve(Fig2, a.gain, a.gainFigures);
}

void Form1::Sweep_gain_zobel()
{
    const DesignAnalysis &a = m_model->analysis();
    showGainCurve(Fig3, a.gainZobel, a.gainZobelFigures);
}

void Form1::showGainCurve(GraphId id, const Curve &curve, const GainFigures &figures)
{
    // The figures first: the spot gains appear once the grid has reached their frequencies, the
    // maximum is always written. Then the curve, and the other loads' curves under it.
    const GraphPanel &panel = m_graphs[id];
    const auto spot = [](QLineEdit *box, bool reached, double dB) {
        if (!reached)
            return;
        box->setVisible(true);
        showFigure(box, figureText(dB));
    };
    spot(panel.figure20k, figures.has20k, figures.gain20k);
    spot(panel.figure384k, figures.has384k, figures.gain384k);
    showFigure(panel.figureMax, figureText(figures.maximum));
    panel.graph->plot(curve.x, curve.y);
    followOverlays(id);
}

void Form1::Readout_impedance(double x, double y)
{
    m_graphs[Fig1].readoutX->setText(frequencyText(x));
    m_graphs[Fig1].readoutY->setText(impedanceReadoutText(y));
}

void Form1::Readout_gain_plain(double x, double y)
{
    m_graphs[Fig2].readoutX->setText(frequencyText(x));
    m_graphs[Fig2].readoutY->setText(gainReadoutText(y));
}

void Form1::Readout_gain_zobel(double x, double y)
{
    m_graphs[Fig3].readoutX->setText(frequencyText(x));
    m_graphs[Fig3].readoutY->setText(gainReadoutText(y));
}
