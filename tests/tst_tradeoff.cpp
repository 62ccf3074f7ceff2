// The trade-off map's engine: each network's peaks against the whole grid swept point by point
// (the search must find exactly the sweep's maximum, not a value near it), its figures against
// the sweeps the windows show them from, the Pareto rule's ties worked out by hand, reuse of an
// earlier map. The figures, the CSV and the whole front are checked against an independent
// solution of the network by tests/reference/tradeoff.py.
#include "core/carrier/carrierinputs.h"
#include "core/measured/measuredcurves.h"
#include "core/network/powersweep.h"
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
        const std::complex<double> coil = 6.2 + 1.0 / (1.0 / (j * w * 0.9e-3) + 1.0 / 9.0);
        const std::complex<double> z = coil + motional;
        data.points.append({hz, std::abs(z), std::arg(z) * 180 / M_PI});
    }
    return std::make_shared<const MeasuredLoad>(data, QStringLiteral("woofer.frd"));
}

struct Design {
    bool full;
    QString filterL, filterC, speakerR;
    double speakerL;  // mH
    bool measured, carrier;
};

TradeoffInputs inputsFor(const Design &d)
{
    TradeoffInputs in;
    in.design = DesignRecord::startup();
    in.design.full_bridge_select = d.full ? kFlagTrue : kFlagFalse;
    acceptSelection(in.design, ListSelector::filter_l_par, d.filterL);
    acceptSelection(in.design, ListSelector::filter_c_par, d.filterC);
    acceptSelection(in.design, ListSelector::speaker_r_mode, d.speakerR);
    in.design.actual_l_net = d.speakerL;
    in.design.speaker_l_valtxt = QString::number(d.speakerL);
    in.loadPower = 30;
    if (d.measured)
        in.measured = measuredWoofer();
    if (d.carrier) {
        acceptCarrierText(in.design.carrier, CarrierField::supply, QStringLiteral("48"));
        acceptCarrierText(in.design.carrier, CarrierField::switching, QStringLiteral("384"));
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
    const NetworkValues n = networkValues(rec);
    double top = 0.0;
    for (int i = 1; i <= kSweepPoints; ++i)
        top = std::max(top, ohms ? gainZobelAt(n, i) : measuredGainAt(n, grid, i, true));
    return top;
}

// A few hundred networks: some at random, the first and the last, and some without a series
// capacitor.
QList<int> sampleNetworks(unsigned seed, int count)
{
    std::mt19937 rng(seed);
    QList<int> picks{0, zobelNetworkCount() - 1, zobelNetworkIndex({5, 7, 0}),
                     zobelNetworkIndex({0, 17, 0})};
    while (picks.size() < count) picks << int(rng() % unsigned(zobelNetworkCount()));
    return picks;
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
        QTest::newRow("half bridge, start-up, carrier")
            << Design{false, "22", "1.0", "8", 0.67, false, true};
        QTest::newRow("full bridge, 2 ohm, small filter")
            << Design{true, "3", ".1", "2", 0.05, false, false};
        QTest::newRow("half bridge, no speaker inductance")
            << Design{false, "100", "2.0", "6", 0.0, false, false};
        QTest::newRow("half bridge, resonance near the grid's top")
            << Design{false, "3", ".1", "8", 0.01, false, false};
        QTest::newRow("full bridge, measured woofer, carrier")
            << Design{true, "10", ".33", "4", 0.2, true, true};
    }

    // For a sample of networks, the peaks are the ones the whole grid gives for each load of the
    // set, bit for bit (the worst case the largest of them, naming its load), and every other
    // figure is the one the window shows it from: Fig. 3's sweep, the Power window's 7 kHz
    // figure, the carrier analysis's idle loss.
    void rowsAreTheSweeps()
    {
        QFETCH(Design, design);
        const TradeoffInputs in = inputsFor(design);
        const TradeoffEngine engine(in);
        MeasuredGrid grid;
        if (in.measured)
            evaluateOnGrid(*in.measured, grid);
        const QList<int> sample = sampleNetworks(11, 120);
        int swept = 0;
        for (int index : sample) {
            const DesignRecord d = withZobel(in.design, zobelNetwork(index));
            const TradeoffRow row = engine.evaluate(index);
            swept += row.sweptPoints;
            // The load set as it should be, from the design: own speaker, 2 to 16 ohm, open, and
            // the measured speaker (0).
            QList<std::int32_t> ohms{in.design.speaker_r_modeval, 2, 4, 8, 16, 1000000000};
            if (in.measured)
                ohms << 0;
            QMap<std::int32_t, double> peaks;
            for (std::int32_t r : ohms) peaks[r] = fullGridPeak(d, r, grid);
            const double worst = *std::max_element(peaks.begin(), peaks.end());
            const TradeoffLoad &named = engine.loads()[std::size_t(row.worstLoad)];
            Curve curve;
            const GainFigures fig3 = sweepGainZobel(networkValues(d), curve);
            PowerCurve power;
            const double at7kHz = sweepZobelPower(powerInputs(d, in.loadPower), power).at7kHz;
            const double carrier =
                d.carrier.given()
                    ? idleCarrier(carrierNetwork(d, in.measured.get()), d.carrier.supplyV,
                                  d.carrier.switchingHz, d.carrier.modulation)
                          .zobelResistorW[0]
                    : 0.0;
            // The worst case, the peak under the load it names, the own speaker's peak (Fig. 3's
            // maximum, and the whole grid's), 20 kHz, 7 kHz, the carrier and their sum (nothing
            // without a series capacitor).
            const std::int32_t own = in.design.speaker_r_modeval;
            QCOMPARE(
                (QList<double>{row.worstPeakDb, peaks.value(named.measured ? 0 : named.ohms, -1),
                               row.ownPeakDb, fig3.maximum, row.gain20kDb, row.at7kHzW,
                               row.carrierW, row.zobelW}),
                (QList<double>{worst, worst, fig3.maximum, peaks[own], fig3.gain20k, at7kHz,
                               carrier,
                               isNoZobel(zobelNetwork(index)) ? 0.0 : row.at7kHzW + row.carrierW}));
        }
        // The bounds leave a few tenths of a percent of the grid to sweep.
        const double share =
            double(swept) / (double(engine.loads().size()) * kSweepPoints * double(sample.size()));
        qInfo("%.3f %% of the grid swept", 100 * share);
        QVERIFY(share < 0.004);
    }

    void paretoFront_data()
    {
        QTest::addColumn<QList<double>>("cost");
        QTest::addColumn<QList<double>>("peak");
        QTest::addColumn<QString>("front");  // '1' on the front, '0' off it
        QTest::newRow("same cost, higher peak: off")
            << QList<double>{2, 2} << QList<double>{4, 3} << "01";
        QTest::newRow("same peak, dearer: off")
            << QList<double>{1, 3} << QList<double>{4, 4} << "10";
        QTest::newRow("equal in both: all on")
            << QList<double>{1, 1, 2} << QList<double>{5, 5, 3} << "111";
        QTest::newRow("staircase with a dent")
            << QList<double>{1, 2, 3, 4, 5} << QList<double>{9, 7, 8, 4, 4} << "11010";
    }

    void paretoFront()
    {
        QFETCH(QList<double>, cost);
        QFETCH(QList<double>, peak);
        QFETCH(QString, front);
        const std::vector<double> c(cost.begin(), cost.end()), p(peak.begin(), peak.end());
        const std::vector<bool> on = ::paretoFront(c, p);
        QString got;
        for (bool b : on) got += b ? '1' : '0';
        QCOMPARE(got, front);
    }

    void captions_data()
    {
        QTest::addColumn<QString>("speakerR");
        QTest::addColumn<bool>("measured");
        QTest::addColumn<bool>("full");
        QTest::addColumn<QString>("modulation");  // with 48 V, 384 kHz; empty: no carrier inputs
        QTest::addColumn<double>("loadPower");
        QTest::addColumn<QStringList>("loads");
        QTest::addColumn<QStringList>("captions");  // the loads', the dissipation's
        QTest::newRow("6 ohm, half bridge, carrier")
            << "6" << false << false << "bd" << 7.5
            << QStringList{"6 ohm (design)", "2 ohm", "4 ohm", "8 ohm", "16 ohm", "open"}
            << QStringList{"6 ohm (design), 2, 4, 8, 16 ohm, open (1 Gohm), each + .67 mH",
                           "7 kHz at 7.5 W + idle carrier, 48 V, 384 kHz"};
        QTest::newRow("2 ohm, measured, full bridge, BD")
            << "2" << true << true << "bd" << 50.0
            << QStringList{"2 ohm (design)", "4 ohm", "8 ohm", "16 ohm", "open", "measured"}
            << QStringList{
                   "2 ohm (design), 4, 8, 16 ohm, open (1 Gohm), each + .67 mH; measured: "
                   "woofer.frd",
                   "7 kHz at 50 W + idle carrier, 48 V, 384 kHz, BD"};
    }

    // The load set, and the captions that say which loads and which dissipation the map shows.
    void captions()
    {
        QFETCH(QString, speakerR);
        QFETCH(bool, measured);
        QFETCH(bool, full);
        QFETCH(QString, modulation);
        QFETCH(double, loadPower);
        QFETCH(QStringList, loads);
        QFETCH(QStringList, captions);
        TradeoffInputs in;
        in.design = DesignRecord::startup();
        acceptSelection(in.design, ListSelector::speaker_r_mode, speakerR);
        in.design.full_bridge_select = full ? kFlagTrue : kFlagFalse;
        in.loadPower = loadPower;
        if (measured)
            in.measured = measuredWoofer();
        if (!modulation.isEmpty()) {
            acceptCarrierText(in.design.carrier, CarrierField::supply, "48");
            acceptCarrierText(in.design.carrier, CarrierField::switching, "384");
            in.design.carrier.modulation = *modulationNamed(modulation);
        }
        QStringList names;
        for (const TradeoffLoad &l : tradeoffLoads(in)) names << l.name;
        QCOMPARE(names, loads);
        QCOMPARE((QStringList{loadsCaption(in), dissipationCaption(in)}), captions);
    }

    void reuse_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<TradeoffParts>("redo");
        const TradeoffParts gains = TradeoffPart::Peaks | TradeoffPart::Carrier;
        QTest::newRow("load power") << "power" << TradeoffParts(TradeoffPart::At7kHz);
        QTest::newRow("carrier on") << "carrier" << TradeoffParts(TradeoffPart::Carrier);
        QTest::newRow("modulation") << "modulation" << TradeoffParts(TradeoffPart::Carrier);
        QTest::newRow("speaker inductance") << "speakerL" << gains;
        QTest::newRow("speaker resistance") << "speakerR" << (gains | TradeoffPart::At7kHz);
        QTest::newRow("filter capacitor") << "filterC" << gains;
        QTest::newRow("measured speaker") << "measured" << gains;
        QTest::newRow("the design's own network") << "zobel" << TradeoffParts();
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
        else if (change == "modulation")
            after.design.carrier.modulation = Modulation::bd;
        else if (change == "speakerL")
            after.design.actual_l_net = 0.3;
        else if (change == "speakerR")
            acceptSelection(after.design, ListSelector::speaker_r_mode, "4");
        else if (change == "filterC")
            acceptSelection(after.design, ListSelector::filter_c_par, ".47");
        else if (change == "measured")
            after.measured = measuredWoofer();
        else if (change == "zobel")
            after.design = withZobel(after.design, {3, 4, 5});
        QCOMPARE(tradeoffPartsToRedo(before, after), redo);
        QCOMPARE(sameTradeoff(before, after), redo == 0);
        const TradeoffMap first = tradeoffMap(before);
        QCOMPARE(figuresOf(tradeoffMap(after, &first)), figuresOf(tradeoffMap(after)));
    }

    void designNetwork()
    {
        const DesignRecord startup = DesignRecord::startup();
        const std::optional<ZobelNetwork> own = ::designNetwork(startup);
        QVERIFY(own);
        QCOMPARE(zobelCParText(*own) + " " + zobelRText(*own) + " " + zobelCSerText(*own),
                 QString(".1 6 .1"));
        const ZobelNetwork z{15, 0, 1};
        const DesignRecord d = withZobel(startup, z);
        QCOMPARE(d.jzobel_c2 + " " + d.jzobel_r2 + " " + d.jzobel_c3, QString("1.0 1 .047"));
        QCOMPARE(d.zobel_c_parval, 1.0e-6);
        QCOMPARE(d.zobel_c_serval, 0.047e-6);
        QVERIFY(::designNetwork(d) == z);
        QVERIFY(isNoZobel({3, 3, 0}) && !isNoZobel({0, 3, 3}));
    }
};

QTEST_GUILESS_MAIN(TestTradeoff)
#include "tst_tradeoff.moc"
