#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""The report page in a real browser (headless Chromium through chromedriver).

    report_page_browser.py STRANDEL_REPORT MAKE_REPORT_DATA [STRANDEL_BENCH STRANDEL_CHAIN SAMPLE_LIST]

Writes tables and images with MAKE_REPORT_DATA, runs strandel-report on them
and opens the page: no console errors, the figures shown are those computed
here from the tables, clicking a column title sorts the rows, and every
thumbnail decodes. With STRANDEL_BENCH, the same on the page of a real run
of two chains on SAMPLE_LIST (--save-segmentations, --table), whose label
thumbnails must show every pixel's class in its class colour (one label
image replaced by a 16-bit one of STRANDEL_CHAIN's, of 301 classes).
Exits 77 (skipped) when Chromium is not installed.
"""
import csv
import importlib.util
import math
import os
import shutil
import subprocess
import sys
import tempfile

SKIP = 77
MEASURES = ["turi", "dunn", "amrane", "liu_yang", "jaccard"]
failures = []
passes = []


def check(condition, what):
    (passes if condition else failures).append(what)
    if not condition:
        print("FAIL: " + what, file=sys.stderr)


def number(text):
    return float(text)  # Python reads "inf", "-inf" and "nan" as the tables write them


def read_tables(paths, skipped=None):
    """The chains and the rated rows; skipped rows go to `skipped`."""
    chains, rows = [], []
    for path in paths:
        with open(path, newline="") as f:
            for row in csv.DictReader(f):
                if row["chain"] not in chains:
                    chains.append(row["chain"])
                if row.get("status", "ok") != "ok":
                    if skipped is not None:
                        skipped.append(row)
                    continue
                rows.append(row)
    return chains, rows


# The cell at column `col` of a table row, a cell spanning the chains an
# image has no row of standing for each of them (as the page's script
# finds it).
CELL_AT = ("function cellAt(row, col) { for (var i = 0, at = 0; i < row.cells.length; ++i) {"
           " at += row.cells[i].colSpan; if (col < at) return row.cells[i]; } return null; }")


def summary(values):
    ordered = sorted(v for v in values if not math.isnan(v))
    finite = [v for v in values if math.isfinite(v)]
    mean = sum(finite) / len(finite) if finite else None
    std = math.sqrt(sum((v - mean) ** 2 for v in finite) / (len(finite) - 1)) if len(finite) > 1 else None
    if not ordered:
        median = None
    elif len(ordered) % 2:
        median = ordered[len(ordered) // 2]
    else:
        a, b = ordered[len(ordered) // 2 - 1], ordered[len(ordered) // 2]
        median = a if a == b else (a + b) / 2
    return {"images": len(values), "mean": mean, "median": median, "std": std,
            "min": ordered[0] if ordered else None, "max": ordered[-1] if ordered else None}


def ranks(values):
    """Fractional ranks, highest first, nan last and tied."""
    def key(i):
        v = values[i]
        return (1, 0) if math.isnan(v) else (0, -v)
    order = sorted(range(len(values)), key=key)
    result = [0.0] * len(values)
    i = 0
    while i < len(order):
        j = i
        while j + 1 < len(order) and key(order[j + 1]) == key(order[i]):
            j += 1
        for k in range(i, j + 1):
            result[order[k]] = (i + j) / 2 + 1
        i = j + 1
    return result


def short(value):
    """Four significant digits, as the page shows them."""
    if math.isnan(value):
        return "nan"
    if math.isinf(value):
        return "\u221e" if value > 0 else "\u2212\u221e"
    if value == 0:
        return "0"
    exponent = int(("%.3e" % value).split("e")[1])
    if exponent < -4 or exponent > 15:
        return "%.3e" % value
    return "%.*f" % (max(0, 3 - exponent), value)


def close(shown, expected):
    if expected is None:
        return shown in ("", None)
    value = number(shown)
    if math.isinf(expected) or math.isnan(expected):
        return value == expected or (math.isnan(value) and math.isnan(expected))
    return math.isclose(value, expected, rel_tol=1e-12, abs_tol=1e-300)


def class_palette():
    """The palette of src/evaluation/class_colors.cc: 17 hues at 16 levels."""
    hues = [0xFF0000, 0x00FF00, 0x0000FF, 0xFFFF00, 0x00FFFF, 0xFF8000, 0xFF00EE, 0x00FF80, 0x0080FF,
            0xFF4000, 0xFFBF00, 0xBFFF00, 0x40FF00, 0x00BFFF, 0x9000FF, 0xFF006F, 0x80FF00]
    levels = [0xFF, 0xBF, 0x7F, 0x3F, 0x1F, 0x5F, 0x9F, 0xDF, 0x0F, 0x2F, 0x4F, 0x6F, 0x8F, 0xAF, 0xD4, 0xEF]

    def scale(base, level):
        numerator = (255 if base == 0x80 else 2 * base) * level
        value, rest = divmod(numerator, 510)
        return value + (2 * rest > 510 or (2 * rest == 510 and level not in (0x1F, 0x0F)))
    return [tuple(scale(h >> shift & 0xFF, levels[i // 17]) for shift in (16, 8, 0))
            for i, h in ((i, hues[i % 17]) for i in range(256))]


def open_page(webdriver, Service, work, page):
    options = webdriver.ChromeOptions()
    options.binary_location = shutil.which("chromium")
    for flag in ["--headless", "--no-sandbox", "--disable-gpu", "--disable-background-networking",
                 "--disable-component-update", "--disable-sync", "--no-first-run",
                 "--user-data-dir=" + os.path.join(work, "profile"), "--window-size=1400,1000"]:
        options.add_argument(flag)
    options.set_capability("goog:loggingPrefs", {"browser": "ALL"})
    service = Service(shutil.which("chromedriver") or "/usr/bin/chromedriver", log_path=os.devnull)
    driver = webdriver.Chrome(service=service, options=options)
    driver.get("file://" + page)
    return driver


def real_run(bench, chain_tool, sample_list, report, work):
    """strandel-bench on the sample benchmark with two chains; one label
    image replaced by strandel-chain's 16-bit one. Returns the table, the
    label folder and the page."""
    table, labels, page = (os.path.join(work, n) for n in ("run.csv", "run labels", "run.html"))
    subprocess.run([bench, "--chain", "K-Means(10, 4)", "--chain", "AiNet; Fuzzy C-Means", "--seed-each", "1",
                    "--list", sample_list, "--out", os.path.join(work, "run-{n}.txt"), "--table", table,
                    "--save-segmentations", labels], check=True, stderr=subprocess.DEVNULL)
    image = os.path.join(os.path.dirname(sample_list), "target.png")  # gray levels up to 242: classes past 255
    centres = ",".join(str(i * 0.85) for i in range(301))
    subprocess.run([chain_tool, "--no-chain", "--centres", centres, image, "--save",
                    os.path.join(labels, "target.2.png")], check=True, stdout=subprocess.DEVNULL)
    subprocess.run([report, table, "--segmentations", labels, "--html", page], check=True)
    return table, labels, page


def check_label_colours(driver, chains, rows, labels):
    """Every pixel of every label thumbnail in its class's colour (the
    sample's images are smaller than a thumbnail: one pixel each)."""
    spec = importlib.util.spec_from_file_location(
        "label_images", os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "native", "label_images.py"))
    label_images = importlib.util.module_from_spec(spec)
    spec.loader.exec_module(label_images)
    palette = class_palette()
    shown = driver.execute_script(
        CELL_AT + "var canvas = document.createElement('canvas'), out = {}, chains = arguments[0];"
        "document.querySelectorAll('#images tbody tr').forEach(function (row) {"
        " for (var k = 1; k <= chains; ++k) {"
        "  var img = cellAt(row, 2 + k).querySelector('img.thumb');"
        "  if (!img) continue;"
        "  canvas.width = img.naturalWidth; canvas.height = img.naturalHeight;"
        "  var g = canvas.getContext('2d'); g.drawImage(img, 0, 0);"
        "  out[row.cells[1].title + '|' + k] ="
        "   Array.from(g.getImageData(0, 0, canvas.width, canvas.height).data); } });"
        "return out;", len(chains))
    deep = 0
    for row in rows:
        number = chains.index(row["chain"]) + 1
        stem = os.path.splitext(os.path.basename(row["image"]))[0]
        width, height, depth, _, values, _ = label_images.decode(os.path.join(labels, "%s.%d.png" % (stem, number)))
        deep += depth == 16 and max(max(r) for r in values) > 255
        pixels = shown.get("%s|%d" % (row["image"], number))
        expected = [c for r in values for v in r for c in palette[v % 256] + (255,)]
        check(pixels == expected, "label thumbnail of %s, chain %d in class colours" % (row["image"], number))
    check(deep == 1, "one 16-bit label image of more than 256 classes shown: %d" % deep)


