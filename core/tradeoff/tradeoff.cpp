// The trade-off map's engine.
//
// A network's peak with a load is the largest value of the with-Zobel gain over the sweep grid
// (i = 1 .. 10000), from 0 dB up, exactly as Fig. 3's sweep finds it: every value taken is the
// sweep's own (ratioZobelAt for a speaker of resistance and inductance, measuredRatioAt for a
// measured one), and every part of the grid that is not swept is proved to stay below the best
// value found.
//
// The gain is 1/|1 + jwL Y|, Y = Y_load + Y_z/k (k = 2 in full bridge). With p = wL Im Y and
// q = wL Re Y, |1 + jwL Y|^2 = (1 - p)^2 + q^2.
// - The load's part of p and q does not depend on the network: per load, its least and greatest
//   values over each block of 16 grid points and each superblock of 16 blocks are taken once,
//   from every grid point.
// - The Zobel part: Y_z = jwCzs (1 + jw t1)/(1 + jw t2), t1 = Rz Czp, t2 = Rz (Czp + Czs), so
//   w Re Y_z = w^3 Czs^2 Rz/(1 + w^2 t2^2) and w Im Y_z = w^2 Czs (1 + w^2 t1 t2)/(1 + w^2 t2^2).
//   Both rise with w (in u = w^2 the derivatives are proportional to 3/2 + u t2^2/2 and to
//   1 + 2u t1 t2 + u^2 t1 t2^3), so over a segment they lie between their values at its first and
//   last grid points. They do not depend on the load.
// - Over a segment p lies in [lo, hi] = [load's least + Zobel's first, load's greatest + Zobel's
//   last] and q is at least q_min = load's least + Zobel's first (>= 0, a passive load), so
//   |1 + jwLY| >= sqrt(a^2 + q_min^2), a the distance from 1 to [lo, hi]: the gain is at most
//   U = 1/sqrt(a^2 + q_min^2).
// - Against rounding, a shrinks by 1e-12 S, S = 1 + |lo| + |hi| + q_max, q_min by 1e-12 of
//   itself, and U grows by 1e-9 + 1e-13 S U of itself, S the largest of the segments compared; the
//   last term covers the sweep's own rounding, which grows with the cancellation in 1 + jwLY,
//   that is with 1 + |wLY| times the gain.
// - A segment whose bound is below the best ratio found so far, less 1e-12 of it, holds no point
//   whose dB value could reach the best one (the logarithm's rounding is far below 1e-12) and is
//   left out; the others are swept point by point, superblocks and blocks of highest bound first,
//   with ratioZobelAt itself (vectorised, the same bits: no fused multiply-adds anywhere).
//   The best starts at ratio 1, 0 dB, the running maximum's floor. The dB value of each swept
//   point within 1e-12 of the best ratio is taken, so that the result is the largest dB value even
//   where two ratios that close would round to the other order.
// - The design's own speaker comes first, its peak being a figure of its own; the other loads
//   start from it, and a load whose superblocks all stay below it costs 40 bounds.
#include "core/tradeoff/tradeoff.h"

#include "core/carrier/carrier.h"
#include "core/carrier/carrierinputs.h"
#include "core/common/figuretext.h"
#include "core/measured/measuredcurves.h"
#include "core/network/loadcompare.h"
#include "core/network/parasitics.h"
#include "core/network/powersweep.h"
#include "core/network/sweeps.h"
#include "core/network/valuelists.h"

#include <QStringList>

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <numeric>

