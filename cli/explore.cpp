// quorvel explore: the trade-off map of the design as CSV.
#include "cli/invocation.h"

#include "core/tradeoff/tradeoff.h"

#include <QtConcurrent/QtConcurrentMap>

Outcome exploreCommand(const Invocation &in)
{
    const CarrierInputs &carrier = in.design.carrier;
    if (carrier.supplyText.isEmpty() != carrier.switchingText.isEmpty())
        return Refusal{QStringLiteral("--supply and --fsw are given together or not at all")};
    const TradeoffInputs inputs{in.design, in.loadPower, in.loadFile};
    TradeoffWork work(inputs);
    QtConcurrent::blockingMap(work.rows(), [&work](TradeoffRow &row) { work.fill(row); });
    return tradeoffCsv(std::move(work).finish(), in.parser.isSet(QStringLiteral("pareto-only")));
}
