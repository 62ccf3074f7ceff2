// Measured loudspeaker impedance: files in several layouts, the files no measurement of a passive
// load can be, the LR-2 voice-coil fit and the load used at any frequency. Every file is written
// here from known parameters with complex arithmetic of this test's own (admittances of the
// parallel parts), and what the code makes of it is compared with those parameters.
#include "core/measured/impedancefile.h"
#include "core/measured/measuredload.h"
#include "core/measured/voicecoil.h"
#include "testhelpers.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>
#include <complex>
#include <random>
#include <vector>

namespace {

using cplx = std::complex<double>;
constexpr double kPi = 3.14159265358979323846;

// The generating LR-2 voice coils (ohm, H, ohm, H): an 8 ohm woofer, a 4 ohm midrange, a 6 ohm
// tweeter.
struct Lr2 {
    double re, le, r2, l2;
};
const Lr2 kSpeakers[] = {
    {6.2, 0.35e-3, 12.0, 1.1e-3}, {3.3, 0.12e-3, 4.5, 0.6e-3}, {5.1, 0.03e-3, 1.5, 0.05e-3}};

cplx lr2(const Lr2 &s, double hz)
{
    const cplx jw(0, 2 * kPi * hz);
    return s.re + jw * s.le + 1.0 / (1.0 / s.r2 + 1.0 / (jw * s.l2));
}

// n points spaced evenly on a log scale from lo to hi.
std::vector<double> logSpaced(double lo, double hi, int n)
{
    std::vector<double> f;
    for (int i = 0; i < n; ++i) f.push_back(lo * std::pow(hi / lo, double(i) / (n - 1)));
    return f;
}

// How a file is laid out.
struct Layout {
    QByteArray separator;
    bool decimalComma = false;
    bool phase = true;
    bool crlf = false;
};

// A file of the impedance z at hz, laid out so, after a comment and the column titles.
QByteArray writeFile(const std::vector<double> &hz, const std::vector<cplx> &z, const Layout &l)
{
    const QByteArray eol = l.crlf ? "\r\n" : "\n";
    const auto number = [&](double v) {
        return QByteArray::number(v, 'g', 10).replace('.', l.decimalComma ? ',' : '.');
    };
    QByteArray out = "* Impedance of a test driver, 2.83 V" + eol + "Freq(Hz)" + l.separator +
                     "Z(ohm)" + (l.phase ? l.separator + "Phase(deg)" : "") + eol + eol;
    for (std::size_t i = 0; i < hz.size(); ++i)
        out += number(hz[i]) + l.separator + number(std::abs(z[i])) +
               (l.phase ? l.separator + number(std::arg(z[i]) * 180 / kPi) : QByteArray()) + eol;
    return out;
}

ImpedanceData accepted(const QByteArray &bytes)
{
    const ImpedanceRead read = readImpedanceData(bytes);
    if (const ImpedanceData *data = std::get_if<ImpedanceData>(&read))
        return *data;
    qWarning("refused: %s", qPrintable(std::get<QString>(read)));
    return {};
}

QString apart(double hz, cplx got, cplx expected)
{
    return QString::asprintf("%g Hz: load (%g, %g), expected (%g, %g) ohm", hz, got.real(),
                             got.imag(), expected.real(), expected.imag());
}

double relative(cplx got, cplx expected)
{
    return std::abs(got - expected) / std::abs(expected);
}

// The largest relative difference of the fitted parameters from the generating ones (infinite for
// a NaN); the message shows both.
double fitError(const VoiceCoil &m, const Lr2 &s, QString &message)
{
    message = QString::asprintf("Re %g of %g, Le %g of %g, R2 %g of %g, L2 %g of %g; ", m.Re, s.re,
                                m.Le, s.le, m.R2, s.r2, m.L2, s.l2);
    double largest = 0;
    for (double r : {m.Re / s.re, m.Le / s.le, m.R2 / s.r2, m.L2 / s.l2})
        largest = std::max(largest, std::isnan(r) ? INFINITY : std::abs(r - 1));
    return largest;
}

// The rms error of an LR-2 model, with a series capacitance when farads > 0, over points, %.
double rmsError(const Lr2 &s, double farads, const QVector<ImpedancePoint> &points, bool phase)
{
    double sum = 0;
    for (const ImpedancePoint &p : points) {
        const cplx z = lr2(s, p.hz) + (farads > 0 ? 1.0 / cplx(0, 2 * kPi * p.hz * farads) : 0.0);
        sum += std::norm(phase ? z / std::polar(p.ohms, p.degrees * kPi / 180) - 1.0
                               : std::abs(z) / p.ohms - 1);
    }
    return 100 * std::sqrt(sum / double(points.size()));
}

// The largest relative difference between the load and the expected impedance over hz (of the
// magnitudes alone, or of the complex values), and where it is.
template <typename Expected>
std::pair<double, QString> worstError(const MeasuredLoad &load, const std::vector<double> &hz,
                                      Expected expected, bool magnitudeOnly = false)
{
    std::pair<double, QString> worst{0, "no difference"};
    std::vector<cplx> got(hz.size());
    load.impedances(hz, got);
    for (std::size_t i = 0; i < hz.size(); ++i) {
        const cplx e = expected(hz[i]);
        const double err =
            magnitudeOnly ? std::abs(std::abs(got[i]) / std::abs(e) - 1) : relative(got[i], e);
        if (err > worst.first)
            worst = {err, apart(hz[i], got[i], e)};
    }
    return worst;
}

// Ten clean points for the refusal rows to spoil.
QList<QByteArray> cleanLines()
{
    QList<QByteArray> lines;
    for (int i = 1; i <= 10; ++i)
        lines << QByteArray::number(i * 100) + " " + QByteArray::number(6 + i * 0.5) + " " +
                     QByteArray::number(i * 3);
    return lines;
}

QByteArray joined(const QList<QByteArray> &lines)
{
    return lines.join('\n') + '\n';
}

}  // namespace

