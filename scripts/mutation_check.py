#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Injects the single-line faults of scripts/mutants.txt one at a time into a
scratch copy of the tree, rebuilds what each one feeds, runs the fast test
groups on it and prints which faults the tests catch (killed) and which they
miss (survivors), with the kill rate over the mutants that can change a
result. See the README's "Faults the tests must catch".

Each mutant is named by its file, an exact piece of code that occurs once in
that file and what replaces it, never by a line number, so that the list
survives edits around it; a piece no longer found (or found more than once)
makes the mutant "stale", to be updated.
"""
import argparse
import filecmp
import json
import os
import re
import shutil
import signal
import subprocess
import sys
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))

# The fast groups; the browser test, which starts Chromium (some 12 s a
# mutant), only with --browser.
TEST_GROUPS = r"^(core|tools|cli|native|report_page)\."
BROWSER_TEST = r"^report_page\.browser$"
TARGETS = ["core_tests", "tools_tests", "strandel-chain", "strandel-bench", "native_tests", "strandel-report",
           "report_page_tests"]
MARKS = ("equivalent", "accepted")


class Mutant:
    def __init__(self, line, path, original, replacement, mark, reason):
        self.line, self.path, self.original, self.replacement = line, path, original, replacement
        self.mark, self.reason = mark, reason

    def name(self):
        def short(text):
            text = text.strip()
            return text if len(text) <= 60 else text[:57] + "..."
        return "%s: %s -> %s" % (self.path, short(self.original), short(self.replacement) or "(nothing)")


def read_mutants(list_file):
    """The list file: FILE<TAB>ORIGINAL<TAB>REPLACEMENT[<TAB>equivalent: REASON | accepted: REASON],
    blank lines and lines starting with # ignored."""
    mutants, problems = [], []
    with open(list_file, encoding="utf-8") as f:
        for number, text in enumerate(f, 1):
            text = text.rstrip("\n")
            if not text.strip() or text.lstrip().startswith("#"):
                continue
            fields = text.split("\t")
            mark = reason = ""
            if len(fields) == 4:
                mark, _, reason = fields[3].partition(":")
                mark, reason = mark.strip(), reason.strip()
                if mark not in MARKS or not reason:
                    problems.append("%s:%d: the fourth field must be 'equivalent: REASON' or 'accepted: REASON'"
                                    % (list_file, number))
                    continue
            elif len(fields) != 3:
                problems.append("%s:%d: expected FILE, ORIGINAL and REPLACEMENT separated by tabs, got %d field(s)"
                                % (list_file, number, len(fields)))
                continue
            if not fields[1] or fields[1] == fields[2]:
                problems.append("%s:%d: the original is empty or equal to its replacement" % (list_file, number))
                continue
            mutants.append(Mutant(number, fields[0], fields[1], fields[2], mark, reason))
    return mutants, problems


def occurrences(root, mutant):
    path = os.path.join(root, mutant.path)
    if not os.path.isfile(path):
        return -1
    with open(path, encoding="utf-8") as f:
        return f.read().count(mutant.original)


def sync_tree(source, copy):
    """Copies the project's files (tracked and untracked, not ignored) into
    `copy`, touching only those whose content differs, so that the copy's
    build stays incremental from one run to the next."""
    listed = subprocess.run(["git", "-C", source, "ls-files", "-z", "-co", "--exclude-standard"],
                            check=True, capture_output=True).stdout.decode().split("\0")
    wanted = {p for p in listed if p and os.path.isfile(os.path.join(source, p))}
    for path in sorted(wanted):
        src, dst = os.path.join(source, path), os.path.join(copy, path)
        if os.path.isfile(dst) and filecmp.cmp(src, dst, shallow=False):
            continue
        os.makedirs(os.path.dirname(dst), exist_ok=True)
        shutil.copyfile(src, dst)  # a new time stamp: the build sees the change
        shutil.copymode(src, dst)
    for folder, dirs, files in os.walk(copy):
        for name in files:
            rel = os.path.relpath(os.path.join(folder, name), copy)
            if rel not in wanted:
                os.remove(os.path.join(folder, name))


def run(command, **kwargs):
    return subprocess.run(command, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True, **kwargs)


