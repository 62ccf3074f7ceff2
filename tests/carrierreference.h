#pragma once

// The carrier figures worked out another way than core/carrier.cpp, for tst_carrier and
// tst_carrier_spice: the legs' switching instants found by bisection (the triangle against the
// sine), each leg's Fourier coefficients integrated exactly from those instants over the common
// period (an audio period holding a whole number of carrier periods), the two output nodes solved
// as a 2x2 nodal system harmonic by harmonic, figures by Parseval. The inductor current is taken
// in the time domain: its triangle part is the leg voltage integrated piece by piece, the rest the
// fast-falling series of the output voltage over jwL. Its peaks and troughs are read off at the
// switching instants and on a grid. Also gives the state at t = 0, for starting ngspice there.

#include <algorithm>
#include <cmath>
#include <complex>
#include <numbers>
#include <vector>

namespace carrierref {

using Complex = std::complex<double>;
constexpr double kPi = std::numbers::pi;

struct Design {
    double L, Cf, Rz, Czp, Czs, Rs, Ls;  // Czp 0 = not fitted
    bool full = false, ad = false;
    double Vs = 48, fc = 384e3;
    int k = 1;       // carrier periods per audio period
    double M = 0.0;  // modulation index; 0 = idle
};

struct Figures {
    double zobelW[2] = {}, zobelTotalW[2] = {}, inductorRippleRms[2] = {}, inductorRms[2] = {},
           ripplePkPk[2] = {}, peak[2] = {}, outputVrms[2] = {}, capRms = 0, capTotalRms = 0,
           speakerVrms = 0, speakerW = 0, commonVrms = 0;
    double loadW = 0;  // the audio fundamental's real power in the speaker
};

// Node voltages and inductor currents at t = 0 (za, zb: the Zobel resistors' top ends).
struct State {
    double iLa = 0, iLb = 0, iLs = 0, voa = 0, vob = 0, vza = 0, vzb = 0;
};

struct Result {
    Figures f;
    State atZero;
    double audioHz = 0;
};

namespace detail {

// A leg's on-intervals over one common period, each around the centre of its carrier period.
struct Leg {
    std::vector<double> on, off;  // rising and falling instants
    double level = 0;             // mean voltage
};

// Carrier c(u) = 4|u|/T - 1 around each period's centre against the reference sign * M cos(w0 t).
inline Leg leg(const Design &d, double sign)
{
    const double T = 1 / d.fc, w0 = 2 * kPi * d.fc / d.k;
    Leg g;
    double onTime = 0;
    for (int p = 0; p < d.k; ++p) {
        const double tp = p * T;
        auto crossing = [&](double dir) {  // dir = -1: rising edge before the centre
            double lo = 0, hi = T / 2;
            for (int i = 0; i < 80; ++i) {
                const double u = 0.5 * (lo + hi);
                const double excess = 4 * u / T - 1 - sign * d.M * std::cos(w0 * (tp + dir * u));
                (excess < 0 ? lo : hi) = u;
            }
            return tp + dir * 0.5 * (lo + hi);
        };
        g.on.push_back(crossing(-1));
        g.off.push_back(crossing(+1));
        onTime += g.off.back() - g.on.back();
    }
    g.level = d.Vs * onTime / (d.k * T);
    return g;
}

inline Leg complement(const Leg &a, const Design &d)
{
    const double T = 1 / d.fc;
    Leg b;
    for (int p = 0; p < d.k; ++p) {
        b.on.push_back(a.off[p]);
        b.off.push_back(a.on[(p + 1) % d.k] + (p + 1 == d.k ? d.k * T : 0));
    }
    b.level = d.Vs - a.level;
    return b;
}

// (2/P) integral of the leg over the period times e^{-j h w1 t}, h = 0 .. H: the cos-phase
// amplitude of each harmonic of the period (index 0 unused).
inline std::vector<Complex> coefficients(const Leg &g, const Design &d, int H)
{
    const double P = d.k / d.fc, w1 = 2 * kPi / P;
    std::vector<Complex> c(H + 1);
    for (size_t i = 0; i < g.on.size(); ++i)
        for (const auto &[t, sign] : {std::pair{g.on[i], 1.0}, std::pair{g.off[i], -1.0}}) {
            const Complex step = std::exp(Complex(0, -w1 * t));
            Complex e = step;
            for (int h = 1; h <= H; ++h, e *= step)
                c[h] += sign * e;
        }
    for (int h = 1; h <= H; ++h)
        c[h] *= 2 * d.Vs / P / Complex(0, h * w1);
    return c;
}

// The leg's on-segments within [0, P), in order.
inline std::vector<std::pair<double, double>> segments(const Leg &g, const Design &d)
{
    const double P = d.k / d.fc;
    std::vector<std::pair<double, double>> s;
    for (size_t i = 0; i < g.on.size(); ++i)
        for (double shift : {-P, 0.0, P}) {
            const double a = std::max(0.0, g.on[i] + shift), b = std::min(P, g.off[i] + shift);
            if (b > a)
                s.push_back({a, b});
        }
    std::sort(s.begin(), s.end());
    return s;
}

// Integral of (v - mean) / L from 0 to t, t in [0, P).
inline double triangle(const std::vector<std::pair<double, double>> &on, const Leg &g,
                       const Design &d, double t)
{
    double time = 0;
    for (const auto &[a, b] : on) {
        if (a >= t)
            break;
        time += std::min(b, t) - a;
    }
    return (d.Vs * time - g.level * t) / d.L;
}

// Its mean over the period, integrated piece by piece.
inline double meanTriangle(const std::vector<std::pair<double, double>> &on, const Leg &g,
                           const Design &d)
{
    const double P = d.k / d.fc;
    double s = 0;  // integral over [0, P] of the on-time up to t
    for (const auto &[a, b] : on)
        s += 0.5 * (b - a) * (b - a) + (b - a) * (P - b);
    return (d.Vs * s / P - g.level * P / 2) / d.L;
}

}  // namespace detail

inline Result reference(const Design &d, int carrierHarmonics = 60)
{
    using namespace detail;
    const double T = 1 / d.fc, P = d.k * T, w1 = 2 * kPi / P;
    const Leg a = leg(d, 1);
    const Leg b = d.ad ? complement(a, d) : leg(d, -1);
    const int H = carrierHarmonics * d.k;
    const bool audio = d.k > 1 && d.M > 0;
    Result r;
    r.audioHz = 1 / P;
    // The output part of the inductor currents, kept per harmonic for the time domain.
    std::vector<Complex> ioA(H + 1), ioB(H + 1);
    Figures &f = r.f;
    double ms[2][2] = {}, zob[2][2] = {}, out[2] = {}, cap[2] = {}, spkV = 0, spkI = 0, cm = 0;
    struct Nodes {
        Complex voa, vob, vra, vrb, ila, ilb, is, vspk, icf;
    };
    const std::vector<Complex> ca = coefficients(a, d, H), cb = coefficients(b, d, H);
    auto solve = [&](int h) {
        const double w = h * w1;
        const Complex j(0, 1);
        const Complex Va = ca[h], Vb = d.full ? cb[h] : 0.0;
        const Complex yl = 1.0 / (j * w * d.L), zs = d.Rs + j * w * d.Ls, ycf = j * w * d.Cf;
        const Complex zpar = d.Czp > 0 ? 1.0 / (1 / d.Rz + j * w * d.Czp) : Complex(d.Rz);
        const Complex zz = zpar + 1.0 / (j * w * (d.Czs > 0 ? d.Czs : 1e-13));
        Nodes n;
        if (d.full) {
            const Complex c = ycf + 1.0 / zs, diag = yl + 1.0 / zz + c, det = diag * diag - c * c;
            n.voa = (diag * yl * Va + c * yl * Vb) / det;
            n.vob = (c * yl * Va + diag * yl * Vb) / det;
        } else {
            n.voa = yl * Va / (yl + ycf + 1.0 / zs + 1.0 / zz);
            n.vob = 0;
        }
        n.vspk = d.full ? n.voa - n.vob : n.voa;
        n.vra = n.voa * zpar / zz;
        n.vrb = n.vob * zpar / zz;
        n.ila = (Va - n.voa) * yl;
        n.ilb = (Vb - n.vob) * yl;
        n.is = n.vspk / zs;
        n.icf = ycf * n.vspk;
        return n;
    };
    for (int h = 1; h <= H; ++h) {
        const Nodes n = solve(h);
        ioA[h] = -n.voa / Complex(0, h * w1 * d.L);
        ioB[h] = -n.vob / Complex(0, h * w1 * d.L);
        const int part = audio && h == 1 ? 1 : 0;  // 1: the audio fundamental
        zob[0][part] += std::norm(n.vra) / (2 * d.Rz);
        zob[1][part] += std::norm(n.vrb) / (2 * d.Rz);
        ms[0][part] += std::norm(n.ila) / 2;
        ms[1][part] += std::norm(n.ilb) / 2;
        cap[part] += std::norm(n.icf) / 2;
        r.atZero.voa += n.voa.real();
        r.atZero.vob += n.vob.real();
        r.atZero.vza += n.vra.real();
        r.atZero.vzb += n.vrb.real();
        r.atZero.iLs += n.is.real();
        if (part) {
            f.loadW = std::norm(n.is) / 2 * d.Rs;
            continue;
        }
        out[0] += std::norm(n.voa) / 2;
        out[1] += std::norm(n.vob) / 2;
        spkV += std::norm(n.vspk) / 2;
        spkI += std::norm(n.is) / 2;
        cm += std::norm(d.full ? (n.voa + n.vob) / 2.0 : n.voa) / 2;
    }
    // Inductor current in time: the triangle of the leg voltage, less its mean over the period,
    // plus the output voltage's series.
    auto current = [&](const Leg &g, const std::vector<Complex> &io, double t) {
        const auto on = segments(g, d);
        Complex s = 0, rot = std::exp(Complex(0, w1 * t)), e = rot;
        for (int h = 1; h <= H; ++h, e *= rot)
            s += io[h] * e;
        return triangle(on, g, d, t) - meanTriangle(on, g, d) + s.real();
    };
    for (int side = 0; side < (d.full ? 2 : 1); ++side) {
        const Leg &g = side ? b : a;
        const std::vector<Complex> &io = side ? ioB : ioA;
        auto wrap = [&](double t) { return std::fmod(std::fmod(t, P) + P, P); };
        // The highest current at a falling edge; the ripple there, over the five carrier periods
        // around it: each top against the mean of the troughs either side (the rising edges of its
        // own pulse and of the next), which takes out the audio current's slope.
        double peak = -1e300;
        int at = 0;
        for (int p = 0; p < d.k; ++p) {
            const double i = current(g, io, wrap(g.off[p]));
            if (i > peak)
                peak = i, at = p;
        }
        const int reach = audio ? 2 : 0;
        auto edge = [&](const std::vector<double> &t, int p) { return wrap(t[((p % d.k) + d.k) % d.k]); };
        double top = 0, trough = 0;
        for (int j = -reach; j <= reach; ++j) {
            top += current(g, io, edge(g.off, at + j));
            trough += 0.5 * (current(g, io, edge(g.on, at + j)) + current(g, io, edge(g.on, at + j + 1)));
        }
        top /= 2 * reach + 1;
        trough /= 2 * reach + 1;
        if (!audio) {  // idle: the whole period on a grid as well
            for (int i = 0; i < 4000; ++i) {
                const double c = current(g, io, T * i / 4000);
                top = std::max(top, c);
                trough = std::min(trough, c);
            }
            peak = top;
        }
        f.peak[side] = peak;
        f.ripplePkPk[side] = top - trough;
        if (side == 0)
            r.atZero.iLa = current(g, io, 0);
        else
            r.atZero.iLb = current(g, io, 0);
    }
    for (int s = 0; s < 2; ++s) {
        f.zobelW[s] = zob[s][0];
        f.zobelTotalW[s] = zob[s][0] + zob[s][1];
        f.inductorRippleRms[s] = std::sqrt(ms[s][0]);
        f.inductorRms[s] = std::sqrt(ms[s][0] + ms[s][1]);
        f.outputVrms[s] = std::sqrt(out[s]);
    }
    f.capRms = std::sqrt(cap[0]);
    f.capTotalRms = std::sqrt(cap[0] + cap[1]);
    f.speakerVrms = std::sqrt(spkV);
    f.speakerW = spkI * d.Rs;
    f.commonVrms = std::sqrt(cm);
    if (!d.full) {
        for (double *v : {&f.zobelW[1], &f.zobelTotalW[1], &f.inductorRippleRms[1], &f.inductorRms[1],
                          &f.outputVrms[1], &f.peak[1], &f.ripplePkPk[1]})
            *v = 0;
    }
    return r;
}

}  // namespace carrierref
