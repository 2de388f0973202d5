# SPDX-License-Identifier: GPL-3.0-or-later
"""Shared by the measures.* checks: running the oracle, reading its lines,
comparing numbers and keeping the largest relative difference seen."""
import subprocess
import sys

SKIP = 77


def need(*modules):
    """Imports the peers or ends the test as skipped, naming what is missing."""
    missing = []
    for name in modules:
        try:
            __import__(name)
        except ImportError:
            missing.append(name)
    if missing:
        print("skipped: Python modules missing: " + ", ".join(missing) + " (scripts/install-deps.sh installs them)")
        sys.exit(SKIP)


def run_oracle(oracle, *args):
    done = subprocess.run([oracle, *map(str, args)], capture_output=True, text=True)
    if done.returncode != 0:
        raise SystemExit(f"measures_oracle {' '.join(map(str, args))} failed ({done.returncode}): {done.stderr}")
    return done.stdout


def keyed_lines(text):
    """'KEY VALUE...' lines as {KEY: [VALUE, ...]}; for the lines of one
    annotator, 'aN KEY VALUE...', the key is 'aN KEY'."""
    out = {}
    for line in text.splitlines():
        parts = line.split()
        words = 2 if parts and parts[0][0] == "a" and parts[0][1:].isdigit() else 1
        if parts:
            out[" ".join(parts[:words])] = parts[words:]
    return out


class Tally:
    """Counts checks and failures and the largest relative difference per peer."""

    def __init__(self, tolerance):
        self.tolerance = tolerance
        self.worst = {}
        self.checks = {}
        self.failures = []

    def close(self, peer, what, ours, theirs, floor=0.0):
        ours, theirs = float(ours), float(theirs)
        scale = max(abs(ours), abs(theirs), floor)
        diff = 0.0 if ours == theirs else abs(ours - theirs) / scale if scale > 0 else float("inf")
        self.worst[peer] = max(self.worst.get(peer, 0.0), diff)
        self.checks[peer] = self.checks.get(peer, 0) + 1
        if not diff <= self.tolerance:
            self.failures.append(f"{what}: ours {ours!r}, {peer} {theirs!r} (relative difference {diff:.3g})")

    def equal(self, peer, what, ours, theirs):
        self.checks[peer] = self.checks.get(peer, 0) + 1
        self.worst.setdefault(peer, 0.0)
        if ours != theirs:
            self.failures.append(f"{what}: ours {ours!r}, {peer} {theirs!r}")

    def finish(self, cases):
        for peer in sorted(self.checks):
            print(f"{peer}: {self.checks[peer]} checks, largest relative difference {self.worst[peer]:.3g}")
        for failure in self.failures[:40]:
            print("FAIL: " + failure)
        print(f"{cases} cases, {sum(self.checks.values())} checks, {len(self.failures)} failed")
        sys.exit(1 if self.failures else 0)
