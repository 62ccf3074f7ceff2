// The switching carrier in the output filter, summed harmonic by harmonic.
//
// Network, at one angular frequency w (phasors of amplitude, not rms):
//   Y_L = 1/(jwL)   Z_p = Rz/(1 + jw Rz Czp)   Z_z = Z_p + 1/(jw Czs)   Y_z = 1/Z_z
//   Y_f = jw Cf     Y_s = 1/Z_s(f)             (a Zobel capacitor of 0 counts as 1e-13 F)
// Half bridge, leg V (the DC-blocking capacitor is a short at these frequencies):
//   V_o = h V,   h = 1/(1 + jwL (Y_z + Y_f + Y_s))
// Full bridge, legs V_a, V_b, an L in each. Cf and the speaker sit across the outputs, so the
// common part V_c = (V_a + V_b)/2 meets only L and the Zobel branch, and the difference
// V_d = V_a - V_b sees each side's L and Zobel branch with twice Cf and twice the speaker:
//   V_oc = h_c V_c,   h_c = 1/(1 + jwL Y_z)
//   V_od = h_d V_d,   h_d = 1/(1 + jwL (Y_z + 2 Y_f + 2 Y_s))
//   V_oa = V_oc + V_od/2,   V_ob = V_oc - V_od/2
// Each output: inductor current (V_leg - V_o) Y_L; Zobel current I_z = Y_z V_o, its resistor's
// power |I_z|^2 Re(Z_p)/2 (Czp takes none; no division by Rz, so Rz = 0 gives 0). Filter capacitor
// current Y_f V_o (half) or Y_f V_od (full); speaker voltage V_o or V_od and power
// |V|^2 Re(Y_s)/2; common mode V_oc (half bridge: V_o).
//
// The leg, 0..Vs, naturally sampled PWM against a triangular carrier x = w_c t with the reference
// M cos y, y = w_0 t: the leg is on while |x| < (pi/2)(1 + M cos y), x taken within -pi..pi. Its
// double Fourier series, a_m = 2 Vs/(pi m):
//   v = Vs/2 + (Vs/2) M cos y
//       + sum_{m>=1} sum_n a_m J_n(m pi M/2) sin((m + n) pi/2) cos(m x + n y)
// AD: leg B is leg A's complement, v_b = Vs - v_a (the common mode holds no carrier). BD: leg B's
// reference is -M cos y on the same carrier, (-1)^n times leg A's (m, n) term. Idle is M = 0: odd
// harmonics a_m, legs in phase (BD) or in anti-phase (AD). DC is left out of every figure.
// Each (m, n) term is taken as a sine of its own frequency |m w_c + n w_0| (a term at 0 Hz is DC),
// so mean squares add: a figure is sum |X|^2/2 over the terms. Terms of different carrier
// harmonics share a frequency only far out in J_n when the carrier is well above the audio.
//
// Sidebands of harmonic m: n up to N where the Bessel energy left out, 2 sum_{n>N} J_n^2, is below
// 1e-10 of sum_n J_n^2 = 1. Harmonics: each drives one part of the source only, the common part
// V_c (half bridge: the leg; BD: odd m, even n) or the difference V_d (AD; BD: even m, odd n), so
// harmonic m adds sum_n |T|^2 |V_n|^2 / 2 <= g S_m to a figure's mean square, g being the largest
// |T|^2 over its sidebands and, with a_m = 2 Vs/(pi m) = a_1/m,
//   common part:   S_m = a_m^2 / 2
//   difference:    S_m = 2 a_m^2 (AD),   2 min(a_m^2, Vs^2 M^2 / 2) (BD: sum_{n odd} J_n^2 <=
//   x^2/2)
// Above the last harmonic summed the network is past its resonances: each gain keeps falling, from
// the last harmonic k that drove its part, at least as 1/m^2 if it fell so over the step before,
// else at least as 1/m (a gain nearing its 1/m^2 asymptote from below). With K the last harmonic
// summed, sum_{m>K} 1/m^4 < 1/(3 K^3), sum_{m>K} 1/m^3 < 1/(2 K^2), sum_{m>K} 1/m^2 < 1/K, the rest
// of a part is at most
//   1/m^2:  2 S g k^2 a_1^2 / (3 K^3)   (BD's difference also: g k^2 Vs^2 M^2 / K)
//   1/m:    2 S g k a_1^2 / (2 K^2)      (2 S = 1 for the common part, 4 for the difference)
// Summing stops once every gain of each part fell at least as 1/m over its last step and the
// bound is below 1e-3 of every figure's sum so far: the tail moves no mean square by more than
// 0.1 %.
//
// Ripple: leg A's inductor current with the duties frozen over a carrier period (leg B's is its
// mirror image, the network being the same on both sides). With c_m = V_om Y_L and g the leg
// voltage less its mean, integrated ((1 - d) x while on, d (pi - |x|) sgn x while off):
//   i(x) = Vs/(w_c L) g(x) - sum_m Re(c_m e^{jmx})
// The series falls as 1/m^3: each term is at most a_m |Y_L| (|h_c| + |h_d|), the rest below that
// bound times M, and summing stops once it is below 1e-3 of the ripple. While the output's own
// ripple (sum |V_om| and its tail) stays between the leg's two levels, the current rises while the
// leg is on and falls while it is off, so its extremes are the switching instants x = -+pi d.
// Otherwise (a resonance near or above the carrier, a leg its output follows) they are sought on
// 128 points a period, refined by parabolas. Idle: d = 1/2.
//
// At power, the pulse centred at audio phase y has leg A's duty d = (1 + M cos y)/2; the current's
// top is at its off edge, half a pulse later, where the audio current Re(I e^{jy'}) has reached
// y' = y + pi d w_0/w_c. The peak current is the highest of the audio at y' plus the carrier's top
// at d, over y (near the shape 1 - M^2 cos^2 y = 4d(1 - d) scaled to the exact top, then a
// golden-section search on the exact sum), the ripple figure the one at that instant. The frozen
// duty is off by about pi M f_audio/f_carrier, natural sampling moving each edge on its own.
//
// A saturating inductor, L(i) = L0 r(|i|) with r the part's curve: over a carrier period the
// winding's voltage, hence its flux F(i) = L0 integral_0^i r(|x|) dx, swings as it does for L0
// alone (the output's voltage barely moves), by L0 times the ripple peak to peak. The flux moves
// linearly in time on each edge, so the period's mean current is the flux-weighted mean of i over
// the swing, (G(b) - G(a)) / (F(b) - F(a)) with G(i) = L0 integral_0^i x r(|x|) dx; it stays the
// audio current. That fixes the trough a and the top b: b - a is the ripple there, b the current's
// top. F and G are quadratic and cubic on each piece of the curve; Newton's step on a is exact
// for a flat curve. The audio current itself keeps L0 (its own drop across L is small).
//
// Load power: the audio reaching the speaker is h(w_0) Vs M/2 (half) or h_d(w_0) Vs M (full); its
// real power |V|^2 Re(Y_s)/2 fixes M, and M > 1 asks for the supply Vs M.
#include "core/carrier/carrier.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

