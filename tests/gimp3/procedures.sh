#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The three GIMP 3 plug-ins' procedures inside gimp-console-3.0 with a
# throw-away profile, called as scripts call them (named arguments): how
# they registered (names, menu, arguments with their ranges); every bad
# argument fails with a message naming it (GIMP 3's --quit stops at the
# first failing command, so each gets a console of its own); the benchmark
# procedures write the batch report, the seeded one two chains' reports and
# a table, the floor reads the images; plug-in-strandel paints a drawable
# with the classes of the chain it is given; the batch procedure, run
# non-interactively, does nothing.
# Usage: procedures.sh GIMP_CONSOLE BENCHMARK_PLUGIN BATCH_PLUGIN STRANDEL_PLUGIN SAMPLE_LIST
set -u
console="$1"
list="$5"
dir="$(mktemp -d "${TMPDIR:-/tmp}/strandel-gimp3-XXXXXX")" || exit 1
trap 'rm -rf "$dir"' EXIT
for pair in "strandel-benchmark:$2" "strandel-batch:$3" "strandel:$4"; do
  name="${pair%%:*}"
  mkdir -p "$dir/profile/plug-ins/$name"
  cp "${pair#*:}" "$dir/profile/plug-ins/$name/$name" || exit 1
done
mkdir -p "$dir/work"

failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
# One console, one or more commands; its output in $dir/$1.log.
gimp() {
  local log="$dir/$1.log"
  shift
  local args=()
  for command in "$@"; do args+=(-b "$command"); done
  (cd "$dir/work" && GIMP3_DIRECTORY="$dir/profile" TMPDIR="$dir" "$console" -i -d -f \
    --batch-interpreter=plug-in-script-fu-eval "${args[@]}" --quit </dev/null >"$log" 2>&1)
  echo $? >"$log.status"
}
refused() {  # NAME MESSAGE COMMAND: the call fails with MESSAGE and writes nothing
  gimp "$1" "$3"
  [ "$(cat "$dir/$1.log.status")" -ne 0 ] || fail "$1: the console exited 0 after a failed call"
  grep -qF -- "$2" "$dir/$1.log" || { cat "$dir/$1.log"; fail "$1: no error '$2'"; }
}
bench() { echo "(plug-in-strandel-benchmark #:run-mode $1 #:chain \"$2\" #:list-file \"$3\" #:results-file \"$4\" #:seed -1)"; }

refused bad-chain "failed on invalid input arguments: chain 'Bogus; K-Means': unknown pass \"Bogus\"" \
  "$(bench RUN-NONINTERACTIVE "Bogus; K-Means" "$list" "$dir/bad-chain.txt")"
refused no-list "failed: Could not open '$dir/none.list': No such file or directory" \
  "$(bench RUN-NONINTERACTIVE "" "$dir/none.list" "$dir/no-list.txt")"
refused no-folder "failed: Could not open '$dir/no/such/folder/results.txt': No such file or directory" \
  "$(bench RUN-NONINTERACTIVE "" "$list" "$dir/no/such/folder/results.txt")"
refused interactive "run-mode 0: plug-in-strandel-benchmark runs only non-interactively" \
  "$(bench RUN-INTERACTIVE "" "$list" "$dir/interactive.txt")"
refused stride "out of range" \
  "(plug-in-strandel-benchmark-share #:run-mode RUN-NONINTERACTIVE #:chain \"\" #:list-file \"$list\" #:results-file \"$dir/stride.txt\" #:seed -1 #:first 0 #:stride 0)"
for f in bad-chain.txt no-list.txt interactive.txt stride.txt; do
  [ -e "$dir/$f" ] && fail "a refused call wrote $f"
done

# The report: the batch dialog's header, one line per sample image in list
# order, the Jaccard column only where a manual segmentation lies beside.
gimp runs "$(bench RUN-NONINTERACTIVE "" "$list" "$dir/results.txt")" \
  "(plug-in-strandel-benchmark-floor #:run-mode RUN-NONINTERACTIVE #:list-file \"$list\")" \
  "(plug-in-strandel-benchmark-seeded #:run-mode RUN-NONINTERACTIVE #:chains \"K-Means(10, 3)\\nAiNet\" #:list-file \"$list\" #:results-file \"$dir/seeded-{n}.txt\" #:seed-each 4 #:first 1 #:stride 2 #:table-file \"$dir/seeded.csv\" #:ground-truth \"\")" \
  "(plug-in-strandel-batch #:run-mode RUN-NONINTERACTIVE)"
[ "$(cat "$dir/runs.log.status")" -eq 0 ] || { cat "$dir/runs.log"; fail "the runs did not all succeed"; }
report="$dir/results.txt"
expected_header=$'\n\nAlgorithm: AiNet \nImage\tNumber of classes\tExecuction Time\tTuri (2001)\tDunn Index\tAmrane (2005)\tLiu & Yang (inverted)\tJaccard Distance (Supervised) '
[ "$(head -n 4 "$report")" = "$expected_header" ] || fail "the report header differs: $(head -n 4 "$report" | cat -A)"
folder="$(dirname "$list")"
position=0
while IFS= read -r image; do
  line="$(sed -n "$((position + 5))p" "$report")"
  fields="$(awk -F'\t' '{print NF}' <<<"$line")"
  seg="$folder/${image%.*}_seg.${image##*.}"
  want=7; [ -e "$seg" ] && want=8
  [ "${line%%$'\t'*}" = "$position" ] || fail "line $position is '$line'"
  [ "$fields" = "$want" ] || fail "$image: $fields fields, expected $want: '$line'"
  grep -qE "^strandel-benchmark: $((position + 1))/[0-9]+ $folder/$image [0-9]+\.[0-9]{2} s$" "$dir/runs.log" ||
    fail "no progress line for $image"
  position=$((position + 1))
