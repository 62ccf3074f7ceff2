#!/usr/bin/env python3
"""Independent reference for the six gain figures of a design: the network solved with complex
arithmetic (speaker, filter capacitor and Zobel branch as admittances), not with the program's
expanded kernel. Prints each figure and its distance from the nearest rounding tie, so that a row
is only used when the two computations cannot round differently.

usage: gain_figures.py  Rs  Ls_mH  Lf_uH  Cf_uF  Rz  Czp_uF  Czs_uF  full(0|1)"""
import math, sys

def figures(Rs, Ls, Lf, Cf, Rz, Czp, Czs, full):
    k = 2 if full else 1
    L = Lf * k
    Czp = Czp or 1e-13
    Czs = Czs or 1e-13
    Rz *= 1.0000001
    out = {}
    for zobel in (False, True):
        best = 0.0
        for i in range(1, 10001):
            f, w = i * 100.0, i * 6.28318 * 100
            Y = 1 / complex(Rs, w * Ls) + 1j * w * Cf
            if zobel:
                Y += (1j * w * Czs * (1 + 1j * w * Rz * Czp) / (1 + 1j * w * Rz * (Czp + Czs))) / k
            ZL = 1 / Y
            g = abs(ZL) / abs(ZL + 1j * w * L)
            dB = 20 * math.log10(g) if g > 0 else -200.0
            best = max(best, dB)
            if f in (20000.0, 384000.0):
                out[(zobel, f)] = dB
        out[(zobel, 'max')] = best
    return out

def text(v):
    n = round(v * 100)
    s = ('%.2f' % (n / 100)).rstrip('0').rstrip('.')
    return ('0' if s in ('-0', '') else s) + 'dB'

a = [float(x) for x in sys.argv[1:9]]
r = figures(a[0], a[1] * 1e-3, a[2] * 1e-6, a[3] * 1e-6, a[4], a[5] * 1e-6, a[6] * 1e-6, a[7] != 0)
for zobel in (False, True):
    row = [r[(zobel, 'max')], r[(zobel, 20000.0)], r[(zobel, 384000.0)]]
    margin = min(abs((v * 100) % 1 - 0.5) for v in row)
    print('with Zobel' if zobel else 'without   ', ' '.join(text(v) for v in row), ' tie margin %.3g' % margin)
