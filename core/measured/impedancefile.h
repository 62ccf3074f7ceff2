#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVector>

#include <variant>

// One measured point of a loudspeaker's impedance.
struct ImpedancePoint {
    double hz = 0.0;       // above zero, finite
    double ohms = 0.0;     // magnitude, above zero, finite
    double degrees = 0.0;  // phase within -90 .. +90; 0 when the file has no phase column
};

// A measured impedance curve: frequencies rise strictly, at least kMinImpedancePoints points.
struct ImpedanceData {
    QVector<ImpedancePoint> points;
    bool hasPhase = false;
};

// What reading gives: the curve, or the one sentence that says why the file was refused.
using ImpedanceRead = std::variant<ImpedanceData, QString>;

inline constexpr int kMinImpedancePoints = 10;
inline constexpr qint64 kMaxImpedanceFileBytes = 10 * 1024 * 1024;

// The suffixes impedance files come with ("zma", "frd", "txt", "dat") and a file dialog's filter
// naming them. Reading goes by the content alone, whatever the suffix.
const QStringList &impedanceFileSuffixes();
QString impedanceFileFilter();

// Reads an impedance file's bytes. One point a line: frequency (Hz), magnitude (ohm) and, in
// every line or in none, phase (degrees). Fields are separated by blanks or TABs (a run counts
// as one), by a semicolon or by a comma; a comma is a decimal comma on a line that has a
// semicolon or whose fields are separated by blanks alone. Lines end in LF, CRLF or CR. A line is
// data when its first field is a number; anything else (comments starting with * ' # ; !, column
// titles, blank lines) is skipped. Equal neighbouring frequencies are merged into one point.
ImpedanceRead readImpedanceData(const QByteArray &bytes);

// Reads the file at path as readImpedanceData does; refuses a folder, a missing or unreadable
// file and one over kMaxImpedanceFileBytes without reading it all.
ImpedanceRead readImpedanceFile(const QString &path);