done <"$list"
[ "$(wc -l <"$report")" -eq $((position + 4)) ] || fail "the report has other lines than one per image"
grep -q "^plug-in-strandel-benchmark-floor: $position images read" "$dir/runs.log" || fail "the floor did not read every image"
odd=$(( position / 2 ))
for n in 1 2; do
  [ "$(grep -c '^[0-9]' "$dir/seeded-$n.txt")" -eq "$odd" ] || fail "seeded chain $n: not one line per odd position"
  [ -z "$(grep '^[0-9]' "$dir/seeded-$n.txt" | cut -f1 | grep '[02468]$')" ] || fail "seeded chain $n: an even position"
done
case "$(head -n1 "$dir/seeded.csv")" in
  chain,position,image,manual_segmentation,classes,centres,seconds,turi,dunn,amrane,liu_yang,jaccard*) ;;
  *) fail "the seeded table's header differs: $(head -n1 "$dir/seeded.csv")" ;;
esac
[ "$(tail -n +2 "$dir/seeded.csv" | wc -l)" -eq $((2 * odd)) ] || fail "the seeded table has not one row per chain and image"
grep -q "BENCH: \|OUT =>" "$dir/runs.log" && fail "a non-interactive batch run traced a benchmark"
[ -z "$(ls -A "$dir/work")" ] || fail "the runs wrote into the current folder: $(ls -A "$dir/work")"

# How the procedures registered.
rc="$dir/profile/pluginrc"
for name in plug-in-strandel-benchmark plug-in-strandel-benchmark-share plug-in-strandel-benchmark-seeded \
            plug-in-strandel-benchmark-floor plug-in-strandel-batch plug-in-strandel; do
  grep -q "\"$name\"" "$rc" || fail "$name is not registered"
done
[ "$(grep -c '"<Image>/Segmentation"' "$rc")" -eq 2 ] || fail "not both entries in <Image>/Segmentation"
grep -q '"_Strandel Segmentation (Batch Mode)"' "$rc" || fail "the batch menu label is wrong"
grep -q '"_Strandel Segmentation..."' "$rc" || fail "the interactive menu label is wrong"
grep -q '"RGB\*, GRAY\*"' "$rc" || fail "the interactive procedure's image types are wrong"

# plug-in-strandel on a gray scene of three levels: a K-Means chain of
# three classes paints every pixel with its class centre, one undo step.
python3 - "$dir/scene.pgm" <<'PY'
import sys
w, h = 64, 48
rows = bytes((30 if x < 20 else 120 if y < 24 else 210) + (x * 3 + y) % 5 for y in range(h) for x in range(w))
open(sys.argv[1], "wb").write(b"P5\n%d %d\n255\n" % (w, h) + rows)
PY
segment() {
  echo "(let* ((image (car (gimp-file-load RUN-NONINTERACTIVE \"$dir/scene.pgm\"))) (layer (vector-ref (car (gimp-image-get-layers image)) 0))) (plug-in-strandel #:run-mode RUN-NONINTERACTIVE #:image image #:drawables (vector layer) #:chain \"$1\") (gimp-file-save RUN-NONINTERACTIVE image \"$2\" -1))"
}
refused strandel-chain "chain: K-Means: expected 2 parameter(s)" "$(segment "K-Means(3)" "$dir/never.pgm")"
[ -e "$dir/never.pgm" ] && fail "a refused chain painted the image"
gimp paint "$(segment "K-Means(10, 3)" "$dir/painted.pgm")"
[ "$(cat "$dir/paint.log.status")" -eq 0 ] || { cat "$dir/paint.log"; fail "plug-in-strandel failed"; }
python3 - "$dir/scene.pgm" "$dir/painted.pgm" <<'PY' || fail "the painted scene is not its classes' centres"
import sys
def pgm(path):
    data = open(path, "rb").read()
    fields, pos = [], 0
    while len(fields) < 4:
        while data[pos:pos + 1].isspace(): pos += 1
        if data[pos:pos + 1] == b"#":
            pos = data.index(b"\n", pos) + 1
            continue
        end = pos
        while not data[end:end + 1].isspace(): end += 1
        fields.append(data[pos:end]); pos = end
    return data[pos + 1:]
scene, painted = pgm(sys.argv[1]), pgm(sys.argv[2])
levels = sorted(set(painted))
assert len(levels) == 3, levels
for base, level in zip((30, 120, 210), levels):  # each band's centre lies within its band's noise
    assert base <= level <= base + 4, (base, level)
for s, p in zip(scene, painted):
    assert min(levels, key=lambda c: (abs(c - s), c)) == p or abs(p - s) <= 4, (s, p)
print("painted with the centres %s" % levels)
PY

[ "$failures" -eq 0 ] || exit 1
echo "GIMP 3 procedures: registered, errors named, reports and table written, floor read, drawable painted"
