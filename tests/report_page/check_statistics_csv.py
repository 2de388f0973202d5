#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""strandel-report --statistics against SciPy, from the tables themselves.

    check_statistics_csv.py STRANDEL_REPORT STRANDEL_BENCH MAKE_REPORT_DATA

Two tables: a real strandel-bench run of three chains on 60 generated
images with manual segmentations, and a generated table of the newer kind
(the measures of the literature, distances among them, and a method scored
from its own label images, which has no unsupervised measures). For every
measure of the file: the methods compared are those with a value of it, the
images those where each has a finite value; Friedman's statistic and p equal
scipy.stats.friedmanchisquare's, the mean ranks scipy.stats.rankdata's
(best value rank 1: the lowest for the distances), the critical difference
Nemenyi's from scipy.stats.studentized_range, each pair's statistic and p
scipy.stats.wilcoxon's (default arguments), Holm's p its definition, and
each bootstrap interval the percentile interval of 10000 resamples drawn as
documented (std::mt19937_64 from seed 20240607, Lemire's unbiased index,
numpy's linear percentile), all to 1e-9 relative. Exits 77 when a Python
module is missing.
"""
import csv
import math
import os
import subprocess
import sys
import tempfile
import warnings

SKIP = 77
TOLERANCE = 1e-9
DISTANCES = {"variation_of_information", "global_consistency_error"}
MASK = (1 << 64) - 1
failures, checks, worst = [], [0], [0.0]


class MT64:
    """std::mt19937_64."""

    def __init__(self, seed):
        self.mt = [seed & MASK]
        for i in range(1, 312):
            self.mt.append((6364136223846793005 * (self.mt[-1] ^ (self.mt[-1] >> 62)) + i) & MASK)
        self.i = 312

    def next(self):
        if self.i >= 312:
            mt = self.mt
            for i in range(312):
                x = (mt[i] & 0xFFFFFFFF80000000) | (mt[(i + 1) % 312] & 0x7FFFFFFF)
                mt[i] = mt[(i + 156) % 312] ^ (x >> 1) ^ (0xB5026F5AA96619E9 if x & 1 else 0)
            self.i = 0
        x = self.mt[self.i]
        self.i += 1
        x ^= (x >> 29) & 0x5555555555555555
        x ^= (x << 17) & 0x71D67FFFEDA60000
        x ^= (x << 37) & 0xFFF7EEE000000000
        x ^= x >> 43
        return x & MASK


def bootstrap_rows(n, resamples=10000, seed=20240607):
    generator, threshold, rows = MT64(seed), ((1 << 64) - n) % n, []
    for _ in range(resamples):
        drawn = []
        while len(drawn) < n:
            product = generator.next() * n
            if (product & MASK) >= n or (product & MASK) >= threshold:
                drawn.append(product >> 64)
        rows.append(drawn)
    return rows


def close(what, ours, theirs):
    ours, theirs = float(ours), float(theirs)
    scale = max(abs(ours), abs(theirs), 1e-300)
    diff = 0.0 if ours == theirs else abs(ours - theirs) / scale
    worst[0] = max(worst[0], diff)
    checks[0] += 1
    if not diff <= TOLERANCE:
        failures.append("%s: ours %r, expected %r" % (what, ours, theirs))


def check_file(name, tables, statistics, np, stats):
    rows = [r for t in tables for r in csv.DictReader(open(t, newline="")) if r.get("status", "ok") == "ok"]
    methods = []
    for r in rows:
        if r["chain"] not in methods:
            methods.append(r["chain"])
    by = {(r["chain"], r["image"]): r for r in rows}
    images = sorted({r["image"] for r in rows}, key=lambda i: int(by[next(m for m in methods if (m, i) in by), i]["position"]))
    lines = list(csv.DictReader(open(statistics, newline="")))
    draws = {}
    measures = sorted({l["measure"] for l in lines})
    for measure in measures:
        rating = [m for m in methods if any(r["chain"] == m and r.get(measure, "") != "" for r in rows)]
        matrix = []
        for i in images:
            values = [by[(m, i)].get(measure, "") if (m, i) in by else "" for m in rating]
            if "" not in values and all(math.isfinite(float(v)) for v in values):
                matrix.append([float(v) for v in values])
        m = np.array(matrix)
        mine = [l for l in lines if l["measure"] == measure]
        label = "%s %s" % (name, measure)
        if any(int(l["images"]) != len(matrix) for l in mine):
            failures.append("%s: images %r, expected %d" % (label, mine[0]["images"], len(matrix)))
        friedman = {l["method_a"]: l for l in mine if l["test"] == "friedman"}
        if len(rating) >= 2 and len(matrix):
            oriented = m if measure not in DISTANCES else -m
            ranks = np.mean([stats.rankdata(-row) for row in oriented], axis=0)
            k, n = len(rating), len(matrix)
            cd = stats.studentized_range.ppf(0.95, k, np.inf) / np.sqrt(2) * np.sqrt(k * (k + 1) / (6 * n))
            for j, method in enumerate(rating):
                close(label + " mean rank of " + method, friedman[method]["mean_rank"], ranks[j])
                close(label + " critical difference", friedman[method]["critical_difference"], cd)
            if k >= 3:
                ref = stats.friedmanchisquare(*m.T)
                close(label + " Friedman statistic", friedman[rating[0]]["statistic"], ref.statistic)
                close(label + " Friedman p", friedman[rating[0]]["p_value"], ref.pvalue)
            pairs = [l for l in mine if l["test"] == "wilcoxon"]
            p_values = []
            for l in pairs:
                a, b = rating.index(l["method_a"]), rating.index(l["method_b"])
                ref = stats.wilcoxon(m[:, a], m[:, b])
                close(label + " Wilcoxon %d-%d statistic" % (a, b), l["statistic"], ref.statistic)
                close(label + " Wilcoxon %d-%d p" % (a, b), l["p_value"], ref.pvalue)
                p_values.append(ref.pvalue)
            order, running = np.argsort(p_values, kind="stable"), 0.0
            for j, i in enumerate(order):
                running = max(running, min(1.0, (len(p_values) - j) * p_values[i]))
                close(label + " Holm p", pairs[i]["p_holm"], running)
            if len(pairs) != k * (k - 1) // 2:
                failures.append("%s: %d pairs" % (label, len(pairs)))
        boot = {l["method_a"]: l for l in mine if l["test"] == "bootstrap_ci95"}
        if len(matrix):
            if len(matrix) not in draws:
                draws[len(matrix)] = np.array(bootstrap_rows(len(matrix)))
            means = np.sort(m[draws[len(matrix)]].mean(axis=1), axis=0)
            for j, method in enumerate(rating):
                close(label + " mean of " + method, boot[method]["statistic"], m[:, j].mean())
                close(label + " interval low of " + method, boot[method]["ci_low"], np.percentile(means[:, j], 2.5))
                close(label + " interval high of " + method, boot[method]["ci_high"], np.percentile(means[:, j], 97.5))
    return measures


def main():
    report, bench, make_data = sys.argv[1:4]
    warnings.simplefilter("ignore")  # SciPy's note that zero differences take the normal approximation
    try:
        import numpy as np
        from scipy import stats
    except ImportError as missing:
        print("skipped: %s" % missing)
        return SKIP
    with tempfile.TemporaryDirectory(prefix="check_statistics_csv.") as work:
        data = os.path.join(work, "data")
        subprocess.run([sys.executable, make_data, data, "--images", "60", "--chains", "3", "--size", "64x48"],
                       check=True)
        table = os.path.join(work, "run.csv")
        subprocess.run([bench, "--chain", "K-Means(10, 4)", "--chain", "AiNet; Fuzzy C-Means", "--chain", "Multi-Otsu(4)",
                        "--seed-each", "1", os.path.join(data, "images"), "--out", os.path.join(work, "r{n}.txt"),
                        "--table", table], check=True, stderr=subprocess.DEVNULL)
        out = os.path.join(work, "run-statistics.csv")
        subprocess.run([report, table, "--statistics", out], check=True, stdout=subprocess.DEVNULL)
        measured = check_file("real run", [table], out, np, stats)
        if "jaccard" not in measured:
            failures.append("the real run's statistics lack the Jaccard index: %r" % measured)
        literature = os.path.join(work, "literature")
        subprocess.run([sys.executable, make_data, literature, "--images", "40", "--chains", "3", "--size", "32x24",
                        "--literature"], check=True)
        tables = [os.path.join(literature, "results-0.csv")]
        out = os.path.join(work, "literature-statistics.csv")
        subprocess.run([report] + tables + ["--statistics", out], check=True, stdout=subprocess.DEVNULL)
        measured = check_file("literature", tables, out, np, stats)
        if not DISTANCES <= set(measured):
            failures.append("the distances are missing: %r" % measured)
    for f in failures:
        print("FAIL: " + f, file=sys.stderr)
    print("largest relative difference %.3g over %d values" % (worst[0], checks[0]))
    print("%d passed, %d failed" % (checks[0] - len(failures), len(failures)))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
