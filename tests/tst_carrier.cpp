// The carrier analysis (core/carrier) against the same circuit worked out another way
// (carrierreference.h: switching instants, exact Fourier integrals, a 2x2 nodal solve, the inductor
// current in the time domain), and for the properties the topologies must have. ngspice's word on
// the same figures is tst_carrier_spice; the loss curve is checked in tst_carrierwindow.
#include "carrierreference.h"
#include "core/carrier/carrier.h"

#include <QTest>

Q_DECLARE_METATYPE(carrierref::Design)

namespace {

using carrierref::Check;
using carrierref::Design;

CarrierNetwork networkOf(const Design &d)
{
    return {d.L, d.Cf, d.Rz, d.Czp, d.Czs, d.full, speakerRL(d.Rs, d.Ls)};
}

// Each figure against the reference: powers as they are, rms values as mean squares (what the
// tail bound holds), the ripple peak to peak within its own tolerance.
QList<Check> carrierChecks(const CarrierFigures &a, const carrierref::Figures &r, double ppTol)
{
    QList<Check> c;
    const auto ms = [&](const QString &name, double got, double ref, double floor = 1e-24) {
        c << Check{name + " ms", got * got, ref * ref, 1e-3, floor};
    };
    for (int s = 0; s < 2; ++s) {
        const QString side = QString(" ") + "AB"[s];
        c << Check{"zobel W" + side, a.zobelResistorW[s], r.zobelW[s], 1e-3}
          << Check{"ripple pp" + side, a.inductorRipplePkPkA[s], r.ripplePkPk[s], ppTol};
        ms("ind" + side, a.inductorRippleRmsA[s], r.inductorRippleRms[s]);
        ms("out" + side, a.outputVrms[s], r.outputVrms[s]);
    }
    ms("cap", a.filterCapRmsA, r.capRms);
    ms("speaker V", a.speakerVrms, r.speakerVrms);
    ms("common", a.commonModeVrms, r.commonVrms, 1e-18);
    return c << Check{"speaker W", a.speakerW, r.speakerW, 1e-3, 1e-18};
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
    // Idle (no watts) against the reference summed far past the analysis's 0.1 % (as mean square)
    // tail, the ripple within 0.02 %.
    // At power, the ripple and the peak are taken with the duty frozen over a carrier period,
    // which is off by about pi M f_audio/f_carrier (natural sampling moves each edge on its own);
    // the reference reads them off one carrier period of the actual waveform.
    void figures_data()
    {
        QTest::addColumn<Design>("design");
        QTest::addColumn<double>("watts");  // 0: idle
        QTest::addColumn<int>("count");     // idle: the reference's harmonics; else carriers/audio
        QTest::addColumn<double>("ppTolerance");
        // L, Cf, Rz, Czp, Czs, Rs, Ls, full bridge, AD, supply, switching frequency
        QTest::newRow("half bridge, start-up") << kStartup << 0.0 << 400 << 2e-4;
        QTest::newRow("full bridge BD, start-up") << with(kStartup, true) << 0.0 << 400 << 2e-4;
        QTest::newRow("full bridge AD, start-up")
            << with(kStartup, true, true) << 0.0 << 400 << 2e-4;
        QTest::newRow("half bridge, 5 W") << kStartup << 5.0 << 128 << 0.01;
        QTest::newRow("full bridge BD, 20 W") << with(kStartup, true) << 20.0 << 128 << 0.01;
        QTest::newRow("full bridge AD, 600 kHz, 30 W, carrier 40x audio")
            << Design{10e-6, 2.2e-6, 3.3, 0.047e-6, 0.47e-6, 4, 0.05e-3, true, true, 36, 600e3}
            << 30.0 << 40 << 0.035;
    }
    void figures()
    {
        QFETCH(Design, design);
        QFETCH(double, watts);
        QFETCH(int, count);
        QFETCH(double, ppTolerance);
        Design d = design;
        const Modulation m = d.ad ? Modulation::ad : Modulation::bd;
        if (watts == 0) {
            const CarrierFigures a = idleCarrier(networkOf(d), d.Vs, d.fc, m);
            QVERIFY(carrierref::agree(
                QTest::currentDataTag(),
                carrierChecks(a, carrierref::reference(d, count).f, ppTolerance)));
            return;
        }
        const CarrierAnalysis out =
            analyzeCarrier(networkOf(d), {d.Vs, d.fc, m, d.fc / count, watts});
        QVERIFY(std::holds_alternative<AtPowerFigures>(out.atPower));
        const AtPowerFigures &a = std::get<AtPowerFigures>(out.atPower);
        d.k = count;
        d.M = a.modulationIndex;
        const carrierref::Figures r = carrierref::reference(d).f;
        QList<Check> checks = carrierChecks(a.carrier, r, ppTolerance);
        for (int s = 0; s < 2; ++s)
            checks << Check{QString("zobel tot ") + "AB"[s], a.zobelResistorTotalW[s],
                            r.zobelTotalW[s], 1e-3}
                   << Check{QString("ind tot ") + "AB"[s], a.inductorRmsA[s], r.inductorRms[s],
                            1e-3}
                   << Check{QString("peak ") + "AB"[s], a.inductorPeakA[s], r.peak[s],
                            ppTolerance / 2};
        checks << Check{"cap tot", a.filterCapRmsA, r.capTotalRms, 1e-3}
               << Check{"load W", watts, r.loadW, 1e-3};
        QVERIFY(carrierref::agree(
            QTest::currentDataTag() + QString(", M %1").arg(a.modulationIndex), checks));
    }

    // No audio frequency, or no speaker to take real power: nothing to deliver; 1 Hz, the lowest
    // audio frequency the entry takes, is one to deliver at.
    void notDeliverable()
    {
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
