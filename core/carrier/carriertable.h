#pragma once

#include "core/carrier/carrier.h"
#include "core/network/designrecord.h"

#include <QByteArray>
#include <QList>
#include <QString>

// The carrier figures as the carrier window and `quorvel stress` show them: one row per figure,
// idle and at the load power, beside the rating of its part; with a saturating inductor, one more
// for its inductance at the peak current.

// v to three significant digits with an SI prefix before the unit: "425 mW", "1.59 A", "0 V",
// "253 uW". Non-finite values read "inf" or "nan" before the unit.
QString carrierValueText(double v, const QString &unit);

struct CarrierTableCell {
    QString text;       // the value, and the words "over the 0.25 W rating" when it is
    bool over = false;  // above the rating of its part
};

struct CarrierTableRow {
    QString figure;  // what the row shows: "Zobel resistor, carrier (each)"
    CarrierTableCell idle;
    CarrierTableCell atPower;  // empty when the table has no at-power column
    QString rating;            // "0.25 W"; empty where the row has no rating or none was given
};

struct CarrierTable {
    QString idleHeading;     // "Idle"
    QString atPowerHeading;  // "At 50 W, 1000 Hz"; empty when the note replaces the column
    QString note;            // one sentence in place of the at-power column, or empty
    QList<CarrierTableRow> rows;

    bool hasAtPower() const { return !atPowerHeading.isEmpty(); }
};

// The table of one analysis, with the ratings and the load power it was made with.
CarrierTable carrierTable(const CarrierAnalysis &a, const CarrierInputs &in, double loadPowerW);

// "50 W into this speaker would take a supply of 61.3 V."
QString supplyNeededText(double loadPowerW, double supplyNeededV);

// The table as text: a line of headings, then one line per row, columns aligned, the note on a
// line of its own after them.
QByteArray carrierTableText(const CarrierTable &t);

// The loss curve as CSV: the half bridge's ("frequency_Hz,power_W"), or in full bridge both
// modulations' ("frequency_Hz,bd_power_W,ad_power_W"), every number in the shortest text that
// reads back as the same double.
QByteArray carrierLossCsv(const CarrierLossCurve &bd, const CarrierLossCurve *ad);
