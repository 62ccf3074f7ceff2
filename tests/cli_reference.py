#!/usr/bin/env python3
# The command line's report and curves against tests/reference/network.py, an independent
# solution of the same network, for designs in which every input differs from the start-up design
# and from the other designs, both Zobel capacitors differ, and both topologies appear.
#     tests/cli_reference.py QUORVEL
import os
import subprocess
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "reference"))
import network  # noqa: E402

DESIGNS = [
    ["--speaker-r", "4", "--speaker-l", ".05", "--filter-l", "10", "--filter-c", ".47",
     "--zobel-c-par", ".22", "--zobel-r", "10", "--zobel-c-ser", ".68", "--load-power", "100"],
    ["--speaker-r", "2", "--speaker-l", "1.5", "--filter-l", "36", "--filter-c", "2.0",
     "--zobel-c-par", ".047", "--zobel-r", "3", "--zobel-c-ser", "1.0", "--load-power", "7.5",
     "--full-bridge"],
    ["--speaker-r", "6", "--speaker-l", "0", "--filter-l", "100", "--filter-c", ".1",
     "--zobel-c-par", "0", "--zobel-r", "47", "--zobel-c-ser", ".33", "--load-power", "999"],
    ["--speaker-r", "8", "--speaker-l", "12", "--filter-l", "5", "--filter-c", "1.3",
     "--zobel-c-par", ".82", "--zobel-r", "1", "--zobel-c-ser", ".12", "--load-power", "0",
     "--full-bridge"],
]
# (graph, what may differ: absolute for dB, relative otherwise)
CURVES = [("impedance", 1e-12, False), ("gain", 1e-9, True), ("gain-zobel", 1e-9, True),
          ("power", 1e-12, False), ("output-impedance", 1e-12, False)]


def run(args):
    return subprocess.run(args, capture_output=True, check=True).stdout


def check(program, design):
    problems, notes = [], []
    d = network.Design(network.parse(design))
    got, want = run([program, "report"] + design), network.report(d)
    if got != want:
        problems.append("report differs:\n--- program\n%s--- reference\n%s"
                        % (got.decode("latin-1"), want.decode("latin-1")))
    for graph, tolerance, absolute in CURVES:
        rows = [[float(v) for v in line.split(",")]
                for line in run([program, "csv", "--graph", graph] + design).decode().splitlines()[1:]]
        xs, ys = d.curve(graph)
        offs = [abs(gy - y) / (1 if absolute else max(abs(y), 1e-300)) for (_, gy), y in zip(rows, ys)]
        wrong = [(r, x, y) for r, x, y, off in zip(rows, xs, ys, offs) if r[0] != x or off > tolerance]
        if len(rows) != len(xs) or wrong:
            problems.append("%s: %d rows for %d; first wrong: %r" % (graph, len(rows), len(xs), wrong[:1]))
        notes.append("  %-10s worst difference %.2g %s" % (graph, max(offs, default=0.0), "dB" if absolute else "relative"))
    return notes, problems


def main():
    program = sys.argv[1]
    failed = 0
    for design in DESIGNS:
        notes, problems = check(program, design)
        print(" ".join(design), "->", "differs" if problems else "agrees")
        for p in notes + problems:
            print("   ", p)
        failed += bool(problems)
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
