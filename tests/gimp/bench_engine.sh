#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# strandel-bench --engine gimp from outside: the report of a run on the
# sample benchmark equals the native engine's and the one of --jobs 2 (times
# aside), a bad call fails with GIMP's message, and an interrupted run
# leaves no GIMP process and no temporary file behind.
# Usage: bench_engine.sh STRANDEL_BENCH SAMPLE_LIST
set -u
bench="$1"
list="$2"
dir="$(mktemp -d "${TMPDIR:-/tmp}/strandel-bench-engine-XXXXXX")" || exit 1
trap 'rm -rf "$dir"' EXIT
mkdir "$dir/tmp"
export TMPDIR="$dir/tmp"

failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
# A report without its time column.
untimed() { awk -F'\t' 'BEGIN { OFS = "\t" } /^[0-9]/ { $3 = "-" } { print }' "$1"; }

"$bench" --engine gimp --list "$list" --out "$dir/one.txt" 2>"$dir/one.err"
status=$?
cat "$dir/one.err"
[ "$status" -eq 0 ] || fail "the gimp engine failed ($status)"
images="$(grep -c . "$list")"
[ "$(grep -c '^strandel-bench: [0-9]*/'"$images"' .* s$' "$dir/one.err")" -eq "$images" ] ||
  fail "not one progress line per image"
[ "$(grep -c '^[0-9]' "$dir/one.txt")" -eq "$images" ] || fail "not one report line per image"

# The same images named on the command line, shared by two GIMPs.
folder="$(dirname "$list")"
mapfile -t files < <(sed "s|^|$folder/|" "$list")
"$bench" --engine gimp --jobs 2 "${files[@]}" --out "$dir/two.txt" 2>"$dir/two.err" || fail "--jobs 2 failed"
diff <(untimed "$dir/one.txt") <(untimed "$dir/two.txt") || fail "--jobs 2 reported other lines than one GIMP"
[ "$(grep -c '^strandel-bench: [0-9]*/'"$images"' ' "$dir/two.err")" -eq "$images" ] ||
  fail "--jobs 2: not one progress line per image"
# One closing count for the whole run, as one GIMP and the native engine say it.
closing() { grep 'ground truth found for' "$1" | sed 's/^strandel-bench: //'; }
[ "$(closing "$dir/two.err" | wc -l)" -eq 1 ] || fail "--jobs 2: not one closing line for the run"
[ "$(closing "$dir/two.err")" = "$(closing "$dir/one.err")" ] ||
  fail "--jobs 2: the closing line is not one GIMP's: $(closing "$dir/two.err")"

if "$bench" --engine native --list "$list" --out "$dir/native.txt" 2>/dev/null; then
  diff <(untimed "$dir/one.txt") <(untimed "$dir/native.txt") || fail "the engines' reports differ"
else
  echo "(the native engine is not available: its comparison is skipped)"
fi

