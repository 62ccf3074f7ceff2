#pragma once

#include "core/carrier/carriertable.h"
#include "core/carrier/operatingpoint.h"

// The filter on the board, as the filter window shows it: its corner frequency and Q, the values
// its parts hold idle and at the load power, each part's current, voltage or power against the
// rating its part gives (the words "over the ... rating" and the row marked when it is), and the
// losses with the filter's efficiency. The carrier's figures (the inductor's peak, the rms
// currents, the losses) need the supply and the switching frequency; without them the inductor
// is taken at its audio peak and the rows that need the carrier read "—".
struct BoardFigures {
    OperatingPoint point;
    std::optional<FilterLosses> losses;     // with the carrier at the load power
    std::optional<AtPowerFigures> atPower;  // the carrier's figures at the load power
    CarrierTable table;
};
// With the design's carrier analysis when one is at hand (else worked out here).
BoardFigures boardFigures(const DesignRecord &rec, double loadPowerW,
                          const CarrierAnalysis *carrier = nullptr);
