#pragma once

#include "core/parts/part.h"

#include <QJsonObject>
#include <QString>

#include <optional>
#include <variant>
#include <vector>

// Parts as JSON objects, as design files and the parts library keep them:
//
//   {"value": "33", "tolerance_percent": 20, "dcr_ohm": 0.012, "srf_Hz": 12000000,
//    "saturation": [[5, 1], [6.7, 0.8]], "rated_rms_A": 6}
//
// A field not given is left out; the part's kind is known from where the object stands. Reading
// is strict: a part is refused with one sentence naming the part and the field ("The 33 uH
// inductor has a saturation curve that rises at 6.7 A.").

// "inductor", "capacitor", "resistor", and back.
QString partKindName(PartKind kind);
std::optional<PartKind> partKindNamed(const QString &name);

// The unit its value is given in: "uH", "uF", "ohm".
QString partValueUnit(PartKind kind);

// A field a part may have besides its value.
struct PartField {
    enum Type { number, curve, dielectric };
    const char *key;      // in files: "dcr_ohm"
    const char *caption;  // "DC resistance"
    const char *unit;     // "ohm"; a curve's: of the current or voltage its points are at
    Type type;
};

// The fields a part of that kind may have besides its value, in the order files are read in.
std::vector<PartField> partFields(PartKind kind);

// The part as a sentence names it: "33 uH inductor".
QString partTitle(const Part &part);

// The slot as windows and the design sheet name it: "Filter inductor".
QString partSlotCaption(PartSlot slot);

// The fields a part gives besides its value: "DC resistance 0.012 ohm; saturation curve
// (A ratio) 5 1, 6.7 0.8".
QString partDetails(const Part &part);

// A value in the form the lists write their items in: no zero before the point, none at the end
// of the decimals, a whole number as it is or with one ".0" ("33", ".47", "2.2", "1.0"). Empty
// when text is not a plain decimal number above 0.
QString valueListForm(const QString &text);

// Why the part cannot be, in one sentence, or none. `where` follows the part's name in the
// sentence (" in \"parts.filter_l\"").
std::optional<QString> partRefusal(const Part &part, const QString &where = {});

// The part's fields; its kind is not written.
QJsonObject partObject(const Part &part);

// A part of that kind read from o, or the sentence that refuses it.
std::variant<Part, QString> partFromObject(PartKind kind, const QJsonObject &o,
                                           const QString &where = {});
