#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs what is missing, builds, and shows the main jobs on the shipped
# samples: the chain tool on one image, then a benchmark run by strandel-bench
# with the default chain (one AiNet pass), natively and inside a headless
# GIMP whose private profile gets the installed plug-ins, and last two chains
# compared on the benchmark with their segmentations saved and the report
# page written to build/demo/report.html. Needs no display.
set -euo pipefail
root="$(cd "$(dirname "$0")" && pwd)"
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh" >/dev/null
build="${BUILD_DIR:-$root/build}"
chain="$build/strandel-chain"
sample="$root/samples/chain/sample.pgm"
echo "== default chain on $sample"
"$chain" "$sample"
echo "== 'AiNet; K-Means(10, 4); Fuzzy C-Means' on $sample"
"$chain" --chain 'AiNet; K-Means(10, 4); Fuzzy C-Means' "$sample"

list="$root/samples/benchmark/sample.list"
work="$(mktemp -d "${TMPDIR:-/tmp}/strandel-demo-XXXXXX")"
trap 'rm -rf "$work"' EXIT
# A GIMP profile of our own: `cmake --install` puts the plug-ins in
# PREFIX/plug-ins and strandel-bench in PREFIX/bin.
profile="$work/gimp-profile"
cmake --install "$build" --prefix "$profile" >/dev/null
bench="$profile/bin/strandel-bench"
if [ ! -x "$bench" ] || [ ! -x "$profile/plug-ins/strandel-benchmark/strandel-benchmark" ]; then
  echo "strandel-bench or the strandel-benchmark plug-in was not built (GEGL or GIMP development files missing?)" >&2
  exit 1
fi

echo "== strandel-bench --engine native on $list (default chain)"
"$bench" --engine native --list "$list" --out "$work/native.txt"
cat "$work/native.txt"
echo
echo "== strandel-bench --engine gimp --profile $profile on $list (default chain)"
"$bench" --engine gimp --profile "$profile" --list "$list" --out "$work/gimp.txt"
cat "$work/gimp.txt"
echo
echo "== the same with two GIMPs (--jobs 2), each with a private temporary profile"
"$bench" --engine gimp --jobs 2 --list "$list" --out "$work/gimp-jobs.txt"
cat "$work/gimp-jobs.txt"
echo
untimed() { awk -F'\t' 'BEGIN { OFS = "\t" } /^[0-9]/ { $3 = "-" } { print }' "$1"; }
if diff <(untimed "$work/native.txt") <(untimed "$work/gimp.txt") >/dev/null &&
   diff <(untimed "$work/gimp.txt") <(untimed "$work/gimp-jobs.txt") >/dev/null; then
  echo "== the three reports agree, execution times aside"
else
  echo "== the reports differ beyond their execution times" >&2
  exit 1
fi

# Two chains compared, their label images saved, and the page that shows
# them; kept in the build folder, which outlives the demo's temporary one.
page_dir="$build/demo"
rm -rf "$page_dir"
mkdir -p "$page_dir"
echo
echo "== two chains and an external method's label images on $list, two annotators per image"
echo "   (annotators/STEM.1.png, 8-bit, and STEM.2.png, 16-bit; threshold/STEM.png: a thresholding"
echo "   tool's 16-bit label images), label images saved, results tables and report page"
"$bench" --chain 'K-Means(10, 4)' --chain 'AiNet; Fuzzy C-Means' --seed-each 1 --list "$list" \
    --ground-truth 'annotators/{stem}.{k}.png' --score threshold='threshold/{stem}.png' \
    --out "$page_dir/results-{n}.txt" --table "$page_dir/results.csv" \
    --table-annotators "$page_dir/annotators.csv" --save-segmentations "$page_dir/labels"
echo "results table (first rows, a few of its columns):"
python3 -c 'import csv, sys
rows = list(csv.DictReader(open(sys.argv[1], newline="")))
columns = ["chain", "image", "annotators", "jaccard", "rand_index", "adjusted_rand", "covering", "optimal_ratio"]
print("\t".join(columns))
for row in rows[:6]:
    row["image"] = row["image"].rsplit("/", 1)[-1]
    print("\t".join(row[c][:14] for c in columns))' "$page_dir/results.csv"
"$profile/bin/strandel-report" "$page_dir/results.csv" --segmentations "$page_dir/labels" --html "$page_dir/report.html"
echo "label images: $page_dir/labels/ ($(ls "$page_dir/labels" | wc -l) files, STEM.N.png)"
echo "report page:  $page_dir/report.html (open it in a browser)"
