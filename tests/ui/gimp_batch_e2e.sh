#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs gimp_batch_e2e.py with a private X server and a private session bus.
# Usage: gimp_batch_e2e.sh GIMP STRANDEL_BATCH_PLUGIN
here="$(cd "$(dirname "$0")" && pwd)"
exec bash "$here/../../scripts/with-xvfb.sh" \
    dbus-run-session -- /usr/bin/python3 "$here/gimp_batch_e2e.py" "$@"
