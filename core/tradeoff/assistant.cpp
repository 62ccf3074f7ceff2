// The design assistant's search.
//
// Each task is one filter (an inductor and a capacitor item): a map engine for it judges all of
// its Zobel networks with the map's own figures, and the spot gain and the idle ripple are taken
// as the windows take them. Within one filter few designs beat others, so the tasks fall into a
// few parts, each part's front is taken by the thread that finishes its last task, and the answer
// is the front of the parts' fronts: a design beaten within its part is beaten in the whole space.
//
// A front by sorting first: ordered by worst-case peak, then dissipation, |gain at 20 kHz| and
// attenuation (lexicographically), a design can only be beaten by one before it, and one beaten by
// anything is beaten by a design already kept (domination is transitive), so each design is
// compared with the kept ones alone, through a structure that answers in logarithmic time whether
// one of them is at least as good on the last three figures.
#include "core/tradeoff/assistant.h"

#include "core/common/figuretext.h"
#include "core/network/parasitics.h"
#include "core/network/sweeps.h"
#include "core/network/valuelists.h"

#include <QStringList>

#include <algorithm>
#include <cmath>
#include <map>
#include <tuple>

namespace {

// The grid's angular frequency at f Hz: for a multiple of 100 Hz it is gridOmega's own.
double omegaAt(double hz)
{
    return (hz / 100.0) * 6.28318 * 100;
}

int firstNoZobel(const ZobelNetworks &networks)
{
    int z = 0;
    while (!networks.isNoZobel(networks.at(z))) ++z;
    return z;
}

auto figuresOf(const AssistantDesign &d)
{
    return std::make_tuple(d.worstPeakDb, d.zobelW, std::abs(d.gain20kDb), -d.attenuationDb);
}

auto orderKey(const AssistantDesign &d)
{
    return std::make_tuple(d.worstPeakDb, d.zobelW, std::abs(d.gain20kDb), -d.attenuationDb,
                           d.filterL, d.filterC, d.zobel);
}

// The designs kept so far, asked whether one of them is at least as good as a given design on
// dissipation, |gain at 20 kHz| and attenuation: a Fenwick tree over the dissipations' ranks whose
// every node keeps the staircase of its designs in (|gain|, -attenuation), the lowest -attenuation
// for each |gain| and above.
class KeptDesigns
{
public:
    explicit KeptDesigns(std::vector<double> dissipations) : m_w(std::move(dissipations))
    {
        std::sort(m_w.begin(), m_w.end());
        m_w.erase(std::unique(m_w.begin(), m_w.end()), m_w.end());
        m_nodes.resize(m_w.size() + 1);
    }
    bool covers(double w, double g, double n) const
    {
        for (std::size_t i = rank(w); i > 0; i -= i & (~i + 1))
            if (covered(m_nodes[i], g, n))
                return true;
        return false;
    }
    void add(double w, double g, double n)
    {
        for (std::size_t i = rank(w); i < m_nodes.size(); i += i & (~i + 1)) {
            std::map<double, double> &stairs = m_nodes[i];
            if (covered(stairs, g, n))
                continue;
            auto at = stairs.insert_or_assign(g, n).first;
            for (auto next = std::next(at); next != stairs.end() && next->second >= n;)
                next = stairs.erase(next);
        }
    }

private:
    // 1-based rank of w among the dissipations.
    std::size_t rank(double w) const
    {
        return std::size_t(std::lower_bound(m_w.begin(), m_w.end(), w) - m_w.begin()) + 1;
    }
    static bool covered(const std::map<double, double> &stairs, double g, double n)
    {
        auto at = stairs.upper_bound(g);
        return at != stairs.begin() && std::prev(at)->second <= n;
    }
    std::vector<double> m_w;
    std::vector<std::map<double, double>> m_nodes;
};

// The front of the designs that admit() lets in; it is asked only about designs that no design
// it let in beats, and may fill in their figures.
template <typename Admit>
std::vector<AssistantDesign> frontOf(std::vector<AssistantDesign> designs, Admit admit)
{
    std::sort(designs.begin(), designs.end(),
              [](const AssistantDesign &a, const AssistantDesign &b) {
                  return orderKey(a) < orderKey(b);
              });
    std::vector<double> w(designs.size());
    for (std::size_t i = 0; i < designs.size(); ++i) w[i] = designs[i].zobelW;
    KeptDesigns kept(std::move(w));
    std::vector<AssistantDesign> front;
    // A kept design at least as good on the last three figures beats the design: it comes
    // first, so it is at least as good on the peak, and one as good on all four is the same
    // figures, which stand next to each other in the order and share their fate.
    bool beaten = false;
    for (std::size_t i = 0; i < designs.size(); ++i) {
        AssistantDesign &d = designs[i];
        const double g = std::abs(d.gain20kDb), n = -d.attenuationDb;
        if (i == 0 || figuresOf(designs[i - 1]) != figuresOf(d))
            beaten = kept.covers(d.zobelW, g, n);
        if (beaten || !admit(d))
            continue;
        front.push_back(d);
        kept.add(d.zobelW, g, n);
    }
    return front;
}

}  // namespace

