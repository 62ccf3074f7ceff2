#pragma once

#include "core/parts/part.h"

#include <QString>
#include <cstdint>

// The sweeps are built twice on x86-64, for AVX2 and for any x86-64, and the loader picks the one
// the processor runs. The AVX2 build keeps four points in flight, and its VEX-encoded instructions
// do not pay the penalty plain SSE code pays after a library (the painting code) has left the upper
// halves of the vector registers in use. Contraction into fused multiply-adds is off for the whole
// library, so both builds give the same values bit for bit.
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__)
#define QUORVEL_SWEEP_TARGETS __attribute__((target_clones("avx2", "default")))
#else
#define QUORVEL_SWEEP_TARGETS
#endif

// 16-bit flags as the design record keeps them.
using Flag = std::int16_t;
inline constexpr Flag kFlagTrue = -1;
inline constexpr Flag kFlagFalse = 0;

// The full bridge's modulation. AD: the legs switch in anti-phase (two-level output); BD: each leg
// has its own reference, the legs switch in phase at idle (three-level output).
enum class Modulation { ad, bd };

// The switching carrier's inputs, each kept as the text last accepted and the value it stands
// for (SI units). An empty text is a value not given: the supply and the switching frequency
// start so, and so do the optional part ratings.
struct CarrierInputs {
    QString supplyText;     // V, each leg swings between 0 and this
    QString switchingText;  // kHz
    Modulation modulation = Modulation::bd;
    // Hz, the sine of the at-power figures
    QString audioText = QStringLiteral("1000");
    QString zobelRatingText;      // W, the Zobel resistor's power rating
    QString inductorRatingText;   // A, the inductor's saturation current
    QString capacitorRatingText;  // A rms, the filter capacitor's ripple-current rating
    double supplyV = 0.0;
    double switchingHz = 0.0;
    double audioHz = 1000.0;
    double zobelRatingW = 0.0;  // 0: not given
    double inductorRatingA = 0.0;
    double capacitorRatingA = 0.0;

    // Whether the carrier can be worked out: the supply and the switching frequency are given.
    bool given() const { return !supplyText.isEmpty() && !switchingText.isEmpty(); }
};

// The component values and topology every calculation reads, in the units the selectors store
// (note the microfarad and millihenry fields), with the text each selector last accepted.
struct DesignRecord {
    Flag full_bridge_select = kFlagFalse;
    std::int32_t speaker_r_modeval = 0;  // ohm
    double actual_l_net = 0.0;           // mH
    double filter_l_par_modeval = 0.0;   // H
    double filter_c_par_modeval = 0.0;   // uF
    double zobel_c_parval = 0.0;         // F, 0 = not fitted
    double zobel_c_serval = 0.0;         // F, 0 = not fitted
    double zobel_r_parval = 0.0;         // ohm

    // Last accepted text of each selector.
    QString jfilter_l;
    QString jfilter_c;
    QString jspeaker_r;
    QString jzobel_c2;
    QString jzobel_c3;
    QString jzobel_r2;
    QString speaker_l_valtxt;

    // The switching carrier's inputs, read by the carrier analysis alone.
    CarrierInputs carrier;

    // The real parts in the design's slots; an empty slot is the ideal item its selector shows.
    BoardParts parts;

    bool fullBridge() const { return full_bridge_select != kFlagFalse; }

    // The design the program shows once start-up has finished.
    static DesignRecord startup();
};

// Unit conversions of the design's inputs, in one place. Each is the arithmetic every figure has
// always been computed with, so that no figure moves by a bit.
namespace si {
// A list item in micro units ("22" uH, ".1" uF): the nearest double to its value times 1e-6.
double fromMicroText(const QString &item);
// A millihenry value in henry (the speaker inductance).
inline double fromMilli(double v)
{
    return v * 0.001;
}
// A microfarad value in farad (the filter capacitor).
inline double fromMicro(double v)
{
    return 1e-06 * v;
}
}  // namespace si

// The design in SI units as the network kernels take it. A Zobel capacitor that is not fitted
// counts as 1e-13 F, an open branch for every practical purpose, and the Zobel resistor carries a
// factor of 1.0000001.
struct NetworkValues {
    double R1 = 0.0;  // speaker resistance, ohm
    double R2 = 0.0;  // Zobel resistor, ohm
    double L1 = 0.0;  // speaker inductance, H
    double L2 = 0.0;  // net filter inductance of the loop (both legs in full bridge), H
    double C1 = 0.0;  // filter capacitor, F
    double C2 = 0.0;  // Zobel capacitor across the resistor, F
    double C3 = 0.0;  // Zobel capacitor in series, F
    Flag full_bridge_select = kFlagFalse;
};
NetworkValues networkValues(const DesignRecord &rec);

// The seven values of a design in the record's units (H, uF, F, ohm, F, ohm, mH), as doubles: a
// tolerance run moves them off the lists' values.
struct DesignValues {
    double filterL = 0.0;    // H, one leg
    double filterC = 0.0;    // uF
    double zobelCPar = 0.0;  // F, 0 = not fitted
    double zobelR = 0.0;     // ohm
    double zobelCSer = 0.0;  // F, 0 = not fitted
    double speakerR = 0.0;   // ohm
    double speakerL = 0.0;   // mH
};
DesignValues designValues(const DesignRecord &rec);
// The design with `values` in place of its own, by the same arithmetic as networkValues(rec).
NetworkValues networkValues(const DesignValues &values, Flag fullBridge);
