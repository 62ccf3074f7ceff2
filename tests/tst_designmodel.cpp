// The design model on its own: what each input's rule makes of a text, which parts a change
// reports, and that the analysis it hands out is the design's at its load power.
#include "core/designmodel/designmodel.h"

#include <QSignalSpy>
#include <QTest>

namespace {

const DesignPart kAllDesignParts[] = {
    DesignPart::FilterL,  DesignPart::FilterC,         DesignPart::ZobelCPar,
    DesignPart::ZobelR,   DesignPart::ZobelCSer,       DesignPart::SpeakerR,
    DesignPart::SpeakerL, DesignPart::Topology,        DesignPart::LoadPower,
    DesignPart::Carrier,  DesignPart::MeasuredSpeaker, DesignPart::Reference};

// The parts one change reported, by name, for a readable comparison.
QStringList namesOf(DesignParts parts)
{
    static const char *const names[] = {"FilterL",   "FilterC",  "ZobelCPar",       "ZobelR",
                                        "ZobelCSer", "SpeakerR", "SpeakerL",        "Topology",
                                        "LoadPower", "Carrier",  "MeasuredSpeaker", "Reference"};
    QStringList out;
    for (std::size_t i = 0; i < std::size(kAllDesignParts); ++i)
        if (parts.testFlag(kAllDesignParts[i]))
            out << QLatin1String(names[i]);
    return out;
}

}  // namespace

class TestDesignModel : public QObject
{
    Q_OBJECT

private slots:
    void apply_data()
    {
        // One input of the start-up design changed, as a file or an undo step brings it.
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("parts");
        QTest::newRow("filter L") << "filter_l"
                                  << "10" << QStringList{"FilterL"};
        QTest::newRow("filter C") << "filter_c"
                                  << ".47" << QStringList{"FilterC"};
        QTest::newRow("Zobel C par") << "c_par"
                                     << "0" << QStringList{"ZobelCPar"};
        QTest::newRow("Zobel R") << "r"
                                 << "47" << QStringList{"ZobelR"};
        QTest::newRow("Zobel C ser") << "c_ser"
                                     << ".22" << QStringList{"ZobelCSer"};
        QTest::newRow("speaker R") << "speaker"
                                   << "4" << QStringList{"SpeakerR"};
        QTest::newRow("speaker L") << "l"
                                   << "1.2" << QStringList{"SpeakerL"};
        QTest::newRow("topology") << "full"
                                  << "" << QStringList{"Topology"};
        QTest::newRow("load power") << "power"
                                    << "100" << QStringList{"LoadPower"};
        QTest::newRow("supply") << "supply"
                                << "48" << QStringList{"Carrier"};
        QTest::newRow("modulation") << "ad"
                                    << "" << QStringList{"Carrier"};
        QTest::newRow("nothing") << "none"
                                 << "" << QStringList{};
    }

    void apply()
    {
        QFETCH(QString, field);
        QFETCH(QString, text);
        QFETCH(QStringList, parts);
        DesignModel model;
        DesignInputs d = model.inputs();
        DesignRecord &r = d.record;
        const std::map<QString, ListSelector> lists{
            {"filter_l", ListSelector::filter_l_par}, {"filter_c", ListSelector::filter_c_par},
            {"c_par", ListSelector::zobel_c_par},     {"r", ListSelector::zobel_r_par},
            {"c_ser", ListSelector::zobel_c_ser},     {"speaker", ListSelector::speaker_r_mode}};
        if (lists.count(field))
            QVERIFY(acceptSelection(r, lists.at(field), text));
        else if (field == "l")
            r.speaker_l_valtxt = text, r.actual_l_net = text.toDouble();
        else if (field == "full")
            r.full_bridge_select = kFlagTrue;
        else if (field == "power")
            d.loadPowerText = text, d.loadPower = text.toDouble();
        else if (field == "supply")
            r.carrier.supplyText = text, r.carrier.supplyV = text.toDouble();
        else if (field == "ad")
            r.carrier.modulation = Modulation::ad;
        QSignalSpy changed(&model, &DesignModel::changed);
        model.apply(d, nullptr);
        QCOMPARE(changed.size(), parts.isEmpty() ? 0 : 1);
        if (!parts.isEmpty())
            QCOMPARE(namesOf(changed.first().first().value<DesignParts>()), parts);
        // The analysis handed out is the new design's, worked out afresh.
        DesignAnalysis fresh;
        analyseDesign(r, d.loadPower, fresh);
        const DesignAnalysis &a = model.analysis();
        QCOMPARE(a.gainFigures.maximum, fresh.gainFigures.maximum);
        QCOMPARE(a.gainZobelFigures.gain20k, fresh.gainZobelFigures.gain20k);
        QCOMPARE(a.impedance.y[5000], fresh.impedance.y[5000]);
        QCOMPARE(a.dissipationFigures.at7kHz, fresh.dissipationFigures.at7kHz);
        QCOMPARE(model.inputs().record.fullBridge(), field == "full");
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
        QTest::newRow("L point twice")
            << false << QStringList{".", "."} << int(Verdict::Pending) << "." << 0.67 << ".67" << 1;
        QTest::newRow("L over 999")
            << false << QStringList{"1000"} << int(Verdict::Refused) << ".67" << 0.67 << ".67" << 0;
        QTest::newRow("L same text")
            << false << QStringList{".67"} << int(Verdict::Accepted) << ".67" << 0.67 << ".67" << 0;
        QTest::newRow("L back to .67") << false << QStringList{".", ".67"} << int(Verdict::Accepted)
                                       << ".67" << 0.67 << ".67" << 2;
        QTest::newRow("L emptied")
            << false << QStringList{""} << int(Verdict::Refused) << ".67" << 0.67 << ".67" << 0;
        QTest::newRow("power 100") << true << QStringList{"1", "10", "100"}
                                   << int(Verdict::Accepted) << "100" << 100. << "100" << 3;
        QTest::newRow("power . then .5")
            << true << QStringList{".", ".5"} << int(Verdict::Accepted) << ".5" << 0.5 << ".5" << 2;
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
            QCOMPARE(namesOf(c.first().value<DesignParts>()),
                     QStringList{power ? "LoadPower" : "SpeakerL"});
        // The dissipation, the one figure the load power moves, at the value taken.
        DesignAnalysis fresh;
        analyseDesign(model.record(), model.loadPower(), fresh);
        QCOMPARE(model.analysis().dissipationFigures.at7kHz, fresh.dissipationFigures.at7kHz);
    }

    void lists()
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
        QCOMPARE(namesOf(changed.last().first().value<DesignParts>()), QStringList{"Carrier"});
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
        QCOMPARE(namesOf(changed.last().first().value<DesignParts>()), QStringList{"Reference"});
        QVERIFY(!model.reference());
        // A measured speaker read from its file, then none.
        auto read = MeasuredLoad::fromFile(QUORVEL_SOURCE_DIR
                                           "/tests/fuzz/impedance/accept-voicecoil-tab.zma");
        QVERIFY(std::holds_alternative<MeasuredLoad>(read));
        model.setMeasured(std::make_shared<const MeasuredLoad>(std::get<MeasuredLoad>(read)));
        QCOMPARE(namesOf(changed.last().first().value<DesignParts>()),
                 QStringList{"MeasuredSpeaker"});
        QCOMPARE(model.inputs().loadFile, model.measured()->path());
        model.setMeasured(nullptr);
        QCOMPARE(changed.size(), 8);
        QVERIFY(!model.measuredCurves() && model.inputs().loadFile.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestDesignModel)
#include "tst_designmodel.moc"
