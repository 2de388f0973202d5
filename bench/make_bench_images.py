#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Writes COUNT 8-bit gray PNG images of WIDTH x HEIGHT pixels (default 1000
x 1000: discs of a few tones over a background, with pixel noise), each
with its manual segmentation beside it as NAME_seg.png (one gray level per
region), and bench.list naming the images. Deterministic; standard library
only.

Usage: make_bench_images.py FOLDER [COUNT [WIDTHxHEIGHT]]
"""
import os
import random
import struct
import sys
import zlib

WIDTH = HEIGHT = 1000


def write_gray_png(path, rows):
    raw = b"".join(b"\x00" + row for row in rows)

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n")
        f.write(chunk(b"IHDR", struct.pack(">IIBBBBB", WIDTH, HEIGHT, 8, 0, 0, 0, 0)))
        f.write(chunk(b"IDAT", zlib.compress(raw, 6)))
        f.write(chunk(b"IEND", b""))


def make(folder, index):
    rng = random.Random(index)
    tones = [rng.randint(15, 60)] + [rng.randint(70 + 50 * k, 100 + 50 * k) for k in range(3)]
    scale = min(WIDTH, HEIGHT) / 1000
    discs = [(int(rng.randint(150, 850) * WIDTH / 1000), int(rng.randint(150, 850) * HEIGHT / 1000),
              int(rng.randint(60, 200) * scale), 1 + rng.randrange(3)) for _ in range(4)]
    # Fresh pixel noise on every row (0 to 16, as sensor noise on a photo),
    # so that the files compress as photos do, not as repeated patterns.
    to_noise = bytes(b % 17 for b in range(256))
    image_rows, seg_rows = [], []
    for y in range(HEIGHT):
        labels = bytearray(WIDTH)
        for cx, cy, r, label in discs:
            dy = y - cy
            if abs(dy) >= r:
                continue
            half = int((r * r - dy * dy) ** 0.5)
            left, right = max(0, cx - half), min(WIDTH, cx + half)
            labels[left:right] = bytes([label]) * max(0, right - left)
        noise = rng.randbytes(WIDTH).translate(to_noise)
        row = bytes(min(255, tones[l] + n - 8 if tones[l] + n >= 8 else 0) for l, n in zip(labels, noise))
        image_rows.append(row)
        seg_rows.append(bytes(l * 60 for l in labels))
    name = "img%02d.png" % index
    write_gray_png(os.path.join(folder, name), image_rows)
    write_gray_png(os.path.join(folder, "img%02d_seg.png" % index), seg_rows)
    return name


def main():
    global WIDTH, HEIGHT
    if len(sys.argv) not in (2, 3, 4):
        sys.exit(__doc__)
    folder = sys.argv[1]
    count = int(sys.argv[2]) if len(sys.argv) >= 3 else 20
    if len(sys.argv) == 4:
        WIDTH, HEIGHT = (int(v) for v in sys.argv[3].split("x"))
    os.makedirs(folder, exist_ok=True)
    names = [make(folder, i) for i in range(count)]
    with open(os.path.join(folder, "bench.list"), "w") as f:
        f.write("".join(n + "\n" for n in names))


if __name__ == "__main__":
    main()
