// The idle carrier analysis against ngspice: each design built as a transient circuit (PULSE legs
// with 5 ns edges), started at t = 0 from the periodic state the reference (carrierreference.h)
// computes, so that the filter's slow resonance (its Q reaches 100 with an inductive speaker) is
// not rung up and a few dozen carrier periods suffice. Every figure is an integral over the last
// 16 whole periods (.meas INTEG, which interpolates at the window's ends, unlike AVG and RMS).
// At a load power, a saturating inductor's peak current and ripple there, the inductor built from
// its flux.
#include "carrierreference.h"
#include "core/carrier/carrier.h"

#include <QMap>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>

#include <charconv>

namespace {

using carrierref::Design;

const QList<std::pair<const char *, Design>> kDesigns{
    // L, Cf, Rz, Czp, Czs, Rs, Ls, full bridge, AD, supply, switching frequency
    {"half bridge, start-up, 384 kHz",
     {22e-6, 1e-6, 6, 1e-7, 1e-7, 8, 0.67e-3, false, false, 48, 384e3}},
    {"full bridge AD, start-up, 384 kHz",
     {22e-6, 1e-6, 6, 1e-7, 1e-7, 8, 0.67e-3, true, true, 48, 384e3}},
    {"full bridge BD, no Czp, 250 kHz",
     {33e-6, 0.47e-6, 10, 0, 0.1e-6, 6, 0.3e-3, true, false, 60, 250e3}},
};

// The quantities measured, name and ngspice expression; the last five in full bridge only.
const QList<std::pair<QByteArray, QByteArray>> kQuantities{
    {"za", "v(za)"},       {"la", "i(la)"},          {"cf", "i(vcf)"}, {"si", "i(ls)"},
    {"oa", "v(oa)"},       {"zb", "v(zb)"},          {"lb", "i(lb)"},  {"ob", "v(ob)"},
    {"sv", "v(oa)-v(ob)"}, {"cm", "(v(oa)+v(ob))/2"}};

QByteArray num(double v)
{
    char b[32];
    return QByteArray(b, std::to_chars(b, b + sizeof b, v).ptr - b);
}

// A saturating inductor, its flux integrated on Cint: the current a pwl of the flux
// L0 integral_0^i r(x) dx, by the midpoint rule on 1 mA steps, every 50 mA up to 8 A.
QByteArray saturatingLa(const Design &d, const DeratingCurve &curve, double i0)
{
    std::vector<double> f{0};  // at 0, 1, 2 .. mA
    while (f.size() <= 8000)
        f.push_back(f.back() + d.L * deratingRatio(curve, (f.size() - 0.5) / 1e3) / 1e3);
    const auto flux = [&](double i) { return std::copysign(f[std::lround(std::abs(i) * 1e3)], i); };
    QByteArray c = "Vla sa sx 0\nBint 0 fl I=v(sa,oa)\nCint fl 0 1 ic=" + num(flux(i0)) +
                   "\nBla sx oa I=pwl(v(fl)";
    for (int k = -160; k <= 160; ++k) c += ',' + num(flux(k * 0.05)) + ',' + num(k * 0.05);
    return c + ")\n";
}

// The circuit, started from the reference's state at t = 0 (uic), run for `periods` periods; at
// power (d.M > 0, half bridge) naturally sampled, a triangle from -1 at t = 0 to 1 at T/2 against
// the sine, the leg ramping in 10 ns, into the inductor of `curve` (empty: an ideal one).
QByteArray netlist(const Design &d, int periods, const DeratingCurve &curve = {})
{
    const carrierref::Result s = carrierref::reference(d);
    const double T = 1 / d.fc, h = d.Vs / 2, end = periods * T, from = end - 16 * T;
    const QByteArray low = d.full ? "ob " : "0 ";
    // Leg A high for |t| < T/4, edges centred on +-T/4.
    const QByteArray timing =
        ' ' + num(T / 4 - 2.5e-9) + " 5n 5n " + num(T / 2 - 5e-9) + ' ' + num(T) + ")\n";
    const QByteArray pwm = "Vtri tri 0 PULSE(-1 1 0 " + num(T / 2) + ' ' + num(T / 2) + " 1p " +
                           num(T) + ")\nBa sa 0 V=" + num(h) + "*max(-1,min(1,(" + num(d.M) +
                           "*cos(" + num(2 * M_PI * d.fc / d.k) + "*time)-v(tri))/" +
                           num(10e-9 / T) + "))\n";
    QByteArray c =
        "* carrier\n" + (d.M == 0 ? "Va sa 0 PULSE(" + num(h) + ' ' + num(-h) + timing +
                                        "La sa oa " + num(d.L) + " ic=" + num(s.iLa) + '\n'
                                  : pwm + saturatingLa(d, curve, s.iLa));
    c += "Vcf oa cf 0\nCf cf " + low + num(d.Cf) + " ic=" + num(s.voa - s.vob) + "\nRs oa sm " +
         num(d.Rs) + "\nLs sm " + low + num(d.Ls) + " ic=" + num(s.iLs) + '\n';
    auto zobel = [&](const QByteArray &side, double vo, double vz) {
        c += "Czs" + side + " o" + side + " z" + side + ' ' + num(d.Czs) + " ic=" + num(vo - vz) +
             "\nRz" + side + " z" + side + " 0 " + num(d.Rz) + '\n';
        if (d.Czp > 0)
            c += "Czp" + side + " z" + side + " 0 " + num(d.Czp) + " ic=" + num(vz) + '\n';
    };
    zobel("a", s.voa, s.vza);
    if (d.full) {
        c += "Vb sb 0 PULSE(" + num(d.ad ? -h : h) + ' ' + num(d.ad ? h : -h) + timing;
        c += "Lb sb ob " + num(d.L) + " ic=" + num(s.iLb) + '\n';
        zobel("b", s.vob, s.vzb);
    }
    c += ".tran 1n " + num(end) + " 0 " + num(T / 400) + " uic\n.control\nrun\n";
    const QByteArray audio = " from=" + num(d.k * T) + " to=" + num(2 * d.k * T) + '\n';
    if (d.M > 0)  // the highest current in the second audio period, the troughs either side
        return c + "meas tran lpk max i(vla)" + audio + "meas tran lat max_at i(vla)" + audio +
               "let t0 = lat-" + num(T) + "\nlet t1 = lat+" + num(T) +
               "\nmeas tran llo min i(vla) from=$&t0 to=$&lat\nmeas tran lhi min i(vla) from=$&lat "
               "to=$&t1\n.endc\n.end\n";
    // Integrals of each quantity and its square (names q_m, q_s); each inductor's last period.
    for (const auto &[n, expr] : kQuantities.mid(0, d.full ? 10 : 5))
        c += "let " + n + "x = " + expr + "\nlet " + n + "x2 = " + n + "x*" + n + "x\nmeas tran " +
             n + "_m integ " + n + "x from=" + num(from) + " to=" + num(end) + "\nmeas tran " + n +
             "_s integ " + n + "x2 from=" + num(from) + " to=" + num(end) + '\n';
    for (const QByteArray l : {"la", "lb"})
        if (d.full || l == "la")
            c += "meas tran " + l + "_max max i(" + l + ") from=" + num(end - T) +
                 " to=" + num(end) + "\nmeas tran " + l + "_min min i(" + l +
                 ") from=" + num(end - T) + " to=" + num(end) + '\n';
    return c + ".endc\n.end\n";
}

// ngspice's (scripts/setup.sh installs it) measurements of a netlist on its input: name, value.
QMap<QString, double> spice(const QByteArray &netlist)
{
    QProcess ngspice;
    ngspice.start("ngspice", {"-b"});
    ngspice.write(netlist);
    ngspice.closeWriteChannel();
    ngspice.waitForFinished(600000);
    QMap<QString, double> m;
    static const QRegularExpression re("^(\\w+) += +(\\S+)", QRegularExpression::MultilineOption);
    for (const auto &x : re.globalMatch(QString::fromLatin1(ngspice.readAllStandardOutput())))
        m.insert(x.captured(1), x.captured(2).toDouble());
    return m;
}

}  // namespace

