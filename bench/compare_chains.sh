#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# What comparing chains in one run costs: 20 gray images of 1 megapixel with
# their manual segmentations, through strandel-bench's native engine
# (wall clock, whole process, median of RUNS runs after one warm-up):
#
#   one chain                     the reference
#   three chains in one run       each image decoded once (goal: <= 1.3 x one)
#   three runs of one chain       what comparing cost before, for scale
#   one chain with --table        the table (goal: no measurable cost)
#   one chain with --seed-each    seeding per image (goal: no measurable cost)
#
# Usage: bench/compare_chains.sh [BUILD_DIR] [IMAGE_COUNT] [RUNS]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$(cd "${1:-$root/build}" && pwd)"
count="${2:-20}"
repeats="${3:-5}"
bench="$build/strandel-bench"
[ -x "$bench" ] || { echo "$bench is missing: build the project first" >&2; exit 1; }

work="$(mktemp -d "${TMPDIR:-/tmp}/strandel-compare-XXXXXX")"
trap 'rm -rf "$work"' EXIT
python3 "$root/bench/make_bench_images.py" "$work/images" "$count"
list="$work/images/bench.list"
chains=("AiNet" "K-Means(10, 4); Fuzzy C-Means" "Particle Swarm Optimization; K-Means")

# seconds COMMAND...: the median wall-clock seconds of `repeats` runs after
# one warm-up; the outputs go to $work/out, made anew before each run.
seconds() {
  local i start end times=()
  for ((i = 0; i <= repeats; i++)); do
    rm -rf "$work/out" && mkdir "$work/out"
    start="$(date +%s.%N)"
    "$@" >/dev/null 2>>"$work/log" || { cat "$work/log" >&2; echo "failed: $*" >&2; exit 1; }
    end="$(date +%s.%N)"
    [ "$i" -eq 0 ] || times+=("$(awk -v a="$start" -v b="$end" 'BEGIN { printf "%.3f", b - a }')")
  done
  printf '%s\n' "${times[@]}" | sort -n | awk '{ t[NR] = $1 } END { printf "%.3f", t[int((NR + 1) / 2)] }'
}
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
three_runs() { for c in "${chains[@]}"; do "$bench" --chain "$c" --list "$list" --out "$work/out/r.txt" || return; done; }

one="$(seconds "$bench" --chain "${chains[0]}" --list "$list" --out "$work/out/r.txt")"
three="$(seconds "$bench" --chain "${chains[0]}" --chain "${chains[1]}" --chain "${chains[2]}" --list "$list" \
  --out "$work/out/r-{n}.txt")"
separate="$(seconds three_runs)"
table="$(seconds "$bench" --chain "${chains[0]}" --list "$list" --out "$work/out/r.txt" --table "$work/out/t.csv")"
seeded="$(seconds "$bench" --chain "${chains[0]}" --list "$list" --out "$work/out/r.txt" --seed-each 1)"

echo "== $count images of 1000 x 1000 with manual segmentations, native engine, median of $repeats runs ($(nproc) cores)"
printf "%-36s %8s %8s\n" "" seconds "/one"
printf "%-36s %8s %8s\n" "one chain (${chains[0]})" "$one" 1.00
printf "%-36s %8s %8s\n" "three chains in one run" "$three" "$(ratio "$three" "$one")"
printf "%-36s %8s %8s\n" "three runs of one chain" "$separate" "$(ratio "$separate" "$one")"
printf "%-36s %8s %8s\n" "one chain, --table" "$table" "$(ratio "$table" "$one")"
printf "%-36s %8s %8s\n" "one chain, --seed-each" "$seeded" "$(ratio "$seeded" "$one")"