def main():
    report, make_data = sys.argv[1], sys.argv[2]
    chromium = shutil.which("chromium")
    if not chromium:
        print("chromium is not installed: skipped")
        return SKIP
    from selenium import webdriver
    from selenium.webdriver.chrome.service import Service
    from selenium.webdriver.common.by import By

    with tempfile.TemporaryDirectory(prefix="report_page_browser.") as work:
        def generated(name, option, skipped=None):
            """Tables and images of MAKE_REPORT_DATA with `option`, their page, and the page opened."""
            data = os.path.join(work, name)
            subprocess.run([sys.executable, make_data, data, "--images", "12", "--chains", "4", "--tables", "2",
                            option], check=True)
            tables = [os.path.join(data, "results-%d.csv" % t) for t in range(2)]
            page = os.path.join(work, name + ".html")
            subprocess.run([report] + tables + ["--segmentations", os.path.join(data, "labels"), "--html", page],
                           check=True)
            return read_tables(tables, skipped) + (open_page(webdriver, Service, work, page),)

        chains, rows, driver = generated("data", "--awkward")
        try:
            run_checks(driver, By, chains, rows, awkward=True)
        finally:
            driver.quit()
        # Chains without rows for some images, and an image every chain
        # skipped: cells span the missing chains, sorting still works, the
        # skipped image is listed and counted.
        skipped = []
        chains, rows, driver = generated("sparse", "--sparse", skipped)
        try:
            run_checks(driver, By, chains, rows, awkward=False)
            listed = driver.execute_script(
                "return Array.from(document.querySelectorAll('#skipped tbody tr')).map(function (r) {"
                " return [r.cells[1].title, r.cells[3].textContent]; });")
            check(listed == [[skipped[0]["image"], "it is a directory, not an image file"]],
                  "skipped images listed: %r" % listed)
            gaps = driver.execute_script("return document.querySelectorAll('#images td.gap').length;")
            check(gaps > 0, "cells spanning missing chains: %d" % gaps)
        finally:
            driver.quit()
        if len(sys.argv) > 5:
            table, labels, page = real_run(sys.argv[3], sys.argv[4], sys.argv[5], report, work)
            chains, rows = read_tables([table])
            driver = open_page(webdriver, Service, work, page)
            try:
                run_checks(driver, By, chains, rows, awkward=False)
                check_label_colours(driver, chains, rows, labels)
            finally:
                driver.quit()
    print("%d passed, %d failed" % (len(passes), len(failures)))
    return 1 if failures else 0