namespace {

constexpr int kBlock = 16;                                // grid points per block
constexpr int kBlocks = kSweepPoints / kBlock;            // 625
constexpr int kSuper = 16;                                // blocks per superblock
constexpr int kSupers = (kBlocks + kSuper - 1) / kSuper;  // 40
static_assert(kBlocks * kBlock == kSweepPoints);

constexpr double kTie = 1e-12;  // ratios this close may take their dB values in either order

int blockFirst(int b)
{
    return b * kBlock + 1;
}
int superFirst(int s)
{
    return blockFirst(s * kSuper);
}
int superLast(int s)
{
    return std::min(s * kSuper + kSuper, kBlocks) * kBlock;
}
int superBlockEnd(int s)
{
    return std::min(s * kSuper + kSuper, kBlocks);
}

// Least and greatest p and q of a load over each of N segments.
template <int N>
struct Ranges {
    std::array<double, N> pMin, pMax, qMin, qMax;
};

struct LoadTable {
    std::int32_t ohms = 0;
    bool measured = false;
    Ranges<kBlocks> blocks;
    Ranges<kSupers> supers;
};

// The Zobel branch's part of p and q (see the top of the file).
struct ZobelPart {
    double t12, t22, cp, cq;
    explicit ZobelPart(const NetworkValues &n)
    {
        const double k = n.full_bridge_select ? 2.0 : 1.0;
        const double t1 = n.R2 * n.C2, t2 = n.R2 * (n.C2 + n.C3);
        t12 = t1 * t2;
        t22 = t2 * t2;
        cp = n.L2 * n.C3 / k;
        cq = n.L2 * n.C3 * n.C3 * n.R2 / k;
    }
    void at(int i, double &p, double &q) const
    {
        const double w = gridOmega(i), u = w * w;
        const double den = 1 + u * t22;
        p = u * cp * (1 + u * t12) / den;
        q = w * u * cq / den;
    }
};

// The Zobel part at each segment's first (A) and last (B) grid point; a superblock's blocks are
// filled when it is first refined.
struct ZobelEnds {
    std::array<double, kSupers> sPA, sPB, sQA, sQB;
    std::array<double, kBlocks> bPA, bPB, bQA, bQB;
    std::array<bool, kSupers> blocksReady;
};

// The Zobel part at both ends of every super-block; the blocks' ends follow when first needed.
// Kept out of line, as refine(): folded into the network's loop they cost it about 4 %.
[[gnu::noinline]] ZobelEnds endsOf(const ZobelPart &zobel)
{
    ZobelEnds ends;
    for (int s = 0; s < kSupers; ++s) {
        zobel.at(superFirst(s), ends.sPA[s], ends.sQA[s]);
        zobel.at(superLast(s), ends.sPB[s], ends.sQB[s]);
    }
    ends.blocksReady.fill(false);
    return ends;
}

// Over a segment: |1 + jwLY|^2 is at least `floor` (rounding allowed for), and 1 + |wLY| at most
// `size`.
inline void segmentBound(double pMin, double pMax, double qMin, double qMax, double zpA, double zpB,
                         double zqA, double zqB, double &floor, double &size)
{
    const double lo = pMin + zpA, hi = pMax + zpB;
    size = 1 + std::abs(lo) + std::abs(hi) + (qMax + zqB);
    double a = lo > 1 ? lo - 1 : (hi < 1 ? 1 - hi : 0.0);
    a = std::max(0.0, a - 1e-12 * size);
    const double q = std::max(0.0, (qMin + zqA) * (1 - 1e-12));
    floor = a * a + q * q;
}

// Visits the segments [0, count) from the one of highest bound down, while that bound can reach
// the best ratio found (less the tie allowance). The bound of a segment, from its floor F and the
// largest size S of them all: U (1 + 1e-9 + 1e-13 S U), U = 1/sqrt(F).
template <std::size_t N, class Visit>
void bestFirst(std::array<double, N> &floor, const std::array<double, N> &size, int count,
               const double &bestRatio, Visit visit)
{
    const double sizeMax = *std::max_element(size.begin(), size.begin() + count);
    for (;;) {
        int at = 0;
        for (int i = 1; i < count; ++i)
            if (floor[i] < floor[at])
                at = i;
        const double U = 1 / std::sqrt(floor[at]);
        if (U * (1 + 1e-9 + 1e-13 * sizeMax * U) < bestRatio * (1 - kTie))
            return;
        floor[at] = std::numeric_limits<double>::infinity();  // visited
        visit(at);
    }
}

// The sweep's ratios at the points of block b, in loops the compiler vectorises: one per topology,
// so that no branch is left inside.
template <Flag kTopology>
inline void ratiosOf(NetworkValues n, int first, double *ratio)
{
    n.full_bridge_select = kTopology;
    for (int k = 0; k < kBlock; ++k) ratio[k] = ratioZobelAt(n, first + k);
}

QUORVEL_SWEEP_TARGETS void blockRatios(const NetworkValues &n, int b, double *ratio)
{
    if (n.full_bridge_select)
        ratiosOf<kFlagTrue>(n, blockFirst(b), ratio);
    else
        ratiosOf<kFlagFalse>(n, blockFirst(b), ratio);
}

// The best value found so far over the loads searched.
struct Best {
    double ratio = 1.0;  // 0 dB, the running maximum's floor
    double dB = 0.0;
    int load = 0;
    int swept = 0;  // grid points
};

// The lists' networks, read from the lists once.
const ZobelNetworks &listNetworks()
{
    static const ZobelNetworks lists;
    return lists;
}

double openWhenZero(double farad)
{
    return farad == 0.0 ? 1e-13 : farad;
}

}  // namespace

