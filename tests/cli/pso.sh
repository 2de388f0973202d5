# SPDX-License-Identifier: GPL-3.0-or-later
# The particle swarm through the tool, seeded: its centres number for number
# against pso_model.py, the pass written out again from its description (the
# C library's generator included). Usage: bash pso.sh STRANDEL_CHAIN PYTHON
. "$(dirname "$0")/common.bash" "$1"
python="$2"
model="$(dirname "$0")/pso_model.py"

# expect_model WHAT SEED HISTOGRAM "ITERATIONS W C1 C2 SWARM CLASSES RANGE" [CENTRES]
expect_model() {
    local what="$1" seed="$2" h="$3" params="$4" centres="${5:-}"
    local expected
    # shellcheck disable=SC2086  # the parameters are words
    expected=$("$python" "$model" "$seed" "$h" $params ${centres//,/ }) || { failures=$((failures + 1)); return; }
    local chain="Particle Swarm Optimization(${params// /, })"
    if [ -n "$centres" ]; then
        expect_start "$what" "$expected" --seed "$seed" --chain "$chain" --centres "$centres" --histogram "$h"
    else
        expect_start "$what" "$expected" --seed "$seed" --chain "$chain" --histogram "$h"
    fi
}

# Three groups of gray levels with distinct counts.
h=$(histogram groups.txt 12=40 20=25 31=9 95=60 104=33 118=7 201=50 214=18 240=3)

# Pinned, so that the model and the pass cannot drift apart together:
# seed 1, the default weights, five centres seeded from the five smallest
# counts (240, 118, 31, 214, 20).
pinned="10 0.47 1.49 1.49 20 5 5"
expect_start "seeded swarm, pinned" \
    "$(lines 'classes\t5' 'centres\t32.75989003\t187.5739656\t133.8917432\t239.8108861\t82.6157144')" \
    --seed 1 --chain "Particle Swarm Optimization(${pinned// /, })" --histogram "$h"
for seed in 1 2 3 4; do
    expect_model "default weights, seed $seed" "$seed" "$h" "$pinned"
done
expect_model "the defaults: nine centres from nine counts" 5 "$h" "10 0.47 1.49 1.49 20 10 5"
expect_model "more centres than gray levels" 6 "$h" "4 0.9 0.5 2.5 7 12 10"
expect_model "from given centres" 7 "$h" "15 0.3 2 1 9 5 1" 30,100,180,250
few=$(histogram few.txt 0=1 255=1)
expect_model "two gray levels, wide velocities" 8 "$few" "30 1 3 3 5 5 10"

finish
