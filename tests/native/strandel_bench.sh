#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# strandel-bench from outside, on small images of known content.
# Usage: strandel_bench.sh STRANDEL_BENCH PYTHON MAKE_TEST_IMAGES_PY STRANDEL_REPORT
set -u
bench=$1 python=$2 generator=$3 report=$4
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
expect_eq() { [ "$2" == "$3" ] || fail "$1: expected '$3', got '$2'"; }
expect_grep() { grep -qF -- "$2" "$3" || { fail "$1: no '$2' in $3:"; cat "$3"; }; }

"$python" "$generator" "$work/img" || { echo "could not write the test images"; exit 1; }
# Entries relative to the list's folder, one absolute, three that are no use.
cat >"$work/img/bench.list" <<LIST
gray.png
graya.png
rgb.png
rgba.png
$work/img/deep.png
broken.png
indexed.png
missing.png
LIST
cd /  # the list's entries must not depend on the current folder

# Lines of the last run of a report, times masked: position, classes, values.
lines() { awk -F'\t' -v OFS='\t' '/^Algorithm: /{n=0; delete l} /^[0-9]+\t/{$3="T"; l[n++]=$0} END{for(i=0;i<n;i++) print l[i]}' "$1"; }
field() { lines "$1" | awk -F'\t' -v p="$2" -v f="$3" '$1==p{print $f}'; }

"$bench" --chain "K-Means(10, 3)" --list "$work/img/bench.list" --out "$work/one.txt" >"$work/one.out" 2>"$work/one.err"
expect_eq "exit status of a run with unreadable images" "$?" 0
# Standard output is left to the caller's pipes: the runner writes nothing there.
expect_eq "standard output" "$(cat "$work/one.out")" ""
expect_eq "header" "$(head -c 200 "$work/one.txt" | head -4 | tail -2)" \
  "$(printf 'Algorithm: K-Means \nImage\tNumber of classes\tExecuction Time\tTuri (2001)\tDunn Index\tAmrane (2005)\tLiu & Yang (inverted)\tJaccard Distance (Supervised) ')"
expect_eq "positions written" "$(lines "$work/one.txt" | cut -f1 | tr '\n' ' ')" "0 1 2 3 4 6 "
# Three flat bands, three classes, in every layout.
expect_eq "classes" "$(lines "$work/one.txt" | cut -f2 | sort -u)" 3
# The gray byte, the third byte of RGB(A) and 16-bit levels brought to 8
# bits all give the same histogram, hence the same measures.
gray_values=$(field "$work/one.txt" 0 4-7)
# An indexed PNG reads as the colours of its palette.
for p in 1 2 3 4 6; do expect_eq "measures of position $p" "$(field "$work/one.txt" $p 4-7)" "$gray_values"; done
# The bands match the manual labels exactly; graya's manual joins the first
# two bands (50 of 90 columns for the best class) and keeps the third: (5/9 + 1) / 2.
expect_eq "Jaccard of gray.png" "$(field "$work/one.txt" 0 8)" 1.00
expect_eq "Jaccard of graya.png" "$(field "$work/one.txt" 1 8)" 0.78
# rgb's manual segmentation has another width: no Jaccard column.
for p in 2 3 4; do expect_eq "columns of position $p" "$(lines "$work/one.txt" | awk -F'\t' -v p=$p '$1==p{print NF}')" 7; done
expect_grep "undecodable file" "skipping '$work/img/broken.png'" "$work/one.err"
expect_grep "missing file" "skipping '$work/img/missing.png': No such file or directory" "$work/one.err"
expect_grep "progress line" "strandel-bench: 5/8 $work/img/deep.png " "$work/one.err"

