// Any bytes as a design file. Besides crashes, sanitizer findings and runs over the time limit, a
// broken promise of the reader or the writer aborts the run: a refusal is one sentence on one
// line; an accepted design holds only texts its rules take, with the values they stand for, and
// parts that can be, each showing in its selector; and
// saving it gives bytes that open as the same designs and save again unchanged.
#include "core/carrier/carrierinputs.h"
#include "core/common/entryrule.h"
#include "core/files/designfile.h"
#include "core/network/valuelists.h"
#include "core/parts/partjson.h"
#include "require.h"

#include <cstddef>
#include <cstdint>

namespace {

bool accepted(const EntryRule &rule, const QString &text, double value)
{
    const Entry e = checkEntry(rule, text);
    return e.verdict == Entry::Accepted && e.value == value;
}

// The design is one typing could have made.
void requireTyped(const DesignInputs &d)
{
    const DesignRecord &r = d.record;
    const double values[] = {r.filter_l_par_modeval, r.filter_c_par_modeval,
                             r.zobel_c_parval,       r.zobel_r_parval,
                             r.zobel_c_serval,       double(r.speaker_r_modeval)};
    for (const ListSelector s : kAllListSelectors) {
        // Taken again by a selector, the text stands for the same value and keeps the parts.
        DesignRecord again = r;
        require(acceptSelection(again, s, r.*rememberedText(s)) && again.parts == r.parts);
        const double valuesAgain[] = {again.filter_l_par_modeval, again.filter_c_par_modeval,
                                      again.zobel_c_parval,       again.zobel_r_parval,
                                      again.zobel_c_serval,       double(again.speaker_r_modeval)};
        require(valuesAgain[int(s)] == values[int(s)]);
        require(acceptedValue(s, r.*rememberedText(s)) || r.parts.at(*partSlot(s)));
    }
    for (const PartSlot slot : kAllPartSlots)
        if (const std::optional<Part> &p = r.parts.at(slot))
            require(!partRefusal(*p) && p->kind == partKind(slot) &&
                    p->value == r.*rememberedText(slotSelector(slot)));
    require(accepted(kSpeakerLRule, r.speaker_l_valtxt, r.actual_l_net));
    require(accepted(kLoadPowerRule, d.loadPowerText, d.loadPower));
    require(r.full_bridge_select == kFlagTrue || r.full_bridge_select == kFlagFalse);
    const CarrierInputs &c = r.carrier;
    for (const CarrierField f : kAllCarrierFields) {
        const Entry::Verdict v = checkEntry(carrierRule(f), c.*carrierText(f)).verdict;
        require(v == Entry::Accepted || v == Entry::Unset);
    }
    require(c.switchingText.isEmpty() || c.audioHz < c.switchingHz);
}

bool same(const DesignInputs &a, const DesignInputs &b)
{
    const DesignRecord &r = a.record, &s = b.record;
    const CarrierInputs &c = r.carrier, &k = s.carrier;
    return r.full_bridge_select == s.full_bridge_select &&
           r.speaker_r_modeval == s.speaker_r_modeval && r.actual_l_net == s.actual_l_net &&
           r.filter_l_par_modeval == s.filter_l_par_modeval &&
           r.filter_c_par_modeval == s.filter_c_par_modeval &&
           r.zobel_c_parval == s.zobel_c_parval && r.zobel_c_serval == s.zobel_c_serval &&
           r.zobel_r_parval == s.zobel_r_parval && r.jfilter_l == s.jfilter_l &&
           r.jfilter_c == s.jfilter_c && r.jspeaker_r == s.jspeaker_r &&
           r.jzobel_c2 == s.jzobel_c2 && r.jzobel_c3 == s.jzobel_c3 && r.jzobel_r2 == s.jzobel_r2 &&
           r.speaker_l_valtxt == s.speaker_l_valtxt && c.supplyText == k.supplyText &&
           c.switchingText == k.switchingText && c.modulation == k.modulation &&
           c.audioText == k.audioText && c.zobelRatingText == k.zobelRatingText &&
           c.inductorRatingText == k.inductorRatingText &&
           c.capacitorRatingText == k.capacitorRatingText && c.supplyV == k.supplyV &&
           c.switchingHz == k.switchingHz && c.audioHz == k.audioHz &&
           c.zobelRatingW == k.zobelRatingW && c.inductorRatingA == k.inductorRatingA &&
           c.capacitorRatingA == k.capacitorRatingA && a.loadPowerText == b.loadPowerText &&
           a.loadPower == b.loadPower && a.loadFile == b.loadFile && r.parts == s.parts;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size));
    const DesignFileRead read = readDesignFile(bytes);
    if (const QString *refusal = std::get_if<QString>(&read)) {
        // One sentence on one line, of a length a message box shows.
        require(!refusal->isEmpty() && refusal->endsWith(QLatin1Char('.')) &&
                !refusal->contains(QLatin1Char('\n')) && !refusal->contains(QLatin1Char('\r')) &&
                refusal->size() < 1000);
        return 0;
    }

    const DesignFile &file = std::get<DesignFile>(read);
    requireTyped(file.design);
    if (file.reference)
        requireTyped(*file.reference);
    for (const QString &name : file.missing) {
        const bool ofReference = name.startsWith(QLatin1String("reference."));
        require(designFieldNames().contains(ofReference ? name.mid(10) : name));
        require(!ofReference || file.reference);
        require(file.missing.count(name) == 1);
    }

    const DesignInputs *reference = file.reference ? &*file.reference : nullptr;
    const QByteArray saved = designFileBytes(file.design, reference);
    const DesignFileRead again = readDesignFile(saved);
    require(std::holds_alternative<DesignFile>(again));
    const DesignFile &reopened = std::get<DesignFile>(again);
    require(reopened.missing.isEmpty());
    require(same(reopened.design, file.design));
    require(reopened.reference.has_value() == file.reference.has_value());
    require(!reference || same(*reopened.reference, *reference));
    require(designFileBytes(reopened.design, reopened.reference ? &*reopened.reference : nullptr) ==
            saved);
    return 0;
}