// The lists' networks are a ZobelNetworks of no library.
int zobelNetworkCount()
{
    return listNetworks().count();
}

ZobelNetwork zobelNetwork(int index)
{
    return listNetworks().at(index);
}

int zobelNetworkIndex(ZobelNetwork z)
{
    return listNetworks().indexOf(z);
}

QString zobelCParText(ZobelNetwork z)
{
    return listNetworks().cParText(z);
}
QString zobelRText(ZobelNetwork z)
{
    return listNetworks().rText(z);
}
QString zobelCSerText(ZobelNetwork z)
{
    return listNetworks().cSerText(z);
}

bool isNoZobel(ZobelNetwork z)
{
    return listNetworks().isNoZobel(z);
}

std::optional<ZobelNetwork> designNetwork(const DesignRecord &design)
{
    const qsizetype c = listItems(ListSelector::zobel_c_par).indexOf(design.jzobel_c2);
    const qsizetype r = listItems(ListSelector::zobel_r_par).indexOf(design.jzobel_r2);
    const qsizetype s = listItems(ListSelector::zobel_c_ser).indexOf(design.jzobel_c3);
    if (c < 0 || r < 0 || s < 0)
        return std::nullopt;
    return ZobelNetwork{int(c), int(r), int(s)};
}

DesignRecord withZobel(const DesignRecord &design, ZobelNetwork z)
{
    return listNetworks().applied(design, z);
}

ZobelNetworks::ZobelNetworks(const PartsLibrary &library) : m_library(library)
{
    for (const auto &[s, items] :
         {std::pair{ListSelector::zobel_c_par, &m_cPar}, std::pair{ListSelector::zobel_r_par, &m_r},
          std::pair{ListSelector::zobel_c_ser, &m_cSer}}) {
        const PartSlot slot = *partSlot(s);
        for (const QString &text : listItems(s, library)) {
            DesignRecord d;
            acceptSelection(d, s, text, library);
            const double value = s == ListSelector::zobel_c_par   ? d.zobel_c_parval
                                 : s == ListSelector::zobel_r_par ? d.zobel_r_parval
                                                                  : d.zobel_c_serval;
            const std::optional<Part> &part = d.parts.at(slot);
            items->push_back({text, value, part && part->hasParasitics()});
        }
    }
}

ZobelNetwork ZobelNetworks::at(int index) const
{
    const int nr = int(m_r.size());
    const int ns = int(m_cSer.size());
    return {index / (nr * ns), (index / ns) % nr, index % ns};
}

int ZobelNetworks::indexOf(ZobelNetwork z) const
{
    return (z.cPar * int(m_r.size()) + z.r) * int(m_cSer.size()) + z.cSer;
}

bool ZobelNetworks::hasParasitics(ZobelNetwork z) const
{
    return m_cPar[std::size_t(z.cPar)].parasitic || m_r[std::size_t(z.r)].parasitic ||
           m_cSer[std::size_t(z.cSer)].parasitic;
}

DesignRecord ZobelNetworks::applied(const DesignRecord &design, ZobelNetwork z) const
{
    DesignRecord d = design;
    acceptSelection(d, ListSelector::zobel_c_par, cParText(z), m_library);
    acceptSelection(d, ListSelector::zobel_r_par, rText(z), m_library);
    acceptSelection(d, ListSelector::zobel_c_ser, cSerText(z), m_library);
    return d;
}

