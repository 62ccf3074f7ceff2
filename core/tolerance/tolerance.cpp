#include "core/tolerance/tolerance.h"

#include "core/carrier/carrier.h"
#include "core/carrier/carrierinputs.h"
#include "core/network/loadcompare.h"
#include "core/network/parasitics.h"
#include "core/network/powersweep.h"
#include "core/network/sweeps.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <mutex>
#include <random>

namespace {

constexpr std::array<const char *, kVariedCount> kVariedNames = {
    "filter_l", "filter_c", "zobel_c_par", "zobel_r", "zobel_c_ser", "speaker_r", "speaker_l"};

double &valueOf(DesignValues &v, Varied which)
{
    switch (which) {
        case Varied::filter_l: return v.filterL;
        case Varied::filter_c: return v.filterC;
        case Varied::zobel_c_par: return v.zobelCPar;
        case Varied::zobel_r: return v.zobelR;
        case Varied::zobel_c_ser: return v.zobelCSer;
        case Varied::speaker_r: return v.speakerR;
        case Varied::speaker_l: return v.speakerL;
    }
    return v.filterL;
}

// The part slot whose library part may bring its own tolerance; none for the speaker.
std::optional<PartSlot> slotOf(Varied v)
{
    switch (v) {
        case Varied::filter_l: return PartSlot::filter_l;
        case Varied::filter_c: return PartSlot::filter_c;
        case Varied::zobel_c_par: return PartSlot::zobel_c_par;
        case Varied::zobel_r: return PartSlot::zobel_r;
        case Varied::zobel_c_ser: return PartSlot::zobel_c_ser;
        default: return std::nullopt;
    }
}

// Uniform on [0, 1) from the top 53 bits of the generator: the same numbers on any platform.
double unit(std::mt19937_64 &gen)
{
    return double(gen() >> 11) * 0x1.0p-53;
}

// A relative deviation within +-t.
double deviation(std::mt19937_64 &gen, Distribution d, double t)
{
    if (d == Distribution::uniform)
        return t * (2 * unit(gen) - 1);
    constexpr double kTwoPi = 6.283185307179586;
    for (;;) {  // Box-Muller, drawn again past the ends (0.27 % of draws)
        const double u1 = 1 - unit(gen), u2 = unit(gen);
        const double z = std::sqrt(-2 * std::log(u1)) * std::cos(kTwoPi * u2);
        if (const double x = z * t / 3; std::abs(x) <= t)
            return x;
    }
}

// NaN sorts last, so that a figure no board can give never upsets the order.
bool before(double a, double b)
{
    return a < b || (std::isnan(b) && !std::isnan(a));
}

// Grid points 1 .. last, `perDecade` to a decade, log-spaced: where a band is drawn.
std::vector<int> logPoints(int last, int perDecade)
{
    std::vector<int> out;
    for (int k = 0;; ++k) {
        const int i = int(std::lround(std::pow(10.0, double(k) / perDecade)));
        if (i > last)
            break;
        if (out.empty() || out.back() != i)
            out.push_back(i);
    }
    if (out.back() != last)
        out.push_back(last);
    return out;
}

// At each point of a band, the `low` smallest and the `high` largest values added so far: the
// nearest-rank 1st percentile is the largest of the first, the 99th the smallest of the second.
class BandAccumulator
{
public:
    void reset(std::size_t points, std::size_t low, std::size_t high)
    {
        m_lowCount = low;
        m_highCount = high;
        m_low.assign(points, {});
        m_high.assign(points, {});
    }
    void add(std::size_t point, double v)
    {
        std::vector<double> &lo = m_low[point], &hi = m_high[point];
        if (lo.size() < m_lowCount) {
            lo.push_back(v);
            std::push_heap(lo.begin(), lo.end(), before);
        } else if (before(v, lo.front())) {
            std::pop_heap(lo.begin(), lo.end(), before);
            lo.back() = v;
            std::push_heap(lo.begin(), lo.end(), before);
        }
        const auto after = [](double a, double b) { return before(b, a); };
        if (hi.size() < m_highCount) {
            hi.push_back(v);
            std::push_heap(hi.begin(), hi.end(), after);
        } else if (before(hi.front(), v)) {
            std::pop_heap(hi.begin(), hi.end(), after);
            hi.back() = v;
            std::push_heap(hi.begin(), hi.end(), after);
        }
    }
    ToleranceBand band(std::vector<double> x) const
    {
        ToleranceBand b;
        b.x = std::move(x);
        for (std::size_t p = 0; p < m_low.size(); ++p) {
            b.low.push_back(m_low[p].empty() ? 0.0 : m_low[p].front());
            b.high.push_back(m_high[p].empty() ? 0.0 : m_high[p].front());
        }
        return b;
    }

private:
    std::size_t m_lowCount = 1, m_highCount = 1;
    std::vector<std::vector<double>> m_low, m_high;
};

}  // namespace

