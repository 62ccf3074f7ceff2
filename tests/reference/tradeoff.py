#!/usr/bin/env python3
# Independent reference for `quorvel explore`, the trade-off map: for each Zobel network of the
# lists, its worst-case peak over the load set, its dissipation and its gain at 20 kHz, computed by
# complex arithmetic on the whole sweep grid (network.py's solution of the filter), and the Pareto
# front of the program's own figures.
#
# Loads: the design's speaker; 2, 4, 8, 16 ohm and 1 Gohm (no speaker), each in series with the
# speaker's inductance. The peak is the largest gain over i = 1 .. 10000 (w = i 6.28318 100) from
# 0 dB up. The dissipation is the Power window's 7 kHz figure at the load power, plus, when a supply
# and a switching frequency are given, the idle carrier's power in one Zobel resistor: the legs'
# square waves (0 to the supply, half duty; full bridge: in phase for BD, in anti-phase for AD)
# summed harmonic by harmonic through the filter's node equations, solved here as a 2 x 2 system.
#
#     tradeoff.py check QUORVEL [--sample N] [--seed S]
#
# runs the program for each design below and compares a seeded sample of N networks per design
# (every figure within 1e-9: relative for watts, and for dB as a ratio or relative to the value) and
# the whole Pareto set (the rule applied here to all of the program's rows).
import argparse
import cmath
import math
import os
import random
import subprocess
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import network  # noqa: E402

C_LIST = ["0", ".047", ".082", ".1", ".12", ".15", ".18", ".22", ".27", ".33", ".42", ".47", ".56",
          ".68", ".82", "1.0"]
R_LIST = ["1", "3", "5", "6", "8", "10", "12", "15", "18", "20", "22", "27", "33", "47", "56", "68",
          "82", "100"]
NETWORKS = [(c, r, s) for c in C_LIST for r in R_LIST for s in C_LIST]  # c_ser innermost
LOADS = [None, 2.0, 4.0, 8.0, 16.0, 1e9]  # None: the design's own speaker

DESIGNS = [
    ["--speaker-r", "8", "--speaker-l", ".67", "--filter-l", "22", "--filter-c", "1.0",
     "--load-power", "50"],
    ["--full-bridge", "--speaker-r", "4", "--speaker-l", ".2", "--filter-l", "10",
     "--filter-c", ".47", "--load-power", "100"],
    ["--full-bridge", "--speaker-r", "6", "--speaker-l", "1.5", "--filter-l", "27",
     "--filter-c", "1.5", "--load-power", "20", "--supply", "48", "--fsw", "384",
     "--modulation", "bd"],
    ["--speaker-r", "2", "--speaker-l", "0", "--filter-l", "15", "--filter-c", "2.0",
     "--load-power", "7.5", "--supply", "40", "--fsw", "500"],
]
HEADER = "zobel_c_par,zobel_r,zobel_c_ser,worst_peak_dB,zobel_W,gain_20k_dB,pareto"
CARRIER_TAIL = 1e-3  # the program stops summing harmonics once the rest is below this share


def design_of(args):
    """network.Design for the options, the carrier options split off."""
    carrier, rest, k = {}, [], 0
    while k < len(args):
        if args[k] in ("--supply", "--fsw", "--modulation"):
            carrier[args[k][2:]] = args[k + 1]
            k += 2
        elif args[k] in ("--design", "--ideal"):  # a file the options here repeat, parts ideal
            k += 2 if args[k] == "--design" else 1
        else:
            rest.append(args[k])
            k += 1
    return network.parse(rest), carrier


def with_network(options, net):
    o = argparse.Namespace(**vars(options))
    o.zobel_c_par, o.zobel_r, o.zobel_c_ser = net
    return network.Design(o)


GRID = [i * 6.28318 * 100 for i in range(1, 10001)]


def peaks(d, w, loads):
    """The largest gain (dB, from 0 up) for each load, and the gain at 20 kHz for the design's."""
    Czp, Czs, Rz = d.Czp or 1e-13, d.Czs or 1e-13, d.Rz * 1.0000001
    zobel = [1 / (1 / (1j * x * Czs) + 1 / (1 / Rz + 1j * x * Czp)) / d.k for x in w]
    jwL = [1j * x * d.L for x in w]
    out = []
    for Y in loads:
        top = max(abs(z / (z + l)) for z, l in zip((1 / (y + yz) for y, yz in zip(Y, zobel)), jwL))
        out.append(max(0.0, 20 * math.log10(top)))
    ZL = 1 / (loads[0][199] + zobel[199])
    return out, 20 * math.log10(abs(ZL / (ZL + jwL[199])))


def idle_carrier(d, supply, fsw, modulation):
    """Idle carrier power (W) in leg A's Zobel resistor."""
    Czp, Czs, Rz = d.Czp or 1e-13, d.Czs or 1e-13, d.Rz
    total = 0.0
    for m in range(1, 2000, 2):
        w = 2 * math.pi * fsw * m
        a = 2 * supply / (math.pi * m) * (1 if m % 4 == 1 else -1)  # leg A's cos(m x) amplitude
        Zp = Rz / (1 + 1j * w * Rz * Czp)
        Yz = 1 / (Zp + 1 / (1j * w * Czs))
        Yl = d.k / (1j * w * d.L)  # one leg's inductor
        Yx = 1j * w * d.Cf + 1 / complex(d.Rs, w * d.Ls)  # across the outputs (full bridge)
        if d.full:
            b = a if modulation == "bd" else -a
            # Nodes A and B: (Va - VA) Yl = Yz VA + Yx (VA - VB), and the same for B.
            m11, m12 = Yl + Yz + Yx, -Yx
            det = m11 * m11 - m12 * m12
            VA = (Yl * a * m11 - m12 * Yl * b) / det
        else:
            VA = Yl * a / (Yl + Yz + Yx)
        total += 0.5 * abs(Yz * VA) ** 2 * Zp.real
    return total


