# SPDX-License-Identifier: GPL-3.0-or-later
# The measures of given centres, rated without running any pass.
. "$(dirname "$0")/common.bash" "$1"

# 100 pixels at each of 40, 60, 190, 210, centres {50, 200}: classes
# {40, 60} and {190, 210}. Turi: compactness 10, separation 150, objective
# 5 x 10 / 150, fitness 3. Dunn: 10 x 130 / 20 = 65. Amrane: 0.5 x 10 +
# 0.5 x (255 - 150) = 57.5, 100 / 57.5. Liu & Yang: e = 20, n = 200 per
# class, F = sqrt(2) x (2 x 400 / sqrt(200)) / 1400 = 80 / 1400, 17.5.
four=$(histogram four.txt 40=100 60=100 190=100 210=100)
expect_output "centres {50, 200} on four gray levels" \
    "$(lines 'classes\t2' 'centres\t50\t200' 'Turi (2001)\t3' 'Dunn Index\t65' \
        'Amrane (2005)\t1.739130435' 'Liu & Yang (inverted)\t17.5')" \
    --no-chain --centres 50,200 --histogram "$four"

# 100 pixels at 40 and at 160, centres {50, 150}: Turi compactness 10,
# separation 100, objective 0.5, fitness 2. Dunn: diameters 0, so 1.
# Amrane: 0.5 x 10 + 0.5 x 155 = 82.5. Liu & Yang: e = 10, n = 100,
# S = 2 x 100 / 10 = 20, F = sqrt(2) x 20 / 1200.
two=$(histogram two.txt 40=100 160=100)
expect_output "centres {50, 150} on two gray levels" \
    "$(lines 'classes\t2' 'centres\t50\t150' 'Turi (2001)\t2' 'Dunn Index\t1' \
        'Amrane (2005)\t1.212121212' 'Liu & Yang (inverted)\t42.42640687')" \
    --no-chain --centres 50,150 --histogram "$two"

# Classes {10, 20} and {40, 70}: Dunn 10 x 20 / 30.
dunn=$(histogram dunn.txt 10=1 20=1 40=1 70=1)
run_tool --no-chain --centres 15,55 --histogram "$dunn"
line=$(printf '%s\n' "$out" | grep '^Dunn Index')
ok=no
[ "$status" -eq 0 ] && [ "$line" = "$(lines 'Dunn Index\t6.666666667')" ] && ok=yes
report "Dunn on {10, 20} and {40, 70}" "$ok" "$(lines 'Dunn Index\t6.666666667')" --no-chain --centres 15,55 --histogram "$dunn"

# A single centre: Dunn and Liu & Yang are 1.
run_tool --no-chain --centres 100 --histogram "$four"
got=$(printf '%s\n' "$out" | grep -E '^(Dunn Index|Liu & Yang)')
want=$(lines 'Dunn Index\t1' 'Liu & Yang (inverted)\t1')
ok=no
[ "$status" -eq 0 ] && [ "$got" = "$want" ] && ok=yes
report "a single centre" "$ok" "$want" --no-chain --centres 100 --histogram "$four"

# Centres {0, 255} on an image of gray levels 0 and 255 only: Amrane's
# criterion is 0, its fitness infinite.
ends=$(histogram ends.txt 0=5 255=5)
run_tool --no-chain --centres 0,255 --histogram "$ends"
got=$(printf '%s\n' "$out" | grep -E '^(Turi|Amrane)')
want=$(lines 'Turi (2001)\tinf' 'Amrane (2005)\tinf')
ok=no
[ "$status" -eq 0 ] && [ "$got" = "$want" ] && ok=yes
report "centres on the only two gray levels" "$ok" "$want" --no-chain --centres 0,255 --histogram "$ends"

finish
