#pragma once

#include "core/measured/impedancefile.h"
#include "core/measured/voicecoil.h"

#include <QString>

#include <complex>
#include <span>
#include <variant>
#include <vector>

// A loudspeaker load taken from a measured impedance file, usable at any frequency:
// - within the file's range, the measurement interpolated (log frequency; log magnitude, linear
//   phase); a file without phase takes the fitted model's phase at that frequency;
// - above the last point, the fitted voice-coil model times the complex factor k that makes it
//   meet the last point, with k's turn fading as f_last / f: a fixed turn would tilt the model's
//   nearly pure reactance at high frequencies into a resistance that grows with f and may turn
//   negative, while the fading one keeps the resistance the turn adds at the last point about
//   constant; never beyond +-90 degrees (a passive load);
// - below the first point, the first point.
// Everything that does not depend on the frequency is worked out when the load is made.
class MeasuredLoad
{
public:
    // data as readImpedanceData gives it (rising frequencies, at least one point); fits the model.
    explicit MeasuredLoad(ImpedanceData data, QString path = {});

    // Reads and fits the file at path, or the sentence that says why it was refused.
    static std::variant<MeasuredLoad, QString> fromFile(const QString &path);

    // The load in ohm at hz.
    std::complex<double> impedance(double hz) const;
    // The load at every frequency of hz into out (same size); fastest when hz rises, as a sweep
    // grid does. Allocates nothing.
    void impedances(std::span<const double> hz, std::span<std::complex<double>> out) const;

    const QString &path() const { return m_path; }
    QString fileName() const;
    const ImpedanceData &data() const { return m_data; }
    const VoiceCoilFit &fit() const { return m_fit; }
    // The factor k the model meets the last point with.
    std::complex<double> highFrequencyScale() const { return std::polar(m_scale, m_turn); }

private:
    // Between points i and i + 1: Z = start * exp(slope * ln(f / f_i)); slope's real part is the
    // log-log slope of |Z|, its imaginary part the phase's change (radians) per neper of frequency.
    struct Segment {
        double logHz;
        std::complex<double> start;
        std::complex<double> slope;
    };

    std::complex<double> within(std::size_t segment, double hz) const;
    std::complex<double> above(double hz) const;

    QString m_path;
    ImpedanceData m_data;
    VoiceCoilFit m_fit;
    std::vector<double> m_hz;
    std::vector<Segment> m_segments;
    std::complex<double> m_first;
    double m_lastHz = 0.0;
    double m_scale = 1.0;  // |k|
    double m_turn = 0.0;   // arg k, radians
};
