#include "cli/commandline.h"

#include "cli/invocation.h"
#include "core/carrier/carrierinputs.h"
#include "core/common/entryrule.h"
#include "core/common/program.h"
#include "core/files/designfile.h"
#include "core/files/graphfiles.h"
#include "core/network/parasitics.h"
#include "core/network/valuelists.h"

#include <QCoreApplication>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

constexpr int kRefused = 2;
constexpr int kWriteFailed = 1;

// The commands, with what each takes besides the design options.
struct Command {
    const char *name;
    const char *summary;
    bool graph;     // --graph
    bool loadFile;  // --load-file
    int words;      // words after the command's own
    Outcome (*run)(const Invocation &);
};
constexpr Command kCommands[] = {
    {"report", "the circuit values report of the design", false, false, 0, reportCommand},
    {"csv", "a graph's curve as CSV (--graph)", true, true, 0, csvCommand},
    {"netlist", "an ngspice netlist that prints a graph's curve (--graph)", true, true, 0,
     netlistCommand},
    {"fit", "the voice-coil model fitted to an impedance file: fit PATH", false, false, 1,
     fitCommand},
    {"stress", "the switching carrier's figures (--supply, --fsw; --format)", false, true, 0,
     stressCommand},
    {"explore", "every Zobel network of the lists: peaks, dissipation, Pareto front, as CSV", false,
     true, 0, exploreCommand},
    {"tolerance", "the figures' spread over a batch of boards, corners and yield (--runs, --seed)",
     false, false, 0, toleranceCommand},
    {"synthesize", "the best filters and Zobel networks of the lists under limits, as CSV", false,
     true, 0, synthesizeCommand},
};

QString commandNames()
{
    QStringList names;
    for (const Command &c : kCommands) names << QLatin1String(c.name);
    return names.join(QStringLiteral(", "));
}

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

void addOptions(QCommandLineParser &parser)
{
    QString description = QStringLiteral(
        "Designs the LC output filter of a class-D amplifier. Without a command "
        "it opens its window.\n\nCommands:\n");
    for (const Command &c : kCommands)
        description +=
            QStringLiteral("  %1  %2\n")
                .arg(QString::fromLatin1(c.name).leftJustified(10), QLatin1String(c.summary));
    description += QStringLiteral(
        "  sheet       the design sheet, PDF or HTML: sheet [--design PATH] -o FILE\n");
    description.chop(1);
    parser.setApplicationDescription(description);
    parser.addPositionalArgument(QStringLiteral("command"), commandNames());
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOption({QStringLiteral("graph"),
                      QStringLiteral("The graph for csv and netlist: %1 (no netlist for power; "
                                     "output-impedance: the impedance in ohm the speaker sees, "
                                     "the amplifier side shorted).")
                          .arg(graphNames(false).join(QStringLiteral(", "))),
                      QStringLiteral("name")});
    parser.addOption({QStringLiteral("design"),
                      QStringLiteral("A design file (.quorvel) as the design, each other design "
                                     "option given taking over its value; csv and netlist take "
                                     "its load file."),
                      QStringLiteral("path")});
    const auto addValue = [&parser](const QString &name, const QString &what,
                                    const QString &accepted, const QString &fallback) {
        parser.addOption({name,
                          QStringLiteral("%1: %2. Default: the --design file's, else %3.")
                              .arg(what, accepted, fallback),
                          QStringLiteral("value"), fallback});
    };
    for (const ListOption &o : kListOptions)
        addValue(QString::fromLatin1(o.name), QString::fromLatin1(o.what),
                 listItems(o.selector).join(QStringLiteral(", ")), initialText(o.selector));
    addValue(QStringLiteral("speaker-l"), QStringLiteral("Speaker inductance, mH"),
             describeRule(kSpeakerLRule), QStringLiteral(".67"));
    parser.addOption({QStringLiteral("full-bridge"),
                      QStringLiteral("Full bridge. Default: the --design file's, else half.")});
    parser.addOption({QStringLiteral("half-bridge"), QStringLiteral("Half bridge.")});
    addValue(QStringLiteral("load-power"),
             QStringLiteral("RMS power into the speaker for the 7 kHz dissipation and stress, W"),
             describeRule(kLoadPowerRule), QStringLiteral("50"));
    parser.addOption({QStringLiteral("ideal"),
                      QStringLiteral("Ideal parts: the design's parts without their DCR, ESR, "
                                     "ESL, self-resonance and series inductance.")});
    parser.addOption({QStringLiteral("pareto-only"),
                      QStringLiteral("explore: the Pareto front's networks alone.")});
    parser.addOption({QStringLiteral("load-file"),
                      QStringLiteral("A measured speaker's impedance file (frequency, magnitude, "
                                     "phase) in place of the speaker resistance and inductance, "
                                     "for csv, netlist (its fitted model), stress and explore "
                                     "(one more load)."),
                      QStringLiteral("path")});
    addCarrierOptions(parser);
    addToleranceOptions(parser);
    addSynthesizeOptions(parser);
}