# Every pixel layout, a size that is not a multiple of the tile size, a
# 16-bit file, an interlaced one, ICC-tagged and gAMA-tagged ones, a JPEG, a
# manual segmentation of another size, a file that does not decode, a
# truncated one and one too large to count; JPEGs progressive, with restart
# markers, CMYK, turned by their EXIF orientation (with JPEG labels), with
# a damaged colour JPEG as labels, with a second frame header after the
# pixels, cut in their pixels, cut in their
# tables, empty; indexed PNGs (a gray ramp, colours with a transparent
# one), a GIF with a transparent colour and an animated one; 16-bit TIFFs
# whole and cut, a TIFF of two pages: both engines (native with one and two
# jobs) read them alike, and so do GIMP's own loaders
# (STRANDEL_GIMP_LOADERS=1), which the in-process reader stands in for.
if "$bench" --engine native --help >/dev/null 2>&1; then
  python3 "$(dirname "$0")/../native/make_test_images.py" "$dir/layouts" || fail "could not make the test images"
  layouts=()
  for name in gray graya rgb rgba deep linear broken interlaced iccp huge truncated; do
    layouts+=("$dir/layouts/$name.png")
  done
  for name in bands.jpg bands_prog.jpg bands_rst.jpg bands_cmyk.jpg bands_turned.jpg second_frame.jpg cut_half.jpg cut_400.jpg \
    empty.jpg indexed.png ramp.png bands.gif frames.gif deep_strips.tif deep_cut.tif pages.tif; do
    layouts+=("$dir/layouts/$name")
  done
  for chain in "" "K-Means(10, 3); Fuzzy C-Means"; do
    "$bench" --engine gimp --chain "$chain" "${layouts[@]}" --out "$dir/layouts-gimp.txt" 2>/dev/null ||
      fail "the gimp engine failed on the layouts (chain '$chain')"
    STRANDEL_GIMP_LOADERS=1 "$bench" --engine gimp --chain "$chain" "${layouts[@]}" \
      --out "$dir/layouts-loaders.txt" 2>/dev/null || fail "GIMP's loaders failed on the layouts (chain '$chain')"
    "$bench" --engine native --chain "$chain" "${layouts[@]}" --out "$dir/layouts-native.txt" 2>/dev/null ||
      fail "the native engine failed on the layouts (chain '$chain')"
    "$bench" --engine native --jobs 2 --chain "$chain" "${layouts[@]}" --out "$dir/layouts-native2.txt" 2>/dev/null ||
      fail "the native engine with two jobs failed on the layouts (chain '$chain')"
  done
  [ "$(grep -c '^[0-9]' "$dir/layouts-gimp.txt")" -eq 38 ] || fail "not 19 lines per chain from the layouts"
  diff <(untimed "$dir/layouts-native2.txt") <(untimed "$dir/layouts-native.txt") ||
    fail "the native engine read the layouts differently with two jobs"
  diff <(untimed "$dir/layouts-gimp.txt") <(untimed "$dir/layouts-native.txt") ||
    fail "the engines' reports on the layouts differ"
  # GIMP 3's own loaders read two of these files otherwise than GIMP 2.10's,
  # which the in-process reader (and so every engine's report, in GIMP 3
  # too) follows: a CMYK JPEG, which GIMP 3 converts through colour
  # management, and a JPEG turned by its EXIF orientation, which GIMP 3
  # leaves as stored when loading it non-interactively. Their lines are
  # left out of this one comparison under GIMP 3 (STRANDEL_GIMP_MAJOR=3).
  loader_lines() {
    local skip=() i
    if [ "${STRANDEL_GIMP_MAJOR:-2}" = 3 ]; then
      for i in "${!layouts[@]}"; do
        case "${layouts[$i]}" in */bands_cmyk.jpg | */bands_turned.jpg) skip+=("$i") ;; esac
      done
    fi
    untimed "$1" | awk -F'\t' -v skip="${skip[*]}" 'BEGIN { n = split(skip, s, " "); for (i = 1; i <= n; i++) out[s[i]] = 1 }
      !(/^[0-9]/ && ($1 in out))'
  }
  diff <(loader_lines "$dir/layouts-loaders.txt") <(loader_lines "$dir/layouts-native.txt") ||
    fail "GIMP's loaders and the native engine read the layouts differently"
fi

