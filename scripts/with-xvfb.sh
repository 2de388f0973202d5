#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs a command against a private Xvfb server on a free display, and stops
# that server afterwards, whether the command succeeds, fails or is killed.
# Usage: with-xvfb.sh command [args...]
set -u
if [ $# -eq 0 ]; then
    echo "usage: $0 command [args...]" >&2
    exit 2
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/with-xvfb.XXXXXX") || exit 1
xvfb_pid=""
child_pid=""

cleanup() {
    if [ -n "$child_pid" ] && kill -0 "$child_pid" 2>/dev/null; then
        kill "$child_pid" 2>/dev/null
        wait "$child_pid" 2>/dev/null
    fi
    if [ -n "$xvfb_pid" ] && kill -0 "$xvfb_pid" 2>/dev/null; then
        kill "$xvfb_pid" 2>/dev/null
        wait "$xvfb_pid" 2>/dev/null
    fi
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM
trap 'exit 129' HUP

# Xvfb picks a free display itself and writes its number to fd 3.
: >"$work/display"
Xvfb -displayfd 3 -nolisten tcp -screen 0 1280x1024x24 \
    3>"$work/display" >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!

display=""
for _ in $(seq 1 200); do
    if ! kill -0 "$xvfb_pid" 2>/dev/null; then
        echo "with-xvfb.sh: Xvfb exited before it was ready:" >&2
        cat "$work/xvfb.log" >&2
        exit 1
    fi
    # The number is complete once its line feed is there.
    if [ "$(wc -l <"$work/display")" -ge 1 ]; then
        display=$(head -n 1 "$work/display")
        break
    fi
    sleep 0.05
done
if [ -z "$display" ]; then
    echo "with-xvfb.sh: Xvfb gave no display number within 10 s" >&2
    exit 1
fi

# In the background so that a signal to this script is handled at once.
DISPLAY=":$display" "$@" &
child_pid=$!
wait "$child_pid"
status=$?
child_pid=""
exit "$status"
