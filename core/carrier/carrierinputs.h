#pragma once

#include "core/carrier/carrier.h"
#include "core/common/entryrule.h"
#include "core/network/designrecord.h"

#include <optional>

class MeasuredLoad;

// The carrier analysis's typed inputs and what each accepts; the window, the command line and the
// design files take them through the same rules.
enum class CarrierField { supply, switching, audio, zobelRating, inductorRating, capacitorRating };
inline constexpr CarrierField kAllCarrierFields[] = {
    CarrierField::supply,      CarrierField::switching,      CarrierField::audio,
    CarrierField::zobelRating, CarrierField::inductorRating, CarrierField::capacitorRating};

// Supply 1 to 150 V; switching frequency 50 to 3000 kHz; audio frequency 1 Hz to 100 kHz; ratings
// any plain decimal up to 10000 (W or A). All but the audio frequency may be emptied.
const EntryRule &carrierRule(CarrierField f);
QString CarrierInputs::*carrierText(CarrierField f);
// Its name in the design files and the command line's options: "supply", "fsw", ...
QString carrierFieldName(CarrierField f);

// Takes a text into the inputs as typing it would. Accepted, or Unset where the rule lets a field
// be emptied, changes the field; Pending and Rejected leave it as it was. An audio frequency that
// is not below the switching frequency is rejected, whichever of the two was typed last.
Entry::Verdict acceptCarrierText(CarrierInputs &in, CarrierField f, const QString &text);

// "ad" or "bd".
QString modulationName(Modulation m);
std::optional<Modulation> modulationNamed(const QString &name);

// The design's network for the carrier analysis: the per-leg inductor, the filter capacitor, the
// Zobel branch (capacitors left out counting as 1e-13 F) and the speaker, its resistance and
// inductance or a measured speaker in their place.
CarrierNetwork carrierNetwork(const DesignRecord &design, const MeasuredLoad *measured = nullptr);
// The same with `values` in place of the design's own.
CarrierNetwork carrierNetwork(const DesignRecord &design, const DesignValues &values,
                              const MeasuredLoad *measured = nullptr);
// The settings, with loadPower watts into the speaker for the at-power figures.
CarrierSettings carrierSettings(const CarrierInputs &in, double loadPower);
PartRatings partRatings(const CarrierInputs &in);
