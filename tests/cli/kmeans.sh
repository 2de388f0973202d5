# SPDX-License-Identifier: GPL-3.0-or-later
# K-Means through the tool: seeding from the histogram, one update step, and
# what an incoming centre list changes.
. "$(dirname "$0")/common.bash" "$1"

# Counts 5 at 10 and 20, 1 at 200, 7 at 90, 100 at 128: the seeds are 200,
# 10, 90 in this order (20 loses to 10, same count). One iteration then
# moves them to the means of their classes {200}, {10, 20}, {90, 128}:
# 200, (5 x 10 + 5 x 20) / 10 = 15, (7 x 90 + 100 x 128) / 107.
seeds=$(histogram seeds.txt 10=5 20=5 200=1 90=7 128=100)
expect_start "seeds 200, 10, 90, one iteration" \
    "$(lines 'classes\t3' 'centres\t200\t15\t125.5140187')" \
    --chain 'K-Means(1, 3)' --histogram "$seeds"

# Five classes asked, two different counts (3 and 8): seeds 10 and 100, then
# classes {10, 50} and {100, 200}.
two=$(histogram two.txt 10=3 50=3 100=8 200=8)
expect_start "fewer distinct counts than classes" \
    "$(lines 'classes\t2' 'centres\t30\t150')" \
    --chain 'K-Means(1, 5)' --histogram "$two"

# 10 pixels at 0 and 30 at 4 from the list {1}: (10 x 0 + 30 x 4) / 40 = 3.
near=$(histogram near.txt 0=10 4=30)
expect_start "one iteration from {1}" \
    "$(lines 'classes\t1' 'centres\t3')" \
    --centres 1 --chain 'K-Means(1, 3)' --histogram "$near"

# An incoming list of two centres keeps two classes whatever the class count:
# {10, 50, 100} and {200}, so (3 x 10 + 3 x 50 + 8 x 100) / 14 = 70 and 200.
expect_start "incoming {30, 220} with 3 classes asked" \
    "$(lines 'classes\t2' 'centres\t70\t200')" \
    --centres 30,220 --chain 'K-Means(10, 3)' --histogram "$two"

# Centres {100, 100}: every gray level goes to class 0, class 1 keeps 100.
tie=$(histogram tie.txt 50=1 150=1)
expect_start "equal centres leave the second class empty" \
    "$(lines 'classes\t2' 'centres\t100\t100')" \
    --centres 100,100 --chain 'K-Means(5, 3)' --histogram "$tie"

finish
