#pragma once

#include "core/common/savefile.h"
#include "core/parts/part.h"

#include <QByteArray>
#include <QString>

#include <optional>
#include <variant>
#include <vector>

// The user's parts library: at most one part of each kind and value, kept by kind and then by
// value, from the smallest. Its file is a JSON object in UTF-8:
//
//   {"format": "quorvel-parts", "version": 1,
//    "parts": [{"kind": "inductor", "value": "33", "saturation": [[5, 1], [6.7, 0.8]]}, ...]}
//
// with each part's fields as partjson.h writes them. A file is read whole or refused whole.
class PartsLibrary
{
public:
    const std::vector<Part> &parts() const { return m_parts; }
    bool empty() const { return m_parts.empty(); }

    // The part of that kind and value, else null.
    const Part *find(PartKind kind, const QString &value) const;

    // Each change gives the sentence that refuses it, the library then being as it was: a part
    // that cannot be (partRefusal), one of a kind and value the library already has, none of
    // that kind and value to replace.
    std::optional<QString> add(const Part &part);
    // Puts part in the place of the one of that kind and value.
    std::optional<QString> replace(PartKind kind, const QString &value, const Part &part);
    void remove(PartKind kind, const QString &value);
    // Adds every part of another library; one the library holds already as it is changes
    // nothing, one of the same kind and value that differs refuses them all.
    std::optional<QString> merge(const PartsLibrary &other);

    // The file's bytes: indented JSON, keys in sorted order.
    QByteArray bytes() const;

    bool operator==(const PartsLibrary &) const = default;

private:
    std::vector<Part> m_parts;
};

// The library, or the one sentence that refuses the file.
using PartsLibraryRead = std::variant<PartsLibrary, QString>;

inline constexpr int kPartsLibraryVersion = 1;
inline constexpr qint64 kMaxPartsLibraryBytes = 4 * 1024 * 1024;

// "Quorvel parts (*.json)", for a file dialog.
QString partsLibraryFilter();

PartsLibraryRead readPartsLibrary(const QByteArray &bytes);
PartsLibraryRead readPartsLibraryPath(const QString &path);
std::optional<FileFailure> writePartsLibrary(const QString &path, const PartsLibrary &library);

// Where the program keeps the user's library: parts.json in the user's settings folder.
QString storedPartsLibraryPath();
