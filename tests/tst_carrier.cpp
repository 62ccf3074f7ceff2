// The carrier analysis (core/carrier) against the same circuit worked out another way
// (carrierreference.h: switching instants, exact Fourier integrals, a 2x2 nodal solve, the inductor
// current in the time domain), and for the properties the topologies must have. ngspice's word on
// the same figures is tst_carrier_spice; the loss curve is checked in tst_carrierwindow.
#include "carrierreference.h"
#include "core/carrier/carrier.h"

#include <QTest>

#include <random>

Q_DECLARE_METATYPE(carrierref::Design)

namespace {

using carrierref::Check;
using carrierref::Design;
using carrierref::Figures;

CarrierNetwork networkOf(const Design &d)
{
    return {d.L, d.Cf, d.Rz, d.Czp, d.Czs, d.full, speakerRL(d.Rs, d.Ls)};
}

// Each figure against the reference: powers as they are, rms values as mean squares (what the
// tail bound holds), the ripple peak to peak within its own tolerance.
QList<Check> carrierChecks(const CarrierFigures &a, const Figures &r, double ppTol,
                           double ppFloor = 1e-12)
{
    QList<Check> c;
    const auto ms = [&](const QString &name, double got, double ref, double floor = 1e-24) {
        c << Check{name + " ms", got * got, ref * ref, 1e-3, floor};
    };
    for (int s = 0; s < 2; ++s) {
        const QString side = QString(" ") + "AB"[s];
        c << Check{"zobel W" + side, a.zobelResistorW[s], r.zobelW[s], 1e-3}
          << Check{"ripple pp" + side, a.inductorRipplePkPkA[s], r.ripplePkPk[s], ppTol, ppFloor};
        ms("ind" + side, a.inductorRippleRmsA[s], r.inductorRippleRms[s]);
        ms("out" + side, a.outputVrms[s], r.outputVrms[s]);
    }
    ms("cap", a.filterCapRmsA, r.capRms);
    ms("speaker V", a.speakerVrms, r.speakerVrms);
    ms("common", a.commonModeVrms, r.commonVrms, 1e-18);
    return c << Check{"speaker W", a.speakerW, r.speakerW, 1e-3, 1e-18};
}

// The powers and mean squares of some figures, in turn.
QList<double> squares(const Figures &f)
{
    QList<double> v{f.speakerW, f.capRms * f.capRms, f.speakerVrms * f.speakerVrms,
                    f.commonVrms * f.commonVrms};
    for (int s = 0; s < 2; ++s)
        v << f.zobelW[s] << f.inductorRippleRms[s] * f.inductorRippleRms[s]
          << f.outputVrms[s] * f.outputVrms[s];
    return v;
}

// Every figure, in turn.
QList<double> all(const CarrierFigures &f)
{
    QList<double> v;
    for (int i = 0; i < 2; ++i)
        v << f.zobelResistorW[i] << f.inductorRipplePkPkA[i] << f.inductorRippleRmsA[i]
          << f.outputVrms[i];
    return v << f.filterCapRmsA << f.speakerVrms << f.speakerW << f.commonModeVrms;
}

const Design kStartup{22e-6, 1e-6, 6, 1e-7, 1e-7, 8, 0.67e-3};

Design with(Design d, bool full, bool ad = false)
{
    d.full = full, d.ad = ad;
    return d;
}

}  // namespace

