#!/usr/bin/env python3
"""quorvel tolerance against an independent computation of every figure it reports.

    tolerance.py QUORVEL [--rows N] [--spice N]

For designs in both topologies and both distributions it runs `quorvel tolerance --samples` and
checks that
  - sampled rows' figures equal network.py's complex-arithmetic solution of the same values
    (1e-9 dB, 1e-9 relative for watts); with --spice, that many rows also against ngspice AC;
  - min, p1, p50, p99 and max, recomputed from the samples file by nearest rank, equal the JSON's;
  - every sample lies within its tolerance, and a Kolmogorov-Smirnov test on each input's
    deviations accepts the chosen distribution at the 1 % level;
  - the corners are those of a brute force over every corner, values to 1e-9;
  - the same seed gives the same bytes, another seed other ones."""
import argparse
import csv
import io
import itertools
import json
import math
import os
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import network  # noqa: E402

INPUTS = ["filter_l", "filter_c", "zobel_c_par", "zobel_r", "zobel_c_ser", "speaker_r", "speaker_l"]
COLUMNS = ["filter_l_uH", "filter_c_uF", "zobel_c_par_uF", "zobel_r_ohm", "zobel_c_ser_uF",
           "speaker_r_ohm", "speaker_l_mH"]
FIGURES = ["gain_20k_dB", "gain_384k_dB", "max_gain_dB", "zobel_7k_W"]
DEFAULTS = [20, 10, 10, 5, 10, 10, 15]

# (design options, tolerance options): every input differs from the start-up design somewhere, a
# Zobel capacitor left out, both topologies, both distributions, tolerances given and defaulted.
CASES = [
    ([], ["--seed", "7"]),
    (["--speaker-r", "4", "--speaker-l", ".05", "--filter-l", "10", "--filter-c", ".47",
      "--zobel-c-par", "0", "--zobel-r", "10", "--zobel-c-ser", ".22", "--load-power", "100",
      "--full-bridge"],
     ["--seed", "12345", "--distribution", "normal", "--tolerance", "filter_l=30,speaker_r=2.5"]),
    (["--speaker-r", "6", "--speaker-l", "1.2", "--filter-l", "36", "--filter-c", ".82",
      "--zobel-c-par", ".047", "--zobel-r", "33", "--zobel-c-ser", ".68", "--load-power", "20"],
     ["--seed", "3", "--distribution", "normal", "--tolerance", "zobel_r=0,filter_c=99"]),
]


def design_of(options):
    return network.Design(network.parse(options))


def nominal_values(options):
    o = network.parse(options)
    return [float(o.filter_l), float(o.filter_c), float(o.zobel_c_par), float(o.zobel_r),
            float(o.zobel_c_ser), float(o.speaker_r), float(o.speaker_l)]


def design_at(values, full, power):
    keys = dict(zip(INPUTS, values))
    return network.Design(argparse.Namespace(
        speaker_r=keys["speaker_r"], speaker_l=keys["speaker_l"], filter_l=keys["filter_l"],
        filter_c=keys["filter_c"], zobel_r=keys["zobel_r"], zobel_c_par=keys["zobel_c_par"],
        zobel_c_ser=keys["zobel_c_ser"], full_bridge=full, load_power=power))


def figures(d):
    maximum, at20k, at384k = d.figures(True)
    return [at20k, at384k, maximum, d.dissipation(70)]


def differs(got, want, i):
    if i == 3:
        return abs(got - want) > 1e-9 * max(abs(want), 1e-300)
    return abs(got - want) > 1e-9


def spice_gains(values, full):
    """Fig. 3 at 20 and 384 kHz from ngspice AC, the bridge as its differential loop."""
    L, Cf, Czp, Rz, Czs, Rs, Ls = values
    k = 2 if full else 1
    lines = ["* tolerance run", "V1 in 0 DC 0 AC 1", "L1 in out %r" % (L * 1e-6 * k),
             "C1 out 0 %r" % (Cf * 1e-6), "RS out sl %r" % Rs, "LS sl 0 %r" % (Ls * 1e-3)]
    if Czs:
        # A capacitor across the resistor left out is 1e-13 F to the program, as to network.py.
        lines += ["CZS out z1 %r" % (Czs * 1e-6 / k), "RZ z1 0 %r" % (Rz * 1.0000001 * k),
                  "CZP z1 0 %r" % ((Czp * 1e-6 or 1e-13) / k)]
    # The grid's frequencies as the program takes them: w = i x 628.318.
    f20, f384 = (i * 628.318 / (2 * math.pi) for i in (200, 3840))
    lines += [".control", "set numdgt=12"]
    lines += ["ac lin 1 %r %r" % (f, f) for f in (f20,)] + ["print vdb(out)"]
    lines += ["ac lin 1 %r %r" % (f, f) for f in (f384,)] + ["print vdb(out)", ".endc", ".end"]
    with tempfile.TemporaryDirectory() as tmp:
        path = os.path.join(tmp, "run.cir")
        open(path, "w").write("\n".join(lines) + "\n")
        # Batch mode exits with 1 for want of a .print line; the printed values are what counts.
        out = subprocess.run(["ngspice", "-b", path], capture_output=True, text=True).stdout
    return [float(line.split("=")[1]) for line in out.splitlines() if line.startswith("vdb(out) =")]


def ks_statistic(xs, cdf):
    xs = sorted(xs)
    n = len(xs)
    return max(max((i + 1) / n - cdf(x), cdf(x) - i / n) for i, x in enumerate(xs))


def truncated_normal_cdf(t):
    s = t / 3
    phi = lambda z: 0.5 * (1 + math.erf(z / math.sqrt(2)))  # noqa: E731
    lo, hi = phi(-3), phi(3)
    return lambda x: (phi(x / s) - lo) / (hi - lo)


