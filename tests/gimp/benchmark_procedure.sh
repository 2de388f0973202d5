#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The strandel-benchmark procedures inside one gimp-console with a
# throw-away profile: each bad argument fails with a message naming it, a
# run on the sample benchmark writes the batch report, and the floor reads
# the same images.
# Usage: benchmark_procedure.sh GIMP_CONSOLE PLUGIN SAMPLE_LIST
set -u
console="$1"
plugin="$2"
list="$3"
dir="$(mktemp -d "${TMPDIR:-/tmp}/strandel-benchmark-XXXXXX")" || exit 1
trap 'rm -rf "$dir"' EXIT
mkdir -p "$dir/profile/plug-ins/strandel-benchmark" "$dir/profile/gradients"
cp "$plugin" "$dir/profile/plug-ins/strandel-benchmark/strandel-benchmark" || exit 1

run() { echo "(plug-in-strandel-benchmark $1)"; }
GIMP2_DIRECTORY="$dir/profile" TMPDIR="$dir" "$console" -i -d -f \
  -b "$(run "RUN-NONINTERACTIVE \"Bogus; K-Means\" \"$list\" \"$dir/bad-chain.txt\" -1")" \
  -b "$(run "RUN-NONINTERACTIVE \"\" \"$dir/none.list\" \"$dir/no-list.txt\" -1")" \
  -b "$(run "RUN-NONINTERACTIVE \"\" \"$list\" \"$dir/no/such/folder/results.txt\" -1")" \
  -b "$(run "RUN-INTERACTIVE \"\" \"$list\" \"$dir/interactive.txt\" -1")" \
  -b "$(run "RUN-NONINTERACTIVE \"\" \"$list\" \"$dir/results.txt\" 3")" \
  -b "(plug-in-strandel-benchmark-floor RUN-NONINTERACTIVE \"$list\")" \
  -b '(gimp-quit 0)' </dev/null >"$dir/log" 2>&1
cat "$dir/log"

failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
expect_error() {  # the Script-Fu report of a failed call, with its message
  grep -qF -- "$1" "$dir/log" || fail "no error '$1'"
}
expect_error "failed on invalid input arguments: chain 'Bogus; K-Means': unknown pass \"Bogus\""
expect_error "failed: Could not open '$dir/none.list': No such file or directory"
expect_error "failed: Could not open '$dir/no/such/folder/results.txt': No such file or directory"
expect_error "failed on invalid input arguments: run-mode 0: plug-in-strandel-benchmark runs only non-interactively"
[ "$(grep -c 'batch command experienced an execution error' "$dir/log")" -eq 4 ] || fail "not exactly four calls failed"
[ "$(grep -c 'batch command executed successfully' "$dir/log")" -eq 2 ] || fail "the run and the floor did not both succeed"
for f in bad-chain.txt no-list.txt interactive.txt; do
  [ -e "$dir/$f" ] && fail "a refused call wrote $f"
done

# The report: the batch dialog's header, one line per sample image in list
# order, the Jaccard column only where a manual segmentation lies beside.
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
  grep -qE "^strandel-benchmark: $((position + 1))/[0-9]+ $folder/$image [0-9]+\.[0-9]{2} s$" "$dir/log" ||
    fail "no progress line for $image"
  position=$((position + 1))
done <"$list"
[ "$(wc -l <"$report")" -eq $((position + 4)) ] || fail "the report has other lines than one per image"
grep -q "^strandel-benchmark: $position report lines in " "$dir/log" || fail "no closing line"
grep -q "^plug-in-strandel-benchmark-floor: $position images read" "$dir/log" || fail "the floor did not read every image"

[ "$failures" -eq 0 ] || exit 1
echo "strandel-benchmark: errors named, sample report written, floor read"
