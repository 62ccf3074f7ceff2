// The trade-off map's engine: each network's peaks against the whole grid swept point by point
// (the search must find exactly the sweep's maximum, not a value near it), reuse of an earlier
// map; with real parts, each network's figures are those of the main window's complex sweeps. The
// figures, the CSV and the whole front are checked against an independent solution of the
// network by tests/reference/tradeoff.py.
#include "core/carrier/carrier.h"
#include "core/carrier/carrierinputs.h"
#include "core/measured/measuredcurves.h"
#include "core/network/parasitics.h"
#include "core/network/sweeps.h"
#include "core/network/valuelists.h"
#include "core/tradeoff/tradeoff.h"

#include <QTest>

#include <random>

namespace {

// A woofer in a closed box as an impedance meter would give it, 10 Hz to 20 kHz: resonance at
// about 60 Hz, a voice coil of 6.2 ohm and 0.9 mH with eddy-current losses.
std::shared_ptr<const MeasuredLoad> measuredWoofer()
{
    ImpedanceData data;
    data.hasPhase = true;
    const std::complex<double> j(0, 1);
    for (int k = 0; k <= 200; ++k) {
        const double hz = 10 * std::pow(2000.0, k / 200.0), w = 2 * M_PI * hz;
        const std::complex<double> motional =
            1.0 / (1.0 / 40.0 + 1.0 / (j * w * 0.012) + j * w * 5.8e-4);
        const std::complex<double> z = 6.2 + 1.0 / (1.0 / (j * w * 0.9e-3) + 1.0 / 9.0) + motional;
        data.points.append({hz, std::abs(z), std::arg(z) * 180 / M_PI});
    }
    return std::make_shared<const MeasuredLoad>(data, QStringLiteral("woofer.frd"));
}

struct Design {
    bool full;
    QString filterL, filterC, speakerR;
    double speakerL;  // mH
    bool measured;
    bool parts = false;  // the inductor's DCR and self-resonance, the capacitor's ESR and ESL, the
                         // design's 6 ohm Zobel resistor's inductance; in full bridge, the
                         // carrier inputs too
};

BoardParts realParts(const DesignRecord &d)
{
    BoardParts parts;
    Part l, c, r;
    l.value = d.jfilter_l;
    l.dcrOhm = 0.03;
    l.srfHz = 9e6;
    c.kind = PartKind::capacitor;
    c.value = d.jfilter_c;
    c.esrOhm = 0.01;
    c.eslH = 4e-9;
    r.kind = PartKind::resistor;
    r.value = d.jzobel_r2;
    r.seriesLH = 3e-7;
    parts.at(PartSlot::filter_l) = l;
    parts.at(PartSlot::filter_c) = c;
    parts.at(PartSlot::zobel_r) = r;
    return parts;
}

TradeoffInputs inputsFor(const Design &d)
{
    TradeoffInputs in;
    in.design = DesignRecord::startup();
    in.design.full_bridge_select = d.full ? kFlagTrue : kFlagFalse;
    acceptSelection(in.design, ListSelector::filter_l_par, d.filterL);
    acceptSelection(in.design, ListSelector::filter_c_par, d.filterC);
    acceptSelection(in.design, ListSelector::speaker_r_mode, d.speakerR);
    in.design.actual_l_net = d.speakerL;
    in.loadPower = 30;
    if (d.measured)
        in.measured = measuredWoofer();
    if (d.parts)
        in.design.parts = realParts(in.design);
    if (d.parts && d.full) {
        acceptCarrierText(in.design.carrier, CarrierField::supply, "48");
        acceptCarrierText(in.design.carrier, CarrierField::switching, "384");
    }
    return in;
}

// The largest gain (dB, from 0 dB up) over the whole grid, every point evaluated as Fig. 3's
// sweep evaluates it, with a speaker resistance in place of the design's (0: the measured speaker
// on its grid).
double fullGridPeak(const DesignRecord &d, std::int32_t ohms, const MeasuredGrid &grid)
{
    DesignRecord rec = d;
    rec.speaker_r_modeval = ohms ? ohms : d.speaker_r_modeval;
    if (rec.parts.hasParasitics()) {
        // Fig. 3's complex sweep, or a measured speaker's curve on it, from 0 dB up.
        Curve curve;
        if (ohms)
            return sweepParasitic(parasiticNetwork(rec), nullptr, &curve, nullptr)
                .gainZobel.maximum;
        MeasuredCurves measured;
        sweepMeasured(rec, grid, measured, AnalysisPart::GainZobel);
        return std::max(
            0.0, *std::max_element(measured.gainZobel.y.begin() + 1, measured.gainZobel.y.end()));
    }
    const NetworkValues n = networkValues(rec);
    double top = 0.0;
    for (int i = 1; i <= kSweepPoints; ++i)
        top = std::max(top, ohms ? gainZobelAt(n, i) : measuredGainAt(n, grid, i, true));
    return top;
}

// Every figure of every network, in turn.
QList<double> figuresOf(const TradeoffMap &map)
{
    QList<double> v;
    for (const TradeoffRow &r : map.rows)
        v << r.worstPeakDb << r.worstLoad << r.ownPeakDb << r.gain20kDb << r.at7kHzW << r.carrierW
          << r.zobelW << r.pareto;
    return v;
}

}  // namespace

