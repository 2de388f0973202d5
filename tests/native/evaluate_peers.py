#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""strandel-bench's measures of the literature against the peers
researchers use, on a small real run: two annotators (an 8-bit and a 16-bit
label image), a ground truth stored as a MATLAB file by scipy.io.savemat,
one scored method (a 16-bit label image) and two chains whose label images
are saved. Every value of the table and of the long table is recomputed
from the label images on disk: rand_index and adjusted_rand with
scikit-learn, the rest by their definitions with numpy. Then --gray luma
against OpenCV's cvtColor on random RGB images, --levels stretch
against numpy on 12-bit data, and MATLAB ground truths of doubles (one
holding 1.5 is none).

Usage: evaluate_peers.py STRANDEL_BENCH [WORK_FOLDER]
(without WORK_FOLDER a temporary one, removed afterwards). Exit status 77
when a peer module is missing.
"""
import atexit
import csv
import os
import shutil
import subprocess
import sys
import tempfile

try:
    import cv2
    import numpy as np
    import scipy.io
    from scipy.optimize import linear_sum_assignment
    from sklearn.metrics import adjusted_rand_score, rand_score
except ImportError as missing:
    print(f"skipped: {missing}")
    sys.exit(77)

bench = sys.argv[1]
if len(sys.argv) > 2:
    work = sys.argv[2]
else:
    work = tempfile.mkdtemp()
    atexit.register(shutil.rmtree, work, True)
failures = []


def check(what, got, expected, tolerance=1e-12):
    if not np.allclose(got, expected, rtol=tolerance, atol=tolerance):
        failures.append(f"{what}: table {got!r}, peer {expected!r}")


def run(*args):
    done = subprocess.run([bench, *args], cwd=work, capture_output=True, text=True)
    if done.returncode != 0:
        sys.exit(f"strandel-bench {' '.join(args)} failed ({done.returncode}): {done.stderr}")
    return done.stderr


def read_table(path):
    with open(os.path.join(work, path), newline="") as f:
        return list(csv.DictReader(f))


def scene(rng, size, regions):
    """An image of noisy regions and its label plane."""
    labels = np.zeros((size, size), np.int64)
    yy, xx = np.mgrid[:size, :size]
    for label, (cy, cx, r) in enumerate(regions, 1):
        labels[(yy - cy) ** 2 + (xx - cx) ** 2 <= r * r] = label
    tones = rng.choice(np.arange(20, 236), size=len(regions) + 1, replace=False)
    image = np.clip(tones[labels] + rng.integers(-15, 16, labels.shape), 0, 255).astype(np.uint8)
    return image, labels


def entropy_terms(table):
    n = table.sum()
    p = table / n
    rows, cols = p.sum(1), p.sum(0)
    nz = p > 0
    h_joint = -(p[nz] * np.log(p[nz])).sum()
    h_rows = -(rows[rows > 0] * np.log(rows[rows > 0])).sum()
    h_cols = -(cols[cols > 0] * np.log(cols[cols > 0])).sum()
    return 2 * h_joint - h_rows - h_cols


def region_peers(seg, truth):
    """Every region measure of `seg` (classes) against `truth` (regions)."""
    s = np.unique(seg.ravel(), return_inverse=True)[1]
    g = np.unique(truth.ravel(), return_inverse=True)[1]
    table = np.zeros((s.max() + 1, g.max() + 1), np.int64)
    np.add.at(table, (s, g), 1)
    n = table.sum()
    rows, cols = table.sum(1), table.sum(0)
    union = rows[:, None] + cols[None, :] - table
    jaccard = table / union
    # GCE: local refinement errors summed over pixels, the smaller direction.
    e_sg = (table * (rows[:, None] - table) / rows[:, None]).sum() / n
    e_gs = (table * (cols[None, :] - table) / cols[None, :]).sum() / n
    r, c = linear_sum_assignment(-jaccard)
    k = max(table.shape)
    dice = 2 * table[r, c] / (rows[r] + cols[c])
    return {
        "rand_index": rand_score(truth.ravel(), seg.ravel()),
        "adjusted_rand": adjusted_rand_score(truth.ravel(), seg.ravel()),
        "variation_of_information": entropy_terms(table),
        "global_consistency_error": min(e_sg, e_gs),
        "covering": (cols * jaccard.max(0)).sum() / n,
        "matched_jaccard": jaccard[r, c].sum() / k,
        "matched_dice": dice.sum() / k,
        "jaccard": jaccard.max(0).mean(),
    }


def read_labels(path):
    return cv2.imread(os.path.join(work, path), cv2.IMREAD_UNCHANGED).astype(np.int64)


def evaluation_run():
    rng = np.random.default_rng(7)
    os.makedirs(os.path.join(work, "images"), exist_ok=True)
    for sub in ("gt", "mat", "method"):
        os.makedirs(os.path.join(work, sub), exist_ok=True)
    names = []
    for i in range(3):
        regions = [(int(rng.integers(20, 60)), int(rng.integers(20, 60)), int(rng.integers(8, 20))) for _ in range(3)]
        image, labels = scene(rng, 80, regions)
        name = f"scene{i}"
        names.append(name)
        cv2.imwrite(os.path.join(work, "images", name + ".png"), image)
        cv2.imwrite(os.path.join(work, "gt", name + ".1.png"), labels.astype(np.uint8))
        # A second annotator who merged regions 1 and 2 and shifted the
        # rest, as a 16-bit label image with labels above 255.
        second = np.roll(np.where(labels == 2, 1, labels), 2, axis=1) * 300 + 7
        cv2.imwrite(os.path.join(work, "gt", name + ".2.png"), second.astype(np.uint16))
        truths = np.empty((1, 2), dtype=object)
        for a, plane in enumerate((labels, second)):
            truths[0, a] = {"Segmentation": plane.astype(np.uint16), "Boundaries": np.zeros((1, 1), np.uint8)}
        scipy.io.savemat(os.path.join(work, "mat", name + ".mat"), {"groundTruth": truths})
        method = np.where(image > image.mean(), 40000, 3).astype(np.uint16)
        if i == 2:
            method[0, 0] = 12345  # one pixel off: gray levels no longer in one label each
        cv2.imwrite(os.path.join(work, "method", name + ".png"), method)
    with open(os.path.join(work, "bench.list"), "w") as f:
        f.write("".join(f"images/{n}.png\n" for n in names))
    common = ["--chain", "K-Means(10, 3)", "--chain", "AiNet; Fuzzy C-Means", "--seed-each", "3", "--list",
              "bench.list", "--score", "otsu=method/{stem}.png"]
    run(*common, "--ground-truth", "gt/{stem}.{k}.png", "--out", "png-{n}.txt", "--table", "png.csv",
        "--table-annotators", "png-long.csv", "--save-segmentations", "labels")
    run(*common, "--ground-truth", "mat/{stem}.mat", "--out", "mat-{n}.txt", "--table", "mat.csv")
    png, mat, long_rows = read_table("png.csv"), read_table("mat.csv"), read_table("png-long.csv")
    measures = list(region_peers(np.zeros((2, 2)), np.zeros((2, 2))).keys())

    # The table's every value recomputed from the files on disk.
    for row in png:
        name = os.path.basename(row["image"])[:-4]
        position = int(row["position"])
        if row["chain"] == "otsu":
            seg = read_labels(f"method/{name}.png")
        else:
            number = 1 if row["chain"] == "K-Means(10, 3)" else 2
            seg = read_labels(f"labels/{name}.{number}.png")
        truths = [read_labels(f"gt/{name}.1.png"), read_labels(f"gt/{name}.2.png")]
        peers = [region_peers(seg, t) for t in truths]
        if row["annotators"] != "2":
            failures.append(f"{row['chain']} {name}: annotators {row['annotators']}")
        for m in measures:
            column = m
            check(f"{row['chain']} {name} {m} (mean)", float(row[column]), np.mean([p[m] for p in peers]))
        mine = [r for r in long_rows if r["chain"] == row["chain"] and int(r["position"]) == position]
        if [r["annotator"] for r in mine] != ["1", "2"]:
            failures.append(f"{row['chain']} {name}: long rows {[r['annotator'] for r in mine]}")
        for r, p in zip(mine, peers):
            for m in measures:
                check(f"{row['chain']} {name} annotator {r['annotator']} {m}", float(r[m]), p[m])
        # The MATLAB file holds the same two annotators: the same values.
        twin = [r for r in mat if r["chain"] == row["chain"] and r["position"] == row["position"]][0]
        for m in measures + ["turi", "optimal_ratio"]:
            if row[m] != twin[m]:
                failures.append(f"{row['chain']} {name} {m}: PNG ground truth {row[m]}, MATLAB {twin[m]}")
        if row["chain"] == "otsu":
            image = cv2.imread(os.path.join(work, "images", name + ".png"), cv2.IMREAD_UNCHANGED)
            one_label_each = all(len(np.unique(seg[image == g])) <= 1 for g in np.unique(image))
            if one_label_each != (row["turi"] != "" and row["optimal_ratio"] != ""):
                failures.append(f"otsu {name}: unsupervised values {row['turi']!r} with one label per level {one_label_each}")
            if one_label_each:
                means = sorted(image[seg == v].mean() for v in np.unique(seg))
                centres = sorted(float(c) for c in row["centres"].split())
                check(f"otsu {name} centres", np.array(centres), np.array(means))
                # optimal ratio: the best 2-class within sum of squares / the labels'.
                levels = image.ravel().astype(np.float64)
                own = sum(((levels[seg.ravel() == v] - levels[seg.ravel() == v].mean()) ** 2).sum() for v in np.unique(seg))
                best = min(((levels[levels <= t] - levels[levels <= t].mean()) ** 2).sum() +
                           ((levels[levels > t] - levels[levels > t].mean()) ** 2).sum()
                           for t in np.unique(levels)[:-1])
                check(f"otsu {name} optimal_ratio", float(row["optimal_ratio"]), best / own, 1e-9)


def luma_run():
    rng = np.random.default_rng(11)
    os.makedirs(os.path.join(work, "colour"), exist_ok=True)
    files = []
    for i in range(4):
        rgb = rng.integers(0, 256, (37, 53, 3), dtype=np.uint8)
        path = f"colour/c{i}.png"
        cv2.imwrite(os.path.join(work, path), cv2.cvtColor(rgb, cv2.COLOR_RGB2BGR))
        files.append((path, cv2.cvtColor(rgb, cv2.COLOR_RGB2GRAY)))
    with open(os.path.join(work, "colour.list"), "w") as f:
        f.write("".join(p + "\n" for p, _ in files))
    err = run("--gray", "luma", "--list", "colour.list", "--chain", "K-Means(10, 4)", "--seed-each", "1", "--out",
              "luma-{n}.txt", "--save-segmentations", "luma-labels", "--table", "luma.csv")
    if "4 colour image(s) counted by their luma" not in err:
        failures.append(f"--gray luma: no count of colour images in {err!r}")
    rows = read_table("luma.csv")
    for (path, gray), row in zip(files, rows):
        labels = read_labels("luma-labels/" + os.path.basename(path)[:-4] + ".1.png")
        centres = np.array([float(c) for c in row["centres"].split()])
        # Every pixel's class is the nearest centre to OpenCV's luma.
        nearest = np.abs(gray[..., None].astype(np.float64) - centres).argmin(-1)
        if not np.array_equal(nearest, labels):
            failures.append(f"--gray luma {path}: classes differ from those of OpenCV's luma")
        if row["gray"] != "luma":
            failures.append(f"--gray luma: gray column {row['gray']!r}")
    # OpenCV reads files as BGR: its own conversion of the file agrees.
    for path, gray in files:
        if not np.array_equal(cv2.cvtColor(cv2.imread(os.path.join(work, path)), cv2.COLOR_BGR2GRAY), gray):
            failures.append(f"{path}: OpenCV's two conversions differ")


def stretch_run():
    rng = np.random.default_rng(5)
    data = rng.integers(700, 3900, (31, 45)).astype(np.uint16)  # 12-bit data
    cv2.imwrite(os.path.join(work, "deep.png"), data)
    run("--levels", "stretch", "--chain", "K-Means(10, 5)", "--seed-each", "1", "--out", "deep-{n}.txt",
        "--save-segmentations", "deep-labels", "--table", "deep.csv", "deep.png")
    lo, hi = int(data.min()), int(data.max())
    expected = np.floor((data.astype(np.int64) - lo) * 255 / (hi - lo) + 0.5).astype(np.int64)
    row = read_table("deep.csv")[0]
    centres = np.array([float(c) for c in row["centres"].split()])
    nearest = np.abs(expected[..., None] - centres).argmin(-1)
    if not np.array_equal(nearest, read_labels("deep-labels/deep.1.png")):
        failures.append("--levels stretch: classes differ from those of the stretched levels")
    if row["levels"] != "stretch":
        failures.append(f"--levels stretch: levels column {row['levels']!r}")
    # A 16-bit colour image stretched on its blue value (the default gray
    # rule); OpenCV holds it as BGR, so blue is channel 0.
    colour = rng.integers(0, 4096, (23, 29, 3)).astype(np.uint16)
    colour[..., 0] = colour[..., 0] // 4 + 1000
    cv2.imwrite(os.path.join(work, "deep-colour.png"), colour)
    run("--levels", "stretch", "--chain", "K-Means(10, 5)", "--seed-each", "1", "--out", "deep-colour-{n}.txt",
        "--save-segmentations", "deep-colour-labels", "--table", "deep-colour.csv", "deep-colour.png")
    blue = colour[..., 0].astype(np.int64)
    expected = np.floor((blue - blue.min()) * 255 / (blue.max() - blue.min()) + 0.5).astype(np.int64)
    centres = np.array([float(c) for c in read_table("deep-colour.csv")[0]["centres"].split()])
    if not np.array_equal(np.abs(expected[..., None] - centres).argmin(-1), read_labels("deep-colour-labels/deep-colour.1.png")):
        failures.append("--levels stretch: a 16-bit colour image's classes differ from those of its stretched blue value")


def fractional_mat_run():
    """A MATLAB ground truth of doubles is read when its values are whole
    numbers, and is no ground truth when one of them is not."""
    image = np.zeros((6, 8), np.uint8)
    image[:, 4:] = 200
    segmentation = np.where(image > 0, 2.0, 1.0)
    for name, corner in (("whole", 1.0), ("fraction", 1.5)):
        cv2.imwrite(os.path.join(work, name + ".png"), image)
        segmentation[0, 0] = corner
        truths = np.empty((1, 1), dtype=object)
        truths[0, 0] = {"Segmentation": segmentation.copy()}
        scipy.io.savemat(os.path.join(work, name + ".mat"), {"groundTruth": truths})
    err = run("--chain", "K-Means(10, 2)", "--ground-truth", "{stem}.mat", "--out", "fraction-{n}.txt", "--table",
              "fraction.csv", "whole.png", "fraction.png")
    annotators = [row["annotators"] for row in read_table("fraction.csv")]
    if annotators != ["1", "0"] or "found for 2 of 2 images, used for 1" not in err:
        failures.append(f"MATLAB labels 1.5: annotators {annotators} in the table, closing {err!r}")


evaluation_run()
luma_run()
stretch_run()
fractional_mat_run()
for f in failures[:40]:
    print("FAIL:", f)
print(f"{len(failures)} failures")
sys.exit(1 if failures else 0)