# One damaged file ends nothing, whatever the number of jobs: a JPEG cut in
# its tables and an empty one are skipped with their reason, every other
# line is kept. A JPEG cut in its pixels reads the same every time.
img=$work/img
for jobs in 1 4; do
  "$bench" --chain "K-Means(10, 3)" --jobs $jobs "$img/gray.png" "$img/cut_400.jpg" "$img/empty.jpg" "$img/cut_half.jpg" \
    "$img/bands_rst.jpg" "$img/rgb.png" --out "$work/damaged$jobs.txt" 2>"$work/err"
  expect_eq "exit status with damaged JPEGs (--jobs $jobs)" "$?" 0
  expect_eq "lines kept beside damaged JPEGs (--jobs $jobs)" "$(lines "$work/damaged$jobs.txt" | cut -f1 | tr '\n' ' ')" "0 3 4 5 "
  expect_grep "cut JPEG (--jobs $jobs)" "skipping '$img/cut_400.jpg': not a readable JPEG (Bogus Huffman table definition)" "$work/err"
  expect_grep "empty JPEG (--jobs $jobs)" "skipping '$img/empty.jpg': the file is empty" "$work/err"
done
expect_eq "a cut JPEG's line, again" "$(lines "$work/damaged4.txt")" "$(lines "$work/damaged1.txt")"
# A gray-ramp palette PNG (with a gray-ramp palette manual segmentation)
# gives exactly the gray image's line.
"$bench" --chain "K-Means(10, 3)" "$img/gray.png" "$img/ramp.png" --out "$work/ramp.txt" 2>/dev/null
expect_eq "gray-ramp palette line" "$(field "$work/ramp.txt" 1 2,4-)" "$(field "$work/ramp.txt" 0 2,4-)"
# A file the user may not read is skipped with the system's reason (run as
# nobody: root reads every file).
if command -v setpriv >/dev/null && [ "$(id -u)" -eq 0 ]; then
  mkdir "$work/locked" && cp "$img/gray.png" "$img/rgb.png" "$work/locked/" && chmod 000 "$work/locked/gray.png"
  chmod 755 "$work" "$work/locked"
  setpriv --reuid=nobody --regid=nogroup --clear-groups "$bench" --chain "K-Means(10, 3)" "$work/locked/gray.png" \
    "$work/locked/rgb.png" --out /dev/null 2>"$work/err"
  expect_grep "unreadable file" "skipping '$work/locked/gray.png': Permission denied" "$work/err"
fi

# The report does not depend on the number of jobs, even for a chain that
# draws random numbers, nor on being split in shards and merged.
swarm="Particle Swarm Optimization; K-Means"
for jobs in 1 2; do
  "$bench" --chain "$swarm" --seed 11 --jobs $jobs --list "$work/img/bench.list" --out "$work/swarm$jobs.txt" >/dev/null 2>&1
  expect_eq "swarm run with --jobs $jobs" "$?" 0
done
expect_eq "--jobs 2 report" "$(lines "$work/swarm2.txt")" "$(lines "$work/swarm1.txt")"
for k in 0 1 2; do
  "$bench" --chain "K-Means(10, 3)" --shard $k/3 --jobs 2 --list "$work/img/bench.list" --out "$work/shard$k.txt" >/dev/null 2>&1
  expect_eq "shard $k" "$?" 0
done
"$bench" --merge "$work/merged.txt" "$work/shard2.txt" "$work/shard0.txt" "$work/shard1.txt"
expect_eq "merge" "$?" 0
expect_eq "merged shards" "$(lines "$work/merged.txt")" "$(lines "$work/one.txt")"
expect_eq "merged header" "$(head -4 "$work/merged.txt")" "$(head -4 "$work/one.txt")"
expect_eq "one header in a merged report" "$(grep -c '^Algorithm: ' "$work/merged.txt")" 1