class Scratch:
    def __init__(self, folder, jobs, timeout):
        self.source = os.path.join(folder, "src")
        self.build = os.path.join(folder, "build")
        self.jobs, self.timeout = jobs, timeout
        self.seconds = {}
        self.env = dict(os.environ)
        self.env.setdefault("CCACHE_BASEDIR", folder)
        self.env.setdefault("CCACHE_NOHASHDIR", "1")

    def configure(self):
        if os.path.isfile(os.path.join(self.build, "CMakeCache.txt")):
            return True
        command = ["cmake", "-S", self.source, "-B", self.build, "-DCMAKE_BUILD_TYPE=Release",
                   # Quicker to compile; nothing here depends on the level.
                   "-DCMAKE_CXX_FLAGS_RELEASE=-O1", "-DCMAKE_C_FLAGS_RELEASE=-O1"]
        if shutil.which("ninja"):
            command += ["-G", "Ninja"]
        if shutil.which("ccache"):
            command += ["-DCMAKE_CXX_COMPILER_LAUNCHER=ccache", "-DCMAKE_C_COMPILER_LAUNCHER=ccache"]
        result = run(command, env=self.env)
        if result.returncode != 0:
            print(result.stdout[-3000:])
        return result.returncode == 0

    def targets(self):
        if os.path.isfile(os.path.join(self.build, "build.ninja")):
            listed = run(["ninja", "-C", self.build, "-t", "targets", "all"], env=self.env).stdout
        else:
            listed = run(["cmake", "--build", self.build, "--target", "help"], env=self.env).stdout
        names = set(re.findall(r"^(?:\.\.\. )?([\w.+-]+)(?::|$| )", listed, re.M))
        return [t for t in TARGETS if t in names]

    def build_targets(self, targets):
        result = run(["cmake", "--build", self.build, "-j", str(self.jobs), "--target"] + targets, env=self.env)
        return result.returncode == 0, result.stdout

    def feeds(self, targets):
        """The executables each source file and header goes into, from
        ninja's record of every object's inputs; None without ninja."""
        if not os.path.isfile(os.path.join(self.build, "build.ninja")):
            return None
        deps, current = {}, None
        for line in run(["ninja", "-C", self.build, "-t", "deps"], env=self.env).stdout.splitlines():
            if line and not line[0].isspace():
                current = deps.setdefault(line.split(":")[0], [])
            elif line.strip() and current is not None:
                current.append(os.path.realpath(os.path.join(self.build, line.strip())))
        fed = {}
        for target in targets:
            inputs = run(["ninja", "-C", self.build, "-t", "inputs", target], env=self.env).stdout.split()
            for obj in inputs:
                for path in deps.get(obj, []):
                    fed.setdefault(path, set()).add(target)
        return fed

    def costs_file(self):
        return os.path.join(self.build, "Testing", "Temporary", "CTestCostData.txt")

    def remember_costs(self):
        """Each test's time in the run just made, from CTest's own record."""
        self.seconds = {}
        with open(self.costs_file()) as f:
            for line in f:
                fields = line.split()
                if line.startswith("---"):
                    break
                if len(fields) == 3:
                    self.seconds[fields[0]] = float(fields[2])

    def tests(self, browser):
        """Every fast-group test with the paths its command names."""
        shown = run(["ctest", "--show-only=json-v1"], cwd=self.build, env=self.env).stdout
        tests = []
        for t in json.loads(shown)["tests"]:
            if re.search(TEST_GROUPS, t["name"]) and (browser or not re.search(BROWSER_TEST, t["name"])):
                tests.append((t["name"], set(t.get("command", []))))
        return tests

    def run_tests(self, names, stop_on_failure):
        """None when all pass, else the first failing test's name."""
        pattern = "^(" + "|".join(re.sub(r"([.+*?()\[\]^$|\\])", r"\\\1", n) for n in names) + ")$"
        # CTest starts the costliest tests first; told that the quickest
        # cost most, it runs the quick unit cases first, which end most runs.
        os.makedirs(os.path.dirname(self.costs_file()), exist_ok=True)
        with open(self.costs_file(), "w") as f:
            for name, seconds in self.seconds.items():
                f.write("%s 1 %.6f\n" % (name, 1 / (seconds + 0.001)))
        # The failing test's own output, for --verbose.
        command = ["ctest", "-R", pattern, "-j", str(self.jobs), "--timeout", str(self.timeout), "--output-on-failure"]
        if stop_on_failure:
            command.append("--stop-on-failure")
        result = run(command, cwd=self.build, env=self.env)
        if result.returncode == 0:
            return None, result.stdout
        # Named in CTest's closing list, after any test's own output.
        summary = result.stdout[result.stdout.rfind("The following tests FAILED:"):]
        failed = re.findall(r"^\s*\d+ - (\S+) \(", summary, re.M)
        return (failed[0] if failed else "ctest exit status %d" % result.returncode), result.stdout


