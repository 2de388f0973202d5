#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Writes a small data set for the engines' equality on evaluation runs:
gray, colour and 16-bit images (PNG and TIFF), for each two annotators
(an 8-bit and a 16-bit label image) in gt/STEM.K.png, the same annotators
in mat/STEM.mat (scipy.io.savemat), a method's label images in
method/STEM.png (16-bit; one missing), and eval.list naming the images.
Exit status 77 without numpy, OpenCV or SciPy.

Usage: make_evaluation_set.py FOLDER
"""
import os
import sys

try:
    import cv2
    import numpy as np
    import scipy.io
except ImportError as missing:
    print(f"skipped: {missing}")
    sys.exit(77)

folder = sys.argv[1]
for sub in ("gt", "mat", "method"):
    os.makedirs(os.path.join(folder, sub), exist_ok=True)
rng = np.random.default_rng(3)
yy, xx = np.mgrid[:60, :70]
names = []
for i, kind in enumerate(["gray.png", "colour.png", "colour.tif", "deep.png", "deep.tif"]):
    labels = np.zeros((60, 70), np.int64)
    for label in (1, 2, 3):
        cy, cx, r = rng.integers(10, 50), rng.integers(10, 60), rng.integers(6, 14)
        labels[(yy - cy) ** 2 + (xx - cx) ** 2 <= r * r] = label
    tones = rng.choice(np.arange(30, 220), 4, replace=False)
    base = tones[labels] + rng.integers(-10, 11, labels.shape)
    stem = f"s{i}_{kind.split('.')[0]}"
    name = stem + "." + kind.split(".")[1]
    if kind.startswith("colour"):
        shift = rng.integers(-40, 41, (4, 3))
        pixels = np.clip(base[..., None] + shift[labels], 0, 255).astype(np.uint8)[..., ::-1]  # BGR for OpenCV
    elif kind.startswith("deep"):
        pixels = (base * 12 + 500).astype(np.uint16)  # 12-bit data in 16 bits
    else:
        pixels = np.clip(base, 0, 255).astype(np.uint8)
    cv2.imwrite(os.path.join(folder, name), pixels)
    names.append(name)
    second = np.roll(labels, 3, axis=0) * 1000 + 1
    cv2.imwrite(os.path.join(folder, "gt", stem + ".1.png"), labels.astype(np.uint8))
    cv2.imwrite(os.path.join(folder, "gt", stem + ".2.png"), second.astype(np.uint16))
    truths = np.empty((1, 2), dtype=object)
    for a, plane in enumerate((labels, second)):
        truths[0, a] = {"Segmentation": plane.astype(np.uint16)}
    scipy.io.savemat(os.path.join(folder, "mat", stem + ".mat"), {"groundTruth": truths})
    if i != 1:
        method = np.where(labels > 0, 5000 + labels, 9).astype(np.uint16)
        cv2.imwrite(os.path.join(folder, "method", stem + ".png"), method)
with open(os.path.join(folder, "eval.list"), "w") as f:
    f.write("".join(n + "\n" for n in names))
