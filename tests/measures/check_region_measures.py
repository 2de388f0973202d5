#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Holds Strandel's region and boundary measures against the peers:
scikit-learn's rand_score and adjusted_rand_score, scikit-image's
variation_of_information, SciPy's linear_sum_assignment for the matched
Jaccard index, networkx's maximum bipartite matching for the boundary
matching, and the definitions, pixel by pixel, for the global consistency
error and the covering. Random and realistic label planes: noise, blobs,
many small regions with sparse 16-bit labels, several annotators, and the
degenerate ones (one region, one class, equal partitions).

Usage: check_region_measures.py MEASURES_ORACLE
"""
import os
import struct
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import peers  # noqa: E402

peers.need("numpy", "scipy", "sklearn", "skimage", "networkx")
import networkx as nx  # noqa: E402
import numpy as np  # noqa: E402
from scipy.optimize import linear_sum_assignment  # noqa: E402
from scipy.spatial import cKDTree  # noqa: E402
from skimage.metrics import variation_of_information  # noqa: E402
from sklearn.metrics import adjusted_rand_score, rand_score  # noqa: E402

TOLERANCE = 1e-12


def voronoi_labels(rng, h, w, regions, values):
    """A partition into `regions` Voronoi cells labelled by `values`."""
    seeds = rng.uniform(0, [h, w], size=(regions, 2))
    yy, xx = np.mgrid[0:h, 0:w]
    _, nearest = cKDTree(seeds).query(np.stack([yy.ravel(), xx.ravel()], axis=1))
    return values[nearest].reshape(h, w).astype(np.uint16)


def lookup_from_centres(rng, k):
    centres = np.sort(rng.uniform(0, 255, size=k))
    levels = np.arange(256)
    return np.argmin(np.abs(levels[:, None] - centres[None, :]), axis=1).astype(np.int32)


def image_over(rng, truth, noise):
    """Gray levels following the regions of `truth`, with noise."""
    means = {v: rng.integers(0, 256) for v in np.unique(truth)}
    base = np.vectorize(means.get)(truth).astype(float)
    return np.clip(base + rng.normal(0, noise, truth.shape), 0, 255).astype(np.uint8)


def make_cases(rng):
    cases = []
    for k in range(6):  # noise against noise
        h, w = rng.integers(5, 60, size=2)
        truths = [rng.integers(0, rng.integers(1, 12), size=(h, w)).astype(np.uint16) for _ in range(rng.integers(1, 4))]
        cases.append((f"noise {k}", rng.integers(0, 256, size=(h, w)).astype(np.uint8),
                      lookup_from_centres(rng, rng.integers(1, 8)), truths))
    for k in range(8):  # blobs, annotators drawing them differently
        h, w = rng.integers(40, 140, size=2)
        regions = rng.integers(2, 12)
        first = voronoi_labels(rng, h, w, regions, rng.choice(65536, regions, replace=False))
        truths = [first] + [voronoi_labels(rng, h, w, rng.integers(2, 12), rng.choice(300, 12, replace=False))
                            for _ in range(rng.integers(0, 4))]
        cases.append((f"blobs {k}", image_over(rng, first, rng.uniform(5, 60)),
                      lookup_from_centres(rng, rng.integers(2, 10)), truths))
    for k in range(4):  # many small regions, sparse 16-bit labels
        h, w = rng.integers(120, 200), rng.integers(120, 240)
        regions = rng.integers(200, 900)
        truth = voronoi_labels(rng, h, w, regions, rng.choice(65536, regions, replace=False))
        cases.append((f"small regions {k}", image_over(rng, truth, rng.uniform(3, 30)),
                      lookup_from_centres(rng, rng.integers(20, 120)), [truth]))
    # More labels than get rows of counts (2048): the rest are hashed.
    truth = voronoi_labels(rng, 150, 160, 3000, rng.choice(np.arange(256, 65536), 3000, replace=False))
    cases.append(("3000 regions", image_over(rng, truth, 10), lookup_from_centres(rng, 60), [truth]))
    # Degenerate: one region, one class, a segmentation equal to the truth.
    flat = np.full((30, 40), 7, np.uint16)
    cases.append(("one region, one class", rng.integers(0, 256, (30, 40)).astype(np.uint8),
                  np.zeros(256, np.int32), [flat]))
    cases.append(("one region, many classes", rng.integers(0, 256, (30, 40)).astype(np.uint8),
                  lookup_from_centres(rng, 5), [flat]))
    gray = rng.integers(0, 4, (50, 60)).astype(np.uint8) * 60
    lookup = lookup_from_centres(rng, 1)
    lookup[[0, 60, 120, 180]] = [0, 1, 2, 3]
    cases.append(("equal partitions", gray, lookup, [(gray // 60).astype(np.uint16) * 1000 + 5]))
    cases.append(("one pixel", np.array([[9]], np.uint8), np.zeros(256, np.int32), [np.array([[3]], np.uint16)]))
    return cases


def write_case(path, gray, lookup, truths):
    h, w = gray.shape
    with open(path, "wb") as f:
        f.write(struct.pack("<III", w, h, len(truths)))
        f.write(lookup.astype("<i4").tobytes())
        f.write(gray.astype(np.uint8).tobytes())
        for t in truths:
            f.write(t.astype("<u2").tobytes())


def contingency(classes, truth):
    cl, ci = np.unique(classes.ravel(), return_inverse=True)
    tl, ti = np.unique(truth.ravel(), return_inverse=True)
    table = np.zeros((len(cl), len(tl)), np.int64)
    np.add.at(table, (ci, ti), 1)
    return cl, tl, table


def gce_by_pixels(classes, truth):
    """Martin et al.'s definition, pixel by pixel."""
    _, ci = np.unique(classes.ravel(), return_inverse=True)
    _, ti = np.unique(truth.ravel(), return_inverse=True)
    table = np.zeros((ci.max() + 1, ti.max() + 1), np.int64)
    np.add.at(table, (ci, ti), 1)
    shared = table[ci, ti].astype(float)
    a, b = table.sum(1)[ci].astype(float), table.sum(0)[ti].astype(float)
    return min(np.sum((a - shared) / a), np.sum((b - shared) / b)) / ci.size