std::vector<TradeoffLoad> tradeoffLoads(const TradeoffInputs &in)
{
    const std::int32_t own = in.design.speaker_r_modeval;
    std::vector<TradeoffLoad> loads{{QStringLiteral("%1 ohm (design)").arg(own), own, false}};
    for (const ComparedLoad &c : kComparedLoads)
        if (c.ohms != own)
            loads.push_back({QString::fromLatin1(c.name), c.ohms, false});
    if (in.measured)
        loads.push_back({QStringLiteral("measured"), 0, true});
    return loads;
}

struct TradeoffEngine::Impl {
    NetworkValues base;  // the design with its own speaker; the Zobel values are replaced
    const ZobelNetworks &networks;
    std::vector<TradeoffLoad> loads;
    std::vector<LoadTable> tables;
    std::shared_ptr<const MeasuredLoad> measured;
    std::unique_ptr<MeasuredGrid> grid;
    PowerInputs power;
    bool carrier = false;
    CarrierNetwork carrierBase;
    CarrierInputs carrierInputs;
    // Parts with parasitics: each network is the design with its items, swept whole.
    bool parasitic = false;
    DesignRecord design;
    double loadPower = 0.0;

    Impl(const TradeoffInputs &in, TradeoffParts parts, const ZobelNetworks *given);
    void evaluateParasitic(ZobelNetwork z, TradeoffRow &row, TradeoffParts parts) const;
    LoadTable table(const TradeoffLoad &load) const;
    NetworkValues network(ZobelNetwork z) const;
    void search(int load, const NetworkValues &n, const ZobelPart &zobel, ZobelEnds &ends,
                Best &best) const;
    [[gnu::noinline]] void refine(int load, int s, const NetworkValues &n, const ZobelPart &zobel,
                                  ZobelEnds &ends, Best &best) const;
    void sweepBlock(int load, int b, const NetworkValues &n, Best &best) const;
};

TradeoffEngine::Impl::Impl(const TradeoffInputs &in, TradeoffParts parts,
                           const ZobelNetworks *given)
    : base(networkValues(in.design)),
      networks(given ? *given : listNetworks()),
      loads(tradeoffLoads(in)),
      measured(in.measured),
      parasitic(in.design.parts.hasParasitics()),
      design(in.design),
      loadPower(in.loadPower)
{
    if (parts.testFlag(TradeoffPart::Peaks)) {
        if (measured) {
            grid = std::make_unique<MeasuredGrid>();
            evaluateOnGrid(*measured, *grid);
        }
        for (const TradeoffLoad &load : loads) tables.push_back(table(load));
    }
    power = powerInputs(in.design, in.loadPower);
    carrier = parts.testFlag(TradeoffPart::Carrier) && in.design.carrier.given();
    if (carrier) {
        carrierBase = carrierNetwork(in.design, measured.get());
        carrierInputs = in.design.carrier;
    }
}

LoadTable TradeoffEngine::Impl::table(const TradeoffLoad &load) const
{
    LoadTable t;
    t.ohms = load.ohms;
    t.measured = load.measured;
    const double R = load.ohms, Ls = base.L1, Cf = base.C1, L = base.L2;
    constexpr double inf = std::numeric_limits<double>::infinity();
    for (int b = 0; b < kBlocks; ++b) {
        double pMin = inf, pMax = -inf, qMin = inf, qMax = -inf;
        for (int i = blockFirst(b); i < blockFirst(b) + kBlock; ++i) {
            const double w = gridOmega(i);
            double yr, yi;
            if (load.measured) {
                const std::complex<double> z = grid->z[std::size_t(i)];
                const double d = z.real() * z.real() + z.imag() * z.imag();
                yr = z.real() / d;
                yi = -z.imag() / d + w * Cf;
            } else {
                const double x = w * Ls, d = R * R + x * x;
                yr = R / d;
                yi = -x / d + w * Cf;
            }
            const double p = w * L * yi, q = w * L * yr;
            pMin = std::min(pMin, p);
            pMax = std::max(pMax, p);
            qMin = std::min(qMin, q);
            qMax = std::max(qMax, q);
        }
        t.blocks.pMin[b] = pMin;
        t.blocks.pMax[b] = pMax;
        t.blocks.qMin[b] = qMin;
        t.blocks.qMax[b] = qMax;
    }
    for (int s = 0; s < kSupers; ++s) {
        const int from = s * kSuper, to = superBlockEnd(s);
        t.supers.pMin[s] = *std::min_element(&t.blocks.pMin[from], &t.blocks.pMin[0] + to);
        t.supers.pMax[s] = *std::max_element(&t.blocks.pMax[from], &t.blocks.pMax[0] + to);
        t.supers.qMin[s] = *std::min_element(&t.blocks.qMin[from], &t.blocks.qMin[0] + to);
        t.supers.qMax[s] = *std::max_element(&t.blocks.qMax[from], &t.blocks.qMax[0] + to);
    }
    return t;
}

