#include "figuretext.h"

#include <cmath>
#include <cstdint>
#include <limits>

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

QString figureText(double v)
{
    static const QString unit = QStringLiteral("dB");
    if (std::isnan(v))
        return QStringLiteral("nan") + unit;
    if (std::isinf(v))
        return (v < 0 ? QStringLiteral("-inf") : QStringLiteral("inf")) + unit;

    // nearbyint rounds half to even under the default rounding mode.
    const double hundredths = std::nearbyint(v * 100);
    long long n;
    if (hundredths >= std::numeric_limits<std::int16_t>::min() &&
        hundredths <= std::numeric_limits<std::int16_t>::max()) {
        n = static_cast<std::int16_t>(hundredths);
    } else {
        // Beyond the 16-bit range; every double this large is already whole.
        constexpr double limit = 9.0e18;
        n = static_cast<long long>(std::fmax(-limit, std::fmin(limit, hundredths)));
    }
    return decimalText(n, 2) + unit;
}

QString dissipationFigureText(double w)
{
    static const QString unit = QStringLiteral("W");
    if (std::isnan(w))
        return QStringLiteral("nan") + unit;
    if (std::isinf(w))
        return (w < 0 ? QStringLiteral("-inf") : QStringLiteral("inf")) + unit;
    constexpr double limit = 9.0e18;
    const double milliwatts = std::trunc(w * 1000);
    return decimalText(static_cast<long long>(std::fmax(-limit, std::fmin(limit, milliwatts))), 3) +
           unit;
}
