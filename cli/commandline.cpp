#include "cli/commandline.h"

#include "core/analysis.h"
#include "core/designrecord.h"
#include "core/entryrule.h"
#include "core/graphfiles.h"
#include "core/netlist.h"
#include "core/program.h"
#include "core/report.h"
#include "core/valuelists.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>
#include <variant>

namespace {

constexpr int kRefused = 2;
constexpr int kWriteFailed = 1;

// The design options named after the main window's inputs, with its selectors behind them.
struct ListOption {
    const char *name;
    ListSelector selector;
    const char *what;
};
constexpr ListOption kListOptions[] = {
    {"filter-l", ListSelector::filter_l_par, "Filter inductor, uH"},
    {"filter-c", ListSelector::filter_c_par, "Filter capacitor, uF"},
    {"zobel-c-par", ListSelector::zobel_c_par, "Zobel capacitor across the resistor, uF"},
    {"zobel-r", ListSelector::zobel_r_par, "Zobel resistor, ohm"},
    {"zobel-c-ser", ListSelector::zobel_c_ser, "Zobel series capacitor, uF"},
    {"speaker-r", ListSelector::speaker_r_mode, "Speaker resistance, ohm"},
};
const QStringList kCommands = {QStringLiteral("report"), QStringLiteral("csv"),
                               QStringLiteral("netlist")};

// Why the command line was refused, as its one line on standard error.
struct Refusal {
    QString message;
};

Refusal notAccepted(const QString &option, const QString &given, const QString &accepted)
{
    return {
        QStringLiteral("--%1: \"%2\" is not accepted; accepted: %3").arg(option, given, accepted)};
}

void addOptions(QCommandLineParser &parser)
{
    parser.setApplicationDescription(
        QStringLiteral("Designs the LC output filter of a class-D amplifier. Without a command "
                       "it opens its window.\n\n"
                       "Commands:\n"
                       "  report   the circuit values report of the design\n"
                       "  csv      a graph's curve as CSV (--graph)\n"
                       "  netlist  an ngspice netlist that prints a graph's curve (--graph)"));
    parser.addPositionalArgument(QStringLiteral("command"), kCommands.join(QStringLiteral(", ")));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOption({QStringLiteral("graph"),
                      QStringLiteral("The graph for csv and netlist: %1 (no netlist for power).")
                          .arg(graphNames(false).join(QStringLiteral(", "))),
                      QStringLiteral("name")});
    const auto addValue = [&parser](const QString &name, const QString &what,
                                    const QString &accepted, const QString &fallback) {
        parser.addOption({name, QStringLiteral("%1: %2. Default %3.").arg(what, accepted, fallback),
                          QStringLiteral("value"), fallback});
    };
    for (const ListOption &o : kListOptions)
        addValue(QString::fromLatin1(o.name), QString::fromLatin1(o.what),
                 listItems(o.selector).join(QStringLiteral(", ")), initialText(o.selector));
    addValue(QStringLiteral("speaker-l"), QStringLiteral("Speaker inductance, mH"),
             describeRule(kSpeakerLRule), QStringLiteral(".67"));
    parser.addOption(
        {QStringLiteral("full-bridge"), QStringLiteral("Full bridge; half bridge without it.")});
    addValue(QStringLiteral("load-power"),
             QStringLiteral("RMS power into the speaker for the 7 kHz dissipation, W"),
             describeRule(kLoadPowerRule), QStringLiteral("50"));
}

// The design the options describe, taken as the main window takes its inputs.
std::optional<Refusal> readDesign(const QCommandLineParser &parser, DesignRecord &rec,
                                  double &loadPower)
{
    rec = DesignRecord::startup();
    for (const ListOption &o : kListOptions) {
        const QString name = QString::fromLatin1(o.name);
        const QString text = parser.value(name);
        if (!acceptSelection(rec, o.selector, text))
            return notAccepted(name, text, listItems(o.selector).join(QStringLiteral(", ")));
    }
    const QString speakerL = parser.value(QStringLiteral("speaker-l"));
    const Entry l = checkEntry(kSpeakerLRule, speakerL);
    if (l.verdict != Entry::Accepted)
        return notAccepted(QStringLiteral("speaker-l"), speakerL, describeRule(kSpeakerLRule));
    rec.actual_l_net = l.value;
    rec.speaker_l_valtxt = speakerL;
    rec.full_bridge_select = parser.isSet(QStringLiteral("full-bridge")) ? kFlagTrue : kFlagFalse;
    const QString power = parser.value(QStringLiteral("load-power"));
    const Entry p = checkEntry(kLoadPowerRule, power);
    if (p.verdict != Entry::Accepted)
        return notAccepted(QStringLiteral("load-power"), power, describeRule(kLoadPowerRule));
    loadPower = p.value;
    return std::nullopt;
}

// The graph that csv or netlist (netlistOnly) is asked for.
std::optional<Refusal> readGraph(const QCommandLineParser &parser, bool netlistOnly,
                                 GraphKind &kind)
{
    const QString accepted = graphNames(netlistOnly).join(QStringLiteral(", "));
    if (!parser.isSet(QStringLiteral("graph")))
        return Refusal{QStringLiteral("--graph is needed; accepted: %1").arg(accepted)};
    const QString name = parser.value(QStringLiteral("graph"));
    const std::optional<GraphKind> k = graphNamed(name);
    if (!k || (netlistOnly && *k == GraphKind::power))
        return notAccepted(QStringLiteral("graph"), name, accepted);
    kind = *k;
    return std::nullopt;
}

// The graph's curve for the design.
QByteArray graphCsv(GraphKind kind, const DesignRecord &rec, double loadPower)
{
    DesignAnalysis a;
    analyseDesign(rec, loadPower, a);
    const auto csv = [kind](const auto &curve) { return curveCsv(kind, curve.x, curve.y); };
    switch (kind) {
        case GraphKind::impedance: return csv(a.impedance);
        case GraphKind::gain: return csv(a.gain);
        case GraphKind::gainZobel: return csv(a.gainZobel);
        case GraphKind::power: return csv(a.dissipation);
    }
    return {};
}

// What the command line asks for, or why it is refused.
std::variant<QByteArray, Refusal> run(const QCommandLineParser &parser)
{
    const QStringList words = parser.positionalArguments();
    if (words.isEmpty())
        return Refusal{QStringLiteral("a command is needed; accepted: %1")
                           .arg(kCommands.join(QStringLiteral(", ")))};
    const QString command = words.first();
    if (!kCommands.contains(command))
        return Refusal{QStringLiteral("\"%1\" is not a command; accepted: %2")
                           .arg(command, kCommands.join(QStringLiteral(", ")))};
    if (words.size() > 1)
        return Refusal{QStringLiteral("unexpected argument \"%1\"").arg(words.at(1))};
    DesignRecord rec;
    double loadPower = 0.0;
    if (std::optional<Refusal> refused = readDesign(parser, rec, loadPower))
        return *refused;
    if (command == QLatin1String("report")) {
        if (parser.isSet(QStringLiteral("graph")))
            return Refusal{QStringLiteral("--graph is not taken by report")};
        return designReport(rec, loadPower);
    }
    const bool netlist = command == QLatin1String("netlist");
    GraphKind kind = GraphKind::impedance;
    if (std::optional<Refusal> refused = readGraph(parser, netlist, kind))
        return *refused;
    return netlist ? spiceNetlist(rec, kind) : graphCsv(kind, rec, loadPower);
}

// Writes all of bytes; false, with errno set, when the stream would not take them.
bool put(std::FILE *stream, const QByteArray &bytes)
{
    errno = 0;
    const std::size_t n = static_cast<std::size_t>(bytes.size());
    return std::fwrite(bytes.constData(), 1, n, stream) == n && std::fflush(stream) == 0;
}

}  // namespace

