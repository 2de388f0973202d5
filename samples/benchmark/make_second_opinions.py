#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Writes what the demo's evaluation run adds to the sample benchmark:

- annotators/NAME.1.png and NAME.2.png for every NAME_seg.png: the first
  annotator is NAME_seg.png itself; the second drew every region two
  pixels further right and merged the two brightest regions (annotators
  disagree at boundaries and on what is one region), stored as a 16-bit
  label image (labels 1000, 2000, ...); `--ground-truth 'annotators/{stem}.{k}.png'`
  names both;
- threshold/NAME.png for every image: an external method's segmentation,
  a 16-bit label image (labels 1000 and 2000) that thresholds the image
  at its mean gray level, as another tool might have written it; rated
  with `--score threshold='threshold/{stem}.png'`.

Deterministic, standard library only; reads the PNGs make_samples.py
writes (8-bit gray, filter 0).
"""
import os
import struct
import sys
import zlib


def read_gray_png(path):
    with open(path, "rb") as f:
        data = f.read()
    at, width, height, idat = 8, 0, 0, b""
    while at < len(data):
        length, kind = struct.unpack(">I4s", data[at:at + 8])
        body = data[at + 8:at + 8 + length]
        if kind == b"IHDR":
            width, height, depth, colour = struct.unpack(">IIBB", body[:10])
            if depth != 8 or colour != 0:
                sys.exit(f"{path}: not an 8-bit gray PNG")
        elif kind == b"IDAT":
            idat += body
        at += 12 + length
    raw = zlib.decompress(idat)
    rows = []
    for y in range(height):
        row = raw[y * (width + 1):(y + 1) * (width + 1)]
        if row[0] != 0:
            sys.exit(f"{path}: row filter {row[0]} (only filter 0 is read)")
        rows.append(list(row[1:]))
    return width, height, rows


def write_png(path, width, height, rows, depth):
    pack = (lambda row: bytes(row)) if depth == 8 else (lambda row: struct.pack(f">{len(row)}H", *row))
    raw = b"".join(b"\x00" + pack(row) for row in rows)

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n")
        f.write(chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, depth, 0, 0, 0, 0)))
        f.write(chunk(b"IDAT", zlib.compress(raw, 9)))
        f.write(chunk(b"IEND", b""))


def second_annotator(width, rows):
    labels = sorted({v for row in rows for v in row})
    merged = {labels[-1]: labels[-2]} if len(labels) > 2 else {}
    return [[merged.get(row[max(0, x - 2)], row[max(0, x - 2)]) for x in range(width)] for row in rows]


def main():
    folder = os.path.dirname(os.path.abspath(__file__))
    for sub in ("threshold", "annotators"):
        os.makedirs(os.path.join(folder, sub), exist_ok=True)
    with open(os.path.join(folder, "sample.list")) as f:
        images = [line.strip() for line in f if line.strip()]
    for image in images:
        stem = image[:-4]
        width, height, pixels = read_gray_png(os.path.join(folder, image))
        mean = sum(map(sum, pixels)) / (width * height)
        method = [[2000 if v > mean else 1000 for v in row] for row in pixels]
        write_png(os.path.join(folder, "threshold", stem + ".png"), width, height, method, 16)
        seg = os.path.join(folder, stem + "_seg.png")
        if os.path.exists(seg):
            w, h, labels = read_gray_png(seg)
            write_png(os.path.join(folder, "annotators", stem + ".1.png"), w, h, labels, 8)
            second = second_annotator(w, labels)
            rank = {v: 1000 * (i + 1) for i, v in enumerate(sorted({v for row in second for v in row}))}
            second = [[rank[v] for v in row] for row in second]
            write_png(os.path.join(folder, "annotators", stem + ".2.png"), w, h, second, 16)


if __name__ == "__main__":
    main()