Q_DECLARE_METATYPE(Layout)

class TestMeasured : public QObject
{
    Q_OBJECT

private slots:
    void fit_data()
    {
        QTest::addColumn<Layout>("layout");
        QTest::addColumn<int>("speaker");
        QTest::addColumn<double>("fs");   // resonance, Hz; 0: a bare voice coil
        QTest::addColumn<double>("res");  // motional resistance, ohm
        QTest::addColumn<double>("qms");
        QTest::newRow("woofer; blanks, phase, LF")
            << Layout{" ", false, true, false} << 0 << 0.0 << 0.0 << 0.0;
        QTest::newRow("midrange; TAB, decimal comma, no phase, CRLF")
            << Layout{"\t", true, false, true} << 1 << 0.0 << 0.0 << 0.0;
        QTest::newRow("tweeter; comma and blank, phase, CRLF")
            << Layout{", ", false, true, true} << 2 << 0.0 << 0.0 << 0.0;
        QTest::newRow("woofer, 38 Hz, Q 4; semicolon among blanks, decimal comma, phase")
            << Layout{" ; ", true, true, false} << 0 << 38.0 << 40.0 << 4.0;
        QTest::newRow("midrange, 90 Hz, Q 2; TAB, no phase")
            << Layout{"\t", false, false, false} << 1 << 90.0 << 15.0 << 2.0;
        QTest::newRow("tweeter, 900 Hz, Q 1.5; blanks, phase")
            << Layout{" ", false, true, false} << 2 << 900.0 << 10.0 << 1.5;
    }

