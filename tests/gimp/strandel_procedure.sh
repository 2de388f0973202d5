#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs the in-GIMP cases that call plug-in-strandel, with that plug-in
# installed beside the test plug-in in a throw-away profile, and checks how
# the procedure registered.
# Usage: strandel_procedure.sh GIMP_CONSOLE TEST_PLUGIN STRANDEL_PLUGIN
set -u
console="$1"
tests="$2"
plugin="$3"
dir="$(mktemp -d "${TMPDIR:-/tmp}/strandel-procedure-XXXXXX")" || exit 1
trap 'rm -rf "$dir"' EXIT
mkdir -p "$dir/profile/plug-ins/strandel-gimp-tests" "$dir/profile/plug-ins/strandel" "$dir/profile/gradients"
cp "$tests" "$dir/profile/plug-ins/strandel-gimp-tests/strandel-gimp-tests" || exit 1
cp "$plugin" "$dir/profile/plug-ins/strandel/strandel" || exit 1
result="$dir/result.xml"

GIMP2_DIRECTORY="$dir/profile" "$console" -i -d -f \
  -b "(plug-in-strandel-gimp-tests RUN-NONINTERACTIVE \"$result\" \"--gtest_filter=StrandelProcedure.*:PaintSegmentation.*\")" \
  -b '(gimp-quit 0)' </dev/null >"$dir/log" 2>&1
cat "$dir/log"

fail() { echo "FAIL: $*" >&2; exit 1; }
[ -s "$result" ] || fail "the test plug-in wrote no result file"
root="$(grep -m1 '<testsuites' "$result")"
attr() { sed -n "s/.* $1=\"\([0-9]*\)\".*/\1/p" <<<"$root"; }
echo "plug-in-strandel cases: $(attr tests) run, $(attr failures) failed, $(attr disabled) disabled"
grep -q '<skipped' "$result" && fail "cases were skipped: plug-in-strandel was not found"
[ "$(attr tests)" -gt 0 ] && [ "$(attr failures)" -eq 0 ] && [ "$(attr errors)" -eq 0 ] || fail "see the log above"

rc="$dir/profile/pluginrc"
grep -q '"plug-in-strandel"' "$rc" || fail "plug-in-strandel is not registered"
grep -A40 '"plug-in-strandel"' "$rc" | grep -q '(menu-path "<Image>/Segmentation")' || fail "not in <Image>/Segmentation"
grep -A40 '"plug-in-strandel"' "$rc" | grep -q '"_Strandel Segmentation..."' || fail "wrong menu label"
grep -A40 '"plug-in-strandel"' "$rc" | grep -q '^ *"RGB\*, GRAY\*"$' || fail "wrong image types"
echo "plug-in-strandel: registered in <Image>/Segmentation, cases passed"
