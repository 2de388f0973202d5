# SPDX-License-Identifier: GPL-3.0-or-later
"""The Python module against the tools: the same values as strandel-bench's
table, bit for bit; the gray rules of the readers; labels by the nearest
centre; the measures on hand-made label planes; errors with the tools'
messages; Ctrl-C in a long bench; and the README's examples as written.

Run by CTest (python.module) with STRANDEL_BENCH, STRANDEL_SAMPLES and
STRANDEL_README set, and the package on PYTHONPATH.
"""
import csv
import os
import re
import shutil
import signal
import subprocess
import sys

import numpy as np
import pytest

import strandel

BENCH = os.environ.get("STRANDEL_BENCH", "")
SAMPLES = os.environ.get("STRANDEL_SAMPLES", "")
README = os.environ.get("STRANDEL_README", "")
CHAINS = ["Particle Swarm Optimization; K-Means", "K-Means(10, 3)", "AiNet; Fuzzy C-Means"]


def write_pgm(path, pixels):
    height, width = pixels.shape
    with open(path, "wb") as f:
        f.write(b"P5\n%d %d\n255\n" % (width, height) + pixels.astype(np.uint8).tobytes())


@pytest.fixture
def sample(tmp_path):
    """The shipped sample benchmark, plus a file that is no image."""
    folder = tmp_path / "sample"
    shutil.copytree(SAMPLES, folder)
    (folder / "broken.png").write_bytes(b"\x89PNG\r\n\x1a\nnot really")
    with open(folder / "sample.list", "a") as f:
        f.write("broken.png\n")
    return folder


def table_rows(path):
    with open(path, newline="") as f:
        return list(csv.DictReader(f))


def same_as_table(row, table_row):
    """A module row equals a table row: every column, every number the same
    double (paths compared by name: the table's are relative to its folder)."""
    assert list(row) == strandel.table_columns()
    for column, expected in table_row.items():
        got = row[column]
        if column in ("image", "manual_segmentation"):
            assert os.path.basename(got) == os.path.basename(expected), column
        elif column == "seconds":
            assert (got is None) == (expected == "")  # whatever the machine took
        elif column == "centres":
            assert got == ([float(c) for c in expected.split()] if expected else None)
        elif isinstance(got, str):
            assert got == expected, column
        elif expected == "":
            assert got is None, column
        else:
            assert got == float(expected) or (np.isnan(got) and expected == "nan"), (column, got, expected)


@pytest.mark.skipif(not BENCH, reason="STRANDEL_BENCH not set")
def test_bench_and_segment_equal_the_table(sample, tmp_path):
    table = tmp_path / "t.csv"
    args = [BENCH, "--seed-each", "7", "--list", str(sample / "sample.list"), "--out", str(tmp_path / "r-{n}.txt"),
            "--table", str(table), "--boundary", "--gray", "luma"]
    for chain in CHAINS:
        args += ["--chain", chain]
    subprocess.run(args, check=True, stderr=subprocess.DEVNULL)
    expected = {(r["chain"], int(r["position"])): r for r in table_rows(table)}
    seen = []
    rows = list(strandel.bench(str(sample / "sample.list"), CHAINS, seed_each=7, jobs=2, boundary=True, gray="luma",
                               progress=lambda done, total, image: seen.append((done, total))))
    assert len(rows) == len(expected)
    for row in rows:
        same_as_table(row, expected[(row["chain"], row["position"])])
    assert any(r["status"].startswith("skipped: ") for r in rows)
    assert seen[-1] == (len(seen), len(seen)) and len(seen) == 7
    # segment() of one image with the seed the table used equals its row.
    for row in rows:
        if row["status"] != "ok":
            continue
        got = strandel.segment(row["image"], row["chain"], seed=7 + row["position"], gray="luma")
        assert got.centres.tolist() == row["centres"]
        for column in strandel.measure_columns():
            assert got.measures[column] == row[column]
        assert got.labels.shape == strandel_shape(row["image"])


def strandel_shape(path):
    labels, _ = strandel.segment(path, "K-Means(1, 2)")
    return labels.shape


