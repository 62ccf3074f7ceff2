#pragma once

#include <QJsonValue>
#include <QString>

// Texts from JSON files inside the sentences that refuse them: one line, whatever the file holds.

// A text in quotes, cut after 40 characters, with quotes, backslashes, control characters and
// lone surrogates escaped as JSON writes them.
QString quotedText(const QString &text);

// What a JSON value is, for a sentence: "the number 48", "\"x\"", "true", "a list".
QString shownValue(const QJsonValue &v);
