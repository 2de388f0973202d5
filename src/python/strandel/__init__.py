# SPDX-License-Identifier: GPL-3.0-or-later
"""Strandel from Python: chained clustering segmentation of gray-level images.

The same code as the command-line tools, so the same numbers:

    >>> import numpy as np, strandel
    >>> image = np.zeros((4, 4), np.uint8); image[:, 3:] = 200
    >>> result = strandel.segment(image, "K-Means(10, 2)")
    >>> result.centres, result.labels[0]
    (array([200.,   0.]), array([1, 1, 1, 0], dtype=uint8))

histogram(image) counts gray levels; image(path) reads a file's gray levels;
segment(image, chain) runs a chain and
rates it; evaluate(labels, ground_truths) scores any segmentation;
bench(images, chains) yields the rows of strandel-bench's results table.
Images are numpy uint8 arrays (H x W gray, H x W x 2/3/4) or file paths,
read as strandel-bench's native engine reads them: colour pixels count by
their third (blue) byte, alpha is ignored. Bad values raise ValueError,
unreadable files OSError, with the tools' messages.
"""

import csv as _csv
import os as _os

import numpy as _np

from . import _strandel

__version__ = _strandel.__version__
__all__ = ["histogram", "image", "segment", "evaluate", "bench", "Segmentation", "measure_columns",
           "table_columns"]


def measure_columns():
    """The results table's measure columns, in order (turi, dunn, amrane, liu_yang)."""
    return list(_strandel.measure_columns())


def table_columns():
    """Every column of strandel-bench's results table, in order: the keys of bench()'s rows."""
    return list(_strandel.table_columns())


def histogram(image, gray=None, levels=None):
    """Return the 256 gray-level counts of an image, as the tools count them.

    image: a numpy uint8 array (H x W gray; H x W x 2 gray and alpha; H x W x
    3 or 4 RGB(A)) or the path of an image file (any file strandel-bench
    reads). gray: how colour pixels become gray levels, "blue" (the blue
    byte, GIMP's batch rule, the default) or "luma" (OpenCV's
    RGB2GRAY), as strandel-bench --gray; levels: how 16-bit files become
    256 levels, "scale" (the default) or "stretch", as --levels. Returns an
    int64 array of 256 counts.
    """
    return _strandel.histogram(_path_or_array(image), gray, levels)


def image(path, gray=None, levels=None):
    """Return the gray level of every pixel of an image file (H x W uint8).

    The file is read as strandel-bench's native engine reads it, and each
    pixel is the gray level the histogram counts: gray as it is, colour by
    its third (blue) byte, alpha ignored. Ground-truth label files stored as
    gray images read as their labels. gray, levels: as for histogram().
    """
    return _strandel.image(_os.fspath(path), gray, levels)


class Segmentation:
    """What a chain made of one image (returned by segment()).

    centres: the class centres (float64 array, in the chain's order);
    classes: their number; labels: each pixel's class index (uint8, uint16
    past 256 classes) when pixels were given, else None; measures: the four
    measures by the table's column names; seconds: the passes' time.
    """

    __slots__ = ("centres", "classes", "labels", "measures", "seconds")

    def __init__(self, centres, labels, measures, seconds):
        self.centres = _np.asarray(centres, dtype=_np.float64)
        self.classes = len(self.centres)
        self.labels = labels
        self.measures = dict(measures)
        self.seconds = seconds

    def __iter__(self):
        # labels, centres = strandel.segment(image, chain)
        return iter((self.labels, self.centres))

    def __repr__(self):
        return "Segmentation(classes=%d, centres=%r, measures=%r)" % (self.classes, self.centres.tolist(), self.measures)


def segment(image_or_histogram, chain, seed=None, gray=None, levels=None):
    """Run a chain on an image (or its histogram) and rate the result.

    image_or_histogram: a uint8 image array, an image file's path, or 256
    counts (a 1-D array). chain: the chain syntax of the tools, such as
    "AiNet; K-Means(10, 4); Fuzzy C-Means" ("" is one AiNet pass). seed:
    srand(seed) before the chain, as strandel-chain --seed does;
    strandel-bench --seed-each N gives the image at list position p the seed
    N + p, so segment(image, chain, seed=N + p) is that table row.
    gray, levels: as for histogram(). Returns a Segmentation (labels,
    centres = segment(...) unpacks it); its measures hold the table's
    measure columns and optimal_ratio.
    """
    if seed is not None and not (0 <= int(seed) <= 0xFFFFFFFF):
        raise ValueError("seed: %r is not a whole number from 0 to 4294967295" % (seed,))
    centres, seconds, measures, labels = _strandel.segment(_path_or_array(image_or_histogram), str(chain), seed,
                                                           gray, levels)
    return Segmentation(centres, labels, measures, seconds)


