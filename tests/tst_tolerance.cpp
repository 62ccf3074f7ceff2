// `quorvel tolerance` as its own process: every refused input with its one line and status 2, and
// the yield against the runs of its own samples file, judged here with the network solved in
// complex arithmetic. The figures, the spread and the corners are checked by
// tests/reference/tolerance.py.
#include "core/network/sweeps.h"
#include "core/tolerance/tolerance.h"
#include "runprogram.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>

#include <complex>
#include <functional>
#include <random>

namespace {

using cd = std::complex<double>;

struct Board {
    double L, Cf, Czp, Rz, Czs, Rs, Ls;  // uH, uF, uF, ohm, uF, ohm, mH, as the samples file
    double gain20k, zobel7k;
};

// Fig. 3 (Fig. 2 without the Zobel network) at grid point i, in dB: the load (speaker, filter
// capacitor, Zobel branch, which is two in series in full bridge) against the filter inductance,
// one in each leg.
double gainDb(const Board &b, double Rs, int i, bool full, bool zobel = true)
{
    const double w = i * 6.28318 * 100, k = full ? 2 : 1;
    const cd j(0, 1);
    const double czp = b.Czp > 0 ? b.Czp * 1e-6 : 1e-13, czs = b.Czs > 0 ? b.Czs * 1e-6 : 1e-13;
    cd y = 1.0 / (Rs + j * w * b.Ls * 1e-3) + j * w * b.Cf * 1e-6;
    if (zobel)
        y += 1.0 / (1.0 / (j * w * czs) + 1.0 / (1.0 / (b.Rz * 1.0000001) + j * w * czp)) / k;
    const cd zl = 1.0 / y;
    return 20 * std::log10(std::abs(zl / (zl + j * w * b.L * 1e-6 * k)));
}

// The largest gain over the grid with the board's speaker and with 2, 4, 8, 16 ohm and none.
double peakOverLoads(const Board &b, bool full)
{
    double peak = 0;
    for (double rs : {b.Rs, 2.0, 4.0, 8.0, 16.0, 1e9})
        for (int i = 1; i <= 10000; ++i) peak = std::max(peak, gainDb(b, rs, i, full));
    return peak;
}

// The Zobel resistor's dissipation (W) at i x 100 Hz on the Power graph's grid.
double dissipationW(const Board &b, int i, bool full, double loadPower)
{
    const cd j(0, 1);
    const double w = i * 6.28 * 100.0, R = b.Rz;
    const double V = std::sqrt(b.Rs * loadPower) / (full ? 2 : 1);
    const cd zpar = R / (1.0 + j * w * R * (b.Czp > 0 ? b.Czp * 1e-6 : 1e-13));
    return std::norm(V * zpar / (zpar + 1.0 / (j * w * b.Czs * 1e-6))) / R;
}

// A run's values (the design record's units) as the samples file writes them.
Board boardOf(const DesignValues &v)
{
    return {v.filterL * 1e6,
            v.filterC,
            v.zobelCPar * 1e6,
            v.zobelR,
            v.zobelCSer * 1e6,
            v.speakerR,
            v.speakerL,
            0,
            0};
}

double nearestRank(QList<double> values, int percent)
{
    std::sort(values.begin(), values.end());
    return values[(percent * values.size() + 99) / 100 - 1];
}

QList<Board> readSamples(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    QList<Board> boards;
    f.readLine();
    while (!f.atEnd()) {
        const QList<QByteArray> c = f.readLine().trimmed().split(',');
        boards.append({c[1].toDouble(), c[2].toDouble(), c[3].toDouble(), c[4].toDouble(),
                       c[5].toDouble(), c[6].toDouble(), c[7].toDouble(), c[8].toDouble(),
                       c[11].toDouble()});
    }
    return boards;
}

using Judge = std::function<bool(const Board &)>;

}  // namespace

Q_DECLARE_METATYPE(Judge)

