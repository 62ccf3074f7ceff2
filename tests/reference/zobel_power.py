#!/usr/bin/env python3
"""Reference values for tst_power and tst_powerwindow, written out from the circuit in complex
arithmetic: the Zobel branch (R shunted by Cp, in series with Cs) driven by the load's RMS voltage,
half of it in full bridge. Prints V and the resistor's power at 7 kHz, 20 kHz and 100 kHz."""
import math

def power(speaker_r, load_w, c_par, c_ser, r, full, hz):
    v = math.sqrt(speaker_r * load_w) / (2.0 if full else 1.0)
    c_par, c_ser, r = (x if x != 0 else 1e-13 for x in (c_par, c_ser, r))
    w = (hz / 100.0) * 6.28 * 100.0
    z_par = r / complex(1, w * c_par * r)
    return v, abs(v * z_par / (z_par + 1 / complex(0, w * c_ser))) ** 2 / r

for case in [(8, 50, 1e-7, 1e-7, 6, 0), (8, 50, 1e-7, 1e-7, 6, 1), (8, 50, 0, 1e-7, 6, 0),
             (8, 300, 1e-7, 1e-6, 10, 0), (8, 300, 0, 1e-6, 10, 0), (8, 50, 1e-7, 1e-7, 10, 0),
             (8, 100, 1e-7, 1e-7, 6, 0), (8, 20, 1e-7, 1e-7, 6, 0), (8, 2.5, 1e-7, 1e-7, 6, 0)]:
    print(case, [repr(power(*case, hz)[i]) for i, hz in [(0, 100), (1, 7000), (1, 20000), (1, 1e5)]])
