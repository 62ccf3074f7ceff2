// The design model on its own: what each input's rule makes of a text, which parts a change
// reports, and that the analysis it hands out is the design's at its load power.
#include "core/designmodel/designmodel.h"

#include <QSignalSpy>
#include <QTest>

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
              DesignPart::MeasuredSpeaker, DesignPart::Reference}) {
            QVERIFY(std::has_single_bit(unsigned(p)) && !(all & unsigned(p)));
            all |= unsigned(p);
        }
    }

    void apply_data()
    {
        // One input of the start-up design changed, as a file or an undo step brings it.
        // A list's name, Speaker_L, power or supply with its new text; full; ad; none.
        QTest::addColumn<QString>("change");
        QTest::addColumn<int>("parts");
        QTest::newRow("filter L") << "filter_l_par=10" << int(DesignPart::FilterL);
        QTest::newRow("filter C") << "filter_c_par=.47" << int(DesignPart::FilterC);
        QTest::newRow("Zobel C par") << "zobel_c_par=0" << int(DesignPart::ZobelCPar);
        QTest::newRow("Zobel R") << "zobel_r_par=47" << int(DesignPart::ZobelR);
        QTest::newRow("Zobel C ser") << "zobel_c_ser=.22" << int(DesignPart::ZobelCSer);
        QTest::newRow("speaker R") << "speaker_r_mode=4" << int(DesignPart::SpeakerR);
        QTest::newRow("speaker L") << "Speaker_L=1.2" << int(DesignPart::SpeakerL);
        QTest::newRow("topology") << "full" << int(DesignPart::Topology);
        QTest::newRow("load power") << "power=100" << int(DesignPart::LoadPower);
        QTest::newRow("supply") << "supply=48" << int(DesignPart::Carrier);
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
        if (field == "Speaker_L")
            std::tie(r.speaker_l_valtxt, r.actual_l_net) = std::pair(text, text.toDouble());
        else if (field == "full")
            r.full_bridge_select = kFlagTrue;
        else if (field == "power")
            std::tie(d.loadPowerText, d.loadPower) = std::pair(text, text.toDouble());
        else if (field == "supply")
            std::tie(r.carrier.supplyText, r.carrier.supplyV) = std::pair(text, text.toDouble());
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
        QCOMPARE(a.gainFigures.maximum, fresh.gainFigures.maximum);
        QCOMPARE(a.gainZobelFigures.gain20k, fresh.gainZobelFigures.gain20k);
        QCOMPARE(a.impedance.y[5000], fresh.impedance.y[5000]);
        QCOMPARE(a.dissipationFigures.at7kHz, fresh.dissipationFigures.at7kHz);
    }

    void typed_data()
    {
        // Texts typed key by key into the speaker inductance or the load power: what the model
        // makes of the last one, the text a box then shows, the value, the text a file keeps,
        // and how many changes were reported.
        QTest::addColumn<bool>("power");
        QTest::addColumn<QStringList>("keys");  // each the whole text after a key
        QTest::addColumn<int>("verdict");       // of the last
        QTest::addColumn<QString>("shown");
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("kept");
        QTest::addColumn<int>("changes");
        QTest::newRow("L 1.2") << false << QStringList{"1", "1.", "1.2"} << int(Verdict::Accepted)
                               << "1.2" << 1.2 << "1.2" << 3;
        QTest::newRow("L lone point")
            << false << QStringList{"."} << int(Verdict::Pending) << "." << 0.67 << ".67" << 1;
        QTest::newRow("L over 999")
            << false << QStringList{"1000"} << int(Verdict::Refused) << ".67" << 0.67 << ".67" << 0;
        QTest::newRow("L same text")
            << false << QStringList{".67"} << int(Verdict::Accepted) << ".67" << 0.67 << ".67" << 0;
        QTest::newRow("L back to .67") << false << QStringList{".", ".67"} << int(Verdict::Accepted)
                                       << ".67" << 0.67 << ".67" << 2;
        QTest::newRow("power lone point")
            << true << QStringList{"."} << int(Verdict::Pending) << "." << 50. << "50" << 1;
        QTest::newRow("power 1e2")
            << true << QStringList{"1e2"} << int(Verdict::Refused) << "50" << 50. << "50" << 0;
    }

    void typed()
    {
        QFETCH(bool, power);
        QFETCH(QStringList, keys);
        QFETCH(int, verdict);
        QFETCH(QString, shown);
        QFETCH(double, value);
        QFETCH(QString, kept);
        QFETCH(int, changes);
        DesignModel model;
        QSignalSpy changed(&model, &DesignModel::changed);
        QSignalSpy settled(&model, &DesignModel::settled);
        Verdict last;
        for (const QString &k : keys)
            last = power ? model.setLoadPowerText(k) : model.setSpeakerLText(k);
        QCOMPARE(int(last.kind), verdict);
        QCOMPARE(last.reason.isEmpty(), verdict != int(Verdict::Refused));
        QCOMPARE(power ? model.loadPowerText() : model.record().speaker_l_valtxt, shown);
        QCOMPARE(power ? model.loadPower() : model.record().actual_l_net, value);
        const DesignInputs d = model.inputs();
        QCOMPARE(power ? d.loadPowerText : d.record.speaker_l_valtxt, kept);
        QCOMPARE(changed.size(), changes);
        QCOMPARE(settled.size(), changes);
        for (const QList<QVariant> &c : changed)
            QCOMPARE(c.first().value<DesignParts>().toInt(),
                     int(power ? DesignPart::LoadPower : DesignPart::SpeakerL));
        // The dissipation, the one figure the load power moves, at the value taken.
        DesignAnalysis fresh;
        analyseDesign(model.record(), model.loadPower(), fresh);
        QCOMPARE(model.analysis().dissipationFigures.at7kHz, fresh.dissipationFigures.at7kHz);
    }

    // A sequence of changes: texts a list already holds or refuses, the topology and carrier
    // set to what they are, a reference held and cleared, a measured speaker loaded, and a design
    // opened over it and over a pending text.
    void sequence()
    {
        DesignModel model;
        QSignalSpy changed(&model, &DesignModel::changed);
        QCOMPARE(model.setListText(ListSelector::zobel_r_par, "4").kind, Verdict::Refused);
        QCOMPARE(model.setListText(ListSelector::zobel_r_par, "6").kind, Verdict::Accepted);
        QCOMPARE(changed.size(), 0);  // neither changed the design
        QCOMPARE(model.setListText(ListSelector::zobel_r_par, "47").kind, Verdict::Accepted);
        QCOMPARE(changed.size(), 1);
        QCOMPARE(model.record().zobel_r_parval, 47.0);
        model.setFullBridge(true);
        model.setFullBridge(true);
        QCOMPARE(changed.size(), 2);
        CarrierInputs c = model.record().carrier;
        model.setCarrierInputs(c);
        QCOMPARE(changed.size(), 2);
        c.modulation = Modulation::ad;
        model.setCarrierInputs(c);
        QCOMPARE(lastParts(changed), int(DesignPart::Carrier));
        // A reference held is worked out at its own load power, and stays as it was.
        DesignInputs held = model.inputs();
        held.loadPower = 10;
        model.holdReference(held);
        model.setListText(ListSelector::zobel_r_par, "10");
        DesignAnalysis fresh;
        analyseDesign(held.record, 10, fresh);
        QCOMPARE(model.reference()->analysis.dissipationFigures.at7kHz,
                 fresh.dissipationFigures.at7kHz);
        model.clearReference();
        model.clearReference();
        QCOMPARE(lastParts(changed), int(DesignPart::Reference));
        QVERIFY(!model.reference());
        QCOMPARE(changed.size(), 6);
        // A measured speaker read from its file.
        auto read = MeasuredLoad::fromFile(QUORVEL_SOURCE_DIR
                                           "/tests/fuzz/impedance/accept-voicecoil-tab.zma");
        QVERIFY(std::holds_alternative<MeasuredLoad>(read));
        model.setMeasured(std::make_shared<const MeasuredLoad>(std::get<MeasuredLoad>(read)));
        QCOMPARE(lastParts(changed), int(DesignPart::MeasuredSpeaker));
        QCOMPARE(model.inputs().loadFile, model.measured()->path());
        // The start-up design opened without a speaker over a pending text: one change that
        // clears both.
        QCOMPARE(model.setSpeakerLText(".").kind, Verdict::Pending);
        model.apply(DesignInputs::startup(), nullptr);
        QCOMPARE(changed.size(), 9);
        QCOMPARE(lastParts(changed),
                 int(DesignPart::ZobelR | DesignPart::Topology | DesignPart::Carrier |
                     DesignPart::SpeakerL | DesignPart::MeasuredSpeaker));
        QCOMPARE(model.record().speaker_l_valtxt, QString(".67"));
        QVERIFY(!model.measured() && !model.measuredCurves() && model.inputs().loadFile.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestDesignModel)
#include "tst_designmodel.moc"