NetworkValues TradeoffEngine::Impl::network(ZobelNetwork z) const
{
    // As networkValues() takes the design's Zobel values.
    NetworkValues n = base;
    n.R2 = networks.r(z) * 1.0000001;
    n.C2 = openWhenZero(networks.cPar(z));
    n.C3 = openWhenZero(networks.cSer(z));
    return n;
}

void TradeoffEngine::Impl::sweepBlock(int load, int b, const NetworkValues &n, Best &best) const
{
    const int first = blockFirst(b);
    const bool measuredLoad = tables[std::size_t(load)].measured;
    best.swept += kBlock;
    double ratio[kBlock];
    if (measuredLoad) {
        for (int k = 0; k < kBlock; ++k) ratio[k] = measuredRatioAt(n, *grid, first + k, true);
    } else {
        blockRatios(n, b, ratio);
    }
    best.ratio = std::max(best.ratio, *std::max_element(ratio, ratio + kBlock));
    const double tie = best.ratio * (1 - kTie);
    for (int k = 0; k < kBlock; ++k) {
        if (!(ratio[k] >= tie))
            continue;
        const double dB =
            measuredLoad ? measuredGainAt(n, *grid, first + k, true) : detail::toDecibel(ratio[k]);
        if (dB > best.dB) {
            best.dB = dB;
            best.load = load;
        }
    }
}

void TradeoffEngine::Impl::refine(int load, int s, const NetworkValues &n, const ZobelPart &zobel,
                                  ZobelEnds &ends, Best &best) const
{
    const int from = s * kSuper, to = superBlockEnd(s);
    if (!ends.blocksReady[std::size_t(s)]) {
        for (int b = from; b < to; ++b) {
            zobel.at(blockFirst(b), ends.bPA[b], ends.bQA[b]);
            zobel.at(blockFirst(b) + kBlock - 1, ends.bPB[b], ends.bQB[b]);
        }
        ends.blocksReady[std::size_t(s)] = true;
    }
    const Ranges<kBlocks> &t = tables[std::size_t(load)].blocks;
    std::array<double, kSuper> floor, size;
    for (int b = from; b < to; ++b)
        segmentBound(t.pMin[b], t.pMax[b], t.qMin[b], t.qMax[b], ends.bPA[b], ends.bPB[b],
                     ends.bQA[b], ends.bQB[b], floor[b - from], size[b - from]);
    bestFirst(floor, size, to - from, best.ratio,
              [&](int k) { sweepBlock(load, from + k, n, best); });
}

void TradeoffEngine::Impl::search(int load, const NetworkValues &n, const ZobelPart &zobel,
                                  ZobelEnds &ends, Best &best) const
{
    const Ranges<kSupers> &t = tables[std::size_t(load)].supers;
    std::array<double, kSupers> floor, size;
    for (int s = 0; s < kSupers; ++s)
        segmentBound(t.pMin[s], t.pMax[s], t.qMin[s], t.qMax[s], ends.sPA[s], ends.sPB[s],
                     ends.sQA[s], ends.sQB[s], floor[s], size[s]);
    bestFirst(floor, size, kSupers, best.ratio,
              [&](int s) { refine(load, s, n, zobel, ends, best); });
}

TradeoffEngine::TradeoffEngine(const TradeoffInputs &in, TradeoffParts parts,
                               const ZobelNetworks *networks)
    : m(std::make_unique<Impl>(in, parts, networks))
{
}

