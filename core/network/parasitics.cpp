#include "core/network/parasitics.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <span>
#include <vector>

namespace {

// Complex values as plain pairs: std::complex's products and quotients call the library's
// NaN-careful routines, which keep the loops from vectorising.
struct Cx {
    double re = 0.0;
    double im = 0.0;
};
inline Cx operator+(Cx a, Cx b)
{
    return {a.re + b.re, a.im + b.im};
}
inline Cx operator+(double a, Cx b)
{
    return {a + b.re, b.im};
}
inline Cx operator*(Cx a, Cx b)
{
    return {a.re * b.re - a.im * b.im, a.re * b.im + a.im * b.re};
}
inline Cx operator*(double a, Cx b)
{
    return {a * b.re, a * b.im};
}
inline double norm(Cx a)
{
    return a.re * a.re + a.im * a.im;
}
inline Cx operator/(Cx a, Cx b)
{
    const double d = 1.0 / norm(b);
    return {(a.re * b.re + a.im * b.im) * d, (a.im * b.re - a.re * b.im) * d};
}

// A capacitor's admittance, jwC / (1 + jwC (ESR + jwESL)); 0 for one of 0 F.
inline Cx capacitorY(double w, double C, double esr, double esl)
{
    const double c = w * C;
    return Cx{0.0, c} / Cx{1.0 - c * w * esl, c * esr};
}

struct NetworkPoint {
    double ratioPlain;
    double ratioZobel;
    double outputOhm;
};

// The network at w. With k Z_L the loop's inductance, Y_C the filter capacitor's admittance and
// Y_Z one Zobel branch's: gain = 1 / (1 + k Z_L Y), Y the admittance across the outputs
// (speaker, capacitor, Zobel branches: Y_Z / k), and Zout = k Z_L || 1/Y_C || k/Y_Z.
struct FilterPoint {
    Cx zl;    // k Z_L
    Cx yc;    // Y_C
    Cx yout;  // Y_C + Y_Z / k: across the outputs, the speaker aside
};
inline FilterPoint filterPointAt(const ParasiticNetwork &n, double w)
{
    const Cx winding{n.dcr, w * n.L};
    const Cx zl = n.k * (winding / (1.0 + Cx{0.0, w * n.cp} * winding));
    const Cx yc = capacitorY(w, n.cf, n.cfEsr, n.cfEsl);
    const Cx zr{n.rz, w * n.rzL};
    const Cx zpar = zr / (1.0 + zr * capacitorY(w, n.czp, n.czpEsr, n.czpEsl));
    const Cx ys = capacitorY(w, n.czs, n.czsEsr, n.czsEsl);
    const Cx yz = (1.0 / n.k) * (ys / (1.0 + ys * zpar));
    return {zl, yc, yc + yz};
}

inline NetworkPoint networkPointAt(const ParasiticNetwork &n, double w)
{
    const auto [zl, yc, yout] = filterPointAt(n, w);
    const Cx yspk = Cx{1.0, 0.0} / Cx{n.Rs, w * n.Ls};
    return {1.0 / std::sqrt(norm(1.0 + zl * (yspk + yc))),
            1.0 / std::sqrt(norm(1.0 + zl * (yspk + yout))),
            std::sqrt(norm(zl) / norm(1.0 + zl * yout))};
}

// 1 + k Z_L Y at w, the gain's inverse with the Zobel network (and the speaker when loaded).
inline Cx zobelGainInverse(const ParasiticNetwork &n, double w, bool loaded)
{
    const Cx winding{n.dcr, w * n.L};
    const Cx zl = n.k * (winding / (1.0 + Cx{0.0, w * n.cp} * winding));
    const Cx zr{n.rz, w * n.rzL};
    const Cx zpar = zr / (1.0 + zr * capacitorY(w, n.czp, n.czpEsr, n.czpEsl));
    const Cx ys = capacitorY(w, n.czs, n.czsEsr, n.czsEsl);
    Cx y = capacitorY(w, n.cf, n.cfEsr, n.cfEsl) + (1.0 / n.k) * (ys / (1.0 + ys * zpar));
    if (loaded && n.Rs + n.Ls > 0.0)
        y = y + Cx{1.0, 0.0} / Cx{n.Rs, w * n.Ls};
    return 1.0 + zl * y;
}

// The same guard as the ideal sweeps: a ratio of 0 (or none) is taken as 1e-10.
inline double guarded(double ratio)
{
    return ratio > 0.0 ? ratio : 1e-10;
}

double slotField(const DesignRecord &rec, PartSlot slot, std::optional<double> Part::*field)
{
    const std::optional<Part> &part = rec.parts.at(slot);
    return part && ((*part).*field) ? *((*part).*field) : 0.0;
}

}  // namespace

double selfResonanceCapacitance(double inductanceH, double srfHz)
{
    if (!(inductanceH > 0.0) || !(srfHz > 0.0))
        return 0.0;
    const double w = 2.0 * std::numbers::pi * srfHz;
    return 1.0 / (w * w * inductanceH);
}

