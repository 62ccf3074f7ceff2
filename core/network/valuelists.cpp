#include "core/network/valuelists.h"

#include "core/parts/partjson.h"

#include <array>

namespace {

struct Table {
    const char *name;
    QStringList items;
    QString initial;
};

const std::array<Table, 6> &tables()
{
    static const QStringList zobelCaps = {"0",   ".047", ".082", ".1",  ".12", ".15", ".18", ".22",
                                          ".27", ".33",  ".42",  ".47", ".56", ".68", ".82", "1.0"};
    // Indexed by ListSelector.
    static const std::array<Table, 6> t = {{
        {"filter_l_par",
         {"3", "5", "6", "8", "10", "12", "15", "18", "20", "22", "27", "36", "44", "50", "68",
          "82", "100"},
         "22"},
        {"filter_c_par",
         {"2.0", "1.8", "1.6", "1.5", "1.3", "1.2", "1.1", "1.0", ".82", ".68", ".56", ".47", ".33",
          ".22", ".18", ".15", ".1"},
         "1.0"},
        {"zobel_c_par", zobelCaps, ".1"},
        {"zobel_r_par",
         {"1", "3", "5", "6", "8", "10", "12", "15", "18", "20", "22", "27", "33", "47", "56", "68",
          "82", "100"},
         "6"},
        {"zobel_c_ser", zobelCaps, ".1"},
        {"speaker_r_mode", {"8", "6", "4", "2"}, "8"},
    }};
    return t;
}

const Table &table(ListSelector s)
{
    return tables()[static_cast<std::size_t>(s)];
}

}  // namespace

QString selectorName(ListSelector s)
{
    return QString::fromLatin1(table(s).name);
}

const QStringList &listItems(ListSelector s)
{
    return table(s).items;
}

QString initialText(ListSelector s)
{
    return table(s).initial;
}

namespace {

// The value of a text that is an item: plain decimals, in each selector's unit.
double itemValue(ListSelector s, const QString &text)
{
    const double number = text.toDouble();
    switch (s) {
        case ListSelector::filter_l_par: return si::fromMicroText(text);
        case ListSelector::zobel_c_par:
        case ListSelector::zobel_c_ser: return number == 0.0 ? 0.0 : si::fromMicroText(text);
        case ListSelector::filter_c_par:
        case ListSelector::zobel_r_par:
        case ListSelector::speaker_r_mode: break;
    }
    return number;
}

// The library's part behind an item its own list does not have, else null.
const Part *libraryItem(ListSelector s, const QString &text, const PartsLibrary &library)
{
    const std::optional<PartSlot> slot = partSlot(s);
    if (!slot || library.empty() || table(s).items.contains(text, Qt::CaseSensitive))
        return nullptr;
    return library.find(partKind(*slot), text);
}

}  // namespace

std::optional<double> acceptedValue(ListSelector s, const QString &text)
{
    if (!table(s).items.contains(text, Qt::CaseSensitive))
        return std::nullopt;
    return itemValue(s, text);
}

std::optional<PartSlot> partSlot(ListSelector s)
{
    switch (s) {
        case ListSelector::filter_l_par: return PartSlot::filter_l;
        case ListSelector::filter_c_par: return PartSlot::filter_c;
        case ListSelector::zobel_c_par: return PartSlot::zobel_c_par;
        case ListSelector::zobel_r_par: return PartSlot::zobel_r;
        case ListSelector::zobel_c_ser: return PartSlot::zobel_c_ser;
        case ListSelector::speaker_r_mode: break;
    }
    return std::nullopt;
}

ListSelector slotSelector(PartSlot slot)
{
    switch (slot) {
        case PartSlot::filter_l: return ListSelector::filter_l_par;
        case PartSlot::filter_c: return ListSelector::filter_c_par;
        case PartSlot::zobel_r: return ListSelector::zobel_r_par;
        case PartSlot::zobel_c_par: return ListSelector::zobel_c_par;
        case PartSlot::zobel_c_ser: break;
    }
    return ListSelector::zobel_c_ser;
}