def jaccard_matrix(table):
    a, b = table.sum(1)[:, None], table.sum(0)[None, :]
    return table / (a + b - table)


def boundary(plane):
    right = np.zeros(plane.shape, bool)
    right[:, :-1] = plane[:, 1:] != plane[:, :-1]
    down = np.zeros(plane.shape, bool)
    down[:-1, :] = plane[1:, :] != plane[:-1, :]
    return np.argwhere(right | down)


def networkx_matching(seg_pixels, truth_pixels, h, w):
    """Largest matching of boundary pixels within the radius, by networkx;
    the radius decided in integers as Strandel decides it."""
    g = nx.Graph()
    left = [("s", i) for i in range(len(seg_pixels))]
    g.add_nodes_from(left, bipartite=0)
    g.add_nodes_from((("t", j) for j in range(len(truth_pixels))), bipartite=1)
    if len(seg_pixels) and len(truth_pixels):
        reach = np.sqrt(9 * (w * w + h * h) / 160000) + 1
        near = cKDTree(seg_pixels).query_ball_tree(cKDTree(truth_pixels), reach)
        for i, js in enumerate(near):
            for j in js:
                d = seg_pixels[i] - truth_pixels[j]
                if 160000 * int(d @ d) <= 9 * (w * w + h * h):
                    g.add_edge(("s", i), ("t", j))
    m = nx.bipartite.hopcroft_karp_matching(g, top_nodes=left)
    return sum(1 for (side, _) in m if side == "s")


