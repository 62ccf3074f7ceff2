#include "core/files/netlist.h"

#include "core/common/figuretext.h"
#include "core/network/sweeps.h"
#include "core/network/valuelists.h"

namespace {

struct Netlist {
    QByteArray text;

    void line(const QByteArray &l) { text += l + '\n'; }
    void part(const QByteArray &name, const QByteArray &a, const QByteArray &b, double value)
    {
        line(name + ' ' + a + ' ' + b + ' ' + roundTripText(value));
    }
    // One Zobel branch from `from` to ground: the series capacitor, then the resistor with the
    // parallel capacitor across it.
    void zobel(const DesignRecord &rec, const QByteArray &from, const QByteArray &id)
    {
        if (rec.zobel_c_serval == 0.0)
            return;
        part("CZS" + id, from, 'z' + id, rec.zobel_c_serval);
        part("RZ" + id, 'z' + id, "0", rec.zobel_r_parval);
        if (rec.zobel_c_parval != 0.0)
            part("CZP" + id, 'z' + id, "0", rec.zobel_c_parval);
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
    Netlist n;
    n.coil = voiceCoil;
    n.line(designLine(rec));
    if (voiceCoil)
        n.line("* The speaker is the voice-coil model fitted to a measured speaker: Re " +
               roundTripText(voiceCoil->Re) + ", Le " + roundTripText(voiceCoil->Le) + ", R2 " +
               roundTripText(voiceCoil->R2) + ", L2 " + roundTripText(voiceCoil->L2));
    const bool full = rec.full_bridge_select == kFlagTrue;
    QByteArray print;
    if (kind == GraphKind::impedance) {
        n.line("* Speaker impedance in ohm: 1 A into the speaker, so vm(spk) in volts reads ohms");
        n.line("I1 0 spk DC 0 AC 1");
        n.speaker(rec, "spk", "0");
        print = "vm(spk)";
    } else {
        const bool withZobel = kind == GraphKind::gainZobel;
        n.line(withZobel ? "* Filter gain in dB with the Zobel network"
                         : "* Filter gain in dB without the Zobel network");
        const double leg = rec.filter_l_par_modeval;
        const double cf = si::fromMicro(rec.filter_c_par_modeval);
        if (full) {
            n.line("* Balanced drive: 0.5 V on each leg in opposite phase, 1 V across the bridge");
            n.line("V1 inp 0 DC 0 AC 0.5");
            n.line("V2 inn 0 DC 0 AC 0.5 180");
            n.part("L1", "inp", "outp", leg);
            n.part("L2", "inn", "outn", leg);
            n.part("C1", "outp", "outn", cf);
            if (withZobel) {
                n.zobel(rec, "outp", "1");
                n.zobel(rec, "outn", "2");
            }
            n.speaker(rec, "outp", "outn");
            print = "vdb(outp,outn)";
        } else {
            n.line("V1 in 0 DC 0 AC 1");
            n.part("L1", "in", "out", leg);
            n.part("C1", "out", "0", cf);
            if (withZobel)
                n.zobel(rec, "out", "1");
            n.speaker(rec, "out", "0");
            print = "vdb(out)";
        }
    }
    n.line(".ac dec 100 " + roundTripText(gridFrequency(1)) + ' ' +
           roundTripText(gridFrequency(kSweepPoints)));
    n.line(".print ac " + print);
    n.line("* twelve significant digits in the printed table");
    n.line(".control\nset numdgt=12\n.endc");
    n.line(".end");
    return n.text;
}