    // Files of a voice coil, bare or with its resonance (a parallel R-L-C motional branch in
    // series with it): the fit finds the voice coil, from a bare one with 1 % noise too; the load
    // is the file within it and the voice coil alone above it, up to 1 MHz.
    void fit()
    {
        QFETCH(Layout, layout);
        QFETCH(int, speaker);
        QFETCH(double, fs);
        QFETCH(double, res);
        QFETCH(double, qms);
        const Lr2 &s = kSpeakers[speaker];
        // Q = R sqrt(C / L), fs = 1 / (2 pi sqrt(LC))
        const double w0 = 2 * kPi * fs, l = res / (qms * w0), c = qms / (res * w0);
        const auto full = [&](double f) {
            const cplx jw(0, 2 * kPi * f);
            return lr2(s, f) + (fs > 0 ? 1.0 / (1.0 / res + 1.0 / (jw * l) + jw * c) : 0.0);
        };
        const std::vector<double> hz = logSpaced(10, 20000, fs > 0 ? 400 : 300);
        std::mt19937 rng(20240601 + speaker);
        std::normal_distribution<double> noise(0, 0.01);
        std::vector<cplx> z, noisy;
        for (double f : hz) {
            z.push_back(full(f));
            noisy.push_back(z.back() * (1 + noise(rng)));
        }
        const MeasuredLoad load(accepted(writeFile(hz, z, layout)));
        QCOMPARE(load.data().points.size(), qsizetype(hz.size()));
        QCOMPARE(load.data().hasPhase, layout.phase);
        // The fit follows the file closely; beside a resonance, with its tail, only that.
        QString message;
        const VoiceCoilFit &fit = load.fit();
        QVERIFY2(fs > 0 || fitError(fit.model, s, message) <= 1e-3, qPrintable(message));
        QCOMPARE(fit.firstFitted > 0, fs > 0);
        QVERIFY2(fit.rmsErrorPercent < (fs > 0 ? 1 : 1e-3),
                 qPrintable(QString::number(fit.rmsErrorPercent)));
        const auto [in, inWhere] =
            worstError(load, logSpaced(10, 20000, 3001), full, fs > 0 && !layout.phase);
        QVERIFY2(in <= 0.005, qPrintable(inWhere));
        const auto [out, outWhere] =
            worstError(load, logSpaced(20000, 1e6, 2000), [&](double f) { return lr2(s, f); });
        QVERIFY2(out <= (fs > 0 ? 0.05 : 0.005), qPrintable(outWhere));
        if (fs > 0)
            return;

        const ImpedanceData noisyData = accepted(writeFile(hz, noisy, layout));
        const VoiceCoilFit rough = fitVoiceCoil(noisyData);
        QVERIFY2(fitError(rough.model, s, message) <= 0.03, qPrintable(message));
        // The fit is at least as close to the noisy file as the generating parameters are.
        const double truth = rmsError(s, 0, noisyData.points, layout.phase);
        QVERIFY2(
            rough.rmsErrorPercent <= truth,
            qPrintable(QString::asprintf("fit %g %%, truth %g %%", rough.rmsErrorPercent, truth)));
    }

    void firstFitted_data()
    {
        QTest::addColumn<QList<double>>("ohms");  // at 100, 200, 300 ... Hz
        QTest::addColumn<int>("first");
        QTest::newRow("one point") << QList<double>{5} << 0;
        QTest::newRow("two points, falling") << QList<double>{10, 5} << 0;
        QTest::newRow("9 % above the dip is no peak")
            << QList<double>{5.45, 5, 5, 5, 5, 5, 5, 5, 5, 5, 5, 6} << 0;
        // The last peak counts; the dip after it is at 600 Hz.
        QTest::newRow("two peaks")
            << QList<double>{8, 30, 9, 6, 20, 7, 6.5, 7, 8, 9, 10, 11, 12, 13, 14, 15} << 6;
        QTest::newRow("equal dips: the first")
            << QList<double>{20, 5, 5, 5, 5, 5, 5, 5, 5, 5, 5, 5} << 1;
        QTest::newRow("peak at the second-last point: the last 8")
            << QList<double>{5, 5, 5, 5, 5, 5, 5, 5, 5, 10, 5} << 3;
    }

    void firstFitted()
    {
        QFETCH(QList<double>, ohms);
        QFETCH(int, first);
        QVector<ImpedancePoint> points;
        for (double z : ohms) points.append({100.0 * double(points.size() + 1), z, 0});
        QCOMPARE(firstFittedPoint(points), first);
    }