using Complex = std::complex<double>;
constexpr double kPi = std::numbers::pi;
constexpr double kTailTolerance = 1e-3;
constexpr int kMaxHarmonics = 2000;

double orTiny(double c)
{
    return c == 0.0 ? 1e-13 : c;
}

// 1/z without the library's care for infinities, which costs more than the rest of a term.
Complex inverse(Complex z)
{
    const double d = z.real() * z.real() + z.imag() * z.imag();
    return {z.real() / d, -z.imag() / d};
}

double norm2(Complex z)
{
    return z.real() * z.real() + z.imag() * z.imag();
}

struct Network {
    double L, Cf, Rz, Czp, Czs;
    bool full;
    const SpeakerImpedance *speaker;

    explicit Network(const CarrierNetwork &n)
        : L(n.filterL),
          Cf(n.filterC),
          Rz(n.zobelR),
          Czp(orTiny(n.zobelCPar)),
          Czs(orTiny(n.zobelCSer)),
          full(n.fullBridge),
          speaker(n.speaker ? &n.speaker : nullptr)
    {
    }
};

// The network at one angular frequency (w > 0).
struct Response {
    Complex hc;        // output per unit common part (half bridge: per unit leg voltage)
    Complex hd;        // differential output per unit difference (half bridge: = hc)
    Complex yl;        // inductor admittance
    Complex yf;        // filter capacitor admittance
    double zobelGain;  // resistor power per unit |V_o|^2 / 2
    double speakerG;   // Re(Y_s)
};

Response respond(const Network &n, double w)
{
    Response r;
    Complex ys = 0.0;
    if (n.speaker) {
        const Complex zs = (*n.speaker)(w / (2 * kPi));
        if (zs != 0.0)
            ys = inverse(zs);
    }
    const double t = w * n.Rz * n.Czp;
    const Complex zp(n.Rz / (1 + t * t), -n.Rz * t / (1 + t * t));
    const Complex yz = inverse(zp - Complex(0, 1 / (w * n.Czs)));
    const double x = w * n.L;
    const Complex yf(0, w * n.Cf);
    const Complex jx(0, x);
    r.hc = inverse(1.0 + jx * (n.full ? yz : yz + yf + ys));
    r.hd = n.full ? inverse(1.0 + jx * (yz + 2.0 * (yf + ys))) : r.hc;
    r.yl = Complex(0, -1 / x);
    r.yf = yf;
    r.zobelGain = norm2(yz) * zp.real();
    r.speakerG = ys.real();
    return r;
}

// Mean squares (and powers) of the figures, summed over terms.
enum Figure {
    zobelA,
    zobelB,
    inductorA,
    inductorB,
    capacitor,
    speakerV,
    speakerW,
    outputA,
    outputB,
    commonMode,
    kFigures
};
// The gains the tail bound needs, per kind of figure (A and B share theirs).
enum Kind { kZobel, kInductor, kCapacitor, kSpeakerV, kSpeakerW, kOutput, kCommon, kKinds };

struct Sums {
    double s[kFigures] = {};
    int harmonics = 0;  // the carrier harmonics summed
};

