#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""One interactive run of plug-in-strandel-batch in a real GIMP, driven the
way a user would through the accessibility bus: name a results file, load a
benchmark list through "Open Benchmark", press OK, wait for "Operation
Successful", and check the results file.

Usage: gimp_batch_e2e.py GIMP STRANDEL_BATCH_PLUGIN
Needs a display and a session bus (see gimp_batch_e2e.sh)."""

import os
import shutil
import signal
import struct
import subprocess
import sys
import tempfile
import time
import zlib

import pyatspi

DIALOG_TITLE = "Strandel Segmenetation (Batch Mode)"
FITNESS_TITLES = ["Turi (2001)", "Dunn Index", "Amrane (2005)", "Liu & Yang (inverted)"]


class Failure(Exception):
    pass


def log(text):
    print("e2e: " + text, flush=True)


def wait_for(what, probe, timeout=120.0):
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        try:
            found = probe()
        except Exception:  # the tree changes under us while windows come and go
            found = None
        if found:
            return found
        time.sleep(0.25)
    raise Failure("gave up waiting for " + what)


def descendants(root, max_depth=40):
    stack = [(root, 0)]
    while stack:
        node, depth = stack.pop()
        if node is None:
            continue
        yield node
        if depth < max_depth:
            for i in range(node.childCount - 1, -1, -1):
                stack.append((node.getChildAtIndex(i), depth + 1))


def find(root, role, name=None):
    for node in descendants(root):
        if node.getRole() == role and (name is None or node.name == name):
            return node
    return None


def top_windows():
    desktop = pyatspi.Registry.getDesktop(0)
    for app in desktop:
        if app is None:
            continue
        for window in app:
            if window is not None:
                yield window


def window_named(name):
    for window in top_windows():
        if window.name == name:
            return window
    return None


def window_with_label(text):
    for window in top_windows():
        if find(window, pyatspi.ROLE_LABEL, text):
            return window
    return None


def press(button):
    button.queryAction().doAction(0)


def xdotool(*args):
    subprocess.run(["xdotool", *args], check=True)


def write_pgm(path, width, height, level_at):
    with open(path, "wb") as out:
        out.write(b"P5\n%d %d\n255\n" % (width, height))
        out.write(bytes(level_at(x, y) for y in range(height) for x in range(width)))


def make_benchmark(work):
    """Two small gray scenes, the first with a manual segmentation beside it."""
    def scene(x, y):
        return 40 if x < 20 else (130 if y < 24 else 210)

    def other(x, y):
        return 15 + (x * 4) % 240

    first = os.path.join(work, "scene.pgm")
    write_pgm(first, 48, 48, scene)
    write_pgm(os.path.join(work, "scene_seg.pgm"), 48, 48, scene)
    second = os.path.join(work, "ramp.pgm")
    # A large second image keeps the progress dialog up long enough for a
    # picture of it (STRANDEL_E2E_PICTURES).
    side = 2500 if os.environ.get("STRANDEL_E2E_PICTURES") else 48
    write_pgm(second, side, side, other)
    benchmark_list = os.path.join(work, "two.list")
    with open(benchmark_list, "w") as out:
        out.write(first + "\n" + second + "\n")
    return [first, second], benchmark_list


def showing(node):
    return node.getState().contains(pyatspi.STATE_SHOWING)


def click_on(node):
    box = node.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    xdotool("mousemove", str(box.x + box.width // 2), str(box.y + box.height // 2))
    xdotool("click", "1")


def choose_file_in(chooser, path):
    """Types `path` into a GTK file chooser. Its path entry shows up only
    once asked for, and not at all in the "Recently Used" view it may open
    in: click "File System" in the places, ctrl+L, the path, and Return."""
    places = wait_for("the places", lambda: find(chooser, pyatspi.ROLE_TABLE_CELL, "File System"))
    click_on(places)
    time.sleep(0.5)
    xdotool("key", "ctrl+l")

    def location_entry():
        for node in descendants(chooser):
            if node.getRole() == pyatspi.ROLE_TEXT and showing(node):
                return node
        return None
    entry = wait_for("the location entry", location_entry, timeout=10)
    xdotool("key", "ctrl+a")
    xdotool("type", "--delay", "20", path)
    wait_for("the typed path", lambda: entry.queryText().getText(0, -1) == path, timeout=10)
    xdotool("key", "Return")


def xwd_to_png(xwd, png_path):
    """Converts a 24/32-bit ZPixmap screen dump of xwd to PNG (Debian 13's
    Xvfb packs depth 24 into 24 bits per pixel)."""
    fields = struct.unpack(">25I", xwd[:100])
    header_size, width, height = fields[0], fields[4], fields[5]
    byte_order, bits_per_pixel, bytes_per_line, ncolors = fields[7], fields[11], fields[12], fields[19]
    if bits_per_pixel not in (24, 32):
        raise ValueError("only 24 and 32 bits per pixel are handled")
    step = bits_per_pixel // 8
    pixels = xwd[header_size + 12 * ncolors:]
    rows = bytearray()
    for y in range(height):
        line = pixels[y * bytes_per_line:y * bytes_per_line + step * width]
        rows.append(0)
        if byte_order == 0:  # least significant byte first: B G R [x]
            rows += bytes(b for i in range(0, len(line), step) for b in (line[i + 2], line[i + 1], line[i]))
        else:  # [x] R G B
            k = step - 3
            rows += bytes(b for i in range(0, len(line), step) for b in (line[i + k], line[i + k + 1], line[i + k + 2]))

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))
    with open(png_path, "wb") as out:
        out.write(b"\x89PNG\r\n\x1a\n")
        out.write(chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)))
        out.write(chunk(b"IDAT", zlib.compress(bytes(rows))))
        out.write(chunk(b"IEND", b""))


def save_screen_picture(name=None):
    """A picture of the screen into $STRANDEL_E2E_PICTURES, if set: at the
    steps worth looking at, and on failure."""
    where = os.environ.get("STRANDEL_E2E_PICTURES")
    if not where:
        return
    os.makedirs(where, exist_ok=True)
    path = os.path.join(where, (name or "failure-%d" % int(time.time())) + ".png")
    dump = subprocess.run(["xwd", "-root", "-silent"], stdout=subprocess.PIPE).stdout
    xwd_to_png(dump, path)
    log("screen saved to " + path)


def check_results(results_file, images):
    with open(results_file) as f:
        text = f.read()
    lines = text.split("\n")
    header = ("Image\tNumber of classes\tExecuction Time\t" + "\t".join(FITNESS_TITLES) +
              "\tJaccard Distance (Supervised) ")
    expected_start = ["", "", "Algorithm: AiNet ", header]
    if lines[:4] != expected_start:
        raise Failure("unexpected header in %s:\n%r" % (results_file, text))
    rows = [line.split("\t") for line in lines[4:] if line]
    if [row[0] for row in rows] != [str(i) for i in range(len(images))]:
        raise Failure("expected one line per image:\n%r" % text)
    # The first image has a manual segmentation: one more value, the Jaccard mean.
    widths = [len(row) for row in rows]
    if widths != [3 + len(FITNESS_TITLES) + 1, 3 + len(FITNESS_TITLES)]:
        raise Failure("unexpected number of values per line %s:\n%r" % (widths, text))
    for row in rows:
        if int(row[1]) < 1:
            raise Failure("no classes found: %r" % row)
        for value in row[2:]:
            float(value)
    log("results file holds the header and %d lines:\n%s" % (len(rows), text))


def run(gimp, plugin):
    work = tempfile.mkdtemp(prefix="strandel-e2e-")
    gimp_process = None
    try:
        profile = os.path.join(work, "profile")
        plugin_dir = os.path.join(profile, "plug-ins", "strandel-batch")
        os.makedirs(plugin_dir)
        shutil.copy(plugin, os.path.join(plugin_dir, "strandel-batch"))
        images, benchmark_list = make_benchmark(work)
        results_file = os.path.join(work, "results.txt")

        # A home of its own, so that the file chooser starts the same way
        # whatever earlier sessions left in the user's recent files.
        home = os.path.join(work, "home")
        os.makedirs(home)
        env = dict(os.environ, GIMP2_DIRECTORY=profile, GTK_MODULES="gail:atk-bridge",
                   NO_AT_BRIDGE="0", HOME=home, XDG_CONFIG_HOME=os.path.join(home, "config"),
                   XDG_DATA_HOME=os.path.join(home, "data"))
        gimp_log = open(os.path.join(work, "gimp.log"), "w")
        gimp_process = subprocess.Popen(
            [gimp, "-i", "--no-splash", "-b", "(plug-in-strandel-batch RUN-INTERACTIVE)",
             "-b", "(gimp-quit 0)"],
            env=env, stdout=gimp_log, stderr=subprocess.STDOUT, start_new_session=True)

        dialog = wait_for("the batch dialog", lambda: window_named(DIALOG_TITLE), timeout=240)
        log("batch dialog is up")
        benchmark = wait_for("the Benchmark frame",
                             lambda: find(dialog, pyatspi.ROLE_PANEL, "Benchmark"))
        entry = wait_for("the results file entry", lambda: find(benchmark, pyatspi.ROLE_TEXT))
        entry.queryEditableText().setTextContents(results_file)

        press(find(benchmark, pyatspi.ROLE_PUSH_BUTTON, "Open"))
        chooser = wait_for("the Open Benchmark chooser", lambda: window_named("Open Benchmark"))
        choose_file_in(chooser, benchmark_list)
        wait_for("the chooser to close", lambda: window_named("Open Benchmark") is None,
                 timeout=20)

        def listed():
            table = find(benchmark, pyatspi.ROLE_TREE_TABLE) or find(benchmark, pyatspi.ROLE_TABLE)
            names = [cell.name for cell in descendants(table)
                     if cell.getRole() == pyatspi.ROLE_TABLE_CELL and cell.name]
            return names == images
        wait_for("the benchmark rows %s" % images, listed, timeout=20)
        log("benchmark list loaded")

        save_screen_picture("batch-dialog")
        press(find(dialog, pyatspi.ROLE_PUSH_BUTTON, "OK"))
        if os.environ.get("STRANDEL_E2E_PICTURES"):
            progress = wait_for("the progress dialog", lambda: window_named("Progress"), timeout=60)
            if progress is not None:
                save_screen_picture("progress-dialog")
        done = wait_for("\"Operation Successful\"",
                        lambda: window_with_label("Operation Successful"), timeout=240)
        log("\"Operation Successful\" shown")
        for title in (DIALOG_TITLE, "Progress"):
            if window_named(title) is not None:
                raise Failure("the window \"%s\" is still open" % title)
        press(find(done, pyatspi.ROLE_PUSH_BUTTON, "OK"))

        gimp_process.wait(timeout=120)
        gimp_process = None
        check_results(results_file, images)
        return 0
    except Failure as failure:
        log("FAILED: %s" % failure)
        save_screen_picture()
        log_file = os.path.join(work, "gimp.log")
        if os.path.exists(log_file):
            with open(log_file) as f:
                sys.stdout.write(f.read()[-4000:])
        return 1
    finally:
        if gimp_process is not None:
            os.killpg(gimp_process.pid, signal.SIGTERM)
            gimp_process.wait()
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    sys.exit(run(sys.argv[1], sys.argv[2]))
