# SPDX-License-Identifier: GPL-3.0-or-later
# Multi-Otsu through the tool: the least within-class sum of squares
# partition, worked out by hand, and on the sample image pinned whole.
. "$(dirname "$0")/common.bash" "$1"

# {10, 20} (2 pixels each), {100, 110} (4 each), {250} (1): sums of squares
# 4 x 25 + 8 x 25 + 0 = 300; every other partition into three is worse.
three=$(histogram three.txt 10=2 20=2 100=4 110=4 250=1)
expect_start "three clear groups" \
    "$(lines 'classes\t3' 'centres\t15\t105\t250')" \
    --chain 'Multi-Otsu(3)' --histogram "$three"

# One pixel at 0, 10, 20 and 100, two classes: {0, 10, 20} | {100} sums to
# 200, {0, 10} | {20, 100} to 50 + 3200, {0} | {10, 20, 100} to 5000.
four=$(histogram four.txt 0=1 10=1 20=1 100=1)
expect_start "two classes of four levels" \
    "$(lines 'classes\t2' 'centres\t10\t100')" \
    --chain 'Multi-Otsu(2)' --histogram "$four"

# Fewer present gray levels than classes: one centre per level.
few=$(histogram few.txt 40=3 80=1)
expect_start "five classes asked of two gray levels" \
    "$(lines 'classes\t2' 'centres\t40\t80')" \
    --chain 'Multi-Otsu(5)' --histogram "$few"

# Incoming centres do not matter, nor does a pass before it.
expect_start "incoming centres replaced" \
    "$(lines 'classes\t2' 'centres\t10\t100')" \
    --centres 1,2,3,4,5 --chain 'K-Means(3, 4); Multi-Otsu(2)' --histogram "$four"

# The sample image with the defaults (three classes), every line pinned;
# with four classes it finds the partition K-Means(10, 4) misses there.
sample="$(dirname "$0")/../../samples/chain/sample.pgm"
expect_output "the sample image, seeded, with the defaults" \
    "$(lines 'classes\t3' 'centres\t39.98145752\t100.0341797\t181.5059761' 'Turi (2001)\t1.984306931' \
        'Dunn Index\t6.666666667' 'Amrane (2005)\t0.8890972228' 'Liu & Yang (inverted)\t0.1321542321')" \
    --seed 1 --chain 'Multi-Otsu' "$sample"
expect_start "the sample image in four classes" \
    "$(lines 'classes\t4' 'centres\t39.98145752\t100.0341797\t169.9228243\t230.4930556')" \
    --seed 1 --chain 'Multi-Otsu(4)' "$sample"

finish
