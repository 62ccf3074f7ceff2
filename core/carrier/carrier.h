#pragma once

#include "core/network/designrecord.h"
#include "core/parts/part.h"

#include <array>
#include <complex>
#include <functional>
#include <optional>
#include <variant>
#include <vector>

// What the switching carrier does to the output filter: the power the Zobel resistor takes, the
// inductor's ripple and peak currents, the filter capacitor's ripple current, the carrier left on
// the speaker and at the outputs, idle and at a load power. The network and the method are set
// out at the top of carrier.cpp.

// A loudspeaker's impedance (ohm) at a frequency (Hz).
using SpeakerImpedance = std::function<std::complex<double>(double hz)>;

// A speaker modelled as a resistance (ohm) in series with an inductance (H).
SpeakerImpedance speakerRL(double ohms, double henries);

// One design, SI units. A Zobel capacitor of 0 (not fitted) counts as 1e-13 F.
struct CarrierNetwork {
    double filterL = 0.0;    // H, in each leg
    double filterC = 0.0;    // F, across the output (half bridge: output to ground)
    double zobelR = 0.0;     // ohm
    double zobelCPar = 0.0;  // F across the Zobel resistor
    double zobelCSer = 0.0;  // F in series with the resistor
    bool fullBridge = false;
    SpeakerImpedance speaker;  // across the output(s); empty = no speaker
    // The filter inductor's L / L0 against its current; empty: it keeps filterL at any current.
    DeratingCurve saturation = {};
};

struct CarrierSettings {
    double supplyV = 0.0;                    // each leg switches between 0 and supplyV
    double switchingHz = 0.0;                // carrier frequency
    Modulation modulation = Modulation::bd;  // ignored in half bridge
    double audioHz = 0.0;                    // the sine for the at-power figures
    double loadPowerW = 0.0;                 // real power that sine puts into the speaker
};

// Ratings of the parts; 0 = not given, never exceeded.
struct PartRatings {
    double zobelResistorW = 0.0;       // against the Zobel resistor's power
    double inductorSaturationA = 0.0;  // against the inductor's peak current
    double filterCapRippleA = 0.0;     // A rms, against the filter capacitor's rms current
};

// Which rating a figure exceeds.
struct RatingExcess {
    bool zobelResistor = false;
    bool inductor = false;
    bool filterCapacitor = false;
};

// The carrier's own figures (DC and audio left out). [0] is leg / output A, [1] leg / output B,
// 0 in half bridge.
struct CarrierFigures {
    std::array<double, 2> zobelResistorW{};       // W in each Zobel resistor
    std::array<double, 2> inductorRipplePkPkA{};  // A peak to peak (at power: see AtPowerFigures)
    std::array<double, 2> inductorRippleRmsA{};   // A rms
    std::array<double, 2> outputVrms{};           // V rms, output to ground
    double filterCapRmsA = 0.0;                   // A rms in the filter capacitor
    double speakerVrms = 0.0;                     // V rms across the speaker
    double speakerW = 0.0;                        // W, real power into the speaker
    double commonModeVrms = 0.0;  // V rms of the outputs' mean; half bridge: the output
    // The carrier harmonics summed: what the tail after them adds to each figure is proved below
    // 0.1 % of it.
    int carrierHarmonics = 0;
};

// Why the inductance at the peak current asks for a look: the peak is past the saturation curve's
// last point (the curve says nothing there), or the inductance is below kSaturationWarnRatio of L0.
enum class SaturationWarning { none, pastCurve, deepInSaturation };
inline constexpr double kSaturationWarnRatio = 0.70;

// The filter inductor at the highest current, from its saturation curve.
struct InductorAtPeak {
    double henries = 0.0;  // L there
    double ratio = 1.0;    // L / L0
    SaturationWarning warning = SaturationWarning::none;
};

// At the load power: the carrier figures with audio and carrier together where stated.
struct AtPowerFigures {
    double modulationIndex = 0.0;  // the reference's peak against the carrier's peak, <= 1
    // Carrier only, over the whole audio period (carrier harmonics and their sidebands). The
    // ripple peak to peak is the one where the inductor's current, audio and carrier, is highest,
    // at the inductance there when the inductor saturates.
    CarrierFigures carrier;
    std::array<double, 2> zobelResistorAudioW{};  // audio only
    std::array<double, 2> zobelResistorTotalW{};  // carrier + audio
    std::array<double, 2> inductorRmsA{};         // carrier + audio
    std::array<double, 2> inductorPeakA{};        // highest current: audio + the ripple's top there
    std::optional<InductorAtPeak> inductorAtPeak;  // only for an inductor with a saturation curve
    double filterCapRmsA = 0.0;                    // carrier + audio
    RatingExcess excess;  // Zobel total power, inductor peak, filter capacitor total rms
};

// The load power needs a modulation index above 1: it would take this supply.
struct SupplyShort {
    double supplyNeededV = 0.0;
};

// No supply gives that power: the speaker takes no real power at the audio frequency, or the
// audio frequency is not above 0.
struct NotDeliverable {
};

struct CarrierAnalysis {
    CarrierFigures idle;      // 50 % duty; AD legs in anti-phase, BD legs in phase
    RatingExcess idleExcess;  // Zobel power, the ripple's top, filter capacitor rms
    std::optional<InductorAtPeak> idleInductor;  // at the ripple's top, with a saturation curve
    std::variant<AtPowerFigures, SupplyShort, NotDeliverable> atPower;
};

// Idle and at-power figures of one design.
CarrierAnalysis analyzeCarrier(const CarrierNetwork &net, const CarrierSettings &settings,
                               const PartRatings &ratings = {});

// The idle figures alone.
CarrierFigures idleCarrier(const CarrierNetwork &net, double supplyV, double switchingHz,
                           Modulation modulation);
// Of those, the power in Zobel resistor A (zobelResistorW[0]) alone, without the ripple's work.
double idleZobelResistorW(const CarrierNetwork &net, double supplyV, double switchingHz,
                          Modulation modulation);

// Idle power in Zobel resistor A against switching frequency: 200 points log-spaced from 100 kHz
// to 2 MHz. Sized once; every sweep overwrites all of it.
inline constexpr int kCarrierLossPoints = 200;
inline constexpr double kCarrierLossFromHz = 1e5;
inline constexpr double kCarrierLossToHz = 2e6;
struct CarrierLossCurve {
    std::vector<double> x = std::vector<double>(kCarrierLossPoints, 0.0);  // Hz
    std::vector<double> y = std::vector<double>(kCarrierLossPoints, 0.0);  // W
};
void sweepCarrierLoss(const CarrierNetwork &net, double supplyV, Modulation modulation,
                      CarrierLossCurve &curve);

namespace carrierdetail {

// J_0(x) .. J_N(x) into J (kMaxBesselOrder + 1 values); returns N, the last order kept: the
// orders above it hold 2 sum_{n>N} J_n^2 < kBesselEnergyLeftOut of sum_n J_n^2 = 1. x from 0 to
// pi/2 times the highest carrier harmonic summed (2000).
inline constexpr int kMaxBesselOrder = 3400;
inline constexpr double kBesselEnergyLeftOut = 1e-10;
int besselOrders(double x, double *J);

}  // namespace carrierdetail
