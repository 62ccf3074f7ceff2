#pragma once

#include <QByteArray>
#include <QString>

#include <optional>
#include <variant>

// A failed file-system operation, as the user is told about it.
struct FileFailure {
    int number = 0;
    QString description;
};

// Replaces the file at path with bytes, atomically: on failure the previous file stays as it was
// and no partial or temporary file is left behind (the temporary file dies with its QSaveFile).
// A replaced file keeps its permission bits, and its owner and group where the process may set
// them.
std::optional<FileFailure> writeFileAtomically(const QString &path, const QByteArray &bytes);

// The bytes of the file at path, at most maxBytes of them; otherwise the sentence that refuses it:
// it does not exist, is a folder or cannot be read (each naming the path), or tooLarge. Files
// whose size the system does not know (pipes, /proc) are read up to one byte past the limit.
std::variant<QByteArray, QString> readFileUpTo(const QString &path, qint64 maxBytes,
                                               const QString &tooLarge);