TradeoffEngine::~TradeoffEngine() = default;

const std::vector<TradeoffLoad> &TradeoffEngine::loads() const
{
    return m->loads;
}

void TradeoffEngine::Impl::evaluateParasitic(ZobelNetwork z, TradeoffRow &row,
                                             TradeoffParts parts) const
{
    // The network as the main window works it out once its items are chosen: every grid point
    // of Fig. 3 for each load (a measured speaker's included), the Power window's dissipation
    // sweep.
    const DesignRecord d = networks.applied(design, z);
    const ParasiticNetwork real = parasiticNetwork(d);
    if (parts.testFlag(TradeoffPart::Peaks) && !tables.empty()) {
        std::array<double, 8> ohms{};
        std::array<GainFigures, 8> figures;
        std::size_t swept = 0;
        for (const TradeoffLoad &load : loads)
            if (!load.measured)
                ohms[swept++] = load.ohms;
        parasiticZobelFigures(real, std::span(ohms).first(swept), figures.data());
        row.sweptPoints = int(swept) * kSweepPoints;
        row.ownPeakDb = figures[0].maximum;
        row.gain20kDb = figures[0].gain20k;
        row.worstPeakDb = -std::numeric_limits<double>::infinity();
        for (int load = 0; load < int(loads.size()); ++load) {
            const bool measuredLoad = loads[std::size_t(load)].measured;
            if (measuredLoad)
                row.sweptPoints += kSweepPoints;
            const double dB = measuredLoad
                                  ? parasiticZobelFiguresWithLoad(real, grid->y.data()).maximum
                                  : figures[std::size_t(load)].maximum;
            if (dB > row.worstPeakDb) {
                row.worstPeakDb = dB;
                row.worstLoad = load;
            }
        }
    }
    const PowerInputs power = powerInputs(d, loadPower);
    if (parts.testFlag(TradeoffPart::At7kHz)) {
        thread_local PowerCurve curve;
        row.at7kHzW = sweepParasiticPower(real, power, curve).at7kHz;
    }
    if (parts.testFlag(TradeoffPart::Carrier)) {
        row.carrierW = 0.0;
        if (carrier) {
            const CarrierInputs &c = carrierInputs;
            row.carrierW = idleZobelResistorW(carrierNetwork(d, measured.get()), c.supplyV,
                                              c.switchingHz, c.modulation);
        }
    }
    row.zobelW = power.zobelCSer == 0.0 ? 0.0 : row.at7kHzW + row.carrierW;
}

void TradeoffEngine::evaluate(int index, TradeoffRow &row, TradeoffParts parts) const
{
    const ZobelNetwork z = m->networks.at(index);
    if (sweptWhole(index)) {
        m->evaluateParasitic(z, row, parts);
        return;
    }
    const NetworkValues n = m->network(z);
    if (parts.testFlag(TradeoffPart::Peaks) && !m->tables.empty()) {
        const ZobelPart zobel(n);
        ZobelEnds ends = endsOf(zobel);
        Best best;
        for (int load = 0; load < int(m->tables.size()); ++load) {
            NetworkValues nl = n;
            nl.R1 = m->tables[std::size_t(load)].ohms;  // the own speaker's, for load 0
            m->search(load, nl, zobel, ends, best);
            if (load == 0)
                row.ownPeakDb = best.dB;
        }
        row.worstPeakDb = best.dB;
        row.worstLoad = best.load;
        row.sweptPoints = best.swept;
        row.gain20kDb = gainZobelAt(n, 200);  // 20 kHz
    }
    PowerInputs power = m->power;
    power.zobelCPar = m->networks.cPar(z);
    power.zobelR = m->networks.r(z);
    power.zobelCSer = m->networks.cSer(z);
    if (parts.testFlag(TradeoffPart::At7kHz))
        row.at7kHzW = zobelPowerAt(power, zobelBranchVoltage(power), 70);  // 7 kHz
    if (parts.testFlag(TradeoffPart::Carrier)) {
        row.carrierW = 0.0;
        if (m->carrier) {
            CarrierNetwork net = m->carrierBase;
            net.zobelCPar = power.zobelCPar;
            net.zobelR = power.zobelR;
            net.zobelCSer = power.zobelCSer;
            const CarrierInputs &c = m->carrierInputs;
            row.carrierW = idleZobelResistorW(net, c.supplyV, c.switchingHz, c.modulation);
        }
    }
    // Without a series capacitor there is no Zobel branch, and nothing for it to dissipate.
    row.zobelW = power.zobelCSer == 0.0 ? 0.0 : row.at7kHzW + row.carrierW;
}