// Adds one term with leg amplitudes (real, cos phase) a and b; b is ignored in half bridge.
// g[k][0], g[k][1] take the largest |T_c|^2, |T_d|^2 seen.
void addTerm(const Network &n, const Response &r, double a, double b, Sums &sum, double (*g)[2])
{
    double *s = sum.s;
    if (!n.full) {
        const Complex vo = r.hc * a;
        const double v2 = norm2(vo);
        s[zobelA] += 0.5 * v2 * r.zobelGain;
        s[inductorA] += 0.5 * norm2((a - vo) * r.yl);
        s[capacitor] += 0.5 * v2 * norm2(r.yf);
        s[speakerV] += 0.5 * v2;
        s[speakerW] += 0.5 * v2 * r.speakerG;
        s[outputA] += 0.5 * v2;
        s[commonMode] += 0.5 * v2;
        if (g) {
            const double h2 = norm2(r.hc);
            const double gc[kKinds] = {h2 * r.zobelGain,
                                       norm2((1.0 - r.hc) * r.yl),
                                       h2 * norm2(r.yf),
                                       h2,
                                       h2 * std::abs(r.speakerG),
                                       h2,
                                       h2};
            for (int k = 0; k < kKinds; ++k) g[k][0] = std::max(g[k][0], gc[k]);
        }
        return;
    }
    const double vc = 0.5 * (a + b);
    const double vd = a - b;
    const Complex voc = r.hc * vc;
    const Complex vod = r.hd * vd;
    const Complex voa = voc + 0.5 * vod;
    const Complex vob = voc - 0.5 * vod;
    const double va2 = norm2(voa), vb2 = norm2(vob), vd2 = norm2(vod);
    s[zobelA] += 0.5 * va2 * r.zobelGain;
    s[zobelB] += 0.5 * vb2 * r.zobelGain;
    s[inductorA] += 0.5 * norm2((a - voa) * r.yl);
    s[inductorB] += 0.5 * norm2((b - vob) * r.yl);
    s[capacitor] += 0.5 * vd2 * norm2(r.yf);
    s[speakerV] += 0.5 * vd2;
    s[speakerW] += 0.5 * vd2 * r.speakerG;
    s[outputA] += 0.5 * va2;
    s[outputB] += 0.5 * vb2;
    s[commonMode] += 0.5 * norm2(voc);
    if (g) {
        const double c2 = norm2(r.hc), d2 = norm2(r.hd);
        const double gc[kKinds] = {c2 * r.zobelGain, norm2((1.0 - r.hc) * r.yl), 0, 0, 0, c2, c2};
        const double gd[kKinds] = {0.25 * d2 * r.zobelGain,
                                   0.25 * norm2((1.0 - r.hd) * r.yl),
                                   d2 * norm2(r.yf),
                                   d2,
                                   d2 * std::abs(r.speakerG),
                                   0.25 * d2,
                                   0};
        for (int k = 0; k < kKinds; ++k) {
            g[k][0] = std::max(g[k][0], gc[k]);
            g[k][1] = std::max(g[k][1], gd[k]);
        }
    }
}

constexpr Kind kKindOf[kFigures] = {kZobel,    kZobel,    kInductor, kInductor, kCapacitor,
                                    kSpeakerV, kSpeakerW, kOutput,   kOutput,   kCommon};

// Sign of sin(k pi / 2).
int sinQuarter(int k)
{
    static constexpr int s[4] = {0, 1, 0, -1};
    return s[((k % 4) + 4) % 4];
}