@pytest.mark.skipif(not BENCH, reason="STRANDEL_BENCH not set")
def test_bench_takes_folders_and_ground_truth_patterns(tmp_path):
    images = tmp_path / "images"
    truth = tmp_path / "groundTruth"
    images.mkdir()
    truth.mkdir()
    rng = np.random.default_rng(3)
    for k in range(3):
        pixels = rng.integers(0, 4, (20, 30)) * 60
        write_pgm(images / ("im%d.pgm" % k), pixels)
        write_pgm(truth / ("im%d.pgm" % k), pixels // 60 * 10)
    table = tmp_path / "t.csv"
    subprocess.run([BENCH, "--chain", "K-Means(10, 4)", "--ground-truth", "groundTruth/{stem}.pgm",
                    "--out", str(tmp_path / "r.txt"), "--table", str(table), "images"],
                   check=True, cwd=tmp_path, stderr=subprocess.DEVNULL)
    expected = table_rows(table)
    cwd = os.getcwd()
    os.chdir(tmp_path)
    try:
        rows = list(strandel.bench(["images"], "K-Means(10, 4)", ground_truth="groundTruth/{stem}.pgm"))
    finally:
        os.chdir(cwd)
    assert [r["jaccard"] for r in rows] == [1.0, 1.0, 1.0]
    for row, table_row in zip(rows, expected):
        same_as_table(row, table_row)


def test_gray_rules_of_arrays_and_files(tmp_path):
    rng = np.random.default_rng(5)
    gray = rng.integers(0, 256, (17, 23), dtype=np.uint8)
    counts = np.bincount(gray.ravel(), minlength=256)
    assert strandel.histogram(gray).tolist() == counts.tolist()
    # Colour pixels count by their third byte, gray-and-alpha by the first;
    # alpha never counts.
    rgb = np.stack([255 - gray, gray // 2, gray], axis=2)
    rgba = np.concatenate([rgb, np.full(gray.shape + (1,), 7, np.uint8)], axis=2)
    gray_alpha = np.stack([gray, 255 - gray], axis=2)
    for image in (rgb, rgba, gray_alpha, np.asfortranarray(gray), gray[:, ::1].copy()):
        assert strandel.histogram(image).tolist() == counts.tolist()
    write_pgm(tmp_path / "g.pgm", gray)
    assert strandel.histogram(tmp_path / "g.pgm").tolist() == counts.tolist()
    assert strandel.histogram(str(tmp_path / "g.pgm"), gray="blue", levels="scale").tolist() == counts.tolist()
    # Luma as OpenCV's RGB2GRAY computes it, in 14-bit fixed point.
    r, g, b = (rgb[..., k].astype(np.uint32) for k in range(3))
    luma = ((r * 4899 + g * 9617 + b * 1868 + 8192) >> 14).astype(np.uint8)
    assert strandel.histogram(rgb, gray="luma").tolist() == np.bincount(luma.ravel(), minlength=256).tolist()
    assert strandel.histogram(rgb).tolist() == counts.tolist()  # each call its own rule
    with pytest.raises(ValueError, match="give blue"):
        strandel.histogram(rgb, gray="third")


def test_labels_are_the_nearest_centre(tmp_path):
    rng = np.random.default_rng(11)
    image = (rng.integers(0, 5, (40, 31)) * 50 + rng.integers(0, 9, (40, 31))).astype(np.uint8)
    result = strandel.segment(image, "K-Means(10, 5); Fuzzy C-Means")
    centres = result.centres
    nearest = np.argmin(np.abs(image[..., None].astype(float) - centres[None, None, :]), axis=2)
    assert result.labels.dtype == np.uint8 and result.classes == 5
    assert (result.labels == nearest).all()
    # From the file, the same labels; from the histogram, no labels.
    write_pgm(tmp_path / "i.pgm", image)
    from_file = strandel.segment(tmp_path / "i.pgm", "K-Means(10, 5); Fuzzy C-Means")
    assert (from_file.labels == result.labels).all() and from_file.centres.tolist() == centres.tolist()
    from_counts = strandel.segment(strandel.histogram(image), "K-Means(10, 5); Fuzzy C-Means")
    assert from_counts.labels is None and from_counts.centres.tolist() == centres.tolist()
    assert from_counts.measures == result.measures


def test_evaluate_on_hand_made_planes():
    # Four pixels a, b, c, d: segmentation {a, b | c, d}, truth {a, b, c | d}.
    seg = np.array([[0, 0], [1, 1]], np.uint8)
    truth = np.array([[0, 0], [0, 1]], np.uint16)
    got = strandel.evaluate(seg, truth)
    # Pairs: (a,b) same/same; (a,c) diff/same; (a,d) diff/diff; (b,c)
    # diff/same; (b,d) diff/diff; (c,d) same/diff: 3 agreements of 6.
    assert got["rand_index"] == pytest.approx(0.5)
    # Region {a,b,c}: best Jaccard 2/3 (class 0); region {d}: 1/2 (class 1).
    assert got["jaccard"] == pytest.approx((2 / 3 + 1 / 2) / 2)
    assert got["matched_jaccard"] == pytest.approx((2 / 3 + 1 / 2) / 2)
    # Two annotators: the region measures are their means.
    both = strandel.evaluate(seg, [truth, seg])
    assert both["rand_index"] == pytest.approx((0.5 + 1) / 2)
    assert both["covering"] == pytest.approx((strandel.evaluate(seg, truth)["covering"] + 1) / 2)
    same = strandel.evaluate(seg, [seg])
    assert same["variation_of_information"] == 0 and same["boundary_f"] == 1


def test_evaluate_with_the_image_gives_the_unsupervised_measures():
    rng = np.random.default_rng(2)
    image = (rng.integers(0, 3, (30, 30)) * 80 + 20).astype(np.uint8)
    result = strandel.segment(image, "K-Means(10, 3)")
    scores = strandel.evaluate(result.labels, result.labels, image=image, centres=result.centres)
    for column in strandel.measure_columns():
        assert scores[column] == result.measures[column]
    # Labels that split one gray level between classes classify no gray
    # levels: no unsupervised measure.
    split = result.labels.copy()
    first, second = np.argwhere(image == image[0, 0])[:2]
    split[tuple(second)] = (split[tuple(first)] + 1) % 3
    assert "turi" not in strandel.evaluate(split, result.labels, image=image)


def test_errors_carry_the_tools_messages(tmp_path):
    image = np.zeros((3, 3), np.uint8)
    with pytest.raises(ValueError, match='chain: unknown pass "KMeans"'):
        strandel.segment(image, "KMeans")
    with pytest.raises(ValueError, match='K-Means: parameter "Number Of Classes" must be an integer from 2 to 100'):
        strandel.segment(image, "K-Means(10, 1)")
    with pytest.raises(OSError, match="none.png: No such file or directory"):
        strandel.segment(tmp_path / "none.png", "K-Means")
    with pytest.raises(ValueError, match="8-bit"):
        strandel.histogram(np.zeros((3, 3), np.float32))
    with pytest.raises(ValueError, match="256 counts"):
        strandel.segment(np.zeros(10, np.int64), "K-Means")
    with pytest.raises(ValueError, match="every count is zero"):
        strandel.segment(np.zeros(256, np.int64), "K-Means")
    with pytest.raises(ValueError, match="no images: the folders given hold no image file"):
        list(strandel.bench([str(tmp_path)], "K-Means"))
    write_pgm(tmp_path / "a.pgm", image)
    with pytest.raises(ValueError, match="are the same chain"):
        list(strandel.bench([str(tmp_path)], ["K-Means", "K-Means(10, 3)"]))
    with pytest.raises(ValueError, match="ground truth is 2 x 2, the labels 3 x 3"):
        strandel.evaluate(image, np.zeros((2, 2), np.uint8))


def test_ctrl_c_stops_a_long_bench(tmp_path):
    for k in range(30):
        write_pgm(tmp_path / ("i%02d.pgm" % k), np.full((8, 8), k * 8))
    rows = []
    with pytest.raises(KeyboardInterrupt):
        for row in strandel.bench([str(tmp_path)], "K-Means", progress=lambda done, total, image:
                                  done == 3 and os.kill(os.getpid(), signal.SIGINT)):
            rows.append(row)
    assert len(rows) == 3


def test_help_shows_docstrings_and_stubs_are_installed():
    for function in (strandel.histogram, strandel.segment, strandel.evaluate, strandel.bench):
        assert len(function.__doc__) > 200, function
    package = os.path.dirname(strandel.__file__)
    assert os.path.exists(os.path.join(package, "__init__.pyi")) and os.path.exists(os.path.join(package, "py.typed"))
    assert re.match(r"\d+\.\d+\.\d+$", strandel.__version__)


@pytest.mark.skipif(not README, reason="STRANDEL_README not set")
def test_readme_examples_run_as_written(tmp_path):
    """Every `python3 -c '...'` line of the README's Python section."""
    text = open(README, encoding="utf-8").read()
    section = text[text.index("## Python"):]
    section = section[:section.index("\n## ", 1)]
    examples = re.findall(r"^    (python3 -c '(?:[^']|'\"'\"')*')$", section, re.M)
    assert len(examples) >= 3
    root = os.path.dirname(os.path.abspath(README))
    for example in examples:
        done = subprocess.run(["bash", "-c", example.replace("python3", sys.executable, 1)], cwd=root,
                              capture_output=True, text=True)
        assert done.returncode == 0, (example, done.stderr)
        assert done.stdout.strip(), example
