#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# What comparing chains in one run costs: 20 gray images of 1 megapixel with
# their manual segmentations, through strandel-bench's native engine
# (wall clock, whole process, RUNS rounds after a warm-up one):
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

# time_of COMMAND...: wall-clock seconds of one run, its outputs in a new $work/out.
time_of() {
  local start end
  rm -rf "$work/out" && mkdir "$work/out"
  start="$(date +%s.%N)"
  "$@" >/dev/null 2>>"$work/log" || { cat "$work/log" >&2; echo "failed: $*" >&2; exit 1; }
  end="$(date +%s.%N)"
  awk -v a="$start" -v b="$end" 'BEGIN { printf "%.3f", b - a }'
}
median() { printf '%s\n' "$@" | sort -g | awk '{ t[NR] = $1 } END { printf "%.3f", t[int((NR + 1) / 2)] }'; }
three_runs() { for c in "${chains[@]}"; do "$bench" --chain "$c" --list "$list" --out "$work/out/r.txt" || return; done; }
three() { "$bench" --chain "${chains[0]}" --chain "${chains[1]}" --chain "${chains[2]}" --list "$list" --out "$work/out/r-{n}.txt"; }
table() { one --table "$work/out/t.csv"; }
seeded() { one --seed-each 1; }
one() { "$bench" --chain "${chains[0]}" --list "$list" --out "$work/out/r.txt" "$@"; }

# The configurations run in turn, round after round (one warm-up round), and
# each is compared with "one" of the same round, so that a machine whose
# speed drifts (a shared one) still gives fair ratios: the median of those.
names=(one three three_runs table seeded)
declare -A times ratios
for ((round = 0; round <= repeats; round++)); do
  declare -A now
  for name in "${names[@]}"; do now[$name]=$(time_of "$name"); done
  [ "$round" -eq 0 ] && continue
  for name in "${names[@]}"; do
    times[$name]+=" ${now[$name]}"
    ratios[$name]+=" $(awk -v a="${now[$name]}" -v b="${now[one]}" 'BEGIN { printf "%.3f", a / b }')"
  done
done

echo "== $count images of 1000 x 1000 with manual segmentations, native engine, $repeats rounds ($(nproc) cores)"
printf "%-36s %16s %18s\n" "" "median seconds" "median ratio /one"
declare -A label=([one]="one chain (${chains[0]})" [three]="three chains in one run" [three_runs]="three runs of one chain"
  [table]="one chain, --table" [seeded]="one chain, --seed-each")
for name in "${names[@]}"; do
  printf "%-36s %16s %18s\n" "${label[$name]}" "$(median ${times[$name]})" "$(median ${ratios[$name]})"
done
