#include "measuredcurves.h"

#include <algorithm>
#include <cmath>

void evaluateOnGrid(const MeasuredLoad &load, MeasuredGrid &grid)
{
    static const std::vector<double> hz = [] {
        std::vector<double> f(kSweepSize);
        for (int i = 0; i < kSweepSize; ++i) f[i] = gridFrequency(i == 0 ? 1 : i);
        return f;
    }();
    load.impedances(hz, grid.z);
}

namespace {

std::complex<double> zobelBranch(const NetworkValues &n, double w)
{
    const std::complex<double> j(0, 1);
    const std::complex<double> parallel = n.R2 / (1.0 + j * w * n.R2 * n.C2);
    return 1.0 / (parallel + 1.0 / (j * w * n.C3));
}

double toDecibel(double ratio)
{
    return 20 * std::log10(ratio);
}

}  // namespace

double measuredRatioAt(const NetworkValues &n, const MeasuredGrid &grid, int i, bool zobel)
{
    const double w = gridOmega(i);
    const double k = n.full_bridge_select ? 2.0 : 1.0;
    std::complex<double> Y = 1.0 / grid.z[std::size_t(i)] + std::complex<double>(0, w * n.C1);
    if (zobel)
        Y += zobelBranch(n, w) / k;
    return 1.0 / std::abs(1.0 + std::complex<double>(0, w * n.L2) * Y);
}

double measuredGainAt(const NetworkValues &n, const MeasuredGrid &grid, int i, bool zobel)
{
    return toDecibel(measuredRatioAt(n, grid, i, zobel));
}

void sweepMeasured(const DesignRecord &design, const MeasuredGrid &grid, MeasuredCurves &out,
                   unsigned parts)
{
    const NetworkValues n = networkValues(design);
    if (parts & kImpedancePart) {
        for (int i = 1; i <= kSweepPoints; ++i) {
            out.impedance.x[i] = gridFrequency(i);
            out.impedance.y[i] = std::abs(grid.z[std::size_t(i)]);
        }
        out.impedance.x[0] = out.impedance.x[1];
        out.impedance.y[0] = out.impedance.y[1];
    }
    for (const auto &[part, zobel] : {std::pair{kGainPart, false}, std::pair{kGainZobelPart, true}}) {
        if (!(parts & part))
            continue;
        Curve &c = zobel ? out.gainZobel : out.gain;
        c.x[0] = c.y[0] = 0.0;
        for (int i = 1; i <= kSweepPoints; ++i) {
            c.x[i] = gridFrequency(i);
            c.y[i] = measuredGainAt(n, grid, i, zobel);
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
