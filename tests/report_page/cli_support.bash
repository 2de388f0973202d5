# SPDX-License-Identifier: GPL-3.0-or-later
# What the command-line tests of strandel-report and of --merge share: a
# private folder, removed at the end, and counted checks. Set `program`
# (the tool that expect runs) before sourcing.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
passes=0
header='chain,position,image,manual_segmentation,classes,centres,seconds,turi,dunn,amrane,liu_yang,jaccard'

# expect NAME STATUS TEXT ARGS...: the program exits with STATUS and its
# standard error (or output) contains TEXT. A run that waits (on a FIFO)
# fails instead of hanging the test.
expect() {
    local name="$1" status="$2" text="$3"
    shift 3
    out=$(timeout 60 "$program" "$@" 2>&1)
    got=$?
    if [ "$got" -eq "$status" ] && [[ "$out" == *"$text"* ]]; then
        passes=$((passes + 1))
    else
        failures=$((failures + 1))
        echo "FAIL: $name: status $got, output:" >&2
        echo "$out" >&2
    fi
}

# check NAME COMMAND...: the command succeeds.
check() {
    local name="$1"
    shift
    if "$@"; then
        passes=$((passes + 1))
    else
        failures=$((failures + 1))
        echo "FAIL: $name" >&2
    fi
}

finish() {
    echo "$passes passed, $failures failed"
    [ "$failures" -eq 0 ]
}
