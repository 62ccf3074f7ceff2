// The carrier analysis (core/carrier) against the same circuit worked out another way
// (carrierreference.h: switching instants, exact Fourier integrals, a 2x2 nodal solve, the inductor
// current in the time domain), against hand formulas, and for the properties the topologies must
// have. ngspice's word on the same figures is tst_carrier_spice.
#include "carrierreference.h"
#include "core/carrier.h"

#include <QTest>

#include <random>

Q_DECLARE_METATYPE(carrierref::Design)

namespace {

using carrierref::Design;
using carrierref::Figures;

CarrierNetwork networkOf(const Design &d)
{
    return {d.L, d.Cf, d.Rz, d.Czp, d.Czs, d.full, speakerRL(d.Rs, d.Ls)};
}

Modulation modulationOf(const Design &d)
{
    return d.ad ? Modulation::ad : Modulation::bd;
}

// One figure against its reference: relative tolerance, or absolute below `floor`.
struct Check {
    const char *name;
    double analysis, reference, tolerance, floor = 1e-12;
};

bool agree(const QString &row, const QList<Check> &checks)
{
    bool ok = true;
    QStringList lines;
    for (const Check &c : checks) {
        const double diff = std::abs(c.analysis - c.reference);
        const bool good = std::isfinite(c.analysis) &&
                          (diff <= c.tolerance * std::abs(c.reference) || diff <= c.floor);
        ok = ok && good;
        lines << QString("%1 %2 %3 %4").arg(c.name, -10).arg(c.analysis, 13, 'g', 7)
                     .arg(c.reference, 13, 'g', 7).arg(good ? "" : "  <-- differs");
    }
    qInfo().noquote() << row << "(analysis, reference)\n  " + lines.join("\n  ");
    return ok;
}

QList<Check> carrierChecks(const CarrierFigures &a, const Figures &r, double tol, double ppTol,
                           double ppFloor = 1e-12)
{
    QList<Check> c;
    for (int s = 0; s < 2; ++s) {
        c << Check{s ? "zobel B" : "zobel A", a.zobelResistorW[s], r.zobelW[s], tol}
          << Check{s ? "ripple B" : "ripple A", a.inductorRipplePkPkA[s], r.ripplePkPk[s], ppTol, ppFloor}
          << Check{s ? "ind rms B" : "ind rms A", a.inductorRippleRmsA[s], r.inductorRippleRms[s], tol}
          << Check{s ? "out B" : "out A", a.outputVrms[s], r.outputVrms[s], tol};
    }
    c << Check{"cap rms", a.filterCapRmsA, r.capRms, tol}
      << Check{"speaker V", a.speakerVrms, r.speakerVrms, tol}
      << Check{"speaker W", a.speakerW, r.speakerW, tol, 1e-18}
      << Check{"common", a.commonModeVrms, r.commonVrms, tol, 1e-9};
    return c;
}

void addDesigns()
{
    QTest::addColumn<Design>("design");
    QTest::addColumn<double>("rippleFloor");
    //                                              L      Cf       Rz   Czp     Czs     Rs  Ls
    QTest::newRow("half bridge, start-up") << Design{22e-6, 1e-6, 6, 1e-7, 1e-7, 8, 0.67e-3, false} << 1e-12;
    QTest::newRow("full bridge BD, start-up") << Design{22e-6, 1e-6, 6, 1e-7, 1e-7, 8, 0.67e-3, true} << 1e-12;
    QTest::newRow("full bridge AD, start-up") << Design{22e-6, 1e-6, 6, 1e-7, 1e-7, 8, 0.67e-3, true, true} << 1e-12;
    QTest::newRow("half bridge, no Czp, 600 kHz")
        << Design{15e-6, 0.68e-6, 4.7, 0, 0.22e-6, 4, 0.1e-3, false, false, 40, 600e3} << 1e-12;
    QTest::newRow("full bridge BD, no Czp, 250 kHz")
        << Design{33e-6, 0.47e-6, 10, 0, 0.1e-6, 6, 0.3e-3, true, false, 60, 250e3} << 1e-12;
    QTest::newRow("full bridge AD, 600 kHz")
        << Design{10e-6, 2.2e-6, 3.3, 0.047e-6, 0.47e-6, 4, 0.05e-3, true, true, 36, 600e3} << 1e-12;
    // Filter resonance (about 920 kHz) above the carrier: the sum must run past it.
    QTest::newRow("half bridge, resonance above the carrier")
        << Design{3e-6, 0.01e-6, 2, 0, 0.047e-6, 8, 0, false, false, 48, 300e3} << 1e-12;
    QTest::newRow("full bridge BD, resonance above the carrier")
        << Design{3e-6, 0.01e-6, 2, 0, 0.047e-6, 8, 0, true, false, 48, 300e3} << 1e-12;
    // Zobel branch without its series capacitor (1e-13 F): nothing left to dissipate. The common
    // mode rings at L with 0.1 pF, 107 MHz, far above any sum; the few mA of ripple it leaves are
    // held to 1 mA.
    QTest::newRow("full bridge BD, no Zobel")
        << Design{22e-6, 1e-6, 6, 0, 0, 8, 0.67e-3, true, false, 48, 384e3} << 1e-3;
}

}  // namespace