// The carrier terms (m >= 1) of both legs at modulation index M, summed until the tail bound.
Sums carrierSums(const Network &n, double Vs, double wc, double w0, double M, Modulation mode)
{
    Sums sum;
    double J[carrierdetail::kMaxBesselOrder + 1];
    // The part of the source a harmonic drives: 0 the common part (half bridge: the leg), 1 the
    // difference. AD drives only the difference; BD's odd harmonics are all common (even n) and
    // its even ones all difference (odd n). Per part, the gains of the last harmonic that drove it
    // and how they fell from the one before: as 1/m^2 (steep) or at least as 1/m.
    struct Part {
        double g[kKinds] = {};
        bool steep[kKinds] = {};
        int m = 0;
        bool fell = false;
    } parts[2];
    const bool bd = n.full && mode == Modulation::bd;
    const bool active[2] = {!n.full || bd, n.full && (!bd || M > 0)};
    const double A2 = (2 * Vs / kPi) * (2 * Vs / kPi);  // a_m^2 m^2
    for (int m = 1; m <= kMaxHarmonics; ++m) {
        const double am = 2 * Vs / (kPi * m);
        const int N = carrierdetail::besselOrders(m * kPi * M / 2, J);
        double g[kKinds][2] = {};
        bool evaluated = false;
        for (int k = -N; k <= N; ++k) {
            const int s = sinQuarter(m + k);
            if (s == 0)
                continue;
            const double w = std::abs(m * wc + k * w0);
            if (w == 0.0)
                continue;
            const int order = k < 0 ? -k : k;
            const double jn = (k < 0 && order % 2) ? -J[order] : J[order];
            const double a = am * jn * s;
            const double b = mode == Modulation::ad ? -a : (order % 2 ? -a : a);
            addTerm(n, respond(n, w), a, b, sum, g);
            evaluated = true;
        }
        if (!evaluated)
            continue;
        const int p = !n.full ? 0 : (bd && m % 2 ? 0 : 1);
        Part &part = parts[p];
        part.fell = part.m > 0;
        for (int k = 0; k < kKinds; ++k) {
            const double was = part.g[k] * part.m, is = g[k][p] * m;
            part.steep[k] = is * m <= was * part.m;
            part.fell = part.fell && is <= was;
            part.g[k] = g[k][p];
        }
        part.m = m;
        sum.harmonics = m;
        // The rest, bounded from each part's last gains (see the top of the file).
        bool done = (!active[0] || parts[0].fell) && (!active[1] || parts[1].fell);
        for (int f = 0; f < kFigures && done; ++f) {
            if (!n.full && (f == zobelB || f == inductorB || f == outputB))
                continue;
            const int k = kKindOf[f];
            double bound = 0.0;
            for (int q = 0; q < 2; ++q) {
                if (!active[q])
                    continue;
                const Part &r = parts[q];
                const double share = q == 0 ? 0.5 : 2.0;
                double rest = r.steep[k] ? share * r.g[k] * r.m * r.m * A2 / (3.0 * m * m * m)
                                         : share * r.g[k] * r.m * A2 / (2.0 * m * m);
                if (q == 1 && bd && r.steep[k])
                    rest = std::min(rest, r.g[k] * r.m * r.m * Vs * Vs * M * M / m);
                bound += rest;
            }
            done = bound <= kTailTolerance * sum.s[f];
        }
        if (done)
            break;
    }
    return sum;
}

// Leg A's inductor current with the duties frozen: leg A at dA centred at 0; leg B in full bridge
// at 1 - dA, centred at 0 (BD) or pi (AD, leg A's complement). Leg B's current is leg A's mirror
// image (the network is the same on both sides), so leg A stands for both.
struct Ripple {
    double pp = 0.0;   // A peak to peak
    double top = 0.0;  // A, highest value above the current's mean
};

constexpr int kMaxRippleHarmonics = 512;

// The ripple of a current over a carrier period from its values at the switching instants and
// on a grid of 128 points, each smooth extreme between grid points from the parabola through three.
template <class Current>
Ripple extremesOnGrid(const Current &current, double atOn, double atOff)
{
    constexpr int kGrid = 128;
    double v[kGrid];
    for (int i = 0; i < kGrid; ++i) v[i] = current(-kPi + 2 * kPi * i / kGrid);
    double hi = std::max(atOn, atOff), lo = std::min(atOn, atOff);
    for (int i = 0; i < kGrid; ++i) {
        const double l = v[(i + kGrid - 1) % kGrid], here = v[i], rr = v[(i + 1) % kGrid];
        const double curve = l - 2 * here + rr;
        const double vertex = curve != 0.0 ? here - (rr - l) * (rr - l) / (8 * curve) : here;
        if (here >= l && here >= rr)
            hi = std::max(hi, std::max(here, vertex));
        if (here <= l && here <= rr)
            lo = std::min(lo, std::min(here, vertex));
    }
    return {hi - lo, hi};
}

