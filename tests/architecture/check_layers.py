#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Checks the layering of src/: every include points to the same folder or a
folder below it, no two files include each other (nor form any circle), and
GIMP, GTK and GEGL headers appear only where those libraries may be used.

Usage: check_layers.py SRC_FOLDER
"""
import os
import re
import sys

# Which folders each folder may include, itself aside. The order of the
# layers: framework <- evaluation <- passes <- batch <- {decoding,
# report_page} <- {driver, ui, tools} <- {gimp3, python}.
BELOW = {
    "framework": set(),
    "evaluation": {"framework"},
    "passes": {"framework", "evaluation"},
    "batch": {"framework", "evaluation", "passes"},
    "decoding": {"framework", "evaluation", "passes", "batch"},
    "report_page": {"framework", "evaluation", "passes", "batch"},
    "ui": {"framework", "evaluation", "passes", "batch"},
    "driver": {"framework", "evaluation", "passes", "batch", "decoding", "ui"},
    "tools": {"framework", "evaluation", "passes", "batch", "decoding", "report_page"},
    # The GIMP 3.0 plug-ins: GIMP 3 adapters beside the GIMP 2.10 ones,
    # sharing the dialogs and driver/'s GIMP-free and GTK-only units (which
    # never include gimp3/).
    "gimp3": {"framework", "evaluation", "passes", "batch", "decoding", "ui", "driver"},
    # The Python module: the tools' libraries (their inputs and options)
    # behind numpy arrays.
    "python": {"framework", "evaluation", "passes", "batch", "decoding", "report_page", "tools"},
}
GIMP_HEADERS = re.compile(r"#include\s*<(libgimp|gtk|gdk|glib|gio|gegl|babl|operation)[/.>-]")
LOCAL = re.compile(r'#include\s*"([a-z_]+)/([a-z_0-9]+\.h)"')


def may_use_gimp(folder, name):
    """GIMP and GTK only in the plug-ins, the dialogs and the *_gimp units;
    GEGL only in the *_gegl units."""
    stem = os.path.splitext(name)[0]
    return folder in ("driver", "ui", "gimp3") or stem.endswith("_gimp") or stem.endswith("_gegl")


def main(src):
    problems = []
    edges = {}
    for folder in sorted(os.listdir(src)):
        path = os.path.join(src, folder)
        if not os.path.isdir(path):
            continue
        if folder not in BELOW:
            problems.append(f"src/{folder}: a folder the layering does not know; add it to {__file__}")
            continue
        for name in sorted(os.listdir(path)):
            if not name.endswith((".h", ".cc")):
                continue
            here = f"{folder}/{name}"
            edges[here] = set()
            with open(os.path.join(path, name), encoding="utf-8") as f:
                for number, line in enumerate(f, 1):
                    if GIMP_HEADERS.match(line) and not may_use_gimp(folder, name):
                        problems.append(f"src/{here}:{number}: {line.strip()} in a unit that must not need it")
                    m = LOCAL.match(line)
                    if not m:
                        continue
                    target_folder, target = m.groups()
                    edges[here].add(f"{target_folder}/{target}")
                    if target_folder != folder and target_folder not in BELOW[folder]:
                        problems.append(f"src/{here}:{number}: includes {target_folder}/{target}, "
                                        f"a layer that {folder}/ may not use")

    # Circles among files: a depth-first walk over headers and their includers.
    state = {}

    def walk(node, trail):
        state[node] = "open"
        for target in sorted(edges.get(node, ())):
            if state.get(target) == "open":
                circle = trail[trail.index(target):] + [target]
                problems.append("include circle: " + " -> ".join(circle))
            elif target not in state:
                walk(target, trail + [target])
        state[node] = "done"

    for node in sorted(edges):
        if node not in state:
            walk(node, [node])

    for p in problems:
        print(p)
    print(f"{len(edges)} files checked, {len(problems)} problem(s)")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