class TestCarrier : public QObject
{
    Q_OBJECT

private slots:
    void idle_data() { addDesigns(); }
    void idle()
    {
        QFETCH(Design, design);
        QFETCH(double, rippleFloor);
        const CarrierFigures a = idleCarrier(networkOf(design), design.Vs, design.fc, modulationOf(design));
        // 400 carrier harmonics: the reference's own tail is far below the analysis's 0.1 %.
        const Figures r = carrierref::reference(design, 400).f;
        QVERIFY(agree(QTest::currentDataTag(), carrierChecks(a, r, 1e-3, 2e-4, rippleFloor)));
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
        QTest::newRow("half bridge, 5 W") << Design{22e-6, 1e-6, 6, 1e-7, 1e-7, 8, 0.67e-3, false} << 5.0 << 128 << 0.02;
        QTest::newRow("full bridge BD, 20 W") << Design{22e-6, 1e-6, 6, 1e-7, 1e-7, 8, 0.67e-3, true} << 20.0 << 128 << 0.02;
        QTest::newRow("full bridge AD, 20 W") << Design{22e-6, 1e-6, 6, 1e-7, 1e-7, 8, 0.67e-3, true, true} << 20.0 << 128 << 0.02;
        QTest::newRow("full bridge BD, no Czp, 250 kHz, 40 W")
            << Design{33e-6, 0.47e-6, 10, 0, 0.1e-6, 6, 0.3e-3, true, false, 60, 250e3} << 40.0 << 128 << 0.02;
        QTest::newRow("full bridge AD, 600 kHz, 30 W, carrier 40x audio")
            << Design{10e-6, 2.2e-6, 3.3, 0.047e-6, 0.47e-6, 4, 0.05e-3, true, true, 36, 600e3} << 30.0 << 40 << 0.06;
    }
    void atPower()
    {
        QFETCH(Design, design);
        QFETCH(double, watts);
        QFETCH(int, carriersPerAudio);
        QFETCH(double, peakTolerance);
        const CarrierSettings s{design.Vs, design.fc, modulationOf(design), design.fc / carriersPerAudio, watts};
        const CarrierAnalysis out = analyzeCarrier(networkOf(design), s);
        QVERIFY(std::holds_alternative<AtPowerFigures>(out.atPower));
        const AtPowerFigures &a = std::get<AtPowerFigures>(out.atPower);
        Design d = design;
        d.k = carriersPerAudio;
        d.M = a.modulationIndex;
        const Figures r = carrierref::reference(d).f;
        QList<Check> checks = carrierChecks(a.carrier, r, 1e-3, peakTolerance);
        for (int s = 0; s < 2; ++s)
            checks << Check{s ? "zobel tot B" : "zobel tot A", a.zobelResistorTotalW[s], r.zobelTotalW[s], 1e-3}
                   << Check{s ? "ind tot B" : "ind tot A", a.inductorRmsA[s], r.inductorRms[s], 1e-3}
                   << Check{s ? "peak B" : "peak A", a.inductorPeakA[s], r.peak[s], peakTolerance / 2};
        checks << Check{"cap tot", a.filterCapRmsA, r.capTotalRms, 1e-3}
               << Check{"load W", watts, r.loadW, 1e-3};
        QVERIFY(agree(QTest::currentDataTag() + QString(", M %1").arg(a.modulationIndex), checks));
    }

