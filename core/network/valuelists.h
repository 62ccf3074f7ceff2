#pragma once

#include "core/network/designrecord.h"
#include "core/parts/partslibrary.h"

#include <QString>
#include <QStringList>

#include <optional>

// The six list selectors. Each one's drop-down items are also the only texts it accepts.
enum class ListSelector {
    filter_l_par,
    filter_c_par,
    zobel_c_par,
    zobel_r_par,
    zobel_c_ser,
    speaker_r_mode
};

inline constexpr ListSelector kAllListSelectors[] = {
    ListSelector::filter_l_par, ListSelector::filter_c_par, ListSelector::zobel_c_par,
    ListSelector::zobel_r_par,  ListSelector::zobel_c_ser,  ListSelector::speaker_r_mode,
};

// The control name of a selector ("filter_c_par", ...).
QString selectorName(ListSelector s);

// Its items, top of the drop-down first.
const QStringList &listItems(ListSelector s);

// The text it shows when the window opens.
QString initialText(ListSelector s);

// The design value an item stands for, in the unit the design record keeps for that selector
// (H, uF, F, ohm, F, ohm). Empty when the text is not one of the items: the comparison is exact,
// so "0.1", " .1" and ".10" are not ".1".
std::optional<double> acceptedValue(ListSelector s, const QString &text);

// Takes an item into the design: the value it stands for and the text itself as the selector's
// remembered text. False, and the design as it was, when the text is not one of the items (its
// own or the library's). The selector's part slot follows: it keeps its part when the text is that
// part's value, takes the library's part for an item the library alone gives, and is otherwise left
// ideal. The text of the slot's own part is taken even when no list has it (a part a design file
// brought).
bool acceptSelection(DesignRecord &rec, ListSelector s, const QString &text,
                     const PartsLibrary &library = {});

// The part slot a selector sets the value of; none for the speaker resistance.
std::optional<PartSlot> partSlot(ListSelector s);
ListSelector slotSelector(PartSlot slot);

// A selector's items with the library's: its own, then the value of each library part of its
// kind that is not one of them already, in the library's order.
QStringList listItems(ListSelector s, const PartsLibrary &library);

// A part's value as typed ("0.47", "1", "33.0"), as the lists write it: the item of a list of its
// kind with that value (".47", "1.0"), else valueListForm's without a ".0" ("33"); empty when it
// is not a plain decimal number above 0.
QString partValueText(PartKind kind, const QString &typed);

// Where the design keeps a selector's remembered text.
QString DesignRecord::*rememberedText(ListSelector s);

// Captions of the schematic value labels, from the selectors' remembered texts.
QString captionZobelCPar(const QString &jzobel_c2);  // "no cap." for a value of 0
QString captionZobelCSer(const QString &jzobel_c3);
QString captionZobelR(const QString &jzobel_r2);
QString captionFilterL(const QString &jfilter_l);
QString captionFilterC(const QString &jfilter_c);
QString captionSpeakerR(const QString &jspeaker_r);
QString captionSpeakerL(const QString &speaker_l_valtxt);

// The caption of every schematic value label: what both schematic windows show and what the report
// copies. A doubled full-bridge component shows the same caption on both of its labels.
struct SchematicCaptions {
    QString lfilter;
    QString cfilter;
    QString rzobel_par;
    QString czobel_par;
    QString czobel_ser;
    QString lspeaker;
    QString rspeaker;
};
SchematicCaptions schematicCaptions(const DesignRecord &rec);
