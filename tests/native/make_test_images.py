#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Writes the small images the strandel-bench checks run on, with known pixels.

Every picture is three vertical bands of gray levels 20, 120 and 220, 40, 50
and 60 columns wide, so the three levels have different counts and K-Means starts from (and stays on) exactly those levels. The
layouts differ in how the level is stored: gray, gray with alpha, the third
byte of RGB and RGBA, 16 bits. Only the standard library is used, so the
PNG chunks are written by hand.
"""
import os
import struct
import sys
import zlib

WIDTH, HEIGHT = 150, 70  # neither a multiple of 64 nor of GEGL's tiles
LEVELS = (20, 120, 220)


def band_of(x):
    return 0 if x < 40 else (1 if x < 90 else 2)


def chunk(kind, data):
    body = kind + data
    return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)


def write_png(path, width, height, colour_type, bit_depth, rows, palette=None, gamma=None):
    raw = b"".join(b"\x00" + bytes(row) for row in rows)
    data = b"\x89PNG\r\n\x1a\n"
    data += chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, bit_depth, colour_type, 0, 0, 0))
    if gamma is not None:
        data += chunk(b"gAMA", struct.pack(">I", gamma))
    if palette is not None:
        data += chunk(b"PLTE", b"".join(bytes(c) for c in palette))
    data += chunk(b"IDAT", zlib.compress(raw))
    data += chunk(b"IEND", b"")
    with open(path, "wb") as f:
        f.write(data)


def image_rows(pixel, width=WIDTH, height=HEIGHT):
    rows = []
    for y in range(height):
        row = []
        for x in range(width):
            row.extend(pixel(x, y, LEVELS[band_of(x)]))
        rows.append(row)
    return rows


def main(folder):
    os.makedirs(folder, exist_ok=True)
    p = lambda name: os.path.join(folder, name)
    # Gray, and its manual segmentation: labels 0, 128, 255 on the bands.
    write_png(p("gray.png"), WIDTH, HEIGHT, 0, 8, image_rows(lambda x, y, g: [g]))
    write_png(p("gray_seg.png"), WIDTH, HEIGHT, 0, 8,
              image_rows(lambda x, y, g: [(0, 128, 255)[band_of(x)]]))
    # Gray with alpha, alpha all over the range (0 included): the gray byte counts.
    write_png(p("graya.png"), WIDTH, HEIGHT, 4, 8, image_rows(lambda x, y, g: [g, (x * 7 + y) % 256]))
    # Its manual segmentation joins the first two bands into one label:
    # label 0 is best matched by band 2 (50 / 90), label 255 by band 3.
    write_png(p("graya_seg.png"), WIDTH, HEIGHT, 0, 8,
              image_rows(lambda x, y, g: [0 if band_of(x) < 2 else 255]))
    # Colour: the level lies in the third byte, the first two are noise.
    write_png(p("rgb.png"), WIDTH, HEIGHT, 2, 8, image_rows(lambda x, y, g: [(x * 13) % 256, (y * 31) % 256, g]))
    # A manual segmentation of another size is ignored.
    write_png(p("rgb_seg.png"), WIDTH - 1, HEIGHT, 0, 8,
              image_rows(lambda x, y, g: [(0, 128, 255)[band_of(x)]], WIDTH - 1))
    write_png(p("rgba.png"), WIDTH, HEIGHT, 6, 8,
              image_rows(lambda x, y, g: [(x * 5) % 256, (y * 3) % 256, g, 0 if x % 2 else 255]))
    # 16 bits per channel: level g stored as g * 257 comes back as g in 8 bits.
    write_png(p("deep.png"), WIDTH, HEIGHT, 0, 16,
              image_rows(lambda x, y, g: list(struct.pack(">H", g * 257))))
    # Declared linear (gamma 1.0): its 8-bit values are kept as they are.
    write_png(p("linear.png"), WIDTH, HEIGHT, 0, 8, image_rows(lambda x, y, g: [g]), gamma=100000)
    # A palette image: refused, as a palette index is no gray level.
    write_png(p("indexed.png"), WIDTH, HEIGHT, 3, 8, image_rows(lambda x, y, g: [band_of(x)]),
              palette=[(g, g, g) for g in LEVELS])
    with open(p("broken.png"), "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\nthis is not an image")


if __name__ == "__main__":
    main(sys.argv[1])