def check_matching(tally, what, pairs, seg_pixels, truth_pixels, h, w, size):
    """Strandel's matching must be one: boundary pixels of both sides, one
    to one, within the radius, as large as networkx's. Largest matchings
    are seldom unique, so the union over annotators (precision) is
    counted from Strandel's own; returns its segmentation pixels."""
    seg = {int(p[0]) * w + int(p[1]) for p in seg_pixels}
    truth = {int(p[0]) * w + int(p[1]) for p in truth_pixels}
    pairs = [tuple(map(int, p.split(":"))) for p in pairs]
    left, right = [p for p, _ in pairs], [q for _, q in pairs]
    valid = all(p in seg and q in truth for p, q in pairs) and len(set(left)) == len(left) == len(set(right))
    near = all(160000 * ((p // w - q // w) ** 2 + (p % w - q % w) ** 2) <= 9 * (w * w + h * h) for p, q in pairs)
    tally.equal("networkx hopcroft_karp_matching", what + " matching valid, within reach, largest",
                (valid, near, len(pairs)), (True, True, size))
    return set(left)


def check_case(tally, name, out, gray, lookup, truths):
    lines = peers.keyed_lines(out)
    classes = lookup[gray]
    h, w = gray.shape
    seg_pixels = boundary(classes)
    matched_any = set()
    truth_total = truth_matched = 0
    for a, truth in enumerate(truths):
        got = {k.split()[1]: v for k, v in lines.items() if k.startswith(f"a{a} ")}
        what = f"{name}, annotator {a}"
        x, y = classes.ravel(), truth.ravel()
        tally.close("scikit-learn rand_score", what + " rand index", got["rand_index"][0], rand_score(y, x))
        tally.close("scikit-learn adjusted_rand_score", what + " adjusted Rand", got["adjusted_rand"][0],
                    adjusted_rand_score(y, x))
        # scikit-image gives bits; Strandel nats.
        vi = sum(variation_of_information(classes.astype(np.int64), truth.astype(np.int64))) * np.log(2)
        tally.close("scikit-image variation_of_information", what + " VI", got["variation_of_information"][0], vi,
                    floor=1e-3)
        tally.close("definition (pixel by pixel)", what + " GCE", got["global_consistency_error"][0],
                    gce_by_pixels(classes, truth), floor=1e-3)
        cl, tl, table = contingency(classes, truth)
        jac = jaccard_matrix(table)
        tally.close("definition (pixel by pixel)", what + " covering", got["covering"][0],
                    np.sum(table.sum(0) * jac.max(0)) / table.sum())
        rows, cols = linear_sum_assignment(jac, maximize=True)
        larger = max(table.shape)
        tally.close("SciPy linear_sum_assignment", what + " matched Jaccard", got["matched_jaccard"][0],
                    jac[rows, cols].sum() / larger)
        # Dice of Strandel's own pairs, which must be a one-to-one matching.
        pairs = [tuple(map(int, p.split(":"))) for p in got["pairs"]]
        ri = [int(np.searchsorted(cl, c)) for c, _ in pairs]
        ci = [int(np.searchsorted(tl, t)) for _, t in pairs]
        tally.equal("definition (pixel by pixel)", what + " pairs one to one", (len(set(ri)), len(set(ci))),
                    (len(pairs), len(pairs)))
        dice = 2 * table / (table.sum(1)[:, None] + table.sum(0)[None, :])
        tally.close("definition (pixel by pixel)", what + " Jaccard of the pairs", got["matched_jaccard"][0],
                    jac[ri, ci].sum() / larger)
        tally.close("definition (pixel by pixel)", what + " matched Dice", got["matched_dice"][0],
                    dice[ri, ci].sum() / larger)
        truth_pixels = boundary(truth)
        size = networkx_matching(seg_pixels, truth_pixels, h, w)
        tally.equal("networkx hopcroft_karp_matching", what + " boundary matching (segmentation, truth, matched)",
                    tuple(map(int, got["boundary"][1::2])), (len(seg_pixels), len(truth_pixels), size))
        matched_any |= check_matching(tally, what, got["matching"], seg_pixels, truth_pixels, h, w, size)
        truth_total += len(truth_pixels)
        truth_matched += size
    precision = len(matched_any) / len(seg_pixels) if len(seg_pixels) else 1.0
    recall = truth_matched / truth_total if truth_total else 1.0
    f = 2 * precision * recall / (precision + recall) if precision + recall else 0.0
    tally.equal("networkx hopcroft_karp_matching", name + " boundary counts over annotators",
                tuple(map(int, lines["boundary_counts"])), (len(matched_any), len(seg_pixels), truth_matched, truth_total))
    for key, value in (("boundary_precision", precision), ("boundary_recall", recall), ("boundary_f", f)):
        tally.close("networkx hopcroft_karp_matching", f"{name} {key}", lines[key][0], value)


def main():
    oracle = sys.argv[1]
    rng = np.random.default_rng(20240607)
    tally = peers.Tally(TOLERANCE)
    cases = make_cases(rng)
    with tempfile.TemporaryDirectory() as work:
        path = os.path.join(work, "case.bin")
        for name, gray, lookup, truths in cases:
            write_case(path, gray, lookup, truths)
            check_case(tally, name, peers.run_oracle(oracle, "regions", path), gray, lookup, truths)
    tally.finish(len(cases))


if __name__ == "__main__":
    main()
