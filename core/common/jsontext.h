#pragma once

#include <QJsonValue>
#include <QString>

#include <optional>

// Texts from JSON files inside the sentences that refuse them: one line, whatever the file holds.

// A text in quotes, cut after 40 characters, with quotes, backslashes, control characters and
// lone surrogates escaped as JSON writes them.
QString quotedText(const QString &text);

// What a JSON value is, for a sentence: "the number 48", "\"x\"", "true", "a list".
QString shownValue(const QJsonValue &v);

// Why a file's "version" is refused: not a whole number of at least 1, or newer than `newest`,
// the version this program reads of `format` ("the design format"). Empty when it is taken.
std::optional<QString> versionRefusal(const QJsonValue &version, int newest, const QString &format);
