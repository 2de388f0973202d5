#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""plug-in-strandel-batch in a real GIMP 3, driven the way a user would
through the accessibility bus, twice in one GIMP session:

1. a benchmark loaded through "Open Benchmark" and run with OK: its report
   must equal the native engine's (strandel-bench), times aside;
2. a longer benchmark whose run is cancelled in the progress dialog once
   some lines are written: the results file keeps whole lines only, in
   list order, under one header, and no "Operation Successful" comes.

Every file goes to GIMP's loaders (STRANDEL_GIMP_LOADERS=1), so that the
second run lasts long enough to be cancelled.

Usage: gimp3_batch_e2e.py GIMP STRANDEL_BATCH_PLUGIN STRANDEL_BENCH SAMPLE_LIST
Needs a display and a session bus (see gimp_batch_e2e.sh)."""

import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time

import pyatspi

from gimp_interactive_e2e import window_picture
from gimp_batch_e2e import (Failure, descendants, find, log, press, save_screen_picture, wait_for, window_named,
                            window_with_label, write_pgm, xdotool)

DIALOG_TITLE = "Strandel Segmenetation (Batch Mode)"
CANCELLED_IMAGES = 40


def picture_of(title, name):
    """A picture of the window into $STRANDEL_E2E_PICTURES, if set."""
    where = os.environ.get("STRANDEL_E2E_PICTURES")
    if where:
        os.makedirs(where, exist_ok=True)
        window_picture(title, os.path.join(where, name + ".png"))


def untimed(text):
    """A report without its time column."""
    out = []
    for line in text.split("\n"):
        fields = line.split("\t")
        if line[:1].isdigit() and len(fields) > 2:
            fields[2] = "-"
        out.append("\t".join(fields))
    return "\n".join(out)


def absolute_list(sample_list, work):
    """The sample benchmark as a list of absolute names: the worker takes
    names as the editor shows them, relative to GIMP's folder."""
    folder = os.path.dirname(os.path.abspath(sample_list))
    with open(sample_list) as f:
        names = [os.path.join(folder, line.rstrip("\n")) for line in f if line.strip()]
    path = os.path.join(work, "sample.list")
    with open(path, "w") as out:
        out.write("".join(name + "\n" for name in names))
    return names, path


def long_list(work):
    names = []
    for i in range(CANCELLED_IMAGES):
        name = os.path.join(work, "long", "image%02d.pgm" % i)
        os.makedirs(os.path.dirname(name), exist_ok=True)
        write_pgm(name, 400, 400, lambda x, y, i=i: (x * (i + 1) + y * 3) % 256)
        names.append(name)
    path = os.path.join(work, "long.list")
    with open(path, "w") as out:
        out.write("".join(name + "\n" for name in names))
    return names, path


def x_window(title):
    ids = subprocess.run(["xdotool", "search", "--name", "^%s$" % title], stdout=subprocess.PIPE,
                         text=True).stdout.split()
    return ids[-1] if ids else None


def choose_file_in(title, path):
    """Types `path` into GTK 3's file chooser through X: while the chooser
    runs, GIMP's plug-in answers the accessibility bus with no windows, so
    the chooser is found by its X window and driven by keys: ctrl+L, the
    path, Return."""
    window = wait_for("the %s chooser" % title, lambda: x_window(title), timeout=60)
    time.sleep(1)
    xdotool("windowfocus", "--sync", window)
    xdotool("key", "--window", window, "ctrl+l")
    time.sleep(0.5)
    xdotool("type", "--window", window, "--delay", "20", path)
    time.sleep(0.5)
    xdotool("key", "--window", window, "Return")
    wait_for("the chooser to close", lambda: x_window(title) is None, timeout=20)


def fill_dialog(results_file, benchmark_list, images):
    dialog = wait_for("the batch dialog", lambda: window_named(DIALOG_TITLE), timeout=240)
    log("batch dialog is up")
    benchmark = wait_for("the Benchmark frame", lambda: find(dialog, pyatspi.ROLE_PANEL, "Benchmark"))
    entry = wait_for("the results file entry", lambda: find(benchmark, pyatspi.ROLE_TEXT))
    entry.queryEditableText().setTextContents(results_file)
    press(find(benchmark, pyatspi.ROLE_PUSH_BUTTON, "Open"))
    choose_file_in("Open Benchmark", benchmark_list)

    def listed():
        names = [cell.name for cell in descendants(benchmark)
                 if cell.getRole() == pyatspi.ROLE_TABLE_CELL and cell.name]
        return names == images
    wait_for("the %d benchmark rows" % len(images), listed, timeout=30)
    log("benchmark list loaded")
    return dialog