class TestCarrier : public QObject
{
    Q_OBJECT

private slots:
    // Idle against the reference summed far past the analysis's 0.1 % (as mean square) tail;
    // where the series falls slowly (2000 harmonics) the ripple within 0.1 %, else 0.02 %.
    void idle_data()
    {
        QTest::addColumn<Design>("design");
        QTest::addColumn<int>("harmonics");  // the reference's carrier harmonics
        // L, Cf, Rz, Czp, Czs, Rs, Ls, full bridge, AD, supply, switching frequency
        QTest::newRow("half bridge, start-up") << kStartup << 400;
        QTest::newRow("full bridge BD, start-up") << with(kStartup, true) << 400;
        QTest::newRow("full bridge AD, start-up") << with(kStartup, true, true) << 400;
        // Filter resonance (about 920 kHz) above the carrier: the sum must run past it.
        QTest::newRow("full bridge BD, resonance above the carrier")
            << Design{3e-6, 0.01e-6, 2, 0, 0.047e-6, 8, 0, true, false, 48, 300e3} << 400;
        // Zobel branch without its series capacitor (1e-13 F): nothing left to dissipate. The
        // common mode rings at L with 0.1 pF, 107 MHz, far above any sum; the few mA of ripple it
        // leaves are held to 1 mA.
        QTest::newRow("full bridge BD, no Zobel")
            << Design{22e-6, 1e-6, 6, 0, 0, 8, 0.67e-3, true, false, 48, 384e3} << 400;
        QTest::newRow("tail: small filter capacitor")
            << Design{22e-6, 0.01e-6, 6, 1e-7, 1e-7, 8, 0.67e-3, true, false, 48, 384e3} << 2000;
        QTest::newRow("tail: resonance at the 5th harmonic")
            << Design{5e-6, 0.0275e-6, 6, 0, 0.1e-6, 8, 0, false, false, 48, 192e3} << 2000;
    }
    void idle()
    {
        QFETCH(Design, design);
        QFETCH(int, harmonics);
        const CarrierFigures a = idleCarrier(networkOf(design), design.Vs, design.fc,
                                             design.ad ? Modulation::ad : Modulation::bd);
        const Figures full = carrierref::reference(design, harmonics).f;
        QVERIFY(carrierref::agree(
            QTest::currentDataTag(),
            carrierChecks(a, full, harmonics > 400 ? 1e-3 : 2e-4, design.Czs == 0 ? 1e-3 : 1e-12)));
        // The tail bound is not loose: a third of the harmonics summed leaves the reference's own
        // partial sum short of the 0.1 % on some figure.
        const QList<double>
            part =
                squares(carrierref::reference(design, std::max(1, (a.carrierHarmonics - 3) / 3)).f),
            whole = squares(full);
        bool short_ = false;
        for (qsizetype i = 0; i < part.size(); ++i)
            short_ = short_ || std::abs(part[i] - whole[i]) > 1e-3 * whole[i] + 1e-20;
        QVERIFY(short_);
    }

    void atPower_data()
    {
        QTest::addColumn<Design>("design");
        QTest::addColumn<double>("watts");
        QTest::addColumn<int>("carriersPerAudio");
        QTest::addColumn<double>("peakTolerance");
        // The ripple and the peak are taken with the duty frozen over a carrier period, which is
        // off by about pi M f_audio/f_carrier (natural sampling moves each edge on its own);
        // the reference reads them off one carrier period of the actual waveform.
        QTest::newRow("half bridge, 5 W") << kStartup << 5.0 << 128 << 0.02;
        QTest::newRow("full bridge BD, 20 W") << with(kStartup, true) << 20.0 << 128 << 0.02;
        QTest::newRow("full bridge AD, 600 kHz, 30 W, carrier 40x audio")
            << Design{10e-6, 2.2e-6, 3.3, 0.047e-6, 0.47e-6, 4, 0.05e-3, true, true, 36, 600e3}
            << 30.0 << 40 << 0.06;
    }
    void atPower()
    {
        QFETCH(Design, design);
        Design d = design;
        QFETCH(double, watts);
        QFETCH(int, carriersPerAudio);
        QFETCH(double, peakTolerance);
        const CarrierAnalysis out = analyzeCarrier(
            networkOf(d),
            {d.Vs, d.fc, d.ad ? Modulation::ad : Modulation::bd, d.fc / carriersPerAudio, watts});
        QVERIFY(std::holds_alternative<AtPowerFigures>(out.atPower));
        const AtPowerFigures &a = std::get<AtPowerFigures>(out.atPower);
        d.k = carriersPerAudio;
        d.M = a.modulationIndex;
        const Figures r = carrierref::reference(d).f;
        QList<Check> checks = carrierChecks(a.carrier, r, peakTolerance);
        for (int s = 0; s < 2; ++s)
            checks << Check{QString("zobel tot ") + "AB"[s], a.zobelResistorTotalW[s],
                            r.zobelTotalW[s], 1e-3}
                   << Check{QString("ind tot ") + "AB"[s], a.inductorRmsA[s], r.inductorRms[s],
                            1e-3}
                   << Check{QString("peak ") + "AB"[s], a.inductorPeakA[s], r.peak[s],
                            peakTolerance / 2};
        checks << Check{"cap tot", a.filterCapRmsA, r.capTotalRms, 1e-3}
               << Check{"load W", watts, r.loadW, 1e-3};
        QVERIFY(carrierref::agree(
            QTest::currentDataTag() + QString(", M %1").arg(a.modulationIndex), checks));
    }

