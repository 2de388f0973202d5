#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Label images of strandel-bench --save-segmentations and strandel-chain
# --save, checked pixel by pixel against the table's classes; what is
# refused; and the report page made from them.
# Usage: save_segmentations.sh STRANDEL_BENCH STRANDEL_CHAIN STRANDEL_REPORT PYTHON SAMPLES_FOLDER
set -u
bench=$1 chain=$2 report=$3 python=$4 samples=$5
here="$(cd "$(dirname "$0")" && pwd)"
labels_py="$here/label_images.py"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
expect_eq() { [ "$2" == "$3" ] || fail "$1: expected '$3', got '$2'"; }
expect_grep() { grep -qF -- "$2" "$3" || { fail "$1: no '$2' in $3:"; cat "$3"; }; }

"$python" "$labels_py" make img || exit 1
odd="img/it's a <b> & c.png"
cp "$samples/cells.png" "$odd"
cp "$samples/cells_seg.png" "img/it's a <b> & c_seg.png"
cp "$samples/target.png" "$samples/target_seg.png" "$here/bands.jpg" img/
chains=(--chain 'K-Means(10, 4)' --chain 'AiNet; Fuzzy C-Means')

"$bench" "${chains[@]}" --seed-each 3 img --out 'r-{n}.txt' --table t.csv --save-segmentations labels 2>err.txt
expect_eq "exit status" "$?" 0
expect_eq "label images" "$(ls labels | wc -l)" 12
expect_grep "label images counted" "strandel-bench: 12 label images written to 'labels'" err.txt
"$python" "$labels_py" table t.csv labels || fail "label images differ from the table's classes"

# The same again, with two jobs: this system's own label images are
# replaced, by the same bytes.
cp -r labels first
"$bench" "${chains[@]}" --seed-each 3 --jobs 2 img --out 'r-{n}.txt' --save-segmentations labels 2>err.txt
expect_eq "exit status of a run over its own label images" "$?" 0
diff -r first labels >/dev/null || fail "label images differ with --jobs 2"

# strandel-chain reads the JPEG as strandel-bench does (bands.jpg is at
# position 0, seeded with 3 + 0) and writes the same label image.
"$chain" --chain 'AiNet; Fuzzy C-Means' --seed 3 img/bands.jpg --save bands.png >chain.out
expect_eq "strandel-chain on a JPEG" "$?" 0
cmp -s bands.png labels/bands.2.png || fail "strandel-chain's label image of bands.jpg differs from strandel-bench's"
expect_eq "classes of bands.jpg" "$(head -1 chain.out | cut -f2)" \
  "$(awk -F, '$1 ~ /Fuzzy/ && $3 ~ /bands.jpg/ {print $5}' t.csv)"
# More than 256 classes: 16 bits.
centres=$("$python" -c "print(','.join(str(i * 0.85) for i in range(301)))")
"$chain" --no-chain --centres "$centres" "img/gray alpha.png" --save 'deep labels.png' >/dev/null
expect_eq "strandel-chain --save with 301 classes" "$?" 0
"$python" "$labels_py" one "img/gray alpha.png" 'deep labels.png' "$centres" || fail "16-bit label image"
# The boundary: 256 classes fit 8 bits, 257 need 16. The last class lies
# among the image's levels, the others at 255 (ties go to the first), so
# that class 255, and then class 256 (no class 0), fills most pixels.
for classes in 256 257; do
  centres=$("$python" -c "print(','.join(['255'] * ($classes - 1) + ['90']))")
  "$chain" --no-chain --centres "$centres" img/gray.png --save "edge $classes.png" >/dev/null
  "$python" "$labels_py" one img/gray.png "edge $classes.png" "$centres" || fail "label image of $classes classes"
done

# A file in the way that is no label image is never overwritten, and the
# run stops before it writes anything.
echo "my notes" >labels/target.1.png
"$bench" "${chains[@]}" img --out 'refused-{n}.txt' --table refused.csv --save-segmentations labels 2>err.txt
expect_eq "exit status with a foreign file in the way" "$?" 1
expect_grep "foreign file named" "labels/target.1.png': the file exists and is no label image" err.txt
expect_eq "foreign file kept" "$(cat labels/target.1.png)" "my notes"
[ -e refused.csv ] || [ -e refused-1.txt ] && fail "a refused run wrote its table or results"
# What a killed strandel-chain left beside its label image goes, once old.
: >labels/.strandel-label-k1Ll3d
touch -d '2 minutes ago' labels/.strandel-label-k1Ll3d
"$chain" --chain 'K-Means(10, 4)' img/target.png --save labels/target.2.png >/dev/null
[ -e labels/.strandel-label-k1Ll3d ] && fail "strandel-chain left an old temporary file where it saved"
"$chain" img/target.png --save labels/target.1.png >/dev/null 2>err.txt
expect_eq "strandel-chain over a foreign file" "$?" 1
expect_eq "foreign file kept by strandel-chain" "$(cat labels/target.1.png)" "my notes"

# Two images with one stem would write one file.
mkdir other && cp img/target.png other/bands.png
"$bench" img/bands.jpg other/bands.png --out clash.txt --save-segmentations clash 2>err.txt
expect_eq "exit status with two images of one stem" "$?" 1
expect_grep "both images named" "'img/bands.jpg' and 'other/bands.png' would both save" err.txt
[ -e clash.txt ] || [ -e clash ] && fail "a run refused for its stems wrote something"
"$bench" --engine gimp img --out gimp.txt --save-segmentations labels 2>err.txt
expect_eq "exit status with --engine gimp" "$?" 2
expect_grep "gimp engine refused" "--save-segmentations works with --engine native only" err.txt

