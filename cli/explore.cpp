// quorvel explore: the trade-off map of the design as CSV.
#include "cli/invocation.h"

#include "core/tradeoff/tradeoff.h"

#include <algorithm>
#include <thread>

Outcome exploreCommand(const Invocation &in)
{
    const CarrierInputs &carrier = in.design.carrier;
    if (carrier.supplyText.isEmpty() != carrier.switchingText.isEmpty())
        return Refusal{QStringLiteral("--supply and --fsw are given together or not at all")};
    const TradeoffInputs inputs{in.design, in.loadPower, in.loadFile};
    const int threads = int(std::max(1u, std::thread::hardware_concurrency()));
    const std::optional<TradeoffMap> map = tradeoffMap(inputs, threads);
    return tradeoffCsv(*map, in.parser.isSet(QStringLiteral("pareto-only")));
}
