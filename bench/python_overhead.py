# SPDX-License-Identifier: GPL-3.0-or-later
"""The Python module's cost per image against strandel-bench's.

    PYTHONPATH=build/python /usr/bin/python3 bench/python_overhead.py build/strandel-bench [IMAGES] [SIZE]

Writes IMAGES (default 200) gray PNGs of SIZE (default 481x321) pixels,
then times, per image (medians of five rounds, wall clock): strandel-bench
--table on all of them; strandel.bench over the same list; a loop of
strandel.segment on each file (reading it in the call); and strandel.segment
on images already in memory as numpy arrays. The chain is K-Means(10, 4).
"""
import os
import statistics
import struct
import subprocess
import sys
import tempfile
import time
import zlib

import numpy as np

import strandel

CHAIN = "K-Means(10, 4)"


def write_png(path, pixels):
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))
    height, width = pixels.shape
    rows = b"".join(b"\0" + pixels[y].tobytes() for y in range(height))
    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 0, 0, 0, 0))
                + chunk(b"IDAT", zlib.compress(rows, 6)) + chunk(b"IEND", b""))


def per_image(seconds, count):
    return 1000.0 * seconds / count


def main():
    bench = sys.argv[1]
    count = int(sys.argv[2]) if len(sys.argv) > 2 else 200
    width, height = (int(v) for v in (sys.argv[3] if len(sys.argv) > 3 else "481x321").split("x"))
    rng = np.random.default_rng(1)
    with tempfile.TemporaryDirectory() as work:
        arrays = []
        for k in range(count):
            regions = rng.integers(0, 4, (height // 16 + 1, width // 16 + 1)).repeat(16, 0).repeat(16, 1)
            pixels = np.clip(regions[:height, :width] * 60 + 20 + rng.normal(0, 8, (height, width)), 0, 255)
            arrays.append(pixels.astype(np.uint8))
            write_png(os.path.join(work, "i%04d.png" % k), arrays[-1])
        listed = os.path.join(work, "images.list")
        with open(listed, "w") as f:
            f.write("".join("i%04d.png\n" % k for k in range(count)))

        def tool():
            for name in ("r.txt", "t.csv", "t.csv.json"):
                if os.path.exists(os.path.join(work, name)):
                    os.remove(os.path.join(work, name))
            subprocess.run([bench, "--chain", CHAIN, "--list", listed, "--out", os.path.join(work, "r.txt"),
                            "--table", os.path.join(work, "t.csv")], check=True, stderr=subprocess.DEVNULL)

        def module_bench():
            for _ in strandel.bench(listed, CHAIN):
                pass

        def module_files():
            for k in range(count):
                strandel.segment(os.path.join(work, "i%04d.png" % k), CHAIN)

        def module_arrays():
            for pixels in arrays:
                strandel.segment(pixels, CHAIN)

        for name, run in (("strandel-bench --table", tool), ("strandel.bench", module_bench),
                          ("strandel.segment(file)", module_files), ("strandel.segment(array)", module_arrays)):
            times = []
            for _ in range(5):
                start = time.perf_counter()
                run()
                times.append(time.perf_counter() - start)
            print("%-26s %7.3f ms per image (median of 5; %d images of %dx%d)"
                  % (name, per_image(statistics.median(times), count), count, width, height))


if __name__ == "__main__":
    main()
