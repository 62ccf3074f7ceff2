#include "core/files/graphfiles.h"

#include "core/common/figuretext.h"

#include <array>

namespace {

struct GraphTexts {
    GraphKind kind;
    const char *name;
    const char *csvHeader;
};

constexpr std::array<GraphTexts, 5> kGraphs = {{
    {GraphKind::impedance, "impedance", "frequency_Hz,impedance_ohm\n"},
    {GraphKind::gain, "gain", "frequency_Hz,gain_dB\n"},
    {GraphKind::gainZobel, "gain-zobel", "frequency_Hz,gain_dB\n"},
    {GraphKind::power, "power", "frequency_Hz,power_W\n"},
    {GraphKind::outputImpedance, "output-impedance", "frequency_Hz,impedance_ohm\n"},
}};

const GraphTexts &textsOf(GraphKind kind)
{
    return kGraphs[static_cast<std::size_t>(kind)];
}

}  // namespace

QString graphName(GraphKind kind)
{
    return QString::fromLatin1(textsOf(kind).name);
}

std::optional<GraphKind> graphNamed(const QString &name)
{
    for (const GraphTexts &g : kGraphs)
        if (name == QLatin1String(g.name))
            return g.kind;
    return std::nullopt;
}

QStringList graphNames(bool netlistOnly)
{
    QStringList names;
    for (const GraphTexts &g : kGraphs)
        if (!netlistOnly || g.kind != GraphKind::power)
            names << QString::fromLatin1(g.name);
    return names;
}

QByteArray curveCsv(GraphKind kind, const std::vector<double> &x, const std::vector<double> &y)
{
    const std::size_t n = std::min(x.size(), y.size());
    QByteArray out(textsOf(kind).csvHeader);
    out.reserve(out.size() + static_cast<qsizetype>(n) * 40);
    for (std::size_t i = 0; i < n; ++i) {
        out += roundTripText(x[i]);
        out += ',';
        out += roundTripText(y[i]);
        out += '\n';
    }
    return out;
}
