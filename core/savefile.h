#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

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