QString assistantLimitName(AssistantLimit limit)
{
    switch (limit) {
        case AssistantLimit::peak: return QStringLiteral("the highest worst-case peak");
        case AssistantLimit::gain20k: return QStringLiteral("the window for the gain at 20 kHz");
        case AssistantLimit::attenuation: return QStringLiteral("the least carrier attenuation");
        case AssistantLimit::zobel: return QStringLiteral("the highest Zobel dissipation");
        case AssistantLimit::ripple: return QStringLiteral("the highest ripple");
    }
    return {};
}

std::variant<double, QString> readLimitNumber(const QString &text)
{
    bool ok = false;
    const double v = text.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(v))
        return QStringLiteral("\"%1\" is not a number").arg(text);
    return v;
}

std::variant<std::pair<double, double>, QString> readLimitWindow(const QString &text)
{
    const QStringList ends = text.split(QLatin1Char(':'));
    if (ends.size() != 2)
        return QStringLiteral("\"%1\" is not a window LOW:HIGH").arg(text);
    const auto low = readLimitNumber(ends[0]);
    if (const QString *why = std::get_if<QString>(&low))
        return *why;
    const auto high = readLimitNumber(ends[1]);
    if (const QString *why = std::get_if<QString>(&high))
        return *why;
    if (std::get<double>(low) > std::get<double>(high))
        return QStringLiteral("the low end %1 is above the high end %2")
            .arg(ends[0].trimmed(), ends[1].trimmed());
    return std::pair{std::get<double>(low), std::get<double>(high)};
}

std::optional<AssistantLimit> AssistantAnswer::mostExcluding() const
{
    const auto most = std::max_element(excluded.begin(), excluded.end());
    if (*most == 0)
        return std::nullopt;
    return AssistantLimit(most - excluded.begin());
}

QStringList AssistantAnswer::items(const AssistantDesign &d) const
{
    const ZobelNetwork z = networks.at(d.zobel);
    return {filterLItems.at(d.filterL), filterCItems.at(d.filterC), networks.cParText(z),
            networks.rText(z), networks.cSerText(z)};
}

DesignRecord withFilter(const DesignRecord &design, int filterL, int filterC,
                        const PartsLibrary &library)
{
    DesignRecord d = design;
    d.parts = {};
    for (const auto &[s, k] : {std::pair{ListSelector::filter_l_par, filterL},
                               std::pair{ListSelector::filter_c_par, filterC}})
        acceptSelection(d, s, listItems(s, library).at(k), library);
    return d;
}

