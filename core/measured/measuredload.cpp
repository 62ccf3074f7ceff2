#include "core/measured/measuredload.h"

#include <QFileInfo>

#include <algorithm>
#include <cmath>

namespace {

constexpr double kRadiansPerDegree = 3.141592653589793 / 180;

// e^{j arg z}, or 1 where z has no direction.
std::complex<double> phasor(std::complex<double> z)
{
    const double m = std::abs(z);
    return m > 0 && std::isfinite(m) ? z / m : 1.0;
}

}  // namespace

MeasuredLoad::MeasuredLoad(ImpedanceData data, QString path)
    : m_path(std::move(path)), m_data(std::move(data)), m_fit(fitVoiceCoil(m_data))
{
    const QVector<ImpedancePoint> &pts = m_data.points;
    if (pts.isEmpty())
        return;
    const bool phase = m_data.hasPhase;
    const auto measured = [&](const ImpedancePoint &p) -> std::complex<double> {
        return phase ? std::polar(p.ohms, p.degrees * kRadiansPerDegree)
                     : std::complex<double>(p.ohms, 0);
    };
    m_hz.reserve(std::size_t(pts.size()));
    m_segments.reserve(std::size_t(pts.size()));
    for (qsizetype i = 0; i < pts.size(); ++i) {
        m_hz.push_back(pts[i].hz);
        const double logHz = std::log(pts[i].hz);
        std::complex<double> slope = 0;
        if (i + 1 < pts.size()) {
            const double span = std::log(pts[i + 1].hz) - logHz;
            const double magnitude = std::log(pts[i + 1].ohms / pts[i].ohms) / span;
            const double turn = (pts[i + 1].degrees - pts[i].degrees) * kRadiansPerDegree / span;
            slope = {std::isfinite(magnitude) ? magnitude : 0.0,
                     phase && std::isfinite(turn) ? turn : 0.0};
        }
        m_segments.push_back({logHz, measured(pts[i]), slope});
    }
    const double firstHz = pts.first().hz, lastHz = pts.last().hz;
    m_first = phase ? measured(pts.first())
                    : pts.first().ohms * phasor(voiceCoilImpedance(m_fit.model, firstHz));
    const std::complex<double> modelLast = voiceCoilImpedance(m_fit.model, lastHz);
    const std::complex<double> last =
        phase ? measured(pts.last()) : pts.last().ohms * phasor(modelLast);
    const std::complex<double> scale = last / modelLast;
    m_lastHz = lastHz;
    if (std::isfinite(scale.real()) && std::isfinite(scale.imag()) && scale != 0.0) {
        m_scale = std::abs(scale);
        m_turn = std::arg(scale);
    }
}

std::variant<MeasuredLoad, QString> MeasuredLoad::fromFile(const QString &path)
{
    ImpedanceRead read = readImpedanceFile(path);
    if (QString *refusal = std::get_if<QString>(&read))
        return *refusal;
    return MeasuredLoad(std::get<ImpedanceData>(std::move(read)), path);
}

QString MeasuredLoad::fileName() const
{
    return QFileInfo(m_path).fileName();
}

std::complex<double> MeasuredLoad::within(std::size_t i, double hz) const
{
    const Segment &s = m_segments[i];
    const std::complex<double> z = s.start * std::exp(s.slope * (std::log(hz) - s.logHz));
    return m_data.hasPhase ? z : z * phasor(voiceCoilImpedance(m_fit.model, hz));
}

std::complex<double> MeasuredLoad::above(double hz) const
{
    const std::complex<double> z =
        m_scale * voiceCoilImpedance(m_fit.model, hz) * std::polar(1.0, m_turn * (m_lastHz / hz));
    if (z.real() >= 0)
        return z;
    return {0.0, std::copysign(std::abs(z), z.imag())};
}

std::complex<double> MeasuredLoad::impedance(double hz) const
{
    if (m_hz.empty())
        return 0.0;
    if (!(hz > m_hz.front()))  // a frequency that is not a number too
        return m_first;
    if (hz >= m_hz.back())
        return above(hz);
    const auto next = std::upper_bound(m_hz.begin(), m_hz.end(), hz);
    return within(std::size_t(next - m_hz.begin()) - 1, hz);
}

void MeasuredLoad::impedances(std::span<const double> hz, std::span<std::complex<double>> out) const
{
    const std::size_t n = std::min(hz.size(), out.size());
    if (m_hz.size() < 2) {
        for (std::size_t k = 0; k < n; ++k) out[k] = impedance(hz[k]);
        return;
    }
    std::size_t i = 0;  // the segment the previous frequency fell in
    const double first = m_hz.front(), last = m_hz.back();
    for (std::size_t k = 0; k < n; ++k) {
        const double f = hz[k];
        if (!(f > first)) {
            out[k] = m_first;
        } else if (f >= last) {
            out[k] = above(f);
        } else {
            if (f < m_hz[i] || f >= m_hz[i + 1]) {
                if (f >= m_hz[i + 1] && f < m_hz[i + 2])  // i + 2 exists: f < last
                    ++i;
                else
                    i = std::size_t(std::upper_bound(m_hz.begin(), m_hz.end(), f) - m_hz.begin()) -
                        1;
            }
            out[k] = within(i, f);
        }
    }
}
