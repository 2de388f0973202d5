#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The strandel-batch procedure inside gimp-console with a throw-away
# profile: it registers where and as it should, and a non-interactive run
# succeeds without doing anything.
# Usage: batch_noninteractive.sh GIMP_CONSOLE PLUGIN
set -u
console="$1"
plugin="$2"
dir="$(mktemp -d "${TMPDIR:-/tmp}/strandel-batch-XXXXXX")" || exit 1
trap 'rm -rf "$dir"' EXIT
mkdir -p "$dir/profile/plug-ins/strandel-batch" "$dir/profile/gradients" "$dir/work"
cp "$plugin" "$dir/profile/plug-ins/strandel-batch/strandel-batch" || exit 1

(cd "$dir/work" && GIMP2_DIRECTORY="$dir/profile" "$console" -i -d -f \
  -b '(plug-in-strandel-batch RUN-NONINTERACTIVE)' -b '(gimp-quit 0)' </dev/null >"$dir/log" 2>&1)
cat "$dir/log"

fail() { echo "FAIL: $*" >&2; exit 1; }
grep -q "batch command executed successfully" "$dir/log" || fail "the procedure did not succeed"
grep -q "execution error\|calling error" "$dir/log" && fail "the procedure reported an error"
grep -q "BENCH: \|OUT =>" "$dir/log" && fail "a non-interactive run traced a benchmark"
[ -z "$(ls -A "$dir/work")" ] || fail "a non-interactive run wrote files: $(ls -A "$dir/work")"
rc="$dir/profile/pluginrc"
[ -f "$rc" ] || fail "GIMP wrote no pluginrc"
grep -q '"plug-in-strandel-batch"' "$rc" || fail "plug-in-strandel-batch is not registered"
# GIMP 2.10 files menus registered under <Toolbox> under <Image>.
grep -q '(menu-path "<\(Toolbox\|Image\)>/Segmentation")' "$rc" || fail "the menu path is not <Toolbox>/Segmentation"
grep -q '(proc-arg 0 "run-mode" "Run mode")))' "$rc" || fail "the procedure does not take exactly the run mode"
grep -q '"_Strandel Segmentation (Batch Mode)"' "$rc" || fail "the menu label is wrong"
echo "strandel-batch: registered, non-interactive run succeeded and did nothing"
