#!/usr/bin/env python3
# Independent reference for what the program writes about a design: the report, and the curves of
# the four graphs. The network is solved here with complex arithmetic (speaker, filter capacitor and
# Zobel branch as admittances, the load against the filter inductor as a divider), not with the
# program's expanded kernels; texts are made with Python's own number formatting.
#
# Design options as the command line takes them (defaults: the start-up design):
#     --filter-l UH --filter-c UF --zobel-c-par UF --zobel-r OHM --zobel-c-ser UF
#     --speaker-r OHM --speaker-l MH --full-bridge --load-power W
#
#     network.py report [options]          the 13-line report, bytes as the program writes them
#     network.py csv GRAPH [options]       impedance | gain | gain-zobel | power |
#                                          output-impedance, as CSV
#     network.py figures [options]         the six gain figures and the 7 kHz figure, with the
#                                          distance of each from a rounding tie
import argparse
import math
import sys

START = {"filter_l": "22", "filter_c": "1.0", "zobel_c_par": ".1", "zobel_r": "6",
         "zobel_c_ser": ".1", "speaker_r": "8", "speaker_l": ".67", "load_power": "50"}


def parse(argv):
    p = argparse.ArgumentParser()
    for name, value in START.items():
        p.add_argument("--" + name.replace("_", "-"), default=value)
    p.add_argument("--full-bridge", action="store_true")
    return p.parse_args(argv)


class Design:
    def __init__(self, o):
        self.texts = o
        self.full = o.full_bridge
        self.k = 2 if self.full else 1
        self.Rs = float(o.speaker_r)
        self.Ls = float(o.speaker_l) * 1e-3
        self.L = float(o.filter_l) * 1e-6 * self.k       # both legs in series across the bridge
        self.Cf = float(o.filter_c) * 1e-6
        self.Rz = float(o.zobel_r)
        self.Czp = float(o.zobel_c_par) * 1e-6
        self.Czs = float(o.zobel_c_ser) * 1e-6
        self.P = float(o.load_power)

    def load(self, w, zobel):
        """The admittance across the filter capacitor's terminals, speaker and Zobel included."""
        Y = 1 / complex(self.Rs, w * self.Ls) + 1j * w * self.Cf
        if zobel:
            # A capacitor left out is a tiny one; the resistor carries the program's factor.
            Czp, Czs, Rz = self.Czp or 1e-13, self.Czs or 1e-13, self.Rz * 1.0000001
            branch = 1 / (1 / (1j * w * Czs) + 1 / (1 / Rz + 1j * w * Czp))
            Y += branch / self.k  # two branches in series across the speaker in full bridge
        return Y

    def gain_dB(self, i, zobel):
        w = i * 6.28318 * 100
        ZL = 1 / self.load(w, zobel)
        return 20 * math.log10(abs(ZL / (ZL + 1j * w * self.L)))

    def impedance(self, i):
        return abs(complex(self.Rs, i * 6.28318 * 100 * self.Ls))

    # |Zout| the speaker sees: the filter inductance, the capacitor and the Zobel branches in
    # parallel; a Zobel capacitor left out is absent here.
    def output_impedance(self, i):
        w = i * 6.28318 * 100
        Y = 1 / (1j * w * self.L) + 1j * w * self.Cf
        if self.Czs:
            Y += 1 / (1 / (1j * w * self.Czs) + 1 / (1 / (self.Rz * 1.0000001) + 1j * w * self.Czp)) / self.k
        return abs(1 / Y)

    def dissipation(self, i):
        w = i * 6.28 * 100.0
        V = math.sqrt(self.Rs * self.P) / (2.0 if self.full else 1.0)
        Cp, Cs, R = self.Czp or 1e-13, self.Czs or 1e-13, self.Rz or 1e-13
        Zpar = 1 / (1 / R + 1j * w * Cp)
        return abs(V * Zpar / (Zpar + 1 / (1j * w * Cs))) ** 2 / R

    def curve(self, graph):
        if graph in ("impedance", "output-impedance"):
            ys = [(self.impedance if graph == "impedance" else self.output_impedance)(i) for i in range(1, 10001)]
            return [100.0] + [i * 100.0 for i in range(1, 10001)], [ys[0]] + ys
        if graph == "power":
            return [0.0] + [i * 100.0 for i in range(1, 1001)], [0.0] + [self.dissipation(i) for i in range(1, 1001)]
        zobel = graph == "gain-zobel"
        return [0.0] + [i * 100.0 for i in range(1, 10001)], [0.0] + [self.gain_dB(i, zobel) for i in range(1, 10001)]

    def figures(self, zobel):
        ys = [self.gain_dB(i, zobel) for i in range(1, 10001)]
        return max([0.0] + ys), ys[199], ys[3839]


def figure_text(v):
    r = round(v * 100) / 100          # Python rounds half to even
    s = repr(r)
    s = s[:-2] if s.endswith(".0") else s
    return ("0" if s == "-0" else s) + "dB"


def watt_text(v):
    n = math.trunc(v * 1000)
    s = "%s%d.%03d" % ("-" if n < 0 else "", abs(n) // 1000, abs(n) % 1000)
    s = s.rstrip("0").rstrip(".")
    return s + "W"


def report(d):
    t = d.texts
    cpar = "no cap." if float(t.zobel_c_par) == 0 else t.zobel_c_par + "uF"
    maximum, at20k, at384k = d.figures(True)
    rows = [("Lfilter:", t.filter_l + "uH"), ("Cfilter:", t.filter_c + "uF"),
            ("Rzobel:", t.zobel_r + " ohms"), ("Czobel parallel:", cpar),
            ("Czobel series:", t.zobel_c_ser + "uF"), ("Lspeaker:", t.speaker_l + "mH"),
            ("Rspeaker:", t.speaker_r + " ohms"), None,
            ("Maximum Filter Gain:", figure_text(maximum)),
            ("Net Filter Gain at 20khz:", figure_text(at20k)),
            ("Net Filter Gain at 384khz:", figure_text(at384k)),
            ("RMS power of Rzobel at 7khz:", watt_text(d.dissipation(70)))]
    lines = ["Topology: Full Bridge" if d.full else "Topology: Half Bridge"]
    lines += ["" if r is None else r[0].ljust(34) + r[1] for r in rows]
    return "".join(l + "\r\n" for l in lines).encode("latin-1")


def main():
    command, rest = sys.argv[1], sys.argv[2:]
    if command == "csv":
        graph, rest = rest[0], rest[1:]
        xs, ys = Design(parse(rest)).curve(graph)
        header = {"impedance": "frequency_Hz,impedance_ohm", "output-impedance": "frequency_Hz,impedance_ohm", "power": "frequency_Hz,power_W"}.get(graph, "frequency_Hz,gain_dB")
        sys.stdout.write(header + "\n" + "".join("%r,%r\n" % (x, y) for x, y in zip(xs, ys)))
    elif command == "report":
        sys.stdout.buffer.write(report(Design(parse(rest))))
    elif command == "figures":
        d = Design(parse(rest))
        values = list(d.figures(False)) + list(d.figures(True))
        for v in values:
            print(figure_text(v), "tie margin %.3g" % abs((v * 100) % 1 - 0.5))
        w = d.dissipation(70)
        print(watt_text(w), "cut margin %.3g" % min((w * 1000) % 1, 1 - (w * 1000) % 1))
    else:
        sys.exit("unknown command " + command)


if __name__ == "__main__":
    main()
