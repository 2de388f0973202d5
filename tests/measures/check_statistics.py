#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Holds the rank tests against SciPy (Debian 12: 1.10) with default
arguments: friedmanchisquare (statistic and p), wilcoxon (statistic and p,
exact up to 50 pairs without zero differences, the normal approximation
otherwise, ties and zeros included), the studentized range quantile behind
the Nemenyi critical difference (scipy.stats.studentized_range), mean ranks
by scipy.stats.rankdata, and Holm's adjustment as its definition gives it.

Usage: check_statistics.py MEASURES_ORACLE
"""
import os
import sys
import tempfile
import warnings

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import peers  # noqa: E402

peers.need("numpy", "scipy")
import numpy as np  # noqa: E402
from scipy import stats  # noqa: E402

TOLERANCE = 1e-9


def holm(p):
    order = np.argsort(p, kind="stable")
    m = len(p)
    out = np.empty(m)
    running = 0.0
    for j, i in enumerate(order):
        running = max(running, min(1.0, (m - j) * p[i]))
        out[i] = running
    return out


def random_matrix(rng):
    n, k = int(rng.integers(3, 80)), int(rng.integers(2, 9))
    kind = rng.choice(["continuous", "ties", "zeros", "coarse"])
    m = rng.normal(0, 1, size=(n, k)) + rng.normal(0, 0.5, size=k)
    if kind == "ties":
        m = np.round(m * 2) / 2
    elif kind == "zeros":  # some methods equal to another on some images
        for j in range(1, k):
            same = rng.random(n) < 0.2
            m[same, j] = m[same, 0]
    elif kind == "coarse":
        m = rng.integers(0, 4, size=(n, k)).astype(float)
    return m, kind


def check(tally, name, m, out):
    lines = out.splitlines()
    n, k = m.shape
    if k >= 3:
        f = next(l.split() for l in lines if l.startswith("friedman"))
        ref = stats.friedmanchisquare(*m.T)
        if np.isfinite(ref.statistic):
            tally.close("scipy friedmanchisquare", name + " statistic", f[1], ref.statistic, floor=1e-12)
            tally.close("scipy friedmanchisquare", name + " p", f[2], ref.pvalue)
    ranks = np.mean([stats.rankdata(-row) for row in m], axis=0)
    got = next(l.split()[1:] for l in lines if l.startswith("mean_ranks"))
    for j in range(k):
        tally.close("scipy rankdata", f"{name} mean rank {j}", got[j], ranks[j])
    q = stats.studentized_range.ppf(0.95, k, np.inf) / np.sqrt(2)
    cd = next(l.split()[1] for l in lines if l.startswith("critical_difference"))
    tally.close("scipy studentized_range", name + " critical difference", cd, q * np.sqrt(k * (k + 1) / (6 * n)))
    tests = [l.split() for l in lines if l.startswith("wilcoxon")]
    p_values = []
    for t in tests:
        a, b = int(t[1]), int(t[2])
        d = m[:, a] - m[:, b]
        if np.all(d == 0):
            tally.equal("scipy wilcoxon", f"{name} ({a}, {b}) all zero", t[4], "nan")
            p_values.append(np.nan)
            continue
        ref = stats.wilcoxon(m[:, a], m[:, b])
        tally.close("scipy wilcoxon", f"{name} ({a}, {b}) statistic", t[3], ref.statistic, floor=1e-12)
        tally.close("scipy wilcoxon", f"{name} ({a}, {b}) p ({t[6]})", t[4], ref.pvalue)
        p_values.append(ref.pvalue)
    p_values = np.array(p_values)
    finite = ~np.isnan(p_values)
    adjusted = np.full(len(p_values), np.nan)
    adjusted[finite] = holm(p_values[finite])
    for t, expected in zip(tests, adjusted):
        if np.isfinite(expected):
            tally.close("Holm (definition)", f"{name} ({t[1]}, {t[2]}) Holm", t[5], expected)
    for line in (l.split() for l in lines if l.startswith("bootstrap")):
        j, low, high = int(line[1]), float(line[2]), float(line[3])
        mean = m[:, j].mean()
        tally.equal("bootstrap (bounds)", f"{name} column {j} interval around the mean",
                    low <= mean + 1e-12 and mean - 1e-12 <= high and low <= high, True)


def main():
    oracle = sys.argv[1]
    warnings.simplefilter("ignore")
    rng = np.random.default_rng(11)
    tally = peers.Tally(TOLERANCE)
    cases = 0
    exact = approx = 0
    with tempfile.TemporaryDirectory() as work:
        path = os.path.join(work, "m.txt")
        matrices = [random_matrix(rng) for _ in range(80)]
        # Large statistics, tiny p-values: one method far ahead.
        far = rng.normal(0, 1, size=(200, 5))
        far[:, 0] += 5
        matrices.append((far, "far apart"))
        matrices.append((np.arange(8 * 4, dtype=float).reshape(8, 4), "ordered, exact extremes"))
        for m, kind in matrices:
            np.savetxt(path, m, fmt="%.17g")
            out = peers.run_oracle(oracle, "statistics", path)
            again = peers.run_oracle(oracle, "statistics", path)
            tally.equal("bootstrap (bounds)", f"{kind} {m.shape}: same output twice", out, again)
            check(tally, f"{kind} {m.shape}", m, out)
            exact += out.count(" exact\n")
            approx += out.count(" approx\n")
            cases += 1
    print(f"Wilcoxon tests: {exact} exact, {approx} normal approximation")
    tally.finish(cases)


if __name__ == "__main__":
    main()
