#!/usr/bin/env python3
"""End to end, as a user: starts the program on the X display it is given (run it under
xvfb-run), drives it with real key events from xdotool only, writes a report through the export
window and checks the report's bytes against figures computed here from the network and the Zobel
dissipation written out independently. Other end-to-end scripts may import its helpers.

usage: xvfb-run -a -s "-screen 0 1280x1024x24" tests/e2e.py PROGRAM"""
import math, os, shutil, subprocess, sys, tempfile, time


def xdo(*args):
    return subprocess.run(['xdotool', *map(str, args)], check=True, capture_output=True, text=True).stdout.strip()


def window(title, timeout=20):
    out = subprocess.run(['timeout', str(timeout), 'xdotool', 'search', '--sync', '--onlyvisible', '--name', title],
                         capture_output=True, text=True).stdout.split()
    if not out:
        sys.exit(f'e2e: no window "{title}" within {timeout} s')
    return out[0]


def keys(wid, *names, pause=0.25):
    """Focuses the window and presses each key (or chord) in turn, as a user would."""
    xdo('windowfocus', '--sync', wid)
    for name in names:
        xdo('key', '--clearmodifiers', name)
        time.sleep(pause)


def type_text(wid, text):
    xdo('windowfocus', '--sync', wid)
    xdo('type', '--delay', 80, text)
    time.sleep(0.3)


def pick(wid, moves):
    """Opens the focused drop-down and picks the item `moves` steps down (negative: up)."""
    keys(wid, 'alt+Down', *(['Down' if moves > 0 else 'Up'] * abs(moves)), 'Return')


def shot(name):
    """Saves the screen when E2E_SHOTS names a folder, to see what the run saw."""
    if os.environ.get('E2E_SHOTS'):
        subprocess.run(['import', '-window', 'root', os.path.join(os.environ['E2E_SHOTS'], name + '.png')])


# Independent figures: the L-section loaded by speaker, filter capacitor and Zobel branches, on the
# program's frequency grid; the Zobel resistor's share of the load voltage at 7 kHz.
def gain_figures(Rs, Ls, Lf, Cf, Rz, Czp, Czs, full):
    k = 2 if full else 1
    Rz *= 1.0000001
    best, spot = 0.0, {}
    for i in range(1, 10001):
        w = i * 6.28318 * 100
        Yz = 1j * w * Czs * (1 + 1j * w * Rz * Czp) / (1 + 1j * w * Rz * (Czp + Czs))
        ZL = 1 / (1 / complex(Rs, w * Ls) + 1j * w * Cf + Yz / k)
        dB = 20 * math.log10(abs(ZL) / abs(ZL + 1j * w * Lf * k))
        best = max(best, dB)
        spot[i * 100.0] = dB
    return best, spot[20000.0], spot[384000.0]


def zobel_power_7k(Rs, load_power, R, Cp, Cs, full):
    V = math.sqrt(Rs * load_power) / (2 if full else 1)
    w = 70 * 6.28 * 100.0
    Zp = R / (1 + 1j * w * R * Cp)
    return abs(V * Zp / (Zp + 1 / (1j * w * Cs))) ** 2 / R


def figure(v):
    n = round(v * 100)
    assert abs(abs(v * 100 - math.floor(v * 100)) - 0.5) > 1e-6, 'too near a rounding tie to compare'
    s = ('%.2f' % (n / 100)).rstrip('0').rstrip('.')
    return ('0' if s in ('-0', '') else s) + 'dB'


def watts(p):
    s = ('%.3f' % (math.trunc(p * 1000) / 1000)).rstrip('0').rstrip('.')
    return s + 'W'


def line(label, value):
    return label.ljust(34) + value


def wait_for(path):
    for _ in range(50):
        if os.path.exists(path):
            return True
        time.sleep(0.1)
    return False


def write_report(main_window, folder, name):
    """The report, through the export window, into the folder it starts in; its bytes."""
    # "&Schematic" shares its mnemonic with "&Save Circuit Values": walk the menu bar instead.
    keys(main_window, 'alt+t', 'Right', 'Right', 'Right', 'Right', 'Return')
    export = window('^File Options$')
    keys(export, 'Tab', 'Tab', 'Tab', 'Tab', 'ctrl+a')
    type_text(export, name)
    keys(export, 'Tab', 'space')
    path = os.path.join(folder, name)
    return open(path, 'rb').read() if wait_for(path) else b'(no report written)'


def end(program, main_window):
    """Exit from the menu; the program's status."""
    keys(main_window, 'alt+e')
    return program.wait(timeout=10)


def main(program_path):
    failures = []
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
        shot('1-values')
        # The Power window: 100 W into the speaker.
        keys(main_window, 'alt+p')
        power = window("^Power Calc's$")
        keys(power, 'ctrl+a')
        type_text(power, '100')
        shot('2-power')
        report = write_report(main_window, folder, 'e2e.txt')
        shot('3-export')
        status = end(program, main_window)
        if status != 0:
            failures.append(f'the program ended with status {status}')
    finally:
        if program.poll() is None:
            program.kill()

    best, at20k, at384k = gain_figures(4, 0.5e-3, 10e-6, 0.47e-6, 6, 0.1e-6, 0.1e-6, True)
    expected = '\r\n'.join([
        'Topology: Full Bridge', line('Lfilter:', '10uH'), line('Cfilter:', '.47uF'), line('Rzobel:', '6 ohms'),
        line('Czobel parallel:', '.1uF'), line('Czobel series:', '.1uF'), line('Lspeaker:', '.5mH'),
        line('Rspeaker:', '4 ohms'), '', line('Maximum Filter Gain:', figure(best)),
        line('Net Filter Gain at 20khz:', figure(at20k)), line('Net Filter Gain at 384khz:', figure(at384k)),
        line('RMS power of Rzobel at 7khz:', watts(zobel_power_7k(4, 100, 6, 0.1e-6, 0.1e-6, True))), '']).encode('latin-1')
    if report != expected:
        failures.append('report differs:\n--- written\n%s\n--- expected\n%s' % (report.decode('latin-1'), expected.decode('latin-1')))
    for failure in failures:
        print('e2e: FAIL:', failure)
    if failures:
        print('e2e: failed; the run left its files in', folder)
    else:
        shutil.rmtree(folder)
        print('e2e: passed')
    return 1 if failures else 0


if __name__ == '__main__':
    sys.exit(main(os.path.realpath(sys.argv[1])))
