#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Takes docs/report-page.png: strandel-report's page of a real run of
# strandel-bench, three chains on the sample benchmark with their label
# images saved (with two annotators per image and a thresholding method's
# own label images, where strandel-bench scores them), in headless Chromium.
#   scripts/report_page_screenshot.sh [BUILD_DIR] [OUT.png]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$(cd "${1:-$root/build}" && pwd)"
out="${2:-$root/docs/report-page.png}"
[[ "$out" == /* ]] || out="$PWD/$out"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
evaluation=() scored=()
if [[ "$("$build/strandel-bench" --help 2>&1)" == *--score* ]] && [ -d "$root/samples/benchmark/annotators" ]; then
    evaluation=(--ground-truth 'annotators/{stem}.{k}.png' --score 'threshold=threshold/{stem}.png')
    scored=(--score 'threshold={dir}/threshold/{stem}.png')
fi
"$build/strandel-bench" --chain AiNet --chain 'K-Means(10, 4); Fuzzy C-Means' \
    --chain 'Particle Swarm Optimization; K-Means' --seed-each 1 --list "$root/samples/benchmark/sample.list" \
    "${evaluation[@]}" --out 'results-{n}.txt' --table results.csv --save-segmentations labels 2>/dev/null
"$build/strandel-report" results.csv --segmentations labels "${scored[@]}" --html report.html --statistics statistics.csv
chromium --headless --no-sandbox --disable-gpu --disable-background-networking --disable-component-update \
    --disable-sync --no-first-run --user-data-dir="$work/profile" --hide-scrollbars \
    --window-size="${STRANDEL_SCREENSHOT_SIZE:-1400,2900}" --screenshot="$out" "file://$work/report.html" \
    >/dev/null 2>&1 </dev/null
[ -s "$out" ] || { echo "no screenshot written to $out" >&2; exit 1; }
echo "$out"