// `known`, when given, keeps the network at each harmonic m wc worked out, at [m - 1], for the
// next duty.
Ripple frozenRipple(const Network &n, double Vs, double wc, double dA, Modulation mode,
                    std::vector<Response> *known = nullptr)
{
    // i(x) = Vs/(wc L) g(x) - sum_m Re(c_m e^{jmx}), c_m = V_om Y_L: g is the leg voltage less its
    // mean, integrated: (1 - d) x while on (|x| <= pi d), d (pi - |x|) sgn x while off.
    const double slope = Vs / (wc * n.L);
    const double dB = 1 - dA;
    // Written for m = 1..last before they are read, so left uninitialised (no 8 kB clear per call).
    double cRe[kMaxRippleHarmonics + 1], cIm[kMaxRippleHarmonics + 1];
    auto triangle = [&](double x) {
        const double ax = std::abs(x);
        const double g = ax <= kPi * dA ? (1 - dA) * ax : dA * (kPi - ax);
        return slope * (x < 0 ? -g : g);
    };
    auto current = [&](double x, int last) {
        double s = 0.0;
        const Complex step(std::cos(x), std::sin(x));
        Complex e = step;
        for (int m = 1; m <= last; ++m, e *= step) s += cRe[m] * e.real() - cIm[m] * e.imag();
        return triangle(x) - s;
    };
    // The harmonics, until what is left out is small against the ripple: each term is at most
    // a_m |Y_L| (|h_c| + |h_d|), falling as 1/m^2 or faster, so the rest is below `bound`, that
    // times m.
    double railMargin = 0.0;  // sum |V_om| and its tail: the output's own ripple at most
    double previous = 0.0, bound = 0.0, tail = 0.0;
    int last = 0;
    double target = slope * 2 * kPi * dA * dB;  // the triangle alone, to begin with
    bool grid = false;
    Ripple r;
    for (;;) {
        while (last < kMaxRippleHarmonics) {
            const int m = ++last;
            const double am = 2 * Vs / (kPi * m);
            const double sa = std::sin(m * kPi * dA);
            if (known && int(known->size()) < m)
                known->push_back(respond(n, m * wc));
            const Response resp = known ? (*known)[m - 1] : respond(n, m * wc);
            const double a = am * sa;
            // Leg B's coefficient of cos(m x): AD -a; BD its own pulse centred at 0.
            const double b =
                n.full ? (mode == Modulation::ad ? -a : am * std::sin(m * kPi * dB)) : 0.0;
            const Complex vo =
                n.full ? resp.hc * (0.5 * (a + b)) + 0.5 * (resp.hd * (a - b)) : resp.hc * a;
            const Complex cm = vo * resp.yl;
            cRe[m] = cm.real();
            cIm[m] = cm.imag();
            railMargin += std::abs(vo);
            const double gain = std::abs(resp.hc) + (n.full ? std::abs(resp.hd) : 0.0);
            bound = am * std::abs(resp.yl.imag()) * gain * m;
            tail = 0.5 * am * gain * m;  // of sum |V_om|: a_m gain falls as 1/m^3 or faster
            const bool falling = m > 1 && bound <= previous * 1.0000001;
            previous = bound;
            if (falling && bound <= kTailTolerance * target)
                break;
        }
        // The inductor current rises while its leg is on and falls while it is off when the
        // output's ripple stays between the leg's two levels; its extremes are then the switching
        // instants. Otherwise (a resonance near or above the carrier, a leg its output follows)
        // they are sought on a grid as well.
        const double atOn = current(-kPi * dA, last), atOff = current(kPi * dA, last);
        grid = grid || railMargin + tail >= Vs * std::min(dA, dB);
        if (!grid) {
            r.pp = atOff - atOn;
            r.top = atOff;
        } else {
            r = extremesOnGrid([&](double x) { return current(x, last); }, atOn, atOff);
        }
        // Summed against the triangle; if the ripple came out smaller, on against the ripple.
        if (bound <= kTailTolerance * r.pp || last >= kMaxRippleHarmonics)
            break;
        target = r.pp;
    }
    return r;
}

// A saturating inductor's flux and flux-weighted current per L0, F(i)/L0 and G(i)/L0, on the
// pieces of its curve (r = 1 up to the first point, linear between points, flat past the last).
class FluxCurve
{
public:
    explicit FluxCurve(const DeratingCurve &curve)
    {
        Piece p{0.0, 1.0, 0.0, 0.0, 0.0};
        for (const DeratingPoint &q : curve) {
            const double u = q.at - p.from;
            if (&q != &curve.front())  // r steps from 1 at the first point
                p.slope = (q.ratio - p.ratio) / u;
            m_pieces.push_back(p);
            p = {q.at, q.ratio, 0.0, p.flux + flux(p, u), p.moment + moment(p, u)};
        }
        m_pieces.push_back(p);  // flat past the last point
    }

    double ratio(double i) const
    {
        const Piece &p = pieceAt(std::abs(i));
        return p.ratio + p.slope * (std::abs(i) - p.from);
    }
    double flux(double i) const  // odd in i
    {
        const Piece &p = pieceAt(std::abs(i));
        return std::copysign(p.flux + flux(p, std::abs(i) - p.from), i);
    }
    double moment(double i) const  // even in i
    {
        const Piece &p = pieceAt(std::abs(i));
        return p.moment + moment(p, std::abs(i) - p.from);
    }
    double current(double f) const  // the inverse of flux()
    {
        const double af = std::abs(f);
        std::size_t k = 1;
        while (k < m_pieces.size() && m_pieces[k].flux <= af) ++k;
        const Piece &p = m_pieces[k - 1];
        const double df = af - p.flux;  // p.ratio u + p.slope u^2 / 2 = df, the root by p.ratio
        const double root = std::sqrt(std::max(0.0, p.ratio * p.ratio + 2 * p.slope * df));
        return std::copysign(p.from + 2 * df / (p.ratio + root), f);
    }
    // The trough a and the top b of a ripple whose flux swings by pp (A, per L0) about a
    // flux-weighted mean current `mean`.
    std::pair<double, double> swing(double mean, double pp) const
    {
        double a = mean - 0.5 * pp, b = a + pp;
        for (int k = 0; k < 40; ++k) {
            b = current(flux(a) + pp);
            // d mean / d a = r(a) (b - a) / pp
            const double step = (moment(b) - moment(a) - mean * pp) / (ratio(a) * (b - a));
            a -= step;
            if (!(std::abs(step) > 1e-12 * (std::abs(a) + pp)))
                break;
        }
        return {a, current(flux(a) + pp)};
    }

private:
    struct Piece {
        double from, ratio, slope;  // r = ratio + slope (x - from) from `from` on
        double flux, moment;        // their values at `from`
    };
    static double flux(const Piece &p, double u) { return u * (p.ratio + 0.5 * p.slope * u); }
    static double moment(const Piece &p, double u)
    {
        return u * (p.from * p.ratio + u * (0.5 * (p.from * p.slope + p.ratio) + p.slope * u / 3));
    }
    const Piece &pieceAt(double x) const
    {
        std::size_t k = 1;
        while (k < m_pieces.size() && m_pieces[k].from <= x) ++k;
        return m_pieces[k - 1];
    }
    std::vector<Piece> m_pieces;
};