def check_list(mutants, problems):
    stale = []
    for m in mutants:
        n = occurrences(ROOT, m)
        if n != 1:
            stale.append((m, "file not found" if n < 0 else "original found %d times, not once" % n))
    for p in problems:
        print(p)
    for m, why in stale:
        print("stale (line %d): %s: %s" % (m.line, m.name(), why))
    print("%d mutants, %d stale, %d malformed lines" % (len(mutants), len(stale), len(problems)))
    return 0 if not stale and not problems else 1


def parse_arguments():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--list", default=os.path.join(ROOT, "scripts", "mutants.txt"), help="the mutant list")
    parser.add_argument("--scratch", default=os.path.join(ROOT, "build-mutation"),
                        help="scratch folder for the copy and its build (kept for the next run)")
    parser.add_argument("--only", help="run only mutants whose file or original matches this regular expression")
    parser.add_argument("--jobs", type=int, default=2, help="build and test jobs (default 2)")
    parser.add_argument("--timeout", type=int, default=60,
                        help="seconds a test may take (a hang counts as killed), or 5 times the slowest test's "
                        "time in the first run if longer")
    parser.add_argument("--min-rate", type=float, default=95.0, help="lowest acceptable kill rate in %% (default 95)")
    parser.add_argument("--run-equivalent", action="store_true", help="also run the mutants marked equivalent")
    parser.add_argument("--browser", action="store_true", help="run report_page.browser too")
    parser.add_argument("--check", action="store_true", help="only check that every original is found once")
    parser.add_argument("--verbose", action="store_true", help="print the failing output of killed and undecided mutants")
    return parser.parse_args()


def prepare(scratch, args):
    """Copies, builds and tests the unmutated tree: (targets, tests, what
    each file feeds), or None after saying what went wrong."""
    os.makedirs(scratch.source, exist_ok=True)
    sync_tree(ROOT, scratch.source)
    if not scratch.configure():
        print("mutation-check: cmake failed in %s" % scratch.build)
        return None
    targets = scratch.targets()
    ok, output = scratch.build_targets(targets)
    if not ok:
        print(output[-5000:])
        print("mutation-check: the unmutated tree does not build")
        return None
    tests = scratch.tests(args.browser)
    scratch.timeout = 10 * args.timeout  # the first run only learns how long each test takes
    failed, output = scratch.run_tests([name for name, _ in tests], stop_on_failure=False)
    if failed:
        print(output[-5000:])
        print("mutation-check: the unmutated tree fails %s: mend that first" % failed)
        return None
    scratch.remember_costs()
    # A test slowed down by a busy machine is no hang.
    scratch.timeout = max(args.timeout, int(5 * max(scratch.seconds.values(), default=0)))
    return targets, tests, scratch.feeds(targets)


