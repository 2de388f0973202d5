#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Holds the least-squares partition (the Multi-Otsu pass) and the optimal
ratio against scikit-image's threshold_multiotsu, against every partition
of small histograms (exact rational arithmetic), and against the
definition of the within-class sum of squares.

scikit-image maximises the between-class variance over thresholds, which
is the same as minimising the within-class sum of squares; it puts a
threshold's own gray level in the lower class, and computes in float32,
so partitions whose sums differ by less than float32 can tell apart may
come out otherwise: those are counted as ties, after checking that
Strandel's sum is no larger than scikit-image's.

Usage: check_multi_otsu.py MEASURES_ORACLE
"""
import itertools
import os
import sys
import tempfile
from fractions import Fraction

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import peers  # noqa: E402

peers.need("numpy", "skimage")
import numpy as np  # noqa: E402
from skimage.filters import threshold_multiotsu  # noqa: E402


def within_squares(counts, classes):
    """Exact within-class sum of squares of classes given as (first, last)."""
    total = Fraction(0)
    for first, last in classes:
        levels = np.arange(first, last + 1)
        n = int(counts[first:last + 1].sum())
        if n == 0:
            continue
        s = int((counts[first:last + 1] * levels).sum())
        q = int((counts[first:last + 1] * levels * levels).sum())
        total += Fraction(q * n - s * s, n)
    return total


def between(counts, classes):
    """Exact sum over the classes of (gray sum)^2 / pixels: the between-class
    variance times the pixel count, up to a constant."""
    total = Fraction(0)
    for first, last in classes:
        levels = np.arange(first, last + 1)
        n = int(counts[first:last + 1].sum())
        total += Fraction(int((counts[first:last + 1] * levels).sum()) ** 2, n)
    return total


def present_runs(counts, classes):
    """Classes as (first present, last present) levels, empty ones dropped."""
    runs = []
    for first, last in classes:
        present = np.nonzero(counts[first:last + 1])[0]
        if len(present):
            runs.append((first + int(present[0]), first + int(present[-1])))
    return runs


def ours(oracle, path, counts, k):
    np.savetxt(path, counts, fmt="%d")
    lines = peers.run_oracle(oracle, "partition", path, k).splitlines()
    runs = [tuple(map(int, l.split()[1:3])) for l in lines if l.startswith("class")]
    means = [float(l.split()[3]) for l in lines if l.startswith("class")]
    return float(lines[0].split()[1]), runs, means


def skimage_partition(counts, k):
    thresholds = threshold_multiotsu(hist=counts.astype(float), classes=k).astype(int)
    bounds = [-1, *thresholds.tolist(), 255]
    return present_runs(counts, [(bounds[i] + 1, bounds[i + 1]) for i in range(k)])


def best_by_enumeration(counts, k):
    present = np.nonzero(counts)[0]
    k = min(k, len(present))
    best = None
    for cuts in itertools.combinations(range(1, len(present)), k - 1):
        edges = [0, *cuts, len(present)]
        runs = [(int(present[edges[i]]), int(present[edges[i + 1] - 1])) for i in range(k)]
        value = within_squares(counts, runs)
        if best is None or value < best:
            best = value
    return best


def random_histogram(rng, levels, present):
    counts = np.zeros(256, np.int64)
    where = rng.choice(levels, size=present, replace=False) + rng.integers(0, 256 - levels + 1)
    shape = rng.choice(["uniform", "peaks", "heavy"])
    if shape == "uniform":
        counts[where] = rng.integers(1, 1000, size=present)
    elif shape == "peaks":
        counts[where] = (rng.gamma(0.3, 5000, size=present) + 1).astype(np.int64)
    else:
        counts[where] = rng.integers(1, 2**31 // 256, size=present)
    return counts


def main():
    oracle = sys.argv[1]
    rng = np.random.default_rng(7)
    tally = peers.Tally(1e-12)
    same = ties = cases = 0
    with tempfile.TemporaryDirectory() as work:
        path = os.path.join(work, "h.txt")
        # Against scikit-image: 2 and 3 classes over all 256 levels, 4 and 5
        # over narrower ranges (it tries every set of thresholds).
        for k, levels, count in ((2, 256, 40), (3, 256, 25), (4, 48, 20), (5, 28, 15)):
            for _ in range(count):
                counts = random_histogram(rng, levels, int(rng.integers(k + 1, levels + 1)))
                value, runs, means = ours(oracle, path, counts, k)
                theirs = skimage_partition(counts, k)
                exact_ours, exact_theirs = within_squares(counts, runs), within_squares(counts, theirs)
                tally.close("definition (exact)", f"{k} classes: our sum", value, float(exact_ours))
                for (first, last), mean in zip(runs, means):
                    lv = np.arange(first, last + 1)
                    tally.close("definition (exact)", f"{k} classes: class mean", mean,
                                (counts[first:last + 1] * lv).sum() / counts[first:last + 1].sum())
                cases += 1
                if runs == theirs:
                    same += 1
                elif exact_ours <= exact_theirs and float((exact_theirs - exact_ours) / between(counts, runs)) < 1e-5:
                    # What scikit-image maximises differs by less than its
                    # float32 sums resolve; ours must be the optimum.
                    ties += 1
                    if levels <= 48:
                        tally.close("every partition (exact)", f"{k} classes, a float32 tie", value,
                                    float(best_by_enumeration(counts, k)), floor=1e-9)
                else:
                    tally.failures.append(f"{k} classes: ours {runs} ({float(exact_ours)}), scikit-image {theirs} "
                                          f"({float(exact_theirs)}), counts {dict(zip(np.nonzero(counts)[0].tolist(), counts[counts > 0].tolist()))}")
        # Against every partition, and fewer present levels than classes.
        for _ in range(60):
            k = int(rng.integers(1, 6))
            counts = random_histogram(rng, 40, int(rng.integers(1, 12)))
            value, runs, _ = ours(oracle, path, counts, k)
            present = np.count_nonzero(counts)
            tally.equal("every partition (exact)", "number of classes", len(runs), min(k, present))
            tally.close("every partition (exact)", f"least sum over {k} classes", value,
                        float(best_by_enumeration(counts, k)), floor=1e-9)
            cases += 1
        # The optimal ratio: Multi-Otsu's own centres give 1, any others
        # the optimum over their own sum of squares.
        for _ in range(40):
            counts = random_histogram(rng, 256, int(rng.integers(3, 200)))
            k = int(rng.integers(2, 9))
            _, runs, means = ours(oracle, path, counts, k)
            for centres in (means, sorted(rng.uniform(0, 255, size=k).tolist())):
                np.savetxt(path, counts, fmt="%d")
                got = peers.keyed_lines(peers.run_oracle(oracle, "ratio", path, ",".join(map(repr, centres))))
                levels = np.arange(256)
                cls = np.argmin(np.abs(levels[:, None] - np.array(centres)[None, :]), axis=1)
                chain_runs = [(int(levels[cls == c].min()), int(levels[cls == c].max())) for c in np.unique(cls)]
                chain = within_squares(counts, chain_runs)
                best = within_squares(counts, runs)
                expected = 1.0 if chain == 0 else float(best / chain)
                tally.close("definition (exact)", "optimal ratio", got["optimal_ratio"][0], expected)
                cases += 1
    print(f"partitions equal to scikit-image's: {same}; float32 ties: {ties}")
    tally.finish(cases)


if __name__ == "__main__":
    main()