bool isCommandLine(int argc, char **argv)
{
    if (argc < 2)
        return false;
    const char *first = argv[1];
    for (const char *flag : {"-h", "--help", "--help-all", "-v", "--version"})
        if (std::strcmp(first, flag) == 0)
            return true;
    return first[0] != '-';
}

int runCommandLine(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QLatin1String(kProgramName));
    QCoreApplication::setApplicationVersion(QStringLiteral(QUORVEL_VERSION));
    QCommandLineParser parser;
    addOptions(parser);
    const auto refuse = [](const QString &message) {
        put(stderr, (QStringLiteral("quorvel: ") + message + QLatin1Char('\n')).toLocal8Bit());
        return kRefused;
    };
    // Output that did not reach standard output (a full disk, a closed pipe) is a failure.
    const auto written = [](bool ok) {
        if (ok)
            return 0;
        const QString why = errno ? QString::fromLocal8Bit(std::strerror(errno))
                                  : QStringLiteral("the output was cut short");
        put(stderr, QStringLiteral("quorvel: standard output could not be written: %1\n")
                        .arg(why)
                        .toLocal8Bit());
        return kWriteFailed;
    };
    if (!parser.parse(QCoreApplication::arguments()))
        return refuse(parser.errorText());
    if (parser.isSet(QStringLiteral("help")) || parser.isSet(QStringLiteral("help-all")))
        return written(put(stdout, parser.helpText().toLocal8Bit()));
    if (parser.isSet(QStringLiteral("version")))
        return written(put(stdout, QStringLiteral("%1 %2\n")
                                       .arg(QLatin1String(kProgramName), QUORVEL_VERSION)
                                       .toLocal8Bit()));
    const std::variant<QByteArray, Refusal> result = run(parser);
    if (const auto *refused = std::get_if<Refusal>(&result))
        return refuse(refused->message);
    return written(put(stdout, std::get<QByteArray>(result)));
}