def nearest_rank(sorted_values, k):
    return sorted_values[max(1, -(-k * len(sorted_values) // 100)) - 1]


def run(program, args):
    return subprocess.run([program, "tolerance"] + args, capture_output=True, check=True).stdout


def check(program, options, extra, rows, spice, problems):
    full = "--full-bridge" in options
    power = network.parse(options).load_power
    nominal = nominal_values(options)
    percent = list(DEFAULTS)
    if "--tolerance" in extra:
        for item in extra[extra.index("--tolerance") + 1].split(","):
            name, value = item.split("=")
            percent[INPUTS.index(name)] = float(value)
    normal = "normal" in extra
    with tempfile.TemporaryDirectory() as tmp:
        path = os.path.join(tmp, "runs.csv")
        args = options + extra + ["--runs", "2000", "--samples", path]
        out = run(program, args)
        samples = open(path, "rb").read()
        again = run(program, args)
        if again != out or open(path, "rb").read() != samples:
            problems.append("the same seed gave other bytes")
        other = run(program, options + ["--runs", "2000", "--seed", "99", "--samples", path])
        if other == out:
            problems.append("another seed gave the same output")
    result = json.loads(out)
    table = list(csv.DictReader(io.StringIO(samples.decode())))
    if len(table) != 2000 or result["runs"] != 2000:
        problems.append("%d rows, runs %r" % (len(table), result["runs"]))
    values = [[float(r[c]) for c in COLUMNS] for r in table]
    # Within tolerance, and distributed as asked.
    for i, name in enumerate(INPUTS):
        varied = percent[i] > 0 and nominal[i] != 0
        want = percent[i] if varied else 0
        if result["tolerances_percent"][name] != want:
            problems.append("%s: tolerance %r, not %r" % (name, result["tolerances_percent"][name], want))
        devs = [v[i] / nominal[i] - 1 if nominal[i] else 0.0 for v in values]
        t = percent[i] / 100
        if any(abs(d) > t * (1 + 1e-12) + 1e-15 for d in devs) or (not varied and any(devs)):
            problems.append("%s: a sample lies outside its tolerance" % name)
        if varied:
            cdf = truncated_normal_cdf(t) if normal else (lambda x, t=t: (x + t) / (2 * t))
            d = ks_statistic(devs, cdf)
            if d > 1.628 / math.sqrt(len(devs)):  # 1 % level
                problems.append("%s: KS statistic %.4g rejects the distribution" % (name, d))
    # The spread, recomputed from the samples file.
    for f, key in enumerate(FIGURES):
        col = sorted(float(r[key]) for r in table)
        want = {"min": col[0], "p1": nearest_rank(col, 1), "p50": nearest_rank(col, 50),
                "p99": nearest_rank(col, 99), "max": col[-1]}
        got = {k: result["figures"][key][k] for k in want}
        if got != want:
            problems.append("%s spread %r, from the samples %r" % (key, got, want))
    # Each sampled row against the reference.
    worst = [0.0] * 4
    step = len(table) // max(rows, 1)
    for r, v in zip(table[::step][:rows], values[::step][:rows]):
        want = figures(design_at(v, full, power))
        for i, key in enumerate(FIGURES):
            got = float(r[key])
            worst[i] = max(worst[i], abs(got - want[i]) / (max(abs(want[i]), 1e-300) if i == 3 else 1))
            if differs(got, want[i], i):
                problems.append("run %s %s: %r, reference %r" % (r["run"], key, got, want[i]))
    if rows:
        print("   %d rows: worst difference %.2g dB, %.2g dB, %.2g dB, %.2g relative" % (rows, *worst))
    for r, v in zip(table[:spice], values[:spice]):
        got = [float(r["gain_20k_dB"]), float(r["gain_384k_dB"])]
        want = spice_gains(v, full)
        if len(want) != 2 or any(abs(a - b) > 1e-9 for a, b in zip(got, want)):
            problems.append("run %s: %r, ngspice %r" % (r["run"], got, want))
        else:
            print("   run %s: ngspice %r, program %r" % (r["run"], want, got))
    # The corners, by brute force.
    moving = [i for i in range(7) if percent[i] > 0 and nominal[i] != 0]
    corners = []
    for ends in itertools.product((-1, 1), repeat=len(moving)):
        v = list(nominal)
        for i, e in zip(moving, ends):
            v[i] = nominal[i] * (1 + e * percent[i] / 100)
        corners.append((figures(design_at(v, full, power)), dict(zip((INPUTS[i] for i in moving), ends))))
    for f, key in enumerate(FIGURES):
        for side, pick in (("min", min), ("max", max)):
            best = pick(c[0][f] for c in corners)
            got = result["figures"][key]["corners"][side]
            ties = [c[1] for c in corners if abs(c[0][f] - best) <= 1e-9 * max(1, abs(best))]
            if abs(got["value"] - best) > 1e-9 * max(1, abs(best)) or got["corner"] not in ties:
                problems.append("%s corner %s: %r, brute force %r at %r" % (key, side, got, best, ties))


def main():
    p = argparse.ArgumentParser()
    p.add_argument("program")
    p.add_argument("--rows", type=int, default=70)
    p.add_argument("--spice", type=int, default=0)
    a = p.parse_args()
    failed = 0
    for options, extra in CASES:
        problems = []
        print(" ".join(options + extra) or "(start-up design)")
        check(a.program, options, extra, a.rows, a.spice, problems)
        for line in problems[:10]:
            print("   ", line)
        print("   ", "differs" if problems else "agrees")
        failed += bool(problems)
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
