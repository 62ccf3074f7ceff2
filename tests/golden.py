#!/usr/bin/env python3
# The command line's report, curves, netlists, carrier JSON, Zobel map and voice-coil fits for
# designs that between them touch every input in both topologies, byte for byte against the
# SHA-256 sums in tests/golden/outputs.sha256.
#     tests/golden.py QUORVEL            check (exit 1 and name each difference)
#     tests/golden.py QUORVEL --write    write the sums anew (only when a change is intended)
import concurrent.futures
import hashlib
import os
import subprocess
import sys

DESIGNS = [
    [],
    ["--speaker-r", "4", "--speaker-l", ".05", "--filter-l", "10", "--filter-c", ".47",
     "--zobel-c-par", "0", "--zobel-r", "10", "--zobel-c-ser", ".22", "--load-power", "100"],
    ["--speaker-r", "2", "--speaker-l", "0", "--filter-l", "3", "--filter-c", "2.0",
     "--zobel-c-par", "1.0", "--zobel-r", "1", "--zobel-c-ser", ".047", "--load-power", "2.5"],
    ["--speaker-r", "6", "--speaker-l", "999.", "--filter-l", "100", "--filter-c", ".1",
     "--zobel-c-par", ".047", "--zobel-r", "100", "--zobel-c-ser", "1.0", "--load-power", "999"],
    ["--speaker-r", "8", "--speaker-l", "1.2", "--filter-l", "36", "--filter-c", ".82",
     "--zobel-c-par", ".42", "--zobel-r", "33", "--zobel-c-ser", "0", "--load-power", "0"],
    ["--speaker-r", "4", "--speaker-l", ".3", "--filter-l", "68", "--filter-c", "1.5",
     "--zobel-c-par", "0", "--zobel-r", "47", "--zobel-c-ser", "0", "--load-power", "300"],
    ["--speaker-r", "2", "--speaker-l", "2.", "--filter-l", "5", "--filter-c", ".33",
     "--zobel-c-par", ".82", "--zobel-r", "3", "--zobel-c-ser", ".68", "--load-power", ".5"],
    ["--speaker-r", "6", "--speaker-l", ".01", "--filter-l", "44", "--filter-c", "1.1",
     "--zobel-c-par", ".15", "--zobel-r", "15", "--zobel-c-ser", ".27", "--load-power", "20"],
]
OUTPUTS = [["report"]] + [["csv", "--graph", g] for g in ("impedance", "gain", "gain-zobel", "power")]
NETLISTS = [["netlist", "--graph", g] for g in ("impedance", "gain", "gain-zobel")]
CARRIER = [["--supply", "48", "--fsw", "400"],
           ["--supply", "24", "--fsw", "300", "--audio-frequency", "7000", "--zobel-rating", ".25",
            "--inductor-rating", "3", "--capacitor-rating", ".3"],
           ["--supply", "12", "--fsw", "600"]]
HERE = os.path.dirname(os.path.abspath(__file__))
IMPEDANCE = os.path.join(HERE, "fuzz", "impedance")
FITTED = sorted(f for f in os.listdir(IMPEDANCE) if f.startswith(("accept-", "regress-")))
SUMS = os.path.join(HERE, "golden", "outputs.sha256")


def runs():
    for d, design in enumerate(DESIGNS):
        for topology in ([], ["--full-bridge"]):
            for output in OUTPUTS + (NETLISTS if d < 4 else []):
                name = "design%d%s-%s%s" % (d, "-full" if topology else "", output[-1],
                                           "-netlist" if output[0] == "netlist" else "")
                yield name, output + design + topology
            for c, carrier in enumerate(CARRIER):
                for modulation in (["ad", "bd"] if topology else ["bd"]):
                    name = "design%d%s-stress%d-%s" % (d, "-full" if topology else "", c, modulation)
                    yield name, (["stress", "--format", "json", "--modulation", modulation] +
                                 carrier + design + topology)
            if d < 3:
                name = "design%d%s-explore" % (d, "-full" if topology else "")
                yield name, ["explore"] + design + topology
                yield name + "-pareto-carrier", (["explore", "--pareto-only"] + CARRIER[0] +
                                                  design + topology)
    for f in FITTED:
        yield "fit-" + f, ["fit", os.path.join(IMPEDANCE, f)]
    for output in OUTPUTS[1:]:  # the curves of a measured speaker in place of the design's
        yield "measured-" + output[-1], output + ["--load-file", os.path.join(IMPEDANCE, FITTED[1])]


def digest(program, args):
    out = subprocess.run([program] + args, capture_output=True, check=True).stdout
    return hashlib.sha256(out).hexdigest()


def main():
    program = sys.argv[1]
    jobs = list(runs())
    with concurrent.futures.ThreadPoolExecutor(max_workers=os.cpu_count() or 2) as pool:
        sums = dict(zip((n for n, _ in jobs), pool.map(lambda j: digest(program, j[1]), jobs)))
    if "--write" in sys.argv:
        with open(SUMS, "w") as f:
            f.writelines("%s  %s\n" % (s, n) for n, s in sums.items())
        print("wrote %d sums" % len(sums))
        return 0
    expected = dict(reversed(line.split()) for line in open(SUMS))
    differ = [n for n in sums if expected.get(n) != sums[n]]
    missing = [n for n in expected if n not in sums]
    for n in differ:
        print("differs: %s (%s)" % (n, " ".join(dict(jobs)[n])))
    for n in missing:
        print("not run: %s" % n)
    print("%d of %d outputs byte-identical" % (len(sums) - len(differ), len(expected)))
    return 1 if differ or missing or len(expected) != len(sums) else 0


if __name__ == "__main__":
    sys.exit(main())