    void estimate_data()
    {
        QTest::addColumn<int>("speaker");
        QTest::addColumn<double>("tailFarads");  // in series with the voice coil; 0: none
        QTest::addColumn<bool>("phase");
        QTest::addColumn<double>("tolerance");  // of every parameter of the estimate, relative
        QTest::addColumn<double>("rms");        // the largest rms error of the estimate, %
        QTest::newRow("8 ohm woofer") << 0 << 0.0 << true << 0.2 << 3.0;
        QTest::newRow("4 ohm midrange with 470 uF in series") << 1 << 470e-6 << true << 0.2 << 3.0;
        QTest::newRow("8 ohm woofer with 100 uF in series") << 0 << 100e-6 << true << 0.2 << 3.0;
        // A rough start: within a factor of two.
        QTest::newRow("8 ohm woofer, magnitude only") << 0 << 0.0 << false << 1.0 << 30.0;
    }

    // The estimate the fit starts from, on a curve that is the model (with a series capacitance
    // standing for a resonance's tail, fitted from the lowest |Z| on).
    void estimate()
    {
        QFETCH(int, speaker);
        QFETCH(double, tailFarads);
        QFETCH(bool, phase);
        QFETCH(double, tolerance);
        QFETCH(double, rms);
        const Lr2 &s = kSpeakers[speaker];
        ImpedanceData data{{}, phase};
        int dip = 0;
        for (double f : logSpaced(20, 20000, 100)) {
            const cplx z =
                lr2(s, f) + (tailFarads > 0 ? 1.0 / cplx(0, 2 * kPi * f * tailFarads) : 0.0);
            data.points.append({f, std::abs(z), phase ? std::arg(z) * 180 / kPi : 0});
            if (std::abs(z) < data.points[dip].ohms)
                dip = int(data.points.size()) - 1;
        }
        const VoiceCoilFit estimate = voiceCoilEstimate(data);
        QCOMPARE(estimate.firstFitted, tailFarads > 0 ? dip : 0);
        QString message;
        const double error = fitError(estimate.model, s, message);
        const double tailError =
            tailFarads > 0 ? std::abs(estimate.tailFarads / tailFarads - 1) : estimate.tailFarads;
        message += QString::asprintf("tail %g F estimated %g F; rms error %g %%", tailFarads,
                                     estimate.tailFarads, estimate.rmsErrorPercent);
        QVERIFY2(error <= tolerance && tailError <= tolerance && estimate.rmsErrorPercent <= rms,
                 qPrintable(message));
        // Its rms error, worked out here from its parameters.
        const VoiceCoil &m = estimate.model;
        const double here = rmsError({m.Re, m.Le, m.R2, m.L2}, estimate.tailFarads,
                                     data.points.mid(estimate.firstFitted), phase);
        QVERIFY2(
            std::abs(estimate.rmsErrorPercent / here - 1) < 1e-9,
            qPrintable(QString::asprintf("%g %%, here %g %%", estimate.rmsErrorPercent, here)));
        const VoiceCoil none = fitVoiceCoil({}).model;  // no points, no model
        QCOMPARE(none.Re + none.Le + none.R2 + none.L2, 0.0);
        // The fit only improves on it.
        const VoiceCoilFit fit = fitVoiceCoil(data);
        QVERIFY2(fit.rmsErrorPercent <= estimate.rmsErrorPercent * (1 + 1e-9),
                 qPrintable(QString::number(fit.rmsErrorPercent)));
    }

    // A last point whose phase is 3 degrees off the model's either way (noise, a cable): above it
    // the load stays passive and its resistance near the voice coil's, up to 1 MHz, where the
    // reactance is a hundred times the resistance.
    void highFrequencyTurn()
    {
        for (const double degrees : {3.0, -3.0}) {
            const std::vector<double> hz = logSpaced(10, 20000, 200);
            std::vector<cplx> z;
            for (double f : hz) z.push_back(lr2(kSpeakers[0], f));
            z.back() *= std::polar(1.0, degrees * kPi / 180);
            const MeasuredLoad load(accepted(writeFile(hz, z, Layout{" "})));
            QVERIFY(relative(load.impedance(20000), z.back()) < 1e-9);  // no step
            for (double f : logSpaced(20000, 1e6, 200)) {
                const cplx got = load.impedance(f), expected = lr2(kSpeakers[0], f);
                QVERIFY2(got.real() > 0 && std::abs(got.real() / expected.real() - 1) < 0.2,
                         qPrintable(apart(f, got, expected)));
            }
        }
    }

