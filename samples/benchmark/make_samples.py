#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Writes the sample benchmark: small 8-bit gray PNG images of simple scenes
(discs and bands over a background, with pixel noise), the hand-made
segmentation of most of them beside them as NAME_seg.png (one gray level per
region), and sample.list naming the images, one per line.

Deterministic: the same files come out on every run. Standard library only.
"""
import os
import random
import struct
import sys
import zlib


def write_gray_png(path, width, height, pixels):
    """pixels: list of rows, each a list of ints 0..255."""
    raw = b"".join(b"\x00" + bytes(row) for row in pixels)

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    header = struct.pack(">IIBBBBB", width, height, 8, 0, 0, 0, 0)
    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n")
        f.write(chunk(b"IHDR", header))
        f.write(chunk(b"IDAT", zlib.compress(raw, 9)))
        f.write(chunk(b"IEND", b""))


def scene(rng, width, height, regions):
    """regions: list of (label, tone, inside(x, y)) drawn in order over the
    background (label 0). Returns (image rows, segmentation rows)."""
    background = rng.randint(20, 60)
    image, seg = [], []
    for y in range(height):
        irow, srow = [], []
        for x in range(width):
            label, tone = 0, background
            for region_label, region_tone, inside in regions:
                if inside(x, y):
                    label, tone = region_label, region_tone
            noise = rng.randint(-12, 12)
            irow.append(max(0, min(255, tone + noise)))
            srow.append(label)
        image.append(irow)
        seg.append(srow)
    return image, seg


def disc(cx, cy, r):
    return lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def band(y0, y1):
    return lambda x, y: y0 <= y < y1


def main(out_dir):
    rng = random.Random(2026)
    # (name, size, regions, has a manual segmentation). Sizes are not
    # multiples of GIMP's 64-pixel tiles on purpose.
    samples = [
        ("cells", (96, 80), [(128, 170, disc(30, 30, 18)), (255, 220, disc(70, 50, 14))], True),
        ("bands", (100, 70), [(85, 110, band(20, 40)), (170, 200, band(50, 62))], True),
        ("target", (81, 81), [(100, 140, disc(40, 40, 30)), (200, 230, disc(40, 40, 12))], True),
        ("spots", (120, 66), [(60, 120, disc(20, 20, 10)), (120, 160, disc(60, 33, 15)),
                              (180, 210, disc(100, 45, 12))], True),
        ("plain", (70, 90), [(1, 150, band(30, 60))], False),
        ("twodiscs", (90, 75), [(1, 190, disc(25, 37, 16)), (2, 110, disc(65, 37, 16))], False),
    ]
    names = []
    for name, (w, h), regions, with_seg in samples:
        image, seg = scene(rng, w, h, regions)
        image_path = os.path.join(out_dir, name + ".png")
        write_gray_png(image_path, w, h, image)
        if with_seg:
            write_gray_png(os.path.join(out_dir, name + "_seg.png"), w, h, seg)
        names.append(name + ".png")
    with open(os.path.join(out_dir, "sample.list"), "w") as f:
        for n in names:
            f.write(n + "\n")


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else os.path.dirname(os.path.abspath(__file__)))