# Saving into the folder of the images: the label images of one run are
# not the next run's images (three runs, the same files), and a label
# image that is an input of the run is refused.
mkdir own && cp img/gray.png img/colour.png own/
for run in 1 2 3; do
  "$bench" "${chains[@]}" own --out 'own-{n}.txt' --save-segmentations own 2>err.txt
  expect_eq "exit status of run $run into the input folder" "$?" 0
  expect_eq "files in the input folder after run $run" "$(ls own | wc -l)" 6
done
expect_grep "label images left out" "left out 4 files that are a label image of Strandel" err.txt
expect_eq "images of the third run" "$(grep -c '^[0-9]' own-1.txt)" 6
cp own/gray.1.png gray.1.before
"$bench" own/gray.png own/gray.1.png --out own-x.txt --save-segmentations own 2>err.txt
expect_eq "exit status of a label image that is an input" "$?" 1
expect_grep "label image that is an input" "'own/gray.1.png' is the image 'own/gray.1.png' of this run: refusing to write a label image into it" err.txt
cmp -s own/gray.1.png gray.1.before || fail "an input label image was overwritten"
[ -e own-x.txt ] && fail "a run refused for its label images wrote its results"

# A folder that cannot be written (the tests run as root, for whom
# permissions are no bar: a path through a regular file) is refused before
# anything is written.
echo "not a folder" >blocker
"$bench" "${chains[@]}" img --out 'blocked-{n}.txt' --table blocked.csv --save-segmentations blocker/labels 2>err.txt
expect_eq "exit status of an unwritable label folder" "$?" 1
expect_grep "unwritable label folder" "'blocker/labels': cannot save segmentations there: '$work/blocker' is not a folder" err.txt
[ -e blocked-1.txt ] || [ -e blocked.csv ] && fail "a run refused for its label folder wrote something"

# A refused run creates nothing, not even the label folder.
echo precious >exists.csv
"$bench" img --out fresh.txt --table exists.csv --save-segmentations fresh/labels 2>err.txt
expect_eq "exit status with an existing table" "$?" 1
[ -e fresh ] || [ -e fresh.txt ] && fail "a run refused for its table created $(ls -d fresh fresh.txt 2>/dev/null)"
"$bench" img --out no/such/r.txt --table fresh.csv --save-segmentations fresh/labels 2>err.txt
expect_eq "exit status with a results file that cannot be opened" "$?" 1
[ -e fresh ] || [ -e fresh.csv ] && fail "a run refused for its results file created $(ls -d fresh fresh.csv 2>/dev/null)"

# Label images are as readable as any new file: the umask decides.
for mask in 027 002; do
  (umask $mask && "$bench" img/gray.png --out "mask-$mask.txt" --save-segmentations "mask-$mask" 2>/dev/null)
  expect_eq "mode of a label image under umask $mask" "$(stat -c %a "mask-$mask/gray.1.png")" \
    "$(printf '%o' $((0666 & ~0$mask)))"
done

# The page finds every label image, names with spaces, quotes, < and &
# included, and escapes those names.
"$report" t.csv --segmentations first --html page.html 2>err.txt
expect_eq "strandel-report" "$?" 0
grep -q 'class="ph" title="[^"]*could not' page.html &&
  fail "placeholders on the page: $(grep -o 'class="ph" title="[^"]*' page.html | head -3)"
expect_grep "escaped name" "it&#39;s a &lt;b&gt; &amp; c.png" page.html
grep -qF "<b> &" page.html && fail "a file name reached the page unescaped"

# A scored method's segmentation is saved too, numbered after the chains:
# its labels in ascending order as class indices (a 16-bit label set of
# three labels becomes 0, 1, 2 in 8 bits), so that the page shows it.
mkdir -p scoring/img scoring/mine
cp img/gray.png scoring/img/
"$python" - scoring/img/gray.png scoring/mine/gray.png <<'PY' || fail "could not make the scored label image"
import sys, cv2, numpy as np
gray = cv2.imread(sys.argv[1], cv2.IMREAD_UNCHANGED)
labels = np.where(gray < 60, 40000, np.where(gray < 140, 7, 300)).astype(np.uint16)
cv2.imwrite(sys.argv[2], labels)
PY
"$bench" --chain 'K-Means(10, 3)' --score 'mine=scoring/mine/{stem}.png' scoring/img --out 'scoring/r-{n}.txt' \
  --table scoring/t.csv --save-segmentations scoring/labels 2>err.txt
expect_eq "exit status with a scored method" "$?" 0
expect_grep "label images with a scored method" "2 label images written to 'scoring/labels'" err.txt
"$python" - scoring/mine/gray.png scoring/labels/gray.2.png <<'PY' || fail "the scored method's label image"
import sys, cv2, numpy as np
labels = cv2.imread(sys.argv[1], cv2.IMREAD_UNCHANGED)
saved = cv2.imread(sys.argv[2], cv2.IMREAD_UNCHANGED)
expected = np.searchsorted(np.unique(labels), labels)
assert saved.dtype == np.uint8, saved.dtype
assert (saved == expected).all(), "classes differ from the labels' ranks"
PY
"$report" scoring/t.csv --segmentations scoring/labels --html scoring/page.html 2>err.txt
expect_eq "strandel-report with a scored method" "$?" 0
grep -q 'no preview' scoring/page.html && fail "the page has no preview of the scored method"

echo "$failures failed"
[ "$failures" -eq 0 ]