# Three chains on one reading, seeded per image: each chain's report is the
# one it writes alone, in shards too; the table holds the same rows.
chains=("Particle Swarm Optimization; K-Means" "K-Means(10, 3)" "AiNet; Fuzzy C-Means")
printf '# compared with the swarm\n\n  %s\n%s\n' "${chains[1]}" "${chains[2]}" >"$work/chains.txt"
compare=(--chain "${chains[0]}" --chains "$work/chains.txt" --seed-each 3 --list "$work/img/bench.list")
"$bench" "${compare[@]}" --jobs 2 --out "$work/cmp-{n}.txt" --table "$work/cmp.csv" >/dev/null 2>"$work/err"
expect_eq "exit status of three chains" "$?" 0
expect_eq "progress lines of three chains" "$(grep -c '^strandel-bench: [0-9]/8 ' "$work/err")" 8
for n in 1 2 3; do
  "$bench" --chain "${chains[n - 1]}" --seed-each 3 --list "$work/img/bench.list" --out "$work/alone$n.txt" 2>/dev/null
  expect_eq "chain $n among three" "$(lines "$work/cmp-$n.txt")" "$(lines "$work/alone$n.txt")"
done
for k in 0 1; do
  "$bench" "${compare[@]}" --shard $k/2 --out "$work/sh$k-{n}.txt" --table "$work/sh$k.csv" 2>/dev/null
