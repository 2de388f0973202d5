#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Takes docs/report-page.png: strandel-report's page for 4 chains on 20
# generated images, with thumbnails, in headless Chromium.
#   scripts/report_page_screenshot.sh [BUILD_DIR] [OUT.png]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$(cd "${1:-$root/build}" && pwd)"
out="${2:-$root/docs/report-page.png}"
[[ "$out" == /* ]] || out="$PWD/$out"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
python3 "$root/tests/report_page/make_report_data.py" bench --images 20 --chains 4 --size 320x240 --seed 11
"$build/strandel-report" bench/results-0.csv --segmentations bench/labels --html report.html
chromium --headless --no-sandbox --disable-gpu --disable-background-networking --disable-component-update \
    --disable-sync --no-first-run --user-data-dir="$work/profile" --hide-scrollbars \
    --window-size="${STRANDEL_SCREENSHOT_SIZE:-1400,2400}" --screenshot="$out" "file://$work/report.html" \
    >/dev/null 2>&1 </dev/null
[ -s "$out" ] || { echo "no screenshot written to $out" >&2; exit 1; }
echo "$out"
