#include "core/designmodel/designmodel.h"

#include "core/carrier/carrierinputs.h"
#include "core/common/entryrule.h"
#include "core/common/sidetask.h"
#include "core/network/loadcompare.h"
#include "core/parts/partjson.h"

namespace {

// What changes between two designs, input by input.
DesignParts difference(const DesignRecord &a, const DesignRecord &b)
{
    DesignParts parts;
    for (ListSelector s : kAllListSelectors)
        if (a.*rememberedText(s) != b.*rememberedText(s))
            parts |= designPart(s);
    if (a.speaker_l_valtxt != b.speaker_l_valtxt)
        parts |= DesignPart::SpeakerL;
    if (a.fullBridge() != b.fullBridge())
        parts |= DesignPart::Topology;
    if (a.parts != b.parts)
        parts |= DesignPart::Parts;
    bool carrier = a.carrier.modulation != b.carrier.modulation;
    for (CarrierField f : kAllCarrierFields)
        carrier = carrier || a.carrier.*carrierText(f) != b.carrier.*carrierText(f);
    if (carrier)
        parts |= DesignPart::Carrier;
    return parts;
}

Verdict refused(const QString &reason)
{
    return {Verdict::Refused, reason};
}

}  // namespace

DesignPart designPart(ListSelector s)
{
    switch (s) {
        case ListSelector::filter_l_par: return DesignPart::FilterL;
        case ListSelector::filter_c_par: return DesignPart::FilterC;
        case ListSelector::zobel_c_par: return DesignPart::ZobelCPar;
        case ListSelector::zobel_r_par: return DesignPart::ZobelR;
        case ListSelector::zobel_c_ser: return DesignPart::ZobelCSer;
        case ListSelector::speaker_r_mode: return DesignPart::SpeakerR;
    }
    return DesignPart::FilterL;
}

// The measured speaker evaluated on the grid once, its curves with the design swept on every
// change, its dissipation swept when first asked for after one.
struct DesignModel::Measured {
    MeasuredGrid grid;
    MeasuredCurves curves;
    PowerCurve dissipation;
    bool dissipationCurrent = false;
};

DesignModel::DesignModel(QObject *parent) : QObject(parent)
{
    analyseDesign(m_record, m_loadPower, m_analysis, kAllAnalysisParts);
}

DesignModel::~DesignModel() = default;

DesignInputs DesignModel::inputs() const
{
    DesignInputs d;
    d.record = m_record;
    d.record.speaker_l_valtxt = m_takenSpeakerL;
    d.loadPowerText = m_takenLoadPower;
    d.loadPower = m_loadPower;
    d.loadFile = m_measured ? m_measured->path() : QString();
    return d;
}

const MeasuredGrid *DesignModel::measuredGrid() const
{
    return m_measuredCurves ? &m_measuredCurves->grid : nullptr;
}

const MeasuredCurves *DesignModel::measuredCurves() const
{
    return m_measuredCurves ? &m_measuredCurves->curves : nullptr;
}

const PowerCurve *DesignModel::measuredDissipation() const
{
    if (!m_measuredCurves)
        return nullptr;
    Measured &m = *m_measuredCurves;
    if (!m.dissipationCurrent) {
        sweepMeasuredDissipation(m_record, m_loadPower, m.grid, m.dissipation);
        m.dissipationCurrent = true;
    }
    return &m.dissipation;
}

Verdict DesignModel::setListText(ListSelector s, const QString &text)
{
    if (m_record.*rememberedText(s) == text)
        return {Verdict::Accepted, {}};
    const BoardParts before = m_record.parts;
    if (!acceptSelection(m_record, s, text, m_library))
        return refused(QStringLiteral("%1 takes only the items of its list.").arg(selectorName(s)));
    update(m_record.parts == before ? DesignParts(designPart(s))
                                    : designPart(s) | DesignPart::Parts);
    return {Verdict::Accepted, {}};
}

Verdict DesignModel::setPart(PartSlot slot, std::optional<Part> part)
{
    const ListSelector s = slotSelector(slot);
    DesignRecord next = m_record;
    if (part && part->kind != partKind(slot))
        return refused(
            QStringLiteral("A %1 cannot take the place of the %2 in %3.")
                .arg(partKindName(part->kind), partKindName(partKind(slot)), selectorName(s)));
    if (part)
        if (std::optional<QString> why = partRefusal(*part))
            return refused(*why);
    const QString text = part ? part->value : next.*rememberedText(s);
    if (!part && !acceptedValue(s, text)) {
        part.emplace();
        part->kind = partKind(slot);
        part->value = text;
    }
    next.parts.at(slot) = part;
    // Always taken: the text is the slot's own part's value, or one of the list's items.
    acceptSelection(next, s, text);
    const DesignParts parts = difference(m_record, next);
    m_record = std::move(next);
    if (parts)
        update(parts);
    return {Verdict::Accepted, {}};
}

