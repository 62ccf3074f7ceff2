#include "core/common/readouttext.h"

#include "core/common/figuretext.h"

#include <cmath>

namespace {

QString digits(long long n)
{
    return QString::number(n);
}

// "." before a two-digit fraction, ".0" before a one-digit one.
QString hundredths(long long h)
{
    return (h >= 10 ? QStringLiteral(".") : QStringLiteral(".0")) + digits(h);
}

}  // namespace

QString frequencyText(double hz)
{
    if (!std::isfinite(hz))
        return QStringLiteral("0.0khz");
    long long k =
        clampedWhole(std::nearbyint(hz)) / 1000;  // integer division truncates toward zero
    long long d = clampedWhole(std::nearbyint((hz - 1000.0 * static_cast<double>(k)) / 100));
    if (d == 10) {
        k += 1;
        d = 0;
    }
    return digits(k) + QLatin1Char('.') + digits(d) + QStringLiteral("khz");
}

QString gainReadoutText(double dB)
{
    if (!std::isfinite(dB))
        return QStringLiteral("0.00dB");
    const QString sign = dB < 0 ? QStringLiteral("-") : QString();
    const double truncated = std::trunc(dB);
    const long long a = clampedWhole(std::fabs(truncated));
    const long long h = clampedWhole(std::floor(std::fabs(dB - truncated) * 100));
    return sign + digits(a) + hundredths(h) + QStringLiteral("dB");
}

QString impedanceReadoutText(double ohms)
{
    if (!std::isfinite(ohms))
        return QStringLiteral("0.00");
    const double a = std::trunc(ohms);
    const long long h = clampedWhole(std::fabs(std::floor((ohms - a) * 100)));
    return digits(clampedWhole(a)) + hundredths(h);
}

QString powerReadoutText(double watts)
{
    if (!std::isfinite(watts))
        return QStringLiteral("0.000W");
    const double a = std::trunc(watts);
    const long long h = clampedWhole(std::fabs(std::floor((watts - a) * 1000)));
    const QString point = h >= 100  ? QStringLiteral(".")
                          : h >= 10 ? QStringLiteral(".0")
                                    : QStringLiteral(".00");
    return digits(clampedWhole(a)) + point + digits(h) + QStringLiteral("W");
}
