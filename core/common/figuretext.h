#pragma once

#include <QByteArray>
#include <QString>

// The text of a gain figure: v rounded to hundredths (ties to even), in its shortest plain decimal
// form, followed by "dB" ("3.73dB", "0.5dB", "0dB", "-42.55dB").
//
// Values within +-327.67 dB pass through a 16-bit count of hundredths, as the figure boxes always
// have; larger finite values keep their full count instead of wrapping, so the text stays correct
// for any finite value. Non-finite values read "inf", "-inf" or "nan" before the unit.
QString figureText(double v);

// Shortest plain decimal text of n / 10^decimals for a whole count n: no exponent, no trailing
// zeros, a leading zero before the point, "-" only when the value is below zero.
QString decimalText(long long n, int decimals);

// The shortest text that reads back as the same double ("0.1", "1e-07", "20000"), whatever the
// locale: for files other programs read.
QByteArray roundTripText(double v);

// A whole-valued double as an integer, clamped to +-9e18 so that the conversion cannot overflow.
long long clampedWhole(double v);

// The text of the 7 kHz dissipation figure: w cut toward zero to thousandths, in its shortest
// plain decimal form, followed by "W" ("0.046W", "37.589W", "0W"). Correct for any finite w; the
// count of milliwatts is not limited to 16 bits.
QString dissipationFigureText(double w);