Q_DECLARE_METATYPE(Design)
Q_DECLARE_METATYPE(TradeoffParts)

class TestTradeoff : public QObject
{
    Q_OBJECT

private slots:
    void rowsAreTheSweeps_data()
    {
        QTest::addColumn<Design>("design");
        QTest::newRow("half bridge, start-up") << Design{false, "22", "1.0", "8", 0.67, false};
        QTest::newRow("full bridge, 2 ohm, small filter")
            << Design{true, "3", ".1", "2", 0.05, false};
        QTest::newRow("half bridge, resonance near the grid's top")
            << Design{false, "3", ".1", "8", 0.01, false};
        QTest::newRow("full bridge, measured woofer") << Design{true, "10", ".33", "4", 0.2, true};
        QTest::newRow("half bridge, real parts")
            << Design{false, "22", "1.0", "8", 0.67, false, true};
        QTest::newRow("full bridge, real parts, measured woofer")
            << Design{true, "10", ".33", "4", 0.2, true, true};
    }

    // For a sample of networks, the peaks are the ones the whole grid gives for each load of the
    // set, bit for bit (the worst case the largest of them, naming its load), found by sweeping a
    // few tenths of a percent of the grid. The other figures: tests/reference/tradeoff.py.
    void rowsAreTheSweeps()
    {
        QFETCH(Design, design);
        const TradeoffInputs in = inputsFor(design);
        const TradeoffEngine engine(in);
        MeasuredGrid grid;
        if (in.measured)
            evaluateOnGrid(*in.measured, grid);
        // Networks at random, the first and the last, and some without a series capacitor.
        std::mt19937 rng(11);
        QList<int> sample{0, zobelNetworkCount() - 1, zobelNetworkIndex({5, 7, 0}),
                          zobelNetworkIndex({0, 17, 0})};
        while (sample.size() < 120) sample << int(rng() % unsigned(zobelNetworkCount()));
        const std::int32_t own = in.design.speaker_r_modeval;
        int swept = 0;
        for (int index : sample) {
            const DesignRecord d = withZobel(in.design, zobelNetwork(index));
            const TradeoffRow row = engine.evaluate(index);
            swept += row.sweptPoints;
            // The load set from the design: own speaker, 2 to 16 ohm, open, measured (0).
            QList<std::int32_t> ohms{own, 2, 4, 8, 16, 1000000000};
            if (in.measured)
                ohms << 0;
            QMap<std::int32_t, double> peaks;
            for (std::int32_t r : ohms) peaks[r] = fullGridPeak(d, r, grid);
            const double worst = *std::max_element(peaks.begin(), peaks.end());
            const TradeoffLoad &named = engine.loads()[std::size_t(row.worstLoad)];
            QCOMPARE(
                (QList<double>{row.worstPeakDb, peaks.value(named.measured ? 0 : named.ohms, -1),
                               row.ownPeakDb}),
                (QList<double>{worst, worst, peaks[own]}));
            if (design.parts) {
                // Fig. 3's 20 kHz figure, the Power window's 7 kHz one and the carrier window's
                // idle loss, as the windows give them once the network is chosen.
                Curve curve;
                PowerCurve power;
                const ParasiticNetwork real = parasiticNetwork(d);
                const double at7kHz =
                    sweepParasiticPower(real, powerInputs(d, in.loadPower), power).at7kHz;
                const double carrier = design.full
                                           ? idleCarrier(carrierNetwork(d, in.measured.get()), 48,
                                                         384000, Modulation::bd)
                                                 .zobelResistorW[0]
                                           : 0.0;
                QCOMPARE((QList<double>{row.gain20kDb, row.at7kHzW, row.carrierW, row.zobelW}),
                         (QList<double>{
                             sweepParasitic(real, nullptr, &curve, nullptr).gainZobel.gain20k,
                             at7kHz, carrier, d.zobel_c_serval == 0 ? 0.0 : at7kHz + carrier}));
            }
        }
        const double share =
            double(swept) / (double(engine.loads().size()) * kSweepPoints * double(sample.size()));
        qInfo("%.3f %% of the grid swept", 100 * share);
        // With real parts, every load is swept whole.
        QVERIFY(design.parts ? share == 1.0 : share < 0.004);
    }

