# SPDX-License-Identifier: GPL-3.0-or-later
# strandel-report from outside: exit statuses, messages naming the file and
# line, and a page that a failed run leaves as it was.
#   bash report_cli.sh PATH_TO_strandel-report
tool="$1"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
passes=0

# expect NAME STATUS TEXT ARGS...: the tool exits with STATUS and its
# standard error (or output) contains TEXT.
expect() {
    local name="$1" status="$2" text="$3"
    shift 3
    out=$("$tool" "$@" 2>&1)
    got=$?
    if [ "$got" -eq "$status" ] && [[ "$out" == *"$text"* ]]; then
        passes=$((passes + 1))
    else
        failures=$((failures + 1))
        echo "FAIL: $name: status $got, output:" >&2
        echo "$out" >&2
    fi
}

header='chain,position,image,manual_segmentation,classes,centres,seconds,turi,dunn,amrane,liu_yang,jaccard'
printf '%s\r\n"AiNet; K-Means(10, 4)",0,a.png,,2,10 200,0.1,1.5,inf,1,nan,\r\n' "$header" >"$work/good.csv"
printf '%s\nK-Means,0,a.png,,2,10 200,0.1,1.5,2,1,3,\nK-Means,1,b.png,,2,10 200,0.1,x,2,1,3,\n' "$header" >"$work/bad.csv"

expect "usage without tables" 2 "Usage: strandel-report TABLE.csv..."
expect "unknown option" 2 "strandel-report: unknown option --pdf" "$work/good.csv" --pdf x
expect "option without value" 2 "--html needs a value" "$work/good.csv" --html
expect "help" 0 "--segmentations DIR" --help
expect "missing table" 1 "strandel-report: $work/none.csv: cannot open: No such file or directory" "$work/none.csv"
expect "malformed table" 1 "strandel-report: $work/bad.csv:3: turi \"x\" is not a decimal, inf, -inf or nan" \
    "$work/good.csv" "$work/bad.csv"
expect "missing segmentations folder" 1 "strandel-report: $work/labels: no such folder" \
    "$work/good.csv" --segmentations "$work/labels" --html "$work/x.html"
expect "text summary" 0 "AiNet; K-Means(10, 4)" "$work/good.csv"

# A failed run leaves an existing page whole and no temporary file.
echo "old page" >"$work/page.html"
expect "failed run keeps the page" 1 "bad.csv:3:" "$work/bad.csv" --html "$work/page.html"
if [ "$(cat "$work/page.html")" = "old page" ] && [ -z "$(ls "$work" | grep tmp)" ]; then
    passes=$((passes + 1))
else
    failures=$((failures + 1))
    echo "FAIL: the page was touched by a failed run" >&2
fi
expect "page replaced" 0 "" "$work/good.csv" --html "$work/page.html"
if grep -q "<!DOCTYPE html>" "$work/page.html"; then passes=$((passes + 1)); else failures=$((failures + 1)); echo "FAIL: no page" >&2; fi
expect "unwritable page" 1 "$work/no/page.html: cannot create a temporary file beside it" \
    "$work/good.csv" --html "$work/no/page.html"

echo "$passes passed, $failures failed"
[ "$failures" -eq 0 ]
