#!/usr/bin/env python3
"""Reference values for tst_power and tst_powerwindow: the Zobel resistor's dissipation, written
out from the circuit (Cs in series with R, R shunted by Cp, driven by the load voltage), in plain
Python floats. Prints the RMS voltage and the dissipation at 7 kHz, 20 kHz and 100 kHz."""
import math

def dissipation(speaker_r, load_w, c_par, c_ser, r, full, hz):
    v = math.sqrt(speaker_r * load_w) / (2.0 if full else 1.0)
    c_par, c_ser, r = (x if x != 0 else 1e-13 for x in (c_par, c_ser, r))
    w = (hz / 100.0) * 6.28 * 100.0
    z_par = complex(r, 0) / complex(1, w * c_par * r)           # R shunted by Cp
    current = v / abs(z_par + 1 / complex(0, w * c_ser))        # through the branch
    v_r = current * abs(z_par)                                  # across R
    return v, v_r ** 2 / r

for case in [(8, 50, 1e-7, 1e-7, 6, False), (8, 50, 1e-7, 1e-7, 6, True),
             (8, 50, 0, 1e-7, 6, False), (8, 300, 1e-7, 1e-6, 10, False),
             (8, 300, 0, 1e-6, 10, False), (8, 20, 1e-7, 1e-7, 6, False)]:
    v, p7 = dissipation(*case, 7000)
    print(case, "V=%r P7k=%r P20k=%r P100k=%r" % (v, p7, dissipation(*case, 20000)[1],
                                                  dissipation(*case, 100000)[1]))