QString variedName(Varied v)
{
    return QLatin1String(kVariedNames[std::size_t(v)]);
}

std::optional<Varied> variedNamed(const QString &name)
{
    for (Varied v : kAllVaried)
        if (name == QLatin1String(kVariedNames[std::size_t(v)]))
            return v;
    return std::nullopt;
}

QString toleranceFigureKey(ToleranceFigure f)
{
    static constexpr std::array<const char *, kAllToleranceFigures> keys = {
        "gain_20k_dB",       "gain_384k_dB",       "max_gain_dB",      "zobel_7k_W",
        "plain_gain_20k_dB", "plain_gain_384k_dB", "plain_max_gain_dB"};
    return QLatin1String(keys[std::size_t(f)]);
}

QString toleranceLimitKey(ToleranceLimit l)
{
    static constexpr std::array<const char *, kToleranceLimitCount> keys = {
        "max_peak_dB", "gain_20k_dB", "max_zobel_W", "max_inductor_A"};
    return QLatin1String(keys[std::size_t(l)]);
}

ToleranceSettings toleranceSettingsFor(const DesignRecord &design)
{
    ToleranceSettings s;
    for (Varied v : kAllVaried)
        if (const std::optional<PartSlot> slot = slotOf(v))
            if (const std::optional<Part> &part = design.parts.at(*slot);
                part && part->tolerancePercent)
                s.percent[std::size_t(v)] = *part->tolerancePercent;
    return s;
}

ToleranceEntry acceptTolerancePercent(const QString &text)
{
    bool ok = false;
    const double v = text.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(v))
        return {std::nullopt, QStringLiteral("a tolerance is a number of percent")};
    if (v < 0 || v >= 100)
        return {std::nullopt, QStringLiteral("a tolerance is from 0 up to, not including, 100 %")};
    return {v, {}};
}

ToleranceEntry acceptToleranceRuns(const QString &text)
{
    bool ok = false;
    const qlonglong v = text.trimmed().toLongLong(&ok);
    if (!ok || v < 1 || v > kMaxToleranceRuns)
        return {std::nullopt, QStringLiteral("the runs are a whole number from 1 to 100000")};
    return {double(v), {}};
}

std::optional<std::uint64_t> acceptToleranceSeed(const QString &text, QString *refusal)
{
    bool ok = false;
    const qulonglong v = text.trimmed().toULongLong(&ok);
    if (!ok || text.trimmed().startsWith(QLatin1Char('-')) ||
        text.trimmed().startsWith(QLatin1Char('+'))) {
        if (refusal)
            *refusal = QStringLiteral("the seed is a whole number from 0 to 18446744073709551615");
        return std::nullopt;
    }
    return std::uint64_t(v);
}

double nearestRankPercentile(const std::vector<double> &sorted, int percent)
{
    if (sorted.empty())
        return std::numeric_limits<double>::quiet_NaN();
    // ceil(K N / 100) in whole numbers, at least rank 1
    const std::size_t rank =
        std::max<std::size_t>(1, (std::size_t(percent) * sorted.size() + 99) / 100);
    return sorted[rank - 1];
}