    // The figures measured on the start-up design with a transient simulation, and the hand
    // formula for BD's fundamental: V_out = V_leg Zz/(Zz + jwL), Cf and speaker carrying no
    // common-mode current.
    void startupFullBridge()
    {
        const CarrierNetwork net{22e-6, 1e-6, 6, 1e-7, 1e-7, true, speakerRL(8, 0.67e-3)};
        const CarrierFigures bd = idleCarrier(net, 48, 384e3, Modulation::bd);
        const CarrierFigures ad = idleCarrier(net, 48, 384e3, Modulation::ad);
        const std::complex<double> j(0, 1);
        const double w = 2 * std::numbers::pi * 384e3;
        const std::complex<double> zp = 1.0 / (1.0 / 6.0 + j * w * 1e-7), zz = zp + 1.0 / (j * w * 1e-7);
        const std::complex<double> vOut = 2 * 48 / std::numbers::pi * zz / (zz + j * w * 22e-6);
        const double fundamental = std::norm(vOut * zp / zz) / 2 / 6;
        qInfo("BD %.6f W (transient 0.425, fundamental %.6f), AD %.3g W (transient 0.00025)",
              bd.zobelResistorW[0], fundamental, ad.zobelResistorW[0]);
        QVERIFY(qAbs(bd.zobelResistorW[0] / 0.425 - 1) < 2e-3);
        QVERIFY(bd.zobelResistorW[0] > fundamental && bd.zobelResistorW[0] < fundamental * 1.01);
        QVERIFY(qAbs(ad.zobelResistorW[0] - 0.00025) < 0.000005);
    }

    // The supply a load power needs, by hand: the speaker's real power |V|^2 Re(1/Zs)/2 with V the
    // source through L into the output's load (half bridge: Cf, speaker and Zobel to ground; full
    // bridge: the same across the outputs, one Zobel branch of each side in series), the source
    // being Vs/2 peak per volt of supply in half bridge and Vs in full bridge.
    void supplyNeeded_data()
    {
        QTest::addColumn<bool>("full");
        QTest::addColumn<double>("L");
        QTest::addColumn<double>("Cf");
        QTest::addColumn<double>("Ls");
        QTest::addColumn<double>("hz");
        QTest::addColumn<double>("watts");
        QTest::addColumn<double>("supply");
        QTest::newRow("full bridge, ideal filter, 8 ohm, 200 W") << true << 1e-9 << 1e-12 << 0.0 << 1e3 << 200.0 << 48.0;
        QTest::newRow("half bridge, ideal filter, 8 ohm, 50 W") << false << 1e-9 << 1e-12 << 0.0 << 1e3 << 50.0 << 48.0;
        QTest::newRow("full bridge, start-up, 20 W at 10 kHz") << true << 22e-6 << 1e-6 << 0.67e-3 << 1e4 << 20.0 << 48.0;
        QTest::newRow("half bridge, start-up, 20 W at 1 kHz") << false << 22e-6 << 1e-6 << 0.67e-3 << 1e3 << 20.0 << 24.0;
        QTest::newRow("full bridge, start-up, 20 W at 1 kHz, enough supply") << true << 22e-6 << 1e-6 << 0.67e-3 << 1e3 << 20.0 << 48.0;
    }
    void supplyNeeded()
    {
        QFETCH(bool, full);
        QFETCH(double, L);
        QFETCH(double, Cf);
        QFETCH(double, Ls);
        QFETCH(double, hz);
        QFETCH(double, watts);
        QFETCH(double, supply);
        const double Rs = 8;
        const std::complex<double> j(0, 1);
        const double w = 2 * std::numbers::pi * hz;
        const std::complex<double> zs = Rs + j * w * Ls, zz = 6.0 / (1.0 + j * w * 6.0 * 1e-7) + 1.0 / (j * w * 1e-7);
        const std::complex<double> zload = 1.0 / (1.0 / zs + j * w * Cf + (full ? 0.5 : 1.0) / zz);
        // Full bridge: each side's L in series with the differential load's half.
        const std::complex<double> ratio = full ? zload / (zload + 2.0 * j * w * L) : zload / (zload + j * w * L);
        const double vPeak = std::sqrt(2 * watts / (1.0 / zs).real());
        const double needed = vPeak / std::abs(ratio) * (full ? 1 : 2);
        const CarrierNetwork net{L, Cf, 6, 1e-7, 1e-7, full, speakerRL(Rs, Ls)};
        const CarrierAnalysis out = analyzeCarrier(net, {supply, 384e3, Modulation::bd, hz, watts});
        if (needed > supply) {
            QVERIFY(std::holds_alternative<SupplyShort>(out.atPower));
            const double v = std::get<SupplyShort>(out.atPower).supplyNeededV;
            qInfo("supply needed %.6f V, by hand %.6f V", v, needed);
            QVERIFY(qAbs(v / needed - 1) < 1e-9);
        } else {
            QVERIFY(std::holds_alternative<AtPowerFigures>(out.atPower));
            const double m = std::get<AtPowerFigures>(out.atPower).modulationIndex;
            qInfo("modulation index %.6f, by hand %.6f", m, needed / supply);
            QVERIFY(qAbs(m / (needed / supply) - 1) < 1e-9);
        }
    }

