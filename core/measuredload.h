#pragma once

#include "core/impedancefile.h"
#include "core/voicecoil.h"

#include <QString>

#include <complex>
#include <span>
#include <variant>
#include <vector>

// A loudspeaker load taken from a measured impedance file, usable at any frequency:
// - within the file's range, the measurement interpolated (log frequency; log magnitude, linear
//   phase); a file without phase takes the fitted model's phase at that frequency;
// - above the last point, the fitted voice-coil model times the complex factor that makes it
//   meet the last point;
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
    // The factor the model is multiplied by above the last point.
    std::complex<double> highFrequencyScale() const { return m_scale; }

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
    std::complex<double> m_scale = 1.0;
};
