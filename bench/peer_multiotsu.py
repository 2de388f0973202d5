#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""The peer a researcher would otherwise write: every image of a list read
with OpenCV, segmented by multi-Otsu thresholds (scikit-image) into CLASSES
classes, and rated against its manual segmentation (NAME_seg.png) by the
mean best-match Jaccard index; one tab-separated line per image to OUT.
Needs Debian's python3-opencv and python3-skimage.

Usage: peer_multiotsu.py LIST OUT [CLASSES]
"""
import os
import sys

import cv2
import numpy as np
from skimage.filters import threshold_multiotsu

list_file, out = sys.argv[1], sys.argv[2]
classes = int(sys.argv[3]) if len(sys.argv) > 3 else 3
folder = os.path.dirname(os.path.abspath(list_file))
with open(list_file) as f, open(out, "a") as report:
    for position, name in enumerate(line.strip() for line in f):
        path = os.path.join(folder, name)
        image = cv2.imread(path, cv2.IMREAD_GRAYSCALE)
        if image is None:
            print("skipping " + path, file=sys.stderr)
            continue
        thresholds = threshold_multiotsu(image, classes=classes)
        labels = np.digitize(image, bins=thresholds)
        line = [str(position), str(classes)] + ["%.2f" % t for t in thresholds]
        manual = cv2.imread(path[:path.rindex(".")] + "_seg" + path[path.rindex("."):], cv2.IMREAD_GRAYSCALE)
        if manual is not None and manual.shape == image.shape:
            scores = []
            for region in np.unique(manual):
                inside = manual == region
                best = 0.0
                for c in range(classes):
                    mine = labels == c
                    union = np.count_nonzero(inside | mine)
                    best = max(best, np.count_nonzero(inside & mine) / union if union else 0.0)
                scores.append(best)
            line.append("%.2f" % (sum(scores) / len(scores)))
        report.write("\t".join(line) + "\n")
