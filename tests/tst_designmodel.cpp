// The design model on its own: what each input's rule makes of a text, which parts a change
// reports, that the analysis it hands out is the design's at its load power, and the carrier's and
// the second operating point's figures coming and going with their inputs.
#include "core/carrier/carrierinputs.h"
#include "core/designmodel/designmodel.h"

#include <QSemaphore>
#include <QSignalSpy>
#include <QTest>
#include <QThreadPool>

#include <bit>

namespace {

// The parts the last change reported.
int lastParts(const QSignalSpy &changed)
{
    return changed.isEmpty() ? 0 : changed.last().first().value<DesignParts>().toInt();
}

}  // namespace

class TestDesignModel : public QObject
{
    Q_OBJECT

private slots:
    // Every part is a flag of its own.
    void parts()
    {
        unsigned all = 0;
        for (const DesignPart p :
             {DesignPart::FilterL, DesignPart::FilterC, DesignPart::ZobelCPar, DesignPart::ZobelR,
              DesignPart::ZobelCSer, DesignPart::SpeakerR, DesignPart::SpeakerL,
              DesignPart::Topology, DesignPart::LoadPower, DesignPart::Carrier,
              DesignPart::MeasuredSpeaker, DesignPart::Reference, DesignPart::Parts}) {
            QVERIFY(std::has_single_bit(unsigned(p)) && !(all & unsigned(p)));
            all |= unsigned(p);
        }
    }

    void apply_data()
    {
        // One input of the start-up design changed, as a file or an undo step brings it.
        // A list's name with its new text; full; ad; none.
        QTest::addColumn<QString>("change");
        QTest::addColumn<int>("parts");
        QTest::newRow("Zobel R") << "zobel_r_par=47" << int(DesignPart::ZobelR);
        QTest::newRow("topology") << "full" << int(DesignPart::Topology);
        QTest::newRow("modulation") << "ad" << int(DesignPart::Carrier);
        QTest::newRow("nothing") << "none" << 0;
    }

    void apply()
    {
        QFETCH(QString, change);
        QFETCH(int, parts);
        const QString field = change.section('=', 0, 0), text = change.section('=', 1);
        DesignModel model;
        DesignInputs d = model.inputs();
        DesignRecord &r = d.record;
        for (const ListSelector s : kAllListSelectors)
            if (selectorName(s) == field)
                QVERIFY(acceptSelection(r, s, text));
        if (field == "full")
            r.full_bridge_select = kFlagTrue;
        else if (field == "ad")
            r.carrier.modulation = Modulation::ad;
        QSignalSpy changed(&model, &DesignModel::changed);
        model.apply(d, nullptr);
        QCOMPARE(changed.size(), parts ? 1 : 0);
        QCOMPARE(lastParts(changed), parts);
        // The analysis handed out is the new design's, worked out afresh.
        DesignAnalysis fresh;
        analyseDesign(r, d.loadPower, fresh);
        const DesignAnalysis &a = model.analysis();
        QCOMPARE(a.dissipationFigures.at7kHz, fresh.dissipationFigures.at7kHz);
    }

    // Texts typed key by key into the speaker inductance and the load power: one refused leaves
    // the design as it was; a lone point is pending, shown as it is while the design keeps the
    // last value taken (and a file its text); each text taken is a change of its part.
    void typed()
    {
        DesignModel model;
        QSignalSpy changed(&model, &DesignModel::changed);
        const Verdict over = model.setSpeakerLText("1000");
        QVERIFY(over.kind == Verdict::Refused && !over.reason.isEmpty());
        QCOMPARE(model.setSpeakerLText(".").kind, Verdict::Pending);
        QCOMPARE(model.setLoadPowerText(".").kind, Verdict::Pending);
        QCOMPARE(model.record().speaker_l_valtxt + ' ' + model.loadPowerText(), QString(". ."));
        QCOMPARE(std::pair(model.record().actual_l_net, model.loadPower()), std::pair(0.67, 50.0));
        const DesignInputs d = model.inputs();
        QCOMPARE(d.record.speaker_l_valtxt + ' ' + d.loadPowerText, QString(".67 50"));
        QCOMPARE(lastParts(changed), int(DesignPart::LoadPower));
        for (const char *k : {"1", "1.", "1.2"})
            QCOMPARE(model.setSpeakerLText(k).kind, Verdict::Accepted);
        QCOMPARE(model.record().actual_l_net, 1.2);
        QCOMPARE(lastParts(changed), int(DesignPart::SpeakerL));
        QCOMPARE(changed.size(), 5);  // nothing for the refused text
    }

