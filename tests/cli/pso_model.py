#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""The particle swarm pass written out a second time, from its description,
with the C library's generator (glibc's additive feedback rand()) modelled
too, so that a seeded run of strandel-chain can be checked number for number.

    pso_model.py SEED HISTOGRAM_FILE ITERATIONS W C1 C2 SWARM CLASSES RANGE [CENTRE...]

prints the "classes" and "centres" lines strandel-chain prints for
--seed SEED --chain 'Particle Swarm Optimization(ITERATIONS, W, C1, C2, SWARM,
CLASSES, RANGE)' [--centres CENTRE,...] --histogram HISTOGRAM_FILE.
"""
import sys


class GlibcRand:
    """rand() after srand(seed): r[i] = r[i-31] + r[i-3] (mod 2^32) over a
    state seeded by 16807 x (mod 2^31 - 1), the first 310 outputs dropped."""

    def __init__(self, seed):
        r = [seed if seed != 0 else 1]
        for i in range(1, 31):
            hi, lo = divmod(r[i - 1], 127773)
            word = 16807 * lo - 2836 * hi
            r.append(word + 2147483647 if word < 0 else word)
        r += r[0:3]
        for i in range(34, 344):
            r.append((r[i - 31] + r[i - 3]) & 0xFFFFFFFF)
        self.r = r

    def __call__(self):
        r = self.r
        r.append((r[-31] + r[-3]) & 0xFFFFFFFF)
        return r[-1] >> 1


def draw(rand, spread):
    """A multiple of 0.01: in [0, 1] for spread 0, else in [-spread, spread], sign first."""
    if spread == 0:
        return (rand() % 101) / 100.0
    sign = rand()
    magnitude = rand() % (100 * spread + 1)
    return magnitude / 100.0 if sign % 2 == 1 else magnitude / -100.0


def nearest(centres, gray):
    best = 0
    for i, c in enumerate(centres):
        if abs(centres[best] - gray) > abs(c - gray):
            best = i
    return best


def amrane(centres, counts):
    """0.5 x the largest mean distance of a class's gray levels to its centre
    + 0.5 x (255 - the smallest distance between two centres)."""
    largest = 0.0
    if centres:
        sums, members = [0.0] * len(centres), [0] * len(centres)
        for g in range(256):
            if counts[g]:
                c = nearest(centres, g)
                sums[c] += abs(g - centres[c])
                members[c] += 1
        for s, m in zip(sums, members):
            if m and s / m > largest:
                largest = s / m
    smallest = 255.0
    for i in range(len(centres)):
        for j in range(i + 1, len(centres)):
            smallest = min(smallest, abs(centres[i] - centres[j]))
    return 0.5 * largest + 0.5 * (255 - smallest)


class Particle:
    def __init__(self, rand, d, spread, counts):
        present = [float(g) for g in range(256) if counts[g]]
        for i in range(1, len(present)):
            j = rand() % (i + 1)
            present[i], present[j] = present[j], present[i]
        present = present[:d]
        while len(present) < d:
            g = float(rand() % 256)
            if len(present) >= 256 or g not in present:
                present.append(g)
        self.x = present
        self.v = [draw(rand, spread) for _ in range(d)]
        self.best = list(self.x)
        self.cost = self.best_cost = 0.0


def swarm_pass(seed, counts, iterations, W, C1, C2, size, classes, spread, centres):
    rand = GlibcRand(seed)
    if not centres:  # seeded by counts: the darkest level of each distinct count, fewest first
        by_count = {}
        for g in range(256):
            if counts[g]:
                by_count.setdefault(counts[g], float(g))
        centres = [by_count[c] for c in sorted(by_count)][:classes]
    d = len(centres)
    particles = []
    for _ in range(size - 1):
        p = Particle(rand, d, spread, counts)
        p.cost = p.best_cost = amrane(p.x, counts)
        particles.append(p)
    last = Particle(rand, d, spread, counts)  # draws like the others, then starts at the centres
    last.x, last.best = list(centres), list(centres)
    last.cost = last.best_cost = amrane(centres, counts)
    particles.append(last)
    r1 = [draw(rand, 0) for _ in range(d)]
    r2 = [draw(rand, 0) for _ in range(d)]
    best_cost, best_index = 110000.0, 0
    for i, p in enumerate(particles):
        if p.cost < best_cost:
            best_cost, best_index = p.cost, i
    global_best = list(particles[best_index].best)
    for _ in range(iterations):
        for p in particles:
            for i in range(d):
                p.v[i] = (global_best[i] - p.x[i]) * (C2 * r2[i]) + ((p.best[i] - p.x[i]) * (C1 * r1[i]) + W * p.v[i])
            for i in range(d):
                p.x[i] += p.v[i]
            p.cost = amrane(p.x, counts)
            if p.cost < p.best_cost:
                p.best, p.best_cost = list(p.x), p.cost
        chosen = None
        for p in particles:
            if p.best_cost < best_cost:
                best_cost, chosen = p.best_cost, p
        if chosen:
            global_best = list(chosen.best)
    return global_best


def main(argv):
    seed, histogram_file = int(argv[1]), argv[2]
    iterations, W, C1, C2, size, classes, spread = (int(argv[3]), float(argv[4]), float(argv[5]), float(argv[6]),
                                                    int(argv[7]), int(argv[8]), int(argv[9]))
    with open(histogram_file) as f:
        counts = [int(t) for t in f.read().split()]
    centres = swarm_pass(seed, counts, iterations, W, C1, C2, size, classes, spread, [float(c) for c in argv[10:]])
    print("classes\t%d" % len(centres))
    print("\t".join(["centres"] + ["%.10g" % c for c in centres]))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