    // Between points, at points, outside: the load as the interpolation rules make it, worked
    // out here by hand for two points.
    void interpolation()
    {
        QList<QByteArray> lines;
        for (int i = 0; i < 10; ++i)  // 100 Hz .. 1e11 Hz, every decade; |Z| x 4 each decade
            lines << "1e" + QByteArray::number(i + 2) + " " + QByteArray::number(std::pow(4.0, i)) +
                         " " + QByteArray::number(-40 + 10 * i);
        const MeasuredLoad load(accepted(joined(lines)));
        // Halfway in log frequency between 1 kHz (4 ohm, -30 deg) and 10 kHz (16 ohm, -20 deg):
        // 8 ohm, -25 deg; a quarter of the way from 1 kHz: 4 x 4^0.25 ohm, -27.5 deg. Below the
        // first point (or at no number) the first point; above the last the model, without a step.
        const cplx first = std::polar(1.0, -40 * kPi / 180),
                   last = std::polar(std::pow(4.0, 9), 50 * kPi / 180);
        const std::tuple<double, cplx, double> byHand[] = {
            {std::sqrt(1e7), std::polar(8.0, -25 * kPi / 180), 1e-12},
            {1e3 * std::pow(10.0, 0.25), std::polar(4 * std::pow(4.0, 0.25), -27.5 * kPi / 180),
             1e-12},
            {1e4, std::polar(16.0, -20 * kPi / 180), 1e-12},
            {1, first, 1e-15},
            {100, first, 1e-15},
            {std::nan(""), first, 1e-15},
            {1e11, last, 1e-9},
            {1e11 * (1 + 1e-9), last, 1e-6}};
        for (const auto &[hz, expected, tolerance] : byHand) {
            const cplx got = load.impedance(hz);
            QVERIFY2(relative(got, expected) < tolerance, qPrintable(apart(hz, got, expected)));
        }
        // Any order of frequencies, and a sweep grid, give what each alone gives.
        std::vector<double> hz = {5e5, 120, 3e10, 50, 5e5, 2e3, 2.1e3, 1e12, 2e3, 1e4};
        for (double f : logSpaced(50, 2e11, 500)) hz.push_back(f);
        std::vector<cplx> z(hz.size());
        load.impedances(hz, z);
        for (std::size_t i = 0; i < hz.size(); ++i) QCOMPARE(z[i], load.impedance(hz[i]));
    }

