#pragma once

#include <QString>

// Texts of the cursor read-outs. All cut from the binary value, so 2.05 may read 2.04.

// Frequency in kHz rounded to one decimal: 12340 -> "12.3khz", 12850 -> "12.8khz" (ties to even),
// 999.6 -> "1.0khz".
QString frequencyText(double hz);

// Gain cut toward zero to two decimals: -3.456 -> "-3.45dB", 5 -> "5.00dB".
QString gainReadoutText(double dB);

// Impedance cut to two decimals, no unit: 1234.5678 -> "1234.56", 8.005 -> "8.00".
QString impedanceReadoutText(double ohms);

// Dissipation cut toward zero to three decimals: 0.1 -> "0.100W", 1.2345 -> "1.234W".
QString powerReadoutText(double watts);
