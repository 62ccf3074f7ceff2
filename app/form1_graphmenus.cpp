// The graphs' right-click menus, and the curves for other loads that "Compare Loads" draws.
#include "app/form1.h"
#include "core/graphfiles.h"
#include "core/netlist.h"
#include "widgets/graphcontrol.h"
#include "widgets/graphmenu.h"

#include <QAction>

namespace {

// One colour per compared load, none of them the curve's blue or the cursor's red.
const QColor kLoadColours[] = {
    {217, 95, 2}, {27, 158, 119}, {117, 112, 179}, {231, 41, 138}, {102, 102, 102}};
static_assert(std::size(kLoadColours) == kComparedLoads.size());

}  // namespace

void Form1::createGraphMenus()
{
    const auto netlist = [this](GraphKind kind) {
        return [this, kind] { return spiceNetlist(m_rec, kind); };
    };
    addGraphMenu(
        CWGraph1,
        {graphName(GraphKind::impedance),
         [this] { return curveCsv(GraphKind::impedance, m_curveImpedance.x, m_curveImpedance.y); },
         netlist(GraphKind::impedance), false});
    m_compareLoads3 = addGraphMenu(
        CWGraph3, {graphName(GraphKind::gain),
                   [this] { return curveCsv(GraphKind::gain, m_curvePlain.x, m_curvePlain.y); },
                   netlist(GraphKind::gain), true});
    m_compareLoads4 = addGraphMenu(
        CWGraph4,
        {graphName(GraphKind::gainZobel),
         [this] { return curveCsv(GraphKind::gainZobel, m_curveZobel.x, m_curveZobel.y); },
         netlist(GraphKind::gainZobel), true});
    connect(m_compareLoads3, &QAction::toggled, this, [this] { followLoads(GainGraph::plain); });
    connect(m_compareLoads4, &QAction::toggled, this, [this] { followLoads(GainGraph::zobel); });
}

void Form1::followLoads(GainGraph which)
{
    const bool plain = which == GainGraph::plain;
    GraphControl *graph = plain ? CWGraph3 : CWGraph4;
    if (!(plain ? m_compareLoads3 : m_compareLoads4)->isChecked()) {
        graph->setOverlays({}, {});
        return;
    }
    std::unique_ptr<LoadCurves> &curves = plain ? m_loadsPlain : m_loadsZobel;
    if (!curves)
        curves = std::make_unique<LoadCurves>();
    sweepComparedLoads(m_rec, which, *curves);
    QList<GraphControl::Overlay> overlays;
    for (std::size_t i = 0; i < kComparedLoads.size(); ++i)
        overlays.append({QString::fromLatin1(kComparedLoads[i].name), kLoadColours[i],
                         &(*curves)[i].x, &(*curves)[i].y});
    graph->setOverlays(QStringLiteral("design, %1 ohm").arg(m_rec.jspeaker_r), overlays);
}
