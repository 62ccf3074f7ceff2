// `quorvel stress` run as its own process without a display: its table and its JSON against the
// carrier worked out another way (carrierreference.h) and hand formulas, and every refused input
// with its one line on standard error and exit status 2.
#include "carrierreference.h"
#include "runprogram.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>

Q_DECLARE_METATYPE(carrierref::Design)

namespace {

using carrierref::agree;
using carrierref::Design;
using carrierref::shown;

// The start-up design: L 22 uH, Cf 1 uF, Zobel 6 ohm with 0.1 uF across it and 0.1 uF in series,
// speaker 8 ohm + 0.67 mH.
Design startup(bool full, bool ad, double supply, double fsw)
{
    return {22e-6, 1e-6, 6, 1e-7, 1e-7, 8, 0.67e-3, full, ad, supply, fsw};
}

// The audio alone in a Zobel resistor at 7 kHz, as the dissipation sweep has it (its 6.28 for
// 2 pi): the speaker's RMS voltage for the load power, |V|^2 = P |Zs|^2 / Re Zs, across the branch,
// half of it each in full bridge. The sweep takes a design's speaker as its resistance alone, a
// measured one as it is.
double zobelAt7k(const Design &d, double watts, std::complex<double> zs)
{
    const std::complex<double> j(0, 1);
    const double w = 7000 * 6.28,
                 v = std::sqrt(watts * std::norm(zs) / zs.real()) / (d.full ? 2 : 1);
    const std::complex<double> zp = d.Rz / (1.0 + j * w * d.Rz * d.Czp),
                               zb = zp + 1.0 / (j * w * d.Czs);
    return std::norm(v * zp / zb) / d.Rz;
}

// The JSON's keys for the table's rows at power, and idle (none for the rows idle leaves out).
const QStringList kAtPowerKeys =
    QString(
        "zobel_resistor_carrier_W,zobel_resistor_at_power_W,inductor_ripple_App,"
        "inductor_ripple_rms_A,inductor_rms_A,inductor_peak_A,filter_cap_rms_A,"
        "speaker_carrier_Vrms,speaker_carrier_W,output_common_mode_Vrms")
        .split(',');
const QStringList kIdleKeys =
    QString(
        "zobel_resistor_W,,inductor_ripple_App,inductor_ripple_rms_A,,inductor_peak_A,"
        "filter_cap_rms_A,speaker_carrier_Vrms,speaker_carrier_W,output_common_mode_Vrms")
        .split(',');

// The JSON's figures under those keys against the reference's, each row within its tolerance.
QList<carrierref::Check> jsonChecks(const QJsonObject &o, const QStringList &keys,
                                    const carrierref::Figures &r, const QList<double> &tolerances)
{
    QList<carrierref::Check> checks;
    const std::array<double, 10> expected = carrierref::tableColumn(r);
    for (int i = 0; i < 10; ++i)
        if (!keys[i].isEmpty())
            checks << shown(keys[i], o[keys[i]].toDouble(), expected[i], tolerances[i]);
    return checks;
}

const QString kVoiceCoil =
    QStringLiteral(QUORVEL_SOURCE_DIR "/tests/fuzz/impedance/accept-voicecoil-tab.zma");

}  // namespace

