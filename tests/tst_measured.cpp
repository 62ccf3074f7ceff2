// Measured loudspeaker impedance: files in several layouts, the files no measurement of a passive
// load can be, the LR-2 voice-coil fit and the load used at any frequency. Every file is written
// here from known parameters with complex arithmetic of this test's own (admittances of the
// parallel parts), and what the code makes of it is compared with those parameters.
#include "core/measured/impedancefile.h"
#include "core/measured/measuredload.h"
#include "core/measured/voicecoil.h"
#include "testhelpers.h"

#include <QTest>

#include <cmath>
#include <complex>
#include <vector>

namespace {

using cplx = std::complex<double>;
constexpr double kPi = 3.14159265358979323846;

// The generating LR-2 voice coils (ohm, H, ohm, H): an 8 ohm woofer, a 4 ohm midrange, a
// ribbon whose coil stays under 1 ohm to a few kHz.
const VoiceCoil kSpeakers[] = {
    {6.2, 0.35e-3, 12.0, 1.1e-3}, {3.3, 0.12e-3, 4.5, 0.6e-3}, {0.4, 8e-6, 0.9, 20e-6}};

cplx lr2(const VoiceCoil &s, double hz)
{
    const cplx jw(0, 2 * kPi * hz);
    return s.Re + jw * s.Le + 1.0 / (1.0 / s.R2 + 1.0 / (jw * s.L2));
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

// The largest relative difference of the fitted parameters from the generating ones (infinite for
// a NaN); the message shows both.
double fitError(const VoiceCoil &m, const VoiceCoil &s, QString &message)
{
    message = QString::asprintf("Re %g of %g, Le %g of %g, R2 %g of %g, L2 %g of %g; ", m.Re, s.Re,
                                m.Le, s.Le, m.R2, s.R2, m.L2, s.L2);
    double largest = 0;
    for (double r : {m.Re / s.Re, m.Le / s.Le, m.R2 / s.R2, m.L2 / s.L2})
        largest = std::max(largest, std::isnan(r) ? INFINITY : std::abs(r - 1));
    return largest;
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
        QTest::addColumn<double>("farads");  // in series with the voice coil; 0: none
        QTest::newRow("woofer; blanks, phase, LF")
            << Layout{" ", false, true, false} << 0 << 0.0 << 0.0 << 0.0 << 0.0;
        QTest::newRow("midrange; TAB, decimal comma, no phase, CRLF")
            << Layout{"\t", true, false, true} << 1 << 0.0 << 0.0 << 0.0 << 0.0;
        QTest::newRow("ribbon under 1 ohm; blanks, no phase")
            << Layout{" ", false, false, false} << 2 << 0.0 << 0.0 << 0.0 << 0.0;
        QTest::newRow("midrange with 470 uF in series; comma and blank, phase")
            << Layout{", ", false, true, false} << 1 << 0.0 << 0.0 << 0.0 << 470e-6;
        QTest::newRow("woofer, 38 Hz, Q 4; semicolon among blanks, decimal comma, phase")
            << Layout{" ; ", true, true, false} << 0 << 38.0 << 40.0 << 4.0 << 0.0;
        QTest::newRow("midrange, 90 Hz, Q 2; TAB, no phase")
            << Layout{"\t", false, false, false} << 1 << 90.0 << 15.0 << 2.0 << 0.0;
    }

    // Files of a voice coil, bare or with its resonance (a parallel R-L-C motional branch in
    // series with it) or a series capacitance: the fit finds the voice coil; the load is the file
    // within it and the voice coil alone above it, up to 1 MHz. A refused file throws.
    void fit()
    {
        QFETCH(Layout, layout);
        QFETCH(int, speaker);
        QFETCH(double, fs);
        QFETCH(double, res);
        QFETCH(double, qms);
        QFETCH(double, farads);
        const VoiceCoil &s = kSpeakers[speaker];
        // Q = R sqrt(C / L), fs = 1 / (2 pi sqrt(LC))
        const double w0 = 2 * kPi * fs, l = res / (qms * w0), c = qms / (res * w0);
        const auto full = [&](double f) {
            const cplx jw(0, 2 * kPi * f);
            return lr2(s, f) + (fs > 0 ? 1.0 / (1.0 / res + 1.0 / (jw * l) + jw * c) : 0.0) +
                   (farads > 0 ? 1.0 / (jw * farads) : 0.0);
        };
        std::vector<double> hz = logSpaced(10, 20000, fs > 0 ? 400 : 300);
        std::vector<cplx> z;
        int dip = 0;
        for (double f : hz) {
            z.push_back(full(f));
            if (std::abs(z.back()) < std::abs(z[dip]))
                dip = int(z.size()) - 1;
        }
        const MeasuredLoad load(
            std::get<ImpedanceData>(readImpedanceData(writeFile(hz, z, layout))));
        // The estimate the fit starts from, on a curve that is the model (a series capacitance
        // stands for a resonance's tail, fitted from the lowest |Z| on): every parameter within
        // 20 % and an rms error of 3 %; without phase a rough start, a factor of two and 30 %.
        QString message;
        const VoiceCoilFit estimate = voiceCoilEstimate(load.data());
        const double tailError =
            farads > 0 ? std::abs(estimate.tailFarads / farads - 1) : estimate.tailFarads;
        QVERIFY2(fs > 0 || (std::max(fitError(estimate.model, s, message), tailError) <=
                                (layout.phase ? 0.2 : 1.0) &&
                            estimate.rmsErrorPercent <= (layout.phase ? 3 : 30)),
                 qPrintable(message + QString::number(estimate.rmsErrorPercent)));
        QVERIFY(fs > 0 || estimate.firstFitted == (farads > 0 ? dip : 0));
        // The fit follows the file closely; beside a resonance, with its tail, only that.
        const VoiceCoilFit &fit = load.fit();
        QVERIFY2(fs > 0 || fitError(fit.model, s, message) <= 1e-3, qPrintable(message));
        QCOMPARE(fit.firstFitted > 0, fs > 0 || farads > 0);
        QVERIFY2(fit.rmsErrorPercent < (fs > 0 ? 1 : 1e-3),
                 qPrintable(QString::number(fit.rmsErrorPercent)));
        // Within the file (of the magnitudes alone beside a resonance without phase) and above it.
        hz = logSpaced(10, 1e6, 4000);
        z.resize(hz.size());
        load.impedances(hz, z);
        for (std::size_t i = 0; i < hz.size(); ++i) {
            const bool above = hz[i] > 20000;
            const cplx e = above ? lr2(s, hz[i]) : full(hz[i]);
            const double error = !above && fs > 0 && !layout.phase
                                     ? std::abs(std::abs(z[i]) / std::abs(e) - 1)
                                     : std::abs(z[i] - e) / std::abs(e);
            QVERIFY2(error <= (above && fs > 0 ? 0.05 : 0.005), qPrintable(QString::number(hz[i])));
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
        const MeasuredLoad load(std::get<ImpedanceData>(readImpedanceData(joined(lines))));
        // Halfway in log frequency between 1 kHz (4 ohm, -30 deg) and 10 kHz (16 ohm, -20 deg):
        // 8 ohm, -25 deg. Below the first point (or at no number) the first point.
        const std::pair<double, cplx> byHand[] = {
            {std::sqrt(1e7), std::polar(8.0, -25 * kPi / 180)},
            {std::nan(""), std::polar(1.0, -40 * kPi / 180)}};
        for (const auto &[hz, expected] : byHand)
            QVERIFY2(std::abs(load.impedance(hz) - expected) < 1e-12 * std::abs(expected),
                     qPrintable(QString::number(hz)));
        const VoiceCoil none = fitVoiceCoil({}).model;  // no points, no model
        QCOMPARE(none.Re + none.Le + none.R2 + none.L2, 0.0);
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
        QTest::newRow("zero frequency")
            << spoilt(3, "0 7 3") << "Line 3: the frequency 0 Hz is not above zero.";
        QTest::newRow("empty field")
            << spoilt(2, "200;;7;3") << "Line 2: an empty field between two separators.";
        QByteArray nul = spoilt(4, "400 7 3");
        nul.insert(nul.indexOf("400") + 1, '\0');
        QTest::newRow("binary, NUL byte") << nul << "Line 4: binary content (byte 0x00), not text.";
        QTest::newRow("binary after CRLF lines")
            << QByteArray("Hz\r\n\r\n\0", 7) << "Line 3: binary content (byte 0x00), not text.";
        // Accepted.
        QList<QByteArray> merged = clean;
        merged.insert(1, "100 8.5 1");  // three points at 100 Hz: their mean
        merged.insert(2, "100 7.5 2");
        QTest::newRow("three at one frequency")
            << joined(merged) << "100 Hz 7.5 ohm 2 deg to 1000 Hz 11 ohm 30 deg, 10 points, phase";
        QTest::newRow("decimal comma, blanks, one-digit frequencies")
            << QByteArray("1 7,5\n2 7\n3 7\n4 7\n5 7\n6 7\n7 7\n8 7\n9 7\n10 8,25\n")
            << "1 Hz 7.5 ohm 0 deg to 10 Hz 8.25 ohm 0 deg, 10 points, no phase";
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

    void seedCorpus_data() { addSeedCorpusRows(QStringLiteral(QUORVEL_FUZZ_CORPUS)); }
    // Each file the fuzzer starts from is refused, or read, as its name says.
    void seedCorpus()
    {
        QFETCH(QString, path);
        QCOMPARE(std::holds_alternative<QString>(readImpedanceFile(path)),
                 QFileInfo(path).fileName().startsWith("refuse-"));
    }
};

QTEST_APPLESS_MAIN(TestMeasured)
#include "tst_measured.moc"
