#pragma once

#include <QString>

// A number with an SI prefix and a unit, as a graph's engineering axis labels it:
// 10 -> "10Hz", 1000 -> "1kHz", 250000 -> "250kHz", 1e6 -> "1MHz" (unit "Hz").
QString engineeringText(double value, const QString &unit);
