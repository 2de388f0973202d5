# SPDX-License-Identifier: GPL-3.0-or-later
# Fuzzy C-Means through the tool, starting from given centres.
. "$(dirname "$0")/common.bash" "$1"

# 1 pixel at 0 and 1000 at 10 from {4}, m = 2: both levels belong to the one
# class with membership 1, and the counts play no part: (0 + 10) / 2 = 5.
h=$(histogram fcm.txt 0=1 10=1000)
expect_start "one iteration from {4} gives the plain mean" \
    "$(lines 'classes\t1' 'centres\t5')" \
    --centres 4 --chain 'Fuzzy C-Means(1, 2, 2)' --histogram "$h"

# Each gray level on its own centre stays there, however many iterations.
on=$(histogram on.txt 10=3 20=9)
expect_start "centres on their gray levels stay" \
    "$(lines 'classes\t2' 'centres\t10\t20')" \
    --centres 10,20 --chain 'Fuzzy C-Means(7, 2, 2)' --histogram "$on"

# Equal centres: the second class gets nothing and keeps 100.
tie=$(histogram tie.txt 50=1 150=1)
expect_start "equal centres leave the second class empty" \
    "$(lines 'classes\t2' 'centres\t100\t100')" \
    --centres 100,100 --chain 'Fuzzy C-Means(3, 2, 2)' --histogram "$tie"

finish
