#pragma once

#include <cmath>
#include <cstdint>

// The filter + Zobel + loudspeaker network at one angular frequency. Pure; defined inline so that
// a sweep calling both functions at a point shares their common terms.
//
// Inputs: w (rad/s), Rs speaker resistance, Rz Zobel resistor (ohm), Cf filter capacitor,
// Czp Zobel capacitor across Rz, Czs Zobel capacitor in series (F), Ls speaker inductance,
// L net filter inductance (H), full = topology flag (-1 full bridge, 0 half bridge).
// Gain_numerator / Gain_denominator is |Vout / Vin| of the L-section loaded by speaker, filter
// capacitor and Zobel branch (two branches in series across the speaker in full bridge).
namespace Module1 {

namespace detail {

struct Terms {
    double Nr, Ni, Mr, Mi;
};

inline Terms terms(double w, double Rs, double Rz, double Cf, double Czp, double Czs, double Ls,
                   std::int16_t full)
{
    const bool isFull = full != 0;
    const double k = isFull ? 2.0 : 1.0;
    const double A = isFull ? (w + w) * Rz * Czs + (w + w) * Rz * Czp  //
                            : Rz * w * Czp + Rz * w * Czs;
    const double B = Czs * w;
    const double C = (-(w * w)) * Rz * Czp * Czs;
    const double D = Ls * w;
    const double E = Rs;
    const double F = Cf * w * Rs;
    const double G = (-(w * w)) * Ls * Cf + 1;

    Terms t;
    t.Nr = D * k + E * A;
    t.Ni = E * k - D * A;
    t.Mr = ((E * B + D * C) + F * k) + G * A;
    t.Mi = ((E * C - D * B) + G * k) - F * A;
    return t;
}

}  // namespace detail

// |N|, the load-side term (ohm). Does not depend on L.
inline double Gain_numerator(double w, double Rs, double Rz, double Cf, double Czp, double Czs,
                             double Ls, double /*L*/, std::int16_t full)
{
    const detail::Terms t = detail::terms(w, Rs, Rz, Cf, Czp, Czs, Ls, full);
    return std::sqrt(t.Nr * t.Nr + t.Ni * t.Ni);
}

// |N + j w L M|, the source-side term (ohm).
inline double Gain_denominator(double w, double Rs, double Rz, double Cf, double Czp, double Czs,
                               double Ls, double L, std::int16_t full)
{
    const detail::Terms t = detail::terms(w, Rs, Rz, Cf, Czp, Czs, Ls, full);
    const double X1 = t.Nr + (L * w) * t.Mi;
    const double X2 = t.Ni - (t.Mr * w) * L;
    return std::sqrt(X1 * X1 + X2 * X2);
}

}  // namespace Module1
