# SPDX-License-Identifier: GPL-3.0-or-later
# AiNet through the tool, also reading a PGM image: one pixel at 0 and one
# at 200. The first antigen joins the empty network; 200 clones antibody 0
# once, the clone mutates to 140, dies 60 away (Sigma_D 10), and 200 joins.
. "$(dirname "$0")/common.bash" "$1"

# Measures of {0, 200} with a single gray level per class, on its centre:
# Turi's compactness is 0 (infinite fitness); every diameter is 0 (Dunn 1);
# Amrane: 0.5 x 0 + 0.5 x (255 - 200) = 27.5, 100 / 27.5; Liu & Yang's sum
# is 0 (infinite).
expected=$(lines 'classes\t2' 'centres\t0\t200' 'Turi (2001)\tinf' 'Dunn Index\t1' \
    'Amrane (2005)\t3.636363636' 'Liu & Yang (inverted)\tinf')

h=$(histogram two.txt 0=1 200=1)
expect_output "default chain is one AiNet pass" "$expected" --histogram "$h"
expect_output "AiNet with its defaults" "$expected" --chain AiNet --histogram "$h"
expect_output "AiNet with every parameter at its default" "$expected" \
    --chain 'AiNet(1, 30, 10, 3, 0.3)' --histogram "$h"

pgm="$work/two.pgm"
printf 'P5\n# two pixels\n2 1\n255\n\000\310' >"$pgm"
expect_output "the same pixels from a PGM image" "$expected" "$pgm"

printf 'P5\n2 1\n255\n\000' >"$work/short.pgm"
expect_failure "truncated PGM" 1 "$work/short.pgm: truncated PGM: 2x1 pixels declared, the file holds 1 of their 2 bytes" \
    "$work/short.pgm"
# Every PGM the native engine reads: plain and 16-bit ones through GEGL.
printf 'P2\n2 1\n255\n0 200\n' >"$work/plain.pgm"
expect_output "plain PGM" "$expected" "$work/plain.pgm"
printf 'P5\n2 1\n65535\n\000\000\310\310' >"$work/deep.pgm"
expect_output "16-bit PGM" "$expected" "$work/deep.pgm"

finish
