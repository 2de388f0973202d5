# SPDX-License-Identifier: GPL-3.0-or-later
# strandel-report from outside: exit statuses, messages naming the file and
# line, a page that a failed run leaves as it was and that never takes the
# place of an input, tables cut short or too large, special files, paths
# from another folder, skipped images.
#   bash report_cli.sh PATH_TO_strandel-report PYTHON MAKE_REPORT_DATA
tool="$1"
python="${2:-python3}"
make_data="${3:-$(dirname "$0")/make_report_data.py}"
program="$tool"
source "$(dirname "$0")/cli_support.bash"

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

# The page is never one of the files it reads, under whatever name.
cp "$work/good.csv" "$work/input.csv"
expect "page over its table" 1 "the page would overwrite the table '$work/input.csv'" \
    "$work/input.csv" --html "$work/input.csv"
ln -s input.csv "$work/link.csv"
expect "page over its table through a link" 1 "the page would overwrite the table" \
    "$work/input.csv" --html "$work/link.csv"
check "the table is left whole" cmp -s "$work/good.csv" "$work/input.csv"
check "the link is left" test -L "$work/link.csv"
mkdir -p "$work/set/img" "$work/set/labels"
"$python" - "$work/set/img" <<'PY'
import struct, sys, zlib
def png(path, w, h, value):
    raw = b"".join(b"\0" + bytes([value]) * w for _ in range(h))
    chunk = lambda k, b: struct.pack(">I", len(b)) + k + b + struct.pack(">I", zlib.crc32(k + b))
    open(path, "wb").write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", w, h, 8, 0, 0, 0, 0))
                           + chunk(b"IDAT", zlib.compress(raw)) + chunk(b"IEND", b""))
for name, value in [("a.png", 10), ("a_seg.png", 0), ("b.png", 200)]:
    png(sys.argv[1] + "/" + name, 8, 6, value)
png(sys.argv[1] + "/../labels/a.1.png", 8, 6, 1)
png(sys.argv[1] + "/../labels/b.1.png", 8, 6, 0)
PY
printf '%s\r\nK,0,img/a.png,img/a_seg.png,2,1 2,0.1,1,2,3,4,0.5\r\nK,1,img/b.png,,2,1 2,0.1,2,2,3,4,\r\n' \
    "$header" >"$work/set/t.csv"
# The same with the status column of newer tables, and a skipped image.
printf '%s,status\r\nK,0,img/a.png,img/a_seg.png,2,1 2,0.1,1,2,3,4,0.5,ok\r\nK,1,img/b.png,,2,1 2,0.1,2,2,3,4,,ok\r\nK,2,img/c.png,,,,,,,,,,"skipped: it is a FIFO (named pipe), not an image file"\r\n' \
    "$header" >"$work/set/st.csv"
cp "$work/set/labels/a.1.png" "$work/label-copy.png"
expect "page over a label image" 1 "the page would overwrite the label image '$work/set/labels/a.1.png'" \
    "$work/set/t.csv" --segmentations "$work/set/labels" --html "$work/set/labels/a.1.png"
check "the label image is left whole" cmp -s "$work/label-copy.png" "$work/set/labels/a.1.png"
expect "page over an image" 1 "the page would overwrite the image" "$work/set/t.csv" --html "$work/set/img/../img/b.png"

# Paths are the table's, from wherever the report runs; skipped images are
# counted and listed.
out=$(cd / && "$tool" "$work/set/t.csv" --segmentations "$work/set/labels" --html "$work/set/page.html" 2>&1)
check "a report from another folder finds every thumbnail ($out)" test -z "$out"
check "no placeholder on the page" bash -c "! grep -q 'no preview' '$work/set/page.html'"
"$tool" "$work/set/st.csv" --html "$work/set/skipped.html"
check "the skipped image is listed" grep -q 'it is a FIFO (named pipe), not an image file' "$work/set/skipped.html"
check "the header counts it" grep -q '2 images read, <a href="#skipped">1 skipped</a>' "$work/set/skipped.html"
expect "summary counts skipped images" 0 "1 chain, 2 images read, 1 skipped" "$work/set/st.csv"
# A table of an older run names its images from the folder it ran in.
mkdir -p "$work/old"
sed 's#img/#set/img/#g' "$work/set/t.csv" >"$work/old/t.csv"
out=$(cd "$work" && "$tool" old/t.csv --segmentations set/labels --html old/page.html 2>&1)
check "an older table's paths are found from the current folder, once said ($out)" \
    test "$(grep -c 'taken from the current folder' <<<"$out")" = 1