# Two chains, a swarm among them, seeded per image: two GIMPs write the
# native engine's reports and table (times aside).
if "$bench" --engine native --help >/dev/null 2>&1; then
  seeded=(--chain "Particle Swarm Optimization; K-Means" --chain "K-Means(10, 3)" --seed-each 9 --list "$list")
  "$bench" --engine gimp --jobs 2 "${seeded[@]}" --out "$dir/g-{n}.txt" --table "$dir/g.csv" 2>/dev/null ||
    fail "the gimp engine failed on two seeded chains"
  "$bench" --engine native "${seeded[@]}" --out "$dir/n-{n}.txt" --table "$dir/n.csv" 2>/dev/null ||
    fail "the native engine failed on two seeded chains"
  # The table's provenance names the GIMP that made it.
  version="$(python3 -c 'import json, sys; print(json.load(open(sys.argv[1])).get("gimp", ""))' "$dir/g.csv.json")"
  case $version in
    "GNU Image Manipulation Program version ${STRANDEL_GIMP_MAJOR:-2}."*) ;;
    *) fail "the GIMP engine's provenance names GIMP '$version'" ;;
  esac
  for n in 1 2; do
    diff <(untimed "$dir/g-$n.txt") <(untimed "$dir/n-$n.txt") || fail "seeded chain $n: the engines' reports differ"
  done
  "$bench" --merge "$dir/n-ordered.csv" "$dir/n.csv" || fail "could not order the native table"
  untimed_table() { python3 -c 'import csv, sys
for row in csv.reader(open(sys.argv[1], newline="")): row[6] = "-"; print(row)' "$1"; }
  diff <(untimed_table "$dir/g.csv") <(untimed_table "$dir/n-ordered.csv") || fail "the engines' tables differ"

  # Images named relative to the folder the run starts in, a missing one
  # among them, and the table in another folder: one GIMP, two GIMPs (whose
  # shares are joined) and the native engine write the same rows, skipped
  # ones included, with paths relative to the table's folder.
  mapfile -t names <"$list"
  relative=(--chain "K-Means(10, 3)" --chain "AiNet" --seed-each 2 "${names[@]}" missing.png)
  for engine in "gimp --jobs 1" "gimp --jobs 2" "native --jobs 1"; do
    tag=${engine// /}
    mkdir -p "$dir/tables/$tag"
    # shellcheck disable=SC2086
    (cd "$folder" && "$bench" --engine $engine "${relative[@]}" --out "$dir/rel-$tag-{n}.txt" \
      --table "$dir/tables/$tag/t.csv" 2>/dev/null) || fail "relative images, table elsewhere: $engine failed"
    "$bench" --merge "$dir/tables/$tag.csv" "$dir/tables/$tag/t.csv" || fail "could not order the table of $engine"
  done
  python3 -c 'import csv, os, sys
table = sys.argv[1]
rows = list(csv.DictReader(open(table, newline="")))
missing = [r for r in rows if not os.path.isfile(os.path.join(os.path.dirname(table), r["image"]))]
sys.exit(len(missing) != 2 or any(r["status"] != "skipped: No such file or directory" for r in missing))' \
    "$dir/tables/gimp--jobs2/t.csv" || fail "the GIMP engine's table paths do not resolve against its folder"
  for tag in gimp--jobs1 gimp--jobs2; do
    diff <(untimed_table "$dir/tables/$tag.csv") <(untimed_table "$dir/tables/native--jobs1.csv") ||
      fail "relative images: the tables of $tag and of the native engine differ"
  done
fi

# Evaluation runs: several annotators (8- and 16-bit label images), MATLAB
# ground truths, a scored method (one label image missing), the boundary
# measures, the long table, --gray luma and --levels stretch on colour and
# 16-bit PNGs and TIFFs: one GIMP, two GIMPs, GIMP's own loaders and the
# native engine write the same reports, tables and long tables.
if "$bench" --engine native --help >/dev/null 2>&1 &&
  /usr/bin/python3 "$(dirname "$0")/make_evaluation_set.py" "$dir/eval" >/dev/null; then
  ordered() { rm -f "$1.ordered"; "$bench" --merge "$1.ordered" "$1" && python3 -c 'import csv, sys
for row in csv.reader(open(sys.argv[1], newline="")): row[6] = "-"; print(row)' "$1.ordered"; }
  run=0
  for setting in "--ground-truth gt/{stem}.{k}.png --boundary" "--ground-truth mat/{stem}.mat --gray luma" \
    "--ground-truth gt/{stem}.{k}.png --levels stretch --gray luma"; do
    run=$((run + 1))
    for engine in "gimp --jobs 1" "gimp --jobs 2" "loaders --jobs 1" "native --jobs 2"; do
      tag="$run-${engine// /}"
      loaders=0
      [ "${engine%% *}" = loaders ] && loaders=1 engine="gimp ${engine#* }"
      # shellcheck disable=SC2086
      (cd "$dir/eval" && STRANDEL_GIMP_LOADERS=$loaders "$bench" --engine $engine --chain "K-Means(10, 3)" \
        --chain "AiNet; Fuzzy C-Means" --seed-each 4 --list eval.list --score method=method/{stem}.png $setting \
        --out "$dir/eval/$tag-{n}.txt" --table "$dir/eval/$tag.csv" --table-annotators "$dir/eval/$tag-long.csv" \
        2>"$dir/eval/$tag.err") || { fail "evaluation run $run on $engine failed"; cat "$dir/eval/$tag.err"; }
    done
    for tag in "$run-gimp--jobs1" "$run-gimp--jobs2" "$run-loaders--jobs1"; do
      for n in 1 2 3; do
        diff <(untimed "$dir/eval/$tag-$n.txt") <(untimed "$dir/eval/$run-native--jobs2-$n.txt") ||
          fail "evaluation run $run: report $n of $tag differs from the native engine's"
      done
      diff <(ordered "$dir/eval/$tag.csv") <(ordered "$dir/eval/$run-native--jobs2.csv") ||
        fail "evaluation run $run: the table of $tag differs from the native engine's"
      diff "$dir/eval/$tag-long.csv" "$dir/eval/$run-native--jobs2-long.csv" ||
        fail "evaluation run $run: the long table of $tag differs from the native engine's"
    done
    grep -q '^Algorithm: method $' "$dir/eval/$run-native--jobs2-3.txt" || fail "evaluation run $run: no method report"
  done
  python3 -c 'import csv, sys
rows = list(csv.DictReader(open(sys.argv[1], newline="")))
ok = all(r["annotators"] == "2" for r in rows if r["status"] == "ok")
ok = ok and sum(r["status"].startswith("skipped: no label image") for r in rows) == 1
ok = ok and all(r["boundary_f"] != "" for r in rows if r["status"] == "ok")
sys.exit(not ok)' "$dir/eval/1-native--jobs2.csv" || fail "evaluation run 1: annotators, skipped method row or boundary F wrong"
fi

# GIMP's own error, from a profile without the plug-in.
mkdir -p "$dir/empty-profile"
"$bench" --engine gimp --profile "$dir/empty-profile" --list "$list" --out "$dir/none.txt" 2>"$dir/none.err"
status=$?
cat "$dir/none.err"
[ "$status" -eq 1 ] || fail "a profile without the plug-in gave status $status"
grep -q "unbound variable: plug-in-strandel-benchmark.*cmake --install" "$dir/none.err" ||
  fail "no clear message for a profile without the plug-in"
[ -e "$dir/none.txt" ] && fail "a failed run wrote a report"

# Processes started by the runner: GIMP and its plug-ins carry a TMPDIR
# inside ours.
ours() {
  local p
  for p in /proc/[0-9]*; do
    { tr '\0' '\n' <"$p/environ" | grep -q "^TMPDIR=$TMPDIR/"; } 2>/dev/null &&
      echo -n " $(basename "$p"):$(cat "$p/comm" 2>/dev/null)"
  done
}

# Ctrl-C while the plug-ins run (kept busy by GIMP's loaders: the
# in-process reader would be through the list before the signal comes).
STRANDEL_GIMP_LOADERS=1 "$bench" --engine gimp --jobs 2 --list "$list" --out "$dir/stopped.txt" 2>"$dir/stopped.err" &
runner=$!
for _ in $(seq 1 600); do
  grep -q '^strandel-bench: [0-9]*/' "$dir/stopped.err" && break
  kill -0 "$runner" 2>/dev/null || break
  sleep 0.05
done
grep -q '^strandel-bench: [0-9]*/' "$dir/stopped.err" || fail "no image was under way when the runner was stopped"
[ -n "$(ours)" ] || fail "no GIMP process found while the run was under way"
kill -INT "$runner"
wait "$runner"
status=$?
cat "$dir/stopped.err"
[ "$status" -eq 130 ] || fail "an interrupted runner exited with $status, not 130"
# The images the GIMPs finished keep their lines, in list order, under one
# header.
finished="$(grep -c '^strandel-bench: [0-9]*/' "$dir/stopped.err")"
kept="$(grep -c '^[0-9]' "$dir/stopped.txt")"
[ "$kept" -ge "$finished" ] || fail "$finished images were done but $kept lines kept"
[ "$(grep -c '^Algorithm: ' "$dir/stopped.txt")" -eq 1 ] || fail "not one header in the stopped run's report"
positions="$(grep '^[0-9]' "$dir/stopped.txt" | cut -f1)"
[ "$positions" = "$(sort -n <<<"$positions")" ] || fail "kept lines out of order: $(echo $positions)"
[ -z "$(ours)" ] || fail "processes left behind:$(ours)"
[ -z "$(ls -A "$TMPDIR")" ] || fail "temporary files left behind: $(ls -A "$TMPDIR")"

[ "$failures" -eq 0 ] || exit 1
echo "strandel-bench --engine gimp: same report as native and as --jobs 2, errors relayed, Ctrl-C cleans up"