def try_mutant(scratch, m, targets, tests, fed):
    """(fate, what to say, output): fate is killed, survived, no build or
    flaky."""
    path = os.path.join(scratch.source, m.path)
    with open(path, encoding="utf-8") as f:
        original = f.read()
    # Only the tests of the executables the file goes into run, and only the
    # executables those tests call are built (the others may still hold an
    # earlier mutant).
    mine = targets if fed is None else fed.get(os.path.realpath(path), set())
    if not mine:
        return "survived", "no fast-group executable depends on it", ""
    binaries = {os.path.join(scratch.build, t): t for t in targets}
    fed_paths = {p for p, t in binaries.items() if t in mine}
    chosen = [(name, command) for name, command in tests if command & fed_paths]
    needed = sorted({binaries[p] for _, command in chosen for p in command & binaries.keys()})
    begun = time.monotonic()
    try:
        with open(path, "w", encoding="utf-8") as f:
            f.write(original.replace(m.original, m.replacement, 1))
        ok, output = scratch.build_targets(needed)
        if not ok:
            return "no build", "", output[-2000:]
        failed, output = scratch.run_tests([name for name, _ in chosen], stop_on_failure=True)
        # A kill counts when the test fails again: one that fails only now
        # and then proves nothing (every test passed without faults).
        confirmed = bool(failed) and failed in dict(tests) and scratch.run_tests([failed], True)[0] is not None
    finally:
        with open(path, "w", encoding="utf-8") as f:
            f.write(original)
    seconds = time.monotonic() - begun
    if failed and not confirmed:
        return "flaky", "%s failed once, then passed" % failed, output
    if failed:
        return "killed", "by %s, %.0f s" % (failed, seconds), output
    return "survived", "no test fails, %d tests, %.0f s" % (len(chosen), seconds), output


def summarize(results, count, problems, args, started):
    killed, survived = len(results["killed"]), len(results["survived"])
    rated = killed + survived
    rate = 100.0 * killed / rated if rated else 100.0
    print()
    print("mutants: %d (%d equivalent, %d stale, %d not building, %d undecided)" % (
        count, len(results["equivalent"]), len(results["stale"]), len(results["no build"]), len(results["flaky"])))
    print("killed: %d of %d non-equivalent mutants: %.1f %%" % (killed, rated, rate))
    for m, why in results["survived"]:
        print("survivor (line %d): %s: %s" % (m.line, m.name(), m.reason if m.mark == "accepted" else
                                             why + " [not marked accepted]"))
    for m, why in results["stale"]:
        print("stale (line %d): %s: %s" % (m.line, m.name(), why))
    for m, _ in results["no build"]:
        print("does not build (line %d): %s" % (m.line, m.name()))
    for m, why in results["flaky"]:
        print("undecided (line %d): %s: %s" % (m.line, m.name(), why))
    print("time: %.0f s" % (time.monotonic() - started))
    clean = not (results["stale"] or results["no build"] or results["flaky"] or problems)
    return 0 if rate >= args.min_rate and clean else 1


def main():
    args = parse_arguments()
    # Stopped from outside, the mutated file is still put back (and a later
    # run would find the copy's files differing from the tree and copy them).
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(143))
    mutants, problems = read_mutants(args.list)
    if args.check:
        return check_list(mutants, problems)
    for p in problems:
        print(p)
    if args.only:
        mutants = [m for m in mutants if re.search(args.only, m.path) or re.search(args.only, m.original)]

    started = time.monotonic()
    scratch = Scratch(os.path.abspath(args.scratch), args.jobs, args.timeout)
    prepared = prepare(scratch, args)
    if not prepared:
        return 2
    targets, tests, fed = prepared
    print("baseline: %s built, %d tests pass (%.0f s)" % (", ".join(targets), len(tests), time.monotonic() - started))

    results = {"killed": [], "survived": [], "stale": [], "no build": [], "equivalent": [], "flaky": []}
    for i, m in enumerate(mutants, 1):
        count = occurrences(scratch.source, m)
        if count != 1:
            fate, said, output = "stale", "file not found" if count < 0 else "original found %d times" % count, ""
        elif m.mark == "equivalent" and not args.run_equivalent:
            fate, said, output = "equivalent", m.reason, ""
        else:
            fate, said, output = try_mutant(scratch, m, targets, tests, fed)
            if fate == "survived" and m.mark == "equivalent":
                fate = "equivalent"
            elif fate == "killed" and m.mark:
                said += " (marked %s, yet killed: drop the mark)" % m.mark
        results[fate].append((m, said))
        print("[%d/%d] %-10s %s (%s)" % (i, len(mutants), fate.upper() if fate == "survived" else fate, m.name(), said),
              flush=True)
        if args.verbose and fate in ("killed", "flaky"):
            print(output[-3000:])

    scratch.build_targets(targets)  # the copy as the tree builds it, for the next run
    return summarize(results, len(mutants), problems, args, started)


if __name__ == "__main__":
    sys.exit(main())
