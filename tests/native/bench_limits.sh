#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# strandel-bench under a real file size limit and real signals: the
# results file and the table keep whole lines, a label image that cannot be
# written is named and makes the exit status 1, and no temporary file is
# left, whatever signal ends a run; a later run removes what SIGKILL left.
# Usage: bench_limits.sh STRANDEL_BENCH PYTHON MAKE_TEST_IMAGES_PY
set -u
bench=$1 python=$2 generator=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
expect_eq() { [ "$2" == "$3" ] || fail "$1: expected '$3', got '$2'"; }
expect_grep() { grep -qF -- "$2" "$3" || { fail "$1: no '$2' in $3:"; cat "$3"; }; }
leftovers() { find "$1" -name '.strandel-label-*' | wc -l; }
ends_whole() { [ ! -s "$1" ] || [ "$(tail -c 1 "$1" | od -An -tx1 | tr -d ' ')" = 0a ]; }
# The command run in a shell of its own with the limit, `exec`ed so that
# nothing between them ignores SIGXFSZ for it.
limited() { local kib=$1; shift; bash -c 'ulimit -f "$0"; exec "$@"' "$kib" "$bench" "$@"; }

"$python" "$generator" img >/dev/null || { echo "could not write the test images"; exit 1; }
# Noisy images whose label images are large and slow to encode.
"$python" - big <<'PY' || { echo "could not write the large images"; exit 1; }
import os, random, struct, sys, zlib
folder = sys.argv[1]
os.makedirs(folder)
rng = random.Random(3)
size = 1000
for k in range(12):
    noise = rng.randbytes(size * size)
    rows = b"".join(b"\0" + noise[y * size:(y + 1) * size] for y in range(size))
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))
    with open(os.path.join(folder, "big%02d.png" % k), "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 8, 0, 0, 0, 0)) +
                chunk(b"IDAT", zlib.compress(rows, 1)) + chunk(b"IEND", b""))
PY

# The limit is real: a program that does not handle it is killed.
bash -c 'ulimit -f 4; exec head -c 20000 /dev/zero' >plain.out 2>/dev/null
expect_eq "a plain program over the limit" "$?" 153

# The results file: the header no longer fits, so nothing of it stays.
"$python" -c 'import sys; open("r.txt", "w").write(("x" * 49 + "\n") * (4 * 1024 // 50))'
before=$(stat -c %s r.txt)
limited 4 --chain K-Means img/gray.png --out r.txt 2>err.txt
expect_eq "exit status of a results file over the limit" "$?" 1
expect_grep "results file named" "strandel-bench: Could not write 'r.txt': File too large" err.txt
expect_eq "results file cut back to its last whole line" "$(stat -c %s r.txt)" "$before"

# The table: rows whole, up to the one that did not fit.
images=(img/gray.png img/graya.png img/rgb.png img/rgba.png img/deep.png img/interlaced.png img/linear.png)
limited 2 --chain 'K-Means(10, 3)' --chain 'AiNet' --chain 'Fuzzy C-Means' "${images[@]}" --out 't-{n}.txt' \
  --table t.csv 2>err.txt
expect_eq "exit status of a table over the limit" "$?" 1
expect_grep "table named" "strandel-bench: Could not write 't.csv': File too large" err.txt
[ "$(tail -c 2 t.csv | od -An -tx1 | tr -d ' ')" = 0d0a ] || fail "the table ends mid-row"
"$python" -c 'import csv, sys
rows = list(csv.reader(open("t.csv", newline="")))
sys.exit(len(rows) < 2 or any(len(r) != len(rows[0]) for r in rows))' || fail "the table holds a broken row: $(tail -c 200 t.csv)"
for n in 1 2 3; do ends_whole "t-$n.txt" || fail "results file $n ends mid-line"; done

# Label images: the ones over the limit are named, the others written
# whole, and no temporary file stays.
limited 200 --chain 'K-Means(10, 4)' img/gray.png big/big00.png big/big01.png --out l.txt --save-segmentations labels \
  2>err.txt
expect_eq "exit status of label images over the limit" "$?" 1
expect_grep "label image named" "strandel-bench: segmentation not saved to 'labels/big00.1.png': Write Error: File too large" err.txt
expect_grep "label images counted" "strandel-bench: 1 label image written to 'labels', 2 could not be written" err.txt
expect_grep "the run's failure" "strandel-bench: 2 of 3 label images could not be written; the first, 'labels/big00.1.png'" err.txt
expect_eq "label images left" "$(ls labels)" "gray.1.png"
expect_eq "temporary files left by a size limit" "$(leftovers labels)" 0
expect_eq "lines of the run with a size limit" "$(grep -c '^[0-9]' l.txt)" 3

# Signals in the middle of a run that saves large label images: no
# temporary file is left, the results keep whole lines, and the exit
# status is the signal's.
# (A shell starts background commands with SIGINT ignored, and a tool
# leaves an ignored signal ignored: env gives it back its default.)
run_in_background() {
  env --default-signal=INT "$bench" --chain 'K-Means(10, 4)' --chain 'K-Means(10, 6)' big --out "$1-{n}" --save-segmentations sig 2>"$1-{n}.err" &
  pid=$!
  for _ in $(seq 1 3000); do
    grep -q '^strandel-bench: 1/' "$1-{n}.err" 2>/dev/null && break
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.01
  done
}
for signal in INT TERM HUP; do
  for trial in 1 2 3 4 5; do
    run_in_background "s-$signal-$trial.txt"
    sleep "0.0$((RANDOM % 10))"
    kill -"$signal" "$pid"
    wait "$pid" 2>/dev/null
    expect_eq "exit status after SIG$signal (trial $trial)" "$?" $((128 + $(kill -l "$signal")))
    expect_eq "temporary files left by SIG$signal (trial $trial)" "$(leftovers sig)" 0
    ends_whole "s-$signal-$trial.txt-1" && ends_whole "s-$signal-$trial.txt-2" || fail "SIG$signal (trial $trial) left half a line"
  done
done
# SIGKILL cannot be caught: what it leaves, the next run removes once it is
# old enough that no writer can still be at work on it.
killed=0
for trial in $(seq 1 10); do
  run_in_background "k-$trial.txt"
  sleep "0.0$((RANDOM % 10))"
  kill -KILL "$pid"
  wait "$pid" 2>/dev/null
  [ "$(leftovers sig)" -gt 0 ] && killed=$trial && break
done
echo "SIGKILL left a temporary file in trial $killed (0: in none of 10; one is made by hand)"
[ "$killed" -gt 0 ] || : >sig/.strandel-label-Ab3dE9
left=$(leftovers sig)
"$bench" --chain 'K-Means(10, 4)' img/gray.png --out after.txt --save-segmentations sig 2>err.txt
expect_eq "a fresh leftover is kept (its writer may be at work)" "$(leftovers sig)" "$left"
find sig -name '.strandel-label-*' -exec touch -d '2 minutes ago' {} +
"$bench" --chain 'K-Means(10, 4)' img/gray.png --out after.txt --save-segmentations sig 2>err.txt
expect_eq "exit status of the run after SIGKILL" "$?" 0
expect_eq "temporary files after the next run" "$(leftovers sig)" 0
expect_grep "removal said" "removed $left temporary file(s) an interrupted run left in 'sig'" err.txt

echo "$failures failed"
[ "$failures" -eq 0 ]