struct ToleranceWork::Impl {
    DesignRecord design;
    double loadPower = 0.0;
    ToleranceSettings settings;
    ToleranceLimits limits;
    DesignValues nominal;
    std::array<bool, kVariedCount> varied{};
    std::array<double, kVariedCount> fraction{};  // tolerance / 100
    bool parasitic = false;
    int corners = 0;
    bool bands = false;
    std::vector<int> gainPoints, powerPoints;
    mutable std::mutex bandLock;
    mutable BandAccumulator gainBand, zobelBand, powerBand;

    void figures(ToleranceRun &run, bool judge) const;
    // Each band's values at its points for one board, in the order of the points.
    void addToBands(const std::vector<double> &plain, const std::vector<double> &zobel,
                    const std::vector<double> &power) const;
};

void ToleranceWork::Impl::addToBands(const std::vector<double> &plain,
                                     const std::vector<double> &zobel,
                                     const std::vector<double> &power) const
{
    const std::lock_guard<std::mutex> hold(bandLock);
    for (std::size_t p = 0; p < gainPoints.size(); ++p) {
        gainBand.add(p, plain[p]);
        zobelBand.add(p, zobel[p]);
    }
    for (std::size_t p = 0; p < powerPoints.size(); ++p) powerBand.add(p, power[p]);
}

ToleranceWork::ToleranceWork(const DesignRecord &design, double loadPower,
                             const ToleranceSettings &settings, const ToleranceLimits &limits,
                             bool bands)
    : m(std::make_unique<Impl>())
{
    m->design = design;
    m->loadPower = loadPower;
    m->settings = settings;
    m->settings.runs = std::clamp(settings.runs, 1, kMaxToleranceRuns);
    m->limits = limits;
    m->nominal = designValues(design);
    m->parasitic = design.parts.hasParasitics();
    std::vector<Varied> moving;
    for (Varied v : kAllVaried) {
        const std::size_t i = std::size_t(v);
        m->fraction[i] = settings.percent[i] / 100;
        m->varied[i] = m->fraction[i] > 0 && valueOf(m->nominal, v) != 0.0;
        if (m->varied[i])
            moving.push_back(v);
    }
    m->corners = 1 << moving.size();
    m->bands = bands;
    if (bands) {
        constexpr int kPerDecade = 60;
        m->gainPoints = logPoints(kSweepPoints, kPerDecade);
        m->powerPoints = logPoints(kPowerPoints, kPerDecade);
        // Ranks ceil(N/100) from the bottom and N - ceil(99 N/100) + 1 from the top.
        const auto n = std::size_t(m->settings.runs);
        const std::size_t low = (n + 99) / 100, high = n - (99 * n + 99) / 100 + 1;
        m->gainBand.reset(m->gainPoints.size(), low, high);
        m->zobelBand.reset(m->gainPoints.size(), low, high);
        m->powerBand.reset(m->powerPoints.size(), low, high);
    }
    // The runs, each drawing its deviations in the inputs' order, then the corners: bit j of a
    // corner's number puts the j-th varied input at its upper end.
    std::mt19937_64 gen(m->settings.seed);
    m_items.resize(std::size_t(m->settings.runs + m->corners));
    for (int r = 0; r < m->settings.runs; ++r) {
        DesignValues &v = m_items[std::size_t(r)].values = m->nominal;
        for (Varied which : moving)
            valueOf(v, which) *=
                1 + deviation(gen, settings.distribution, m->fraction[std::size_t(which)]);
    }
    for (int c = 0; c < m->corners; ++c) {
        DesignValues &v = m_items[std::size_t(m->settings.runs + c)].values = m->nominal;
        for (std::size_t j = 0; j < moving.size(); ++j) {
            const double t = m->fraction[std::size_t(moving[j])];
            valueOf(v, moving[j]) *= (c >> j) & 1 ? 1 + t : 1 - t;
        }
    }
}

ToleranceWork::~ToleranceWork() = default;

const DesignRecord &ToleranceWork::design() const
{
    return m->design;
}