    // The tail left out moves no figure by more than 0.1 % (as mean square): designs whose series
    // fall slowly, against the reference summed to 2000 carrier harmonics.
    void tail_data()
    {
        QTest::addColumn<Design>("design");
        QTest::newRow("small filter capacitor")
            << Design{22e-6, 0.01e-6, 6, 1e-7, 1e-7, 8, 0.67e-3, true, false, 48, 384e3};
        QTest::newRow("resonance at the 5th harmonic")
            << Design{5e-6, 0.0275e-6, 6, 0, 0.1e-6, 8, 0, false, false, 48, 192e3};
        QTest::newRow("large Zobel resistor") << Design{22e-6, 1e-6, 100, 0, 1e-6, 8, 0.67e-3, false};
    }
    void tail()
    {
        QFETCH(Design, design);
        const CarrierFigures a = idleCarrier(networkOf(design), design.Vs, design.fc, modulationOf(design));
        const Figures r = carrierref::reference(design, 2000).f;
        const auto square = [](double v) { return v * v; };
        QList<Check> checks;
        for (int s = 0; s < 2; ++s)
            checks << Check{"zobel", a.zobelResistorW[s], r.zobelW[s], 1e-3}
                   << Check{"ind ms", square(a.inductorRippleRmsA[s]), square(r.inductorRippleRms[s]), 1e-3}
                   << Check{"out ms", square(a.outputVrms[s]), square(r.outputVrms[s]), 1e-3}
                   << Check{"ripple", a.inductorRipplePkPkA[s], r.ripplePkPk[s], 1e-3};
        checks << Check{"cap ms", square(a.filterCapRmsA), square(r.capRms), 1e-3}
               << Check{"speaker W", a.speakerW, r.speakerW, 1e-3, 1e-18}
               << Check{"common ms", square(a.commonModeVrms), square(r.commonVrms), 1e-3};
        QVERIFY(agree(QTest::currentDataTag(), checks));
    }

