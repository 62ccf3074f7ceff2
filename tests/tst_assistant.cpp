// The design assistant's search: the answer is the whole front of a reduced space found by brute
// force, every design against every other, and each of its designs carries the figures the windows
// show for it once chosen, worked out afresh by the full sweeps. The figures are checked against an
// independent solution of the network by tests/reference/assistant.py.
#include "core/carrier/carrier.h"
#include "core/carrier/carrierinputs.h"
#include "core/network/analysis.h"
#include "core/network/parasitics.h"
#include "core/network/sweeps.h"
#include "core/network/valuelists.h"
#include "core/tradeoff/assistant.h"

#include <QTest>

#include <algorithm>
#include <cmath>
#include <random>

namespace {

struct Setup {
    bool full = false;
    QString speakerR = QStringLiteral("8");
    bool carrier = false;  // 48 V, 384 kHz, BD
    // A 33 uH inductor, 2.2 and .25 uF capacitors and a 7.5 ohm resistor with parasitics,
    // searched; the capacitors join the Zobel lists as well.
    bool library = false;
};

TradeoffInputs inputsFor(const Setup &s)
{
    TradeoffInputs in;
    in.design = DesignRecord::startup();
    in.design.full_bridge_select = s.full ? kFlagTrue : kFlagFalse;
    acceptSelection(in.design, ListSelector::speaker_r_mode, s.speakerR);
    in.loadPower = 30;
    if (s.carrier) {
        acceptCarrierText(in.design.carrier, CarrierField::supply, QStringLiteral("48"));
        acceptCarrierText(in.design.carrier, CarrierField::switching, QStringLiteral("384"));
    }
    return in;
}

// At least as good on the four figures and better on one, written out again here.
bool beats(const AssistantDesign &a, const AssistantDesign &b)
{
    const auto at = [](const AssistantDesign &d) {
        return std::array{d.worstPeakDb, d.zobelW, std::abs(d.gain20kDb), -d.attenuationDb};
    };
    const auto x = at(a), y = at(b);
    return std::ranges::equal(x, y, std::less_equal<>()) && x != y;
}

}  // namespace

Q_DECLARE_METATYPE(Setup)
Q_DECLARE_METATYPE(AssistantLimits)

class TestAssistant : public QObject
{
    Q_OBJECT

private slots:
    void answerIsTheWholeFront_data();
    void answerIsTheWholeFront();
};

void TestAssistant::answerIsTheWholeFront_data()
{
    QTest::addColumn<Setup>("setup");
    QTest::addColumn<AssistantLimits>("limits");
    QTest::addColumn<bool>("met");
    AssistantLimits none, window, ripple, impossible;
    window.maxPeakDb = 6;
    window.gain20kLowDb = -1.5;
    window.gain20kHighDb = 0.5;
    ripple.maxRippleA = 2.5;
    ripple.maxPeakDb = 8;
    impossible.maxPeakDb = 0.5;
    impossible.minAttenuationDb = 45;
    impossible.maxZobelW = 0.2;
    QTest::newRow("no limits") << Setup{} << none << true;
    QTest::newRow("peak and gain window") << Setup{} << window << true;
    QTest::newRow("ripple, carrier, 4 ohm")
        << Setup{true, QStringLiteral("4"), true} << ripple << true;
    QTest::newRow("nothing meets them") << Setup{} << impossible << false;
    QTest::newRow("library parts, carrier, full bridge")
        << Setup{true, QStringLiteral("8"), true, true} << none << true;
}

