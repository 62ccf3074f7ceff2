// The main window's analysis: the recalculation after every change, each graph's sweep with the
// figures it writes, and the cursor read-outs.
#include "app/form1.h"

#include "core/common/figuretext.h"
#include "core/common/readouttext.h"
#include "widgets/graphcontrol.h"

#include <QLineEdit>

void Form1::Recalculate_all()
{
    ++m_runs.recalculate;
    // 1. Fig. 1, Fig. 2 and Fig. 3 with their figures.
    Sweep_impedance();
    Sweep_gain_plain();
    Sweep_gain_zobel();
    // 2. Read-outs follow the new curves under cursors that stay where they are.
    for (const GraphPanel &panel : m_graphs) {
        if (static_cast<std::int16_t>(panel.graph->cursorCount()) > 0) {
            const double x = panel.graph->cursorX();
            const double y = panel.graph->cursorY();
            (this->*panel.readout)(x, y);
        }
    }
    // 3. The Zobel resistor's dissipation, which also fills Text_rzobel_power.
    loadedPowerWindow()->CWGraph4_Click();
    // 4. The carrier window, when open.
    followCarrier();
}

void Form1::Sweep_impedance()
{
    ++m_runs.impedance;
    analyseDesign(m_rec, 0.0, m_analysis, kImpedancePart);
    m_graphs[Fig1].graph->plot(m_analysis.impedance.x, m_analysis.impedance.y);
    followOverlays(Fig1);
}

void Form1::Sweep_gain_plain()
{
    ++m_runs.gainPlain;
    analyseDesign(m_rec, 0.0, m_analysis, kGainPart);
    showGainCurve(Fig2, m_analysis.gain, m_analysis.gainFigures);
}

void Form1::Sweep_gain_zobel()
{
    ++m_runs.gainZobel;
    analyseDesign(m_rec, 0.0, m_analysis, kGainZobelPart);
    showGainCurve(Fig3, m_analysis.gainZobel, m_analysis.gainZobelFigures);
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
        box->setText(figureText(dB));
    };
    spot(panel.figure20k, figures.has20k, figures.gain20k);
    spot(panel.figure384k, figures.has384k, figures.gain384k);
    panel.figureMax->setText(figureText(figures.maximum));
    panel.graph->plot(curve.x, curve.y);
    if (m_measured)
        sweepMeasured(m_rec, m_measured->grid, m_measured->curves,
                      id == Fig2 ? kGainPart : kGainZobelPart, &comparedGridPoints());
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
