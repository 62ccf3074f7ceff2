#pragma once

#include "core/carrier/carrier.h"
#include "core/measured/measuredload.h"
#include "core/network/designrecord.h"
#include "core/parts/partslibrary.h"

#include <QByteArray>
#include <QFlags>
#include <QString>

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <vector>

// The trade-off between damping and dissipation over every Zobel network the three lists allow
// (zobel_c_par x zobel_r_par x zobel_c_ser items), for one design's filter, topology and speaker.
// Each network's figures are exactly those the main window shows once it is chosen: the gain
// figures of Fig. 3's sweep, the Power window's 7 kHz figure, the carrier analysis's idle loss.
// How the peaks are found without sweeping every network is set out at the top of tradeoff.cpp.

// What the map is made for.
struct TradeoffInputs {
    DesignRecord design;      // filter, speaker, topology and carrier inputs; its network is marked
    double loadPower = 50.0;  // W RMS into the speaker, for the 7 kHz figure
    std::shared_ptr<const MeasuredLoad> measured;  // a measured speaker, one more load when set
};

// A load of the set each network's worst-case peak is taken over: the design's own speaker; 2, 4,
// 8 and 16 ohm and no speaker (1 Gohm), each in series with the speaker's inductance; a measured
// speaker. A compared resistance equal to the design's is the design's speaker and is left out.
struct TradeoffLoad {
    QString name;           // "8 ohm (design)", "2 ohm", "open", "measured"
    std::int32_t ohms = 0;  // in place of the speaker's resistance; 0 for the measured load
    bool measured = false;
};
std::vector<TradeoffLoad> tradeoffLoads(const TradeoffInputs &in);

// A network as the indices of its items in the zobel_c_par, zobel_r_par and zobel_c_ser lists.
struct ZobelNetwork {
    int cPar = 0;
    int r = 0;
    int cSer = 0;
    bool operator==(const ZobelNetwork &) const = default;
};
// All of them, in list order: zobel_c_par outermost, zobel_c_ser innermost.
int zobelNetworkCount();
ZobelNetwork zobelNetwork(int index);
int zobelNetworkIndex(ZobelNetwork z);
// The items' texts as the lists spell them: c_par, r, c_ser.
QString zobelCParText(ZobelNetwork z);
QString zobelRText(ZobelNetwork z);
QString zobelCSerText(ZobelNetwork z);
// Without a series capacitor there is no Zobel branch: 1e-13 F passes next to nothing.
bool isNoZobel(ZobelNetwork z);
// The design's own network, from the selectors' remembered texts; empty when one of them is not
// an item (it always is once the main window has started).
std::optional<ZobelNetwork> designNetwork(const DesignRecord &design);
// The design with the network's items taken as the selectors take them.
DesignRecord withZobel(const DesignRecord &design, ZobelNetwork z);

// The networks the lists and a parts library allow together: each Zobel list's items, then the
// library's parts of its kind that are not items already (listItems with the library), zobel_c_par
// outermost and zobel_c_ser innermost. With an empty library they are the lists' networks, which
// zobelNetwork() and the functions beside it give.
class ZobelNetworks
{
public:
    explicit ZobelNetworks(const PartsLibrary &library = {});
    int count() const { return int(m_cPar.size() * m_r.size() * m_cSer.size()); }
    ZobelNetwork at(int index) const;
    int indexOf(ZobelNetwork z) const;
    QString cParText(ZobelNetwork z) const { return m_cPar[std::size_t(z.cPar)].text; }
    QString rText(ZobelNetwork z) const { return m_r[std::size_t(z.r)].text; }
    QString cSerText(ZobelNetwork z) const { return m_cSer[std::size_t(z.cSer)].text; }
    // The values the design takes (F, ohm, F), as acceptSelection sets them.
    double cPar(ZobelNetwork z) const { return m_cPar[std::size_t(z.cPar)].value; }
    double r(ZobelNetwork z) const { return m_r[std::size_t(z.r)].value; }
    double cSer(ZobelNetwork z) const { return m_cSer[std::size_t(z.cSer)].value; }
    bool isNoZobel(ZobelNetwork z) const { return cSer(z) == 0.0; }
    // Whether one of its items is a library part with parasitics: the main window then sweeps
    // the design with them.
    bool hasParasitics(ZobelNetwork z) const;
    // The design with the network's items taken as the selectors take them, with the library.
    DesignRecord applied(const DesignRecord &design, ZobelNetwork z) const;

private:
    struct Item {
        QString text;
        double value = 0.0;
        bool parasitic = false;
    };
    PartsLibrary m_library;
    std::vector<Item> m_cPar, m_r, m_cSer;
};

// One network's figures.
struct TradeoffRow {
    double worstPeakDb = 0.0;  // the largest gain over the load set, from 0 dB up
    int worstLoad = 0;         // the load it comes from (index into the loads)
    double ownPeakDb = 0.0;    // Fig. 3's maximum: the design's own speaker
    double gain20kDb = 0.0;    // Fig. 3 at 20 kHz
    double at7kHzW = 0.0;      // the Power window's 7 kHz figure at the load power
    double carrierW = 0.0;     // idle carrier loss in each Zobel resistor; 0 without carrier inputs
    double zobelW = 0.0;       // at7kHzW + carrierW, the dissipation the map shows (0: no Zobel)
    bool pareto = false;
    int sweptPoints = 0;  // grid points the peaks took over all loads; the others proved lower
};

