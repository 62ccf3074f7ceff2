// `quorvel stress` run as its own process without a display: its table against the carrier worked
// out another way (carrierreference.h), and every refused input with its one line on standard
// error and exit status 2. The JSON, byte for byte, is in tests/golden.py.
#include "carrierreference.h"
#include "runprogram.h"

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
        refused("format xml", "--format", "xml", "table, json");
        refused("rating emptied", "--zobel-rating", "",
                "a plain decimal number from 0 to 10000 of at most 7 characters");
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
};

QTEST_GUILESS_MAIN(TestStress)
#include "tst_stress.moc"