double ToleranceWork::loadPower() const
{
    return m->loadPower;
}

const ToleranceSettings &ToleranceWork::settings() const
{
    return m->settings;
}

void ToleranceWork::Impl::figures(ToleranceRun &run, bool judge) const
{
    thread_local Curve curve, plainCurve;
    thread_local PowerCurve powerCurve;
    thread_local std::vector<double> plainAt, zobelAt, powerAt;
    const DesignValues &v = run.values;
    const PowerInputs power = powerInputs(v, design.fullBridge(), loadPower);
    GainFigures gain, plain;
    double zobelW = 0.0;
    double peak = 0.0;  // the largest Fig. 3 gain over the compared loads, asked for by a limit
    const bool overLoads = judge && limits.maxPeakDb;
    const bool banded = bands && judge;
    if (banded) {
        plainAt.resize(gainPoints.size());
        zobelAt.resize(gainPoints.size());
        powerAt.resize(powerPoints.size());
    }
    if (parasitic) {
        const ParasiticNetwork real = parasiticNetwork(design, v);
        const ParasiticFigures f =
            sweepParasitic(real, bands ? &plainCurve : nullptr, &curve, nullptr);
        gain = f.gainZobel;
        plain = f.gain;
        zobelW = sweepParasiticPower(real, power, powerCurve).at7kHz;
        for (std::size_t p = 0; banded && p < gainPoints.size(); ++p) {
            plainAt[p] = plainCurve.y[std::size_t(gainPoints[p])];
            zobelAt[p] = curve.y[std::size_t(gainPoints[p])];
        }
        for (std::size_t p = 0; banded && p < powerPoints.size(); ++p)
            powerAt[p] = powerCurve.y[std::size_t(powerPoints[p])];
        for (const ComparedLoad &load : kComparedLoads) {
            if (!overLoads)
                break;
            ParasiticNetwork at = real;
            at.Rs = load.ohms;
            peak = std::max(peak, sweepParasitic(at, nullptr, &curve, nullptr).gainZobel.maximum);
        }
    } else {
        // The figures without the curves: each value at a grid point is the one the main
        // window's sweep writes there.
        const NetworkValues n = networkValues(v, design.full_bridge_select);
        gain = gainZobelFigures(n);
        const double V = zobelBranchVoltage(power);
        zobelW = zobelPowerAt(power, V, 70);  // 7 kHz
        if (bands)
            plain = gainPlainFigures(n);
        for (std::size_t p = 0; banded && p < gainPoints.size(); ++p) {
            plainAt[p] = detail::toDecibel(ratioPlainAt(n, gainPoints[p]));
            zobelAt[p] = detail::toDecibel(ratioZobelAt(n, gainPoints[p]));
        }
        for (std::size_t p = 0; banded && p < powerPoints.size(); ++p)
            powerAt[p] = zobelPowerAt(power, V, powerPoints[p]);
        for (const ComparedLoad &load : kComparedLoads) {
            if (!overLoads)
                break;
            NetworkValues at = n;
            at.R1 = load.ohms;
            peak = std::max(peak, gainZobelFigures(at).maximum);
        }
    }
    if (banded)
        addToBands(plainAt, zobelAt, powerAt);
    run.figures = {gain.gain20k,  gain.gain384k,  gain.maximum, zobelW,
                   plain.gain20k, plain.gain384k, plain.maximum};
    if (!judge)
        return;
    if (overLoads)
        run.fails[std::size_t(ToleranceLimit::maxPeak)] =
            !(std::max(peak, gain.maximum) <= *limits.maxPeakDb);
    if (limits.gain20kLowDb && limits.gain20kHighDb)
        run.fails[std::size_t(ToleranceLimit::gain20k)] =
            !(gain.gain20k >= *limits.gain20kLowDb && gain.gain20k <= *limits.gain20kHighDb);
    if (limits.maxZobelW)
        run.fails[std::size_t(ToleranceLimit::maxZobel)] = !(zobelW <= *limits.maxZobelW);
    if (limits.maxInductorA && design.carrier.given()) {
        const CarrierAnalysis a =
            analyzeCarrier(carrierNetwork(design, v), carrierSettings(design.carrier, loadPower));
        const auto *p = std::get_if<AtPowerFigures>(&a.atPower);
        const double peak = p ? std::max(p->inductorPeakA[0], p->inductorPeakA[1])
                              : std::numeric_limits<double>::infinity();
        run.fails[std::size_t(ToleranceLimit::maxInductor)] = !(peak <= *limits.maxInductorA);
    }
}