void DesignModel::setLibrary(PartsLibrary library)
{
    if (library == m_library)
        return;
    m_library = std::move(library);
    emit libraryChanged();
}

Verdict DesignModel::setSpeakerLText(const QString &text)
{
    const Verdict v = takeTyped(kSpeakerLRule, text, m_record.speaker_l_valtxt, m_takenSpeakerL,
                                m_record.actual_l_net, DesignPart::SpeakerL);
    if (v.kind != Verdict::Refused)
        return v;
    return refused(
        QStringLiteral("The speaker inductance takes %1 mH.").arg(describeRule(kSpeakerLRule)));
}

Verdict DesignModel::setLoadPowerText(const QString &text)
{
    const Verdict v = takeTyped(kLoadPowerRule, text, m_loadPowerText, m_takenLoadPower,
                                m_loadPower, DesignPart::LoadPower);
    if (v.kind != Verdict::Refused)
        return v;
    return refused(QStringLiteral("The load power takes %1 W.").arg(describeRule(kLoadPowerRule)));
}

Verdict DesignModel::takeTyped(const EntryRule &rule, const QString &text, QString &shown,
                               QString &taken, double &value, DesignPart part)
{
    const Entry entry = checkEntry(rule, text);
    switch (entry.verdict) {
        case Entry::Pending:
            // The text stays as the box shows it; the value stays the last one taken.
            if (shown != text) {
                shown = text;
                update(part);
            }
            return {Verdict::Pending, {}};
        case Entry::Accepted:
            if (shown != text || taken != text) {
                value = entry.value;
                shown = text;
                taken = text;
                update(part);
            }
            return {Verdict::Accepted, {}};
        case Entry::Unset:
        case Entry::Rejected: break;
    }
    return {Verdict::Refused, {}};
}

void DesignModel::setFullBridge(bool full)
{
    if (m_record.fullBridge() == full)
        return;
    m_record.full_bridge_select = full ? kFlagTrue : kFlagFalse;
    update(DesignPart::Topology);
}

void DesignModel::setCarrierInputs(const CarrierInputs &inputs)
{
    DesignRecord next = m_record;
    next.carrier = inputs;
    const DesignParts parts = difference(m_record, next);
    if (!parts)
        return;
    m_record.carrier = inputs;
    update(parts);
}

void DesignModel::setMeasured(std::shared_ptr<const MeasuredLoad> load)
{
    if (load == m_measured)
        return;
    replaceMeasured(std::move(load));
    update(DesignPart::MeasuredSpeaker);
}

void DesignModel::replaceMeasured(std::shared_ptr<const MeasuredLoad> load)
{
    // Its impedance does not depend on the design; update() sweeps the rest.
    m_measured = std::move(load);
    m_measuredCurves.reset();
    if (!m_measured)
        return;
    m_measuredCurves = std::make_unique<Measured>();
    evaluateOnGrid(*m_measured, m_measuredCurves->grid);
    sweepMeasured(m_record, m_measuredCurves->grid, m_measuredCurves->curves,
                  AnalysisPart::Impedance, &comparedGridPoints());
}

void DesignModel::apply(const DesignInputs &design, std::shared_ptr<const MeasuredLoad> measured)
{
    DesignParts parts = difference(m_record, design.record);
    if (m_takenSpeakerL != design.record.speaker_l_valtxt)
        parts |= DesignPart::SpeakerL;
    if (m_loadPowerText != design.loadPowerText || m_takenLoadPower != design.loadPowerText)
        parts |= DesignPart::LoadPower;
    m_record = design.record;
    m_takenSpeakerL = design.record.speaker_l_valtxt;
    m_loadPower = design.loadPower;
    m_loadPowerText = design.loadPowerText;
    m_takenLoadPower = design.loadPowerText;
    if (measured != m_measured) {
        replaceMeasured(std::move(measured));
        parts |= DesignPart::MeasuredSpeaker;
    }
    if (parts)
        update(parts);
}

