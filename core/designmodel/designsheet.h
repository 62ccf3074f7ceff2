#pragma once

#include "core/designmodel/designmodel.h"

#include <QDate>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

// A design sheet: the document an engineer hands a design on with. Its text is made here, section
// by section, from plain values; the drawings each section asks for are made by the windows.

// What a sheet is made from.
struct SheetData {
    const DesignRecord &design;
    double loadPower = 50.0;
    const DesignAnalysis &analysis;
    const MeasuredLoad *measured = nullptr;      // the measured speaker, or none
    const HeldReference *reference = nullptr;    // the design held as the reference, or none
    QString version;                             // the program's
    QDate date;                                  // the day it was written
    const ToleranceResult *tolerance = nullptr;  // a batch of boards of this design, or none
};

// One section: a title, a sentence or two, a table (a list of names and values when it has no
// headings) and the drawings that follow it, by name: "schematic", "impedance", "gain",
// "gain-zobel", "power".
struct SheetSection {
    QString title;
    QString text;
    QStringList headings;
    QList<QStringList> rows;
    QStringList drawings;
};

// Each analysis adds its section by a maker of its own; a maker gives none when its analysis does
// not apply to the design (no carrier inputs, no measured speaker).
using SheetSectionMaker = std::function<std::optional<SheetSection>(const SheetData &)>;
const QList<SheetSectionMaker> &sheetSectionMakers();

// The sections of the sheet, in order, the date line last.
QList<SheetSection> sheetSections(const SheetData &d);

// The sheet as HTML: the sections in turn, each drawing an image whose source is drawingSource
// gives for its name, width x height pixels.
QString sheetHtml(const QList<SheetSection> &sections, const QMap<QString, QString> &drawingSource,
                  int drawingWidth);

// Whether a file name asks for a PDF (true) or HTML (false) sheet; none when its suffix is
// neither .pdf nor .html/.htm.
std::optional<bool> sheetIsPdf(const QString &path);

// The line that names the program, its version and the date: the one line that differs between
// two sheets of the same design.
QString sheetDateLine(const QString &version, const QDate &date);
