#include "core/measured/measuredcurves.h"

#include "core/network/parasitics.h"

#include <algorithm>
#include <cmath>
#include <optional>

void evaluateOnGrid(const MeasuredLoad &load, MeasuredGrid &grid)
{
    static const std::vector<double> hz = [] {
        std::vector<double> f(kSweepSize);
        for (int i = 0; i < kSweepSize; ++i) f[i] = gridFrequency(i == 0 ? 1 : i);
        return f;
    }();
    load.impedances(hz, grid.z);
    for (std::size_t i = 0; i < grid.z.size(); ++i) grid.y[i] = 1.0 / grid.z[i];
}

double measuredRatioAt(const NetworkValues &n, const MeasuredGrid &grid, int i, bool zobel)
{
    // Y = 1/Zs + j w Cf [+ Yz/k]; the gain is 1 / |1 + j w L Y|, in dB from its square. The
    // Zobel branch is Czs in series with Rz || Czp: Yz = j w Czs (1 + j w Rz Czp) /
    // (1 + j w Rz (Czp + Czs)).
    const double w = gridOmega(i);
    double re = grid.y[std::size_t(i)].real();
    double im = grid.y[std::size_t(i)].imag() + w * n.C1;
    if (zobel) {
        const double k = n.full_bridge_select ? 2.0 : 1.0;
        const double a = w * n.R2 * n.C2, b = w * n.R2 * (n.C2 + n.C3), d = 1 + b * b;
        const double nr = (1 + a * b) / d, ni = (a - b) / d;  // (1 + j a) / (1 + j b)
        re += -w * n.C3 * ni / k;
        im += w * n.C3 * nr / k;
    }
    const double wl = w * n.L2;
    const double dr = 1 - wl * im, di = wl * re;
    return 1.0 / std::sqrt(dr * dr + di * di);
}

double measuredGainAt(const NetworkValues &n, const MeasuredGrid &grid, int i, bool zobel)
{
    return 20 * std::log10(measuredRatioAt(n, grid, i, zobel));
}

void sweepMeasured(const DesignRecord &design, const MeasuredGrid &grid, MeasuredCurves &out,
                   AnalysisParts parts, const std::vector<int> *points)
{
    const NetworkValues n = networkValues(design);
    // With the parts' parasitics, as Fig. 2 and 3 draw the design's own speaker.
    const std::optional<ParasiticNetwork> real =
        design.parts.hasParasitics() ? std::optional(parasiticNetwork(design)) : std::nullopt;
    const std::size_t size = points ? points->size() : std::size_t(kSweepSize);
    const auto at = [&](std::size_t j) { return points ? (*points)[j] : int(j); };
    for (Curve *c : {&out.impedance, &out.gain, &out.gainZobel}) {
        c->x.resize(size);
        c->y.resize(size);
    }
    if (parts.testFlag(AnalysisPart::Impedance)) {
        for (std::size_t j = 1; j < size; ++j) {
            out.impedance.x[j] = gridFrequency(at(j));
            out.impedance.y[j] = std::abs(grid.z[std::size_t(at(j))]);
        }
        out.impedance.x[0] = out.impedance.x[1];
        out.impedance.y[0] = out.impedance.y[1];
    }
    for (const auto &[part, zobel] :
         {std::pair{AnalysisPart::Gain, false}, std::pair{AnalysisPart::GainZobel, true}}) {
        if (!parts.testFlag(part))
            continue;
        Curve &c = zobel ? out.gainZobel : out.gain;
        c.x[0] = c.y[0] = 0.0;
        for (std::size_t j = 1; j < size; ++j) {
            c.x[j] = gridFrequency(at(j));
            c.y[j] = real ? parasiticGainWithLoadAt(*real, grid.y[std::size_t(at(j))], at(j), zobel)
                          : measuredGainAt(n, grid, at(j), zobel);
        }
    }
}

void sweepMeasuredDissipation(const DesignRecord &design, double loadPower,
                              const MeasuredGrid &grid, PowerCurve &out)
{
    // The Power window's grid, with its own 2 pi and its 1e-13 substitutes.
    const auto tiny = [](double v) { return v == 0.0 ? 1e-13 : v; };
    const double R = tiny(design.zobel_r_parval), Cp = tiny(design.zobel_c_parval),
                 Cs = tiny(design.zobel_c_serval);
    out.x[0] = out.y[0] = 0.0;
    for (int i = 1; i <= kPowerPoints; ++i) {
        const double w = i * 6.28 * 100.0;
        const std::complex<double> zs = grid.z[std::size_t(i)];
        // A load with next to no resistance takes next to no power: its voltage is bounded.
        double v2 = loadPower * std::norm(zs) / std::max(zs.real(), 1e-9 * std::abs(zs));
        if (design.fullBridge())
            v2 /= 4.0;
        const std::complex<double> parallel = R / std::complex<double>(1.0, w * R * Cp);
        const std::complex<double> across =
            parallel / (parallel + 1.0 / std::complex<double>(0, w * Cs));
        out.x[i] = i * 100.0;
        out.y[i] = v2 * std::norm(across) / R;
    }
}
