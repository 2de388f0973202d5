#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Reading speed side by side, in one run (medians; images of noisy regions
# with manual segmentations, as bench/make_bench_images.py writes them):
#
# 1. Per image (image + manual segmentation) at 0.15, 1, 4 and 16 MP: the
#    native reader against a plain zlib inflate of both files, against
#    OpenCV's imread of both (when Debian's python3-opencv is installed),
#    and against GEGL decoding both (the native engine's former path).
# 2. The runner at 1 MP, start-up aside: --jobs 2 against --jobs 1; and
#    whole strandel-bench runs likewise.
# 3. Fixed start-up and peak memory of a native run on one 0.15 MP image.
#    (Run GIMP once before, so that babl's cache ~/.cache/babl exists: it is
#    what GEGL would replay.)
# 4. Per image inside GIMP, GIMP start-up aside (the plug-in's own clock,
#    K-Means chain): the headless procedure, which reads as the batch
#    dialog's worker does, with the in-process reader and with GIMP's
#    loaders (STRANDEL_GIMP_LOADERS=1), against the native runner.
# 5. 50 images of 481 x 321: strandel-bench (default chain) against a
#    Python multi-Otsu script (python3-opencv and python3-skimage).
#
# Usage: bench/side_by_side.sh [BUILD_DIR]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$(cd "${1:-$root/build}" && pwd)"
bench="$build/strandel-bench"
native="$build/native_benchmarks"
plugin="$build/strandel-benchmark"
console="${STRANDEL_GIMP_CONSOLE:-gimp-console-2.10}"
for f in "$bench" "$native" "$plugin"; do
  [ -x "$f" ] || { echo "$f is missing: build the project first" >&2; exit 1; }
done
# Debian's python3-opencv and python3-skimage serve the system interpreter.
py=python3
[ -x /usr/bin/python3 ] && py=/usr/bin/python3
have_cv=0
"$py" -c 'import cv2' 2>/dev/null && have_cv=1
have_peer=0
"$py" -c 'import cv2, skimage.filters' 2>/dev/null && have_peer=1

work="$(mktemp -d "${TMPDIR:-/tmp}/strandel-side-XXXXXX")"
trap 'rm -rf "$work"' EXIT
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (b > 0) printf "%.2f", a / b; else printf "-" }'; }
# Milliseconds per iteration of a Google Benchmark case, from its JSON.
bench_ms() {
  python3 -c '
import json, sys
for b in json.load(open(sys.argv[1]))["benchmarks"]:
    if b["name"] == sys.argv[2]:
        scale = {"ns": 1e-6, "us": 1e-3, "ms": 1.0, "s": 1e3}[b["time_unit"]]
        print("%.3f" % (b["real_time"] * scale / float(sys.argv[3])))' "$@"
}
# Median over N runs of a command: "seconds peak_kB" (the wall clock from
# bash, to the microsecond; the peak from /usr/bin/time).
timed() {
  local n="$1" start end; shift
  for _ in $(seq "$n"); do
    start="$EPOCHREALTIME"
    /usr/bin/time -f "%M" -o "$work/time" "$@" >/dev/null 2>&1 || { echo "failed: $*" >&2; exit 1; }
    end="$EPOCHREALTIME"
    echo "$(awk -v a="$start" -v b="$end" 'BEGIN { printf "%.4f", b - a }') $(cat "$work/time")"
  done | sort -n | awk '{ t[NR] = $1; m[NR] = $2 } END { i = int((NR + 1) / 2); print t[i], m[i] }'
}

