#!/usr/bin/env python3
"""Independent reference for the six gain figures of a design: network.py's solution of the
network with complex arithmetic (speaker, filter capacitor and Zobel branch as admittances), not
the program's expanded kernel. Prints each figure and its distance from the nearest rounding tie,
so that a row is only used when the two computations cannot round differently.

usage: gain_figures.py  Rs  Ls_mH  Lf_uH  Cf_uF  Rz  Czp_uF  Czs_uF  full(0|1)"""
import argparse
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import network  # noqa: E402

a = sys.argv[1:9]
d = network.Design(argparse.Namespace(
    speaker_r=a[0], speaker_l=a[1], filter_l=a[2], filter_c=a[3], zobel_r=a[4], zobel_c_par=a[5],
    zobel_c_ser=a[6], full_bridge=float(a[7]) != 0, load_power="0"))
for zobel in (False, True):
    row = d.figures(zobel)
    margin = min(abs((v * 100) % 1 - 0.5) for v in row)
    print('with Zobel' if zobel else 'without   ', ' '.join(network.figure_text(v) for v in row),
          ' tie margin %.3g' % margin)
