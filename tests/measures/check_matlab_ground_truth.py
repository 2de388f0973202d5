#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Reads ground truths stored as the natural-image benchmarks store them
(a cell array groundTruth of structs with a Segmentation field), written
here by scipy.io.savemat (MAT version 5, compressed and not), and checks
that every annotator's labels come back at their places; then that files
that are not such ground truths are refused with a message naming the
file and what is wrong.

Usage: check_matlab_ground_truth.py MEASURES_ORACLE
"""
import os
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import peers  # noqa: E402

peers.need("numpy", "scipy")
import numpy as np  # noqa: E402
import scipy.io as sio  # noqa: E402


def cells(*structs):
    out = np.empty((1, len(structs)), dtype=object)
    for i, s in enumerate(structs):
        out[0, i] = s
    return out


def write(path, variables, compressed):
    sio.savemat(path, variables, do_compression=compressed)


def read(oracle, path):
    done = subprocess.run([oracle, "matlab", path], capture_output=True, text=True)
    return done.returncode, done.stdout, done.stderr.strip()


def planes_of(stdout):
    planes = []
    for line in stdout.splitlines():
        words = line.split()
        w, h = int(words[1]), int(words[2])
        planes.append(np.array(words[3:], dtype=np.int64).reshape(h, w))
    return planes


def main():
    oracle = sys.argv[1]
    rng = np.random.default_rng(3)
    tally = peers.Tally(0)
    cases = 0
    with tempfile.TemporaryDirectory() as work:
        for compressed in (False, True):
            tag = "compressed" if compressed else "uncompressed"
            for annotators, (h, w), dtype in ((1, (7, 5), np.uint16), (5, (32, 48), np.uint16),
                                               (3, (1, 9), np.uint8), (2, (21, 13), np.float64)):
                segs = [rng.integers(0, 65536 if dtype != np.uint8 else 256, size=(h, w)).astype(dtype)
                        for _ in range(annotators)]
                path = os.path.join(work, f"{tag} {annotators}.mat")
                write(path, {"groundTruth": cells(*({"Segmentation": s, "Boundaries": s > 3} for s in segs))},
                      compressed)
                status, out, err = read(oracle, path)
                got = planes_of(out) if status == 0 else []
                tally.equal("scipy.io.savemat", f"{tag}, {annotators} x {h}x{w} {np.dtype(dtype).name}: status",
                            (status, err), (0, ""))
                tally.equal("scipy.io.savemat", f"{tag}, {annotators} x {h}x{w}: planes", len(got), annotators)
                for a, (mine, theirs) in enumerate(zip(got, segs)):
                    tally.equal("scipy.io.savemat", f"{tag}, annotator {a}: every label in place",
                                np.array_equal(mine, theirs.astype(np.int64)), True)
                cases += 1

            bad = {
                "no groundTruth": {"other": np.zeros((2, 2))},
                "not a cell array": {"groundTruth": np.zeros((2, 2))},
                "no Segmentation field": {"groundTruth": cells({"Boundaries": np.zeros((2, 2))})},
                "labels that are no labels": {"groundTruth": cells({"Segmentation": np.full((2, 2), 1.5)})},
                "negative labels": {"groundTruth": cells({"Segmentation": np.full((2, 2), -1, np.int32)})},
                "two sizes": {"groundTruth": cells({"Segmentation": np.zeros((2, 2), np.uint16)},
                                                   {"Segmentation": np.zeros((3, 2), np.uint16)})},
                "text": {"groundTruth": cells({"Segmentation": "abc"})},
            }
            expected = {
                "no groundTruth": "holds no variable groundTruth",
                "not a cell array": "groundTruth is not a cell array",
                "no Segmentation field": "has no Segmentation field",
                "labels that are no labels": "holds a value that is no label",
                "negative labels": "holds a value that is no label",
                "two sizes": "annotator 2 segmented 2 x 3 pixels, annotator 1 2 x 2",
                "text": "is not a two-dimensional numeric matrix",
            }
            for what, variables in bad.items():
                path = os.path.join(work, f"{tag} {what}.mat")
                write(path, variables, compressed)
                status, out, err = read(oracle, path)
                tally.equal("refusals", f"{tag} {what}", (status, out, f"'{path}'" in err, expected[what] in err),
                            (1, "", True, True))
                cases += 1
        for what, content in (("not a MAT file", b"hello"), ("empty file", b""), ("cut short", None)):
            path = os.path.join(work, what + ".mat")
            if content is None:  # a real ground truth cut in its data
                write(path, {"groundTruth": cells({"Segmentation": np.ones((40, 40), np.uint16)})}, True)
                cut = open(path, "rb").read()[:-40]
                with open(path, "wb") as f:
                    f.write(cut)
            else:
                with open(path, "wb") as f:
                    f.write(content)
            status, out, err = read(oracle, path)
            # A cut file reads as far as libmatio gets: refused, whatever it saw.
            said = content is not None and ("MATLAB file" in err or "cannot be read" in err)
            tally.equal("refusals", what, (status, out, f"'{path}'" in err, said or what == "cut short"),
                        (1, "", True, True))
            cases += 1
        status, _, err = read(oracle, os.path.join(work, "missing.mat"))
        tally.equal("refusals", "missing file", (status, "missing.mat" in err), (1, True))
        # A header claiming a huge matrix is refused before anything is read.
        path = os.path.join(work, "huge.mat")
        write(path, {"groundTruth": cells({"Segmentation": np.zeros((4, 4), np.uint16)})}, False)
        data = bytearray(open(path, "rb").read())
        at = data.find(np.array([4, 4], "<i4").tobytes(), data.find(b"Segmentation"))
        data[at:at + 8] = np.array([100000, 100000], "<i4").tobytes()
        open(path, "wb").write(bytes(data))
        status, _, err = read(oracle, path)
        print("huge claimed size: " + err)
        tally.equal("refusals", "huge claimed size", (status, "huge.mat" in err, "pixels" in err or "labels" in err
                                                       or "bytes" in err or "cannot be read" in err), (1, True, True))
        cases += 2
    tally.finish(cases)


if __name__ == "__main__":
    main()
