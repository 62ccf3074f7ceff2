#pragma once

#include "core/common/savefile.h"
#include "core/network/designrecord.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>
#include <variant>

// Design files (.quorvel): a JSON object in UTF-8 holding every input of a design as the text the
// user chose or typed, and optionally a second design held as the reference:
//
//   {"format": "quorvel-design", "version": 1, "filter_l_par": "22", ..., "Speaker_L": ".67",
//    "topology": "half", "load_power": "50", "supply": "", "fsw": "", ..., "modulation": "bd",
//    "load_file": "", "reference": {the same design fields}}
//
// Version 2 adds the real parts attached to the design's slots, so that the file opens without
// the parts library it came from: "parts": {"filter_l": {"value": "33", "dcr_ohm": 0.012}, ...}
// with the slots filter_l, filter_c, zobel_r, zobel_c_par, zobel_c_ser and each part's fields as
// partjson.h writes them; a slot's selector shows its part's value. A design (and its reference)
// without parts is written as version 1, as it always was.
//
// Opening takes every text through the rule typing it would meet, and refuses the whole file
// with one sentence at the first field that fails; a field that is missing takes its start-up
// value and is listed.

// Everything a design file holds of one design.
struct DesignInputs {
    DesignRecord record;  // with its remembered texts and its carrier inputs
    QString loadPowerText = QStringLiteral("50");
    double loadPower = 50.0;  // W RMS into the speaker
    QString loadFile;         // a measured speaker's impedance file; empty: none

    // The design the program shows once start-up has finished.
    static DesignInputs startup();
};

// What opening a design file gives.
struct DesignFile {
    DesignInputs design;
    std::optional<DesignInputs> reference;
    // The fields that were missing and took their start-up values, in the file's order; those
    // of the reference as "reference.supply".
    QStringList missing;
};

// The designs, or the one sentence that says why the file was refused.
using DesignFileRead = std::variant<DesignFile, QString>;

// The newest version read and written.
inline constexpr int kDesignFileVersion = 2;
inline constexpr qint64 kMaxDesignFileBytes = 1024 * 1024;
// Objects and lists within each other, the file's own object counting as 1: a design file
// nests 2 (the design and its reference); anything deeper than this is refused unread.
inline constexpr int kMaxDesignFileDepth = 8;

// "quorvel", and a file dialog's filter naming it.
QString designFileSuffix();
QString designFileFilter();

// Every design field's name, in the file's order.
const QStringList &designFieldNames();

// The file's bytes: indented JSON with its keys in sorted order, so that the same designs always
// give the same bytes, and a file saved, opened and saved again keeps its bytes.
QByteArray designFileBytes(const DesignInputs &design, const DesignInputs *reference = nullptr);

// Reads a design file's bytes; see above.
DesignFileRead readDesignFile(const QByteArray &bytes);

// Reads the file at path as readDesignFile does; refuses a folder, a missing or unreadable file
// and one over kMaxDesignFileBytes without reading it all.
DesignFileRead readDesignFilePath(const QString &path);

// Writes the designs to path atomically (writeFileAtomically). A load file in path's folder or
// below it is written relative to that folder.
std::optional<FileFailure> writeDesignFile(const QString &path, const DesignInputs &design,
                                           const DesignInputs *reference = nullptr);

// The load file a design file at designPath names, as a path to open: a relative one is taken
// from the design file's folder. Empty when it names none.
QString loadFileOf(const QString &designPath, const DesignInputs &design);
