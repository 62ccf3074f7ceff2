// The carrier analysis against ngspice: each design built as a transient circuit, idle (PULSE legs
// with 5 ns edges) and at the load power (naturally sampled PWM made by comparing a triangle with
// the sine in B-sources), started at t = 0 from the periodic state the reference
// (carrierreference.h) computes, so that the filter's slow resonance (its Q reaches 100 with an
// inductive speaker) is not rung up and a few dozen carrier periods suffice. Steady state is
// checked before measuring: 16 consecutive carrier periods agree (idle), two consecutive audio
// periods agree (at power). Every figure is an integral over whole periods (.meas INTEG, which
// interpolates at the window's ends, unlike AVG and RMS); the carrier at power is what is left
// after the audio fundamental, found by projection, is taken out. The runs go two at a time.
#include "carrierreference.h"
#include "core/carrier/carrier.h"

#include <QFile>
#include <QMap>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <charconv>

namespace {

using carrierref::Design;

struct SpiceDesign {
    const char *name;
    Design d;
    double loadW;
};

// Audio periods hold this many carrier periods; the figures at power are taken on a grid of
// kSteps points a carrier period, also the longest step ngspice takes.
constexpr int kCarriersPerAudio = 128;
constexpr int kSteps = 400;

const QList<SpiceDesign> kDesigns{
    //                                     L      Cf       Rz   Czp       Czs      Rs  Ls       full
    //                                     ad     Vs   fc
    {"half bridge, start-up, 384 kHz",
     {22e-6, 1e-6, 6, 1e-7, 1e-7, 8, 0.67e-3, false, false, 48, 384e3},
     5},
    {"full bridge BD, start-up, 384 kHz",
     {22e-6, 1e-6, 6, 1e-7, 1e-7, 8, 0.67e-3, true, false, 48, 384e3},
     20},
    {"full bridge AD, start-up, 384 kHz",
     {22e-6, 1e-6, 6, 1e-7, 1e-7, 8, 0.67e-3, true, true, 48, 384e3},
     20},
    {"half bridge, no Czp, 600 kHz",
     {15e-6, 0.68e-6, 4.7, 0, 0.22e-6, 4, 0.1e-3, false, false, 40, 600e3},
     8},
    {"full bridge BD, no Czp, 250 kHz",
     {33e-6, 0.47e-6, 10, 0, 0.1e-6, 6, 0.3e-3, true, false, 60, 250e3},
     40},
    {"full bridge AD, 600 kHz",
     {10e-6, 2.2e-6, 3.3, 0.047e-6, 0.47e-6, 4, 0.05e-3, true, true, 36, 600e3},
     30},
};

QByteArray num(double v)
{
    char b[32];
    return QByteArray(b, std::to_chars(b, b + sizeof b, v).ptr - b);
}

// The quantities measured: name and ngspice expression.
QList<std::pair<QByteArray, QByteArray>> quantities(bool full)
{
    QList<std::pair<QByteArray, QByteArray>> q{
        {"za", "v(za)"}, {"la", "i(la)"}, {"cf", "i(vcf)"}, {"si", "i(ls)"}, {"oa", "v(oa)"}};
    if (full)
        q += {{"zb", "v(zb)"},
              {"lb", "i(lb)"},
              {"ob", "v(ob)"},
              {"sv", "v(oa)-v(ob)"},
              {"cm", "(v(oa)+v(ob))/2"}};
    return q;
}

// The inductors' names: leg A's, and leg B's in full bridge.
QList<QByteArray> inductors(const Design &d)
{
    return d.full ? QList<QByteArray>{"la", "lb"} : QList<QByteArray>{"la"};
}

// The circuit, legs left to the caller; starts from `s` (uic).
QByteArray circuit(const Design &d, const carrierref::State &s)
{
    const QByteArray low = d.full ? "ob " : "0 ";
    QByteArray c = "La sa oa " + num(d.L) + " ic=" + num(s.iLa) + "\nVcf oa cf 0\nCf cf " + low +
                   num(d.Cf) + " ic=" + num(s.voa - s.vob) + "\nRs oa sm " + num(d.Rs) +
                   "\nLs sm " + low + num(d.Ls) + " ic=" + num(s.iLs) + '\n';
    auto zobel = [&](const QByteArray &side, double vo, double vz) {
        c += "Czs" + side + " o" + side + " z" + side + ' ' + num(d.Czs) + " ic=" + num(vo - vz) +
             "\nRz" + side + " z" + side + " 0 " + num(d.Rz) + '\n';
        if (d.Czp > 0)
            c += "Czp" + side + " z" + side + " 0 " + num(d.Czp) + " ic=" + num(vz) + '\n';
    };
    zobel("a", s.voa, s.vza);
    if (d.full) {
        c += "Lb sb ob " + num(d.L) + " ic=" + num(s.iLb) + '\n';
        zobel("b", s.vob, s.vzb);
    }
    return c;
}

QByteArray idleNetlist(const Design &d, const carrierref::State &s, int periods)
{
    const double T = 1 / d.fc, h = d.Vs / 2, end = periods * T, from = end - 16 * T;
    // Leg A high for |t| < T/4, edges centred on +-T/4.
    const QByteArray timing =
        ' ' + num(T / 4 - 2.5e-9) + " 5n 5n " + num(T / 2 - 5e-9) + ' ' + num(T) + ")\n";
    QByteArray c = "* carrier, idle\nVa sa 0 PULSE(" + num(h) + ' ' + num(-h) + timing;
    if (d.full)
        c += d.ad ? "Vb sb 0 PULSE(" + num(-h) + ' ' + num(h) + timing
                  : "Vb sb 0 PULSE(" + num(h) + ' ' + num(-h) + timing;
    c += circuit(d, s) + ".tran 1n " + num(end) + " 0 " + num(T / 400) + " uic\n.control\nrun\n";
    // Integrals of each quantity and its square over the last 16 periods (names q_m, q_s).
    for (const auto &[n, expr] : quantities(d.full))
        c += "let " + n + "x = " + expr + "\nlet " + n + "x2 = " + n + "x*" + n + "x\nmeas tran " +
             n + "_m integ " + n + "x from=" + num(from) + " to=" + num(end) + "\nmeas tran " + n +
             "_s integ " + n + "x2 from=" + num(from) + " to=" + num(end) + '\n';
    // Each of the last 16 periods on its own, for the steady-state check.
    for (int p = 0; p < 16; ++p)
        for (const char *q : {"za", "la"})
            c += "meas tran p" + num(p) + q + " integ " + q + "x2 from=" + num(from + p * T) +
                 " to=" + num(from + (p + 1) * T) + '\n';
    for (const QByteArray &l : inductors(d))
        c += "meas tran " + l + "_max max i(" + l + ") from=" + num(end - T) + " to=" + num(end) +
             "\nmeas tran " + l + "_min min i(" + l + ") from=" + num(end - T) + " to=" + num(end) +
             '\n';
    return c + ".endc\n.end\n";
}

QByteArray powerNetlist(const Design &d, const carrierref::State &s, double M)
{
    const double T = 1 / d.fc, h = d.Vs / 2, P = kCarriersPerAudio * T,
                 w0 = 2 * carrierref::kPi / P;
    // Triangle from -1 at t = 0 to +1 at T/2; the comparator's output ramps in 5 ns.
    QByteArray c = "* carrier, at power\nVtri tri 0 PULSE(-1 1 0 " + num(T / 2 - 0.5e-12) + ' ' +
                   num(T / 2 - 0.5e-12) + " 1p " + num(T) + ")\n";
    c += "Bref ref 0 V=" + num(M) + "*cos(" + num(w0) + "*time)\n";
    const QByteArray delta = num(10e-9 / T);
    c += "Ba sa 0 V=" + num(h) + "*max(-1,min(1,(v(ref)-v(tri))/" + delta + "))\n";
    if (d.full)
        c += d.ad ? QByteArray("Bb sb 0 V=-v(sa)\n")
                  : "Bb sb 0 V=" + num(h) + "*max(-1,min(1,(-v(ref)-v(tri))/" + delta + "))\n";
    // Two audio periods and a little over, for the troughs after the last peak and the carrier
    // filter's reach; the output step is the grid the figures are taken on, kSteps to a carrier
    // period.
    const double end = 2 * P;
    c += circuit(d, s) + ".tran " + num(T / kSteps) + ' ' + num(end + 3 * T) + " 0 " +
         num(T / kSteps) + " uic\n.control\nrun\n";
    // The inductor's highest current, and the five carrier periods around it: each period's top
    // and the troughs either side.
    for (const QByteArray &L : inductors(d)) {
        c += "meas tran " + L + "_pk max i(" + L + ") from=" + num(P) + " to=" + num(end) +
             "\nmeas tran " + L + "_at max_at i(" + L + ") from=" + num(P) + " to=" + num(end) +
             '\n';
        for (int j = -2; j <= 3; ++j) {
            const QByteArray J = QByteArray::number(j + 2);
            c += "let " + L + "f" + J + " = " + L + "_at+" + num((j - 1) * T) + "\nlet " + L + "g" +
                 J + " = " + L + "_at+" + num(j * T) + "\nmeas tran " + L + "_t" + J + " min i(" +
                 L + ") from=$&" + L + "f" + J + " to=$&" + L + "g" + J + '\n';
            if (j < 3)
                c += "let " + L + "u" + J + " = " + L + "_at+" + num((j - 0.5) * T) + "\nlet " + L +
                     "v" + J + " = " + L + "_at+" + num((j + 0.5) * T) + "\nmeas tran " + L + "_p" +
                     J + " max i(" + L + ") from=$&" + L + "u" + J + " to=$&" + L + "v" + J + '\n';
        }
    }
    // The rest on the uniform grid: samples i0 .. i1 - 1 hold the second audio period, the ones
    // before it the first.
    const int i0 = kCarriersPerAudio * kSteps, i1 = 2 * i0, half = kSteps / 2;
    auto range = [](int a, int b) {
        return '[' + QByteArray::number(a) + ',' + QByteArray::number(b - 1) + ']';
    };
    auto at = [&](int shift) { return range(i0 + shift, i1 + shift); };
    c += "linearize\nlet cw = cos(" + num(w0) + "*time)\nlet sw = sin(" + num(w0) + "*time)\n";
    for (const auto &[n, expr] : quantities(d.full)) {
        const QByteArray w = range(i0, i1);
        c += "let x = " + expr + "\nlet xw = x" + w + "\nlet xe = x" + range(0, i0) + '\n';
        c += "let " + n + "_m = mean(xw)\nlet " + n + "_s = mean(xw*xw)\nlet " + n +
             "_em = mean(xe)\nlet " + n + "_es = mean(xe*xe)\n";
        c += "let " + n + "_c = mean(xw*cw" + w + ")\nlet " + n + "_n = mean(xw*sw" + w + ")\n";
        // Less its mean and the audio, then less its mean over one carrier period around each
        // instant: what is left is the carrier, with the modulator's own error, which lies in the
        // audio band, shut out. r - 2 B(r) + B(B(r)), B the mean over one carrier period:
        // (1 - B)^2 falls as f^4 below the carrier and passes its sidebands.
        c += "let r = x-" + n + "_m-2*(" + n + "_c*cw+" + n +
             "_n*sw)\nlet i1 = integ(r)\nlet i2 = integ(i1)\n";
        c += "let rcc = r" + at(0) + "-2*(i1" + at(half) + "-i1" + at(-half) + ")/" + num(T) +
             "+(i2" + at(kSteps) + "-2*i2" + at(0) + "+i2" + at(-kSteps) + ")/" + num(T * T) + '\n';
        c += "let " + n + "_r = mean(rcc*rcc)\nprint " + n + "_m " + n + "_s " + n + "_em " + n +
             "_es " + n + "_c " + n + "_n " + n + "_r\n";
    }
    return c + ".endc\n.end\n";
}

// The named results of one run.
using Measured = QMap<QString, double>;

Measured parse(const QByteArray &out)
{
    Measured m;
    static const QRegularExpression re("^(\\w+)\\s+=\\s+([-+0-9.eE]+)",
                                       QRegularExpression::MultilineOption);
    for (const QRegularExpressionMatch &x : re.globalMatch(QString::fromLatin1(out)))
        m.insert(x.captured(1), x.captured(2).toDouble());
    return m;
}

struct Run {
    Measured idle, power;
    CarrierAnalysis analysis;
};

QMap<QString, Run> g_runs;

// One figure: ngspice against the analysis; where the analysis gives exactly 0, ngspice's noise
// held below zeroFloor.
carrierref::Check row(const QString &name, double spice, double analysis, double zeroFloor = 0)
{
    return {name, spice, analysis, 0, zeroFloor};
}

bool compare(const QString &title, QList<carrierref::Check> rows, double tolerance)
{
    for (carrierref::Check &c : rows)
        c.tolerance = tolerance, c.floor = c.reference == 0 ? c.floor : 0;
    return carrierref::agree(title, rows, "(ngspice, analysis)");
}

}  // namespace

