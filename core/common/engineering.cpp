#include "core/common/engineering.h"

#include <cmath>

QString engineeringText(double value, const QString &unit)
{
    static const char *const prefixes[] = {"p", "n", "u", "m", "", "k", "M", "G", "T"};
    constexpr int unity = 4;  // index of ""
    if (value == 0.0 || !std::isfinite(value))
        return QString::number(value) + unit;
    // Round to three significant digits first, so that 999.9 becomes "1k" and not "1e+03".
    const double rounded = QString::number(value, 'g', 3).toDouble();
    int group = static_cast<int>(std::floor(std::log10(std::fabs(rounded)) / 3.0));
    group = std::max(-unity, std::min(group, 4));
    const double mantissa = rounded / std::pow(1000.0, group);
    return QString::number(mantissa, 'g', 3) + QLatin1String(prefixes[group + unity]) + unit;
}
