#pragma once

#include "core/parts/partslibrary.h"
#include "core/tradeoff/tradeoff.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <array>
#include <atomic>
#include <optional>
#include <variant>
#include <vector>

// The design assistant: every filter inductor x every filter capacitor x every Zobel network of the
// lists, each judged as the Zobel map judges a network (over the same loads) and as the windows
// would show it once chosen, then the designs that meet the user's limits and that no other such
// design beats on worst-case peak, Zobel dissipation, |gain at 20 kHz| and carrier attenuation.
// Every selector's items are the list's and the library's parts of its kind after them, each with
// its parasitics as its selector would take it.

// The limits; an empty one does not limit.
struct AssistantLimits {
    std::optional<double> maxPeakDb;
    std::optional<double> gain20kLowDb;  // the gain at 20 kHz lies in [low, high]
    std::optional<double> gain20kHighDb;
    std::optional<double> minAttenuationDb;
    std::optional<double> maxZobelW;
    std::optional<double> maxRippleA;  // only with the carrier inputs
};

// Which limit, in the order of AssistantLimits.
enum class AssistantLimit { peak, gain20k, attenuation, zobel, ripple };
inline constexpr int kAssistantLimitCount = 5;
// "the highest worst-case peak", "the gain window at 20 kHz", ...
QString assistantLimitName(AssistantLimit limit);

// A limit as typed: a plain number ("-3", "0.5", "1e-2"), finite. The value, or why not.
std::variant<double, QString> readLimitNumber(const QString &text);
// A window "LO:HI", each end a number as above, LO not above HI.
std::variant<std::pair<double, double>, QString> readLimitWindow(const QString &text);

// One design and its figures, as the windows show them once it is chosen.
struct AssistantDesign {
    int filterL = 0;  // index into the filter_l_par list, the library's items after the list's
    int filterC = 0;  // index into the filter_c_par list, the same
    int zobel = 0;    // ZobelNetworks index, the library's items after the lists'
    double worstPeakDb = 0.0;
    double gain20kDb = 0.0;
    // Minus Fig. 3's gain at 384 kHz, or at the switching frequency with the carrier inputs.
    double attenuationDb = 0.0;
    double zobelW = 0.0;     // the map's dissipation: 7 kHz figure (+ idle carrier loss)
    double rippleApp = 0.0;  // the inductor's idle ripple, A peak to peak; 0 without the carrier
};

struct AssistantAnswer {
    std::vector<AssistantDesign> designs;  // by worst-case peak, then list order
    // The filter items the designs' indices count, as the lists write them, the library's after
    // the lists' own.
    QStringList filterLItems, filterCItems;
    ZobelNetworks networks;  // what the designs' zobel indices count
    bool withCarrier = false;
    long long searched = 0;  // designs judged
    // How many designs each limit excludes: of all those searched, the ones failing it, whatever
    // the others say. The ripple alone is worked out only where it could matter: for the designs
    // that meet the other limits and that no design meeting every limit beats; when no design
    // meets them all, that is every design meeting the other limits.
    std::array<long long, kAssistantLimitCount> excluded{};
    // The limit that excludes the most; empty when none is set.
    std::optional<AssistantLimit> mostExcluding() const;
    // A design's filter_l_par, filter_c_par, zobel_c_par, zobel_r_par and zobel_c_ser items, as
    // the lists write them.
    QStringList items(const AssistantDesign &d) const;
};

// What to search: the design gives the topology, the speaker, the load power's 7 kHz figure, the
// carrier inputs and the measured speaker (TradeoffInputs). The index lists restrict the filter
// items searched (empty: all of them, the library's included).
struct AssistantInputs {
    TradeoffInputs design;
    AssistantLimits limits;
    std::vector<int> filterLs;
    std::vector<int> filterCs;
    PartsLibrary library;
};

// A search being worked: run() each task once, in any order and from several threads at once,
// then take the answer with finish(). stop() makes the tasks not yet run return at once.
class AssistantSearch
{
public:
    explicit AssistantSearch(AssistantInputs in);
    AssistantSearch(const AssistantSearch &) = delete;
    AssistantSearch &operator=(const AssistantSearch &) = delete;

    int taskCount() const { return int(m_tasks.size()); }
    void run(int task);
    // Once stopped, finish() gives no designs.
    void stop() { m_stop = true; }
    AssistantAnswer finish() &&;

    // What it searches, the design's own parts left out.
    const AssistantInputs &inputs() const { return m_in; }
    const ZobelNetworks &networks() const { return m_networks; }

    // The design a row stands for: the filter's and the network's items taken as the selectors
    // take them, with the library.
    DesignRecord designOf(const AssistantDesign &d) const;

private:
    struct Task {
        int filterL = 0;
        int filterC = 0;
        std::vector<AssistantDesign> kept;  // the designs that meet the limits but the ripple's
        CarrierNetwork carrier;             // the filter's, with the carrier inputs
        std::array<long long, kAssistantLimitCount> excluded{};
        long long searched = 0;
    };
    // Tasks k, k + kParts, ...: their front, taken once the last of them has run.
    static constexpr std::size_t kParts = 4;
    struct Part {
        std::atomic<int> left = 0;
        std::vector<AssistantDesign> front;
        long long rippleExcluded = 0;
    };
    double rippleOf(const AssistantDesign &d) const;
    AssistantInputs m_in;
    ZobelNetworks m_networks;
    std::vector<Task> m_tasks;
    std::vector<Part> m_parts;
    std::vector<int> m_taskAt;  // the task of filter items (l, c) at l * m_cCount + c
    int m_cCount = 0;
    std::atomic<bool> m_stop = false;
};

// The whole search on the calling thread.
AssistantAnswer assistantSearch(const AssistantInputs &in);

// The design with filter items l and c (indices into the lists with the library's items) taken as
// the selectors take them: a library item brings its part, every other part is ideal.
DesignRecord withFilter(const DesignRecord &design, int filterL, int filterC,
                        const PartsLibrary &library = {});

// The answer as CSV: filter_l,filter_c,zobel_c_par,zobel_r,zobel_c_ser,worst_peak_dB,gain_20k_dB,
// carrier_attenuation_dB,zobel_W,ripple_App; the items as the lists write them, the numbers read
// back exactly, ripple empty without the carrier inputs.
QByteArray assistantCsv(const AssistantAnswer &answer);