def run_checks(driver, By, chains, rows, awkward):
    # Console: nothing at SEVERE (errors, failed loads).
    errors = [e for e in driver.get_log("browser") if e["level"] == "SEVERE"]
    check(not errors, "console errors: %r" % errors)

    # Every thumbnail decoded; in the awkward data the broken image file and
    # the missing label image show placeholders instead, in a real run
    # every image, manual segmentation and label image shows.
    images = driver.find_elements(By.CSS_SELECTOR, "#images img.thumb")
    undecoded = driver.execute_script(
        "return Array.from(document.querySelectorAll('img.thumb'))"
        ".filter(function (i) { return !i.complete || i.naturalWidth === 0; }).length;")
    check(undecoded == 0, "%d thumbnails do not decode" % undecoded)
    placeholders = driver.execute_script(
        "return Array.from(document.querySelectorAll('#images .ph')).map(function (p) { return p.title; });")
    if awkward:
        check(len(images) > 12 * 5, "thumbnails on the page: %d" % len(images))
        check(any("could not decode" in p and "img003.png" in p for p in placeholders),
              "placeholder for the broken image: %r" % placeholders)
        check(any("could not read the label image" in p and ".1.png" in p for p in placeholders),
              "placeholder for the missing label image: %r" % placeholders)
    else:
        shown = {r["image"] for r in rows}
        manual = {r["image"] for r in rows if r["manual_segmentation"]}
        check(len(images) == len(shown) + len(manual) + len(rows),
              "thumbnails: %d for %d images, %d manual segmentations, %d label images"
              % (len(images), len(shown), len(manual), len(rows)))
        check(all(p.endswith(": none") for p in placeholders), "placeholders of a real run: %r" % placeholders)

    # Chain texts, awkward ones included, read back as written.
    legend = [e.text for e in driver.find_elements(By.CSS_SELECTOR, "#chains .chain")]
    check(legend == chains, "chain legend %r, expected %r" % (legend, chains))

    # Summary tables: every statistic equals the one computed here.
    values = {(c, m): [number(r[m]) for r in rows if r["chain"] == c and r[m] != ""]
              for c in chains for m in MEASURES}
    images = sorted({r["image"] for r in rows})
    by = {(r["chain"], r["image"]): r for r in rows}
    for m in MEASURES:
        ranked = [i for i in images if all((c, i) in by and by[(c, i)][m] != "" for c in chains)]
        sums = [0.0] * len(chains)
        for i in ranked:
            for k, rank in enumerate(ranks([number(by[(c, i)][m]) for c in chains])):
                sums[k] += rank
        for k, c in enumerate(chains):
            expected = summary(values[(c, m)])
            expected["mean rank"] = sums[k] / len(ranked) if ranked else None
            cells = driver.find_elements(By.CSS_SELECTOR, "#measure-%s .stats tr[data-chain='%d'] td" % (m, k + 1))
            shown = dict(zip(["chain", "images", "mean", "median", "std", "min", "max", "mean rank"], cells))
            check(int(shown["images"].text) == expected["images"], "%s chain %d images" % (m, k + 1))
            for name in ["mean", "median", "std", "min", "max", "mean rank"]:
                cell, want = shown[name], expected[name]
                full = cell.get_attribute("data-v")
                check(close(full, want), "%s chain %d %s: page %r, computed %r" % (m, k + 1, name, full, want))
                if want is not None:
                    check(cell.text == short(want), "%s chain %d %s shown as %r, expected %r"
                          % (m, k + 1, name, cell.text, short(want)))

    # The image table holds every value of the tables.
    table_rows = driver.find_elements(By.CSS_SELECTOR, "#images tbody tr")
    check(len(table_rows) == len(images), "image rows: %d" % len(table_rows))
    by_position = {int(r["position"]): r["image"] for r in rows}
    values_in_table = driver.execute_script(
        "return Array.from(document.querySelectorAll('#images tbody tr')).map(function (r) {"
        " var values = []; r.querySelectorAll('td.m').forEach(function (c) {"
        "  for (var k = 0; k < c.colSpan; ++k) values.push(c.getAttribute('data-v')); });"
        " return values; });")
    positions = [int(p) for p in driver.execute_script(
        "return Array.from(document.querySelectorAll('#images tbody tr')).map(function (r) {"
        " return r.cells[0].getAttribute('data-v'); });")]
    for position, cells in zip(positions, values_in_table):
        image = by_position[position]
        expected = [by[(c, image)][m] if (c, image) in by else "" for m in MEASURES for c in chains]
        check([close(v, number(e) if e else None) for v, e in zip(cells, expected)] == [True] * len(expected),
              "values of image %r: page %r, table %r" % (image, cells, expected))

    # Sorting: Jaccard of chain 2 ascending, then descending; empty cells last.
    column = len(chains) * MEASURES.index("jaccard") + 1
    header = driver.find_elements(By.CSS_SELECTOR, "#images thead tr:nth-child(2) th.m-jaccard")[1]

    def column_keys():
        index = int(header.get_attribute("data-col"))
        return driver.execute_script(
            CELL_AT + "var column = arguments[0];"
            "return Array.from(document.querySelectorAll('#images tbody tr')).map(function (r) {"
            " return cellAt(r, column).getAttribute('data-v') || ''; });", index)

    for direction in (1, -1):
        header.click()
        keys = column_keys()
        present = [number(k) for k in keys if k not in ("", "nan")]
        tail = keys[len(present):]
        check(present == sorted(present, reverse=direction < 0),
              "column %d sorted %s: %r" % (column, "up" if direction > 0 else "down", keys))
        check(all(k in ("", "nan") for k in tail) and len(tail) == len(keys) - len(present),
              "empty cells at the bottom: %r" % keys)
        check(header.get_attribute("aria-sort") == ("ascending" if direction > 0 else "descending"),
              "sort indicator")
    # The position column sorts numerically (10 after 9).
    first = driver.find_element(By.CSS_SELECTOR, "#images thead th[data-col='0']")
    first.click()
    order = [int(p) for p in driver.execute_script(
        "return Array.from(document.querySelectorAll('#images tbody tr')).map(function (r) {"
        " return r.cells[0].getAttribute('data-v'); });")]
    check(order == sorted(order), "positions sorted: %r" % order)

    # Lowest Jaccard: the five lowest per chain, lowest first.
    for k, c in enumerate(chains):
        # Ties keep the images' order: by position.
        rated = sorted((number(by[(c, i)]["jaccard"]), int(by[(c, i)]["position"]), i) for i in images
                       if (c, i) in by and by[(c, i)]["jaccard"] != "")
        shown = driver.execute_script(
            "return Array.from(document.querySelectorAll("
            "'#lowest-jaccard .worst-chain[data-chain=\"' + arguments[0] + '\"] figure'))"
            ".map(function (f) { return f.getAttribute('data-image'); });", k + 1)
        check(shown == [i for _, _, i in rated[:5]], "lowest Jaccard of chain %d: %r" % (k + 1, shown))


if __name__ == "__main__":
    sys.exit(main())