class TestCarrierSpice : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

private slots:
    void initTestCase()
    {
        QVERIFY2(!QStandardPaths::findExecutable("ngspice").isEmpty(),
                 "ngspice (scripts/setup.sh installs it) not found");
        QVERIFY(m_dir.isValid());
        if (qEnvironmentVariableIsSet("QUORVEL_KEEP_NETLISTS")) {  // to run them by hand
            m_dir.setAutoRemove(false);
            qInfo("netlists in %s", qPrintable(m_dir.path()));
        }
        struct Job {
            QString design, file;
            int power;  // 0 idle, 1 at power
        };
        QList<Job> jobs;  // the longest runs first
        for (const SpiceDesign &s : kDesigns) {
            const Design &d = s.d;
            Run &run = g_runs[s.name];
            run.analysis =
                analyzeCarrier({d.L, d.Cf, d.Rz, d.Czp, d.Czs, d.full, speakerRL(d.Rs, d.Ls)},
                               {d.Vs, d.fc, d.ad ? Modulation::ad : Modulation::bd,
                                d.fc / kCarriersPerAudio, s.loadW});
            QVERIFY2(std::holds_alternative<AtPowerFigures>(run.analysis.atPower), s.name);
            Design atPower = d;
            atPower.k = kCarriersPerAudio;
            atPower.M = std::get<AtPowerFigures>(run.analysis.atPower).modulationIndex;
            const int n = int(jobs.size()) / 2;  // designs so far
            const QString base = m_dir.filePath(QString::number(2 * n));
            QFile idle(base + "i.cir"), power(base + "p.cir");
            QVERIFY(idle.open(QIODevice::WriteOnly) && power.open(QIODevice::WriteOnly));
            idle.write(idleNetlist(d, carrierref::reference(d).atZero, 48));
            power.write(powerNetlist(d, carrierref::reference(atPower).atZero, atPower.M));
            jobs.insert(n, Job{s.name, power.fileName(), 1});
            jobs << Job{s.name, idle.fileName(), 0};
        }
        // Two at a time (or as many as there are cores), each waited for in the order started.
        const int lanes = std::max(2, QThread::idealThreadCount());
        QList<std::pair<QProcess *, const Job *>> running;
        for (int next = 0; next < jobs.size() || !running.isEmpty();) {
            if (next < jobs.size() && running.size() < lanes) {
                running << std::pair{new QProcess(this), &jobs[next++]};
                running.back().first->start("ngspice", {"-b", running.back().second->file});
                continue;
            }
            const auto [process, job] = running.takeFirst();
            QVERIFY2(process->waitForFinished(600000), qPrintable(job->file));
            Run &run = g_runs[job->design];
            (job->power ? run.power : run.idle) = parse(process->readAllStandardOutput());
        }
    }

    void idle_data()
    {
        QTest::addColumn<int>("design");
        for (int i = 0; i < kDesigns.size(); ++i) QTest::newRow(kDesigns[i].name) << i;
    }
    void idle()
    {
        QFETCH(int, design);
        const Design &d = kDesigns[design].d;
        const Run &run = g_runs[kDesigns[design].name];
        const Measured &m = run.idle;
        QVERIFY2(m.contains("za_s") && m.contains("la_max"), "ngspice gave no measurements");
        // Steady state: the last 16 periods alike.
        for (const char *q : {"za", "la"}) {
            double lo = 1e300, hi = -1e300;
            for (int p = 0; p < 16; ++p)
                lo = std::min(lo, m.value(QString("p%1%2").arg(p).arg(q))),
                hi = std::max(hi, m.value(QString("p%1%2").arg(p).arg(q)));
            QVERIFY(hi > 0 && (hi - lo) / hi < 1e-3);
        }
        auto rms = [&, span = 16 / d.fc](const QString &q) {
            const double mean = m.value(q + "_m") / span;
            return std::sqrt(std::max(0.0, m.value(q + "_s") / span - mean * mean));
        };
        const CarrierFigures &a = run.analysis.idle;
        // BD's idle difference and AD's common mode are exactly 0 in the analysis: ngspice's are
        // held to 1e-4 of the output's voltage and of the inductor's current.
        const double vFloor = 1e-4 * a.outputVrms[0], iFloor = 1e-4 * a.inductorRippleRmsA[0];
        QList<carrierref::Check> rows;
        for (int s = 0; s < (d.full ? 2 : 1); ++s) {
            const QString side = QChar('A' + s), l = QString("l") + QChar('a' + s);
            rows << row("Zobel R " + side + " (W)",
                        std::pow(rms(QString("z") + QChar('a' + s)), 2) / d.Rz, a.zobelResistorW[s])
                 << row("ripple " + side + " (A pp)", m[l + "_max"] - m[l + "_min"],
                        a.inductorRipplePkPkA[s])
                 << row("ind rms " + side + " (A)", rms(l), a.inductorRippleRmsA[s])
                 << row("output " + side + " (V)", rms(QString("o") + QChar('a' + s)),
                        a.outputVrms[s]);
        }
        rows << row("Cf rms (A)", rms("cf"), a.filterCapRmsA, iFloor)
             << row("speaker (V)", rms(d.full ? "sv" : "oa"), a.speakerVrms, vFloor)
             << row("speaker (W)", rms("si") * rms("si") * d.Rs, a.speakerW, vFloor * vFloor / d.Rs)
             << row("common (V)", rms(d.full ? "cm" : "oa"), a.commonModeVrms, vFloor);
        QVERIFY(compare(kDesigns[design].name + QString(", idle"), rows, 0.03));
    }

    void atPower_data() { idle_data(); }
    void atPower()
    {
        QFETCH(int, design);
        const Design &d = kDesigns[design].d;
        const Run &run = g_runs[kDesigns[design].name];
        const Measured &m = run.power;
        QVERIFY2(m.contains("za_r") && m.contains("la_t5"), "ngspice gave no measurements");
        auto total = [&](const QString &q) {  // mean square less the mean's square
            return m.value(q + "_s") - m.value(q + "_m") * m.value(q + "_m");
        };
        auto carrier = [&](const QString &q) {
            return std::sqrt(std::max(0.0, m.value(q + "_r")));
        };
        // Steady state: the two audio periods alike.
        for (const QString q : {"za", "la", "si"}) {
            const double first = m.value(q + "_es") - std::pow(m.value(q + "_em"), 2),
                         second = total(q);
            QVERIFY(std::abs(first / second - 1) < 2e-3);
        }
        const AtPowerFigures &a = std::get<AtPowerFigures>(run.analysis.atPower);
        const double audioI = 2 * std::hypot(m["si_c"], m["si_n"]);
        // The ripple where the current peaks, over the five carrier periods around it: each top
        // less the mean of the troughs either side.
        auto ripple = [&](const QString &l) {
            double r = 0;
            for (int j = 0; j < 5; ++j)
                r += m[QString("%1_p%2").arg(l).arg(j)] -
                     0.5 * (m[QString("%1_t%2").arg(l).arg(j)] +
                            m[QString("%1_t%2").arg(l).arg(j + 1)]);
            return r / 5;
        };
        QList<carrierref::Check> rows{
            row("load (W)", audioI * audioI / 2 * d.Rs, kDesigns[design].loadW)};
        for (int s = 0; s < (d.full ? 2 : 1); ++s) {
            const QString side = QChar('A' + s), z = QString("z") + QChar('a' + s),
                          l = QString("l") + QChar('a' + s);
            rows << row("Zobel R " + side + " (W)", carrier(z) * carrier(z) / d.Rz,
                        a.carrier.zobelResistorW[s])
                 << row("Zobel tot " + side + " (W)", total(z) / d.Rz, a.zobelResistorTotalW[s])
                 << row("ripple " + side + " (A pp)", ripple(l), a.carrier.inductorRipplePkPkA[s])
                 << row("peak " + side + " (A)", m[l + "_pk"], a.inductorPeakA[s])
                 << row("ind rms " + side + " (A)", carrier(l), a.carrier.inductorRippleRmsA[s])
                 << row("ind tot " + side + " (A)", std::sqrt(total(l)), a.inductorRmsA[s])
                 << row("output " + side + " (V)", carrier(QString("o") + QChar('a' + s)),
                        a.carrier.outputVrms[s]);
        }
        rows << row("Cf rms (A)", carrier("cf"), a.carrier.filterCapRmsA)
             << row("Cf tot (A)", std::sqrt(total("cf")), a.filterCapRmsA)
             << row("speaker (V)", carrier(d.full ? "sv" : "oa"), a.carrier.speakerVrms)
             << row("speaker (W)", carrier("si") * carrier("si") * d.Rs, a.carrier.speakerW)
             << row("common (V)", carrier(d.full ? "cm" : "oa"), a.carrier.commonModeVrms,
                    1e-4 * a.carrier.outputVrms[0]);
        QVERIFY(compare(kDesigns[design].name + QString(", %1 W at %2 Hz, M %3")
                                                    .arg(kDesigns[design].loadW)
                                                    .arg(d.fc / kCarriersPerAudio)
                                                    .arg(a.modulationIndex, 0, 'f', 4),
                        rows, 0.05));
    }
};

QTEST_GUILESS_MAIN(TestCarrierSpice)
#include "tst_carrier_spice.moc"