bool TradeoffEngine::sweptWhole(int index) const
{
    return m->parasitic || m->networks.hasParasitics(m->networks.at(index));
}

NetworkValues TradeoffEngine::network(int index) const
{
    return m->network(m->networks.at(index));
}

CarrierNetwork TradeoffEngine::carrierNetworkOf(int index) const
{
    const ZobelNetwork z = m->networks.at(index);
    CarrierNetwork net = m->carrierBase;
    net.zobelCPar = m->networks.cPar(z);
    net.zobelR = m->networks.r(z);
    net.zobelCSer = m->networks.cSer(z);
    return net;
}

TradeoffRow TradeoffEngine::evaluate(int index) const
{
    TradeoffRow row;
    evaluate(index, row);
    return row;
}

TradeoffParts tradeoffPartsToRedo(const TradeoffInputs &before, const TradeoffInputs &after)
{
    const DesignRecord &a = before.design, &b = after.design;
    const bool speaker = a.full_bridge_select == b.full_bridge_select &&
                         a.speaker_r_modeval == b.speaker_r_modeval &&
                         a.actual_l_net == b.actual_l_net &&
                         a.filter_l_par_modeval == b.filter_l_par_modeval &&
                         a.filter_c_par_modeval == b.filter_c_par_modeval &&
                         before.measured == after.measured && a.parts == b.parts;
    const CarrierInputs &ca = a.carrier, &cb = b.carrier;
    const bool carrier =
        ca.given() == cb.given() &&
        (!ca.given() || (ca.supplyV == cb.supplyV && ca.switchingHz == cb.switchingHz &&
                         ca.modulation == cb.modulation));
    const bool at7kHz = a.full_bridge_select == b.full_bridge_select &&
                        a.speaker_r_modeval == b.speaker_r_modeval &&
                        before.loadPower == after.loadPower && a.parts == b.parts;
    return TradeoffParts()
        .setFlag(TradeoffPart::Peaks, !speaker)
        .setFlag(TradeoffPart::Carrier, !speaker || !carrier)
        .setFlag(TradeoffPart::At7kHz, !at7kHz);
}

bool sameTradeoff(const TradeoffInputs &a, const TradeoffInputs &b)
{
    return tradeoffPartsToRedo(a, b) == 0 && dissipationCaption(a) == dissipationCaption(b) &&
           loadsCaption(a) == loadsCaption(b);
}

TradeoffWork::TradeoffWork(const TradeoffInputs &in, const TradeoffMap *previous)
    : m_parts(previous ? tradeoffPartsToRedo(previous->inputs, in) : kAllTradeoffParts)
{
    m_map.inputs = in;
    m_map.loads = tradeoffLoads(in);
    m_map.withCarrier = in.design.carrier.given();
    if (previous)
        m_map.rows = previous->rows;
    m_map.rows.resize(std::size_t(zobelNetworkCount()));
}

const TradeoffEngine &TradeoffWork::engine() const
{
    std::call_once(m_built, [this] {
        m_engine = std::make_unique<const TradeoffEngine>(m_map.inputs, m_parts);
    });
    return *m_engine;
}

void TradeoffWork::fill(TradeoffRow &row) const
{
    engine().evaluate(int(&row - m_map.rows.data()), row, m_parts);
}

TradeoffMap TradeoffWork::finish() &&
{
    std::vector<double> cost(m_map.rows.size()), peak(m_map.rows.size());
    for (std::size_t i = 0; i < m_map.rows.size(); ++i) {
        cost[i] = m_map.rows[i].zobelW;
        peak[i] = m_map.rows[i].worstPeakDb;
    }
    const std::vector<bool> front = paretoFront(cost, peak);
    // The networks without a series capacitor are one choice, "no Zobel": the first of them on
    // the front stands for them all.
    bool noZobelOnFront = false;
    for (std::size_t i = 0; i < m_map.rows.size(); ++i) {
        const bool noZobel = isNoZobel(zobelNetwork(int(i)));
        m_map.rows[i].pareto = front[i] && !(noZobel && noZobelOnFront);
        noZobelOnFront = noZobelOnFront || (noZobel && front[i]);
    }
    return std::move(m_map);
}

