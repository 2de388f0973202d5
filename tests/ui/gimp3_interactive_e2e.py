#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""plug-in-strandel in a real GIMP 3 with its image window, driven through
the accessibility bus as gimp_interactive_e2e.py drives it in GIMP 2.10:
the dialog comes up with its preview, a pass is added, OK paints the
drawable and shows the result dialog; Edit > Undo takes the painting back
in one step; both entries sit in the image window's Segmentation menu.
Pixels are checked from files GIMP saves on request.

Usage: gimp3_interactive_e2e.py GIMP STRANDEL_PLUGIN STRANDEL_BATCH_PLUGIN [PICTURE_DIR]
With PICTURE_DIR, pictures of both dialogs are saved there
(gimp3-interactive-dialog.png, gimp3-result-dialog.png)."""

import os
import shutil
import subprocess
import sys
import tempfile
import time

import pyatspi

from gimp_batch_e2e import Failure, descendants, find, log, press, save_screen_picture, wait_for, window_named, write_pgm
from gimp_interactive_e2e import (DIALOG_TITLE, HEIGHT, WIDTH, Gimp, check_painted, check_restored, level_at,
                                  menu_item, read_pnm, window_picture)


class Gimp3(Gimp):
    """GIMP 3 with its user interface, taking Script-Fu commands on stdin."""

    def __init__(self, gimp, plugins, work, image):
        profile = os.path.join(work, "profile")
        for name, path in plugins.items():
            os.makedirs(os.path.join(profile, "plug-ins", name))
            shutil.copy(path, os.path.join(profile, "plug-ins", name, name))
        home = os.path.join(work, "home")
        os.makedirs(home)
        env = dict(os.environ, GIMP3_DIRECTORY=profile, HOME=home, XDG_CONFIG_HOME=os.path.join(home, "config"),
                   XDG_DATA_HOME=os.path.join(home, "data"))
        self.log_path = os.path.join(work, "gimp.log")
        self.process = subprocess.Popen([gimp, "--no-splash", "--batch-interpreter=plug-in-script-fu-eval", "-b", "-", image],
                                        env=env, stdin=subprocess.PIPE, stdout=open(self.log_path, "w"),
                                        stderr=subprocess.STDOUT, start_new_session=True, text=True)


def saved(gimp, path):
    gimp.send('(let* ((image (vector-ref (car (gimp-get-images)) 0))) '
              '(gimp-file-save RUN-NONINTERACTIVE image "%s" -1))' % path)
    wait_for(path, lambda: os.path.exists(path) and os.path.getsize(path) > 0, timeout=60)
    time.sleep(0.5)
    return read_pnm(path)


def image_window():
    for app in pyatspi.Registry.getDesktop(0):
        for window in app or []:
            if window is not None and "scene" in window.name and find(window, pyatspi.ROLE_MENU, "Edit"):
                return window
    return None


def segment_in_dialog(pictures):
    dialog = wait_for("the segmentation dialog", lambda: window_named(DIALOG_TITLE), timeout=300)
    log("segmentation dialog is up")
    for frame in ("Preview", "Performance", "Algorithm", "Pixel Classifier"):
        wait_for("the %s frame" % frame, lambda: find(dialog, pyatspi.ROLE_PANEL, frame), timeout=20)
    press(wait_for("the Add button", lambda: find(dialog, pyatspi.ROLE_PUSH_BUTTON, "Add")))
    wait_for("two pass panels", lambda: len([n for n in descendants(dialog)
                                             if n.getRole() == pyatspi.ROLE_PUSH_BUTTON
                                             and n.name == "Remove"]) == 2, timeout=20)
    bar = wait_for("the measure bar", lambda: find(dialog, pyatspi.ROLE_PROGRESS_BAR))
    time.sleep(3)  # the preview refreshes shortly after the last edit
    log("measure shown: %r" % bar.queryValue().currentValue)
    if pictures:
        window_picture(DIALOG_TITLE, os.path.join(pictures, "gimp3-interactive-dialog.png"))
    press(find(dialog, pyatspi.ROLE_PUSH_BUTTON, "OK"))

    results = wait_for("the result dialog", lambda: window_named("Results"), timeout=300)
    sections = wait_for("two result sections", lambda: [n.name for n in descendants(results)
                                                        if n.getRole() == pyatspi.ROLE_PANEL
                                                        and n.name.startswith("After ")], timeout=20)
    if sections != ["After AiNet", "After AiNet"]:
        raise Failure("unexpected result sections %s" % sections)
    headers = [n.name for n in descendants(results) if n.getRole() == pyatspi.ROLE_TABLE_COLUMN_HEADER]
    if "Jaccard Index" not in headers:
        raise Failure("the last section shows no supervised columns: %s" % headers)
    log("result sections %s, columns %s" % (sections, headers))
    time.sleep(1)
    if pictures:
        window_picture("Results", os.path.join(pictures, "gimp3-result-dialog.png"))
    press(find(results, pyatspi.ROLE_PUSH_BUTTON, "OK"))
    wait_for("the result dialog to close", lambda: window_named("Results") is None, timeout=30)


def check_menu_and_undo(gimp, work):
    window = wait_for("the image window", image_window, timeout=30)
    entries = [n.name for n in descendants(find(window, pyatspi.ROLE_MENU, "Segmentation"))
               if n.getRole() == pyatspi.ROLE_MENU_ITEM and n.name != "Empty"]
    expected = ["Strandel Segmentation (Batch Mode)", "Strandel Segmentation..."]
    if sorted(entries) != expected:
        raise Failure("the Segmentation menu holds %s, expected %s" % (entries, expected))
    log("the image window's Segmentation menu holds %s" % entries)
    undo = wait_for("Edit > Undo", lambda: menu_item(window, "Edit", "Undo"), timeout=20)
    log("undo menu item: %r" % undo.name)
    if "Strandel" not in undo.name:
        raise Failure("the last undo step is %r, not the segmentation" % undo.name)
    undo.queryAction().doAction(0)
    wait_for("the next undo step", lambda: "Strandel" not in menu_item(window, "Edit", "Undo").name, timeout=20)
    log("undo menu item now: %r" % menu_item(window, "Edit", "Undo").name)
    check_restored(*saved(gimp, os.path.join(work, "restored.ppm")))


def run(gimp_path, plugin, batch_plugin, pictures):
    work = tempfile.mkdtemp(prefix="strandel-interactive-e2e3-")
    gimp = None
    try:
        image = os.path.join(work, "scene.pgm")
        write_pgm(image, WIDTH, HEIGHT, level_at)
        write_pgm(os.path.join(work, "scene_seg.pgm"), WIDTH, HEIGHT, lambda x, y: level_at(x, y) // 100 * 100)
        # Opened as a user opens it (GIMP 3 knows the file of an image it
        # shows that way, not of one a script loads).
        gimp = Gimp3(gimp_path, {"strandel": plugin, "strandel-batch": batch_plugin}, work, image)
        wait_for("the image window", image_window, timeout=300)
        gimp.send('(let* ((image (vector-ref (car (gimp-get-images)) 0))) '
                  '(plug-in-strandel #:run-mode RUN-INTERACTIVE #:image image '
                  '#:drawables (car (gimp-image-get-selected-drawables image)) #:chain ""))')
        segment_in_dialog(pictures)
        check_painted(*saved(gimp, os.path.join(work, "painted.ppm")))
        check_menu_and_undo(gimp, work)
        return 0
    except Failure as failure:
        log("FAILED: %s" % failure)
        save_screen_picture()
        if gimp and os.path.exists(gimp.log_path):
            with open(gimp.log_path) as f:
                sys.stdout.write(f.read()[-4000:])
        return 1
    finally:
        if gimp is not None:
            gimp.stop()
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    if len(sys.argv) not in (4, 5):
        sys.exit(__doc__)
    sys.exit(run(sys.argv[1], sys.argv[2], sys.argv[3], sys.argv[4] if len(sys.argv) == 5 else None))
