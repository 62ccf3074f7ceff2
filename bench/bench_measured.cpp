// Cost of taking a measured impedance file into use: reading, the voice-coil fit, the load on
// the sweep grid. A 1,000-point file of a woofer with its resonance, as measuring programs write
// it (five significant digits, TAB-separated, with and without the phase column).
#include "core/measured/measuredload.h"
#include "core/network/sweeps.h"

#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cmath>
#include <complex>
#include <vector>

namespace {

QByteArray wooferFile(bool phase)
{
    const double pi = 3.14159265358979323846;
    QByteArray out = "* Woofer in free air\n* Freq[Hz]\tZ[ohm]\tPhase[deg]\n";
    for (int i = 0; i < 1000; ++i) {
        const double f = 10 * std::pow(2000.0, i / 999.0);
        const std::complex<double> jw(0, 2 * pi * f);
        const double w0 = 2 * pi * 38, res = 40, q = 4;
        const std::complex<double> z =
            6.2 + jw * 0.35e-3 + 1.0 / (1.0 / 12.0 + 1.0 / (jw * 1.1e-3)) +
            1.0 / (1.0 / res + 1.0 / (jw * (res / (q * w0))) + jw * (q / (res * w0)));
        out += QByteArray::number(f, 'g', 5) + '\t' + QByteArray::number(std::abs(z), 'g', 5);
        if (phase)
            out += '\t' + QByteArray::number(std::arg(z) * 180 / pi, 'f', 2);
        out += '\n';
    }
    return out;
}

void BM_ReadImpedanceData(benchmark::State &state)
{
    const QByteArray bytes = wooferFile(state.range(0));
    for (auto _ : state) benchmark::DoNotOptimize(readImpedanceData(bytes));
}
BENCHMARK(BM_ReadImpedanceData)->Arg(1)->Arg(0)->ArgName("phase")->Unit(benchmark::kMillisecond);

void BM_FitVoiceCoil(benchmark::State &state)
{
    const ImpedanceData data =
        std::get<ImpedanceData>(readImpedanceData(wooferFile(state.range(0))));
    for (auto _ : state) benchmark::DoNotOptimize(fitVoiceCoil(data));
}
BENCHMARK(BM_FitVoiceCoil)->Arg(1)->Arg(0)->ArgName("phase")->Unit(benchmark::kMillisecond);

// The whole step from a file on disk to a load ready for sweeping.
void BM_ReadAndFitFile(benchmark::State &state)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("woofer.zma");
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(wooferFile(state.range(0))) < 0) {
        state.SkipWithError("cannot write the file");
        return;
    }
    file.close();
    for (auto _ : state) benchmark::DoNotOptimize(MeasuredLoad::fromFile(path));
}
BENCHMARK(BM_ReadAndFitFile)->Arg(1)->Arg(0)->ArgName("phase")->Unit(benchmark::kMillisecond);

// The load at every point of the sweep grid (i x 100 Hz, i = 1 .. 10000), as a load change
// computes it once for the keystrokes that follow.
void BM_LoadOnSweepGrid(benchmark::State &state)
{
    const MeasuredLoad load(std::get<ImpedanceData>(readImpedanceData(wooferFile(state.range(0)))));
    std::vector<double> hz(kSweepPoints);
    for (int i = 1; i <= kSweepPoints; ++i) hz[std::size_t(i - 1)] = gridFrequency(i);
    std::vector<std::complex<double>> z(hz.size());
    for (auto _ : state) {
        load.impedances(hz, z);
        benchmark::DoNotOptimize(z.data());
    }
}
BENCHMARK(BM_LoadOnSweepGrid)->Arg(1)->Arg(0)->ArgName("phase")->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
