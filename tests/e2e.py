#!/usr/bin/env python3
# End to end, as a user: starts the program on the X display it is given (run it under
# xvfb-run), drives it with real key events from xdotool only, writes a report through the export
# window and checks the report's bytes against figures computed here from the network and the Zobel
# dissipation written out independently. Other end-to-end scripts may import its helpers.
#
# usage: xvfb-run -a -s "-screen 0 1280x1024x24" tests/e2e.py PROGRAM
import math, os, shutil, subprocess, sys, tempfile, time


def xdo(*args):
    return subprocess.run(['xdotool', *map(str, args)], check=True, capture_output=True, text=True).stdout.strip()


def window(title, timeout=20):
    out = subprocess.run(['timeout', str(timeout), 'xdotool', 'search', '--sync', '--onlyvisible', '--name', title],
                         capture_output=True, text=True).stdout.split()
    if not out:
        sys.exit(f'e2e: no window "{title}" within {timeout} s')
    return out[0]


# Focuses the window and presses each key (or chord) in turn, as a user would.
def keys(wid, *names, pause=0.25):
    xdo('windowfocus', '--sync', wid)
    for name in names:
        xdo('key', '--clearmodifiers', name)
        time.sleep(pause)


def type_text(wid, text):
    xdo('windowfocus', '--sync', wid)
    xdo('type', '--delay', 80, text)
    time.sleep(0.3)


# Opens the focused drop-down and picks the item `moves` steps down (negative: up).
def pick(wid, moves):
    keys(wid, 'alt+Down', *(['Down' if moves > 0 else 'Up'] * abs(moves)), 'Return')


# Independent figures: the gain (dB) at point i of the program's frequency grid of the L-section
# loaded by speaker, filter capacitor and Zobel branches (k: 2 in full bridge); the Zobel
# resistor's share of the load voltage at 7 kHz.
def gain_dB(i, Rs, Ls, Lf, Cf, Rz, Czp, Czs, k):
    w, Rz = i * 6.28318 * 100, Rz * 1.0000001
    Yz = 1j * w * Czs * (1 + 1j * w * Rz * Czp) / (1 + 1j * w * Rz * (Czp + Czs))
    ZL = 1 / (1 / complex(Rs, w * Ls) + 1j * w * Cf + Yz / k)
    return 20 * math.log10(abs(ZL) / abs(ZL + 1j * w * Lf * k))


def zobel_power_7k(Rs, load_power, R, Cp, Cs, full):
    V = math.sqrt(Rs * load_power) / (2 if full else 1)
    w = 70 * 6.28 * 100.0
    Zp = R / (1 + 1j * w * R * Cp)
    return abs(V * Zp / (Zp + 1 / (1j * w * Cs))) ** 2 / R


def figure(v):
    assert abs(abs(v * 100 - math.floor(v * 100)) - 0.5) > 1e-6, 'too near a rounding tie to compare'
    s = ('%.2f' % (round(v * 100) / 100)).rstrip('0').rstrip('.')
    return ('0' if s in ('-0', '') else s) + 'dB'


def watts(p):
    return ('%.3f' % (math.trunc(p * 1000) / 1000)).rstrip('0').rstrip('.') + 'W'


# The report, through the export window, into the folder it starts in; its bytes.
def write_report(main_window, folder, name):
    # "&Schematic" shares its mnemonic with "&Save Circuit Values": walk the menu bar instead.
    keys(main_window, 'alt+t', 'Right', 'Right', 'Right', 'Right', 'Return')
    export = window('^File Options$')
    keys(export, 'Tab', 'Tab', 'Tab', 'Tab', 'ctrl+a')
    type_text(export, name)
    keys(export, 'Tab', 'space')
    path = os.path.join(folder, name)
    for _ in range(50):
        if os.path.exists(path):
            return open(path, 'rb').read()
        time.sleep(0.1)
    return b'(no report written)'


def main(program_path):
    folder = tempfile.mkdtemp(prefix='quorvel-e2e-')
    # Its settings (recent files) stay in the run's folder.
    env = dict(os.environ, QT_QPA_PLATFORM='xcb', XDG_CONFIG_HOME=folder)
    program = subprocess.Popen([program_path], cwd=folder, env=env)
    try:
        main_window = window(r'^Quorvel \(HALF BRIDGE\)$')
        time.sleep(1)
        keys(main_window, 'alt+t', 'f')  # Topology, Full_Bridge
        window(r'^Quorvel \(FULL BRIDGE\)$', 5)
        # Focus starts on the speaker resistance; Tab walks the inputs in order.
        pick(main_window, 2)  # 8 -> 6 -> 4 ohm
        keys(main_window, 'Tab', 'ctrl+a')
        type_text(main_window, '.5')  # Speaker_L, mH
        keys(main_window, 'Tab')
        pick(main_window, 4)  # filter C: 1.0 -> .82 -> .68 -> .56 -> .47 uF
        keys(main_window, 'Tab')
        pick(main_window, -5)  # filter L: 22 -> 20 -> 18 -> 15 -> 12 -> 10 uH
        # The Power window: 100 W into the speaker.
        keys(main_window, 'alt+p')
        keys(window("^Power Calc's$"), 'ctrl+a')
        type_text(window("^Power Calc's$"), '100')
        report = write_report(main_window, folder, 'e2e.txt')
        keys(main_window, 'alt+e')  # Exit
        status = program.wait(timeout=10)
    finally:
        if program.poll() is None:
            program.kill()
    design = (4, 0.5e-3, 10e-6, 0.47e-6, 6, 0.1e-6, 0.1e-6, 2)
    best = max(gain_dB(i, *design) for i in range(1, 10001))
    rows = [('Lfilter:', '10uH'), ('Cfilter:', '.47uF'), ('Rzobel:', '6 ohms'), ('Czobel parallel:', '.1uF'),
            ('Czobel series:', '.1uF'), ('Lspeaker:', '.5mH'), ('Rspeaker:', '4 ohms'), None,
            ('Maximum Filter Gain:', figure(best)), ('Net Filter Gain at 20khz:', figure(gain_dB(200, *design))),
            ('Net Filter Gain at 384khz:', figure(gain_dB(3840, *design))),
            ('RMS power of Rzobel at 7khz:', watts(zobel_power_7k(4, 100, 6, 0.1e-6, 0.1e-6, True)))]
    expected = '\r\n'.join(['Topology: Full Bridge'] + [r[0].ljust(34) + r[1] if r else '' for r in rows] + [''])
    failures = [f'the program ended with status {status}'] if status != 0 else []
    if report != expected.encode('latin-1'):
        failures.append('report differs:\n--- written\n%s\n--- expected\n%s' % (report.decode('latin-1'), expected))
    print('\n'.join('e2e: FAIL: ' + f for f in failures) or 'e2e: passed')
    if not failures:
        shutil.rmtree(folder)
    return 1 if failures else 0


if __name__ == '__main__':
    sys.exit(main(os.path.realpath(sys.argv[1])))
