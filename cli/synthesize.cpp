// quorvel synthesize: the design assistant's answer as CSV.
#include "cli/invocation.h"

#include "core/tradeoff/assistant.h"

#include <QtConcurrent/QtConcurrentMap>

#include <numeric>

namespace {

const QString kMaxPeak = QStringLiteral("max-peak-dB");
const QString kGain20k = QStringLiteral("gain-20k-dB");
const QString kMinAttenuation = QStringLiteral("min-attenuation-dB");
const QString kMaxZobel = QStringLiteral("max-zobel-W");
const QString kMaxRipple = QStringLiteral("max-ripple-A");

}  // namespace

void addSynthesizeOptions(QCommandLineParser &parser)
{
    const QString negative = QStringLiteral(" A negative value is given with = (--%1=-3).");
    parser.addOption(
        {kMaxPeak,
         QStringLiteral("synthesize: the highest worst-case peak, dB.") + negative.arg(kMaxPeak),
         QStringLiteral("X")});
    parser.addOption({kGain20k,
                      QStringLiteral("synthesize: the window for the gain at 20 kHz, LOW:HIGH dB "
                                     "(--%1=-3:1.5).")
                          .arg(kGain20k),
                      QStringLiteral("LO:HI")});
    parser.addOption({kMinAttenuation,
                      QStringLiteral("synthesize: the least carrier attenuation, dB, at 384 kHz or "
                                     "at --fsw.") +
                          negative.arg(kMinAttenuation),
                      QStringLiteral("X")});
    parser.addOption({kMaxZobel,
                      QStringLiteral("synthesize: the highest Zobel dissipation, W (7 kHz figure, "
                                     "plus the idle carrier loss with --supply and --fsw)."),
                      QStringLiteral("X")});
    parser.addOption({kMaxRipple,
                      QStringLiteral("synthesize: the highest idle ripple in the inductor, A peak "
                                     "to peak; needs --supply and --fsw."),
                      QStringLiteral("X")});
}

QStringList synthesizeOptionNames()
{
    return {kMaxPeak, kGain20k, kMinAttenuation, kMaxZobel, kMaxRipple};
}

Outcome synthesizeCommand(const Invocation &in)
{
    const QCommandLineParser &p = in.parser;
    const CarrierInputs &carrier = in.design.carrier;
    if (carrier.supplyText.isEmpty() != carrier.switchingText.isEmpty())
        return Refusal{QStringLiteral("--supply and --fsw are given together or not at all")};
    AssistantLimits limits;
    const auto number = [&p](const QString &name,
                             std::optional<double> &limit) -> std::optional<Refusal> {
        if (!p.isSet(name))
            return std::nullopt;
        const auto v = readLimitNumber(p.value(name));
        if (const QString *why = std::get_if<QString>(&v))
            return Refusal{QStringLiteral("--%1: %2").arg(name, *why)};
        limit = std::get<double>(v);
        return std::nullopt;
    };
    for (const auto &[name, limit] :
         {std::pair{kMaxPeak, &limits.maxPeakDb},
          std::pair{kMinAttenuation, &limits.minAttenuationDb},
          std::pair{kMaxZobel, &limits.maxZobelW}, std::pair{kMaxRipple, &limits.maxRippleA}})
        if (std::optional<Refusal> r = number(name, *limit))
            return *r;
    if (p.isSet(kGain20k)) {
        const auto w = readLimitWindow(p.value(kGain20k));
        if (const QString *why = std::get_if<QString>(&w))
            return Refusal{QStringLiteral("--%1: %2").arg(kGain20k, *why)};
        limits.gain20kLowDb = std::get<0>(w).first;
        limits.gain20kHighDb = std::get<0>(w).second;
    }
    if (limits.maxRippleA && !carrier.given())
        return Refusal{QStringLiteral("--%1 needs --supply and --fsw").arg(kMaxRipple)};
    AssistantSearch search({{in.design, in.loadPower, in.loadFile}, limits, {}, {}, in.library});
    std::vector<int> tasks(std::size_t(search.taskCount()));
    std::iota(tasks.begin(), tasks.end(), 0);
    QtConcurrent::blockingMap(tasks, [&search](int t) { search.run(t); });
    return assistantCsv(std::move(search).finish());
}