check "an older table's thumbnails show" bash -c "! grep -q 'no preview' '$work/old/page.html'"
# Thumbnails that cannot be made are counted on standard error.
out=$("$tool" "$work/set/t.csv" --segmentations "$work" --html "$work/nolabels.html" 2>&1)
check "missing label images are counted ($out)" \
    grep -q "2 label images: No such file or directory (first: $work/a.1.png)" <<<"$out"
# One image by a relative and by an absolute path is one image; chains
# without an image in common are no comparison.
sed "s#img/#$work/set/img/#g; s#^K,#F,#" "$work/set/t.csv" >"$work/set/abs.csv"
expect "relative and absolute paths match" 0 "mean rank over 2 images" "$work/set/t.csv" "$work/set/abs.csv"
printf '%s\r\nF,0,elsewhere.png,,2,1 2,0.1,1,2,3,4,\r\n' "$header" >"$work/other.csv"
expect "no image in common" 1 "the 2 chains have no image in common" "$work/good.csv" "$work/other.csv"

# Tables cut short, endless or not regular files are refused.
printf '%s\r\nK,0,a.png,,2,1 2,0.1,1,2,3,4,0.8466557911908646\r\nK,1,b.png,,2,1 2,0.1,1,2,3,4,0.84' "$header" >"$work/cut.csv"
expect "a row cut short" 1 "$work/cut.csv:3: the last row has no line end" "$work/cut.csv"
expect "a device" 1 "/dev/zero: it is a device, not a regular file" /dev/zero
mkfifo "$work/fifo.csv"
expect "a FIFO" 1 "$work/fifo.csv: it is a FIFO (named pipe), not a regular file" "$work/fifo.csv"
head -c 2000000 /dev/zero >"$work/zeros.csv"
expect "a line of 2 MB" 1 "$work/zeros.csv:1: line longer than 1048576 bytes" "$work/zeros.csv"
# A FIFO named like a label image gets a placeholder, and the run ends.
mv "$work/set/labels/b.1.png" "$work/b.1.png"
mkfifo "$work/set/labels/b.1.png"
out=$(timeout 20 "$tool" "$work/set/t.csv" --segmentations "$work/set/labels" --html "$work/fifo.html" 2>&1)
check "a FIFO label image is skipped with a note ($out)" \
    grep -q "1 label image: it is a FIFO (named pipe), not a regular file" <<<"$out"

# A byte order mark, terminal escapes, values near the largest double.
printf '\xEF\xBB\xBF%s\r\n"K\x1b[31m",0,a.png,,2,1 2,0.1,1.7e308,2,3,4,\r\n"K\x1b[31m",1,b.png,,2,1 2,0.1,-1.7e308,2,3,4,\r\n' \
    "$header" >"$work/odd.csv"
out=$("$tool" "$work/odd.csv" 2>&1)
check "a table with a byte order mark reads, escapes stay escaped ($out)" \
    bash -c '[[ "$1" == *"K\x1B[31m"* && "$1" != *$'"'"'\e'"'"'* ]]' _ "$out"
"$tool" "$work/odd.csv" --html "$work/odd.html"
check "a page of values near the largest double" grep -q "<svg" "$work/odd.html"
check "no NaN coordinate in the box plots" bash -c "! grep -Eq '=\"-?nan\"' '$work/odd.html'"

