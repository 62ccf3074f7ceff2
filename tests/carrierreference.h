#pragma once

// The carrier figures worked out another way than core/carrier.cpp, for the carrier tests: the
// legs' switching instants found by bisection (the triangle against the sine), each leg's Fourier
// coefficients integrated exactly from those instants over the common period (an audio period
// holding a whole number of carrier periods), the two output nodes solved as a 2x2 nodal system
// harmonic by harmonic, figures by Parseval. The inductor current is taken in the time domain: its
// triangle part is the leg voltage integrated piece by piece, the rest the fast-falling series of
// the output voltage over jwL. Its peaks and troughs are read off at the switching instants. Also
// gives the state at t = 0, for starting ngspice there, the supply a load power needs
// by hand, and the comparison the tests print.

#include <QDebug>
#include <QStringList>

#include <algorithm>
#include <array>
#include <cmath>
#include <complex>
#include <vector>

namespace carrierref {

using Complex = std::complex<double>;

struct Design {
    double L, Cf, Rz, Czp, Czs, Rs, Ls;  // Czp 0 = not fitted
    bool full = false, ad = false;
    double Vs = 48, fc = 384e3, M = 0.0;  // M: modulation index; 0 = idle
    int k = 1;                            // carrier periods per audio period
};

struct Figures {
    double zobelW[2] = {}, zobelTotalW[2] = {}, inductorRippleRms[2] = {}, inductorRms[2] = {},
           ripplePkPk[2] = {}, peak[2] = {}, outputVrms[2] = {}, capRms = 0, capTotalRms = 0,
           speakerVrms = 0, speakerW = 0, commonVrms = 0,
           loadW = 0;  // the audio fundamental's real power in the speaker
};

// The figures, and the node voltages and inductor currents at t = 0 (za, zb: the Zobel resistors'
// top ends).
struct Result {
    Figures f;
    double iLa = 0, iLb = 0, iLs = 0, voa = 0, vob = 0, vza = 0, vzb = 0;
};

// A leg's on-intervals over one common period, each around the centre of its carrier period.
struct Leg {
    std::vector<double> on, off;  // rising and falling instants
};

inline Result reference(const Design &d, int carrierHarmonics = 60)
{
    const double T = 1 / d.fc, P = d.k * T, w1 = 2 * M_PI / P;
    // A leg's edges: the carrier c(u) = 4|u|/T - 1 around each period's centre against the
    // reference sign * M cos(w1 t).
    const auto leg = [&](double sign) {
        Leg g;
        for (int p = 0; p < d.k; ++p)
            for (double dir : {-1.0, 1.0}) {  // -1: the rising edge before the centre
                double lo = 0, hi = T / 2;
                for (int i = 0; i < 80; ++i) {
                    const double u = 0.5 * (lo + hi);
                    (4 * u / T - 1 < sign * d.M * std::cos(w1 * (p * T + dir * u)) ? lo : hi) = u;
                }
                (dir < 0 ? g.on : g.off).push_back(p * T + dir * 0.5 * (lo + hi));
            }
        return g;
    };
    const Leg a = leg(1), b = leg(-1);
    const int H = carrierHarmonics * d.k;
    // (2/P) integral of a leg over the period times e^{-j h w1 t}, h = 0 .. H: the cos-phase
    // amplitude of each harmonic of the period (index 0 unused).
    const auto coefficients = [&](const Leg &g) {
        std::vector<Complex> c(H + 1);
        for (size_t i = 0; i < g.on.size(); ++i)
            for (const auto &[t, sign] : {std::pair{g.on[i], 1.0}, std::pair{g.off[i], -1.0}}) {
                Complex step = std::exp(Complex(0, -w1 * t)), e = step;
                for (int h = 1; h <= H; ++h, e *= step) c[h] += sign * e;
            }
        for (int h = 1; h <= H; ++h) c[h] *= 2 * d.Vs / P / Complex(0, h * w1);
        return c;
    };
    const std::vector<Complex> ca = coefficients(a), cb = coefficients(b);
    Result r;
    Figures &f = r.f;
    // The output part of each inductor current, kept per harmonic for the time domain.
    std::vector<Complex> io[2] = {std::vector<Complex>(H + 1), std::vector<Complex>(H + 1)};
    // Mean squares (square roots taken at the end); the audio fundamental only in the totals.
    for (int h = 1; h <= H; ++h) {
        const Complex jw(0, h * w1), V[2] = {ca[h], !d.full ? 0.0 : d.ad ? -ca[h] : cb[h]};
        const Complex yl = 1.0 / (jw * d.L), zs = d.Rs + jw * d.Ls, ycf = jw * d.Cf;
        const Complex zpar = d.Czp > 0 ? 1.0 / (1 / d.Rz + jw * d.Czp) : Complex(d.Rz);
        const Complex zz = zpar + 1.0 / (jw * (d.Czs > 0 ? d.Czs : 1e-13));
        // Each output's own admittance against the coupling through Cf and speaker (to ground
        // in half bridge).
        const Complex c = ycf + 1.0 / zs, diag = yl + 1.0 / zz + c, det = diag * diag - c * c;
        const Complex vo[2] = {d.full ? (diag * V[0] + c * V[1]) * yl / det : yl * V[0] / diag,
                               d.full ? (c * V[0] + diag * V[1]) * yl / det : 0.0};
        const Complex vspk = vo[0] - vo[1], is = vspk / zs;
        const bool carrier = h > 1 || d.k == 1 || d.M == 0;  // not the audio fundamental
        for (int s = 0; s < 2; ++s) {
            const Complex vr = vo[s] * zpar / zz;
            io[s][h] = -vo[s] / Complex(0, h * w1 * d.L);
            f.zobelTotalW[s] += std::norm(vr) / (2 * d.Rz);
            f.zobelW[s] += carrier * std::norm(vr) / (2 * d.Rz);
            f.inductorRms[s] += std::norm((V[s] - vo[s]) * yl) / 2;
            f.inductorRippleRms[s] += carrier * std::norm((V[s] - vo[s]) * yl) / 2;
            f.outputVrms[s] += carrier * std::norm(vo[s]) / 2;
            (s ? r.vob : r.voa) += vo[s].real();
            (s ? r.vzb : r.vza) += vr.real();
        }
        f.capTotalRms += std::norm(ycf * vspk) / 2;
        f.capRms += carrier * std::norm(ycf * vspk) / 2;
        r.iLs += is.real();
        f.speakerVrms += carrier * std::norm(vspk) / 2;
        (carrier ? f.speakerW : f.loadW) += std::norm(is) / 2 * d.Rs;
        f.commonVrms += carrier * std::norm(d.full ? (vo[0] + vo[1]) / 2.0 : vo[0]) / 2;
    }
    for (double *v :
         {f.inductorRippleRms, f.inductorRippleRms + 1, f.inductorRms, f.inductorRms + 1,
          f.outputVrms, f.outputVrms + 1, &f.capRms, &f.capTotalRms, &f.speakerVrms, &f.commonVrms})
        *v = std::sqrt(*v);
    for (int side = 0; side < (d.full ? 2 : 1); ++side) {
        // AD's second leg is the first one's complement: its current the first one's triangle
        // negated, its tops at the first one's rising edges.
        const bool mirror = side && d.ad;
        const Leg &g = side && !d.ad ? b : a;
        const std::vector<double> &fall = mirror ? g.on : g.off, &rise = mirror ? g.off : g.on;
        // Inductor current in time: the leg voltage less its mean integrated over the on-segments
        // within [0, P), less that triangle's mean over the period, plus the output's series.
        std::vector<std::pair<double, double>> on;
        double mean = 0, level = 0;  // level: the leg's mean voltage
        for (size_t i = 0; i < g.on.size(); ++i)
            for (double dt : {-P, 0.0, P}) {  // shifted a period either way, clipped to [0, P)
                const double s = std::max(0.0, g.on[i] + dt),
                             e = std::max(s, std::min(P, g.off[i] + dt));
                on.push_back({s, e});
                mean += d.Vs * (e - s) * (P - e - s) / (2 * P * d.L);  // the triangle's mean
                level += d.Vs * (e - s) / P;
            }
        const auto current = [&](double t) {
            t = std::fmod(std::fmod(t, P) + P, P);
            double onTime = 0;
            for (const auto &[s, e] : on) onTime += std::clamp(t, s, e) - s;
            Complex sum = 0, rot = std::exp(Complex(0, w1 * t)), e = rot;
            for (int h = 1; h <= H; ++h, e *= rot) sum += io[side][h] * e;
            return (mirror ? -1 : 1) * ((d.Vs * onTime - level * t) / d.L - mean) + sum.real();
        };
        // The highest current at a falling edge; the ripple there: the top against the mean of the
        // troughs either side (the rising edges of its own pulse and of the next), which takes out
        // the audio current's slope.
        int at = 0;
        for (int p = 1; p < d.k; ++p) at = current(fall[p]) > current(fall[at]) ? p : at;
        f.peak[side] = current(fall[at]);
        f.ripplePkPk[side] = f.peak[side] - 0.5 * (current(rise[(at + d.k - mirror) % d.k]) +
                                                   current(rise[(at + 1 - mirror) % d.k]));
        (side ? r.iLb : r.iLa) = current(0);
    }
    return r;
}

// The figures in the order of the carrier table's rows, the larger leg's where there are two.
inline std::array<double, 10> tableColumn(const Figures &f)
{
    const auto top = [](const double(&v)[2]) { return std::max(v[0], v[1]); };
    return {top(f.zobelW),      top(f.zobelTotalW), top(f.ripplePkPk), top(f.inductorRippleRms),
            top(f.inductorRms), top(f.peak),        f.capTotalRms,     f.speakerVrms,
            f.speakerW,         f.commonVrms};
}

// The supply a load power needs, by hand: the speaker's real power |V|^2 Re(1/Zs)/2 with V the
// source through L into the output's load (Cf, speaker and one Zobel branch, or half of each
// side's in series across the outputs), the source being Vs/2 peak per volt of supply in half
// bridge and Vs in full bridge.
inline double supplyNeeded(const Design &d, double hz, double watts)
{
    const Complex jw(0, 2 * M_PI * hz), zs = d.Rs + jw * d.Ls;
    const Complex zz = 1.0 / (1.0 / d.Rz + jw * d.Czp) + 1.0 / (jw * d.Czs);
    const Complex zload = 1.0 / (1.0 / zs + jw * d.Cf + (d.full ? 0.5 : 1.0) / zz);
    const Complex ratio = zload / (zload + (d.full ? 2.0 : 1.0) * jw * d.L);
    return std::sqrt(2 * watts / (1.0 / zs).real()) / std::abs(ratio) * (d.full ? 1 : 2);
}

// A carrier table cell's value in SI units: "425 mW" is 0.425, "3.92 A, over the 3.5 A
// rating" 3.92.
inline double valueOf(const QString &cell)
{
    const QStringList words = cell.section(',', 0, 0).split(' ');
    const QString unit = words.value(1);
    const int p = unit.size() > 1 ? int(QString("pnumkM").indexOf(unit[0])) : -1;
    return words.value(0).toDouble() * (p < 0 ? 1.0 : std::pow(10.0, 3 * (p - 4)));
}

// One figure against its reference: within `tolerance` of it, or `floor` apart.
struct Check {
    QString name;
    double got, reference, tolerance, floor = 1e-12;
};

// A figure shown to three significant digits: 0 only for a reference below 1e-9.
inline Check shown(const QString &name, double shown, double reference, double tolerance)
{
    return {name, shown, reference, tolerance, shown == 0 ? 1e-9 : 0.0};
}

// Whether every figure agrees; prints each beside its reference.
inline bool agree(const QString &tag, const QList<Check> &checks,
                  const char *columns = "(tested, reference)")
{
    QString lines;
    for (const Check &c : checks) {
        const double diff = std::abs(c.got - c.reference);
        const bool good = std::isfinite(c.got) &&
                          (diff <= c.tolerance * std::abs(c.reference) || diff <= c.floor);
        lines += "\n  " + c.name.leftJustified(40) +
                 QString(" %1 %2").arg(c.got, 14, 'g', 8).arg(c.reference, 14, 'g', 8) +
                 (good ? "" : "  <-- differs");
    }
    qInfo().noquote() << tag << columns << lines;
    return !lines.contains("<-- differs");
}

}  // namespace carrierref