void DesignModel::holdReference(const DesignInputs &design)
{
    auto held = std::make_unique<HeldReference>();
    held->inputs = design;
    analyseDesign(design.record, design.loadPower, held->analysis, kAllAnalysisParts);
    m_reference = std::move(held);
    emit changed(DesignPart::Reference);
    emit settled();
}

void DesignModel::clearReference()
{
    if (!m_reference)
        return;
    m_reference.reset();
    emit changed(DesignPart::Reference);
    emit settled();
}

void DesignModel::update(DesignParts parts)
{
    emit changing(parts);
    // The carrier analysis and the design at its load power read the record alone: when they have
    // work to do, they run beside the rest.
    std::optional<SideTask> carrierSide;
    if (parts & (kNetworkParts | DesignPart::LoadPower | DesignPart::Carrier |
                 DesignPart::MeasuredSpeaker)) {
        const auto follow = [this] {
            const CarrierInputs &in = m_record.carrier;
            if (in.given())
                m_carrier = analyzeCarrier(carrierNetwork(m_record, m_measured.get()),
                                           carrierSettings(in, m_loadPower), partRatings(in));
            else
                m_carrier.reset();
            followLoadPower();
        };
        if (m_record.carrier.given() || hasLoadPowerCurves())
            carrierSide.emplace(follow);
        else
            follow();
    }
    // Only the dissipation reads the load power; the carrier, the speaker file and the reference
    // leave the network as it was.
    const bool network = parts & kNetworkParts;
    if (network)
        analyseDesign(m_record, m_loadPower, m_analysis, kAllAnalysisParts);
    else if (parts & DesignPart::LoadPower)
        analyseDesign(m_record, m_loadPower, m_analysis, AnalysisPart::Dissipation);
    if (m_measuredCurves) {
        if (network || (parts & DesignPart::MeasuredSpeaker))
            sweepMeasured(m_record, m_measuredCurves->grid, m_measuredCurves->curves,
                          AnalysisPart::Gain | AnalysisPart::GainZobel, &comparedGridPoints());
        if (network || (parts & (DesignPart::LoadPower | DesignPart::MeasuredSpeaker)))
            m_measuredCurves->dissipationCurrent = false;
    }
    if (parts & (kNetworkParts | DesignPart::LoadPower | DesignPart::Carrier)) {
        ++m_toleranceGeneration;
        m_tolerance.reset();  // the observers redraw on changed() anyway
    }
    carrierSide.reset();  // its work done
    emit changed(parts);
    emit settled();
}

bool DesignModel::setTolerance(std::shared_ptr<const ToleranceResult> result, quint64 generation)
{
    if (generation != m_toleranceGeneration)
        return false;
    m_tolerance = std::move(result);
    emit toleranceChanged();
    return true;
}

void DesignModel::clearTolerance()
{
    if (!m_tolerance)
        return;
    m_tolerance.reset();
    emit toleranceChanged();
}

bool DesignModel::hasLoadPowerCurves() const
{
    const std::optional<Part> &l = m_record.parts.at(PartSlot::filter_l);
    const std::optional<Part> &c = m_record.parts.at(PartSlot::filter_c);
    return (l && !l->saturation.empty()) || (c && !c->bias.empty());
}

void DesignModel::followLoadPower()
{
    if (!hasLoadPowerCurves()) {
        m_atLoadPower.reset();
        return;
    }
    if (!m_atLoadPower)
        m_atLoadPower = std::make_unique<LoadPowerCurves>();
    LoadPowerCurves &p = *m_atLoadPower;
    double peakA = audioInductorPeakA(m_record, m_loadPower);
    if (const AtPowerFigures *f =
            m_carrier ? std::get_if<AtPowerFigures>(&m_carrier->atPower) : nullptr)
        peakA = std::max(f->inductorPeakA[0], f->inductorPeakA[1]);
    p.point = operatingPoint(m_record, m_loadPower, peakA);
    const ParasiticFigures fig = sweepParasitic(p.point.atPower, &p.gain, &p.gainZobel, nullptr);
    p.gainFigures = fig.gain;
    p.gainZobelFigures = fig.gainZobel;
    // Fig. 2's network is Fig. 3's without the Zobel network: its series capacitor taken out.
    const auto corners = [](ParasiticNetwork n, Resonance &plain, Resonance &zobel) {
        zobel = filterResonance(n, true);
        n.czs = 0.0;
        plain = filterResonance(n, true);
    };
    corners(p.point.atPower, p.plainCorner, p.zobelCorner);
    corners(parasiticNetwork(m_record), p.plainNominal, p.zobelNominal);
}
