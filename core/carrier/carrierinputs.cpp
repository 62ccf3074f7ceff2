#include "core/carrier/carrierinputs.h"

#include "core/measured/measuredload.h"

#include <array>

namespace {

struct FieldTable {
    const char *name;
    EntryRule rule;
    QString CarrierInputs::*text;
    double CarrierInputs::*value;
    double scale;  // typed unit to SI
};

const FieldTable &tableOf(CarrierField f)
{
    using C = CarrierInputs;
    // clang-format off
    static const std::array<FieldTable, 6> table = {{
        {"supply",           {6, 1, 150, true},      &C::supplyText,          &C::supplyV,          1},
        {"fsw",              {6, 50, 3000, true},    &C::switchingText,       &C::switchingHz,      1e3},
        {"audio-frequency",  {7, 1, 100000, false},  &C::audioText,           &C::audioHz,          1},
        {"zobel-rating",     {7, 0, 10000, true},    &C::zobelRatingText,     &C::zobelRatingW,     1},
        {"inductor-rating",  {7, 0, 10000, true},    &C::inductorRatingText,  &C::inductorRatingA,  1},
        {"capacitor-rating", {7, 0, 10000, true},    &C::capacitorRatingText, &C::capacitorRatingA, 1},
    }};
    // clang-format on
    return table[static_cast<std::size_t>(f)];
}

}  // namespace

const EntryRule &carrierRule(CarrierField f)
{
    return tableOf(f).rule;
}

QString CarrierInputs::*carrierText(CarrierField f)
{
    return tableOf(f).text;
}

QString carrierFieldName(CarrierField f)
{
    return QString::fromLatin1(tableOf(f).name);
}

Entry::Verdict acceptCarrierText(CarrierInputs &in, CarrierField f, const QString &text)
{
    const FieldTable &t = tableOf(f);
    const Entry e = checkEntry(t.rule, text);
    if (e.verdict != Entry::Accepted && e.verdict != Entry::Unset)
        return e.verdict;
    CarrierInputs next = in;
    next.*t.text = text;
    next.*t.value = e.verdict == Entry::Accepted ? e.value * t.scale : 0.0;
    if (!next.switchingText.isEmpty() && next.audioHz >= next.switchingHz)
        return Entry::Rejected;
    in = next;
    return e.verdict;
}

QString modulationName(Modulation m)
{
    return m == Modulation::ad ? QStringLiteral("ad") : QStringLiteral("bd");
}

std::optional<Modulation> modulationNamed(const QString &name)
{
    if (name == QLatin1String("ad"))
        return Modulation::ad;
    if (name == QLatin1String("bd"))
        return Modulation::bd;
    return std::nullopt;
}

CarrierNetwork carrierNetwork(const DesignRecord &design, const MeasuredLoad *measured)
{
    return carrierNetwork(design, designValues(design), measured);
}

CarrierNetwork carrierNetwork(const DesignRecord &design, const DesignValues &v,
                              const MeasuredLoad *measured)
{
    CarrierNetwork net;
    net.filterL = v.filterL;
    net.filterC = si::fromMicro(v.filterC);
    net.zobelR = v.zobelR;
    net.zobelCPar = v.zobelCPar;
    net.zobelCSer = v.zobelCSer;
    net.fullBridge = design.fullBridge();
    if (const std::optional<Part> &l = design.parts.at(PartSlot::filter_l))
        net.saturation = l->saturation;
    if (measured)
        net.speaker = [measured](double hz) { return measured->impedance(hz); };
    else
        net.speaker = speakerRL(v.speakerR, si::fromMilli(v.speakerL));
    return net;
}

CarrierSettings carrierSettings(const CarrierInputs &in, double loadPower)
{
    return {in.supplyV, in.switchingHz, in.modulation, in.audioHz, loadPower};
}

PartRatings partRatings(const CarrierInputs &in)
{
    return {in.zobelRatingW, in.inductorRatingA, in.capacitorRatingA};
}
