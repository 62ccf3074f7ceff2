// Any bytes as an impedance file: read, and what is accepted fitted and evaluated as the program
// does. Besides crashes, sanitizer findings and runs over the time limit, a broken promise of the
// reader, the fit or the load aborts the run.
#include "core/measured/measuredload.h"
#include "require.h"

#include <cmath>
#include <complex>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace {

bool finite(std::complex<double> z)
{
    return std::isfinite(z.real()) && std::isfinite(z.imag());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size));
    ImpedanceRead read = readImpedanceData(bytes);
    if (const QString *refusal = std::get_if<QString>(&read)) {
        // One sentence on one line.
        require(!refusal->isEmpty() && refusal->endsWith(QLatin1Char('.')) &&
                !refusal->contains(QLatin1Char('\n')));
        return 0;
    }

    const ImpedanceData &d = std::get<ImpedanceData>(read);
    require(d.points.size() >= kMinImpedancePoints);
    // Values a program's file would hold: the load stays finite for them everywhere.
    bool ordinary = true;
    for (qsizetype i = 0; i < d.points.size(); ++i) {
        const ImpedancePoint &p = d.points[i];
        require(std::isfinite(p.hz) && p.hz > 0 && std::isfinite(p.ohms) && p.ohms > 0);
        require(std::abs(p.degrees) <= 90 && (d.hasPhase || p.degrees == 0));
        require(i == 0 || p.hz > d.points[i - 1].hz);
        ordinary = ordinary && p.hz >= 1e-3 && p.hz <= 1e8 && p.ohms >= 1e-6 && p.ohms <= 1e9;
    }

    const MeasuredLoad load(d);
    const VoiceCoilFit &fit = load.fit();
    for (const double v : {fit.model.Re, fit.model.Le, fit.model.R2, fit.model.L2, fit.tailFarads})
        require(std::isfinite(v) && v >= 0);
    require(fit.firstFitted >= 0 && fit.firstFitted < d.points.size());

    // At the file's own points the load is the file.
    for (const ImpedancePoint &p : d.points) {
        const std::complex<double> z = load.impedance(p.hz);
        require(std::abs(std::abs(z) / p.ohms - 1) < 1e-6);
    }
    // 1 Hz to 10 MHz, 200 points a decade, and some of them again one by one.
    static std::vector<double> hz(1401);
    static std::vector<std::complex<double>> z(hz.size());
    for (std::size_t i = 0; i < hz.size(); ++i) hz[i] = std::pow(10.0, double(i) / 200.0);
    load.impedances(hz, z);
    if (ordinary)
        for (std::size_t i = 0; i < hz.size(); ++i)
            require(finite(z[i]) && z[i].real() >= -1e-9 * std::abs(z[i]));
    for (std::size_t i = 0; i < hz.size(); i += 97)
        require(load.impedance(hz[i]) == z[i] || (!finite(z[i]) && !ordinary));
    return 0;
}
