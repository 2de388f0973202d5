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
LITERATURE = ["rand_index", "adjusted_rand", "variation_of_information", "global_consistency_error", "covering",
              "matched_jaccard", "matched_dice", "boundary_precision", "boundary_recall", "boundary_f", "optimal_ratio"]
DISTANCES = ["variation_of_information", "global_consistency_error"]


def measures_of(rows):
    """The five every table has, and the literature's that some row has."""
    return MEASURES + [m for m in LITERATURE if any(r.get(m, "") != "" for r in rows)]
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


def ramp(t):
    """The page's colour ramp, worked out again: OKLab lightness 0.30 + 0.62 t,
    hue 290 - 185 t degrees, chroma 0.10 + 0.06 t lowered until sRGB holds it."""
    def linear(L, c, h):
        a, b = c * math.cos(h), c * math.sin(h)
        l_ = L + 0.3963377774 * a + 0.2158037573 * b
        m_ = L - 0.1055613458 * a - 0.0638541728 * b
        s_ = L - 0.0894841775 * a - 1.2914855480 * b
        l, m, s = l_ ** 3, m_ ** 3, s_ ** 3
        return (4.0767416621 * l - 3.3077115913 * m + 0.2309699292 * s,
                -1.2684380046 * l + 2.6097574011 * m - 0.3413193965 * s,
                -0.0041960863 * l - 0.7034186147 * m + 1.7076147010 * s)

    def fits(rgb):
        return all(-1e-9 <= v <= 1 + 1e-9 for v in rgb)
    L, h, c = 0.30 + 0.62 * t, math.radians(290 - 185 * t), 0.10 + 0.06 * t
    if not fits(linear(L, c, h)):
        low, high = 0.0, c
        for _ in range(40):
            mid = (low + high) / 2
            if fits(linear(L, mid, h)):
                low = mid
            else:
                high = mid
        c = low

    def encode(v):
        v = min(1.0, max(0.0, v))
        v = 12.92 * v if v <= 0.0031308 else 1.055 * v ** (1 / 2.4) - 0.055
        return int(math.floor(v * 255 + 0.5))
    return tuple(encode(v) for v in linear(L, c, h))


def label_colours(values, centres, all_centres):
    """Each label at its centre between the image's lowest and highest centre
    of any chain, or, when a label has no centre, every label by its rank."""
    present = sorted(set(values))
    low, high = min(all_centres), max(all_centres)
    if present[-1] < len(centres):
        position = {v: (centres[v] - low) / (high - low) if high > low else 0.5 for v in present}
    else:
        position = {v: i / (len(present) - 1) if len(present) > 1 else 0.5 for i, v in enumerate(present)}
    return {v: ramp(round(position[v] * 255) / 255) for v in present}


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
    centres_of = {}
    for row in rows:
        centres_of.setdefault(row["image"], []).extend(float(c) for c in row["centres"].split())
    for row in rows:
        number = chains.index(row["chain"]) + 1
        stem = os.path.splitext(os.path.basename(row["image"]))[0]
        width, height, depth, _, values, _ = label_images.decode(os.path.join(labels, "%s.%d.png" % (stem, number)))
        deep += depth == 16 and max(max(r) for r in values) > 255
        pixels = shown.get("%s|%d" % (row["image"], number))
        colours = label_colours([v for r in values for v in r], [float(c) for c in row["centres"].split()],
                                centres_of[row["image"]])
        expected = [c for r in values for v in r for c in colours[v] + (255,)]
        check(pixels == expected, "label thumbnail of %s, chain %d in the ramp's colours" % (row["image"], number))
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
        large_page_checks(webdriver, Service, By, make_data, report, work)
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