def evaluate(labels, ground_truths, image=None, centres=None):
    """Score a segmentation given as labels, against one or more ground truths.

    labels: an H x W integer array (0 to 65535), any segmentation's.
    ground_truths: an H x W label array (or a gray image file's path), or a
    list of them (one per annotator). Returns a dict: jaccard (each region's best Jaccard index,
    averaged: the table's column), rand (over annotators: the probabilistic
    Rand index), adjusted_rand, variation_of_information (nats),
    global_consistency_error, covering, matched_jaccard, dice (region
    measures averaged over annotators) and boundary_precision,
    boundary_recall, boundary_f (all annotators at once). With image (uint8)
    and labels that classify gray levels (each gray level in one class), the
    unsupervised measures too (turi, dunn, amrane, liu_yang), around centres
    when given (segment()'s) or the classes' mean gray levels.
    """
    def labels_of(value):
        # (`image` is this function's argument here, not the function.)
        return _strandel.image(_os.fspath(value)) if isinstance(value, (str, _os.PathLike)) else _np.asarray(value)

    if isinstance(ground_truths, (str, _os.PathLike, _np.ndarray)):
        truths = labels_of(ground_truths)
    else:
        truths = [labels_of(t) for t in ground_truths]
    return dict(_strandel.evaluate(_np.asarray(labels), truths, None if image is None else _np.asarray(image),
                                   None if centres is None else [float(c) for c in centres]))


def bench(images, chains, ground_truth=None, seed_each=None, jobs=1, progress=None, boundary=False, gray=None,
          levels=None):
    """Yield the rows of strandel-bench's results table, image by image.

    images: image files and folders (a folder stands for its image files, as
    on strandel-bench's command line, manual segmentations left out), or the
    path of a benchmark list file (a name ending in .list or .txt).
    chains: one chain or a list of them. ground_truth: the --ground-truth
    pattern ('groundTruth/{stem}.png', several annotators with {n}, or a
    MATLAB file); by default NAME_seg.EXT beside each image. seed_each:
    --seed-each. jobs: threads reading images ahead. boundary, gray,
    levels: --boundary, --gray, --levels. progress: called as
    progress(done, total, image) after each list position.
    Each row is a dict of the table's columns (table_columns()): text as
    text, position, classes and annotators as int, centres as a list of
    floats, every other number as float, an empty value as None; status is
    "ok" or "skipped: REASON". The values are the table's, bit for bit (the
    table's own writer makes each row). Ctrl-C stops between two images.
    """
    chains = [chains] if isinstance(chains, str) else [str(c) for c in chains]
    list_file, names = "", []
    if isinstance(images, (str, _os.PathLike)):
        path = _os.fspath(images)
        if path.endswith((".list", ".txt")):
            list_file = path
        else:
            names = [path]
    else:
        names = [_os.fspath(i) for i in images]
    session = _strandel.BenchSession(names, list_file, chains, ground_truth or "", seed_each, int(jobs),
                                     bool(boundary), gray, levels)
    columns = table_columns()
    total = session.total()
    done = 0
    while True:
        rows = session.next_rows()
        if rows is None:
            return
        done += 1
        image = ""
        for text in rows:
            row = _typed_row(columns, text.decode("utf-8", "surrogateescape"))
            image = row["image"]
            yield row
        if progress is not None:
            progress(done, total, image)


_TEXT_COLUMNS = {"chain", "image", "manual_segmentation", "gray", "levels", "status"}
_INTEGER_COLUMNS = {"position", "classes", "annotators"}


def _typed_row(columns, text):
    fields = next(_csv.reader([text.rstrip("\r\n")]))
    row = {}
    for name, value in zip(columns, fields):
        if name in _TEXT_COLUMNS:
            row[name] = value
        elif value == "":
            row[name] = None
        elif name == "centres":
            row[name] = [float(c) for c in value.split()]
        elif name in _INTEGER_COLUMNS:
            row[name] = int(value)
        else:
            row[name] = float(value)
    return row


def _path_or_array(value):
    if isinstance(value, (str, _os.PathLike)):
        return _os.fspath(value)
    return value