struct LegPeak {
    double current = 0.0;  // A
    double ripple = 0.0;   // A peak to peak there
};

// The highest current in leg A's inductor over the audio cycle: its audio current Re(I e^{jy'}) at
// the pulse's off edge y' plus the carrier's top, the carrier taken with the duties frozen at the
// pulse's centre y, leg A's duty being (1 + M cos y)/2, and widened by saturation where `flux`
// gives the inductor's curve. The top follows 4d(1 - d) = 1 - M^2 cos^2 y closely: the instant is
// sought on that shape scaled to the exact top, then on the exact sum around it.
LegPeak legPeak(const Network &n, double Vs, double wc, double w0, double M, Modulation mode,
                Complex I, const FluxCurve *flux, std::vector<Response> &known)
{
    const double A = std::abs(I), phase = std::arg(I);
    auto duty = [&](double y) { return 0.5 * (1 + M * std::cos(y)); };
    auto audio = [&](double y) { return A * std::cos(y + phase + kPi * duty(y) * w0 / wc); };
    auto exact = [&](double y) {
        const Ripple r = frozenRipple(n, Vs, wc, duty(y), mode, &known);
        if (!flux)
            return LegPeak{audio(y) + r.top, r.pp};
        // The ripple's midpoint, as it would be for L0, is the flux-weighted mean of the swing.
        const double centre = A * std::cos(y + phase);
        const auto [trough, top] = flux->swing(centre + r.top - 0.5 * r.pp, r.pp);
        return LegPeak{top + audio(y) - centre, top - trough};
    };
    auto shape = [&](double y) { return 1 - M * M * std::cos(y) * std::cos(y); };
    // Golden-section search for the highest f on [lo, hi], from the best point found so far.
    auto highest = [](const auto &f, double lo, double hi, double best, int rounds) {
        constexpr double kGolden = 0.6180339887498949;
        double x1 = hi - kGolden * (hi - lo), x2 = lo + kGolden * (hi - lo);
        double f1 = f(x1), f2 = f(x2);
        for (int i = 0; i < rounds; ++i) {
            if (f1 < f2) {
                lo = x1, x1 = x2, f1 = f2;
                x2 = lo + kGolden * (hi - lo), f2 = f(x2);
            } else {
                hi = x2, x2 = x1, f2 = f1;
                x1 = hi - kGolden * (hi - lo), f1 = f(x1);
            }
        }
        return f(0.5 * (lo + hi)) > f(best) ? 0.5 * (lo + hi) : best;
    };
    double y = -phase;  // the audio current's own peak
    LegPeak at = exact(y);
    constexpr int kScan = 64;
    constexpr double kStep = 2 * kPi / kScan;
    if (shape(y) >= 1e-12) {
        const double c = (at.current - audio(y)) / shape(y);
        auto model = [&](double t) { return audio(t) + c * shape(t); };
        // A coarse scan of the shape, then golden-section search around its best point.
        double best = -phase, bestValue = model(best);
        for (int i = 0; i < kScan; ++i) {
            const double t = -kPi + kStep * i;
            if (const double v = model(t); v > bestValue)
                best = t, bestValue = v;
        }
        y = highest(model, best - kStep, best + kStep, best, 40);
    }
    // The exact top near it (the shape's maximum is off by up to a third of a scan step in BD):
    // Brent's search, parabolas through the best three points with golden sections as a fallback,
    // down to about 1e-8 rad, where the top is flat to the last digit.
    double a = y - kStep, b = y + kStep;
    double x = y, w = y, v = y;
    LegPeak top = exact(y);
    double fx = -top.current, fw = fx, fv = fx;
    double d = 0.0, e = 0.0;
    constexpr double kSection = 0.3819660112501051, kRelative = 1.5e-8, kAbsolute = 1e-12;
    for (int i = 0; i < 100; ++i) {
        const double m = 0.5 * (a + b), tol = kRelative * std::abs(x) + kAbsolute, tol2 = 2 * tol;
        if (std::abs(x - m) <= tol2 - 0.5 * (b - a))
            break;
        double p = 0.0, q = 0.0, r = 0.0;
        if (std::abs(e) > tol) {
            r = (x - w) * (fx - fv);
            q = (x - v) * (fx - fw);
            p = (x - v) * q - (x - w) * r;
            q = 2 * (q - r);
            if (q > 0)
                p = -p;
            else
                q = -q;
            r = e;
            e = d;
        }
        if (std::abs(p) < std::abs(0.5 * q * r) && p > q * (a - x) && p < q * (b - x)) {
            d = p / q;
            if (const double u = x + d; u - a < tol2 || b - u < tol2)
                d = x < m ? tol : -tol;
        } else {
            e = x < m ? b - x : a - x;
            d = kSection * e;
        }
        const double u = x + (std::abs(d) >= tol ? d : d > 0 ? tol : -tol);
        const LegPeak atU = exact(u);
        const double fu = -atU.current;
        if (fu <= fx) {
            (u < x ? b : a) = x;
            v = w, fv = fw, w = x, fw = fx, x = u, fx = fu;
            top = atU;
        } else {
            (u < x ? a : b) = u;
            if (fu <= fw || w == x)
                v = w, fv = fw, w = u, fw = fu;
            else if (fu <= fv || v == x || v == w)
                v = u, fv = fu;
        }
    }
    return top;
}

