#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Writes a benchmark's worth of strandel-report input: gray PNG images,
hand-made segmentations, the label images of several chains, and the results
tables of those chains. Python's standard library only (PNGs by hand).

    make_report_data.py OUT [--images N] [--chains C] [--size WxH] [--tables T] [--awkward] [--sparse]

OUT/images/   the images and NAME_seg.png manual segmentations
OUT/labels/   STEM.N.png label images (class index per pixel)
OUT/results-K.csv  T tables (the rows dealt out like shards)

--awkward gives file names and chain texts with spaces, quotes, commas, '<'
and '&', one image without a manual segmentation, one image file that does
not decode and one missing label image; the segmenter's degenerate values
(inf, -inf, nan) appear with or without it.

--sparse leaves some chains without a row for some images (as tables of
different runs do), and writes the status column of newer tables with one
image skipped by every chain.
"""
import argparse
import csv
import math
import os
import random
import struct
import zlib

CHAINS = [
    "AiNet",
    "AiNet; K-Means(10, 4)",
    "K-Means(10, 3); Fuzzy C-Means",
    "Particle Swarm Optimization; K-Means",
    "Fuzzy C-Means(10, 5, 2.0)",
    "AiNet; Fuzzy C-Means",
]
AWKWARD_CHAIN = 'K-Means(10, 3); "Fuzzy" <C-Means> & more'


def png(path, width, height, data, bit_depth=8):
    """Writes gray pixels (bytes, row by row; 2 bytes big-endian each at 16 bits)."""
    row = width * (2 if bit_depth == 16 else 1)
    raw = b"".join(b"\0" + data[y * row:(y + 1) * row] for y in range(height))

    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))

    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n")
        f.write(chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, bit_depth, 0, 0, 0, 0)))
        f.write(chunk(b"IDAT", zlib.compress(raw, 6)))
        f.write(chunk(b"IEND", b""))


def scene(rng, width, height):
    """A region map (region index per pixel) of a few overlapping ellipses."""
    regions = bytearray(width * height)
    count = rng.randint(2, 4)
    for index in range(1, count + 1):
        cx, cy = rng.uniform(0.2, 0.8) * width, rng.uniform(0.2, 0.8) * height
        rx, ry = rng.uniform(0.12, 0.35) * width, rng.uniform(0.12, 0.35) * height
        for y in range(max(0, int(cy - ry)), min(height, int(cy + ry) + 1)):
            t = 1 - ((y - cy) / ry) ** 2
            if t <= 0:
                continue
            half = rx * math.sqrt(t)
            x0, x1 = max(0, int(cx - half)), min(width, int(cx + half) + 1)
            regions[y * width + x0:y * width + x1] = bytes([index]) * (x1 - x0)
    return regions, count + 1


def jaccard(manual, labels):
    """Mean over manual regions of the best Jaccard index over the classes."""
    pairs, sizes_m, sizes_l = {}, {}, {}
    for m, l in zip(manual, labels):
        pairs[(m, l)] = pairs.get((m, l), 0) + 1
    for (m, l), n in pairs.items():
        sizes_m[m] = sizes_m.get(m, 0) + n
        sizes_l[l] = sizes_l.get(l, 0) + n
    best = {}
    for (m, l), n in pairs.items():
        best[m] = max(best.get(m, 0), n / (sizes_m[m] + sizes_l[l] - n))
    return sum(best.values()) / len(best)


def shortest(value):
    if math.isnan(value):
        return "nan"
    if math.isinf(value):
        return "inf" if value > 0 else "-inf"
    return repr(value)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("out")
    parser.add_argument("--images", type=int, default=20)
    parser.add_argument("--chains", type=int, default=4)
    parser.add_argument("--size", default="256x192")
    parser.add_argument("--tables", type=int, default=1)
    parser.add_argument("--seed", type=int, default=7)
    parser.add_argument("--awkward", action="store_true")
    parser.add_argument("--sparse", action="store_true")
    args = parser.parse_args()
    width, height = (int(v) for v in args.size.split("x"))
    rng = random.Random(args.seed)
    images_dir = os.path.join(args.out, "images")
    labels_dir = os.path.join(args.out, "labels")
    os.makedirs(images_dir, exist_ok=True)
    os.makedirs(labels_dir, exist_ok=True)
    chains = CHAINS[:args.chains]
    if args.awkward:
        chains[-1] = AWKWARD_CHAIN
    # Each chain separates gray levels with its own bias: how far its class
    # boundaries sit from the true ones, and how many it finds.
    skill = [rng.uniform(2, 28) for _ in chains]
    rows = []
    for position in range(args.images):
        stem = "cell %03d" % position if args.awkward and position % 5 == 1 else "img%03d" % position
        if args.awkward and position == 2:
            stem = 'odd "name" <b>&amp; x'
        image = os.path.join(images_dir, stem + ".png")
        manual_path = os.path.join(images_dir, stem + "_seg.png")
        regions, count = scene(rng, width, height)
        levels = sorted(rng.sample(range(20, 236, 12), count))
        shading = [int(18 * math.sin((x + position) / width * math.pi)) for x in range(width)]
        noise = [int(rng.gauss(0, 9)) for _ in range(4096)]
        pixels = bytes(
            min(255, max(0, levels[regions[i]] + shading[i % width] + noise[(i * 7 + position) % 4096]))
            for i in range(width * height))
        if args.awkward and position == 3:
            with open(image, "wb") as f:
                f.write(b"\x89PNG\r\n\x1a\nnot really a png")
        else:
            png(image, width, height, pixels)
        has_manual = not (args.awkward and position == 4)
        manual = bytes(min(255, round(r * 255 / max(1, count - 1))) for r in range(256))
        manual_pixels = bytes(regions.translate(manual))
        if has_manual:
            png(manual_path, width, height, manual_pixels)
        for k, chain in enumerate(chains):
            # Class boundaries: the midpoints between true levels, moved by
            # the chain's bias; a class index per gray level.
            bounds = sorted(min(255, max(1, (a + b) // 2 + int(rng.gauss(0, skill[k]))))
                            for a, b in zip(levels, levels[1:]))
            if k % 2 == 1 and len(bounds) > 1:
                bounds = bounds[:-1]
            lut = bytes(sum(g >= b for b in bounds) for g in range(256))
            labels = pixels.translate(lut)
            if not (args.awkward and position == 5 and k == 0):
                png(os.path.join(labels_dir, "%s.%d.png" % (stem, k + 1)), width, height, labels)
            classes = len(bounds) + 1
            centres = " ".join("%.4f" % (levels[min(c, count - 1)] + rng.uniform(-3, 3)) for c in range(classes))
            quality = 1 - skill[k] / 40
            turi = rng.lognormvariate(math.log(1.5 + 2 * quality), 0.35)
            dunn = rng.lognormvariate(math.log(8 + 30 * quality), 0.4)
            amrane = rng.gauss(0.9 + 0.3 * quality, 0.08)
            liu = rng.lognormvariate(math.log(1 + 5 * quality), 0.5)
            # Degenerate values as the segmenter gives them: a perfect
            # separation rates inf, a single class nan.
            if (position + k) % 23 == 7:
                dunn = math.inf
            if (position * 3 + k) % 41 == 11:
                liu = math.nan
            if (position + 2 * k) % 53 == 13:
                turi = -math.inf
            jac = jaccard(manual_pixels, labels) if has_manual else None
            if args.sparse and (position * 7 + k * 3) % 5 == 1 and k > 0:
                continue  # this chain has no row for this image
            if args.sparse and position == 6:
                rows.append([chain, position, image, "", "", "", "", "", "", "", "", "",
                             "skipped: it is a directory, not an image file"])
                continue
            rows.append([chain, position, image, manual_path if has_manual else "", classes, centres,
                         "%.3f" % rng.uniform(0.01, 0.2), shortest(turi), shortest(dunn), shortest(amrane),
                         shortest(liu), "" if jac is None else shortest(jac)] + (["ok"] if args.sparse else []))
    header = ["chain", "position", "image", "manual_segmentation", "classes", "centres", "seconds",
              "turi", "dunn", "amrane", "liu_yang", "jaccard"] + (["status"] if args.sparse else [])
    for t in range(args.tables):
        with open(os.path.join(args.out, "results-%d.csv" % t), "w", newline="") as f:
            writer = csv.writer(f, lineterminator="\r\n")
            writer.writerow(header)
            writer.writerows(r for r in rows if r[1] % args.tables == t)


if __name__ == "__main__":
    main()
