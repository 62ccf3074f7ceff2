#pragma once

#include "core/carrier/carrier.h"
#include "core/network/designrecord.h"
#include "core/network/parasitics.h"

// The filter at the load power. The inductor is taken at its peak current, where its saturation
// curve gives it the least inductance; the filter capacitor at the voltage it sees, the DC the
// topology puts on it (half the supply in half bridge, whose leg swings between 0 and the supply;
// none across a full bridge's outputs) plus the audio peak, where a ceramic's bias curve gives it
// the least capacitance. Idle, the inductor is at its full value and the capacitor at the DC.
struct OperatingPoint {
    double inductorPeakA = 0.0;  // the current the inductance is taken at
    double inductanceH = 0.0;    // one filter inductor there
    double inductanceRatio = 1.0;
    double capacitorIdleV = 0.0;  // the DC alone
    double capacitorV = 0.0;      // DC + audio peak
    double capacitanceF = 0.0;    // the filter capacitor there
    double capacitanceRatio = 1.0;
    double capacitanceIdleF = 0.0;  // at the DC alone
    // Corner frequency and Q with the Zobel network (filterResonance): unloaded and with the
    // design's speaker, idle and at the load power.
    Resonance unloadedIdle, loadedIdle, unloadedAtPower, loadedAtPower;
    // The network with the inductance and capacitance of the load power, for its curves.
    ParasiticNetwork atPower;
};

// The audio's peak current in a filter inductor at the load power, at the carrier's audio
// frequency: the speaker's voltage peak (sqrt(2 R P), R the speaker's resistance) times |Y| across
// the outputs.
double audioInductorPeakA(const DesignRecord &rec, double loadPowerW);

// The operating point with the inductor's peak current given (audio and carrier's ripple where
// the carrier is worked out, audioInductorPeakA otherwise).
OperatingPoint operatingPoint(const DesignRecord &rec, double loadPowerW, double inductorPeakA);

// The filter's losses at the load power (W), both legs together in full bridge: the inductors'
// DC resistance with their rms current (audio and carrier), the filter capacitor's ESR with its
// rms current, the Zobel resistors' power (audio and carrier). A part without the field loses
// nothing. Efficiency: the load power against itself and these losses.
struct FilterLosses {
    double inductorsW = 0.0;
    double filterCapacitorW = 0.0;
    double zobelResistorsW = 0.0;
    double totalW = 0.0;
    double efficiencyPercent = 100.0;
};
FilterLosses filterLosses(const DesignRecord &rec, const AtPowerFigures &p, double loadPowerW);
