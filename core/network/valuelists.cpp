#include "core/network/valuelists.h"

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

std::optional<double> acceptedValue(ListSelector s, const QString &text)
{
    if (!table(s).items.contains(text, Qt::CaseSensitive))
        return std::nullopt;
    const double number = text.toDouble();  // items are plain decimals
    switch (s) {
        case ListSelector::filter_l_par: return si::fromMicroText(text);
        case ListSelector::zobel_c_par:
        case ListSelector::zobel_c_ser: return number == 0.0 ? 0.0 : si::fromMicroText(text);
        case ListSelector::filter_c_par:
        case ListSelector::zobel_r_par:
        case ListSelector::speaker_r_mode: return number;
    }
    return std::nullopt;
}

bool acceptSelection(DesignRecord &rec, ListSelector s, const QString &text)
{
    const std::optional<double> value = acceptedValue(s, text);
    if (!value)
        return false;
    switch (s) {
        case ListSelector::filter_l_par: rec.filter_l_par_modeval = *value; break;
        case ListSelector::filter_c_par: rec.filter_c_par_modeval = *value; break;
        case ListSelector::zobel_c_par: rec.zobel_c_parval = *value; break;
        case ListSelector::zobel_r_par: rec.zobel_r_parval = *value; break;
        case ListSelector::zobel_c_ser: rec.zobel_c_serval = *value; break;
        case ListSelector::speaker_r_mode:
            rec.speaker_r_modeval = static_cast<std::int32_t>(*value);
            break;
    }
    rec.*rememberedText(s) = text;
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