class TestTolerance : public QObject
{
    Q_OBJECT

private slots:
    void refused_data()
    {
        QTest::addColumn<QString>("args");
        QTest::addColumn<QByteArray>("err");
        const auto row = [](const char *name, const char *args, const char *err) {
            QTest::newRow(name) << QString::fromLatin1(args)
                                << "quorvel: " + QByteArray(err) + "\n";
        };
        row("tolerance negative", "--tolerance filter_l=-1",
            "--tolerance: \"filter_l=-1\": a tolerance is from 0 up to, not including, 100 %");
        row("tolerance 100 %", "--tolerance speaker_l=100",
            "--tolerance: \"speaker_l=100\": a tolerance is from 0 up to, not including, 100 %");
        row("tolerance not a number", "--tolerance zobel_r=five",
            "--tolerance: \"zobel_r=five\": a tolerance is a number of percent");
        row("input unknown", "--tolerance speaker_x=5",
            "--tolerance: \"speaker_x=5\" is not accepted; accepted: NAME=PERCENT with NAME one "
            "of filter_l, filter_c, zobel_c_par, zobel_r, zobel_c_ser, speaker_r, speaker_l");
        row("no runs", "--runs 0", "--runs: \"0\": the runs are a whole number from 1 to 100000");
        row("runs past the most", "--runs 100001",
            "--runs: \"100001\": the runs are a whole number from 1 to 100000");
        row("runs fractional", "--runs 1.5",
            "--runs: \"1.5\": the runs are a whole number from 1 to 100000");
        row("seed negative", "--seed=-1",
            "--seed: \"-1\": the seed is a whole number from 0 to 18446744073709551615");
        row("seed not whole", "--seed 2.5",
            "--seed: \"2.5\": the seed is a whole number from 0 to 18446744073709551615");
        row("distribution unknown", "--distribution cauchy",
            "--distribution: \"cauchy\" is not accepted; accepted: uniform, normal");
        row("gain window upside down", "--limits=gain_20k_dB=1:-3",
            "--limits: \"gain_20k_dB=1:-3\": the low end is above the high end");
        row("limit not a number", "--limits max_zobel_W=lots",
            "--limits: \"max_zobel_W=lots\" is not accepted; accepted: max_peak_dB=X, "
            "gain_20k_dB=LOW:HIGH, max_zobel_W=X, max_inductor_A=X, separated by commas");
        row("inductor limit without the carrier", "--limits max_inductor_A=5",
            "--limits: max_inductor_A needs the carrier inputs (--supply, --fsw)");
        row("format table", "--format table",
            "--format: \"table\" is not accepted; accepted: json, csv");
    }
    void refused()
    {
        QFETCH(QString, args);
        QFETCH(QByteArray, err);
        const Run run = runQuorvel(QStringList{"tolerance"} + words(args));
        QCOMPARE(run.err, err);
        QCOMPARE(run.status, 2);
        QCOMPARE(run.out, QByteArray());
    }

    // The edges of what is taken: the last whole number of runs and the last tolerance below 100 %.
    void taken_data()
    {
        QTest::addColumn<QString>("runs");
        QTest::addColumn<QString>("percent");
        QTest::newRow("one board, 0 %") << "1"
                                        << "0";
        QTest::newRow("the most boards, 99.999 %") << "100000"
                                                   << "99.999";
    }
    void taken()
    {
        QFETCH(QString, runs);
        QFETCH(QString, percent);
        QCOMPARE(acceptToleranceRuns(runs).value, std::optional<double>(runs.toDouble()));
        QCOMPARE(acceptTolerancePercent(percent).value, std::optional<double>(percent.toDouble()));
    }

    void otherCommandsRefuseItsOptions()
    {
        const Run run = runQuorvel(words("report --runs 10"));
        QCOMPARE(run.err, QByteArray("quorvel: --runs is not taken by report\n"));
        QCOMPARE(run.status, 2);
    }

    // The yield is the share of the samples file's boards that meet every limit, each board
    // judged here.
    void yield_data()
    {
        QTest::addColumn<QString>("args");
        QTest::addColumn<Judge>("meets");
        QTest::addColumn<QString>("failingMost");
        QTest::newRow("gain window, half bridge")
            << "--runs 400 --limits=gain_20k_dB=3:4.5"
            << Judge([](const Board &b) { return b.gain20k >= 3 && b.gain20k <= 4.5; })
            << "gain_20k_dB";
        QTest::newRow("Zobel watts, full bridge, normal")
            << "--runs 400 --full-bridge --distribution normal --limits max_zobel_W=0.0115"
            << Judge([](const Board &b) { return b.zobel7k <= 0.0115; }) << "max_zobel_W";
        QTest::newRow("peak over the compared loads")
            << "--runs 30 --seed 4 --zobel-r 10 --limits max_peak_dB=36"
            << Judge([](const Board &b) { return peakOverLoads(b, false) <= 36; }) << "max_peak_dB";
        // The ripple, and with it the peak, grows as the inductance falls: only the boards with
        // more than the nominal 22 uH stay below the nominal design's own peak.
        QTest::newRow("inductor peak, the inductance alone varied")
            << "--runs 200 --supply 48 --fsw 384 --full-bridge --load-power 20 "
               "--tolerance filter_c=0,zobel_c_par=0,zobel_r=0,zobel_c_ser=0,speaker_r=0,"
               "speaker_l=0 --limits max_inductor_A=" +
                   nominalPeak()
            << Judge([](const Board &b) { return b.L > 22; }) << "max_inductor_A";
    }
    void yield()
    {
        QFETCH(QString, args);
        QFETCH(Judge, meets);
        QFETCH(QString, failingMost);
        QTemporaryDir dir;
        const QString samples = dir.filePath("runs.csv");
        const Run run = runQuorvel(QStringList{"tolerance", "--samples", samples} + words(args));
        QCOMPARE(run.status, 0);
        const QJsonObject o = QJsonDocument::fromJson(run.out).object();
        const QList<Board> boards = readSamples(samples);
        QCOMPARE(boards.size(), o["runs"].toInt());
        const auto good = std::count_if(boards.begin(), boards.end(), meets);
        QVERIFY2(good > 0 && good < boards.size(), qPrintable(QString::number(good)));
        QCOMPARE(o["yield_percent"].toDouble(), 100.0 * double(good) / double(boards.size()));
        QCOMPARE(o["failing_most"].toString(), failingMost);
    }

