#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""How big the report page gets and how fast headless Chromium opens it.

    bench/report_page/page_load.py [--report build/strandel-report] [--images 500] [--chains 4]
                                   [--size 384x288] [--runs 5] [--keep DIR] [--bench build/strandel-bench]

Generates a benchmark of gray images, manual segmentations, label images and
results tables (tests/report_page/make_report_data.py), runs strandel-report
with thumbnails, and prints: the time strandel-report took, the page's size,
and per run the browser's navigation timing (DOMContentLoaded, load event:
every thumbnail decoded) and the wall time of the navigation. With --bench,
the table and the label images come from a real strandel-bench run of
--chains chains (--save-segmentations, --table) on the generated images. Run with
Debian's python3 (its python3-selenium); needs chromium and chromedriver.
"""
import argparse
import os
import shutil
import subprocess
import sys
import tempfile
import time

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--report", default=os.path.join(ROOT, "build", "strandel-report"))
    parser.add_argument("--images", type=int, default=500)
    parser.add_argument("--chains", type=int, default=4)
    parser.add_argument("--size", default="384x288")
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--bench", help="strandel-bench: segment the images with it instead of using the "
                                        "generated tables and label images")
    parser.add_argument("--keep", help="write the data and page here instead of a temporary folder "
                                       "(data already there is reused)")
    args = parser.parse_args()
    from selenium import webdriver
    from selenium.webdriver.chrome.service import Service

    work = args.keep or tempfile.mkdtemp(prefix="report_page_bench.")
    try:
        data = os.path.join(work, "data")
        start = time.monotonic()
        if args.keep and os.path.exists(os.path.join(data, "results-1.csv")):
            print("data: reusing " + data)
        else:
            subprocess.run([sys.executable, os.path.join(ROOT, "tests", "report_page", "make_report_data.py"),
                            data, "--images", str(args.images), "--chains", str(args.chains), "--size", args.size,
                            "--tables", "2"], check=True)
            print("data: %d images x %d chains of %s, written in %.1f s"
                  % (args.images, args.chains, args.size, time.monotonic() - start))
        page = os.path.join(work, "report.html")
        tables = [os.path.join(data, "results-0.csv"), os.path.join(data, "results-1.csv")]
        labels = os.path.join(data, "labels")
        if args.bench:
            chains = ["AiNet", "AiNet; K-Means(10, 4)", "K-Means(10, 3); Fuzzy C-Means", "Fuzzy C-Means(10, 5, 2.0)",
                      "Particle Swarm Optimization; K-Means"][:args.chains]
            tables, labels = [os.path.join(work, "bench.csv")], os.path.join(work, "bench labels")
            for old in tables:
                if os.path.exists(old):
                    os.remove(old)
            start = time.monotonic()
            subprocess.run([args.bench] + [a for c in chains for a in ("--chain", c)] +
                           ["--seed-each", "1", "--jobs", "2", os.path.join(data, "images"),
                            "--out", os.path.join(work, "bench-{n}.txt"), "--table", tables[0],
                            "--save-segmentations", labels], check=True, stderr=subprocess.DEVNULL)
            print("strandel-bench --save-segmentations: %.2f s" % (time.monotonic() - start))
        start = time.monotonic()
        subprocess.run([args.report] + tables + ["--segmentations", labels, "--html", page], check=True)
        print("strandel-report: %.2f s" % (time.monotonic() - start))
        print("page: %d bytes (%.2f MB)" % (os.path.getsize(page), os.path.getsize(page) / 1e6))
        data_js = os.path.join(work, "report_files", "data.js")
        if os.path.exists(data_js):
            print("data.js: %.2f MB, %d thumbnail files" % (
                os.path.getsize(data_js) / 1e6, len(os.listdir(os.path.join(work, "report_files", "thumbs")))))

        for run in range(args.runs):
            # A fresh browser and profile per run: the first navigation is
            # what a researcher opening the file sees; the second one shows
            # the browser's own start-up share.
            options = webdriver.ChromeOptions()
            options.binary_location = shutil.which("chromium")
            profile = os.path.join(work, "profile-%d" % run)
            for flag in ["--headless", "--no-sandbox", "--disable-gpu", "--disable-background-networking",
                         "--disable-component-update", "--disable-sync", "--no-first-run",
                         "--user-data-dir=" + profile, "--window-size=1400,1000"]:
                options.add_argument(flag)
            driver = webdriver.Chrome(service=Service(shutil.which("chromedriver"), log_path=os.devnull),
                                      options=options)
            try:
                for visit in ("first", "again"):
                    driver.get("about:blank")
                    start = time.monotonic()
                    driver.get("file://" + page)  # returns once the load event has fired
                    wall = time.monotonic() - start
                    # Thumbnails load lazily: count those in the document
                    # once each has decoded.
                    timing = driver.execute_async_script(
                        "var done = arguments[arguments.length - 1], n = performance.getEntriesByType('navigation')[0];"
                        "var images = Array.from(document.images);"
                        "Promise.all(images.map(function (i) { i.loading = 'eager'; return i.decode().then("
                        " function () { return 1; }, function () { return 0; }); })).then(function (ok) {"
                        " done([n.domContentLoadedEventEnd, n.loadEventEnd, images.length,"
                        " ok.reduce(function (a, b) { return a + b; }, 0)]); });")
                    print("run %d %s: DOMContentLoaded %.0f ms, load %.0f ms, navigation wall %.0f ms, "
                          "%d of %d images decoded"
                          % (run + 1, visit, timing[0], timing[1], wall * 1000, timing[3], timing[2]))
            finally:
                driver.quit()
                shutil.rmtree(profile, ignore_errors=True)
    finally:
        if not args.keep:
            shutil.rmtree(work)


if __name__ == "__main__":
    main()
