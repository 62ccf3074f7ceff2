#include "core/common/jsontext.h"

#include "core/common/figuretext.h"

#include <cmath>

QString quotedText(const QString &text)
{
    constexpr int kShown = 40;
    QString s;
    int count = 0;
    for (qsizetype i = 0; i < text.size(); ++i, ++count) {
        if (count == kShown) {
            s += QStringLiteral("...");
            break;
        }
        const QChar c = text[i];
        const char16_t u = c.unicode();
        if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            s += c;
            s += text[++i];
        } else if (u == u'"' || u == u'\\') {
            s += QLatin1Char('\\');
            s += c;
        } else if (u < 0x20 || u == 0x7f || u == 0x2028 || u == 0x2029 || c.isSurrogate()) {
            s += QStringLiteral("\\u%1").arg(int(u), 4, 16, QLatin1Char('0'));
        } else {
            s += c;
        }
    }
    return QLatin1Char('"') + s + QLatin1Char('"');
}

QString shownValue(const QJsonValue &v)
{
    switch (v.type()) {
        case QJsonValue::String: return quotedText(v.toString());
        case QJsonValue::Double:
            return QStringLiteral("the number ") + QString::fromLatin1(roundTripText(v.toDouble()));
        case QJsonValue::Bool: return v.toBool() ? QStringLiteral("true") : QStringLiteral("false");
        case QJsonValue::Array: return QStringLiteral("a list");
        case QJsonValue::Object: return QStringLiteral("an object");
        case QJsonValue::Null:
        case QJsonValue::Undefined: break;
    }
    return QStringLiteral("null");
}

std::optional<QString> versionRefusal(const QJsonValue &version, int newest, const QString &format)
{
    const double v = version.toDouble();
    if (!version.isDouble() || !std::isfinite(v) || v < 1 || std::floor(v) != v)
        return QStringLiteral(
                   "The field \"version\" holds %1, which is not a whole number of at least 1.")
            .arg(shownValue(version));
    if (v > newest)
        return QStringLiteral(
                   "The file is of version %1 of %2, newer than the version %3 this program reads.")
            .arg(QString::fromLatin1(roundTripText(v)), format)
            .arg(newest);
    return std::nullopt;
}
