// `quorvel stress` run as its own process without a display: its table against the carrier worked
// out another way (carrierreference.h), and every refused input with its one line on standard
// error and exit status 2. The JSON, byte for byte, is in tests/golden.py.
#include "carrierreference.h"
#include "runprogram.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>

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

// A falling curve of points (x, ratio), linear between them, flat outside them.
double derated(const QList<QPointF> &curve, double x)
{
    if (curve.isEmpty() || x <= curve.first().x())
        return 1.0;
    for (int i = 1; i < curve.size(); ++i)
        if (x <= curve[i].x()) {
            const QPointF a = curve[i - 1], b = curve[i];
            return a.y() + (b.y() - a.y()) * (x - a.x()) / (b.x() - a.x());
        }
    return curve.last().y();
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

    void filter_data()
    {
        QTest::addColumn<QString>("options");
        QTest::addColumn<double>("dc");  // V on the filter capacitor from the supply
        QTest::newRow("half bridge, ceramic at half the supply") << "--supply 80" << 40.0;
        QTest::newRow("full bridge, no DC across the outputs")
            << "--supply 48 --full-bridge" << 0.0;
    }

    // A 33 uH inductor of 13 mOhm and a 2.2 uF capacitor with curves, no Zobel network, a speaker
    // of R = 8 ohm alone. The loop, k = 2 legs in full bridge, gives 1 + kr/R - w^2 kLC +
    // jw(kL/R + krC) loaded (unloaded: 1 - w^2 kLC + jwkrC): the real part's zero is f0, and Q
    // is the value at DC against the one there; L at the reported peak current and C at its DC
    // (idle) or its DC and the audio peak (50 W).
    void filter()
    {
        QFETCH(QString, options);
        QFETCH(double, dc);
        const QList<QPointF> saturation{{2, 1}, {6, 0.8}, {9, 0.5}}, bias{{10, 0.9}, {40, 0.5}};
        QTemporaryDir dir;
        QFile file(dir.filePath("d.quorvel"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QStringLiteral(
                       R"({"format": "quorvel-design", "version": 2, "filter_l_par": "33",
            "filter_c_par": "2.2", "parts": {"filter_l": {"value": "33",
            "dcr_ohm": 0.013, "saturation": [[2, 1], [6, 0.8], [9, 0.5]]}, "filter_c": {"value": "2.2",
            "dielectric": "ceramic", "bias": [[10, 0.9], [40, 0.5]]}}})")
                       .toUtf8());
        file.close();
        const Run run = runQuorvel(words("stress --format json --fsw 400 --speaker-l 0 "
                                         "--zobel-c-ser 0 --design ") +
                                   QStringList{file.fileName()} + words(options));
        QCOMPARE(run.status, 0);
        const QJsonObject o = QJsonDocument::fromJson(run.out).object();
        const double k = options.contains("full") ? 2 : 1, R = 8;
        const auto capacitance = [&](double v) { return 2.2e-6 * derated(bias, v); };
        const double L = 33e-6 * derated(saturation, o["inductor_peak_A"].toDouble());
        QCOMPARE_LE(std::fabs(o["inductor_L_at_peak_H"].toDouble() / L - 1), 1e-12);
        QCOMPARE_LE(std::fabs(o["inductor_L_ratio_at_peak"].toDouble() * 33e-6 / L - 1), 1e-12);
        const double idleC = capacitance(dc), powerC = capacitance(dc + std::sqrt(2 * R * 50));
        QCOMPARE_LE(std::fabs(o["filter_cap_C_at_peak_F"].toDouble() / powerC - 1), 1e-12);
        for (const auto &[when, l, c] :
             {std::tuple{"idle", 33e-6, idleC}, {"at_power", L, powerC}}) {
            for (const char *load : {"unloaded", "loaded"}) {
                const bool loaded = load[0] == 'l';
                const double r = k * 0.013, a = loaded ? 1 + r / R : 1.0;
                const double w0 = std::sqrt(a / (k * l * c));
                const double q = a / (w0 * ((loaded ? k * l / R : 0.0) + r * c));
                const double gotF0 = o["corner_Hz"][when][load].toDouble();
                const double gotQ = o["q"][when][load].toDouble();
                qInfo("%s, %s: f0 %.9g Hz, reported %.9g; Q %.9g, reported %.9g", when, load,
                      w0 / (2 * M_PI), gotF0, q, gotQ);
                QCOMPARE_LE(std::fabs(gotF0 * 2 * M_PI / w0 - 1), 1e-9);
                QCOMPARE_LE(std::fabs(gotQ / q - 1), 1e-9);
            }
        }
        // Both legs' inductors lose their rms current's square times their resistance.
        const double rms = o["inductor_rms_A"].toDouble();
        QCOMPARE_LE(std::fabs(o["losses_W"]["filter_l"].toDouble() / (k * rms * rms * 0.013) - 1),
                    1e-12);
        const double lost = o["losses_W"]["total"].toDouble();
        QCOMPARE_LE(std::fabs(o["filter_efficiency_percent"].toDouble() - 5000 / (50 + lost)),
                    1e-9);
    }
};

QTEST_GUILESS_MAIN(TestStress)
#include "tst_stress.moc"
