#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# End-to-end benchmark: 20 gray images of 1 megapixel with their manual
# segmentations, run through a headless GIMP.
#
# 1. In one GIMP (start-up not counted; the times are the plug-in's own):
#    the floor (load every image and its segmentation, read their pixels
#    once), then the benchmark with the default chain and with a chain of
#    all four algorithms. Prints each and its ratio to the floor.
# 2. The native engine per image, start-up aside (native_benchmarks):
#    against decoding alone, --jobs 2 against --jobs 1, and the GIMP
#    engine's time per image against it.
# 3. Through strandel-bench (wall clock, GIMP start-up included): --engine
#    gimp with --jobs 1 and --jobs 2, and --engine native likewise.
#
# Usage: bench/end_to_end.sh [BUILD_DIR] [IMAGE_COUNT]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$(cd "${1:-$root/build}" && pwd)"
count="${2:-20}"
bench="$build/strandel-bench"
plugin="$build/strandel-benchmark"
console="${STRANDEL_GIMP_CONSOLE:-gimp-console-2.10}"
for f in "$bench" "$plugin"; do
  [ -x "$f" ] || { echo "$f is missing: build the project first" >&2; exit 1; }
done

work="$(mktemp -d "${TMPDIR:-/tmp}/strandel-e2e-XXXXXX")"
trap 'rm -rf "$work"' EXIT
python3 "$root/bench/make_bench_images.py" "$work/images" "$count"
list="$work/images/bench.list"
default_chain=""
four_chain="AiNet; Particle Swarm Optimization; Fuzzy C-Means; K-Means"

echo "== $count images of 1000 x 1000, each with a manual segmentation ($(nproc) cores)"

# 1. One GIMP, the plug-in's own clock.
mkdir -p "$work/profile/plug-ins/strandel-benchmark" "$work/profile/gradients"
cp "$plugin" "$work/profile/plug-ins/strandel-benchmark/"
GIMP2_DIRECTORY="$work/profile" TMPDIR="$work" "$console" -i -d -f \
  -b "(plug-in-strandel-benchmark-floor RUN-NONINTERACTIVE \"$list\")" \
  -b "(plug-in-strandel-benchmark RUN-NONINTERACTIVE \"$default_chain\" \"$list\" \"$work/default.txt\" 1)" \
  -b "(plug-in-strandel-benchmark RUN-NONINTERACTIVE \"$four_chain\" \"$list\" \"$work/four.txt\" 1)" \
  -b '(gimp-quit 0)' </dev/null >"$work/gimp.log" 2>&1
if [ "$(grep -c 'batch command executed successfully' "$work/gimp.log")" -ne 3 ]; then
  cat "$work/gimp.log" >&2
  echo "a batch command failed" >&2
  exit 1
fi
floor="$(sed -n 's/^plug-in-strandel-benchmark-floor: [0-9]* images read in \([0-9.]*\) s.*/\1/p' "$work/gimp.log")"
runs=($(sed -n 's/^strandel-benchmark: [0-9]* report lines in \([0-9.]*\) s$/\1/p' "$work/gimp.log"))
chain_time() { awk -F'\t' '/^[0-9]/ { s += $3 } END { printf "%.2f", s }' "$1"; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
echo
echo "-- inside one GIMP (seconds for all images; 'chains' is the report's own time column summed)"
printf "%-34s %8s %8s %8s\n" "" total chains "/floor"
printf "%-34s %8s %8s %8s\n" "floor: load + read pixels once" "$floor" "" "1.00"
printf "%-34s %8s %8s %8s\n" "default chain (AiNet)" "${runs[0]}" "$(chain_time "$work/default.txt")" "$(ratio "${runs[0]}" "$floor")"
printf "%-34s %8s %8s %8s\n" "all four algorithms" "${runs[1]}" "$(chain_time "$work/four.txt")" "$(ratio "${runs[1]}" "$floor")"

# 2. The native engine per image, start-up aside (its own benchmark, on 20
#    images of the same kind), against the GIMP engine's time per image
#    inside one GIMP.
native_bench="$build/native_benchmarks"
if [ -x "$native_bench" ]; then
  "$native_bench" --benchmark_format=json >"$work/native.json" 2>/dev/null
  python3 - "$work/native.json" "${runs[0]}" "$count" <<'PY'
import json, sys
runs = {b["name"]: b for b in json.load(open(sys.argv[1]))["benchmarks"]}
def per_image_ms(name, images=1):
    b = runs[name]
    scale = {"ns": 1e-6, "us": 1e-3, "ms": 1.0, "s": 1e3}[b["time_unit"]]
    return b["real_time"] * scale / images
floor = per_image_ms("BM_decode_floor/real_time")
reader = per_image_ms("BM_native_reader/real_time")
one = per_image_ms("BM_runner/1/real_time", 20)
two = per_image_ms("BM_runner/2/real_time", 20)
gimp = float(sys.argv[2]) / int(sys.argv[3]) * 1000
print()
print("-- native engine per image, start-up aside (ms; native_benchmarks, K-Means chain)")
print("decode both files + walk pixels once  %8.2f" % floor)
print("native reader                         %8.2f   %.2f x the floor (goal <= 1.3)" % (reader, reader / floor))
print("runner --jobs 1                       %8.2f" % one)
print("runner --jobs 2                       %8.2f   %.2f x faster (goal >= 1.7)" % (two, one / two))
print("gimp engine (default chain, in GIMP)  %8.2f   %.1f x the native runner (goal >= 30)" % (gimp, gimp / one))
PY
else
  echo "(native_benchmarks is not built: the native engine's per-image figures are skipped)"
fi

# 3. The runner, wall clock.
wall() {  # prints the seconds the command took; its output goes to a log
  local start end
  start="$(date +%s.%N)"
  "$@" >>"$work/runner.log" 2>&1 || { cat "$work/runner.log" >&2; echo "failed: $*" >&2; exit 1; }
  end="$(date +%s.%N)"
  awk -v a="$start" -v b="$end" 'BEGIN { printf "%.2f", b - a }'
}
echo
echo "-- strandel-bench, wall clock in seconds (GIMP start-up included), default chain"
printf "%-22s %8s %8s %10s\n" engine "jobs 1" "jobs 2" "speed-up"
g1="$(wall "$bench" --engine gimp --jobs 1 --list "$list" --out "$work/g1.txt")"
g2="$(wall "$bench" --engine gimp --jobs 2 --list "$list" --out "$work/g2.txt")"
printf "%-22s %8s %8s %10s\n" gimp "$g1" "$g2" "$(ratio "$g1" "$g2")"
if "$bench" --engine native --list "$list" --out "$work/probe.txt" >/dev/null 2>&1; then
  n1="$(wall "$bench" --engine native --jobs 1 --list "$list" --out "$work/n1.txt")"
  n2="$(wall "$bench" --engine native --jobs 2 --list "$list" --out "$work/n2.txt")"
  printf "%-22s %8s %8s %10s\n" native "$n1" "$n2" "$(ratio "$n1" "$n2")"
  echo "gimp / native (jobs 1): $(ratio "$g1" "$n1")"
else
  echo "(the native engine is not available)"
fi
untimed() { awk -F'\t' 'BEGIN { OFS = "\t" } /^[0-9]/ { $3 = "-" } { print }' "$1"; }
diff -q <(untimed "$work/g1.txt") <(untimed "$work/g2.txt") >/dev/null ||
  echo "WARNING: --jobs 2 reported other lines than --jobs 1" >&2