    void reuse_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<TradeoffParts>("redo");
        const TradeoffParts gains = TradeoffPart::Peaks | TradeoffPart::Carrier;
        QTest::newRow("load power") << "power" << TradeoffParts(TradeoffPart::At7kHz);
        QTest::newRow("carrier on") << "carrier" << TradeoffParts(TradeoffPart::Carrier);
        QTest::newRow("speaker resistance") << "speakerR" << (gains | TradeoffPart::At7kHz);
        QTest::newRow("the design's own network") << "zobel" << TradeoffParts();
        QTest::newRow("a part's parasitics") << "parts" << kAllTradeoffParts;
    }

    // A map made from an earlier one is the map made afresh, whatever changed.
    void reuse()
    {
        QFETCH(QString, change);
        QFETCH(TradeoffParts, redo);
        TradeoffInputs before;
        before.design = DesignRecord::startup();
        before.design.full_bridge_select = kFlagTrue;
        acceptCarrierText(before.design.carrier, CarrierField::supply, "40");
        acceptCarrierText(before.design.carrier, CarrierField::switching, "500");
        before.design.carrier.modulation =
            Modulation::ad;  // BD idle takes every harmonic without a Zobel branch
        TradeoffInputs after = before;
        if (change == "power")
            after.loadPower = 12;
        else if (change == "carrier")
            before.design.carrier = CarrierInputs{};
        else if (change == "speakerR")
            acceptSelection(after.design, ListSelector::speaker_r_mode, "4");
        else if (change == "zobel")
            after.design = withZobel(after.design, {3, 4, 5});
        else if (change == "parts")
            after.design.parts = realParts(after.design);
        QCOMPARE(tradeoffPartsToRedo(before, after), redo);
        QCOMPARE(sameTradeoff(before, after), redo == 0);
        const TradeoffMap first = tradeoffMap(before);
        QCOMPARE(figuresOf(tradeoffMap(after, &first)), figuresOf(tradeoffMap(after)));
    }
};

QTEST_GUILESS_MAIN(TestTradeoff)
#include "tst_tradeoff.moc"