class TestCarrierSpice : public QObject
{
    Q_OBJECT

private slots:
    void idle_data()
    {
        QTest::addColumn<int>("design");
        for (int i = 0; i < kDesigns.size(); ++i) QTest::newRow(kDesigns[i].first) << i;
    }
    // Each carrier figure, ngspice's beside the analysis's.
    void idle()
    {
        QFETCH(int, design);
        const Design &d = kDesigns[design].second;
        const QMap<QString, double> m = spice(netlist(d, 48));
        QVERIFY2(m.contains("za_s") && m.contains("la_max"), "ngspice gave no measurements");
        auto rms = [&, span = 16 / d.fc](const QString &q) {
            const double mean = m.value(q + "_m") / span;
            return std::sqrt(std::max(0.0, m.value(q + "_s") / span - mean * mean));
        };
        const CarrierFigures a =
            idleCarrier({d.L, d.Cf, d.Rz, d.Czp, d.Czs, d.full, speakerRL(d.Rs, d.Ls)}, d.Vs, d.fc,
                        d.ad ? Modulation::ad : Modulation::bd);
        // BD's idle difference and AD's common mode are exactly 0 in the analysis: ngspice's are
        // held to 1e-4 of the output's voltage and of the inductor's current.
        const double vFloor = 1e-4 * a.outputVrms[0], iFloor = 1e-4 * a.inductorRippleRmsA[0];
        const auto row = [](const QString &name, double spice, double analysis, double floor = 0) {
            return carrierref::Check{name, spice, analysis, 0.03, analysis == 0 ? floor : 0};
        };
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
        QVERIFY(carrierref::agree(kDesigns[design].first + QString(", idle"), rows,
                                  "(ngspice, analysis)"));
    }

