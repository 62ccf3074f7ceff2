#pragma once

#include <QString>

#include <optional>

// What a box that takes a typed number accepts: plain decimal notation (an optional sign, digits
// with at most one point, at least one digit: ".67" and "1." count; no blanks, exponents,
// hexadecimal, "inf" or "nan"), at most maxChars characters, a value from minimum to maximum.
// The same rule serves the window, the command line and the design files.
struct EntryRule {
    int maxChars = 0;
    double minimum = 0.0;
    double maximum = 0.0;
    bool emptyIsUnset = false;  // an emptied box clears an optional value
};

// What a rule makes of a text.
struct Entry {
    enum Verdict {
        Accepted,  // value holds the number
        Pending,   // not a value yet, but typing on can make one ("." or "5" on the way to "50"):
                   // the box keeps the text and the value stays as it was
        Unset,     // emptied, where the rule allows it
        Rejected,  // put the last accepted text back
    };
    Verdict verdict = Rejected;
    double value = 0.0;
};
Entry checkEntry(const EntryRule &rule, const QString &text);

// The value of a text in plain decimal notation, whatever its length and value.
std::optional<double> plainDecimal(const QString &text);

// The rule in words, for refusals: "a plain decimal number from 0 to 999 of at most 4 characters".
QString describeRule(const EntryRule &rule);

// The speaker inductance (mH) and the Power window's load power (W RMS).
inline constexpr EntryRule kSpeakerLRule{4, 0.0, 999.0};
inline constexpr EntryRule kLoadPowerRule{3, 0.0, 999.0};