void ToleranceWork::fill(ToleranceRun &item) const
{
    m->figures(item, &item - m_items.data() < m->settings.runs);
}

ToleranceResult ToleranceWork::finish() &&
{
    ToleranceResult out;
    out.settings = m->settings;
    out.varied = m->varied;
    const auto runs = std::size_t(m->settings.runs);
    for (int f = 0; f < kAllToleranceFigures; ++f) {
        std::vector<double> values(runs);
        for (std::size_t r = 0; r < runs; ++r) values[r] = m_items[r].figures[std::size_t(f)];
        std::sort(values.begin(), values.end(), before);
        FigureSpread &s = out.spread[std::size_t(f)];
        s.min = values.front();
        s.max = values.back();
        s.p1 = nearestRankPercentile(values, 1);
        s.p50 = nearestRankPercentile(values, 50);
        s.p99 = nearestRankPercentile(values, 99);
        // The corners: the first one to reach each extreme.
        std::size_t lo = runs, hi = runs;
        for (std::size_t c = runs; c < m_items.size(); ++c) {
            const double v = m_items[c].figures[std::size_t(f)];
            if (before(v, m_items[lo].figures[std::size_t(f)]))
                lo = c;
            if (before(m_items[hi].figures[std::size_t(f)], v))
                hi = c;
        }
        s.cornerMin = m_items[lo].figures[std::size_t(f)];
        s.cornerMax = m_items[hi].figures[std::size_t(f)];
        int j = 0;
        for (Varied v : kAllVaried) {
            const std::size_t i = std::size_t(v);
            if (!m->varied[i])
                continue;
            s.cornerMinEnds[i] = ((lo - runs) >> j) & 1 ? 1 : -1;
            s.cornerMaxEnds[i] = ((hi - runs) >> j) & 1 ? 1 : -1;
            ++j;
        }
    }
    if (m->bands) {
        std::vector<double> gainX(m->gainPoints.size()), powerX(m->powerPoints.size());
        for (std::size_t p = 0; p < gainX.size(); ++p) gainX[p] = gridFrequency(m->gainPoints[p]);
        for (std::size_t p = 0; p < powerX.size(); ++p) powerX[p] = m->powerPoints[p] * 100.0;
        out.bands.gain = m->gainBand.band(gainX);
        out.bands.gainZobel = m->zobelBand.band(gainX);
        out.bands.dissipation = m->powerBand.band(powerX);
    }
    if (m->limits.any()) {
        int good = 0;
        for (std::size_t r = 0; r < runs; ++r) {
            const ToleranceRun &run = m_items[r];
            good += std::none_of(run.fails.begin(), run.fails.end(), [](bool f) { return f; });
            for (int l = 0; l < kToleranceLimitCount; ++l)
                out.failures[std::size_t(l)] += run.fails[std::size_t(l)];
        }
        out.yieldPercent = 100.0 * good / double(runs);
        const auto most = std::max_element(out.failures.begin(), out.failures.end());
        if (*most > 0)
            out.mostFailed = ToleranceLimit(most - out.failures.begin());
    }
    m_items.resize(runs);
    out.runs = std::move(m_items);
    return out;
}

ToleranceResult toleranceRuns(const DesignRecord &design, double loadPower,
                              const ToleranceSettings &settings, const ToleranceLimits &limits)
{
    ToleranceWork work(design, loadPower, settings, limits);
    for (ToleranceRun &item : work.items()) work.fill(item);
    return std::move(work).finish();
}