TradeoffMap tradeoffMap(const TradeoffInputs &in, const TradeoffMap *previous)
{
    TradeoffWork work(in, previous);
    for (TradeoffRow &row : work.rows()) work.fill(row);
    return std::move(work).finish();
}

std::vector<bool> paretoFront(std::span<const double> cost, std::span<const double> peak)
{
    const std::size_t n = cost.size();
    std::vector<std::size_t> order(n);
    std::iota(order.begin(), order.end(), 0);
    std::sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        return cost[a] != cost[b] ? cost[a] < cost[b] : peak[a] < peak[b];
    });
    // Through equal costs at a time: only the lowest peak among them can be on the front, and it
    // is when it is below every peak of a lower cost.
    std::vector<bool> front(n, false);
    double lowestBefore = std::numeric_limits<double>::infinity();
    for (std::size_t g = 0; g < n;) {
        std::size_t end = g;
        while (end < n && cost[order[end]] == cost[order[g]]) ++end;
        const double lowest = peak[order[g]];
        if (lowest < lowestBefore)
            for (std::size_t k = g; k < end && peak[order[k]] == lowest; ++k)
                front[order[k]] = true;
        lowestBefore = std::min(lowestBefore, lowest);
        g = end;
    }
    return front;
}

QByteArray tradeoffCsv(const TradeoffMap &map, bool paretoOnly)
{
    QByteArray out("zobel_c_par,zobel_r,zobel_c_ser,worst_peak_dB,zobel_W,gain_20k_dB,pareto\n");
    out.reserve(out.size() + qsizetype(map.rows.size()) * 80);
    for (std::size_t i = 0; i < map.rows.size(); ++i) {
        const TradeoffRow &row = map.rows[i];
        if (paretoOnly && !row.pareto)
            continue;
        const ZobelNetwork z = zobelNetwork(int(i));
        out += zobelCParText(z).toLatin1() + ',' + zobelRText(z).toLatin1() + ',' +
               zobelCSerText(z).toLatin1() + ',' + roundTripText(row.worstPeakDb) + ',' +
               roundTripText(row.zobelW) + ',' + roundTripText(row.gain20kDb) + ',' +
               (row.pareto ? '1' : '0') + '\n';
    }
    return out;
}

QString dissipationCaption(const TradeoffInputs &in)
{
    QString caption =
        QStringLiteral("7 kHz at %1 W").arg(QString::fromLatin1(roundTripText(in.loadPower)));
    const CarrierInputs &c = in.design.carrier;
    if (c.given()) {
        caption +=
            QStringLiteral(" + idle carrier, %1 V, %2 kHz").arg(c.supplyText, c.switchingText);
        if (in.design.fullBridge())
            caption += QStringLiteral(", ") + modulationName(c.modulation).toUpper();
    }
    return caption;
}

QString loadsCaption(const TradeoffInputs &in)
{
    const std::vector<TradeoffLoad> loads = tradeoffLoads(in);
    QStringList compared;
    bool open = false;
    for (std::size_t i = 1; i < loads.size(); ++i) {
        if (loads[i].measured)
            continue;
        if (loads[i].ohms == kComparedLoads.back().ohms)
            open = true;
        else
            compared << QString::number(loads[i].ohms);
    }
    QString caption = loads.front().name;
    if (!compared.isEmpty())
        caption +=
            QStringLiteral(", ") + compared.join(QStringLiteral(", ")) + QStringLiteral(" ohm");
    if (open)
        caption += QStringLiteral(", open (1 Gohm)");
    caption += QStringLiteral(", each + %1 mH").arg(in.design.speaker_l_valtxt);
    if (in.measured)
        caption += QStringLiteral("; measured: ") + in.measured->fileName();
    return caption;
}
