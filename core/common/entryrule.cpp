#include "core/common/entryrule.h"

#include <cmath>

std::optional<double> plainDecimal(const QString &text)
{
    int i = 0;
    const int n = text.size();
    if (i < n && (text[i] == QLatin1Char('+') || text[i] == QLatin1Char('-')))
        ++i;
    int digits = 0;
    int points = 0;
    for (; i < n; ++i) {
        const QChar c = text[i];
        if (c >= QLatin1Char('0') && c <= QLatin1Char('9'))
            ++digits;
        else if (c == QLatin1Char('.') && points == 0)
            ++points;
        else
            return std::nullopt;
    }
    if (digits == 0)
        return std::nullopt;
    // Only ASCII digits, one point and a sign remain, which QString converts completely.
    return text.toDouble();
}

namespace {

// Whether characters typed after `text` (value v, not negative) can still give a value in range.
// With a point and d decimals, more digits only add less than 10^-d; without one, k more digits
// give n x 10^k up to (n + 1) x 10^k, and a fraction needs two characters.
bool canGrowIntoRange(const EntryRule &rule, const QString &text, double v)
{
    const int room = rule.maxChars - static_cast<int>(text.size());
    if (room <= 0 || text.startsWith(QLatin1Char('-')) || v > rule.maximum)
        return false;
    const qsizetype point = text.indexOf(QLatin1Char('.'));
    if (point >= 0) {
        const double step = std::pow(10.0, -static_cast<double>(text.size() - point - 1));
        return v + step > rule.minimum;
    }
    for (int k = room >= 2 ? 0 : 1; k <= room; ++k) {
        const double scale = std::pow(10.0, k);
        if (v * scale <= rule.maximum && (v + 1) * scale > rule.minimum)
            return true;
    }
    return false;
}

}  // namespace

Entry checkEntry(const EntryRule &rule, const QString &text)
{
    Entry e;
    if (text.isEmpty()) {
        e.verdict = rule.emptyIsUnset ? Entry::Unset : Entry::Rejected;
        return e;
    }
    if (text == QLatin1String(".")) {
        if (canGrowIntoRange(rule, text, 0.0))
            e.verdict = Entry::Pending;
        return e;
    }
    if (text.size() > rule.maxChars)
        return e;
    const std::optional<double> v = plainDecimal(text);
    if (!v)
        return e;
    if (*v >= rule.minimum && *v <= rule.maximum) {
        e.verdict = Entry::Accepted;
        e.value = *v;
    } else if (canGrowIntoRange(rule, text, *v)) {
        e.verdict = Entry::Pending;
    }
    return e;
}

QString describeRule(const EntryRule &rule)
{
    return QStringLiteral("a plain decimal number from %1 to %2 of at most %3 characters%4")
        .arg(rule.minimum)
        .arg(rule.maximum)
        .arg(rule.maxChars)
        .arg(rule.emptyIsUnset ? QStringLiteral(", or nothing") : QString());
}