    // The sidebands' Bessel values against the standard library's, and the orders kept against
    // the energy the library's values leave above them. x at a zero of J_2 and of J_3: an order
    // below x near 0 must not end the series there.
    void bessel_data()
    {
        QTest::addColumn<double>("x");
        auto zero = [](int order, double lo, double hi) {
            for (int i = 0; i < 200; ++i) {
                const double mid = 0.5 * (lo + hi);
                ((std::cyl_bessel_j(order, lo) > 0) == (std::cyl_bessel_j(order, mid) > 0) ? lo : hi) = mid;
            }
            return 0.5 * (lo + hi);
        };
        QTest::newRow("0") << 0.0;
        QTest::newRow("1e-7") << 1e-7;
        QTest::newRow("0.01") << 0.01;
        QTest::newRow("pi/2, M = 1 at the carrier") << std::numbers::pi / 2;
        QTest::newRow("zero of J_2") << zero(2, 4, 6);
        QTest::newRow("second zero of J_3") << zero(3, 9, 10.5);
        QTest::newRow("31.4, M = 1 at the 20th harmonic") << 31.4;
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
        for (int n = N + 1; n <= N + 200; ++n)
            left += 2 * std::pow(std::cyl_bessel_j(n, x), 2);
        qInfo("x %.15g: orders 0..%d, largest difference %.2g, energy left out %.2g", x, N, worst, left);
        QVERIFY(worst < 1e-12);
        QVERIFY(left < carrierdetail::kBesselEnergyLeftOut);
        QVERIFY(N >= int(x));
    }

    void topologies()
    {
        const CarrierNetwork half{22e-6, 1e-6, 6, 1e-7, 1e-7, false, speakerRL(8, 0.67e-3)};
        CarrierNetwork full = half;
        full.fullBridge = true;
        auto same = [](const CarrierFigures &x, const CarrierFigures &y) {
            return x.zobelResistorW == y.zobelResistorW && x.inductorRipplePkPkA == y.inductorRipplePkPkA &&
                   x.inductorRippleRmsA == y.inductorRippleRmsA && x.outputVrms == y.outputVrms &&
                   x.filterCapRmsA == y.filterCapRmsA && x.speakerVrms == y.speakerVrms &&
                   x.speakerW == y.speakerW && x.commonModeVrms == y.commonModeVrms;
        };
        // Half bridge ignores the modulation, idle and at power.
        const CarrierSettings bdSet{48, 384e3, Modulation::bd, 1e3, 5}, adSet{48, 384e3, Modulation::ad, 1e3, 5};
        const CarrierAnalysis hb = analyzeCarrier(half, bdSet), ha = analyzeCarrier(half, adSet);
        QVERIFY(same(hb.idle, ha.idle));
        QVERIFY(same(std::get<AtPowerFigures>(hb.atPower).carrier, std::get<AtPowerFigures>(ha.atPower).carrier));
        QCOMPARE(hb.idle.zobelResistorW[1], 0.0);
        QCOMPARE(hb.idle.commonModeVrms, hb.idle.outputVrms[0]);
        // BD idle: the legs in phase; all of it common mode, equal at both outputs, none across
        // the speaker.
        const CarrierFigures bd = idleCarrier(full, 48, 384e3, Modulation::bd);
        QCOMPARE(bd.outputVrms[0], bd.outputVrms[1]);
        QCOMPARE(bd.commonModeVrms, bd.outputVrms[0]);
        QCOMPARE(bd.speakerVrms, 0.0);
        QCOMPARE(bd.filterCapRmsA, 0.0);
        // AD idle: differential only; each output carries half the speaker's voltage.
        const CarrierFigures ad = idleCarrier(full, 48, 384e3, Modulation::ad);
        QCOMPARE(ad.commonModeVrms, 0.0);
        QVERIFY(qAbs(2 * ad.outputVrms[0] / ad.speakerVrms - 1) < 1e-12);
        QCOMPARE(ad.zobelResistorW[0], ad.zobelResistorW[1]);
        // Zero load power: the at-power carrier is the idle one.
        const CarrierAnalysis quiet = analyzeCarrier(full, {48, 384e3, Modulation::bd, 1e3, 0});
        const AtPowerFigures &q = std::get<AtPowerFigures>(quiet.atPower);
        QCOMPARE(q.modulationIndex, 0.0);
        QVERIFY(same(q.carrier, quiet.idle));
        QCOMPARE(q.inductorPeakA[0], 0.5 * quiet.idle.inductorRipplePkPkA[0]);
    }