    // What reading a file gives: the sentence refusing it, or its first and last points, the
    // number of points and whether it has a phase.
    void read_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("sentence");
        const QList<QByteArray> clean = cleanLines();
        const auto spoilt = [&](int line, const QByteArray &text) {
            QList<QByteArray> l = clean;
            l[line - 1] = text;
            return joined(l);
        };
        const QString nine =
            "The file holds only 9 points, the last on line 10; at least 10 are needed.";
        QTest::newRow("no data") << QByteArray("* nothing measured\nFreq Mag Phase\n\n")
                                 << "The file holds no data: no line starts with a number.";
        QTest::newRow("nine points") << "Hz Ohm Deg\n" + joined(clean.mid(0, 9)) << nine;
        // Two lines at one frequency are one point.
        QTest::newRow("ten lines, nine frequencies") << spoilt(5, "400 7 3") << nine;
        QTest::newRow("zero frequency")
            << spoilt(3, "0 7 3") << "Line 3: the frequency 0 Hz is not above zero.";
        QTest::newRow("zero frequency, CRLF lines")
            << "Freq;Z;Phase\r\n" + clean.mid(0, 5).join("\r\n") + "\r\n0;7;3\r\n"
            << "Line 7: the frequency 0 Hz is not above zero.";
        QTest::newRow("infinite frequency")
            << spoilt(4, "inf 7 3") << "Line 4: the frequency inf Hz is not a finite number.";
        QTest::newRow("frequency beyond a double")
            << spoilt(10, "1e999 7 3") << "Line 10: the frequency 1e999 Hz is out of range.";
        QTest::newRow("zero magnitude")
            << spoilt(2, "200 0.0 3") << "Line 2: the magnitude 0.0 ohm is not above zero.";
        QTest::newRow("magnitude a word")
            << spoilt(7, "700 7e 3") << "Line 7: \"7e\" is not a number.";
        QTest::newRow("phase above 90") << spoilt(7, "700 7 90.5")
                                        << "Line 7: the phase 90.5\u00b0 is beyond \u00b190\u00b0, "
                                           "which no passive load reaches.";
        QTest::newRow("falling frequency")
            << spoilt(8, "650 7 3")
            << "Line 8: the frequency 650 Hz is below the 700 Hz of line 7.";
        QTest::newRow("a frequency alone")
            << spoilt(3, "300") << "Line 3: a frequency without a magnitude.";
        QTest::newRow("four numbers") << spoilt(9, "900 7 3 1")
                                      << "Line 9: more than three fields; a line holds a "
                                         "frequency, a magnitude and perhaps a phase.";
        QTest::newRow("empty field")
            << spoilt(2, "200;;7;3") << "Line 2: an empty field between two separators.";
        QTest::newRow("phase missing")
            << spoilt(9, "900 7") << "Line 9: no phase, while line 1 gives one.";
        QTest::newRow("phase where the first line has none")
            << "* magnitudes\n100 7\n" + joined(clean.mid(1))
            << "Line 3: a phase, while line 2 gives none.";
        QByteArray nul = spoilt(4, "400 7 3");
        nul.insert(nul.indexOf("400") + 1, '\0');
        QTest::newRow("binary, NUL byte") << nul << "Line 4: binary content (byte 0x00), not text.";
        QTest::newRow("binary after CRLF lines")
            << QByteArray("Hz\r\n\r\n\0", 7) << "Line 3: binary content (byte 0x00), not text.";
        QByteArray big = joined(clean);
        big += "* " + QByteArray(int(kMaxImpedanceFileBytes) - big.size() - 2, 'x');
        QTest::newRow("one byte over 10 MB")
            << big + 'x' << "The file is larger than the 10 MB an impedance file may have.";
        // Accepted.
        const QString read = "100 Hz 6.5 ohm 3 deg to 1000 Hz 11 ohm 30 deg, 10 points, phase";
        QTest::newRow("exactly 10 MB") << big << read;
        QList<QByteArray> merged = clean;
        merged.insert(1, "100 8.5 1");  // three points at 100 Hz: their mean
        merged.insert(2, "100 7.5 2");
        QTest::newRow("three at one frequency")
            << joined(merged) << "100 Hz 7.5 ohm 2 deg to 1000 Hz 11 ohm 30 deg, 10 points, phase";
        QTest::newRow("byte order mark, CR line ends, blanks around")
            << "\xEF\xBB\xBF  Freq  Z\r" + clean.join("  \r") + "\r" << read;
        QTest::newRow("comma-separated, no blanks, no phase")
            << QByteArray("Hz,Ohm\n1,7\n2,7\n3,7\n4,7\n5,7\n6,7\n7,7\n8,7\n9,7\n10,8\n")
            << "1 Hz 7 ohm 0 deg to 10 Hz 8 ohm 0 deg, 10 points, no phase";
        QTest::newRow("decimal comma, blanks, one-digit frequencies")
            << QByteArray("1 7,5\n2 7\n3 7\n4 7\n5 7\n6 7\n7 7\n8 7\n9 7\n10 8,25\n")
            << "1 Hz 7.5 ohm 0 deg to 10 Hz 8.25 ohm 0 deg, 10 points, no phase";
        QTest::newRow("exponents, signs, trailing separator")
            << "+1.0E2;+6.5e0;3;\n" + joined(clean.mid(1, 8)) + "1e3;11;+3E1;\n"
            << read;
    }

    void read()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, sentence);
        const ImpedanceRead read = readImpedanceData(bytes);
        const auto n = [](double v) { return QString::number(v, 'g', 17); };
        if (const ImpedanceData *d = std::get_if<ImpedanceData>(&read)) {
            const ImpedancePoint &a = d->points.first(), &b = d->points.last();
            QCOMPARE(QString("%1 Hz %2 ohm %3 deg to %4 Hz %5 ohm %6 deg, %7 points, %8")
                         .arg(n(a.hz), n(a.ohms), n(a.degrees), n(b.hz), n(b.ohms), n(b.degrees))
                         .arg(d->points.size())
                         .arg(d->hasPhase ? "phase" : "no phase"),
                     sentence);
        } else {
            QCOMPARE(std::get<QString>(read), sentence);
        }
    }

    void files_data()
    {
        QTest::addColumn<QString>("name");      // within a temporary folder
        QTest::addColumn<QString>("sentence");  // %1: the full path; empty when accepted; ": " at
                                                // the end: a reason follows
        QTest::newRow("missing") << "none.zma"
                                 << "\"%1\" does not exist.";
        QTest::newRow("folder") << "folder.zma"
                                << "\"%1\" is a folder, not a file.";
        QTest::newRow("refused content")
            << "short.frd"
            << "The file holds only 3 points, the last on line 3; at least 10 are needed.";
        QTest::newRow("over 10 MB")
            << "huge.dat"
            << "The file is larger than the 10 MB an impedance file may have.";
        // Read whole: zeros after the ten points.
        QTest::newRow("exactly 10 MB") << "full.dat"
                                       << "Line 11: binary content (byte 0x00), not text.";
        // A file the system cannot read although it opens: the reason is the system's.
        QTest::newRow("read error") << "/proc/self/mem"
                                    << "\"%1\" cannot be read: ";
        QTest::newRow("accepted") << "woofer.zma"
                                  << "";
    }

    void files()
    {
        QFETCH(QString, name);
        QFETCH(QString, sentence);
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkdir("folder.zma"));
        for (const QString file : {"woofer.zma", "huge.dat", "full.dat", "short.frd"}) {
            QFile f(dir.filePath(file));
            QVERIFY(f.open(QIODevice::WriteOnly) &&
                    f.write(joined(cleanLines().mid(0, file == "short.frd" ? 3 : 10))) > 0);
        }
        // Sparse: zeros after the points.
        QVERIFY(QFile::resize(dir.filePath("huge.dat"), kMaxImpedanceFileBytes + 1));
        QVERIFY(QFile::resize(dir.filePath("full.dat"), kMaxImpedanceFileBytes));
        const QString path = QDir(dir.path()).filePath(name);
        const auto load = MeasuredLoad::fromFile(path);
        if (sentence.isEmpty()) {
            QVERIFY(std::holds_alternative<MeasuredLoad>(load));
            QCOMPARE(std::get<MeasuredLoad>(load).path(), path);
            QCOMPARE(std::get<MeasuredLoad>(load).fileName(), name);
            QCOMPARE(std::get<MeasuredLoad>(load).data().points.size(), qsizetype(10));
            return;
        }
        QVERIFY(std::holds_alternative<QString>(load));
        const QString got = std::get<QString>(load),
                      expected = sentence.replace("%1", QDir::toNativeSeparators(path));
        QCOMPARE(expected.endsWith(": ") ? got.left(expected.size()) : got, expected);
    }

    // The fuzzer's seed corpus and the findings kept in it (regress-*): accept-* files are
    // accepted, refuse-* files refused; what is accepted fits with finite values and gives a
    // passive load from 100 Hz to 1 MHz.
    void seedCorpus_data() { addSeedCorpusRows(QStringLiteral(QUORVEL_FUZZ_CORPUS)); }

    void seedCorpus()
    {
        QFETCH(QString, path);
        const ImpedanceRead read = readImpedanceFile(path);
        const ImpedanceData *d = std::get_if<ImpedanceData>(&read);
        QVERIFY2(!d != !QFileInfo(path).fileName().startsWith("refuse-"),
                 qPrintable(d ? "accepted" : std::get<QString>(read)));
        if (!d)
            return;
        const MeasuredLoad load(*d);
        const VoiceCoil &m = load.fit().model;
        for (double v : {m.Re, m.Le, m.R2, m.L2})
            QVERIFY2(std::isfinite(v) && v >= 0, qPrintable(QString::number(v)));
        for (double f : logSpaced(100, 1e6, 400)) {
            const cplx z = load.impedance(f);
            QVERIFY2(std::isfinite(z.imag()) && z.real() >= 0, qPrintable(apart(f, z, z)));
        }
    }
};

QTEST_APPLESS_MAIN(TestMeasured)
#include "tst_measured.moc"