# A page that is no regular file is written to, never renamed over; a link
# to a regular file keeps its link.
# (A link of its own to /proc/self/fd/1 stands for /dev/stdout, which a
# faulty tool would replace.)
ln -s /proc/self/fd/1 "$work/stdout"
"$tool" "$work/good.csv" --html "$work/stdout" | cat >"$work/piped.html"
check "the page through standard output into a pipe" grep -q "<!DOCTYPE html>" "$work/piped.html"
check "the link to standard output is still a link" test -L "$work/stdout"
"$tool" "$work/good.csv" --html "$work/stdout" >"$work/stdout.html"
check "the page through standard output into a file" grep -q "<!DOCTYPE html>" "$work/stdout.html"
check "the link to standard output is still one" test -L "$work/stdout"
mkfifo "$work/page.fifo"
timeout 60 cat "$work/page.fifo" >"$work/from-fifo.html" &
timeout 60 "$tool" "$work/good.csv" --html "$work/page.fifo"
wait
check "the page through a FIFO" grep -q "<!DOCTYPE html>" "$work/from-fifo.html"
check "the FIFO is still one" test -p "$work/page.fifo"
echo old >"$work/real.html"
ln -s real.html "$work/page-link.html"
"$tool" "$work/good.csv" --html "$work/page-link.html"
check "a link to the page stays a link" test -L "$work/page-link.html"
check "the page it leads to is replaced" grep -q "<!DOCTYPE html>" "$work/real.html"

# A run ended by a signal: the page is the old one or none, never a part;
# a catchable signal removes the temporary file, and a later run removes
# what a killed one left. Ten names of one 8000 x 8000 image make the run
# last long enough to be signalled while it writes.
mkdir -p "$work/slow"
"$python" - "$work/slow/big.png" <<'PY'
import struct, sys, zlib
w = h = 8000
row = b"\0" + bytes(range(256)) * (w // 256) + bytes(w % 256)
data = zlib.compressobj(1)
idat = b"".join(data.compress(row) for _ in range(h)) + data.flush()
chunk = lambda k, b: struct.pack(">I", len(b)) + k + b + struct.pack(">I", zlib.crc32(k + b))
open(sys.argv[1], "wb").write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", w, h, 8, 0, 0, 0, 0))
                       + chunk(b"IDAT", idat) + chunk(b"IEND", b""))
PY
{
    printf '%s\r\n' "$header"
    for i in $(seq 0 9); do
        ln -s big.png "$work/slow/big$i.png"
        printf 'K,%d,big%d.png,,2,1 2,0.1,1,2,3,4,\r\n' "$i" "$i"
    done
} >"$work/slow/t.csv"
# (Job control, so that a job started in the background takes SIGINT.)
set -m
for signal in TERM INT HUP KILL; do
    echo "old page" >"$work/slow/page.html"
    "$tool" "$work/slow/t.csv" --segmentations "$work/slow" --html "$work/slow/page.html" 2>/dev/null &
    pid=$!
    for _ in $(seq 2000); do
        compgen -G "$work/slow/page.html.tmp-*" >/dev/null && break
        sleep 0.01
    done
    kill -s "$signal" "$pid"
    wait "$pid"
    status=$?
    check "SIG$signal ends the run as the signal does ($status)" test "$status" -eq $((128 + $(kill -l "$signal")))
    check "SIG$signal leaves the old page" test "$(cat "$work/slow/page.html")" = "old page"
    leftovers=$(compgen -G "$work/slow/page.html.tmp-*" | wc -l)
    if [ "$signal" = KILL ]; then
        check "SIGKILL leaves its temporary file ($leftovers)" test "$leftovers" -eq 1
    else
        check "SIG$signal removes its temporary file ($leftovers)" test "$leftovers" -eq 0
    fi
done
set +m
# A young leftover may belong to a run on its way to locking it; an old one
# nobody holds is removed by the next run writing that page.
"$tool" "$work/good.csv" --html "$work/slow/page.html"
check "a young leftover is kept" test "$(compgen -G "$work/slow/page.html.tmp-*" | wc -l)" -eq 1
touch -d '-1 minute' "$work"/slow/page.html.tmp-*
"$tool" "$work/good.csv" --html "$work/slow/page.html"
check "an old leftover is removed" test "$(compgen -G "$work/slow/page.html.tmp-*" | wc -l)" -eq 0
check "and the page written" grep -q "<!DOCTYPE html>" "$work/slow/page.html"

# --statistics: the file of the tests, never over an input or the page.
"$python" "$make_data" "$work/big" --images 240 --chains 2 --size 8x6 >/dev/null
big="$work/big/results-0.csv"
expect "statistics written" 0 "Friedman chi-square" "$big" --statistics "$work/stats.csv"
check "statistics header" grep -q "^measure,method_a,method_b,test,statistic,p_value,p_holm,images," "$work/stats.csv"
check "a Friedman row per chain of each measure" \
    test "$(grep '^jaccard,' "$work/stats.csv" | grep -c ',,friedman,')" -eq 2