    // Half bridge at 6 kHz into a resistive speaker, whose low Q lets the start from the ideal
    // inductor's state settle in the first audio period: the peak current over the second and the
    // ripple there (the peak less the mean of the troughs either side).
    void saturating_data()
    {
        QTest::addColumn<double>("watts");
        for (const auto &[percent, watts] : {std::pair{95, 4.5}, {85, 10.0}, {75, 18.0}})
            QTest::addRow("L at the peak near %d %%, %g W", percent, watts) << watts;
    }
    void saturating()
    {
        QFETCH(double, watts);
        const DeratingCurve curve{{1.5, 1}, {2.5, 0.8}, {3.5, 0.6}};
        Design d{22e-6, 1e-6, 6, 1e-7, 1e-7, 8, 0, false, false, 48, 384e3, 0, 64};
        const auto a = std::get<AtPowerFigures>(
            analyzeCarrier({d.L, d.Cf, d.Rz, d.Czp, d.Czs, false, speakerRL(d.Rs, 0), curve},
                           {d.Vs, d.fc, Modulation::bd, d.fc / d.k, watts})
                .atPower);
        d.M = a.modulationIndex;
        QMap<QString, double> m = spice(netlist(d, 2 * d.k + 2, curve));
        QVERIFY(carrierref::agree(QTest::currentDataTag(),
                                  {{"peak (A)", m["lpk"], a.inductorPeakA[0], 0.05},
                                   {"ripple there (A pp)", m["lpk"] - (m["llo"] + m["lhi"]) / 2,
                                    a.carrier.inductorRipplePkPkA[0], 0.05}},
                                  "(ngspice, analysis)"));
    }
};

QTEST_GUILESS_MAIN(TestCarrierSpice)
#include "tst_carrier_spice.moc"