def large_page_checks(webdriver, Service, By, make_data, report, work):
    """A table of 600 images (three chains and a scored method, the measures
    of the literature): the page keeps its data and thumbnails in a folder,
    draws only the rows on screen, sorts and filters every image, and
    shows the last row's thumbnails once scrolled there."""
    data = os.path.join(work, "large")
    subprocess.run([sys.executable, make_data, data, "--images", "600", "--chains", "3", "--size", "24x16",
                    "--literature"], check=True)
    table = os.path.join(data, "results-0.csv")
    page = os.path.join(work, "large.html")
    subprocess.run([report, table, "--segmentations", os.path.join(data, "labels"), "--html", page], check=True)
    with open(page) as f:
        html = f.read()
    check("data:image" not in html and 'src="large_files/data.js"' in html,
          "a large page loads its data and thumbnails from its folder")
    chains, rows = read_tables([table])
    driver = open_page(webdriver, Service, work, page)
    try:
        errors = [e for e in driver.get_log("browser") if e["level"] == "SEVERE"]
        check(not errors, "console errors on the large page: %r" % errors)
        drawn = driver.execute_script("return document.querySelectorAll('#images tr.r').length;")
        check(0 < drawn < 80, "rows in the document: %d of 600" % drawn)
        # The data the rows are drawn from holds every value of the table.
        data_rows = driver.execute_script(
            "var d = window.strandelData; return d.images.map(function (img) {"
            " return [img[0], img[5], img[7].map(function (v) { return v === null ? '' : String(v); })]; });")
        measures = driver.execute_script("return strandelData.measures.map(function (m) { return m[0]; });")
        by = {(r["chain"], int(r["position"])): r for r in rows}
        wrong = 0
        for position, present, values in data_rows:
            expected = [by[(chains[k], position)][m] for m in measures for k in present]
            wrong += [close(v, number(e) if e else None) for v, e in zip(values, expected)] != [True] * len(expected)
        check(len(data_rows) == 600 and wrong == 0, "values of the large page's data: %d images wrong" % wrong)
        check("turi" in measures and "variation_of_information" in measures and measures[0] == "jaccard",
              "measures of the large page: %r" % measures)
        # Sorting every image by the matched Jaccard of chain 2, then reversed.
        def header():
            return driver.find_elements(By.CSS_SELECTOR, "#images thead tr:nth-child(2) th.m-matched_jaccard")[1]
        values = {int(r["position"]): number(r["matched_jaccard"]) for r in rows if r["chain"] == chains[1]}
        for direction in (1, -1):
            header().click()
            order = driver.execute_script("return strandelTable.order();")
            expected = sorted(values, key=lambda p: (direction * values[p], p) if direction > 0 else (-values[p], p))
            check(order == expected, "600 images sorted %s" % ("up" if direction > 0 else "down"))
        # The last row of the order, its thumbnails loaded once scrolled to.
        driver.execute_script("window.scrollTo(0, document.body.scrollHeight);")
        last = driver.execute_async_script(
            "var done = arguments[arguments.length - 1];"
            "setTimeout(function () { var rows = document.querySelectorAll('#images tr.r'), row = rows[rows.length - 1];"
            " var imgs = Array.from(row.querySelectorAll('img.thumb'));"
            " Promise.all(imgs.map(function (i) { return i.decode().then(function () { return 1; }, function () { return 0; }); }))"
            " .then(function (ok) { done([+row.cells[0].getAttribute('data-v'), ok.length, ok.reduce(function (a, b) { return a + b; }, 0)]); }); }, 300);")
        check(last[0] == expected[-1] and last[1] == 6 and last[2] == 6,
              "the last row after scrolling: position %d (expected %d), %d of %d thumbnails decoded"
              % (last[0], expected[-1], last[2], last[1]))
        # Filtering names over every image.
        box = driver.find_element(By.ID, "image-filter")
        box.send_keys("IMG5")  # any case
        count = driver.find_element(By.ID, "image-count").text
        shown = driver.execute_script("return strandelTable.order();")
        check(count == "100 of 600 images" and sorted(shown) == list(range(500, 600)),
              "filter: %r, %d images" % (count, len(shown)))
    finally:
        driver.quit()


