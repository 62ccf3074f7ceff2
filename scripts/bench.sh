#!/usr/bin/env bash
# Builds the Release tree and runs every benchmark, then prints one table of medians against the
# targets, with the machine it ran on:   scripts/bench.sh [repetitions, default 10]
set -euo pipefail
cd "$(dirname "$0")/.."
reps=${1:-10}
bash scripts/setup.sh
bash scripts/build.sh >/dev/null
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
export QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR=$out
run() {  # benchmark program, filter, json file
  "build/bench/$1" --benchmark_filter="$2" --benchmark_repetitions="$reps" \
    --benchmark_report_aggregates_only=true --benchmark_format=json >"$out/$3" 2>/dev/null
}
run bench_sweeps 'BM_RecalculateCompute|BM_ModelKeystroke' sweeps.json
run bench_ui 'PickItem/speaker_r_mode|SpeakerLKeystroke|CursorDragStep|LoadPowerKeystroke|MapAfter|BandsAfter' ui.json
run bench_tradeoff 'BM_TradeoffMap' tradeoff.json
run bench_carrier 'BM_Carrier_idle_and_at_power|BM_Carrier_idle$' carrier.json
run bench_tolerance 'BM_ToleranceBatch' tolerance.json
run bench_measured 'BM_ReadAndFitFile/phase:1' measured.json
# The same idle carrier figure from a circuit simulator: the start-up design in full bridge, both
# legs switching 0-48 V at 384 kHz in phase (5 ns edges), from rest for 4,000 carrier periods, the
# Zobel resistor's power averaged over the last 16.
cat > "$out/idle.cir" <<'CIR'
* idle carrier, full bridge BD, start-up design
VA a 0 PULSE(0 48 0 5n 5n 1.297083u 2.604167u)
VB b 0 PULSE(0 48 0 5n 5n 1.297083u 2.604167u)
L1 a outa 22u
L2 b outb 22u
C1 outa outb 1u
RS outa s 8
LS s outb 0.67m
CZS1 outa z1 0.1u
RZ1 z1 0 6
CZP1 z1 0 0.1u
CZS2 outb z2 0.1u
RZ2 z2 0 6
CZP2 z2 0 0.1u
.tran 10n 10.416667m 10.375m 10n
.meas tran ez INTEG par('v(z1)*v(z1)/6') from=10.375m to=10.416667m
.meas tran pz param='ez/41.666667u'
.end
CIR
hyperfine -N --runs 3 --export-json "$out/ngspice.json" "ngspice -b $out/idle.cir" >/dev/null 2>&1 || true
hyperfine -N --warmup 3 --runs $((reps * 3)) --export-json "$out/startup.json" build/bench/bench_startup >/dev/null 2>&1
hyperfine -N --warmup 5 --runs $((reps * 3)) --export-json "$out/explore.json" 'build/quorvel explore' >/dev/null 2>&1
hyperfine -N --warmup 1 --runs "$reps" --export-json "$out/explore-parts.json" 'build/quorvel explore --design tests/fuzz/design/accept-parts-every-field.quorvel' >/dev/null 2>&1
hyperfine -N --warmup 1 --runs "$reps" --export-json "$out/tolerance-cli.json" 'build/quorvel tolerance --runs 10000' >/dev/null 2>&1
hyperfine -N --warmup 1 --runs "$reps" --export-json "$out/synthesize.json" 'build/quorvel synthesize' >/dev/null 2>&1
hyperfine -N --warmup 1 --runs "$reps" --export-json "$out/synthesize-carrier.json" 'build/quorvel synthesize --full-bridge --supply 48 --fsw 384 --modulation bd' >/dev/null 2>&1
hyperfine -N --runs 3 --export-json "$out/synthesize-parts.json" 'build/quorvel synthesize --design tests/fuzz/design/accept-parts-every-field.quorvel' >/dev/null 2>&1
/usr/bin/time -f %M -o "$out/rss" build/bench/bench_startup --session >/dev/null 2>&1
python3 - "$out" <<'PY'
import json, os, sys
out = sys.argv[1]
def median(file, name):
    for b in json.load(open(os.path.join(out, file)))['benchmarks']:
        if b['name'].startswith(name) and b.get('aggregate_name') == 'median':
            scale = {'ns': 1e-6, 'us': 1e-3, 'ms': 1.0}[b['time_unit']]
            return b['real_time'] * scale
