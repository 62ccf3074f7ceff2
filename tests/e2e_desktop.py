#!/usr/bin/env python3
# End to end on a virtual X screen (xvfb-run), real keys from xdotool only: a changed design, Exit
# and Cancel, Exit and Save (the file's bytes), and the caption naming the file opened again.
import contextlib, json, os, shutil, subprocess, sys, tempfile, time

from e2e import keys, type_text, window

PROGRAM = os.path.realpath(sys.argv[1])
FAILURES = []


def through_file_dialog(main, item, title, name):
    keys(main, 'alt+d', item)
    keys(window(title), 'ctrl+a')
    type_text(window(title), name)
    keys(window(title), 'Return')


def check(what, got, expected):
    FAILURES.extend([f'{what}: {got!r}, expected {expected!r}'] if got != expected else [])


@contextlib.contextmanager
def started(folder, env):
    """The program started in folder, its main window up; killed if it is still running after."""
    program = subprocess.Popen([PROGRAM], cwd=folder, env=env)
    try:
        main_window = window(r'^Quorvel \(HALF BRIDGE\)$')
        time.sleep(1)
        yield program, main_window
    finally:
        if program.poll() is None:
            program.kill()


def main():
    folder = tempfile.mkdtemp(prefix='quorvel-e2e-desktop-')
    env = dict(os.environ, QT_QPA_PLATFORM='xcb', XDG_CONFIG_HOME=folder)
    path = os.path.join(folder, 'amp.quorvel')
    with started(folder, env) as (program, main_window):
        through_file_dialog(main_window, 'a', '^Save the design$', 'amp.quorvel')
        window(r'^amp\.quorvel - Quorvel \(HALF BRIDGE\)$', 5)
        keys(main_window, 'alt+t', 'f')  # Topology, Full_Bridge: a change
        window(r'^amp\.quorvel\* - Quorvel \(FULL BRIDGE\)$', 5)
        keys(main_window, 'alt+e')
        keys(window('^Quorvel$', 5), 'Escape')  # Cancel
        time.sleep(1)
        check('after Exit and Cancel, the program', program.poll(), None)
        keys(main_window, 'alt+e')
        keys(window('^Quorvel$', 5), 'Return')  # Save, the default answer
        check('after Exit and Save, its status', program.wait(timeout=10), 0)
    # The start-up design in full bridge, every field a text, keys sorted, four-space indents.
    design = {'Speaker_L': '.67', 'audio-frequency': '1000', 'capacitor-rating': '', 'filter_c_par': '1.0',
              'filter_l_par': '22', 'format': 'quorvel-design', 'fsw': '', 'inductor-rating': '', 'load_file': '',
              'load_power': '50', 'modulation': 'bd', 'speaker_r_mode': '8', 'supply': '', 'topology': 'full',
              'version': 1, 'zobel-rating': '', 'zobel_c_par': '.1', 'zobel_c_ser': '.1', 'zobel_r_par': '6'}
    expected = json.dumps(design, indent=4, sort_keys=True) + '\n'
    check('the saved file', open(path).read() if os.path.exists(path) else '(none)', expected)

    with started(folder, env) as (program, main_window):
        through_file_dialog(main_window, 'o', '^Open a design$', 'amp.quorvel')
        window(r'^amp\.quorvel - Quorvel \(FULL BRIDGE\)$', 5)
        keys(main_window, 'alt+e')  # unchanged: ends at once
        check('the program started again, its status', program.wait(timeout=10), 0)
    print('\n'.join('e2e_desktop: FAIL: ' + f for f in FAILURES) or 'e2e_desktop: passed')
    if not FAILURES:
        shutil.rmtree(folder)
    return 1 if FAILURES else 0


sys.exit(main())
