#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# What the measures of the literature cost in whole strandel-bench runs:
# the same benchmark (COUNT images of SIZE with their manual segmentations,
# bench/make_bench_images.py) run in turns by BASELINE, a strandel-bench
# that rates the Jaccard index alone (a build from before the measures
# were added), and by STRANDEL_BENCH, which adds every region measure and
# the optimal ratio; then STRANDEL_BENCH with --boundary. Medians of
# ROUNDS runs of each, wall-clock seconds, and the ratios.
#
# Usage: evaluation_cost.sh STRANDEL_BENCH BASELINE [COUNT [SIZE [ROUNDS]]]
set -eu
bench=$1 baseline=$2 count=${3:-40} size=${4:-1000x1000} rounds=${5:-7}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
python3 "$(dirname "$0")/make_bench_images.py" "$work/img" "$count" "$size" >/dev/null
chain='K-Means(10, 4)'
seconds() {  # PROGRAM EXTRA...: one run's wall-clock seconds
  local program=$1
  shift
  rm -f "$work"/r*.txt "$work"/t.csv
  local start end
  start=$(date +%s.%N)
  "$program" --chain "$chain" --seed-each 1 --list "$work/img/bench.list" --out "$work/r{n}.txt" \
    --table "$work/t.csv" "$@" 2>/dev/null
  end=$(date +%s.%N)
  echo "$end - $start" | bc -l
}
median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
: >"$work/alone" && : >"$work/regions" && : >"$work/boundary"
for _ in $(seq 1 "$rounds"); do  # in turns, so that the machine's load falls on both alike
  seconds "$baseline" >>"$work/alone"
  seconds "$bench" >>"$work/regions"
  seconds "$bench" --boundary >>"$work/boundary"
done
alone=$(median <"$work/alone") regions=$(median <"$work/regions") boundary=$(median <"$work/boundary")
megapixels=$(python3 -c "w, h = map(int, '$size'.split('x')); print($count * w * h / 1e6)")
printf '%s images of %s, %s rounds, medians:\n' "$count" "$size" "$rounds"
printf '  Jaccard alone (baseline)        %.3f s\n' "$alone"
printf '  with the region measures        %.3f s  (%.3f x)\n' "$regions" "$(echo "$regions / $alone" | bc -l)"
printf '  and the boundary measures       %.3f s  (+%.1f ms per megapixel)\n' "$boundary" \
  "$(echo "($boundary - $regions) * 1000 / $megapixels" | bc -l)"