echo "== reading speed, $(nproc) cores; times are medians"
echo
echo "-- 1. per image (image + manual segmentation), ms; the native reader, the inflate and OpenCV"
echo "   take turns over 5 rounds (ratios: medians of each round's ratio); gegl: GEGL decoding, as the"
echo "   native engine read every file before, in turns with the native reader"
printf "%-10s %9s %9s %9s %9s %10s %10s\n" size inflate opencv native gegl "/inflate" "/opencv"
median() { sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
for spec in 481x321:20 1000x1000:10 2000x2000:4 4000x4000:2; do
  size="${spec%%:*}" count="${spec##*:}"
  python3 "$root/bench/make_bench_images.py" "$work/$size" "$count" "$size"
  : >"$work/$size.rounds"
  for _ in 1 2 3 4 5; do
    STRANDEL_BENCH_IMAGES="$work/$size" "$native" --benchmark_filter='BM_reader_and_inflate' \
      --benchmark_min_time=0.3 --benchmark_format=json >"$work/$size.json" 2>/dev/null
    cv=0
    [ "$have_cv" -eq 1 ] && cv="$("$py" "$root/bench/opencv_imread.py" "$work/$size" 1)"
    python3 -c '
import json, sys
b = json.load(open(sys.argv[1]))["benchmarks"][0]
cv = float(sys.argv[2])
print("%.3f %.3f %.3f %.2f %.2f %.3f" % (b["inflate_ms"], cv, b["reader_ms"], b["reader_ms"] / b["inflate_ms"],
                                         b["reader_ms"] / cv if cv else 0, b["gegl_ms"]))' \
      "$work/$size.json" "$cv" >>"$work/$size.rounds"
  done
  column() { awk -v c="$1" '{ print $c }' "$work/$size.rounds" | median; }
  cv="$(column 2)" by_cv="$(column 5)"
  [ "$have_cv" -eq 1 ] || { cv="-"; by_cv="-"; }
  printf "%-10s %9.3f %9s %9.3f %9.3f %10.2f %10s\n" "$size" "$(column 1)" "$cv" "$(column 3)" "$(column 6)" \
    "$(column 4)" "$by_cv"
done
[ "$have_cv" -eq 1 ] || echo "(python3-opencv is not installed: no OpenCV column)"

echo
echo "-- 2. the runner at 1 MP (K-Means chain): --jobs 1 and --jobs 2 in turns, 5 rounds"
list="$work/1000x1000/bench.list"
for _ in 1 2 3 4; do cat "$list"; done >"$work/1000x1000/forty.list"
: >"$work/jobs.rounds"
for _ in 1 2 3 4 5; do
  STRANDEL_BENCH_IMAGES="$work/1000x1000" "$native" --benchmark_filter='BM_runner' --benchmark_min_time=0.5 \
    --benchmark_format=json >"$work/runner.json" 2>/dev/null
  one="$(bench_ms "$work/runner.json" BM_runner/1/real_time 10)"
  two="$(bench_ms "$work/runner.json" BM_runner/2/real_time 10)"
  w1="$(timed 1 "$bench" --chain K-Means --jobs 1 --list "$work/1000x1000/forty.list" --out "$work/w1.txt" | cut -d' ' -f1)"
  w2="$(timed 1 "$bench" --chain K-Means --jobs 2 --list "$work/1000x1000/forty.list" --out "$work/w2.txt" | cut -d' ' -f1)"
  echo "$one $two $(ratio "$one" "$two") $w1 $w2 $(ratio "$w1" "$w2")" >>"$work/jobs.rounds"
done
jobs_column() { awk -v c="$1" '{ print $c }' "$work/jobs.rounds" | median; }
one="$(jobs_column 1)"
echo "ms per image, start-up aside: --jobs 1 $one   --jobs 2 $(jobs_column 2)   speed-up $(jobs_column 3)"
echo "whole runs of 40 images, s:   --jobs 1 $(jobs_column 4)   --jobs 2 $(jobs_column 5)   speed-up $(jobs_column 6)"

echo
echo "-- 3. fixed start-up of a native run: one 481 x 321 image, K-Means chain"
[ -e "$HOME/.cache/babl/babl-fishes" ] || echo "(no babl cache in ~/.cache/babl: run GIMP once for the real case)"
one_image="$work/481x321/img00.png"
read -r s kb < <(timed 7 "$bench" --chain K-Means "$one_image" --out "$work/s.txt")
echo "PNG (in-process reader): $(awk -v s="$s" 'BEGIN { printf "%.0f", s * 1000 }') ms, peak $((kb / 1024)) MB"
if [ "$have_cv" -eq 1 ]; then
  "$py" -c 'import cv2, sys; cv2.imwrite(sys.argv[2], cv2.imread(sys.argv[1], 0))' "$one_image" "$work/one.jpg"
  read -r s kb < <(timed 7 "$bench" --chain K-Means "$work/one.jpg" --out "$work/s.txt")
  echo "JPEG (GEGL, started on demand): $(awk -v s="$s" 'BEGIN { printf "%.0f", s * 1000 }') ms, peak $((kb / 1024)) MB"
fi

echo
echo "-- 4. per image inside GIMP at 1 MP (K-Means chain), ms, GIMP start-up aside"
mkdir -p "$work/profile/plug-ins/strandel-benchmark" "$work/profile/gradients"
cp "$plugin" "$work/profile/plug-ins/strandel-benchmark/"
in_gimp() {  # prints ms per image from the plug-in's own summary line
  env "$@" GIMP2_DIRECTORY="$work/profile" TMPDIR="$work" BABL_INHIBIT_CACHE=1 "$console" -i -d -f \
    -b "(plug-in-strandel-benchmark RUN-NONINTERACTIVE \"K-Means\" \"$list\" \"$work/g.txt\" 1)" \
    -b '(gimp-quit 0)' </dev/null 2>&1 |
    sed -n 's/^strandel-benchmark: \([0-9]*\) report lines in \([0-9.]*\) s$/\1 \2/p' |
    awk '{ if ($1 > 0) printf "%.1f", $2 / $1 * 1000 }'
}
: >"$work/gimp.rounds"
for _ in 1 2 3; do  # the native runner and GIMP in turns
  STRANDEL_BENCH_IMAGES="$work/1000x1000" "$native" --benchmark_filter='BM_runner/1' --benchmark_min_time=0.5 \
    --benchmark_format=json >"$work/runner.json" 2>/dev/null
  one="$(bench_ms "$work/runner.json" BM_runner/1/real_time 10)"
  gimp_reader="$(in_gimp STRANDEL_GIMP_LOADERS=0)"
  echo "$one $gimp_reader $(ratio "$gimp_reader" "$one")" >>"$work/gimp.rounds"
done
gimp_loaders="$(in_gimp STRANDEL_GIMP_LOADERS=1)"
gimp_column() { awk -v c="$1" '{ print $c }' "$work/gimp.rounds" | median; }
one="$(gimp_column 1)"
echo "native runner --jobs 1            $one"
echo "in GIMP, in-process reader        $(gimp_column 2)   $(gimp_column 3) x native (in turns)"
echo "in GIMP, GIMP's loaders           $gimp_loaders   $(ratio "$gimp_loaders" "$one") x native"

echo
echo "-- 5. 50 images of 481 x 321, whole runs, s"
python3 "$root/bench/make_bench_images.py" "$work/fifty" 50 481x321
: >"$work/fifty.rounds"
for _ in 1 2 3; do
  n1="$(timed 1 "$bench" --list "$work/fifty/bench.list" --out "$work/f1.txt" | cut -d' ' -f1)"
  n2="$(timed 1 "$bench" --jobs 2 --list "$work/fifty/bench.list" --out "$work/f2.txt" | cut -d' ' -f1)"
  peer=0
  [ "$have_peer" -eq 1 ] &&
    peer="$(timed 1 "$py" "$root/bench/peer_multiotsu.py" "$work/fifty/bench.list" "$work/peer.txt" | cut -d' ' -f1)"
  echo "$n1 $n2 $peer $(ratio "$n1" "$peer") $(ratio "$n2" "$peer")" >>"$work/fifty.rounds"
done
fifty_column() { awk -v c="$1" '{ print $c }' "$work/fifty.rounds" | median; }
echo "strandel-bench (AiNet) --jobs 1   $(fifty_column 1)"
echo "strandel-bench (AiNet) --jobs 2   $(fifty_column 2)"
if [ "$have_peer" -eq 1 ]; then
  echo "Python, OpenCV + multi-Otsu       $(fifty_column 3)   (strandel-bench / Python, in turns: --jobs 1 $(fifty_column 4) x, --jobs 2 $(fifty_column 5) x)"
else
  echo "(python3-opencv or python3-skimage is not installed: no Python peer)"
fi