ParasiticNetwork parasiticNetwork(const DesignRecord &rec)
{
    return parasiticNetwork(rec, designValues(rec));
}

ParasiticNetwork parasiticNetwork(const DesignRecord &rec, const DesignValues &v)
{
    ParasiticNetwork n;
    n.Rs = v.speakerR;
    n.Ls = si::fromMilli(v.speakerL);
    n.k = rec.fullBridge() ? 2.0 : 1.0;
    n.L = v.filterL;
    if (n.L > 0.0) {
        n.dcr = slotField(rec, PartSlot::filter_l, &Part::dcrOhm);
        n.cp = selfResonanceCapacitance(n.L, slotField(rec, PartSlot::filter_l, &Part::srfHz));
    }
    n.cf = si::fromMicro(v.filterC);
    n.cfEsr = slotField(rec, PartSlot::filter_c, &Part::esrOhm);
    n.cfEsl = slotField(rec, PartSlot::filter_c, &Part::eslH);
    n.czs = v.zobelCSer;
    n.czsEsr = slotField(rec, PartSlot::zobel_c_ser, &Part::esrOhm);
    n.czsEsl = slotField(rec, PartSlot::zobel_c_ser, &Part::eslH);
    n.czp = v.zobelCPar;
    n.czpEsr = slotField(rec, PartSlot::zobel_c_par, &Part::esrOhm);
    n.czpEsl = slotField(rec, PartSlot::zobel_c_par, &Part::eslH);
    n.rz = v.zobelR * 1.0000001;
    n.rzPower = v.zobelR;
    n.rzL = slotField(rec, PartSlot::zobel_r, &Part::seriesLH);
    return n;
}

BoardParts withoutParasitics(BoardParts parts)
{
    for (std::optional<Part> &p : parts.items)
        if (p) {
            p->dcrOhm.reset();
            p->srfHz.reset();
            p->esrOhm.reset();
            p->eslH.reset();
            p->seriesLH.reset();
        }
    return parts;
}

QUORVEL_SWEEP_TARGETS ParasiticFigures sweepParasitic(const ParasiticNetwork &n, Curve *gain,
                                                      Curve *gainZobel, Curve *outputImpedance)
{
    // In blocks, so that the loop computing every quantity stays one of plain arithmetic.
    constexpr int kBlock = 250;
    static_assert(kSweepPoints % kBlock == 0);
    for (int first = 1; first <= kSweepPoints; first += kBlock) {
        double plain[kBlock], zobel[kBlock], output[kBlock];
        for (int j = 0; j < kBlock; ++j) {
            const NetworkPoint p = networkPointAt(n, gridOmega(first + j));
            plain[j] = guarded(p.ratioPlain);
            zobel[j] = guarded(p.ratioZobel);
            output[j] = p.outputOhm;
        }
        const auto put = [first](const double *from, Curve *to) {
            if (to)
                std::copy(from, from + kBlock, to->y.begin() + first);
        };
        put(plain, gain);
        put(zobel, gainZobel);
        put(output, outputImpedance);
    }
    ParasiticFigures fig;
    if (gain)
        fig.gain = gainFromRatios(*gain);
    if (gainZobel)
        fig.gainZobel = gainFromRatios(*gainZobel);
    if (outputImpedance) {
        std::vector<double> &x = outputImpedance->x;
        for (int i = 1; i <= kSweepPoints; ++i) x[i] = gridFrequency(i);
        x[0] = x[1];
        outputImpedance->y[0] = outputImpedance->y[1];
    }
    return fig;
}

double parasiticGainAtOmega(const ParasiticNetwork &n, double w, bool zobel)
{
    const NetworkPoint p = networkPointAt(n, w);
    return detail::toDecibel(guarded(zobel ? p.ratioZobel : p.ratioPlain));
}

double parasiticGainAt(const ParasiticNetwork &n, int i, bool zobel)
{
    return parasiticGainAtOmega(n, gridOmega(i), zobel);
}

namespace {

// The voltage ratio with a load of admittance y across the outputs in place of the speaker.
inline double ratioWithLoad(const ParasiticNetwork &n, double w, Cx y, bool zobel)
{
    const auto [zl, yc, yout] = filterPointAt(n, w);
    return guarded(1.0 / std::sqrt(norm(1.0 + zl * (y + (zobel ? yout : yc)))));
}

}  // namespace

double parasiticGainWithLoadAt(const ParasiticNetwork &n, std::complex<double> y, int i, bool zobel)
{
    return detail::toDecibel(ratioWithLoad(n, gridOmega(i), Cx{y.real(), y.imag()}, zobel));
}

QUORVEL_SWEEP_TARGETS GainFigures parasiticZobelFiguresWithLoad(const ParasiticNetwork &n,
                                                                const std::complex<double> *y)
{
    thread_local std::vector<double> ratios(kSweepSize);
    double *Y = ratios.data();
    for (int i = 1; i <= kSweepPoints; ++i)
        Y[i] = ratioWithLoad(n, gridOmega(i), Cx{y[i].real(), y[i].imag()}, true);
    return figuresOfRatios(Y);
}