struct TradeoffMap {
    TradeoffInputs inputs;  // what it was made for
    std::vector<TradeoffLoad> loads;
    std::vector<TradeoffRow> rows;  // one per network, in list order
    bool withCarrier = false;       // zobelW includes the idle carrier loss
};

// The parts of a row, each depending on fewer inputs than the one before: the gain figures on
// the filter, topology and speakers; the idle carrier loss on those and the carrier inputs; the
// 7 kHz figure on the topology, the speaker's resistance and the load power.
enum class TradeoffPart : unsigned {
    Peaks = 0x1,  // worstPeakDb, worstLoad, ownPeakDb, gain20kDb, sweptPoints
    Carrier = 0x2,
    At7kHz = 0x4,
};
Q_DECLARE_FLAGS(TradeoffParts, TradeoffPart)
Q_DECLARE_OPERATORS_FOR_FLAGS(TradeoffParts)
constexpr TradeoffParts kAllTradeoffParts =
    TradeoffPart::Peaks | TradeoffPart::Carrier | TradeoffPart::At7kHz;

// The tables every network shares (each load's admittance on the grid); evaluate() may run on
// several threads at once.
class TradeoffEngine
{
public:
    // The networks are the lists' unless given; given ones outlive the engine.
    explicit TradeoffEngine(const TradeoffInputs &in, TradeoffParts parts = kAllTradeoffParts,
                            const ZobelNetworks *networks = nullptr);
    ~TradeoffEngine();
    TradeoffEngine(const TradeoffEngine &) = delete;
    TradeoffEngine &operator=(const TradeoffEngine &) = delete;

    const std::vector<TradeoffLoad> &loads() const;
    // Network `index`'s parts asked for (of those the engine was made for) into `row`, then its
    // zobelW; the Pareto flag is left as it was. Allocates nothing.
    void evaluate(int index, TradeoffRow &row, TradeoffParts parts = kAllTradeoffParts) const;
    TradeoffRow evaluate(int index) const;
    // Whether network `index` has parasitics, of the design's parts or its own, and so is swept
    // whole as the main window sweeps it.
    bool sweptWhole(int index) const;
    // Network `index` as evaluate() sweeps it (ideal parts), and as its carrier figures take it
    // (an engine made with the carrier part and carrier inputs).
    NetworkValues network(int index) const;
    CarrierNetwork carrierNetworkOf(int index) const;

private:
    struct Impl;
    std::unique_ptr<Impl> m;
};

// The parts of a map made for `before` that a map for `after` would have to work out again.
TradeoffParts tradeoffPartsToRedo(const TradeoffInputs &before, const TradeoffInputs &after);
// Whether the two maps would show the same, captions included. The design's own network is not
// part of a map.
bool sameTradeoff(const TradeoffInputs &a, const TradeoffInputs &b);

// A map being worked out: fill() each row of rows() once, in any order and from several threads
// at once, then take the map with finish(). What does not change since `previous` is taken from
// it. The threads are the caller's; the window and the command line hand the rows to QtConcurrent.
// The engine's tables are made by the first fill(), on the threads that work the map out, so that
// a map started by a keystroke costs the keystroke little.
class TradeoffWork
{
public:
    explicit TradeoffWork(const TradeoffInputs &in, const TradeoffMap *previous = nullptr);
    TradeoffWork(const TradeoffWork &) = delete;
    TradeoffWork &operator=(const TradeoffWork &) = delete;

    const TradeoffInputs &inputs() const { return m_map.inputs; }
    std::vector<TradeoffRow> &rows() { return m_map.rows; }
    // A row of rows(), the parts that are not the previous map's worked out. Allocates nothing.
    void fill(TradeoffRow &row) const;
    // The map, with its Pareto front marked; of the networks without a series capacitor, which
    // all cost nothing, one at most is on it.
    TradeoffMap finish() &&;

private:
    const TradeoffEngine &engine() const;

    TradeoffParts m_parts;
    mutable std::once_flag m_built;
    mutable std::unique_ptr<const TradeoffEngine> m_engine;
    TradeoffMap m_map;
};

// The whole map on the calling thread, taking from `previous` what does not change.
TradeoffMap tradeoffMap(const TradeoffInputs &in, const TradeoffMap *previous = nullptr);

// Which points are on the Pareto front of lower cost and lower peak: no other point is at least as
// good in both and better in one. Points equal in both are all on it or all off it.
std::vector<bool> paretoFront(std::span<const double> cost, std::span<const double> peak);

// The map as CSV: zobel_c_par,zobel_r,zobel_c_ser,worst_peak_dB,zobel_W,gain_20k_dB,pareto, one
// row per network in list order (the front's alone when paretoOnly), numbers read back exactly.
QByteArray tradeoffCsv(const TradeoffMap &map, bool paretoOnly = false);

// What the map's dissipation is: "7 kHz at 50 W", or "7 kHz at 50 W + idle carrier, 48 V,
// 384 kHz, BD" (the modulation in full bridge only).
QString dissipationCaption(const TradeoffInputs &in);
// Which loads the worst case covers: "8 ohm (design), 2, 4, 16 ohm, open (1 Gohm), each + .67 mH;
// measured: speaker.csv".
QString loadsCaption(const TradeoffInputs &in);