QStringList listItems(ListSelector s, const PartsLibrary &library)
{
    QStringList items = listItems(s);
    for (const Part &p : library.parts())
        if (libraryItem(s, p.value, library) == &p)
            items << p.value;
    return items;
}

QString partValueText(PartKind kind, const QString &typed)
{
    const QString form = valueListForm(typed);
    for (PartSlot slot : kAllPartSlots)
        for (const QString &item : listItems(slotSelector(slot)))
            if (partKind(slot) == kind && !form.isEmpty() && item.toDouble() == form.toDouble())
                return item;
    return form.endsWith(QLatin1String(".0")) ? form.chopped(2) : form;
}

bool acceptSelection(DesignRecord &rec, ListSelector s, const QString &text,
                     const PartsLibrary &library)
{
    const std::optional<PartSlot> slot = partSlot(s);
    std::optional<Part> *held = slot ? &rec.parts.at(*slot) : nullptr;
    const bool own = held && *held && (*held)->value == text;
    const Part *fromLibrary = own ? nullptr : libraryItem(s, text, library);
    if (!own && !fromLibrary && !acceptedValue(s, text))
        return false;
    const double value = itemValue(s, text);
    switch (s) {
        case ListSelector::filter_l_par: rec.filter_l_par_modeval = value; break;
        case ListSelector::filter_c_par: rec.filter_c_par_modeval = value; break;
        case ListSelector::zobel_c_par: rec.zobel_c_parval = value; break;
        case ListSelector::zobel_r_par: rec.zobel_r_parval = value; break;
        case ListSelector::zobel_c_ser: rec.zobel_c_serval = value; break;
        case ListSelector::speaker_r_mode:
            rec.speaker_r_modeval = static_cast<std::int32_t>(value);
            break;
    }
    rec.*rememberedText(s) = text;
    if (held && !own)
        *held = fromLibrary ? std::optional(*fromLibrary) : std::nullopt;
    return true;
}

QString DesignRecord::*rememberedText(ListSelector s)
{
    switch (s) {
        case ListSelector::filter_l_par: return &DesignRecord::jfilter_l;
        case ListSelector::filter_c_par: return &DesignRecord::jfilter_c;
        case ListSelector::zobel_c_par: return &DesignRecord::jzobel_c2;
        case ListSelector::zobel_r_par: return &DesignRecord::jzobel_r2;
        case ListSelector::zobel_c_ser: return &DesignRecord::jzobel_c3;
        case ListSelector::speaker_r_mode: return &DesignRecord::jspeaker_r;
    }
    return nullptr;
}

QString captionZobelCPar(const QString &jzobel_c2)
{
    return jzobel_c2.toDouble() == 0.0 ? QStringLiteral("no cap.")
                                       : jzobel_c2 + QStringLiteral("uF");
}
QString captionZobelCSer(const QString &jzobel_c3)
{
    return jzobel_c3 + QStringLiteral("uF");
}
QString captionZobelR(const QString &jzobel_r2)
{
    return jzobel_r2;
}
QString captionFilterL(const QString &jfilter_l)
{
    return jfilter_l + QStringLiteral("uH");
}
QString captionFilterC(const QString &jfilter_c)
{
    return jfilter_c + QStringLiteral("uF");
}
QString captionSpeakerR(const QString &jspeaker_r)
{
    return jspeaker_r;
}
QString captionSpeakerL(const QString &speaker_l_valtxt)
{
    return speaker_l_valtxt + QStringLiteral("mH");
}

SchematicCaptions schematicCaptions(const DesignRecord &rec)
{
    return {captionFilterL(rec.jfilter_l),   captionFilterC(rec.jfilter_c),
            captionZobelR(rec.jzobel_r2),    captionZobelCPar(rec.jzobel_c2),
            captionZobelCSer(rec.jzobel_c3), captionSpeakerL(rec.speaker_l_valtxt),
            captionSpeakerR(rec.jspeaker_r)};
}