done
"$bench" --merge "$work/merged.csv" "$work/sh1.csv" "$work/sh0.csv" && "$bench" --merge "$work/merged-1.txt" "$work/sh0-1.txt" "$work/sh1-1.txt"
expect_eq "merge of tables" "$?" 0
expect_eq "merged swarm shards" "$(lines "$work/merged-1.txt")" "$(lines "$work/cmp-1.txt")"
# Tables without their seconds column; report lines from table rows.
untimed_table() { "$python" -c 'import csv, sys
for row in csv.reader(open(sys.argv[1], newline="")):
    row[6] = "-"; print(row)' "$1"; }
# The merged table is the single run's, row for row.
expect_eq "merged tables" "$(untimed_table "$work/merged.csv")" "$(untimed_table "$work/cmp.csv")"
# Each table's provenance says how it was made and what it holds; the
# report page shows it at its foot.
"$python" - "$work" "${chains[@]}" <<'CHECK' || fail "provenance files"
import csv, json, sys
work, chains = sys.argv[1], sys.argv[2:]
run = json.load(open(work + "/cmp.csv.json"))
assert run["format"] == "strandel provenance 1" and run["complete"] is True, run
assert run["chains"] == chains and run["seed_each"] == 3 and run["seed"] is None, run
assert run["engine"] == "native" and run["shard"] is None and run["jobs"] == 2 and (run["gray"], run["levels"]) == ("blue", "scale"), run
assert run["arguments"][-2:] == ["--table", work + "/cmp.csv"] and ["--seed-each", "3"] in run["options"], run
rows = list(csv.DictReader(open(work + "/cmp.csv", newline="")))
rated = {r["position"] for r in rows if r["status"] == "ok"}
skipped = {r["position"]: r for r in rows if r["position"] not in rated}
images = run["images"]
assert (images["rows"], images["read"], images["skipped"]) == (len(rows), len(rated), len(skipped)), images
assert images["skipped"] > 0 and images["read"] + images["skipped"] == images["images"], images
assert {(str(s["position"]), s["image"], "skipped: " + s["reason"]) for s in images["skipped_images"]} == \
    {(p, r["image"], r["status"]) for p, r in skipped.items()}, images
for k in (0, 1):
    shard = json.load(open("%s/sh%d.csv.json" % (work, k)))["shard"]
    assert shard == {"index": k, "count": 2}, shard
merged = json.load(open(work + "/merged.csv.json"))
assert [m["provenance"]["shard"]["index"] for m in merged["merged_from"]] == [1, 0], merged
assert merged["images"]["rows"] == len(rows), merged
CHECK
"$report" "$work/cmp.csv" --html "$work/page.html" 2>/dev/null
expect_grep "provenance at the page's foot" "<th style=\"text-align:left;padding-right:1em;vertical-align:top\">command</th><td>strandel-bench --chain" "$work/page.html"
expect_grep "version at the page's foot" "$(sed -n 's/.*"version": "\([^"]*\)".*/\1/p' "$work/cmp.csv.json") (" "$work/page.html"
# A run that fails leaves no provenance: its table is not a whole run's.
"$bench" --chain K-Means --list "$work/img/bench.list" --out /dev/full --table "$work/failed.csv" 2>/dev/null
expect_eq "exit status of a failed run" "$?" 1
[ ! -e "$work/failed.csv.json" ] || fail "a failed run wrote its table's provenance"
as_report() { "$python" -c 'import csv, sys
for row in csv.DictReader(open(sys.argv[1], newline="")):
    if row["chain"] != sys.argv[2] or row["status"] != "ok": continue
    values = [row[k] for k in ("turi", "dunn", "amrane", "liu_yang", "jaccard") if row[k]]
    print("\t".join([row["position"], row["classes"], "T"] + ["%.2f" % float(v) for v in values]))' "$@"; }
for n in 1 2 3; do
  expect_eq "table rows of chain $n" "$(as_report "$work/cmp.csv" "${chains[n - 1]}")" "$(lines "$work/cmp-$n.txt")"
done
# Skipped images keep one row per chain, with the warning's reason as
# status and no values; the indexed PNG is read as its colours.
statuses() { "$python" -c 'import csv, sys
for row in csv.DictReader(open(sys.argv[1], newline="")):
    if row["chain"] == sys.argv[2]:
        values = "".join(row[k] for k in ("classes", "centres", "seconds", "turi", "dunn", "amrane", "liu_yang", "jaccard"))
        print(row["position"], "values" if values else "empty", row["status"])' "$@"; }
for n in 1 2 3; do
  expect_eq "rated rows of chain $n" "$(statuses "$work/cmp.csv" "${chains[n - 1]}" | head -5)" \
    "$(printf '%s values ok\n' 0 1 2 3 4 | head -c -1)"
  expect_eq "skipped rows of chain $n" "$(statuses "$work/cmp.csv" "${chains[n - 1]}" | tail -n +6 | grep -v ' ok$' | cut -d' ' -f1-3)" \
    "$(printf '%s empty skipped:\n' 5 7 | head -c -1)"
  expect_eq "indexed row of chain $n" "$(statuses "$work/cmp.csv" "${chains[n - 1]}" | sed -n 7p)" "6 values ok"
done
while read -r p _ _ reason; do
  expect_grep "warning with the reason of row $p" "skipping '$work/img/$(sed -n "$((p + 1))p" "$work/img/bench.list")': $reason" "$work/err"
done < <(statuses "$work/cmp.csv" "${chains[0]}" | tail -n +6 | grep -v ' ok$')
"$report" "$work/cmp.csv" >"$work/summary.txt" 2>&1
expect_eq "strandel-report on the table" "$?" 0
expect_grep "strandel-report names the chains" "${chains[2]}" "$work/summary.txt"
cp "$work/cmp.csv" "$work/cmp.before"
"$bench" "${compare[@]}" --out "$work/again-{n}.txt" --table "$work/cmp.csv" >/dev/null 2>"$work/err"
expect_eq "exit status of an existing table" "$?" 1
expect_grep "existing table" "table '$work/cmp.csv' exists already" "$work/err"
cmp -s "$work/cmp.csv" "$work/cmp.before" || fail "an existing table was changed"

# Ground truth in a folder of its own, and a pattern that points nowhere;
# a folder of images mixed with their manual segmentations and other files.
mkdir -p "$work/set/images" "$work/set/truth" "$work/mix"
cp "$work/img/gray.png" "$work/img/graya.png" "$work/set/images/"
cp "$work/img/gray_seg.png" "$work/set/truth/gray.png"
cp "$work/img/graya_seg.png" "$work/set/truth/graya.png"
printf 'images/gray.png\nimages/graya.png\n' >"$work/set/bench.list"
cp "$work/img/gray.png" "$work/img/gray_seg.png" "$work/img/graya.png" "$work/img/graya_seg.png" "$work/mix/"
echo notes >"$work/mix/readme.txt"
"$bench" --chain "K-Means(10, 3)" --ground-truth 'truth/{stem}{ext}' --list "$work/set/bench.list" --out "$work/gt.txt" 2>/dev/null
expect_eq "ground truth in its own folder" "$(lines "$work/gt.txt" | cut -f1,8)" "$(printf '0\t1.00\n1\t0.78')"
"$bench" --chain "K-Means(10, 3)" --ground-truth 'nowhere/{stem}.png' --list "$work/set/bench.list" --out "$work/none.txt" 2>"$work/err"
expect_eq "exit status of a pattern that points nowhere" "$?" 0
expect_eq "no Jaccard column without ground truth" "$(lines "$work/none.txt" | awk -F'\t' '{ print NF }' | sort -u)" 7
# ... but the run's closing line says so, and where it looked.
expect_grep "closing count" "strandel-bench: 2 images: 2 read, 0 skipped; ground truth found for 0 of 2 images (pattern 'nowhere/{stem}.png', resolved against '$work/set')" "$work/err"
# A typo in the folder's case is no different; required, the run is refused
# before it starts, naming what is missing.
"$bench" --chain "K-Means(10, 3)" --ground-truth 'Truth/{stem}{ext}' --require-ground-truth --list "$work/set/bench.list" \
  --out "$work/required.txt" --table "$work/required.csv" 2>"$work/err"
expect_eq "exit status of missing ground truth that is required" "$?" 1
expect_grep "missing ground truth named" "--require-ground-truth: no ground truth for 2 of 2 images (pattern 'Truth/{stem}{ext}', resolved against '$work/set'): '$work/set/images/gray.png' (looked for '$work/set/Truth/gray.png')" "$work/err"
[ -e "$work/required.txt" ] || [ -e "$work/required.csv" ] && fail "a run refused for its ground truth wrote something"
"$bench" --chain "K-Means(10, 3)" --ground-truth 'truth/{stem}{ext}' --require-ground-truth --list "$work/set/bench.list" \
  --out "$work/required.txt" 2>"$work/err"
expect_eq "exit status of ground truth required and found" "$?" 0
expect_grep "ground truth found" "ground truth found for 2 of 2 images" "$work/err"

# Relative paths in a table are relative to the table's folder: the table
# reads the same from wherever it is read, here from another folder.
mkdir -p "$work/tables/deep" "$work/elsewhere"
(cd "$work/set" && "$bench" --chain "K-Means(10, 3)" --ground-truth 'truth/{stem}{ext}' images/gray.png "$work/set/images/graya.png" \
  --out ../r.txt --table ../tables/deep/t.csv 2>/dev/null)
expect_eq "exit status of a table in another folder" "$?" 0
paths() { "$python" -c 'import csv, sys
for row in csv.DictReader(open(sys.argv[1], newline="")): print(row["image"], row["manual_segmentation"])' "$1"; }
expect_eq "table paths" "$(paths "$work/tables/deep/t.csv")" \
  "$(printf '../../set/images/gray.png ../../set/truth/gray.png\n%s %s' "$work/set/images/graya.png" "../../set/truth/graya.png")"
(cd "$work/elsewhere" && "$python" -c 'import csv, os, sys
table = sys.argv[1]
for row in csv.DictReader(open(table, newline="")):
    for path in (row["image"], row["manual_segmentation"]):
        if not os.path.isfile(os.path.join(os.path.dirname(table), path)): sys.exit("not found: " + path)' "$work/tables/deep/t.csv") ||
  fail "a table's paths do not resolve against its folder"

# Outputs that are one file, chains given twice and images named twice in a
# run with a table are refused before anything is written (a results file
# that is the table waited for its own lock).
one_file=(
  "--out $work/same.txt --table $work/same.txt"
  "--chain AiNet --chain K-Means --out $work/r{n}.csv --table $work/r1.csv"
  "--chain AiNet --chain K-Means --out $work/img/{n}/../r.txt"
)
mkdir -p "$work/img/1" "$work/img/2"
for args in "${one_file[@]}"; do
  # shellcheck disable=SC2086
  timeout 60 "$bench" $args "$work/img/gray.png" >/dev/null 2>"$work/err"
  expect_eq "exit status of outputs that are one file ($args)" "$?" 1
  expect_grep "outputs that are one file" "are one file" "$work/err"
done
[ -e "$work/same.txt" ] || [ -e "$work/r1.csv" ] || [ -e "$work/img/r.txt" ] && fail "a refused run wrote an output"
timeout 60 "$bench" --chain K-Means --chain 'K-Means(10, 3)' "$work/img/gray.png" --out "$work/d{n}.txt" 2>"$work/err"
expect_eq "exit status of a chain given twice" "$?" 2
expect_grep "chain given twice" "chain 1 'K-Means' and chain 2 'K-Means(10, 3)' are the same chain" "$work/err"
"$bench" "$work/img/gray.png" "$work/img/../img/gray.png" --out "$work/d.txt" --table "$work/d.csv" 2>"$work/err"
expect_eq "exit status of an image named twice" "$?" 2
expect_grep "image named twice" "is named twice, at positions 0 ('$work/img/gray.png') and 1" "$work/err"
# With one chain {n} is its number, 1.
"$bench" --chain K-Means "$work/img/gray.png" --out "$work/single-{n}.txt" 2>/dev/null
[ -s "$work/single-1.txt" ] || fail "{n} of a single chain did not become 1"
"$bench" --chain "K-Means(10, 3)" "$work/mix" --out "$work/mix.txt" 2>"$work/err"
expect_eq "a folder: its images, not their manual segmentations" "$(lines "$work/mix.txt")" "$(lines "$work/gt.txt")"
expect_grep "note on the files left out" "left out 2 files that are the manual segmentation of another image" "$work/err"

# Failures: a clear message and a non-zero status.
"$bench" --chain "K-Means(10, 1)" "$work/img/gray.png" --out "$work/x.txt" >/dev/null 2>"$work/err"
expect_eq "exit status of a bad chain" "$?" 2
expect_grep "bad chain" "strandel-bench: chain 'K-Means(10, 1)': K-Means: parameter" "$work/err"
[ ! -e "$work/x.txt" ] || fail "a bad chain created the results file"
"$bench" "$work/img/gray.png" --out "$work/no/such/r.txt" >/dev/null 2>"$work/err"
expect_eq "exit status of an unwritable results file" "$?" 1
expect_grep "unwritable results file" "Could not open '$work/no/such/r.txt': No such file or directory" "$work/err"
# A results file that is the list itself (under another name) is refused by
# both engines, and the list stays as it was.
cp "$work/img/bench.list" "$work/list.before"
for engine in native gimp; do
  "$bench" --engine $engine --list "$work/img/bench.list" --out "$work/img/../img/bench.list" >/dev/null 2>"$work/err"
  expect_eq "exit status of --out naming the list ($engine)" "$?" 1
  expect_grep "--out naming the list ($engine)" "is the list file '$work/img/bench.list'" "$work/err"
done
cmp -s "$work/img/bench.list" "$work/list.before" || fail "the list file was written to"
"$bench" --list "$work/nothing.list" --out "$work/x.txt" >/dev/null 2>"$work/err"
expect_eq "exit status of a missing list" "$?" 1
expect_grep "missing list" "$work/nothing.list" "$work/err"
STRANDEL_BENCHMARK_PLUGIN=/nonexistent "$bench" --engine gimp "$work/img/gray.png" --out "$work/x.txt" >/dev/null 2>"$work/err"
expect_eq "exit status of the gimp engine without its plug-in" "$?" 1
expect_grep "gimp engine without its plug-in" "/nonexistent" "$work/err"
"$bench" --jobs 0 "$work/img/gray.png" --out "$work/x.txt" >/dev/null 2>"$work/err"
expect_eq "exit status of a bad option" "$?" 2

[ $failures -eq 0 ] && echo "all strandel-bench checks passed"
exit $((failures > 0))