def run_to_the_end(results_file, benchmark_list, images, native_report):
    dialog = fill_dialog(results_file, benchmark_list, images)
    picture_of(DIALOG_TITLE, "gimp3-batch-dialog")
    press(find(dialog, pyatspi.ROLE_PUSH_BUTTON, "OK"))
    done = wait_for("\"Operation Successful\"", lambda: window_with_label("Operation Successful"), timeout=300)
    log("\"Operation Successful\" shown")
    press(find(done, pyatspi.ROLE_PUSH_BUTTON, "OK"))
    with open(results_file) as f:
        report = f.read()
    if untimed(report) != untimed(native_report):
        raise Failure("the dialog's report differs from the native engine's:\n%s\n--- native:\n%s"
                      % (report, native_report))
    log("the dialog's report equals the native engine's (%d lines)" % report.count("\n"))


def cancel_mid_run(results_file, benchmark_list, images):
    dialog = fill_dialog(results_file, benchmark_list, images)
    press(find(dialog, pyatspi.ROLE_PUSH_BUTTON, "OK"))
    progress = wait_for("the progress dialog", lambda: window_named("Progress"), timeout=60)
    picture_of("Progress", "gimp3-progress-dialog")

    def some_lines():
        with open(results_file) as f:
            return sum(1 for line in f if line[:1].isdigit()) >= 2
    wait_for("some report lines", some_lines, timeout=300)
    press(find(progress, pyatspi.ROLE_PUSH_BUTTON, "Cancel"))
    log("Cancel pressed")
    wait_for("the progress dialog to close", lambda: window_named("Progress") is None, timeout=60)
    time.sleep(2)
    if window_with_label("Operation Successful"):
        raise Failure("a cancelled run said \"Operation Successful\"")
    with open(results_file) as f:
        text = f.read()
    if not text.endswith("\n"):
        raise Failure("the cancelled run left a cut line:\n%r" % text[-200:])
    if text.count("Algorithm: ") != 1:
        raise Failure("not one header in the cancelled run's report:\n%s" % text)
    positions = [int(line.split("\t")[0]) for line in text.split("\n") if line[:1].isdigit()]
    if positions != list(range(len(positions))) or not 2 <= len(positions) < len(images):
        raise Failure("the cancelled run kept lines %s of %d images" % (positions, len(images)))
    for line in text.split("\n"):
        if line[:1].isdigit() and len(line.split("\t")) != 7:
            raise Failure("a kept line is not whole: %r" % line)
    log("cancelled after %d of %d images; every kept line is whole and in order" % (len(positions), len(images)))


def run(gimp, plugin, bench, sample_list):
    work = tempfile.mkdtemp(prefix="strandel-e2e3-")
    gimp_process = None
    try:
        profile = os.path.join(work, "profile")
        os.makedirs(os.path.join(profile, "plug-ins", "strandel-batch"))
        shutil.copy(plugin, os.path.join(profile, "plug-ins", "strandel-batch", "strandel-batch"))
        images, sample = absolute_list(sample_list, work)
        native = os.path.join(work, "native.txt")
        subprocess.run([bench, "--engine", "native", "--list", sample, "--out", native], check=True,
                       stderr=subprocess.DEVNULL)
        with open(native) as f:
            native_report = f.read()
        long_images, long_list_file = long_list(work)

        home = os.path.join(work, "home")
        os.makedirs(home)
        env = dict(os.environ, GIMP3_DIRECTORY=profile, STRANDEL_GIMP_LOADERS="1", HOME=home,
                   XDG_CONFIG_HOME=os.path.join(home, "config"), XDG_DATA_HOME=os.path.join(home, "data"))
        gimp_log = open(os.path.join(work, "gimp.log"), "w")
        command = "(plug-in-strandel-batch RUN-INTERACTIVE)"
        gimp_process = subprocess.Popen(
            [gimp, "-i", "--no-splash", "--batch-interpreter=plug-in-script-fu-eval", "-b", command, "-b", command,
             "--quit"], env=env, stdout=gimp_log, stderr=subprocess.STDOUT, start_new_session=True)

        run_to_the_end(os.path.join(work, "results.txt"), sample, images, native_report)
        cancel_mid_run(os.path.join(work, "cancelled.txt"), long_list_file, long_images)
        gimp_process.wait(timeout=120)
        gimp_process = None
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
    if len(sys.argv) != 5:
        sys.exit(__doc__)
    sys.exit(run(*sys.argv[1:]))
