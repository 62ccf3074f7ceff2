#include "core/files/netlist.h"

#include "core/common/figuretext.h"
#include "core/network/parasitics.h"
#include "core/network/sweeps.h"
#include "core/network/valuelists.h"

#include <utility>
#include <vector>

namespace {

struct Netlist {
    QByteArray text;
    ParasiticNetwork net;  // the values, the parts' parasitics included

    void line(const QByteArray &l) { text += l + '\n'; }
    void part(const QByteArray &name, const QByteArray &a, const QByteArray &b, double value)
    {
        line(name + ' ' + a + ' ' + b + ' ' + roundTripText(value));
    }
    // Elements in series from a to b, those of value 0 left out; an inner node is named after
    // the element before it ("L1 in nl1", "RL1 nl1 out").
    void series(const QByteArray &a, const QByteArray &b,
                std::initializer_list<std::pair<QByteArray, double>> elements)
    {
        std::vector<std::pair<QByteArray, double>> present;
        for (const auto &e : elements)
            if (e.second != 0.0)
                present.push_back(e);
        QByteArray node = a;
        for (std::size_t k = 0; k < present.size(); ++k) {
            const QByteArray next = k + 1 == present.size() ? b : 'n' + present[k].first.toLower();
            part(present[k].first, node, next, present[k].second);
            node = next;
        }
    }
    // A filter inductor: L and its DCR in series, the self-resonance's capacitance across both.
    void inductor(const QByteArray &id, const QByteArray &a, const QByteArray &b)
    {
        series(a, b, {{'L' + id, net.L}, {"RL" + id, net.dcr}});
        if (net.cp != 0.0)
            part("CL" + id, a, b, net.cp);
    }
    // A capacitor with its ESR and ESL in series; nothing for one of 0 F.
    void capacitor(const QByteArray &name, const QByteArray &a, const QByteArray &b, double c,
                   double esr, double esl)
    {
        if (c != 0.0)
            series(a, b, {{name, c}, {'R' + name, esr}, {'L' + name, esl}});
    }
    // One Zobel branch from `from` to ground: the series capacitor, then the resistor (with its
    // series inductance) and the parallel capacitor across it.
    void zobel(const QByteArray &from, const QByteArray &id)
    {
        if (net.czs == 0.0)
            return;
        capacitor("CZS" + id, from, 'z' + id, net.czs, net.czsEsr, net.czsEsl);
        series('z' + id, "0", {{"RZ" + id, net.rzPower}, {"LRZ" + id, net.rzL}});
        capacitor("CZP" + id, 'z' + id, "0", net.czp, net.czpEsr, net.czpEsl);
    }
    // The filter between the drive and the output(s): half bridge in -> out, full bridge
    // inp -> outp and inn -> outn with the capacitor across the outputs.
    void filter(bool full, bool withZobel)
    {
        if (full) {
            inductor("1", "inp", "outp");
            inductor("2", "inn", "outn");
            capacitor("C1", "outp", "outn", net.cf, net.cfEsr, net.cfEsl);
            if (withZobel) {
                zobel("outp", "1");
                zobel("outn", "2");
            }
        } else {
            inductor("1", "in", "out");
            capacitor("C1", "out", "0", net.cf, net.cfEsr, net.cfEsl);
            if (withZobel)
                zobel("out", "1");
        }
    }
    // The speaker model between a and b: the design's resistance and inductance, or a
    // voice-coil model.
    const VoiceCoil *coil = nullptr;
    void speaker(const DesignRecord &rec, const QByteArray &a, const QByteArray &b)
    {
        if (coil) {
            part("RVC1", a, "vc1", coil->Re);
            part("LVC1", "vc1", "vc2", coil->Le);
            part("RVC2", "vc2", b, coil->R2);
            part("LVC2", "vc2", b, coil->L2);
            return;
        }
        const double inductance = si::fromMilli(rec.actual_l_net);
        part("RS", a, inductance == 0.0 ? b : "sl", rec.speaker_r_modeval);
        if (inductance != 0.0)
            part("LS", "sl", b, inductance);
    }
};

QByteArray designLine(const DesignRecord &rec)
{
    const SchematicCaptions c = schematicCaptions(rec);
    const QString text =
        QStringLiteral(
            "* Quorvel filter, %1 bridge: Lfilter %2, Cfilter %3, Rzobel %4 ohms, Czobel parallel "
            "%5, Czobel series %6, Lspeaker %7, Rspeaker %8 ohms")
            .arg(rec.full_bridge_select == kFlagTrue ? QStringLiteral("full")
                                                     : QStringLiteral("half"),
                 c.lfilter, c.cfilter, c.rzobel_par, c.czobel_par, c.czobel_ser, c.lspeaker,
                 c.rspeaker);
    return text.toLatin1();
}

}  // namespace

QByteArray spiceNetlist(const DesignRecord &rec, GraphKind kind, const VoiceCoil *voiceCoil)
{
    if (kind == GraphKind::power)
        return {};
    const bool output = kind == GraphKind::outputImpedance;
    Netlist n;
    n.coil = voiceCoil;
    n.net = parasiticNetwork(rec);
    n.line(designLine(rec));
    if (voiceCoil && !output)
        n.line("* The speaker is the voice-coil model fitted to a measured speaker: Re " +
               roundTripText(voiceCoil->Re) + ", Le " + roundTripText(voiceCoil->Le) + ", R2 " +
               roundTripText(voiceCoil->R2) + ", L2 " + roundTripText(voiceCoil->L2));
    if (rec.parts.hasParasitics())
        n.line(
            "* With the parts' DCR, ESR, ESL, resistor inductance, and self-resonance as a "
            "capacitance across each inductor");
    const bool full = rec.full_bridge_select == kFlagTrue;
    QByteArray print;
    if (kind == GraphKind::impedance) {
        n.line("* Speaker impedance in ohm: 1 A into the speaker, so vm(spk) in volts reads ohms");
        n.line("I1 0 spk DC 0 AC 1");
        n.speaker(rec, "spk", "0");
        print = "vm(spk)";
    } else if (output) {
        n.line(
            "* Output impedance in ohm the speaker sees: the drive shorted, the speaker removed, "
            "1 A into the output, so its voltage reads ohms");
        n.line(full ? "V1 inp 0 DC 0\nV2 inn 0 DC 0" : "V1 in 0 DC 0");
        n.filter(full, true);
        n.line(full ? "I1 outn outp DC 0 AC 1" : "I1 0 out DC 0 AC 1");
        print = full ? "vm(outp,outn)" : "vm(out)";
    } else {
        const bool withZobel = kind == GraphKind::gainZobel;
        n.line(withZobel ? "* Filter gain in dB with the Zobel network"
                         : "* Filter gain in dB without the Zobel network");
        if (full) {
            n.line("* Balanced drive: 0.5 V on each leg in opposite phase, 1 V across the bridge");
            n.line("V1 inp 0 DC 0 AC 0.5");
            n.line("V2 inn 0 DC 0 AC 0.5 180");
        } else {
            n.line("V1 in 0 DC 0 AC 1");
        }
        n.filter(full, withZobel);
        n.speaker(rec, full ? "outp" : "out", full ? "outn" : "0");
        print = full ? "vdb(outp,outn)" : "vdb(out)";
    }
    n.line(".ac dec 100 " + roundTripText(gridFrequency(1)) + ' ' +
           roundTripText(gridFrequency(kSweepPoints)));
    n.line(".print ac " + print);
    n.line("* twelve significant digits in the printed table");
    n.line(".control\nset numdgt=12\n.endc");
    n.line(".end");
    return n.text;
}