AssistantSearch::AssistantSearch(AssistantInputs in) : m_in(std::move(in)), m_networks(m_in.library)
{
    m_in.design.design.parts = {};
    const auto all = [this](ListSelector s) {
        std::vector<int> v(std::size_t(listItems(s, m_in.library).size()));
        for (std::size_t i = 0; i < v.size(); ++i) v[i] = int(i);
        return v;
    };
    if (m_in.filterLs.empty())
        m_in.filterLs = all(ListSelector::filter_l_par);
    if (m_in.filterCs.empty())
        m_in.filterCs = all(ListSelector::filter_c_par);
    m_cCount = int(listItems(ListSelector::filter_c_par, m_in.library).size());
    m_taskAt.assign(
        listItems(ListSelector::filter_l_par, m_in.library).size() * std::size_t(m_cCount), -1);
    for (int l : m_in.filterLs)
        for (int c : m_in.filterCs) {
            m_taskAt[std::size_t(l) * std::size_t(m_cCount) + std::size_t(c)] = int(m_tasks.size());
            m_tasks.push_back({l, c, {}, {}, {}, 0});
        }
    m_parts = std::vector<Part>(std::min<std::size_t>(kParts, m_tasks.size()));
    for (std::size_t k = 0; k < m_tasks.size(); ++k) ++m_parts[k % m_parts.size()].left;
}

void AssistantSearch::run(int task)
{
    if (m_stop)
        return;
    Task &t = m_tasks[std::size_t(task)];
    TradeoffInputs in = m_in.design;
    in.design = withFilter(in.design, t.filterL, t.filterC, m_in.library);
    const TradeoffEngine engine(in, kAllTradeoffParts, &m_networks);
    const CarrierInputs &carrier = in.design.carrier;
    const bool withCarrier = carrier.given();
    const double w = withCarrier ? omegaAt(carrier.switchingHz) : gridOmega(3840);  // 384 kHz
    const AssistantLimits &lim = m_in.limits;

    if (withCarrier)
        t.carrier = engine.carrierNetworkOf(0);
    TradeoffRow row;
    const int noZobel = firstNoZobel(m_networks);
    for (int z = 0; z < m_networks.count(); ++z) {
        if ((z & 15) == 0 && m_stop)
            return;
        const ZobelNetwork network = m_networks.at(z);
        // The networks without a series capacitor are one choice, "no Zobel": the first stands
        // for them all.
        if (z != noZobel && m_networks.isNoZobel(network))
            continue;
        engine.evaluate(z, row);
        AssistantDesign d;
        d.filterL = t.filterL;
        d.filterC = t.filterC;
        d.zobel = z;
        d.worstPeakDb = row.worstPeakDb;
        d.gain20kDb = row.gain20kDb;
        // A library part's parasitics: Fig. 3 as the main window sweeps such a design.
        d.attenuationDb =
            engine.sweptWhole(z)
                ? -parasiticGainAtOmega(parasiticNetwork(m_networks.applied(in.design, network)), w,
                                        true)
                : -detail::toDecibel(ratioZobelAtOmega(engine.network(z), w));
        d.zobelW = row.zobelW;
        ++t.searched;
        // The ripple waits for the front: see AssistantAnswer::excluded.
        const bool fails[kAssistantLimitCount - 1] = {
            lim.maxPeakDb && d.worstPeakDb > *lim.maxPeakDb,
            (lim.gain20kLowDb && d.gain20kDb < *lim.gain20kLowDb) ||
                (lim.gain20kHighDb && d.gain20kDb > *lim.gain20kHighDb),
            lim.minAttenuationDb && d.attenuationDb < *lim.minAttenuationDb,
            lim.maxZobelW && d.zobelW > *lim.maxZobelW,
        };
        bool failed = false;
        for (int k = 0; k < kAssistantLimitCount - 1; ++k) {
            t.excluded[std::size_t(k)] += fails[k];
            failed = failed || fails[k];
        }
        if (failed)
            continue;
        t.kept.push_back(d);
    }
    // The last task of a part to finish takes the part's front.
    Part &part = m_parts[std::size_t(task) % m_parts.size()];
    if (part.left.fetch_sub(1) == 1) {
        std::vector<AssistantDesign> all;
        for (std::size_t k = std::size_t(task) % m_parts.size(); k < m_tasks.size();
             k += m_parts.size()) {
            all.insert(all.end(), m_tasks[k].kept.begin(), m_tasks[k].kept.end());
            m_tasks[k].kept = {};
        }
        long long &rippleExcluded = part.rippleExcluded;
        part.front = frontOf(std::move(all), [this, &rippleExcluded](AssistantDesign &d) {
            if (!m_in.design.design.carrier.given())
                return true;
            d.rippleApp = rippleOf(d);
            const bool fails = m_in.limits.maxRippleA && d.rippleApp > *m_in.limits.maxRippleA;
            rippleExcluded += fails;
            return !fails;
        });
    }
}