    // The sidebands' Bessel values against the standard library's, and the orders kept against
    // the energy the library's values leave above them. x at a zero of J_2: an order below x near
    // 0 must not end the series there.
    void bessel_data()
    {
        QTest::addColumn<double>("x");
        QTest::newRow("0") << 0.0;
        QTest::newRow("0.01") << 0.01;
        QTest::newRow("first zero of J_2") << 5.1356223018406826;  // j_{2,1}, from the tables
        QTest::newRow("300") << 300.0;
    }
    void bessel()
    {
        QFETCH(double, x);
        std::vector<double> J(carrierdetail::kMaxBesselOrder + 1);
        const int N = carrierdetail::besselOrders(x, J.data());
        double worst = 0, left = 0;
        for (int n = 0; n <= N; ++n)
            worst = std::max(worst, std::abs(J[n] - std::cyl_bessel_j(n, x)));
        for (int n = N + 1; n <= N + 200; ++n) left += 2 * std::pow(std::cyl_bessel_j(n, x), 2);
        QVERIFY(worst < 1e-12);
        QVERIFY(left < carrierdetail::kBesselEnergyLeftOut);
        QVERIFY(N >= int(x));
    }

    // Out-of-the-way but finite inputs give finite figures, never NaN or infinity.
    void finiteEverywhere()
    {
        std::mt19937 rng(11);
        std::uniform_real_distribution<double> u(0, 1);
        auto pick = [&](double lo, double hi) { return lo * std::pow(hi / lo, u(rng)); };
        for (int n = 0; n < 300; ++n) {
            const CarrierNetwork net{pick(3e-6, 2e-4),
                                     pick(1e-8, 2e-6),
                                     n % 7 ? pick(1, 100) : 0.0,
                                     n % 3 ? pick(1e-9, 1e-6) : 0.0,
                                     n % 5 ? pick(1e-9, 1e-6) : 0.0,
                                     n % 2 == 0,
                                     speakerRL(pick(2, 16), n % 4 ? pick(1e-6, 1e-3) : 0.0)};
            const CarrierSettings s{pick(1, 100), pick(5e4, 2e6),
                                    n % 4 < 2 ? Modulation::ad : Modulation::bd, pick(20, 2e4),
                                    n % 9 ? pick(0.01, 1000) : 0.0};
            const CarrierAnalysis out = analyzeCarrier(net, s, {1, 1, 1});
            QList<double> values = all(out.idle);
            if (const auto *p = std::get_if<AtPowerFigures>(&out.atPower)) {
                values << all(p->carrier) << p->filterCapRmsA << p->zobelResistorTotalW[0]
                       << p->inductorRmsA[0] << p->inductorPeakA[0];
                QVERIFY(p->modulationIndex <= 1);
            } else if (const auto *short_ = std::get_if<SupplyShort>(&out.atPower)) {
                values << short_->supplyNeededV;
                QVERIFY(short_->supplyNeededV > s.supplyV);
            }
            for (double v : values)
                QVERIFY2(std::isfinite(v) && v >= 0,
                         qPrintable(QString("design %1: %2").arg(n).arg(v)));
        }
        // No audio frequency, or no speaker to take real power: nothing to deliver; 1 Hz, the
        // lowest audio frequency the entry takes, is one to deliver at.
        CarrierNetwork open = networkOf(with(kStartup, true));
        open.speaker = {};
        QVERIFY(std::holds_alternative<NotDeliverable>(
            analyzeCarrier(open, {48, 384e3, Modulation::bd, 1e3, 5}).atPower));
        open.speaker = speakerRL(8, 0);
        QVERIFY(std::holds_alternative<NotDeliverable>(
            analyzeCarrier(open, {48, 384e3, Modulation::bd, 0, 5}).atPower));
        QVERIFY(std::holds_alternative<AtPowerFigures>(
            analyzeCarrier(open, {48, 384e3, Modulation::bd, 1, 5}).atPower));
    }
};

QTEST_GUILESS_MAIN(TestCarrier)
#include "tst_carrier.moc"