def run_checks(driver, By, chains, rows, awkward):
    # Console: nothing at SEVERE (errors, failed loads).
    errors = [e for e in driver.get_log("browser") if e["level"] == "SEVERE"]
    check(not errors, "console errors: %r" % errors)

    # Every thumbnail decoded; in the awkward data the broken image file and
    # the missing label image show placeholders instead, in a real run
    # every image, manual segmentation and label image shows.
    images = driver.find_elements(By.CSS_SELECTOR, "#images img.thumb")
    # Thumbnails load lazily, as they scroll into view: load them all now.
    undecoded = driver.execute_async_script(
        "var done = arguments[arguments.length - 1], all = Array.from(document.querySelectorAll('img.thumb'));"
        "Promise.all(all.map(function (i) { i.loading = 'eager'; return i.decode().then(function () { return 0; },"
        " function () { return 1; }); })).then(function (r) {"
        " done(r.reduce(function (a, b) { return a + b; }, 0)); });")
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

    # A click on a thumbnail shows it enlarged; a click closes it.
    if images:
        first = images[0]
        driver.execute_script("arguments[0].scrollIntoView();", first)
        first.click()
        shown = driver.execute_script(
            "var box = document.getElementById('lightbox'), img = box.querySelector('img');"
            "return [box.hidden, img ? img.src : '', img ? img.getBoundingClientRect().width : 0];")
        check(not shown[0] and shown[1] == first.get_attribute("src") and shown[2] > 2 * first.size["width"],
              "thumbnail enlarged on click: %r" % ([shown[0], shown[2]],))
        driver.find_element(By.ID, "lightbox").click()
        check(driver.execute_script("return document.getElementById('lightbox').hidden;"), "enlarged thumbnail closed")

    # Chain texts, awkward ones included, read back as written.
    legend = [e.text for e in driver.find_elements(By.CSS_SELECTOR, "#chains .chain")]
    check(legend == chains, "chain legend %r, expected %r" % (legend, chains))

    # Summary tables: every statistic equals the one computed here.
    values = {(c, m): [number(r[m]) for r in rows if r["chain"] == c and r[m] != ""]
              for c in chains for m in measures_of(rows)}
    images = sorted({r["image"] for r in rows})
    by = {(r["chain"], r["image"]): r for r in rows}
    for m in measures_of(rows):
        ranked = [i for i in images if all((c, i) in by and by[(c, i)][m] != "" for c in chains)]
        sums = [0.0] * len(chains)
        for i in ranked:
            sign = -1 if m in DISTANCES else 1  # distances rank their lowest value first
            for k, rank in enumerate(ranks([sign * number(by[(c, i)][m]) for c in chains])):
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

    # The image table holds every value of the tables (every measure shown).
    driver.execute_script("document.querySelector('.controls button[data-show=all]').click();")
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
    order = driver.execute_script(
        "return Array.from(document.querySelectorAll('#images thead tr:first-child th.group.m'))"
        ".map(function (th) { return th.className.match(/m-(\\w+)/)[1]; });")
    check(sorted(order) == sorted(measures_of(rows)) and order[0] == "jaccard",
          "measures in the image table, those against the ground truth first: %r" % order)
    for position, cells in zip(positions, values_in_table):
        image = by_position[position]
        expected = [by[(c, image)][m] if (c, image) in by else "" for m in order for c in chains]
        check([close(v, number(e) if e else None) for v, e in zip(cells, expected)] == [True] * len(expected),
              "values of image %r: page %r, table %r" % (image, cells, expected))

    # Sorting: Jaccard of chain 2 ascending, then descending; empty cells last.
    # (The header is drawn again after every click.)
    column = 2

    def jaccard_header():
        return driver.find_elements(By.CSS_SELECTOR, "#images thead tr:nth-child(2) th.m-jaccard")[1]

    def column_keys():
        index = int(jaccard_header().get_attribute("data-col"))
        return driver.execute_script(
            CELL_AT + "var column = arguments[0];"
            "return Array.from(document.querySelectorAll('#images tbody tr')).map(function (r) {"
            " return cellAt(r, column).getAttribute('data-v') || ''; });", index)

    for direction in (1, -1):
        jaccard_header().click()
        keys = column_keys()
        present = [number(k) for k in keys if k not in ("", "nan")]
        tail = keys[len(present):]
        check(present == sorted(present, reverse=direction < 0),
              "column %d sorted %s: %r" % (column, "up" if direction > 0 else "down", keys))
        check(all(k in ("", "nan") for k in tail) and len(tail) == len(keys) - len(present),
              "empty cells at the bottom: %r" % keys)
        check(jaccard_header().get_attribute("aria-sort") == ("ascending" if direction > 0 else "descending"),
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
