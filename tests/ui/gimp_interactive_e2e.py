#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""One interactive run of plug-in-strandel in a real GIMP with its image
window, driven through the accessibility bus: the segmentation dialog comes
up with its preview, a pass is added, OK paints the drawable and shows the
result dialog; then Edit > Undo in the image window takes the painting back
in one step. Pixels are checked from files GIMP saves on request.

Usage: gimp_interactive_e2e.py GIMP STRANDEL_PLUGIN [PICTURE_DIR]
With PICTURE_DIR, pictures of both dialogs are saved there
(interactive-dialog.png, result-dialog.png). With STRANDEL_BATCH_PLUGIN set
to the batch plug-in, both entries must share the Segmentation menu."""

import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time

import pyatspi

from gimp_batch_e2e import (Failure, descendants, find, log, press, save_screen_picture, top_windows, wait_for,
                            window_named, write_pgm, xwd_to_png)

DIALOG_TITLE = "Strandel Segmenetation"


WIDTH, HEIGHT = 320, 240


def level_at(x, y):
    """Three noisy regions: a dark band, a mid disc, a bright rest."""
    noise = (x * 7 + y * 13) % 11
    if x < 90:
        return 25 + noise
    if (x - 210) ** 2 + (y - 120) ** 2 < 70 ** 2:
        return 120 + noise
    return 205 + noise


def read_pnm(path):
    """A binary PGM or PPM as GIMP saves it (with a comment line)."""
    with open(path, "rb") as f:
        data = f.read()
    fields, pos = [], 0
    while len(fields) < 4:
        while data[pos:pos + 1].isspace():
            pos += 1
        if data[pos:pos + 1] == b"#":
            pos = data.index(b"\n", pos) + 1
            continue
        end = pos
        while not data[end:end + 1].isspace():
            end += 1
        fields.append(data[pos:end])
        pos = end
    pos += 1
    width, height = int(fields[1]), int(fields[2])
    channels = 3 if fields[0] == b"P6" else 1
    return width, height, channels, data[pos:pos + width * height * channels]


def window_picture(title, png_path):
    ids = subprocess.run(["xdotool", "search", "--name", "^%s$" % title], stdout=subprocess.PIPE,
                         text=True).stdout.split()
    if not ids:
        raise Failure("no X window named " + title)
    dump = subprocess.run(["xwd", "-id", ids[-1], "-silent"], stdout=subprocess.PIPE).stdout
    xwd_to_png(dump, png_path)
    log("picture of \"%s\" saved to %s" % (title, png_path))


class Gimp:
    """GIMP with its user interface, taking Script-Fu commands on stdin."""

    def __init__(self, gimp, plugin, work):
        profile = os.path.join(work, "profile")
        plugin_dir = os.path.join(profile, "plug-ins", "strandel")
        os.makedirs(plugin_dir)
        shutil.copy(plugin, os.path.join(plugin_dir, "strandel"))
        batch = os.environ.get("STRANDEL_BATCH_PLUGIN")
        if batch:
            os.makedirs(os.path.join(profile, "plug-ins", "strandel-batch"))
            shutil.copy(batch, os.path.join(profile, "plug-ins", "strandel-batch", "strandel-batch"))
        home = os.path.join(work, "home")
        os.makedirs(home)
        env = dict(os.environ, GIMP2_DIRECTORY=profile, GTK_MODULES="gail:atk-bridge", NO_AT_BRIDGE="0",
                   HOME=home, XDG_CONFIG_HOME=os.path.join(home, "config"),
                   XDG_DATA_HOME=os.path.join(home, "data"))
        self.log_path = os.path.join(work, "gimp.log")
        self.process = subprocess.Popen([gimp, "--no-splash", "-b", "-"], env=env, stdin=subprocess.PIPE,
                                        stdout=open(self.log_path, "w"), stderr=subprocess.STDOUT,
                                        start_new_session=True, text=True)

    def send(self, command):
        self.process.stdin.write(command + "\n")
        self.process.stdin.flush()

    def stop(self):
        if self.process.poll() is None:
            try:
                self.send("(gimp-quit 1)")
                self.process.wait(timeout=30)
            except Exception:
                os.killpg(self.process.pid, signal.SIGTERM)
                self.process.wait()


def save_command(path):
    return ('(let* ((image (vector-ref (cadr (gimp-image-list)) 0)) '
            '(layer (car (gimp-image-get-active-drawable image)))) '
            '(file-pnm-save RUN-NONINTERACTIVE image layer "%s" "%s" 1))' % (path, path))


def saved(gimp, path):
    gimp.send(save_command(path))
    wait_for(path, lambda: os.path.exists(path) and os.path.getsize(path) > 0, timeout=60)
    time.sleep(0.5)
    return read_pnm(path)


def check_painted(width, height, channels, pixels):
    if channels != 3 or (width, height) != (WIDTH, HEIGHT):
        raise Failure("the painted image is not RGB of the scene's size")
    colour_of_level = {}
    for y in range(height):
        for x in range(width):
            i = 3 * (y * width + x)
            colour = pixels[i:i + 3]
            known = colour_of_level.setdefault(level_at(x, y), colour)
            if known != colour:
                raise Failure("gray level %d painted both %s and %s" % (level_at(x, y), known.hex(),
                                                                    colour.hex()))
    colours = set(colour_of_level.values())
    if len(colours) < 3:
        raise Failure("fewer than three classes painted: %s" % colour_of_level)
    log("%d gray levels painted in %d colours: %s" % (len(colour_of_level), len(colours),
                                                     sorted(c.hex() for c in colours)))


def check_restored(width, height, channels, pixels):
    expected = bytes(v for y in range(height) for x in range(width) for v in [level_at(x, y)] * channels)
    if pixels != expected:
        raise Failure("one undo did not give back the original pixels")
    log("one undo step gave back the original pixels")


def menu_item(window, menu_name, prefix):
    menu = find(window, pyatspi.ROLE_MENU, menu_name)
    if menu is None:
        return None
    for node in descendants(menu):
        if node.getRole() == pyatspi.ROLE_MENU_ITEM and node.name.startswith(prefix):
            return node
    return None


def image_window():
    for window in top_windows():
        if "scene" in window.name and find(window, pyatspi.ROLE_MENU, "Edit"):
            return window
    return None


def run(gimp_path, plugin, pictures):
    work = tempfile.mkdtemp(prefix="strandel-interactive-e2e-")
    gimp = None
    try:
        image = os.path.join(work, "scene.pgm")
        write_pgm(image, WIDTH, HEIGHT, level_at)
        write_pgm(os.path.join(work, "scene_seg.pgm"), WIDTH, HEIGHT,
                  lambda x, y: level_at(x, y) // 100 * 100)
        gimp = Gimp(gimp_path, plugin, work)
        gimp.send('(let* ((image (car (gimp-file-load RUN-NONINTERACTIVE "%s" "%s")))) '
                  '(gimp-display-new image) '
                  '(plug-in-strandel RUN-INTERACTIVE image (car (gimp-image-get-active-drawable image)) ""))'
                  % (image, image))

        dialog = wait_for("the segmentation dialog", lambda: window_named(DIALOG_TITLE), timeout=300)
        log("segmentation dialog is up")
        for frame in ("Preview", "Performance", "Algorithm", "Pixel Classifier"):
            wait_for("the %s frame" % frame, lambda: find(dialog, pyatspi.ROLE_PANEL, frame), timeout=20)
        press(wait_for("the Add button", lambda: find(dialog, pyatspi.ROLE_PUSH_BUTTON, "Add")))
        wait_for("two pass panels", lambda: len([n for n in descendants(dialog)
                                                 if n.getRole() == pyatspi.ROLE_PUSH_BUTTON
                                                 and n.name == "Remove"]) == 2, timeout=20)
        wait_for("the measure bar", lambda: find(dialog, pyatspi.ROLE_PROGRESS_BAR))
        time.sleep(3)  # the preview refreshes shortly after the last edit
        if pictures:
            window_picture(DIALOG_TITLE, os.path.join(pictures, "interactive-dialog.png"))
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
            window_picture("Results", os.path.join(pictures, "result-dialog.png"))
        press(find(results, pyatspi.ROLE_PUSH_BUTTON, "OK"))
        wait_for("the result dialog to close", lambda: window_named("Results") is None, timeout=30)

        check_painted(*saved(gimp, os.path.join(work, "painted.ppm")))

        window = wait_for("the image window", image_window, timeout=30)
        # GIMP keeps a hidden "Empty" item in every menu it builds.
        entries = [n.name for n in descendants(find(window, pyatspi.ROLE_MENU, "Segmentation"))
                   if n.getRole() == pyatspi.ROLE_MENU_ITEM and n.name != "Empty"]
        expected = ["Strandel Segmentation..."]
        if os.environ.get("STRANDEL_BATCH_PLUGIN"):
            expected.append("Strandel Segmentation (Batch Mode)")
        if sorted(entries) != sorted(expected):
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
    if len(sys.argv) not in (3, 4):
        sys.exit(__doc__)
    sys.exit(run(sys.argv[1], sys.argv[2], sys.argv[3] if len(sys.argv) == 4 else None))
