#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Writes sample.pgm, a 64x64 8-bit binary PGM for trying strandel-chain:
a dark background, a mid-gray band, a light disc and a small white square,
each tone with a little pixel noise.

Deterministic: the same bytes come out on every run. Standard library only.
Usage: make_sample.py [OUTPUT_DIR]
"""
import os
import random
import sys

WIDTH = HEIGHT = 64


def tone_at(x, y):
    if 44 <= x < 56 and 6 <= y < 18:
        return 230  # white square
    if (x - 40) ** 2 + (y - 40) ** 2 < 14 ** 2:
        return 170  # light disc
    if 8 <= x < 24:
        return 100  # mid-gray band
    return 40  # background


def main():
    out_dir = sys.argv[1] if len(sys.argv) > 1 else os.path.dirname(os.path.abspath(__file__))
    rng = random.Random(20261207)
    pixels = bytearray()
    for y in range(HEIGHT):
        for x in range(WIDTH):
            pixels.append(max(0, min(255, tone_at(x, y) + rng.randint(-6, 6))))
    path = os.path.join(out_dir, "sample.pgm")
    with open(path, "wb") as f:
        f.write(b"P5\n# strandel-chain sample: four gray regions with noise\n")
        f.write(b"%d %d\n255\n" % (WIDTH, HEIGHT))
        f.write(bytes(pixels))
    print(path)


if __name__ == "__main__":
    main()