void TestAssistant::answerIsTheWholeFront()
{
    QFETCH(Setup, setup);
    QFETCH(AssistantLimits, limits);
    QFETCH(bool, met);
    const TradeoffInputs in = inputsFor(setup);
    PartsLibrary library;
    if (setup.library) {
        Part l, c, zc, zr;
        l.value = "33", l.dcrOhm = 0.012, l.srfHz = 12e6, l.saturation = {{3, 1}, {5, 0.8}};
        c.kind = PartKind::capacitor, c.value = "2.2", c.esrOhm = 0.004, c.eslH = 3e-9;
        zc.kind = PartKind::capacitor, zc.value = ".25", zc.esrOhm = 0.05;
        zr.kind = PartKind::resistor, zr.value = "7.5", zr.seriesLH = 3e-8;
        QVERIFY(!library.add(l) && !library.add(c) && !library.add(zc) && !library.add(zr));
    }
    // 5 x 5 filter items spread over the lists, all Zobel networks; the library's items come
    // after the lists' 17, by value.
    // With the library: an ideal filter whose parasitics come from the Zobel network alone, and
    // the 33 uH inductor's.
    const std::vector<int> ls = setup.library ? std::vector{4, 17} : std::vector{0, 4, 8, 12, 16};
    const std::vector<int> cs = setup.library ? std::vector{16} : ls;
    // The Zobel lists' 16, 18 and 16 items, with the library's two capacitors and resistor.
    const ZobelNetworks networks(library);
    QCOMPARE(networks.count(), setup.library ? 18 * 19 * 18 : 16 * 18 * 16);
    const AssistantAnswer answer = assistantSearch({in, limits, ls, cs, library});

    // Every design of the reduced space, its figures from the map's engine, the ripple from the
    // carrier analysis; the networks without a series capacitor count once.
    std::vector<AssistantDesign> meeting;
    std::array<long long, kAssistantLimitCount> failing{};
    long long all = 0;
    for (int l : ls)
        for (int c : cs) {
            TradeoffInputs lc = in;
            lc.design = withFilter(in.design, l, c, library);
            const TradeoffEngine engine(lc, kAllTradeoffParts, &networks);
            bool noZobelSeen = false;
            for (int z = 0; z < networks.count(); ++z) {
                const DesignRecord dz = networks.applied(lc.design, networks.at(z));
                if (dz.zobel_c_serval == 0 && std::exchange(noZobelSeen, true))
                    continue;
                const TradeoffRow r = engine.evaluate(z);
                const double dB = dz.parts.hasParasitics()
                                      ? parasiticGainAt(parasiticNetwork(dz), 3840, true)
                                      : gainZobelAt(engine.network(z), 3840);
                AssistantDesign d{l, c, z, r.worstPeakDb, r.gain20kDb, -dB, r.zobelW, 0.0};
                if (setup.carrier)
                    d.rippleApp = idleCarrier(engine.carrierNetworkOf(z), 48, 384e3, Modulation::bd)
                                      .inductorRipplePkPkA[0];
                const bool fails[kAssistantLimitCount] = {
                    limits.maxPeakDb && d.worstPeakDb > *limits.maxPeakDb,
                    (limits.gain20kLowDb && d.gain20kDb < *limits.gain20kLowDb) ||
                        (limits.gain20kHighDb && d.gain20kDb > *limits.gain20kHighDb),
                    limits.minAttenuationDb && d.attenuationDb < *limits.minAttenuationDb,
                    limits.maxZobelW && d.zobelW > *limits.maxZobelW,
                    limits.maxRippleA && d.rippleApp > *limits.maxRippleA};
                ++all;
                bool ok = true;
                for (int k = 0; k < kAssistantLimitCount; ++k) {
                    failing[std::size_t(k)] += fails[k];
                    ok = ok && !fails[k];
                }
                if (ok)
                    meeting.push_back(d);
            }
        }
    QCOMPARE(answer.searched, all);

    // The front: those that no design meeting the limits beats, every pair compared, the
    // beaten ones as soon as a beater turns up.
    std::sort(meeting.begin(), meeting.end(),
              [](const auto &a, const auto &b) { return a.worstPeakDb < b.worstPeakDb; });
    std::vector<std::tuple<int, int, int>> front, got;
    for (const AssistantDesign &d : meeting) {
        bool beaten = false;
        for (const AssistantDesign &o : meeting) {
            if (o.worstPeakDb > d.worstPeakDb)
                break;
            if (beats(o, d)) {
                beaten = true;
                break;
            }
        }
        if (!beaten)
            front.emplace_back(d.filterL, d.filterC, d.zobel);
    }
    for (const AssistantDesign &d : answer.designs) got.emplace_back(d.filterL, d.filterC, d.zobel);
    // By worst-case peak.
    QVERIFY(
        std::is_sorted(answer.designs.begin(), answer.designs.end(),
                       [](const auto &a, const auto &b) { return a.worstPeakDb < b.worstPeakDb; }));
    std::sort(front.begin(), front.end());
    std::sort(got.begin(), got.end());
    QCOMPARE(got.size(), front.size());
    QVERIFY(got == front);
    QCOMPARE(!front.empty(), met);
    if (met) {
        // Every limit but the ripple counted over all designs.
        for (int k = 0; k < kAssistantLimitCount - 1; ++k)
            QCOMPARE(answer.excluded[std::size_t(k)], failing[std::size_t(k)]);
    } else {
        QCOMPARE(answer.excluded, failing);
        const auto most = std::max_element(failing.begin(), failing.end());
        QCOMPARE(int(*answer.mostExcluding()), int(most - failing.begin()));
    }

    // Up to 1,000 of the answer's designs, drawn at random, each against the main window's own
    // analysis, Fig. 3 swept again with each load of the map in place of the speaker, and the
    // carrier window's idle figures.
    std::mt19937 pick(7);
    std::uniform_int_distribution<std::size_t> any(0, answer.designs.size() - 1);
    DesignAnalysis a;
    Curve curve;
    for (int k = 0; k < std::min<int>(1000, int(answer.designs.size())); ++k) {
        const AssistantDesign &row = answer.designs[any(pick)];
        const DesignRecord d = networks.applied(
            withFilter(in.design, row.filterL, row.filterC, library), networks.at(row.zobel));
        analyseDesign(d, in.loadPower, a);
        double worst = a.gainZobelFigures.maximum;
        for (const TradeoffLoad &load : tradeoffLoads(in)) {
            NetworkValues n = a.network;
            ParasiticNetwork p = parasiticNetwork(d);
            n.R1 = p.Rs = load.ohms;
            worst =
                std::max(worst, d.parts.hasParasitics()
                                    ? sweepParasitic(p, nullptr, &curve, nullptr).gainZobel.maximum
                                    : sweepGainZobel(n, curve).maximum);
        }
        double carrierW = 0, ripple = 0;
        if (setup.carrier) {
            const CarrierAnalysis c =
                analyzeCarrier(carrierNetwork(d), carrierSettings(d.carrier, in.loadPower),
                               partRatings(d.carrier));
            carrierW = c.idle.zobelResistorW[0];
            ripple = c.idle.inductorRipplePkPkA[0];
        }
        const double zobelW = d.zobel_c_serval == 0 ? 0.0 : a.dissipationFigures.at7kHz + carrierW;
        QCOMPARE((QList<double>{row.worstPeakDb, row.gain20kDb, row.attenuationDb, row.zobelW,
                                row.rippleApp}),
                 (QList<double>{worst, a.gainZobelFigures.gain20k, -a.gainZobelFigures.gain384k,
                                zobelW, ripple}));
    }
}

QTEST_GUILESS_MAIN(TestAssistant)
#include "tst_assistant.moc"