    void ratings_data()
    {
        QTest::addColumn<double>("zobelW");
        QTest::addColumn<double>("saturationA");
        QTest::addColumn<double>("capA");
        QTest::addColumn<QList<bool>>("exceeded");  // idle: zobel, inductor, cap; then at power
        // Start-up full bridge BD at 20 W, 1 kHz: idle 0.425 W, ripple 1.594 A (peak 0.797 A), cap 0;
        // at power 0.34 W total, peak 2.85 A, cap 0.12 A.
        QTest::newRow("none given") << 0.0 << 0.0 << 0.0 << QList<bool>{false, false, false, false, false, false};
        QTest::newRow("all generous") << 1.0 << 10.0 << 5.0 << QList<bool>{false, false, false, false, false, false};
        QTest::newRow("Zobel 0.25 W") << 0.25 << 10.0 << 5.0 << QList<bool>{true, false, false, true, false, false};
        QTest::newRow("Zobel 0.4 W") << 0.4 << 10.0 << 5.0 << QList<bool>{true, false, false, false, false, false};
        QTest::newRow("inductor 2 A") << 1.0 << 2.0 << 5.0 << QList<bool>{false, false, false, false, true, false};
        QTest::newRow("inductor 0.7 A") << 1.0 << 0.7 << 5.0 << QList<bool>{false, true, false, false, true, false};
        QTest::newRow("capacitor 0.1 A") << 1.0 << 10.0 << 0.1 << QList<bool>{false, false, false, false, false, true};
    }
    void ratings()
    {
        QFETCH(double, zobelW);
        QFETCH(double, saturationA);
        QFETCH(double, capA);
        QFETCH(QList<bool>, exceeded);
        const CarrierNetwork full{22e-6, 1e-6, 6, 1e-7, 1e-7, true, speakerRL(8, 0.67e-3)};
        const CarrierAnalysis out = analyzeCarrier(full, {48, 384e3, Modulation::bd, 1e3, 20}, {zobelW, saturationA, capA});
        const AtPowerFigures &p = std::get<AtPowerFigures>(out.atPower);
        qInfo("idle %.4f W, %.4f A, %.4f A; at power %.4f W, %.4f A, %.4f A", out.idle.zobelResistorW[0],
              out.idle.inductorRipplePkPkA[0] / 2, out.idle.filterCapRmsA, p.zobelResistorTotalW[0],
              p.inductorPeakA[0], p.filterCapRmsA);
        const RatingExcess i = out.idleExcess, a = p.excess;
        QCOMPARE((QList<bool>{i.zobelResistor, i.inductor, i.filterCapacitor, a.zobelResistor, a.inductor, a.filterCapacitor}),
                 exceeded);
    }

    void carrierLoss()
    {
        const CarrierNetwork full{22e-6, 1e-6, 6, 1e-7, 1e-7, true, speakerRL(8, 0.67e-3)};
        CarrierLossCurve bd, ad;
        sweepCarrierLoss(full, 48, Modulation::bd, bd);
        sweepCarrierLoss(full, 48, Modulation::ad, ad);
        QCOMPARE(bd.x.front(), 1e5);
        QVERIFY(qAbs(bd.x.back() / 2e6 - 1) < 1e-12);
        QVERIFY(qAbs(bd.x[1] / bd.x[0] - std::pow(20.0, 1.0 / 199)) < 1e-12);
        for (int i : {0, 57, 199}) {
            Design d{22e-6, 1e-6, 6, 1e-7, 1e-7, 8, 0.67e-3, true, false, 48, bd.x[i]};
            QVERIFY(agree(QString("BD at %1 Hz").arg(bd.x[i]), {{"zobel", bd.y[i], carrierref::reference(d, 400).f.zobelW[0], 1e-3}}));
            d.ad = true;
            QVERIFY(agree(QString("AD at %1 Hz").arg(ad.x[i]), {{"zobel", ad.y[i], carrierref::reference(d, 400).f.zobelW[0], 1e-3}}));
        }
        // AD: Cf shunts the carrier, less and less as the frequency rises. BD: the common mode
        // meets L and the Zobel branch alone, in series resonance where Im(jwL + Zz) = 0; past it
        // the power falls.
        const std::complex<double> j(0, 1);
        auto reactance = [&](double hz) {
            const double w = 2 * std::numbers::pi * hz;
            return (j * w * 22e-6 + 6.0 / (1.0 + j * w * 6.0 * 1e-7) + 1.0 / (j * w * 1e-7)).imag();
        };
        double lo = 1e5, hi = 2e6;
        for (int i = 0; i < 100; ++i)
            (reactance(0.5 * (lo + hi)) < 0 ? lo : hi) = 0.5 * (lo + hi);
        const int top = int(std::max_element(bd.y.begin(), bd.y.end()) - bd.y.begin());
        qInfo("BD loss peaks at %.0f Hz, %.3f W; series resonance %.0f Hz", bd.x[top], bd.y[top], lo);
        QVERIFY(bd.x[top] / lo < 1.016 && lo / bd.x[top] < 1.016);
        for (int i = 1; i < kCarrierLossPoints; ++i)
            QVERIFY2((i <= top || bd.y[i] < bd.y[i - 1]) && ad.y[i] < ad.y[i - 1], qPrintable(QString::number(i)));
    }