QUORVEL_SWEEP_TARGETS void parasiticZobelFigures(const ParasiticNetwork &n,
                                                 std::span<const double> speakerOhms,
                                                 GainFigures *figures)
{
    // What the loads share, k Z_L and the admittance across the outputs without the speaker,
    // once per point; then each load's ratios in a loop of its own. Every value is computed as
    // networkPointAt computes it.
    thread_local std::vector<double> zlRe(kSweepSize), zlIm(kSweepSize), yRe(kSweepSize),
        yIm(kSweepSize), ratios(kSweepSize);
    for (int i = 1; i <= kSweepPoints; ++i) {
        const auto [zl, yc, yout] = filterPointAt(n, gridOmega(i));
        zlRe[std::size_t(i)] = zl.re;
        zlIm[std::size_t(i)] = zl.im;
        yRe[std::size_t(i)] = yout.re;
        yIm[std::size_t(i)] = yout.im;
    }
    for (std::size_t k = 0; k < speakerOhms.size(); ++k) {
        const double Rs = speakerOhms[k];
        double *Y = ratios.data();
        for (int i = 1; i <= kSweepPoints; ++i) {
            const double w = gridOmega(i);
            const Cx zl{zlRe[std::size_t(i)], zlIm[std::size_t(i)]};
            const Cx yout{yRe[std::size_t(i)], yIm[std::size_t(i)]};
            const Cx yspk = Cx{1.0, 0.0} / Cx{Rs, w * n.Ls};
            Y[i] = guarded(1.0 / std::sqrt(norm(1.0 + zl * (yspk + yout))));
        }
        figures[k] = figuresOfRatios(Y);
    }
}

double dampingFactor(const ParasiticNetwork &n)
{
    const double w = gridOmega(10);  // 1 kHz
    return std::hypot(n.Rs, w * n.Ls) / networkPointAt(n, w).outputOhm;
}

double outputAdmittance(const ParasiticNetwork &n, double w)
{
    // Without the inductor's own impedance, 1 + k Z_L Y is 1 + Y: its excess is Y.
    ParasiticNetwork across = n;
    across.L = across.cp = 0.0;
    across.dcr = 1.0 / n.k;  // k Z_L = 1 ohm
    const Cx d = zobelGainInverse(across, w, true);
    return std::sqrt(norm(Cx{d.re - 1.0, d.im}));
}

Resonance filterResonance(const ParasiticNetwork &n, bool loaded)
{
    // The phase passes -90 degrees where the inverse's real part falls through 0 with its
    // imaginary part positive: found on 50 points a decade, then halved down to the last bit.
    const auto re = [&](double hz) {
        return zobelGainInverse(n, 2.0 * std::numbers::pi * hz, loaded).re;
    };
    constexpr int kPerDecade = 50;
    double lo = 10.0;
    double hi = 0.0;
    for (int i = 1; i <= 6 * kPerDecade; ++i) {
        const double hz = 10.0 * std::pow(10.0, double(i) / kPerDecade);
        const Cx d = zobelGainInverse(n, 2.0 * std::numbers::pi * hz, loaded);
        if (d.re <= 0.0 && d.im >= 0.0 && re(lo) > 0.0) {
            hi = hz;
            break;
        }
        lo = hz;
    }
    if (hi == 0.0)
        return {};
    for (int i = 0; i < 200 && hi - lo > 1e-15 * hi; ++i) {
        const double mid = std::sqrt(lo * hi);
        (re(mid) > 0.0 ? lo : hi) = mid;
    }
    const double f0 = 0.5 * (lo + hi);
    const double atDc = norm(zobelGainInverse(n, 0.0, loaded));
    const double atF0 = norm(zobelGainInverse(n, 2.0 * std::numbers::pi * f0, loaded));
    return {f0, std::sqrt(atDc / atF0)};
}

QUORVEL_SWEEP_TARGETS PowerFigures sweepParasiticPower(const ParasiticNetwork &n,
                                                       const PowerInputs &in, PowerCurve &curve)
{
    // The resistor's current: V Y_s / (1 + Z_R Y_p + Y_s Z_R), with Y_s and Y_p the series and
    // parallel capacitors' admittances and Z_R = R + jwLs; its power |I|^2 R.
    PowerFigures fig;
    const double V = zobelBranchVoltage(in);
    fig.rmsVoltage = V;
    double *X = curve.x.data();
    double *P = curve.y.data();
    X[0] = 0.0;
    P[0] = 0.0;
    for (int i = 1; i <= kPowerPoints; ++i) {
        const double w = i * 6.28 * 100.0;  // the dissipation sweep's own 2 pi
        const Cx ys = capacitorY(w, n.czs, n.czsEsr, n.czsEsl);
        const Cx zr{n.rzPower, w * n.rzL};
        const Cx den = 1.0 + zr * capacitorY(w, n.czp, n.czpEsr, n.czpEsl) + ys * zr;
        X[i] = i * 100.0;
        P[i] = n.rzPower * V * V * norm(ys) / norm(den);
    }
    fig.at7kHz = P[70];  // 7000 Hz
    return fig;
}
