// The main window's graphs beyond their curves: the "&Cursors" menu and the cursors' read-outs,
// the zoom of Fig. 3, the right-click menus and the curves for other loads that "Compare Loads"
// draws.
#include "app/form1.h"

#include "assistant/assistantwindow.h"
#include "core/carrier/carriertable.h"
#include "core/common/figuretext.h"
#include "core/common/zoom.h"
#include "core/files/graphfiles.h"
#include "core/files/netlist.h"
#include "widgets/graphcontrol.h"
#include "widgets/graphmenu.h"
#include "widgets/windowlook.h"

#include <QAction>
#include <QLineEdit>
#include <QPushButton>

namespace {

// One colour per compared load, none of them the curve's blue or the cursor's red.
const QColor kLoadColours[] = {
    {217, 95, 2}, {27, 158, 119}, {117, 112, 179}, {231, 41, 138}, {102, 102, 102}};
static_assert(std::size(kLoadColours) == kComparedLoads.size());

}  // namespace

void Form1::connectGraphs()
{
    for (GraphPanel &panel : m_graphs) {
        // A click on a graph draws it again.
        connect(panel.graph, &GraphControl::clicked, this, panel.sweep);
        connect(panel.graph->cursor(), &GraphCursor::positionChanged, this, panel.readout);
        connect(panel.cursorItem, &QAction::triggered, this,
                [this, &panel] { toggleCursor(panel); });
    }
    connect(m_graphs[Fig3].zoomIn, &QPushButton::clicked, this, &Form1::Zoom_In4_Click);
    connect(m_graphs[Fig3].zoomFull, &QPushButton::clicked, this, &Form1::Zoom_Full4_Click);
}

void Form1::toggleCursor(GraphPanel &panel)
{
    // Only the flag decides; the menu's check mark and the graph's cursor count follow it.
    if (panel.cursorFlag == kFlagFalse) {
        panel.cursorFlag = kFlagTrue;
        if (panel.zoomIn)
            panel.zoomIn->setVisible(true);
        panel.cursorItem->setChecked(true);
        panel.graph->addCursor();
        panel.readoutX->setVisible(true);
        panel.readoutY->setVisible(true);
        showReadouts();
    } else {
        // The read-outs keep their text.
        panel.cursorFlag = kFlagFalse;
        panel.cursorItem->setChecked(false);
        panel.graph->removeCursors();
        if (panel.zoomIn)
            panel.zoomIn->setVisible(false);
        panel.readoutX->setVisible(false);
        panel.readoutY->setVisible(false);
    }
}

void Form1::Zoom_In4_Click()
{
    // Around cursor 1, when there is one; the cursor stays and nothing is recomputed.
    GraphControl *graph = m_graphs[Fig3].graph;
    if (static_cast<std::int16_t>(graph->cursorCount()) > 0) {
        const AxisView view = zoomAtCursor(graph->cursorX(), graph->cursorY());
        graph->setAxisRange(GraphControl::XAxis, view.xMinimum, view.xMaximum);
        graph->setAxisRange(GraphControl::YAxis, view.yMinimum, view.yMaximum);
    }
}

void Form1::Zoom_Full4_Click()
{
    // A replot keeps whatever range the axes have, so only this brings the whole curve back.
    GraphControl *graph = m_graphs[Fig3].graph;
    graph->fitAxis(GraphControl::XAxis);
    graph->fitAxis(GraphControl::YAxis);
}

void Form1::createGraphMenus()
{
    const auto netlist = [this](GraphKind kind) {
        return [this, kind] {
            const MeasuredLoad *measured = m_model->measured().get();
            return spiceNetlist(m_model->record(), kind,
                                measured ? &measured->fit().model : nullptr);
        };
    };
    const DesignAnalysis &analysis = m_model->analysis();
    const auto csv = [](GraphKind kind, const Curve &curve) {
        return [kind, &curve] { return curveCsv(kind, curve.x, curve.y); };
    };
    addGraphMenu(m_graphs[Fig1].graph,
                 {graphName(GraphKind::impedance), csv(GraphKind::impedance, analysis.impedance),
                  netlist(GraphKind::impedance), false});
    m_graphs[Fig2].compareLoads = addGraphMenu(
        m_graphs[Fig2].graph, {graphName(GraphKind::gain), csv(GraphKind::gain, analysis.gain),
                               netlist(GraphKind::gain), true});
    m_graphs[Fig3].compareLoads =
        addGraphMenu(m_graphs[Fig3].graph, {graphName(GraphKind::gainZobel),
                                            csv(GraphKind::gainZobel, analysis.gainZobel),
                                            netlist(GraphKind::gainZobel), true});
    for (GraphId id : {Fig2, Fig3})
        connect(m_graphs[id].compareLoads, &QAction::toggled, this,
                [this, id] { followOverlays(id); });
}