def reference_row(options, carrier, net, loads):
    d = with_network(options, net)
    per_load, g20k = peaks(d, GRID, loads)
    if net[2] == "0":  # no series capacitor: no Zobel branch, nothing dissipated
        return max(per_load), 0.0, 0.0, g20k
    idle = idle_carrier(d, float(carrier["supply"]), float(carrier["fsw"]) * 1e3,
                        carrier.get("modulation", "bd")) if carrier.get("supply") else 0.0
    return max(per_load), d.dissipation(70), idle, g20k


def pareto(rows):
    """Indices on the front: no other row as cheap and as low, and cheaper or lower."""
    order = sorted(range(len(rows)), key=lambda i: (rows[i][0], rows[i][1]))
    front, lowest_cheaper, k = set(), math.inf, 0
    while k < len(order):
        cost = rows[order[k]][0]
        group = []
        while k < len(order) and rows[order[k]][0] == cost:
            group.append(order[k])
            k += 1
        low = min(rows[i][1] for i in group)
        if low < lowest_cheaper:
            front.update(i for i in group if rows[i][1] == low)
        lowest_cheaper = min(lowest_cheaper, low)
    return front


def close_dB(got, want):
    return abs(got - want) <= 1e-9 * abs(want) + 20 * math.log10(1 + 1e-9)


def check(program, design, sample, seed):
    done = subprocess.run([program, "explore"] + design, capture_output=True)
    if done.returncode != 0:
        return ["exit %d: %s" % (done.returncode, done.stderr.decode())], []
    lines = done.stdout.decode().split("\n")
    problems, notes = [], []
    if lines[0] != HEADER or lines[-1] != "" or len(lines) != len(NETWORKS) + 2:
        return ["header or line count: %r ... %d lines" % (lines[0], len(lines))], []
    rows = []
    for line, net in zip(lines[1:-1], NETWORKS):
        f = line.split(",")
        if tuple(f[:3]) != net:
            return ["row %s out of order: %s" % (net, line)], []
        rows.append((float(f[4]), float(f[3]), float(f[5]), f[6]))  # cost, peak, 20 kHz, pareto

    options, carrier = design_of(design)
    # The load on the filter capacitor's node without the Zobel branch, on the grid, for each load
    # (the same for every network).
    d = network.Design(options)
    loads = [[1 / complex(d.Rs if r is None else r, x * d.Ls) + 1j * x * d.Cf for x in GRID]
             for r in LOADS]

    picks = sorted(random.Random(seed).sample(range(len(NETWORKS)), sample))
    worst = {"peak": 0.0, "W": 0.0, "20k": 0.0}
    for i in picks:
        peak, seven, idle, g20k = reference_row(options, carrier, NETWORKS[i], loads)
        cost, got_peak, got_20k, _ = rows[i]
        watts_ok = abs(cost - (seven + idle)) <= 1e-9 * (seven + idle) + CARRIER_TAIL * idle
        worst["peak"] = max(worst["peak"], abs(got_peak - peak))
        worst["20k"] = max(worst["20k"], abs(got_20k - g20k))
        worst["W"] = max(worst["W"], abs(cost / (seven + idle) - 1) if seven + idle else abs(cost))
        if not close_dB(got_peak, peak) or not close_dB(got_20k, g20k) or not watts_ok:
            problems.append("%s: program %r %r %r, reference %r %r(+%r carrier) %r"
                            % (",".join(NETWORKS[i]), got_peak, cost, got_20k, peak, seven, idle, g20k))
    notes.append("%d networks: worst |peak| difference %.2g dB, 20 kHz %.2g dB, dissipation %.2g relative"
                 % (len(picks), worst["peak"], worst["20k"], worst["W"]))
    want = pareto(rows)
    got = {i for i, r in enumerate(rows) if r[3] == "1"}
    if got != want:
        extra, missing = sorted(got - want)[:5], sorted(want - got)[:5]
        problems.append("Pareto set differs: %d on the program's front, %d on the reference's; "
                        "only the program's: %s; only the reference's: %s"
                        % (len(got), len(want), [NETWORKS[i] for i in extra],
                           [NETWORKS[i] for i in missing]))
    notes.append("Pareto front: %d networks, the same set" % len(want) if got == want else
                 "Pareto front: %d networks against %d" % (len(got), len(want)))
    return problems, notes


def run_cases(cases, check_case, label, sample, command=False):
    """Checks each case with check_case(program, case, sample, seed); 1 when one differs."""
    p = argparse.ArgumentParser()
    if command:
        p.add_argument("command", choices=["check"])
    p.add_argument("program")
    p.add_argument("--sample", type=int, default=sample)
    p.add_argument("--seed", type=int, default=1)
    a = p.parse_args()
    failed = 0
    for n, case in enumerate(cases):
        problems, notes = check_case(a.program, case, a.sample, a.seed + n)
        print(label(case), "->", "differs" if problems else "agrees")
        for line in notes + problems[:10]:
            print("   ", line)
        failed += bool(problems)
    return 1 if failed else 0


def main():
    return run_cases(DESIGNS, check, " ".join, 16, command=True)


if __name__ == "__main__":
    sys.exit(main())
