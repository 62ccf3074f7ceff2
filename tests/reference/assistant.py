#!/usr/bin/env python3
# Independent reference for `quorvel synthesize`, the design assistant: for a sample of the rows it
# answers, the filter and Zobel items read back from the row, the worst-case peak over the map's
# load set, the gain at 20 kHz, the carrier attenuation and the Zobel dissipation, computed by
# complex arithmetic on the whole sweep grid (tradeoff.py's solution of the filter). That the rows
# meet the limits and make the whole front is tst_assistant's brute force.
#
#     assistant.py QUORVEL [--sample N] [--seed S]
#
# The carrier attenuation is minus the with-Zobel gain at 384 kHz, or at the switching frequency
# when one is given (w = f / 100 x 6.28318 x 100, the grid's own arithmetic).
import argparse
import math
import os
import random
import subprocess
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import tradeoff  # noqa: E402

HEADER = ("filter_l,filter_c,zobel_c_par,zobel_r,zobel_c_ser,worst_peak_dB,gain_20k_dB,"
          "carrier_attenuation_dB,zobel_W,ripple_App")

# Each design with its limits and the items on no list that a design file brings, each of which
# must make a row of the answer: (options, {limit: value}, [(column, item)]).
DESIGNS = [
    (["--speaker-r", "8", "--speaker-l", ".67", "--load-power", "50"], {"max-peak-dB": 3.0}, []),
    (["--full-bridge", "--speaker-r", "4", "--speaker-l", ".2", "--load-power", "100",
      "--supply", "48", "--fsw", "500"], {"max-peak-dB": 5.0, "min-attenuation-dB": 25.0}, []),
    (["--speaker-r", "6", "--speaker-l", "1.5", "--load-power", "20"],
     {"max-peak-dB": 6.0, "gain-20k-dB": (-3.0, 1.5), "max-zobel-W": 2.0}, []),
    # The file's 33 uH and 2.2 uF parts join the lists, their parasitics dropped.
    (["--design", os.path.join(os.path.dirname(__file__), "..", "fuzz", "design",
                               "accept-parts-every-field.quorvel"), "--ideal", "--full-bridge",
      "--speaker-r", "8", "--speaker-l", ".67", "--load-power", "100", "--supply", "60",
      "--fsw", "400", "--modulation", "bd"], {"max-peak-dB": 3.0}, [(0, "33")]),
    # Its Zobel parts (.05 and .25 uF, 7.5 ohm) join the Zobel lists, and the capacitors the
    # filter capacitor's.
    (["--design", os.path.join(os.path.dirname(__file__), "zobel-parts.quorvel"), "--ideal",
      "--speaker-r", "8", "--speaker-l", ".67", "--load-power", "50"], {"max-peak-dB": 3.0},
     [(1, ".05"), (2, ".05"), (3, "7.5")]),
]


def limit_options(limits):
    out = []
    for name, value in limits.items():
        if isinstance(value, tuple):
            out.append("--%s=%r:%r" % (name, value[0], value[1]))
        else:
            out.append("--%s=%r" % (name, value))
    return out


def attenuation(d, w):
    Czp, Czs, Rz = d.Czp or 1e-13, d.Czs or 1e-13, d.Rz * 1.0000001
    zobel = 1 / (1 / (1j * w * Czs) + 1 / (1 / Rz + 1j * w * Czp)) / d.k
    ZL = 1 / (1 / complex(d.Rs, w * d.Ls) + 1j * w * d.Cf + zobel)
    return -20 * math.log10(abs(ZL / (ZL + 1j * w * d.L)))


def check(program, options, limits, needs, sample, seed):
    done = subprocess.run([program, "synthesize"] + options + limit_options(limits),
                          capture_output=True)
    if done.returncode != 0:
        return ["exit %d: %s" % (done.returncode, done.stderr.decode())], []
    lines = done.stdout.decode().split("\n")
    if lines[0] != HEADER or lines[-1] != "" or len(lines) < 3:
        return ["header or line count: %r ... %d lines" % (lines[0], len(lines))], []
    rows, items = [], []
    for line in lines[1:-1]:
        f = line.split(",")
        items.append(f[:5])
        rows.append(tuple(float(x) for x in f[5:9]))
    notes = []
    problems = ["no row with the design file's %s in column %d" % (item, column)
                for column, item in needs if not any(it[column] == item for it in items)]
    base, carrier = tradeoff.design_of(options)
    fsw = float(carrier["fsw"]) * 1e3 if carrier.get("fsw") else 384e3
    w = (fsw / 100) * 6.28318 * 100
    worst = 0.0
    for i in sorted(random.Random(seed).sample(range(len(rows)), min(sample, len(rows)))):
        o = argparse.Namespace(**vars(base))
        o.filter_l, o.filter_c = items[i][:2]
        net = tuple(items[i][2:5])
        d = tradeoff.with_network(o, net)
        loads = [[1 / complex(d.Rs if r is None else r, x * d.Ls) + 1j * x * d.Cf
                  for x in tradeoff.GRID] for r in tradeoff.LOADS]
        peak, seven, idle, g20k = tradeoff.reference_row(o, carrier, net, loads)
        att = attenuation(d, w)
        got = rows[i]
        watts = seven + idle
        worst = max(worst, abs(got[0] - peak), abs(got[1] - g20k), abs(got[2] - att))
        ok = (tradeoff.close_dB(got[0], peak) and tradeoff.close_dB(got[1], g20k)
              and tradeoff.close_dB(got[2], att)
              and abs(got[3] - watts) <= 1e-9 * watts + tradeoff.CARRIER_TAIL * idle)
        if not ok:
            problems.append("%s: program %r, reference %r %r %r %r" % (
                ",".join(items[i]), got, peak, g20k, att, watts))
    notes.append("%d rows sampled of %d: worst dB difference %.2g"
                 % (min(sample, len(rows)), len(rows), worst))
    return problems, notes


def main():
    return tradeoff.run_cases(
        DESIGNS, lambda program, case, sample, seed: check(program, *case, sample, seed),
        lambda case: " ".join(case[0] + limit_options(case[1])), 14)


if __name__ == "__main__":
    sys.exit(main())