class TestStress : public QObject
{
    Q_OBJECT

private slots:
    void refused_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QByteArray>("err");
        const QStringList ok = words("stress --supply 48 --fsw 384");
        const QByteArray supply = "a plain decimal number from 1 to 150 of at most 6 characters";
        const auto refused = [&](const char *row, const char *option, const char *value,
                                 const QByteArray &accepted) {
            QTest::newRow(row) << (ok + QStringList{option, value})
                               << "quorvel: " + QByteArray(option) + ": \"" + value +
                                      "\" is not accepted; accepted: " + accepted + "\n";
        };
        refused("supply negative", "--supply", "-48", supply);
        refused("fsw 5000", "--fsw", "5000",
                "a plain decimal number from 50 to 3000 of at most 6 characters");
        refused("modulation xy", "--modulation", "xy", "ad, bd");
        refused("rating emptied", "--zobel-rating", "",
                "a plain decimal number from 0 to 10000 of at most 7 characters");
        refused("format xml", "--format", "xml", "table, json");
        QTest::newRow("audio above fsw")
            << words("stress --supply 48 --fsw 50 --audio-frequency 60000")
            << QByteArray(
                   "quorvel: --audio-frequency: \"60000\" is not accepted; accepted: a plain "
                   "decimal number from 1 to 100000 of at most 7 characters, below the switching "
                   "frequency (50000 Hz)\n");
        QTest::newRow("no supply") << words("stress --fsw 384")
                                   << "quorvel: --supply is needed; accepted: " + supply + "\n";
    }
    void refused()
    {
        QFETCH(QStringList, args);
        QFETCH(QByteArray, err);
        const Run run = runQuorvel(args);
        QCOMPARE(run.status, 2);
        QCOMPARE(run.err, err);
        QCOMPARE(run.out, QByteArray());
    }

    void table_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<Design>("design");
        QTest::addColumn<QString>("head");  // the first line
        QTest::newRow("full bridge BD, start-up, 48 V, 384 kHz")
            << words("stress --full-bridge --supply 48 --fsw 384")
            << startup(true, false, 48, 384e3)
            << "Switching carrier: full bridge, BD modulation, supply 48 V, switching frequency "
               "384 kHz";
        QTest::newRow("half bridge, 24 V, 384 kHz, short of 50 W")
            << words("stress --supply 24 --fsw 384 --modulation ad")
            << startup(false, false, 24, 384e3)
            << "Switching carrier: half bridge, supply 24 V, switching frequency 384 kHz";
    }
    void table()
    {
        QFETCH(QStringList, args);
        QFETCH(Design, design);
        QFETCH(QString, head);
        const Run run = runQuorvel(args);
        QCOMPARE(run.status, 0);
        QCOMPARE(run.err, QByteArray());
        const QStringList lines = QString::fromUtf8(run.out).split('\n');
        QCOMPARE(lines.mid(0, 3), (QStringList{head, "Speaker: 8 ohm + 0.67 mH", ""}));
        // Columns stand at least two blanks apart.
        QList<QStringList> rows;
        for (const QString &line : lines.mid(3, 11))
            rows << line.split(QRegularExpression(" {2,}"));
        const double volts = carrierref::supplyNeeded(design, 1000, 50);
        QCOMPARE(rows[0], volts > design.Vs
                              ? (words("Figure Idle Rating"))
                              : (QStringList{"Figure", "Idle", "At 50 W, 1000 Hz", "Rating"}));
        const std::array<double, 10> expected =
            carrierref::tableColumn(carrierref::reference(design, 150).f);
        QList<carrierref::Check> checks;
        for (int i = 0; i < 10; ++i)
            checks << shown(rows[i + 1][0], carrierref::valueOf(rows[i + 1][1]), expected[i],
                            0.006);
        QVERIFY(agree(QTest::currentDataTag(), checks));
        QCOMPARE(lines.value(14),
                 volts > design.Vs ? QString("50 W into this speaker would take a supply of %1 V.")
                                         .arg(QString::number(volts, 'g', 3))
                                   : QString());
    }

    // Full bridge BD, 20 W at 3 kHz (the audio frequency divides the switching frequency: the
    // reference's common period), with ratings.
    void json()
    {
        const Run run = runQuorvel(
            words("stress --full-bridge --supply 48 --fsw 384 --audio-frequency 3000 --load-power "
                  "20 --zobel-rating 0.3 --inductor-rating 2 --capacitor-rating .1 --format json"));
        QCOMPARE(run.status, 0);
        QCOMPARE(run.err, QByteArray());
        QJsonParseError error;
        const QJsonObject o = QJsonDocument::fromJson(run.out, &error).object(),
                          idle = o["idle"].toObject();
        QCOMPARE(error.error, QJsonParseError::NoError);
        const QJsonObject ratings{
            {"zobel_resistor_W", 0.3}, {"inductor_saturation_A", 2}, {"filter_cap_rms_A", 0.1}};
        QCOMPARE(o["settings"].toObject(), (QJsonObject{{"supply_V", 48},
                                                        {"fsw_Hz", 384e3},
                                                        {"modulation", "bd"},
                                                        {"audio_frequency_Hz", 3000},
                                                        {"load_power_W", 20},
                                                        {"full_bridge", true},
                                                        {"speaker", "8 ohm + 0.67 mH"},
                                                        {"ratings", ratings}}));
        Design d = startup(true, false, 48, 384e3);
        QVERIFY(agree("idle", jsonChecks(idle, kIdleKeys, carrierref::reference(d, 150).f,
                                         {1e-3, 0, 2e-4, 1e-3, 0, 2e-4, 1e-3, 1e-3, 1e-3, 1e-3})));
        QVERIFY(o.contains("supply_needed_V") && o["supply_needed_V"].isNull());
        d.k = 128;
        d.M = carrierref::supplyNeeded(d, 3000, 20) / d.Vs;
        const carrierref::Figures p = carrierref::reference(d, 30).f;
        // The ripple and the peak are taken with the duty frozen over a carrier period.
        QVERIFY(agree(
            "at power",
            jsonChecks(o, kAtPowerKeys, p,
                       {1e-3, 1e-3, 0.03, 1e-3, 1e-3, 0.02, 1e-3, 1e-3, 1e-3, 1e-3})
                << shown("load power (reference's)", 20, p.loadW, 1e-3)
                << shown("modulation_index", o["modulation_index"].toDouble(), d.M, 1e-9)
                << shown("zobel_resistor_audio_7k_W", o["zobel_resistor_audio_7k_W"].toDouble(),
                         zobelAt7k(d, 20, d.Rs), 1e-6)));
        // Each rating against the figures as printed, idle and at power.
        const auto over = [&](const QJsonObject &figures, const char *zobel) {
            QStringList names;
            for (const auto &[name, rating, figure] :
                 {std::tuple{"zobel_resistor", "zobel_resistor_W", zobel},
                  std::tuple{"inductor", "inductor_saturation_A", "inductor_peak_A"},
                  std::tuple{"filter_capacitor", "filter_cap_rms_A", "filter_cap_rms_A"}})
                if (figures[figure].toDouble() > ratings[rating].toDouble())
                    names << name;
            return names;
        };
        QCOMPARE(o["over_rating"].toVariant().toStringList(), over(o, "zobel_resistor_at_power_W"));
        QCOMPARE(idle["over_rating"].toVariant().toStringList(), over(idle, "zobel_resistor_W"));
    }

    void measuredSpeaker()
    {
        // The file holds Re 6.2 ohm, Le 0.35 mH and 12 ohm across 1.1 mH without noise: at the
        // carrier 18.2 ohm with 0.35 mH (the 12 ohm's shunt is 2.7 kohm at 384 kHz), at 7 kHz the
        // whole model.
        const Run run = runQuorvel(
            words("stress --full-bridge --modulation ad --supply 48 --fsw 384 --format json "
                  "--load-file")
            << kVoiceCoil);
        QCOMPARE(run.status, 0);
        const QJsonObject o = QJsonDocument::fromJson(run.out).object(),
                          idle = o["idle"].toObject();
        QCOMPARE(o["settings"].toObject()["speaker"].toString(),
                 "measured, accept-voicecoil-tab.zma");
        Design d = startup(true, true, 48, 384e3);
        d.Rs = 18.2;
        d.Ls = 0.35e-3;
        const carrierref::Figures r = carrierref::reference(d, 150).f;
        const std::complex<double> j(0, 1), jwl2 = j * (2 * M_PI * 7000 * 1.1e-3);
        const std::complex<double> zs =
            6.2 + j * (2 * M_PI * 7000 * 0.35e-3) + 12.0 * jwl2 / (12.0 + jwl2);
        QVERIFY(agree(
            "measured speaker, AD, idle",
            {shown("speaker_carrier_Vrms", idle["speaker_carrier_Vrms"].toDouble(), r.speakerVrms,
                   1e-3),
             shown("speaker_carrier_W", idle["speaker_carrier_W"].toDouble(), r.speakerW, 2e-3),
             shown("filter_cap_rms_A", idle["filter_cap_rms_A"].toDouble(), r.capRms, 1e-3),
             shown("zobel_resistor_audio_7k_W", o["zobel_resistor_audio_7k_W"].toDouble(),
                   zobelAt7k(d, 50, zs), 0.01)}));
    }
};

QTEST_GUILESS_MAIN(TestStress)
#include "tst_stress.moc"
