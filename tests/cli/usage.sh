# SPDX-License-Identifier: GPL-3.0-or-later
# Arguments, exit statuses and messages of the tool.
. "$(dirname "$0")/common.bash" "$1"

h=$(histogram h.txt 10=4 200=6)

run_tool --help
ok=no
[ "$status" -eq 0 ] && [[ "$out" == *"Usage: strandel-chain"* ]] && [[ "$out" == *"--centres LIST"* ]] &&
    [[ "$out" == *"--no-chain"* ]] && [[ "$out" == *"Particle Swarm Optimization"* ]] &&
    [[ "$out" == *"Number Of Classes: an integer from 2 to 100 [3]"* ]] && ok=yes
report "--help shows the syntax and every pass's parameters" "$ok" "usage with passes and ranges" --help

expect_failure "unknown pass" 2 'strandel-chain: --chain: unknown pass "KMeans"' \
    --chain KMeans --histogram "$h"
expect_failure "value out of range" 2 \
    'strandel-chain: --chain: K-Means: parameter "Number Of Classes" must be an integer from 2 to 100, got "1"' \
    --chain 'K-Means(10, 1)' --histogram "$h"
expect_failure "wrong number of parameters" 2 'Fuzzy C-Means: expected 3 parameter(s)' \
    --chain 'Fuzzy C-Means(10, 3)' --histogram "$h"
expect_failure "no input" 2 "no input: give an IMAGE or --histogram FILE"

expect_failure "missing file" 1 "$work/none.txt: cannot open: No such file or directory" \
    --histogram "$work/none.txt"
printf '1 2 3\n' >"$work/short.txt"
expect_failure "too few counts" 1 "$work/short.txt: 3 counts, expected 256" --histogram "$work/short.txt"

# The seed makes the random passes repeatable.
run_tool --seed 3 --chain 'Particle Swarm Optimization' --histogram "$h"
first="$out"
run_tool --seed 3 --chain 'Particle Swarm Optimization' --histogram "$h"
ok=no
[ "$status" -eq 0 ] && [ -n "$first" ] && [ "$out" = "$first" ] && ok=yes
report "same seed, same result" "$ok" "$first" --seed 3 --chain 'Particle Swarm Optimization' --histogram "$h"

# A run kept in a file gives what the same options on the command line give;
# the command line's own options win.
run_tool --seed 5 --chain 'K-Means(10, 2); Fuzzy C-Means' --histogram "$h"
direct="$out"
printf 'chain = "K-Means(10, 2); Fuzzy C-Means"\nseed = 5\nhistogram = "%s"\n' "$h" >"$work/run.toml"
run_tool --config "$work/run.toml"
ok=no
[ "$status" -eq 0 ] && [ -n "$direct" ] && [ "$out" = "$direct" ] && ok=yes
report "--config FILE holds the options" "$ok" "$direct" --config "$work/run.toml"
h3=$(histogram h3.txt 10=4 90=5 200=6)
run_tool --seed 5 --chain 'K-Means(10, 2); Fuzzy C-Means' --histogram "$h3"
direct="$out"
run_tool --config "$work/run.toml" --histogram "$h3"
ok=no
[ "$status" -eq 0 ] && [ -n "$direct" ] && [ "$out" = "$direct" ] && ok=yes
report "the command line replaces the file's option" "$ok" "$direct" --config "$work/run.toml" --histogram "$h3"
printf 'chian = "AiNet"\n' >"$work/typo.toml"
expect_failure "unknown option in the config file" 2 "--config '$work/typo.toml': 'chian' is not an option" \
    --config "$work/typo.toml" --histogram "$h"

finish