double AssistantSearch::rippleOf(const AssistantDesign &d) const
{
    // The network as the map engine gives it to the carrier analysis.
    const std::size_t task = std::size_t(
        m_taskAt[std::size_t(d.filterL) * std::size_t(m_cCount) + std::size_t(d.filterC)]);
    CarrierNetwork net = m_tasks[task].carrier;
    const ZobelNetwork z = m_networks.at(d.zobel);
    net.zobelCPar = m_networks.cPar(z);
    net.zobelR = m_networks.r(z);
    net.zobelCSer = m_networks.cSer(z);
    const CarrierInputs &c = m_in.design.design.carrier;
    return idleCarrier(net, c.supplyV, c.switchingHz, c.modulation).inductorRipplePkPkA[0];
}

AssistantAnswer AssistantSearch::finish() &&
{
    AssistantAnswer answer;
    answer.withCarrier = m_in.design.design.carrier.given();
    answer.filterLItems = listItems(ListSelector::filter_l_par, m_in.library);
    answer.filterCItems = listItems(ListSelector::filter_c_par, m_in.library);
    answer.networks = m_networks;
    std::vector<AssistantDesign> all;
    for (Task &t : m_tasks) {
        answer.searched += t.searched;
        for (int k = 0; k < kAssistantLimitCount; ++k)
            answer.excluded[std::size_t(k)] += t.excluded[std::size_t(k)];
    }
    for (Part &part : m_parts) {
        if (part.left != 0)
            return answer;  // stopped before every task ran: no designs
        all.insert(all.end(), part.front.begin(), part.front.end());
    }
    for (const Part &part : m_parts)
        answer.excluded[std::size_t(AssistantLimit::ripple)] += part.rippleExcluded;
    answer.designs = frontOf(std::move(all), [](const AssistantDesign &) { return true; });
    std::sort(answer.designs.begin(), answer.designs.end(),
              [](const AssistantDesign &a, const AssistantDesign &b) {
                  return std::tie(a.worstPeakDb, a.filterL, a.filterC, a.zobel) <
                         std::tie(b.worstPeakDb, b.filterL, b.filterC, b.zobel);
              });
    return answer;
}

DesignRecord AssistantSearch::designOf(const AssistantDesign &d) const
{
    return m_networks.applied(withFilter(m_in.design.design, d.filterL, d.filterC, m_in.library),
                              m_networks.at(d.zobel));
}

AssistantAnswer assistantSearch(const AssistantInputs &in)
{
    AssistantSearch search(in);
    for (int t = 0; t < search.taskCount(); ++t) search.run(t);
    return std::move(search).finish();
}

QByteArray assistantCsv(const AssistantAnswer &answer)
{
    QByteArray out(
        "filter_l,filter_c,zobel_c_par,zobel_r,zobel_c_ser,worst_peak_dB,gain_20k_dB,"
        "carrier_attenuation_dB,zobel_W,ripple_App\n");
    for (const AssistantDesign &d : answer.designs) {
        out += answer.items(d).join(QLatin1Char(',')).toLatin1() + ',' +
               roundTripText(d.worstPeakDb) + ',' + roundTripText(d.gain20kDb) + ',' +
               roundTripText(d.attenuationDb) + ',' + roundTripText(d.zobelW) + ',' +
               (answer.withCarrier ? roundTripText(d.rippleApp) : QByteArray()) + '\n';
    }
    return out;
}
