#pragma once

#include <QString>

#include <array>
#include <optional>
#include <vector>

// Real parts: a value with whatever a datasheet gives of its losses, its parasitics and how it
// falls with current or voltage. A field that is not given leaves the part ideal in that respect.

// Where a part sits in the design.
enum class PartSlot { filter_l, filter_c, zobel_r, zobel_c_par, zobel_c_ser };
inline constexpr std::array<PartSlot, 5> kAllPartSlots = {PartSlot::filter_l, PartSlot::filter_c,
                                                          PartSlot::zobel_r, PartSlot::zobel_c_par,
                                                          PartSlot::zobel_c_ser};

// What a part is; every capacitor slot takes a capacitor.
enum class PartKind { inductor, capacitor, resistor };
PartKind partKind(PartSlot slot);

// Film or C0G keeps its capacitance at any voltage; a class-II ceramic follows its bias curve.
enum class Dielectric { unspecified, film, ceramic };

// A curve of the part's value against current (A) or voltage (V), as a ratio to its value at
// zero: falling, linear between points, 1 below the first point, the last point's ratio beyond
// the last.
struct DeratingPoint {
    double at = 0.0;
    double ratio = 1.0;
    bool operator==(const DeratingPoint &) const = default;
};
using DeratingCurve = std::vector<DeratingPoint>;

// The ratio a curve gives at x (x taken by its magnitude); 1 for an empty curve.
double deratingRatio(const DeratingCurve &curve, double x);

struct Part {
    PartKind kind = PartKind::inductor;
    // The value as its selector's list would write it: uH for an inductor, uF for a capacitor,
    // ohm for a resistor ("33", "2.2", "4.7").
    QString value;
    std::optional<double> tolerancePercent;
    // Inductor
    std::optional<double> dcrOhm;
    std::optional<double> srfHz;      // self-resonance, from a capacitance across the winding
    DeratingCurve saturation;         // current (A) against L / L0
    std::optional<double> ratedRmsA;  // inductor and capacitor
    // Capacitor
    std::optional<double> esrOhm;
    std::optional<double> eslH;
    Dielectric dielectric = Dielectric::unspecified;
    DeratingCurve bias;  // voltage (V) against C / C0, for a ceramic
    std::optional<double> ratedV;
    // Resistor
    std::optional<double> seriesLH;
    std::optional<double> ratedW;

    bool operator==(const Part &) const = default;

    // No field besides the value: the part behaves as an ideal one.
    bool ideal() const;
    // Whether a field that changes the network at small signal is given (DCR, SRF, ESR, ESL,
    // series inductance).
    bool hasParasitics() const;
};

// The parts attached to a design, slot by slot; an empty slot is the ideal list item.
struct BoardParts {
    std::array<std::optional<Part>, 5> items;

    const std::optional<Part> &at(PartSlot s) const { return items[std::size_t(s)]; }
    std::optional<Part> &at(PartSlot s) { return items[std::size_t(s)]; }
    bool empty() const;
    bool hasParasitics() const;
    bool operator==(const BoardParts &) const = default;
};