    // A sequence of changes: the topology set twice, a reference held (worked out at its own load
    // power) and cleared twice, a measured speaker loaded, and the start-up design opened over it
    // and over a pending text: one change that clears both.
    void sequence()
    {
        DesignModel model;
        QSignalSpy changed(&model, &DesignModel::changed);
        model.setFullBridge(true);
        model.setFullBridge(true);
        DesignInputs held = model.inputs();
        held.loadPower = 10;
        model.holdReference(held);
        QCOMPARE(model.setListText(ListSelector::zobel_r_par, "10").kind, Verdict::Accepted);
        DesignAnalysis fresh;
        analyseDesign(held.record, 10, fresh);
        QCOMPARE(model.reference()->analysis.dissipationFigures.at7kHz,
                 fresh.dissipationFigures.at7kHz);
        model.clearReference();
        model.clearReference();
        auto read = MeasuredLoad::fromFile(QUORVEL_SOURCE_DIR
                                           "/tests/fuzz/impedance/accept-voicecoil-tab.zma");
        model.setMeasured(std::make_shared<const MeasuredLoad>(std::get<MeasuredLoad>(read)));
        QCOMPARE(lastParts(changed), int(DesignPart::MeasuredSpeaker));
        QCOMPARE(model.inputs().loadFile, model.measured()->path());
        QCOMPARE(model.setSpeakerLText(".").kind, Verdict::Pending);
        model.apply(DesignInputs::startup(), nullptr);
        QCOMPARE(changed.size(), 7);
        QCOMPARE(lastParts(changed), int(DesignPart::ZobelR | DesignPart::Topology |
                                         DesignPart::SpeakerL | DesignPart::MeasuredSpeaker));
        QCOMPARE(model.record().speaker_l_valtxt, QString(".67"));
        QVERIFY(!model.measured() && !model.measuredCurves() && model.inputs().loadFile.isEmpty());
    }

    void operatingPoint_data()
    {
        QTest::addColumn<bool>("inductorCurve");
        QTest::addColumn<bool>("capacitorCurve");
        QTest::addColumn<bool>("poolBusy");  // its work then done on the model's own thread
        // With the carrier inputs unless the inductor has a curve.
        QTest::newRow("the inductor's curve") << true << false << false;
        QTest::newRow("the capacitor's curve, the carrier") << false << true << false;
        QTest::newRow("the same, the thread pool busy") << false << true << true;
        QTest::newRow("parts without curves, the carrier") << false << false << false;
    }
    void operatingPoint()
    {
        // A part with a curve gives the design a second operating point, at its load power.
        // Curves flat at 0.8 and 0.5 from 1 mA and 1 mV on leave those fractions of the values.
        QFETCH(bool, inductorCurve);
        QFETCH(bool, capacitorCurve);
        QFETCH(bool, poolBusy);
        QThreadPool *pool = QThreadPool::globalInstance();
        QSemaphore hold;
        for (int k = 0; poolBusy && k < pool->maxThreadCount(); ++k)
            pool->start([&hold] { hold.acquire(); });
        DesignModel model;
        bool carrierAtSignal = false;  // what observers of the change find
        connect(&model, &DesignModel::changed, [&] { carrierAtSignal = model.carrierAnalysis(); });
        Part l, c;
        l.value = "22", l.dcrOhm = 0.01;
        c.kind = PartKind::capacitor, c.value = "1.0", c.esrOhm = 0.002;
        l.saturation = inductorCurve ? DeratingCurve{{1e-3, 0.8}, {100, 0.8}} : DeratingCurve{};
        if (capacitorCurve)
            c.dielectric = Dielectric::ceramic, c.bias = {{1e-3, 0.5}, {1000, 0.5}};
        model.setPart(PartSlot::filter_l, l);
        model.setPart(PartSlot::filter_c, c);
        CarrierInputs in;
        acceptCarrierText(in, CarrierField::supply, "48");
        acceptCarrierText(in, CarrierField::switching, "384");
        if (!inductorCurve)
            model.setCarrierInputs(in);
        hold.release(pool->maxThreadCount());  // before any check can end the test
        pool->waitForDone();
        QCOMPARE(model.carrierAnalysis() != nullptr, !inductorCurve);
        QCOMPARE(carrierAtSignal, !inductorCurve);
        const LoadPowerCurves *at = model.atLoadPower();
        QCOMPARE(at != nullptr, inductorCurve || capacitorCurve);
        if (at)
            QCOMPARE((QList<double>{at->point.atPower.L, at->point.atPower.cf}),
                     (QList<double>{(inductorCurve ? 0.8 : 1.0) * 22e-6,
                                    (capacitorCurve ? 0.5 : 1.0) * 1e-6}));
        // Taken away again: neither is left.
        model.setPart(PartSlot::filter_l, std::nullopt);
        model.setPart(PartSlot::filter_c, std::nullopt);
        model.setCarrierInputs({});
        QVERIFY(!model.carrierAnalysis() && !model.atLoadPower());
    }
};

QTEST_GUILESS_MAIN(TestDesignModel)
#include "tst_designmodel.moc"