startup = json.load(open(os.path.join(out, 'startup.json')))['results'][0]['median'] * 1000
try:
    ngspice = json.load(open(os.path.join(out, 'ngspice.json')))['results'][0]['median'] * 1000
except (OSError, KeyError, IndexError):
    ngspice = None
idle = median('carrier.json', 'BM_Carrier_idle/')
explore = json.load(open(os.path.join(out, 'explore.json')))['results'][0]['median'] * 1000
explore_parts = json.load(open(os.path.join(out, 'explore-parts.json')))['results'][0]['median'] * 1000
tolerance_cli = json.load(open(os.path.join(out, 'tolerance-cli.json')))['results'][0]['median'] * 1000
synthesize = json.load(open(os.path.join(out, 'synthesize.json')))['results'][0]['median'] * 1000
synthesize_carrier = json.load(open(os.path.join(out, 'synthesize-carrier.json')))['results'][0]['median'] * 1000
synthesize_parts = json.load(open(os.path.join(out, 'synthesize-parts.json')))['results'][0]['median'] * 1000
rss = int(open(os.path.join(out, 'rss')).read().split()[-1]) / 1024
rows = [
    ('Recalculate_all compute (three sweeps and the dissipation sweep)', median('sweeps.json', 'BM_RecalculateCompute/'), 'ms', None),
    ('the same with the parts\' parasitics (complex network)', median('sweeps.json', 'BM_RecalculateComputeParasitics'), 'ms', None),
    ('the design model\'s Speaker_L keystroke alone, real parts and the carrier (analyses beside each other)', median('sweeps.json', 'BM_ModelKeystrokeRealPartsCarrier'), 'ms', None),
    ('heaviest selection: a speaker resistance picked (two recalculations)', median('ui.json', 'BM_PickItem/speaker_r_mode'), 'ms', 2.0),
    ('Speaker_L keystroke', median('ui.json', 'BM_SpeakerLKeystroke/'), 'ms', 2.0),
    ('Speaker_L keystroke, Compare Loads on for Fig. 2 and 3', median('ui.json', 'BM_SpeakerLKeystrokeComparingLoads'), 'ms', None),
    ('Speaker_L keystroke, carrier window open (full bridge, 48 V, 384 kHz)', median('ui.json', 'BM_SpeakerLKeystrokeCarrierOpen/'), 'ms', 2.0),
    ('the same with real parts (saturation and bias curves, losses), Fig. 2 and 3 at load power', median('ui.json', 'BM_SpeakerLKeystrokeCarrierOpenRealParts/carrier/'), 'ms', 2.0),
    ('the same with the filter figures window open as well', median('ui.json', 'BM_SpeakerLKeystrokeCarrierOpenRealParts/carrier_and_figures'), 'ms', None),
    ('cursor drag step (one mouse move, read-outs, cursor redrawn)', median('ui.json', 'BM_CursorDragStep'), 'ms', 0.5),
    ('Power window load-power keystroke', median('ui.json', 'BM_LoadPowerKeystroke'), 'ms', 2.0),
    ('Speaker_L keystroke, Zobel map open', median('ui.json', 'BM_SpeakerLKeystrokeWithMap'), 'ms', 2.0),
    ('Zobel map: 4,608 networks x 5 loads, one thread', median('tradeoff.json', 'BM_TradeoffMap/threads:1/full:0/carrier:0'), 'ms', None),
    ('Zobel map, two threads', median('tradeoff.json', 'BM_TradeoffMap/threads:2/full:0/carrier:0'), 'ms', None),
    ('Zobel map with the idle carrier (full bridge, BD), two threads', median('tradeoff.json', 'BM_TradeoffMap/threads:2/full:1/carrier:1'), 'ms', None),
    ('Zobel map drawn after a Speaker_L keystroke', median('ui.json', 'BM_MapAfterKeystroke'), 'ms', 100.0),
    ('Zobel map drawn after a change, idle carrier included', median('ui.json', 'BM_MapAfterChange/carrier:1'), 'ms', 100.0),
    ('quorvel explore (whole process)', explore, 'ms', 500.0),
    ('the same for a design file with real parts and the carrier inputs', explore_parts, 'ms', None),
    ('quorvel synthesize: 17 x 17 filters x every Zobel network (whole process, two cores)', synthesize, 'ms', 2000.0),
    ('the same with the carrier inputs (full bridge, 48 V, 384 kHz, BD), ripple included', synthesize_carrier, 'ms', 5000.0),
    ('the same for a design file whose 33 uH and 2.2 uF parts (with parasitics) join the lists: 18 x 18 filters, the capacitor in the Zobel lists too', synthesize_parts, 'ms', None),
    ('Speaker_L keystroke 5 ms into a search of the assistant, which it stops', median('ui.json', 'BM_SpeakerLKeystrokeWhileSearching/searching:1'), 'ms', 2.0),
    ('the same keystroke after the same pause, the assistant open, no search', median('ui.json', 'BM_SpeakerLKeystrokeWhileSearching/searching:0'), 'ms', None),
    ('tolerance: 1,000 boards, figures and corners, one thread', median('tolerance.json', 'BM_ToleranceBatch/runs:1000/threads:1/bands:0'), 'ms', None),
    ('tolerance: 1,000 boards, two threads', median('tolerance.json', 'BM_ToleranceBatch/runs:1000/threads:2/bands:0'), 'ms', None),
    ('tolerance: 10,000 boards, one thread', median('tolerance.json', 'BM_ToleranceBatch/runs:10000/threads:1/bands:0'), 'ms', None),
    ('tolerance: 10,000 boards, two threads', median('tolerance.json', 'BM_ToleranceBatch/runs:10000/threads:2/bands:0'), 'ms', 1000.0),
    ('tolerance: 1,000 boards with the three graphs\' bands, one thread', median('tolerance.json', 'BM_ToleranceBatch/runs:1000/threads:1/bands:1'), 'ms', None),
    ('tolerance: 1,000 boards with bands, two threads', median('tolerance.json', 'BM_ToleranceBatch/runs:1000/threads:2/bands:1'), 'ms', None),
    ('tolerance: 10,000 boards with bands, two threads', median('tolerance.json', 'BM_ToleranceBatch/runs:10000/threads:2/bands:1'), 'ms', 1000.0),
    ('Speaker_L keystroke, Tolerance window open (1,000 boards)', median('ui.json', 'BM_SpeakerLKeystrokeWithTolerance'), 'ms', 2.0),
    ('bands of 1,000 boards drawn after a Speaker_L keystroke', median('ui.json', 'BM_BandsAfterKeystroke'), 'ms', 100.0),
    ('quorvel tolerance --runs 10000 (whole process)', tolerance_cli, 'ms', None),
    ('carrier analysis, idle and at power (start-up design, full bridge BD, 20 W)', median('carrier.json', 'BM_Carrier_idle_and_at_power/full:1/ad:0'), 'ms', 0.1),
    ('the same with a saturating inductor (about 72 % of L0 at the peak)', median('carrier.json', 'BM_Carrier_idle_and_at_power_saturating'), 'ms', 0.1),
    ('carrier analysis, idle alone', idle, 'ms', None),
    ('ngspice, the same idle figure from rest (4,000 periods), whole process', ngspice, 'ms', None),
    ('measured speaker: read and fit a 1,000-point file', median('measured.json', 'BM_ReadAndFitFile/phase:1'), 'ms', 50.0),
    ('Speaker_L keystroke, measured speaker loaded', median('ui.json', 'BM_SpeakerLKeystrokeMeasured'), 'ms', 2.0),
    ('start-up to the first complete frame (whole process)', startup, 'ms', 100.0),
    ('peak resident memory (start-up and a session)', rss, 'MB', 60.0),
]
cpu = next((l.split(':', 1)[1].strip() for l in open('/proc/cpuinfo') if l.startswith('model name')), 'unknown CPU')
mem = int(next(l.split()[1] for l in open('/proc/meminfo') if l.startswith('MemTotal'))) / 1024 / 1024
print(f'Machine: {cpu}, {os.cpu_count()} cores, {mem:.0f} GiB; load average {os.getloadavg()[0]:.2f} at the end')
print()
print('| what | median | target |')
print('|---|---|---|')
for what, value, unit, target in rows:
    if value is None:
        continue
    mark = '' if target is None else (f'≤ {target:g} {unit}' + ('' if value <= target else ' (missed)'))
    print(f'| {what} | {value:.3g} {unit} | {mark} |')
if ngspice and idle:
    print(f'\nngspice takes {ngspice / idle:.3g} times as long as the carrier analysis for the idle figures.')
PY
