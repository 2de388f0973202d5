#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Label images written by strandel-bench and strandel-chain, checked pixel
by pixel against the classes the results table reports. Standard library
only (PNG decoded by hand).

    label_images.py make FOLDER             noisy gray, gray+alpha and RGB images
    label_images.py table TABLE.csv FOLDER  every label image of the table
    label_images.py one IMAGE LABELS.png CENTRES  one label image (centres comma-separated)
"""
import csv
import os
import random
import struct
import sys
import zlib

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from make_test_images import write_png  # noqa: E402

MARK = b"Software\0Strandel label image"


def chunks(data):
    at = 8
    while at < len(data):
        length, kind = struct.unpack(">I4s", data[at:at + 8])
        yield kind, data[at + 8:at + 8 + length]
        at += 12 + length


def decode(path):
    """(width, height, bit depth, channels, rows of samples, text chunks before IDAT)."""
    with open(path, "rb") as f:
        data = f.read()
    assert data[:8] == b"\x89PNG\r\n\x1a\n", path
    idat, texts = b"", []
    for kind, body in chunks(data):
        if kind == b"IHDR":
            width, height, depth, colour, _, _, interlace = struct.unpack(">IIBBBBB", body)
            assert interlace == 0 and colour in (0, 2, 4, 6), (path, colour, interlace)
        elif kind == b"tEXt" and not idat:
            texts.append(body)
        elif kind == b"IDAT":
            idat += body
    channels = {0: 1, 2: 3, 4: 2, 6: 4}[colour]
    size = depth // 8
    stride, bpp = width * channels * size, channels * size
    raw, rows, previous = zlib.decompress(idat), [], bytearray(stride)
    for y in range(height):
        kind, line = raw[y * (stride + 1)], bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for i in range(stride):
            a = line[i - bpp] if i >= bpp else 0
            b, c = previous[i], previous[i - bpp] if i >= bpp else 0
            p = a + b - c
            pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
            line[i] = (line[i] + (0, a, b, (a + b) // 2, a if pa <= pb and pa <= pc else b if pb <= pc else c)[kind]) & 255
        rows.append([int.from_bytes(line[x * size:(x + 1) * size], "big") for x in range(width * channels)])
        previous = line
    return width, height, depth, channels, rows, texts


def gray_levels(path):
    """The level the segmenter counts: the gray byte, or the third of colour pixels."""
    width, height, depth, channels, rows, _ = decode(path)
    assert depth == 8
    pick = 2 if channels >= 3 else 0
    return width, height, [[row[x * channels + pick] for x in range(width)] for row in rows]


def nearest(centres, level):
    return min(range(len(centres)), key=lambda i: (abs(centres[i] - level), i))


def check(image, labels, centres):
    """Problems of one label image; empty when every pixel is right."""
    width, height, levels = gray_levels(image)
    lw, lh, depth, channels, rows, texts = decode(labels)
    problems = []
    if (lw, lh, channels) != (width, height, 1):
        return ["%s: %dx%d, %d channels; the image is %dx%d" % (labels, lw, lh, channels, width, height)]
    if depth != (16 if len(centres) > 256 else 8):
        problems.append("%s: %d bits for %d classes" % (labels, depth, len(centres)))
    if MARK not in texts:
        problems.append("%s: no %r text chunk before the pixels" % (labels, MARK))
    lookup = {g: nearest(centres, g) for g in range(256)}
    wrong = [(x, y) for y in range(height) for x in range(width) if rows[y][x] != lookup[levels[y][x]]]
    if wrong:
        x, y = wrong[0]
        problems.append("%s: %d pixels wrong, first (%d, %d): %d instead of %d"
                        % (labels, len(wrong), x, y, rows[y][x], lookup[levels[y][x]]))
    return problems


def make(folder):
    """Gradients with noise: many gray levels, so that many classes meet."""
    os.makedirs(folder, exist_ok=True)
    rng, width, height = random.Random(5), 97, 61
    level = lambda x, y: min(255, max(0, (x * 255) // width // 2 + y + rng.randint(-20, 20)))
    for name, colour, pixel in [("gray", 0, lambda g: [g]), ("gray alpha", 4, lambda g: [g, rng.randrange(256)]),
                                ("colour", 2, lambda g: [rng.randrange(256), 255 - g, g])]:
        rows = [sum((pixel(level(x, y)) for x in range(width)), []) for y in range(height)]
        write_png(os.path.join(folder, name + ".png"), width, height, colour, 8, rows)


def main(argv):
    if argv[1] == "make":
        make(argv[2])
        return 0
    if argv[1] == "one":
        problems = check(argv[2], argv[3], [float(c) for c in argv[4].split(",")])
    else:
        problems, chains, count = [], [], 0
        with open(argv[2], newline="") as f:
            for row in csv.DictReader(f):
                if row["chain"] not in chains:
                    chains.append(row["chain"])
                if row["status"] != "ok":
                    continue
                stem = os.path.splitext(os.path.basename(row["image"]))[0]
                labels = os.path.join(argv[3], "%s.%d.png" % (stem, chains.index(row["chain"]) + 1))
                # A table's relative paths start from its own folder.
                image = os.path.join(os.path.dirname(argv[2]), row["image"])
                if image.endswith(".png"):
                    problems += check(image, labels, [float(c) for c in row["centres"].split()])
                    count += 1
        if count == 0:
            problems.append("no label image checked")
    for p in problems:
        print("FAIL: " + p)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
