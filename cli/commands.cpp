// The command line's commands, each on the design its options describe.
#include "cli/invocation.h"

#include "core/common/figuretext.h"
#include "core/files/graphfiles.h"
#include "core/files/netlist.h"
#include "core/files/report.h"
#include "core/measured/measuredcurves.h"
#include "core/network/analysis.h"

Refusal notAccepted(const QString &option, const QString &given, const QString &accepted)
{
    return {
        QStringLiteral("--%1: \"%2\" is not accepted; accepted: %3").arg(option, given, accepted)};
}

namespace {

// The graph that csv or netlist (netlistOnly) is asked for.
std::variant<GraphKind, Refusal> graphOf(const QCommandLineParser &parser, bool netlistOnly)
{
    const QString accepted = graphNames(netlistOnly).join(QStringLiteral(", "));
    if (!parser.isSet(QStringLiteral("graph")))
        return Refusal{QStringLiteral("--graph is needed; accepted: %1").arg(accepted)};
    const QString name = parser.value(QStringLiteral("graph"));
    const std::optional<GraphKind> k = graphNamed(name);
    if (!k || (netlistOnly && *k == GraphKind::power))
        return notAccepted(QStringLiteral("graph"), name, accepted);
    return *k;
}

}  // namespace

Outcome reportCommand(const Invocation &in)
{
    return designReport(in.design, in.loadPower);
}

Outcome csvCommand(const Invocation &in)
{
    const std::variant<GraphKind, Refusal> graph = graphOf(in.parser, false);
    if (const Refusal *refused = std::get_if<Refusal>(&graph))
        return *refused;
    const GraphKind kind = std::get<GraphKind>(graph);
    const auto csv = [kind](const auto &curve) { return curveCsv(kind, curve.x, curve.y); };
    DesignAnalysis a;
    // The speaker removed, a measured one changes nothing.
    if (kind == GraphKind::outputImpedance) {
        analyseDesign(in.design, in.loadPower, a, AnalysisPart::OutputImpedance);
        return csv(a.outputImpedance);
    }
    if (in.loadFile) {
        // The measured speaker in place of the design's resistance and inductance.
        MeasuredGrid grid;
        evaluateOnGrid(*in.loadFile, grid);
        if (kind == GraphKind::power) {
            PowerCurve curve;
            sweepMeasuredDissipation(in.design, in.loadPower, grid, curve);
            return csv(curve);
        }
        MeasuredCurves curves;
        sweepMeasured(in.design, grid, curves, kAllAnalysisParts);
        return kind == GraphKind::impedance ? csv(curves.impedance)
               : kind == GraphKind::gain    ? csv(curves.gain)
                                            : csv(curves.gainZobel);
    }
    analyseDesign(in.design, in.loadPower, a);
    switch (kind) {
        case GraphKind::impedance: return csv(a.impedance);
        case GraphKind::gain: return csv(a.gain);
        case GraphKind::gainZobel: return csv(a.gainZobel);
        case GraphKind::power: return csv(a.dissipation);
        case GraphKind::outputImpedance: break;
    }
    return QByteArray();
}

Outcome netlistCommand(const Invocation &in)
{
    const std::variant<GraphKind, Refusal> graph = graphOf(in.parser, true);
    if (const Refusal *refused = std::get_if<Refusal>(&graph))
        return *refused;
    return spiceNetlist(in.design, std::get<GraphKind>(graph),
                        in.loadFile ? &in.loadFile->fit().model : nullptr);
}

Outcome fitCommand(const Invocation &in)
{
    if (in.words.size() != 1)
        return Refusal{QStringLiteral("fit takes the path of one impedance file")};
    std::variant<MeasuredLoad, QString> read = MeasuredLoad::fromFile(in.words.first());
    if (const QString *refusal = std::get_if<QString>(&read))
        return Refusal{QStringLiteral("%1: %2").arg(in.words.first(), *refusal)};
    const VoiceCoilFit &fit = std::get<MeasuredLoad>(read).fit();
    QList<QByteArray> row;
    for (double v : {fit.model.Re, fit.model.Le, fit.model.R2, fit.model.L2, fit.rmsErrorPercent})
        row << roundTripText(v);
    return QByteArray("Re_ohm,Le_H,R2_ohm,L2_H,rms_error_percent\n") + row.join(',') + '\n';
}
