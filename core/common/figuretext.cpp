#include "core/common/figuretext.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>

QByteArray roundTripText(double v)
{
    char buffer[32];
    const std::to_chars_result end = std::to_chars(buffer, buffer + sizeof buffer, v);
    return QByteArray(buffer, static_cast<qsizetype>(end.ptr - buffer));
}

QString decimalText(long long n, int decimals)
{
    if (n == 0)
        return QStringLiteral("0");
    const bool negative = n < 0;
    // Work on the magnitude as unsigned so that the most negative count has one too.
    unsigned long long mag =
        negative ? 0ULL - static_cast<unsigned long long>(n) : static_cast<unsigned long long>(n);
    unsigned long long scale = 1;
    for (int i = 0; i < decimals; ++i) scale *= 10;
    const unsigned long long whole = mag / scale;
    unsigned long long frac = mag % scale;
    int fracDigits = decimals;
    while (fracDigits > 0 && frac % 10 == 0) {
        frac /= 10;
        --fracDigits;
    }
    QString text;
    if (negative)
        text += QLatin1Char('-');
    text += QString::number(whole);
    if (fracDigits > 0)
        text +=
            QLatin1Char('.') + QString::number(frac).rightJustified(fracDigits, QLatin1Char('0'));
    return text;
}

long long clampedWhole(double v)
{
    constexpr double limit = 9.0e18;
    return static_cast<long long>(std::fmax(-limit, std::fmin(limit, v)));
}

namespace {

// "nan", "inf" or "-inf" before the unit.
QString nonFiniteText(double v, const QString &unit)
{
    if (std::isnan(v))
        return QStringLiteral("nan") + unit;
    return (v < 0 ? QStringLiteral("-inf") : QStringLiteral("inf")) + unit;
}

}  // namespace

QString figureText(double v)
{
    static const QString unit = QStringLiteral("dB");
    if (!std::isfinite(v))
        return nonFiniteText(v, unit);

    // nearbyint rounds half to even under the default rounding mode.
    const double hundredths = std::nearbyint(v * 100);
    long long n;
    if (hundredths >= std::numeric_limits<std::int16_t>::min() &&
        hundredths <= std::numeric_limits<std::int16_t>::max()) {
        n = static_cast<std::int16_t>(hundredths);
    } else {
        n = clampedWhole(hundredths);  // beyond the 16-bit range
    }
    return decimalText(n, 2) + unit;
}

QString dissipationFigureText(double w)
{
    static const QString unit = QStringLiteral("W");
    if (!std::isfinite(w))
        return nonFiniteText(w, unit);
    return decimalText(clampedWhole(std::trunc(w * 1000)), 3) + unit;
}