expect "statistics over the table" 1 "the statistics would overwrite the table" "$big" --statistics "$big"
expect "statistics over the page" 1 "--statistics and --html name one file" \
    "$big" --statistics "$work/same.html" --html "$work/same.html"
expect "self-contained needs a page" 2 "--self-contained needs --html" "$big" --self-contained

# Past 200 images the page keeps its data and thumbnails in OUT_files; a
# second run reuses the thumbnails and removes those no longer shown.
expect "a page with its folder" 0 "" "$big" --segmentations "$work/big/labels" --html "$work/big.html"
check "the folder's data" test -s "$work/big_files/data.js"
check "the folder's thumbnails" test "$(ls "$work/big_files/thumbs" | wc -l)" -eq $((240 * 4))
check "the page loads them" grep -q 'src="big_files/data.js"' "$work/big.html"
touch "$work/big_files/thumbs/0123456789abcdef.png" "$work/big_files/thumbs/mine.txt"
touch -d '-1 minute' "$work/big/labels/img000.1.png"
touch "$work/before-second-run"
sleep 0.05
expect "the page again" 0 "" "$big" --segmentations "$work/big/labels" --html "$work/big.html"
check "an earlier run's thumbnail removed" test ! -e "$work/big_files/thumbs/0123456789abcdef.png"
check "other files kept" test -e "$work/big_files/thumbs/mine.txt"
check "only the changed label image's thumbnail made again" \
    test "$(find "$work/big_files/thumbs" -name '*.png' -newer "$work/before-second-run" | wc -l)" -eq 1
expect "self-contained on request" 0 "" "$big" --segmentations "$work/big/labels" --html "$work/one.html" --self-contained
check "embedded thumbnails" grep -q 'data:image/png;base64' "$work/one.html"
check "no folder for one file" test ! -e "$work/one_files"
expect "the big page as one file" 0 "" "$big" --segmentations "$work/big/labels" --html "$work/big.html" --self-contained
check "its earlier folder removed, other files kept" test -e "$work/big_files/thumbs/mine.txt" -a ! -e "$work/big_files/data.js" \
    -a "$(ls "$work/big_files/thumbs")" = mine.txt
"$python" "$make_data" "$work/huge" --images 1600 --chains 2 --size 4x3 >/dev/null
expect "too many thumbnails for one file" 1 "thumbnails in one file would make a page" \
    "$work/huge/results-0.csv" --segmentations "$work/huge/labels" --html "$work/huge.html" --self-contained
rm -rf "$work/taken_files"; echo x >"$work/taken_files"
expect "the folder's name taken by a file" 1 "the page's folder is taken by a file that is no folder" \
    "$big" --html "$work/taken.html"
mkdir -p "$work/inside_files"; cp -r "$work/big/labels" "$work/inside_files/labels"
expect "inputs inside the folder" 1 "the page's folder holds the label image" \
    "$big" --segmentations "$work/inside_files/labels" --html "$work/inside.html"

# --score: a scored method's label images where its pattern names them.
"$python" "$make_data" "$work/scored" --images 6 --chains 2 --size 8x6 --literature >/dev/null
mkdir "$work/scored/own"
for f in "$work"/scored/labels/*.3.png; do b=$(basename "$f" .3.png); mv "$f" "$work/scored/own/$b.png"; done
expect "a scored method's label images not found" 0 "6 label images: No such file or directory" \
    "$work/scored/results-0.csv" --segmentations "$work/scored/labels" --html "$work/scored.html"
out=$("$tool" "$work/scored/results-0.csv" --segmentations "$work/scored/labels" \
    --score "external={dir}/../own/{stem}.png" --html "$work/scored.html" 2>&1)
check "a scored method's label images found through --score ($out)" test -z "$out"
expect "--score without NAME" 2 "--score '=x/{stem}.png' is not NAME=PATTERN" "$big" --score '=x/{stem}.png'
expect "--score with an unknown placeholder" 2 "is not NAME=PATTERN" "$big" --score 'a=x/{base}.png'

finish