CarrierFigures figuresOf(const Sums &sum, std::array<double, 2> ripple)
{
    const double *s = sum.s;
    CarrierFigures f;
    f.zobelResistorW = {s[zobelA], s[zobelB]};
    f.inductorRipplePkPkA = ripple;
    f.inductorRippleRmsA = {std::sqrt(s[inductorA]), std::sqrt(s[inductorB])};
    f.outputVrms = {std::sqrt(s[outputA]), std::sqrt(s[outputB])};
    f.filterCapRmsA = std::sqrt(s[capacitor]);
    f.speakerVrms = std::sqrt(s[speakerV]);
    f.speakerW = s[speakerW];
    f.commonModeVrms = std::sqrt(s[commonMode]);
    f.carrierHarmonics = sum.harmonics;
    return f;
}

double largest(std::array<double, 2> v)
{
    return std::max(v[0], v[1]);
}

RatingExcess excess(const PartRatings &r, double zobelW, double inductorA, double capA)
{
    RatingExcess e;
    e.zobelResistor = r.zobelResistorW > 0 && zobelW > r.zobelResistorW;
    e.inductor = r.inductorSaturationA > 0 && inductorA > r.inductorSaturationA;
    e.filterCapacitor = r.filterCapRippleA > 0 && capA > r.filterCapRippleA;
    return e;
}

// The saturating inductor at a current i.
InductorAtPeak inductorAt(const CarrierNetwork &net, const FluxCurve &flux, double i)
{
    InductorAtPeak l;
    l.ratio = flux.ratio(i);
    l.henries = net.filterL * l.ratio;
    if (i > net.saturation.back().at)
        l.warning = SaturationWarning::pastCurve;
    else if (l.ratio < kSaturationWarnRatio)
        l.warning = SaturationWarning::deepInSaturation;
    return l;
}

// The idle figures; `top` takes the inductor current's highest value.
CarrierFigures idleFigures(const Network &n, double Vs, double fs, Modulation mode,
                           double *top = nullptr, std::vector<Response> *known = nullptr)
{
    const double wc = 2 * kPi * fs;
    const Ripple ripple = frozenRipple(n, Vs, wc, 0.5, mode, known);
    if (top)
        *top = ripple.top;
    return figuresOf(carrierSums(n, Vs, wc, 0.0, 0.0, mode), {ripple.pp, n.full ? ripple.pp : 0.0});
}

}  // namespace

SpeakerImpedance speakerRL(double ohms, double henries)
{
    return [ohms, henries](double hz) { return Complex(ohms, 2 * kPi * hz * henries); };
}

CarrierFigures idleCarrier(const CarrierNetwork &net, double supplyV, double switchingHz,
                           Modulation modulation)
{
    return idleFigures(Network(net), supplyV, switchingHz, modulation);
}

double idleZobelResistorW(const CarrierNetwork &net, double supplyV, double switchingHz,
                          Modulation modulation)
{
    return carrierSums(Network(net), supplyV, 2 * kPi * switchingHz, 0.0, 0.0, modulation)
        .s[zobelA];
}

