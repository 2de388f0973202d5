#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs one of the GIMP 3 end-to-end scripts (gimp3_batch_e2e.py,
# gimp3_interactive_e2e.py) with a private X server and a private session
# bus. GTK 3 carries its accessibility bridge itself.
# Usage: gimp3_e2e.sh SCRIPT ARGS...
here="$(cd "$(dirname "$0")" && pwd)"
script="$1"
shift
exec bash "$here/../../scripts/with-xvfb.sh" \
    dbus-run-session -- /usr/bin/python3 "$here/$script" "$@"
