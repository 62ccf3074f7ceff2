#!/usr/bin/env python3
"""End to end, as a user: starts the program on the X display it is given (run it under
xvfb-run), drives it with real key and mouse events from xdotool only, writes a report through
the export window and checks the report's bytes against figures computed here from the network
and the Zobel dissipation written out independently. Then saves the design through the Design
menu and Qt's file dialog, ends the program, starts it again, opens the design the same way and
checks that the report it writes has the same bytes.

usage: xvfb-run -a -s "-screen 0 1280x1024x24" tests/e2e.py PROGRAM"""
import math, os, shutil, subprocess, sys, tempfile, time

PROGRAM = os.path.realpath(sys.argv[1])
FAILURES = []


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


def screen():
    """The screen as rows of (r, g, b) bytes, with its width and height."""
    ppm = subprocess.run(['import', '-window', 'root', '-depth', '8', 'ppm:-'], check=True, capture_output=True).stdout
    fields, pos = [], 0
    while len(fields) < 4:  # P6, width, height, maxval
        while ppm[pos:pos + 1].isspace():
            pos += 1
        end = pos
        while not ppm[end:end + 1].isspace():
            end += 1
        fields.append(ppm[pos:end])
        pos = end
    return ppm[pos + 1:], int(fields[1]), int(fields[2])


def shot(name):
    """Saves the screen when E2E_SHOTS names a folder, to see what the run saw."""
    if os.environ.get('E2E_SHOTS'):
        subprocess.run(['import', '-window', 'root', os.path.join(os.environ['E2E_SHOTS'], name + '.png')])


def cursor_line():
    """Screen column and middle row of the longest vertical run of the cursor's red."""
    pixels, width, height = screen()
    best = (0, 0, 0)
    for x in range(width):
        rows = [y for y in range(height) if pixels[3 * (y * width + x):3 * (y * width + x) + 3] == b'\xc8\x00\x00']
        if len(rows) > best[0]:
            best = (len(rows), x, (rows[0] + rows[-1]) // 2)
    return best[1], best[2], best[0]


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


def through_file_dialog(main_window, item, title, name):
    """The Design menu's item by its mnemonic, then the name typed into Qt's file dialog and Enter."""
    keys(main_window, 'alt+d', item)
    dialog = window(title)
    keys(dialog, 'ctrl+a')
    type_text(dialog, name)
    keys(dialog, 'Return')


def end(program, main_window, what):
    keys(main_window, 'alt+e')
    status = program.wait(timeout=10)
    if status != 0:
        FAILURES.append(f'{what} ended with status {status}')


def main():
    folder = tempfile.mkdtemp(prefix='quorvel-e2e-')
    # Its settings (recent files) stay in the run's folder.
    env = dict(os.environ, QT_QPA_PLATFORM='xcb', XDG_CONFIG_HOME=folder)
    program = subprocess.Popen([PROGRAM], cwd=folder, env=env)
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
        # Fig. 3's cursor on, then dragged 60 pixels to the right along its curve.
        shot('1-values')
        keys(main_window, 'alt+c', 'Down', 'Down', 'Return')
        time.sleep(0.5)
        shot('2-cursor')
        x, y, length = cursor_line()
        if length < 50:
            FAILURES.append('no cursor line on screen')
        xdo('mousemove', x, y, 'mousedown', 1)
        for step in range(1, 7):
            xdo('mousemove', x + 10 * step, y)
            time.sleep(0.05)
        xdo('mouseup', 1)
        time.sleep(0.5)
        moved_to = cursor_line()[0]
        if not x + 50 <= moved_to <= x + 70:
            FAILURES.append(f'cursor line at column {moved_to} after a drag from {x} to {x + 60}')
        # The Power window: 100 W into the speaker.
        keys(main_window, 'alt+p')
        power = window("^Power Calc's$")
        keys(power, 'ctrl+a')
        type_text(power, '100')
        shot('3-power')
        report = write_report(main_window, folder, 'e2e.txt')
        shot('4-export')
        # The design saved through the Design menu, Save As, and the program ended.
        through_file_dialog(main_window, 'a', '^Save the design$', 'e2e.quorvel')
        if not wait_for(os.path.join(folder, 'e2e.quorvel')):
            FAILURES.append('no design file written')
        end(program, main_window, 'the program')
    finally:
        if program.poll() is None:
            program.kill()

    # Started again: the design opened through the Design menu, Open, gives the same report.
    program = subprocess.Popen([PROGRAM], cwd=folder, env=env)
    try:
        main_window = window(r'^Quorvel \(HALF BRIDGE\)$')
        time.sleep(1)
        through_file_dialog(main_window, 'o', '^Open a design$', 'e2e.quorvel')
        window(r'^e2e\.quorvel - Quorvel \(FULL BRIDGE\)$', 5)  # the file it shows, unchanged
        shot('5-reopened')
        reopened = write_report(main_window, folder, 'e2e-reopened.txt')
        if reopened != report:
            FAILURES.append('the reopened design\'s report differs:\n--- before\n%s\n--- reopened\n%s'
                            % (report.decode('latin-1'), reopened.decode('latin-1')))
        end(program, main_window, 'the program started again')
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
        FAILURES.append('report differs:\n--- written\n%s\n--- expected\n%s' % (report.decode('latin-1'), expected.decode('latin-1')))
    for failure in FAILURES:
        print('e2e: FAIL:', failure)
    if FAILURES:
        print('e2e: failed; the run left its files in', folder)
    else:
        shutil.rmtree(folder)
        print('e2e: passed')
    return 1 if FAILURES else 0


sys.exit(main())