    // Each band's edges at a few of its points: the nearest-rank 1st and 99th percentiles of the
    // runs' curves there, each run's curve solved here.
    void bands_data()
    {
        QTest::addColumn<bool>("full");
        QTest::addColumn<bool>("normal");
        QTest::addColumn<int>("runs");
        QTest::newRow("half bridge, uniform, 300 boards") << false << false << 300;
        QTest::newRow("full bridge, normal, 250 boards") << true << true << 250;
    }
    void bands()
    {
        QFETCH(bool, full);
        QFETCH(bool, normal);
        QFETCH(int, runs);
        DesignRecord design = DesignRecord::startup();
        design.full_bridge_select = full ? kFlagTrue : kFlagFalse;
        ToleranceSettings settings;
        settings.runs = runs;
        settings.distribution = normal ? Distribution::normal : Distribution::uniform;
        ToleranceWork work(design, 50, settings, {}, true);
        for (ToleranceRun &run : work.items()) work.fill(run);
        const ToleranceResult r = std::move(work).finish();
        QCOMPARE(int(r.runs.size()), runs);
        const auto check = [&](const ToleranceBand &band, const auto &curve) {
            for (std::size_t p : {std::size_t(0), band.x.size() / 3, band.x.size() - 1}) {
                const int i = int(std::lround(band.x[p] / 100));
                QList<double> values;
                for (const ToleranceRun &run : r.runs) values << curve(boardOf(run.values), i);
                QVERIFY(std::abs(band.low[p] - nearestRank(values, 1)) <=
                        1e-9 * (1 + std::abs(band.low[p])));
                QVERIFY(std::abs(band.high[p] - nearestRank(values, 99)) <=
                        1e-9 * (1 + std::abs(band.high[p])));
                QVERIFY(band.low[p] < band.high[p]);
            }
        };
        check(r.bands.gain, [&](const Board &b, int i) { return gainDb(b, b.Rs, i, full, false); });
        check(r.bands.gainZobel, [&](const Board &b, int i) { return gainDb(b, b.Rs, i, full); });
        check(r.bands.dissipation,
              [&](const Board &b, int i) { return dissipationW(b, i, full, 50); });
    }

    // A board's figures come without its curve: they are the main window's sweep's, bit for bit,
    // over designs drawn across the lists' whole range.
    void figuresAreTheSweeps_data()
    {
        QTest::addColumn<bool>("full");
        QTest::newRow("half bridge") << false;
        QTest::newRow("full bridge") << true;
    }
    void figuresAreTheSweeps()
    {
        QFETCH(bool, full);
        std::mt19937_64 random(7);
        const auto between = [&random](double lo, double hi) {
            return lo * std::pow(hi / lo, std::uniform_real_distribution<double>(0, 1)(random));
        };
        Curve curve;
        for (int k = 0; k < 150; ++k) {
            const DesignValues v{between(3e-6, 100e-6),
                                 between(0.1, 2.0),
                                 k % 5 ? between(1e-8, 1e-6) : 0.0,
                                 between(1, 100),
                                 k % 7 ? between(1e-8, 1e-6) : 0.0,
                                 between(2, 16),
                                 between(0.01, 2)};
            const NetworkValues n = networkValues(v, full ? kFlagTrue : kFlagFalse);
            for (bool zobel : {false, true}) {
                const GainFigures swept =
                    zobel ? sweepGainZobel(n, curve) : sweepGainPlain(n, curve);
                const GainFigures alone = zobel ? gainZobelFigures(n) : gainPlainFigures(n);
                // Exactly: QCOMPARE on doubles would forgive the last digits.
                QVERIFY(alone.maximum == swept.maximum);
                QVERIFY(alone.gain20k == swept.gain20k);
                QVERIFY(alone.gain384k == swept.gain384k);
            }
        }
    }

    void noLimitsNoYield()
    {
        const QJsonObject o =
            QJsonDocument::fromJson(runQuorvel(words("tolerance --runs 5")).out).object();
        QVERIFY(o.contains("yield_percent"));
        QVERIFY(o["yield_percent"].isNull());
    }

private:
    static QString nominalPeak()
    {
        const Run run =
            runQuorvel(words("stress --format json --supply 48 --fsw 384 --full-bridge "
                             "--load-power 20"));
        const double peak = QJsonDocument::fromJson(run.out).object()["inductor_peak_A"].toDouble();
        return QString::number(peak, 'g', 17);
    }
};

QTEST_GUILESS_MAIN(TestTolerance)
#include "tst_tolerance.moc"
