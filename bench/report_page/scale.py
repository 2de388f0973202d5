#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""strandel-report at data-set scale, side by side in one run.

    bench/report_page/scale.py [--images 10000] [--chains 4] [--small 1000] [--build build] [--keep DIR]
                               [--threads 2] [--screenshot FILE.png]

Makes a data set of gray 481 x 321 images with ground-truth label images
(0 ... K-1), segments it with strandel-bench (--chains chains,
--save-segmentations, --table, --ground-truth), then measures:
  - the floor: every image, ground truth and label image decoded once with
    libpng at the same thread count (build/report_decode_floor);
  - strandel-report with thumbnails and the page, first with a fresh page
    folder, then again (thumbnails reused), and on the first --small images;
    wall time and peak memory (/usr/bin/time -v);
  - the peer a researcher would write: pandas + matplotlib box plots and a
    montage of the lowest-Jaccard images (bench/report_page/peer_report.py);
  - the page in headless Chromium (chromedriver): the page's size, time to
    the first rendered table rows, to sort every image by a column, the
    number of DOM nodes, and the last row's thumbnails after scrolling there.
Needs Debian's python3 with numpy, opencv, pandas, matplotlib, selenium.
"""
import argparse
import csv
import os
import re
import shutil
import subprocess
import sys
import time

import cv2
import numpy as np

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
CHAINS = ["K-Means(10, 4)", "AiNet; Fuzzy C-Means", "Multi-Otsu(4)", "Fuzzy C-Means(10, 3, 2.0)",
          "K-Means(10, 3); Fuzzy C-Means"]


def make_data(folder, images, seed=5):
    """Images of 2-4 ellipses over a background, with noise; their label images."""
    os.makedirs(os.path.join(folder, "images"), exist_ok=True)
    os.makedirs(os.path.join(folder, "truth"), exist_ok=True)
    rng = np.random.default_rng(seed)
    names = []
    for i in range(images):
        name = "img%05d" % i
        names.append(os.path.join("images", name + ".png"))
        if os.path.exists(os.path.join(folder, "truth", name + ".png")):
            continue
        labels = np.zeros((321, 481), np.uint8)
        count = int(rng.integers(2, 5))
        for k in range(1, count + 1):
            centre = (int(rng.integers(80, 400)), int(rng.integers(60, 260)))
            axes = (int(rng.integers(30, 140)), int(rng.integers(25, 110)))
            cv2.ellipse(labels, centre, axes, float(rng.uniform(0, 180)), 0, 360, k, -1)
        levels = np.sort(rng.choice(np.arange(20, 236, 10), count + 1, replace=False))
        gray = levels[labels] + rng.normal(0, 12, labels.shape)
        cv2.imwrite(os.path.join(folder, "images", name + ".png"), np.clip(gray, 0, 255).astype(np.uint8))
        cv2.imwrite(os.path.join(folder, "truth", name + ".png"), labels)
    with open(os.path.join(folder, "list.txt"), "w") as f:
        f.write("\n".join(names) + "\n")


def timed(command, **kwargs):
    """Runs under /usr/bin/time -v: (wall seconds, peak resident MB)."""
    done = subprocess.run(["/usr/bin/time", "-v"] + command, stderr=subprocess.PIPE, text=True, **kwargs)
    if done.returncode != 0:
        sys.exit("failed: %s\n%s" % (" ".join(command), done.stderr[-2000:]))
    wall = re.search(r"Elapsed \(wall clock\) time \(h:mm:ss or m:ss\): (?:(\d+):)?(\d+):([\d.]+)", done.stderr)
    seconds = int(wall.group(1) or 0) * 3600 + int(wall.group(2)) * 60 + float(wall.group(3))
    peak = int(re.search(r"Maximum resident set size \(kbytes\): (\d+)", done.stderr).group(1)) / 1024
    return seconds, peak, done.stderr


def subset_table(table, out, images):
    with open(table, newline="") as f, open(out, "w", newline="") as g:
        reader = csv.reader(f)
        writer = csv.writer(g, lineterminator="\r\n")
        header = next(reader)
        writer.writerow(header)
        at = header.index("position")
        writer.writerows(r for r in reader if int(r[at]) < images)


def browser(page, screenshot):
    from selenium import webdriver
    from selenium.webdriver.chrome.service import Service
    from selenium.webdriver.common.by import By
    options = webdriver.ChromeOptions()
    options.binary_location = shutil.which("chromium")
    profile = page + ".profile"
    for flag in ["--headless", "--no-sandbox", "--disable-gpu", "--no-first-run", "--disable-sync",
                 "--disable-background-networking", "--user-data-dir=" + profile, "--window-size=1400,1000"]:
        options.add_argument(flag)
    driver = webdriver.Chrome(service=Service(shutil.which("chromedriver"), log_path=os.devnull), options=options)
    try:
        driver.get("file://" + page)
        figures = driver.execute_script(
            "var n = performance.getEntriesByType('navigation')[0], rows = performance.getEntriesByName('strandel-rows');"
            "return [rows.length ? rows[0].startTime : -1, n.domContentLoadedEventEnd, n.loadEventEnd,"
            " document.getElementsByTagName('*').length, document.querySelectorAll('#images tr.r').length];")
        if screenshot:
            driver.save_screenshot(screenshot)
        header = driver.find_elements(By.CSS_SELECTOR, "#images thead tr:nth-child(2) th.m-jaccard")[0]
        sort_ms = driver.execute_script(
            "var t = performance.now(); arguments[0].click(); return performance.now() - t;", header)
        sorted_ok = driver.execute_script(
            "var o = strandelTable.order(); return o.length;")
        driver.execute_script("window.scrollTo(0, document.body.scrollHeight);")
        time.sleep(1.0)
        last = driver.execute_async_script(
            "var done = arguments[arguments.length - 1];"
            "var rows = document.querySelectorAll('#images tr.r'), row = rows[rows.length - 1];"
            "var imgs = Array.from(row.querySelectorAll('img.thumb'));"
            "Promise.all(imgs.map(function (i) { return i.decode().then(function () { return 1; }, function () { return 0; }); }))"
            ".then(function (ok) { done([+row.getAttribute('data-i'), ok.length, ok.reduce(function (a, b) { return a + b; }, 0),"
            " document.getElementsByTagName('*').length]); });")
        if screenshot:
            driver.save_screenshot(screenshot.replace(".png", "-last.png"))
        return figures, sort_ms, sorted_ok, last
    finally:
        driver.quit()
        shutil.rmtree(profile, ignore_errors=True)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--images", type=int, default=10000)
    parser.add_argument("--chains", type=int, default=4)
    parser.add_argument("--small", type=int, default=1000)
    parser.add_argument("--build", default=os.path.join(ROOT, "build"))
    parser.add_argument("--keep", default="/tmp/strandel-scale")
    parser.add_argument("--threads", type=int, default=2)
    parser.add_argument("--screenshot")
    args = parser.parse_args()
    work = args.keep
    os.makedirs(work, exist_ok=True)
    start = time.monotonic()
    make_data(work, args.images)
    print("data: %d images of 481 x 321 in %s (%.0f s)" % (args.images, work, time.monotonic() - start))
    table, labels = os.path.join(work, "run.csv"), os.path.join(work, "labels")
    if not os.path.exists(table):
        command = [os.path.join(args.build, "strandel-bench")]
        for chain in CHAINS[:args.chains]:
            command += ["--chain", chain]
        command += ["--seed-each", "1", "--jobs", str(args.threads), "--list", os.path.join(work, "list.txt"),
                    "--out", os.path.join(work, "r{n}.txt"), "--table", table, "--ground-truth", "truth/{stem}.png",
                    "--save-segmentations", labels]
        wall, peak, _ = timed(command)
        print("strandel-bench, %d chains, label images saved: %.1f s, %.0f MB" % (args.chains, wall, peak))
    files = os.path.join(work, "floor.txt")
    with open(table, newline="") as f:
        rows = list(csv.DictReader(f))
    chains = list(dict.fromkeys(r["chain"] for r in rows))
    with open(files, "w") as f:
        for r in rows:
            if r["chain"] == chains[0]:
                f.write("i %s\nl %s\n" % (os.path.join(work, r["image"]), os.path.join(work, r["manual_segmentation"])))
            stem = os.path.splitext(os.path.basename(r["image"]))[0]
            f.write("l %s\n" % os.path.join(labels, "%s.%d.png" % (stem, chains.index(r["chain"]) + 1)))
    floor, floor_peak, _ = timed([os.path.join(args.build, "report_decode_floor"), str(args.threads), files])
    print("floor (decode every file once, %d threads): %.2f s, %.0f MB" % (args.threads, floor, floor_peak))
    report = os.path.join(args.build, "strandel-report")
    out = os.path.join(work, "page")
    shutil.rmtree(out, ignore_errors=True)
    os.makedirs(out)
    page = os.path.join(out, "report.html")
    first, first_peak, _ = timed([report, table, "--segmentations", labels, "--html", page])
    again, again_peak, _ = timed([report, table, "--segmentations", labels, "--html", page])
    small_table = os.path.join(work, "run-%d.csv" % args.small)
    subset_table(table, small_table, args.small)
    small_page = os.path.join(out, "report-%d.html" % args.small)
    small, small_peak, _ = timed([report, small_table, "--segmentations", labels, "--html", small_page])
    peer, peer_peak, _ = timed([sys.executable, os.path.join(ROOT, "bench", "report_page", "peer_report.py"), table,
                                labels, os.path.join(work, "peer")])
    data_js = os.path.join(out, "report_files", "data.js")
    print("strandel-report, fresh page folder: %.2f s (%.2f x the floor), %.0f MB" % (first, first / floor, first_peak))
    print("strandel-report again (thumbnails reused): %.2f s, %.0f MB" % (again, again_peak))
    print("strandel-report on %d images: %.2f s, %.0f MB" % (args.small, small, small_peak))
    print("pandas + matplotlib peer: %.2f s, %.0f MB" % (peer, peer_peak))
    print("page: HTML %.2f MB, data.js %.2f MB, %d thumbnail files" % (
        os.path.getsize(page) / 1e6, os.path.getsize(data_js) / 1e6,
        len(os.listdir(os.path.join(out, "report_files", "thumbs")))))
    figures, sort_ms, ordered, last = browser(page, args.screenshot)
    print("browser: first table rows %.0f ms after navigation start (DOMContentLoaded %.0f ms, load %.0f ms), "
          "%d DOM nodes, %d rows drawn" % tuple(figures))
    print("browser: sort of %d images by a column %.0f ms; scrolled to the end: row %d drawn, %d of %d thumbnails "
          "decoded, %d DOM nodes" % (ordered, sort_ms, last[0], last[2], last[1], last[3]))


if __name__ == "__main__":
    main()
