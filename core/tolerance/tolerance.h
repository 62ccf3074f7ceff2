#pragma once

// Tolerance bands and yield: a batch of boards, each input of the design off its nominal value by a
// random deviation within its tolerance, and the corners, every input at one of its two ends.

#include "core/network/designrecord.h"

#include <QString>

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

// The inputs a tolerance moves, in the order of the samples file's columns.
enum class Varied { filter_l, filter_c, zobel_c_par, zobel_r, zobel_c_ser, speaker_r, speaker_l };
inline constexpr int kVariedCount = 7;
inline constexpr std::array<Varied, kVariedCount> kAllVaried = {
    Varied::filter_l,    Varied::filter_c,  Varied::zobel_c_par, Varied::zobel_r,
    Varied::zobel_c_ser, Varied::speaker_r, Varied::speaker_l};
// "filter_l", ... as the command line and JSON name them.
QString variedName(Varied v);
std::optional<Varied> variedNamed(const QString &name);

enum class Distribution { uniform, normal };  // normal: sigma = tolerance / 3, cut at the ends

struct ToleranceSettings {
    std::array<double, kVariedCount> percent = {20, 10, 10, 5, 10, 10, 15};
    Distribution distribution = Distribution::uniform;
    int runs = 1000;
    std::uint64_t seed = 1;
};
inline constexpr int kMaxToleranceRuns = 100000;

// The defaults, each slot holding a library part with a tolerance taking that part's.
ToleranceSettings toleranceSettingsFor(const DesignRecord &design);

// The entry rules: a tolerance from 0 up to (not including) 100 %, runs 1 .. 100,000, a seed that
// is a whole number (0 .. 2^64 - 1). The value, or why the text is refused.
struct ToleranceEntry {
    std::optional<double> value;
    QString refusal;
};
ToleranceEntry acceptTolerancePercent(const QString &text);
ToleranceEntry acceptToleranceRuns(const QString &text);
std::optional<std::uint64_t> acceptToleranceSeed(const QString &text, QString *refusal);

// The figures of one board: Fig. 3 (with the Zobel network) at 20 kHz, at 384 kHz, its largest
// gain, and the Zobel resistor's dissipation at 7 kHz at the load power; with bands, Fig. 2's three
// figures too (the windows' figure boxes).
enum class ToleranceFigure { gain20k, gain384k, maxGain, zobel7k, plain20k, plain384k, plainMax };
inline constexpr int kToleranceFigureCount = 4;  // what the command line reports
inline constexpr int kAllToleranceFigures = 7;
QString toleranceFigureKey(ToleranceFigure f);  // "gain_20k_dB", ...

// What a board must meet; a limit not given is met by every board.
struct ToleranceLimits {
    std::optional<double> maxPeakDb;  // the largest Fig. 3 gain over the compared loads
    std::optional<double> gain20kLowDb, gain20kHighDb;
    std::optional<double> maxZobelW;     // at 7 kHz
    std::optional<double> maxInductorA;  // the inductor's peak at the load power (carrier given)
    bool any() const { return maxPeakDb || gain20kLowDb || maxZobelW || maxInductorA; }
};
enum class ToleranceLimit { maxPeak, gain20k, maxZobel, maxInductor };
inline constexpr int kToleranceLimitCount = 4;
QString toleranceLimitKey(ToleranceLimit l);  // "max_peak_dB", "gain_20k_dB", ...

struct ToleranceRun {
    DesignValues values;  // in the design record's units
    std::array<double, kAllToleranceFigures> figures{};
    std::array<bool, kToleranceLimitCount> fails{};
};

struct FigureSpread {
    double min = 0.0, p1 = 0.0, p50 = 0.0, p99 = 0.0, max = 0.0;
    // The corners that give the extremes: each input's end, -1 or +1, 0 for an input not varied.
    double cornerMin = 0.0, cornerMax = 0.0;
    std::array<int, kVariedCount> cornerMinEnds{}, cornerMaxEnds{};
};

// The 1st and 99th percentiles (nearest rank) of a curve over the runs, at some of its grid's
// points: a shaded band under the nominal curve.
struct ToleranceBand {
    std::vector<double> x, low, high;
};
struct ToleranceBands {
    ToleranceBand gain, gainZobel, dissipation;  // Fig. 2, Fig. 3, the Power graph
    bool empty() const { return gain.x.empty(); }
};

struct ToleranceResult {
    ToleranceSettings settings;
    std::array<bool, kVariedCount> varied{};  // a tolerance above 0 and a part fitted
    std::vector<ToleranceRun> runs;
    std::array<FigureSpread, kAllToleranceFigures> spread{};
    ToleranceBands bands;                              // empty unless asked for
    std::optional<double> yieldPercent;                // with limits: the share meeting them all
    std::array<int, kToleranceLimitCount> failures{};  // runs failing each limit
    std::optional<ToleranceLimit> mostFailed;          // the limit failed most often, if any
};

// Nearest rank: the value at rank ceil(K N / 100) of the N values sorted.
double nearestRankPercentile(const std::vector<double> &sorted, int percent);

// A batch being worked out: fill() each item of items() once, in any order and from several
// threads at once (the runs first, then the corners), then take the result with finish().
class ToleranceWork
{
public:
    // With `bands`, each run sweeps Fig. 2 and the Power graph too, for their bands and figures.
    ToleranceWork(const DesignRecord &design, double loadPower, const ToleranceSettings &settings,
                  const ToleranceLimits &limits = {}, bool bands = false);
    ~ToleranceWork();
    ToleranceWork(const ToleranceWork &) = delete;
    ToleranceWork &operator=(const ToleranceWork &) = delete;

    std::vector<ToleranceRun> &items() { return m_items; }
    // What the batch was made for.
    const DesignRecord &design() const;
    double loadPower() const;
    const ToleranceSettings &settings() const;
    void fill(ToleranceRun &item) const;
    ToleranceResult finish() &&;

private:
    struct Impl;
    std::unique_ptr<Impl> m;
    std::vector<ToleranceRun> m_items;
};

// The whole batch on the calling thread.
ToleranceResult toleranceRuns(const DesignRecord &design, double loadPower,
                              const ToleranceSettings &settings,
                              const ToleranceLimits &limits = {});
