#pragma once

#include "core/measured/impedancefile.h"

#include <complex>

// The LR-2 voice-coil model: Re in series with Le and with R2 parallel to L2 (ohm, H, ohm, H).
struct VoiceCoil {
    double Re = 0.0;
    double Le = 0.0;
    double R2 = 0.0;
    double L2 = 0.0;
};

// Z(f) = Re + j2pi f Le + (R2 || j2pi f L2), in ohm.
std::complex<double> voiceCoilImpedance(const VoiceCoil &coil, double hz);

// A voice-coil model fitted to a measured curve.
struct VoiceCoilFit {
    VoiceCoil model;               // every value finite and not below zero
    double rmsErrorPercent = 0.0;  // rms of |Z_fit - Z_file| / |Z_file| over the fitted points, %
    int firstFitted = 0;           // index of the first point fitted; the fit runs to the last
    // Above a resonance, the capacitance that stands for the motional branch's tail in the fit
    // (F), beside the model and not part of it; 0 when the curve has no peak.
    double tailFarads = 0.0;
};

// The first point the fit uses: the lowest |Z| above the resonance peak (the first of equal
// ones), or 0 when the curve has no peak. A peak is a point at least 10 % above the lowest |Z|
// after it; the last such point counts, so that a vented box's second peak is passed too. At
// least the last 8 points are fitted whenever the curve has that many.
int firstFittedPoint(const QVector<ImpedancePoint> &points);

// The estimate fitVoiceCoil() starts from, over the same points and in the same form. With a
// phase: for each branch time constant L2/R2 of a grid, 8 a decade, the model linear in Re, Le,
// R2 (and the tail's 1/C) is solved by least squares with none of them below zero, and the best
// is kept; on a curve that is the model, that leaves an rms error of a few percent at most and
// every parameter within 20 %. For the magnitude alone: the best of a few rough starts.
VoiceCoilFit voiceCoilEstimate(const ImpedanceData &data);

// Fits the model from firstFittedPoint() to the last point by nonlinear least squares on the
// complex impedance, or on the magnitude alone when the data has no phase, each residual
// relative to the measured |Z|; above a resonance, with a series capacitance for the motional
// branch's tail beside it. Never fails: a curve too short or too odd to fit gives the
// starting estimate derived from it.
VoiceCoilFit fitVoiceCoil(const ImpedanceData &data);
