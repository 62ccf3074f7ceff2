#pragma once

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

// The component values and topology every calculation reads. Input fields carry the units the
// selectors store (note the microfarad and millihenry fields); derived fields are SI and are
// rewritten by the sweeps on every run.
struct DesignRecord {
    // Inputs.
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

    // Derived, SI.
    double R1 = 0.0;
    double R2 = 0.0;
    double L1 = 0.0;
    double L2 = 0.0;
    double C1 = 0.0;
    double C2 = 0.0;
    double C3 = 0.0;

    // The design the program shows once start-up has finished.
    static DesignRecord startup();
};