    // Out-of-the-way but finite inputs give finite figures, never NaN or infinity.
    void finiteEverywhere()
    {
        std::mt19937 rng(11);
        std::uniform_real_distribution<double> u(0, 1);
        auto pick = [&](double lo, double hi) { return lo * std::pow(hi / lo, u(rng)); };
        for (int n = 0; n < 300; ++n) {
            const CarrierNetwork net{pick(3e-6, 2e-4), pick(1e-8, 2e-6), n % 7 ? pick(1, 100) : 0.0,
                                     n % 3 ? pick(1e-9, 1e-6) : 0.0, n % 5 ? pick(1e-9, 1e-6) : 0.0,
                                     n % 2 == 0, speakerRL(pick(2, 16), n % 4 ? pick(1e-6, 1e-3) : 0.0)};
            const CarrierSettings s{pick(1, 100), pick(5e4, 2e6), n % 4 < 2 ? Modulation::ad : Modulation::bd,
                                    pick(20, 2e4), n % 9 ? pick(0.01, 1000) : 0.0};
            const CarrierAnalysis out = analyzeCarrier(net, s, {1, 1, 1});
            QList<double> all;
            auto add = [&](const CarrierFigures &f) {
                for (int i = 0; i < 2; ++i)
                    all << f.zobelResistorW[i] << f.inductorRipplePkPkA[i] << f.inductorRippleRmsA[i] << f.outputVrms[i];
                all << f.filterCapRmsA << f.speakerVrms << f.speakerW << f.commonModeVrms;
            };
            add(out.idle);
            if (const auto *p = std::get_if<AtPowerFigures>(&out.atPower)) {
                add(p->carrier);
                for (int i = 0; i < 2; ++i)
                    all << p->zobelResistorTotalW[i] << p->zobelResistorAudioW[i] << p->inductorRmsA[i] << p->inductorPeakA[i];
                all << p->filterCapRmsA << p->modulationIndex;
                QVERIFY(p->modulationIndex <= 1);
            } else if (const auto *short_ = std::get_if<SupplyShort>(&out.atPower)) {
                all << short_->supplyNeededV;
                QVERIFY(short_->supplyNeededV > s.supplyV);
            }
            for (double v : all)
                QVERIFY2(std::isfinite(v) && v >= 0, qPrintable(QString("design %1: %2").arg(n).arg(v)));
        }
        // No audio frequency, or no speaker to take real power: nothing to deliver.
        CarrierNetwork open{22e-6, 1e-6, 6, 1e-7, 1e-7, true, {}};
        QVERIFY(std::holds_alternative<NotDeliverable>(analyzeCarrier(open, {48, 384e3, Modulation::bd, 1e3, 5}).atPower));
        open.speaker = speakerRL(8, 0);
        QVERIFY(std::holds_alternative<NotDeliverable>(analyzeCarrier(open, {48, 384e3, Modulation::bd, 0, 5}).atPower));
    }
};

QTEST_GUILESS_MAIN(TestCarrier)
#include "tst_carrier.moc"