// The design the options describe, taken as the main window takes its inputs: the --design
// file's or the start-up design, with the value of each option given in its place. What the user
// should know (fields the file lacks) goes to warnings.
std::optional<Refusal> readDesign(const QCommandLineParser &parser, const Command &command,
                                  Invocation &in, QStringList &warnings)
{
    DesignInputs base = DesignInputs::startup();
    const QString designPath = parser.value(QStringLiteral("design"));
    if (parser.isSet(QStringLiteral("design"))) {
        DesignFileRead read = readDesignFilePath(designPath);
        if (const QString *refusal = std::get_if<QString>(&read))
            return Refusal{QStringLiteral("--design: %1: %2").arg(designPath, *refusal)};
        const DesignFile &file = std::get<DesignFile>(read);
        base = file.design;
        if (!file.missing.isEmpty())
            warnings << designPath +
                            QStringLiteral(
                                ": these fields were missing and take their "
                                "start-up values: ") +
                            file.missing.join(QStringLiteral(", "));
    }
    in.design = base.record;
    in.loadPower = base.loadPower;
    // The design file's parts stand for the library, which the command line never reads: the
    // same command gives the same output on any machine.
    const auto libraryOf = [](const BoardParts &parts) {
        PartsLibrary library;
        for (const std::optional<Part> &p : parts.items)
            if (p)
                library.add(*p);
        return library;
    };
    in.library = libraryOf(base.record.parts);
    const PartsLibrary &fileParts = in.library;
    const auto given = [&parser](const QString &name) { return parser.isSet(name); };
    for (const ListOption &o : kListOptions) {
        const QString name = QString::fromLatin1(o.name);
        const QString text = parser.value(name);
        if (given(name) && !acceptSelection(in.design, o.selector, text, fileParts))
            return notAccepted(name, text,
                               listItems(o.selector, fileParts).join(QStringLiteral(", ")));
    }
    if (given(QStringLiteral("speaker-l"))) {
        const QString speakerL = parser.value(QStringLiteral("speaker-l"));
        const Entry l = checkEntry(kSpeakerLRule, speakerL);
        if (l.verdict != Entry::Accepted)
            return notAccepted(QStringLiteral("speaker-l"), speakerL, describeRule(kSpeakerLRule));
        in.design.actual_l_net = l.value;
        in.design.speaker_l_valtxt = speakerL;
    }
    const bool full = given(QStringLiteral("full-bridge"));
    if (full && given(QStringLiteral("half-bridge")))
        return Refusal{QStringLiteral("--full-bridge and --half-bridge cannot both be given")};
    if (full || given(QStringLiteral("half-bridge")))
        in.design.full_bridge_select = full ? kFlagTrue : kFlagFalse;
    if (given(QStringLiteral("load-power"))) {
        const QString power = parser.value(QStringLiteral("load-power"));
        const Entry p = checkEntry(kLoadPowerRule, power);
        if (p.verdict != Entry::Accepted)
            return notAccepted(QStringLiteral("load-power"), power, describeRule(kLoadPowerRule));
        in.loadPower = p.value;
    }
    // A measured speaker: --load-file, else the design file's, for the commands that take one.
    const QString fromDesign = command.loadFile ? loadFileOf(designPath, base) : QString();
    if (given(QStringLiteral("load-file")) || !fromDesign.isEmpty()) {
        const bool option = given(QStringLiteral("load-file"));
        const QString path = option ? parser.value(QStringLiteral("load-file")) : fromDesign;
        std::variant<MeasuredLoad, QString> read = MeasuredLoad::fromFile(path);
        if (const QString *refusal = std::get_if<QString>(&read))
            return Refusal{
                option
                    ? QStringLiteral("--load-file: %1: %2").arg(path, *refusal)
                    : QStringLiteral("--design: %1: \"load_file\": %2").arg(designPath, *refusal)};
        in.loadFile = std::make_shared<const MeasuredLoad>(std::get<MeasuredLoad>(std::move(read)));
    }
    if (given(QStringLiteral("ideal"))) {
        in.design.parts = withoutParasitics(in.design.parts);
        in.library = libraryOf(withoutParasitics(base.record.parts));  // what synthesize searches
    }
    return readCarrierOptions(parser, in.design);
}

// What the command line asks for, or why it is refused.
Outcome run(const QCommandLineParser &parser, QStringList &warnings)
{
    const QStringList words = parser.positionalArguments();
    if (words.isEmpty())
        return Refusal{QStringLiteral("a command is needed; accepted: %1").arg(commandNames())};
    const Command *command = nullptr;
    for (const Command &c : kCommands)
        if (words.first() == QLatin1String(c.name))
            command = &c;
    if (!command)
        return Refusal{QStringLiteral("\"%1\" is not a command; accepted: %2")
                           .arg(words.first(), commandNames())};
    if (words.size() > 1 + command->words)
        return Refusal{
            QStringLiteral("unexpected argument \"%1\"").arg(words.at(1 + command->words))};
    const QString name = QLatin1String(command->name);
    if (!command->graph && parser.isSet(QStringLiteral("graph")))
        return Refusal{QStringLiteral("--graph is not taken by %1").arg(name)};
    if (!command->loadFile && parser.isSet(QStringLiteral("load-file")))
        return Refusal{QStringLiteral("--load-file is not taken by %1").arg(name)};
    if (command->run != exploreCommand && parser.isSet(QStringLiteral("pareto-only")))
        return Refusal{QStringLiteral("--pareto-only is not taken by %1").arg(name)};
    for (const QString &option : toleranceOptionNames())
        if (command->run != toleranceCommand && parser.isSet(option))
            return Refusal{QStringLiteral("--%1 is not taken by %2").arg(option, name)};
    for (const QString &option : synthesizeOptionNames())
        if (command->run != synthesizeCommand && parser.isSet(option))
            return Refusal{QStringLiteral("--%1 is not taken by %2").arg(option, name)};
    Invocation in{parser, words.mid(1), {}, 50.0, {}, {}};
    if (std::optional<Refusal> refused = readDesign(parser, *command, in, warnings))
        return *refused;
    return command->run(in);
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
    QStringList warnings;
    const Outcome result = run(parser, warnings);
    if (const auto *refused = std::get_if<Refusal>(&result))
        return refuse(refused->message);
    for (const QString &warning : warnings)
        put(stderr, (QStringLiteral("quorvel: ") + warning + QLatin1Char('\n')).toLocal8Bit());
    return written(put(stdout, std::get<QByteArray>(result)));
}