CarrierAnalysis analyzeCarrier(const CarrierNetwork &net, const CarrierSettings &in,
                               const PartRatings &ratings)
{
    const Network n(net);
    const double Vs = in.supplyV;
    const Modulation mode = in.modulation;
    CarrierAnalysis out;
    const std::optional<FluxCurve> flux =
        net.saturation.empty() ? std::nullopt : std::optional<FluxCurve>(net.saturation);
    double idleTop = 0.0;
    std::vector<Response> known;  // the carrier's harmonics, for every frozen duty
    out.idle = idleFigures(n, Vs, in.switchingHz, mode, &idleTop, &known);
    if (flux) {  // the ripple about no current, as at power
        const double pp = out.idle.inductorRipplePkPkA[0];
        const auto [trough, top] = flux->swing(idleTop - 0.5 * pp, pp);
        out.idle.inductorRipplePkPkA = {top - trough, n.full ? top - trough : 0.0};
        idleTop = top;
        out.idleInductor = inductorAt(net, *flux, top);
    }
    const CarrierFigures &idle = out.idle;
    out.idleExcess = excess(ratings, largest(idle.zobelResistorW), idleTop, idle.filterCapRmsA);

    if (!(in.audioHz > 0)) {
        out.atPower = NotDeliverable{};
        return out;
    }
    // The audio, per volt of modulation amplitude: leg A carries (Vs/2) M cos y, leg B the
    // opposite.
    const double w0 = 2 * kPi * in.audioHz;
    const Response r0 = respond(n, w0);
    const double perM = n.full ? Vs : 0.5 * Vs;  // the source reaching the speaker's path
    const Complex speakerPerM = (n.full ? r0.hd : r0.hc) * perM;
    const double wattsPerM2 = 0.5 * norm2(speakerPerM) * r0.speakerG;
    if (!(wattsPerM2 > 0) || !std::isfinite(wattsPerM2)) {
        out.atPower = NotDeliverable{};
        return out;
    }
    const double M = std::sqrt(std::max(in.loadPowerW, 0.0) / wattsPerM2);
    if (M > 1) {
        out.atPower = SupplyShort{Vs * M};
        return out;
    }

    AtPowerFigures p;
    p.modulationIndex = M;
    const double wc = 2 * kPi * in.switchingHz;
    const Sums carrier = carrierSums(n, Vs, wc, w0, M, mode);

    // Audio alone (m = 0, n = 1): leg A (Vs/2) M, leg B -(Vs/2) M in full bridge.
    Sums audio;
    addTerm(n, r0, 0.5 * Vs * M, -0.5 * Vs * M, audio, nullptr);
    // Leg A's audio current; leg B's is its negative.
    const double legA = 0.5 * Vs * M;
    const Complex voA = n.full ? r0.hd * (0.5 * Vs * M) : r0.hc * legA;
    const Complex iA = (legA - voA) * r0.yl;
    const LegPeak peakA = legPeak(n, Vs, wc, w0, M, mode, iA, flux ? &*flux : nullptr, known);
    const LegPeak peakB = n.full ? peakA : LegPeak{};  // the mirror image
    const double rippleA = peakA.ripple, rippleB = peakB.ripple;
    p.carrier = figuresOf(carrier, {rippleA, rippleB});
    const double *c = carrier.s;
    const double *a = audio.s;
    p.zobelResistorAudioW = {a[zobelA], n.full ? a[zobelB] : 0.0};
    p.zobelResistorTotalW = {c[zobelA] + a[zobelA], n.full ? c[zobelB] + a[zobelB] : 0.0};
    p.inductorRmsA = {std::sqrt(c[inductorA] + a[inductorA]),
                      n.full ? std::sqrt(c[inductorB] + a[inductorB]) : 0.0};
    p.inductorPeakA = {peakA.current, peakB.current};
    if (flux)
        p.inductorAtPeak = inductorAt(net, *flux, peakA.current);
    p.filterCapRmsA = std::sqrt(c[capacitor] + a[capacitor]);
    p.excess =
        excess(ratings, largest(p.zobelResistorTotalW), largest(p.inductorPeakA), p.filterCapRmsA);
    out.atPower = p;
    return out;
}

void sweepCarrierLoss(const CarrierNetwork &net, double supplyV, Modulation modulation,
                      CarrierLossCurve &curve)
{
    const Network n(net);
    const double step = std::log(kCarrierLossToHz / kCarrierLossFromHz) / (kCarrierLossPoints - 1);
    for (int i = 0; i < kCarrierLossPoints; ++i) {
        const double hz = kCarrierLossFromHz * std::exp(step * i);
        curve.x[i] = hz;
        curve.y[i] = carrierSums(n, supplyV, 2 * kPi * hz, 0.0, 0.0, modulation).s[zobelA];
    }
}

// Miller's downward recurrence from well above x, normalised by J_0 + 2 sum J_2k = 1.
int carrierdetail::besselOrders(double x, double *J)
{
    if (x < 1e-6) {  // J_1 = x/2 to 1e-13; the recurrence's 2k/x would overflow
        J[0] = 1.0 - 0.25 * x * x;
        J[1] = 0.5 * x;
        return 2 * J[1] * J[1] < carrierdetail::kBesselEnergyLeftOut ? 0 : 1;
    }
    int start = static_cast<int>(x + 20 + 12 * std::cbrt(x));
    start += start % 2;
    if (start > kMaxBesselOrder)
        start = kMaxBesselOrder;
    double above = 0.0, here = 1e-30, norm = 0.0;
    for (int k = start; k >= 0; --k) {
        J[k] = here;
        if (k % 2 == 0)
            norm += k == 0 ? here : 2 * here;
        const double below = k > 0 ? (2.0 * k / x) * here - above : 0.0;
        above = here;
        here = below;
        if (std::abs(here) > 1e250) {  // rescale what is kept so far
            for (int i = k; i <= start; ++i) J[i] *= 1e-250;
            norm *= 1e-250;
            above *= 1e-250;
            here *= 1e-250;
        }
    }
    const double scale = 1.0 / norm;
    double tail = 0.0;
    int last = start;
    for (int k = start; k >= 0; --k) {
        J[k] *= scale;
        // The orders left out are the highest ones only: below x, J_k swings through 0.
        if (last == k && k > 0 && tail + 2 * J[k] * J[k] < carrierdetail::kBesselEnergyLeftOut) {
            tail += 2 * J[k] * J[k];
            last = k - 1;
        }
    }
    return last;
}
