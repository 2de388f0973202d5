#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Milliseconds OpenCV's imread takes for an image and its manual
segmentation (NAME_seg.png beside it), per pair: the median of ROUNDS passes
over the images of FOLDER/bench.list. Prints one number; needs Debian's
python3-opencv.

Usage: opencv_imread.py FOLDER [ROUNDS]
"""
import os
import statistics
import sys
import time

import cv2

folder = sys.argv[1]
rounds = int(sys.argv[2]) if len(sys.argv) > 2 else 5
cv2.setNumThreads(1)
with open(os.path.join(folder, "bench.list")) as f:
    names = [line.strip() for line in f if line.strip()]
pairs = [(os.path.join(folder, n), os.path.join(folder, n[:n.rindex(".")] + "_seg" + n[n.rindex("."):]))
         for n in names]
per_pair = []
for _ in range(rounds):
    start = time.perf_counter()
    for image, manual in pairs:
        if cv2.imread(image, cv2.IMREAD_UNCHANGED) is None or cv2.imread(manual, cv2.IMREAD_UNCHANGED) is None:
            sys.exit("could not read " + image)
    per_pair.append((time.perf_counter() - start) / len(pairs) * 1000)
print("%.3f" % statistics.median(per_pair))