void Form1::followOverlays(GraphId id)
{
    const GraphPanel &panel = m_graphs[id];
    QList<GraphControl::Overlay> overlays;
    if (const HeldReference *held = m_model->reference()) {
        // First: under every other curve, the live one on top of all.
        const DesignAnalysis &a = held->analysis;
        const Curve &curve = id == Fig1 ? a.impedance : id == Fig2 ? a.gain : a.gainZobel;
        const DesignRecord &r = held->inputs.record;
        overlays.append(
            {id == Fig1
                 ? QStringLiteral("reference, %1 ohm + %2 mH").arg(r.jspeaker_r, r.speaker_l_valtxt)
                 : QStringLiteral("reference, %1 ohm").arg(r.jspeaker_r),
             kReferenceColour, &curve.x, &curve.y, Qt::DashLine});
    }
    if (panel.compareLoads && panel.compareLoads->isChecked()) {
        std::unique_ptr<LoadCurves> &curves = m_loads[id];
        if (!curves)
            curves = std::make_unique<LoadCurves>();
        sweepComparedLoads(m_model->record(), id == Fig2 ? GainGraph::plain : GainGraph::zobel,
                           *curves);
        for (std::size_t i = 0; i < kComparedLoads.size(); ++i)
            overlays.append({QString::fromLatin1(kComparedLoads[i].name), kLoadColours[i],
                             &(*curves)[i].x, &(*curves)[i].y});
    }
    if (const MeasuredCurves *measured = m_model->measuredCurves()) {
        const QString name = QStringLiteral("measured: %1").arg(m_model->measured()->fileName());
        const MeasuredCurves &c = *measured;
        const Curve &curve = id == Fig1 ? c.impedance : id == Fig2 ? c.gain : c.gainZobel;
        if (id == Fig1)
            overlays.append({QStringLiteral("measured points"), kMeasuredColour, &m_measuredX,
                             &m_measuredY, Qt::SolidLine, true});
        overlays.append({name, kMeasuredColour, &curve.x, &curve.y});
    }
    if (const AssistantWindow::Overlay *picked = m_assistant ? m_assistant->overlay() : nullptr;
        picked && id == Fig3)
        overlays.append(
            {picked->name, kAssistantColour, &picked->curve.x, &picked->curve.y, Qt::DashLine});
    const DesignRecord &design = m_model->record();
    QString own = id == Fig1 ? QStringLiteral("design, %1 ohm + %2 mH")
                                   .arg(design.jspeaker_r, design.speaker_l_valtxt)
                             : QStringLiteral("design, %1 ohm").arg(design.jspeaker_r);
    if (const LoadPowerCurves *p = m_model->atLoadPower(); p && id != Fig1) {
        // On top: the design as it works at its load power, each curve with its corner and peak.
        const bool zobel = id == Fig3;
        const auto corner = [](const Resonance &r, double peak) {
            return QStringLiteral(": corner %1, peak %2")
                .arg(r.cornerHz > 0 ? carrierValueText(r.cornerHz, QStringLiteral("Hz"))
                                    : QStringLiteral("none"),
                     figureText(peak));
        };
        const DesignAnalysis &a = m_model->analysis();
        own += corner(zobel ? p->zobelNominal : p->plainNominal,
                      (zobel ? a.gainZobelFigures : a.gainFigures).maximum);
        const Curve &curve = zobel ? p->gainZobel : p->gain;
        overlays.append({QStringLiteral("at load power, %1 W").arg(m_model->loadPowerText()) +
                             corner(zobel ? p->zobelCorner : p->plainCorner,
                                    (zobel ? p->gainZobelFigures : p->gainFigures).maximum),
                         kLoadPowerColour, &curve.x, &curve.y, Qt::DashDotLine});
    }
    // The batch of boards' band, while one for this design is at hand.
    const ToleranceResult *t = m_model->tolerance();
    if (t && !t->bands.empty() && id != Fig1) {
        const ToleranceBand &b = id == Fig2 ? t->bands.gain : t->bands.gainZobel;
        panel.graph->setBand(b.x, b.low, b.high, kToleranceBandColour,
                             toleranceBandLegend(t->settings.runs), own);
    } else {
        panel.graph->setBand({}, {}, {}, {}, {}, {});
    }
    panel.graph->setOverlays(overlays.isEmpty() ? QString() : own, overlays);
}

void Form1::showToleranceHints()
{
    const ToleranceResult *t = m_model->tolerance();
    const auto hint = [t](QLineEdit *box, ToleranceFigure f, QString (*text)(double)) {
        const FigureSpread *s = t && !t->bands.empty() ? &t->spread[std::size_t(f)] : nullptr;
        const QString hint =
            s ? spreadHint(t->settings.runs, s->p1, s->p50, s->p99, s->min, s->max, text)
              : QString();
        // Asked for on every change of the design: a hint that stays sends no event.
        if (box->toolTip() != hint)
            box->setToolTip(hint);
    };
    const auto dB = [](double v) { return figureText(v); };
    hint(m_graphs[Fig2].figureMax, ToleranceFigure::plainMax, dB);
    hint(m_graphs[Fig2].figure20k, ToleranceFigure::plain20k, dB);
    hint(m_graphs[Fig2].figure384k, ToleranceFigure::plain384k, dB);
    hint(m_graphs[Fig3].figureMax, ToleranceFigure::maxGain, dB);
    hint(m_graphs[Fig3].figure20k, ToleranceFigure::gain20k, dB);
    hint(m_graphs[Fig3].figure384k, ToleranceFigure::gain384k, dB);
    hint(Text_rzobel_power, ToleranceFigure::zobel7k,
         [](double w) { return dissipationFigureText(w); });
}

void Form1::followTolerance()
{
    followOverlays(Fig2);
    followOverlays(Fig3);
    showToleranceHints();
}
