# SPDX-License-Identifier: GPL-3.0-or-later
# strandel-bench --merge from outside, for tables and reports: cut, endless
# and special inputs refused; rows identified by chain and position and by
# image; a merged file that is a shard refused; tables with and without a
# status column, with a byte order mark, from other folders; merges killed
# part way leave no table that looks whole and reports of whole lines only;
# shards without their end-of-run mark, and splits that miss a shard,
# refused unless --allow-incomplete.
#   bash merge_cli.sh PATH_TO_strandel-bench
bench="$1"
program="$bench"
source "$(dirname "$0")/cli_support.bash"

row() { printf '%s,%s,%s,,2,1 2,0.1,1,2,3,4,0.8466557911908646\r\n' "$1" "$2" "$3"; }
{ printf '%s\r\n' "$header"; row K 0 a.png; row K 2 c.png; } >"$work/s0.csv"
{ printf '%s\r\n' "$header"; row K 1 b.png; } >"$work/s1.csv"

expect "tables merge" 0 "" --allow-incomplete --merge "$work/m.csv" "$work/s0.csv" "$work/s1.csv"
check "rows in position order" test "$(cut -d, -f2 "$work/m.csv" | tr -d '\r' | tr '\n' ' ')" = "position 0 1 2 "

# Cut, endless and special files.
{ printf '%s\r\n' "$header"; row K 1 b.png | head -c 40; } >"$work/cut.csv"
expect "a table cut inside its last value" 1 "$work/cut.csv:2: the last row has no line end" \
    --allow-incomplete --merge "$work/m-cut.csv" "$work/s0.csv" "$work/cut.csv"
check "no table after a refused merge" test ! -e "$work/m-cut.csv"
expect "a device as a shard table" 1 "/dev/zero: it is a device, not a regular file" \
    --allow-incomplete --merge "$work/m-zero.csv" "$work/s0.csv" /dev/zero
expect "a device as a shard report" 1 "Could not open '/dev/zero': it is a device, not a regular file" \
    --allow-incomplete --merge "$work/m-zero.txt" /dev/zero
mkfifo "$work/fifo.txt"
expect "a FIFO as a shard report" 1 "it is a FIFO (named pipe), not a regular file" --allow-incomplete --merge "$work/m-fifo.txt" "$work/fifo.txt"
head -c 3000000 /dev/zero >"$work/zeros.txt"
expect "a report of one endless line" 1 "'$work/zeros.txt' line 1: line longer than 1048576 bytes" \
    --allow-incomplete --merge "$work/m-zeros.txt" "$work/zeros.txt"

# One rule for what a row is.
{ printf '%s\r\n' "$header"; row K 1 x.png; } >"$work/same-position.csv"
expect "a chain's position twice" 1 "$work/same-position.csv:2: chain 'K' at position 1 appears already at $work/s1.csv:2" \
    --allow-incomplete --merge "$work/m2.csv" "$work/s1.csv" "$work/same-position.csv"
{ printf '%s\r\n' "$header"; row K 5 "$work/b.png"; } >"$work/same-image.csv"
expect "an image twice in a chain, by another name" 1 "has a row for image '$work/b.png' already at $work/s1.csv:2" \
    --allow-incomplete --merge "$work/m3.csv" "$work/s1.csv" "$work/same-image.csv"
{ printf '%s\r\n' "$header"; row '' 4 d.png; } >"$work/no-chain.csv"
expect "an empty chain" 1 "$work/no-chain.csv:2: empty chain" --allow-incomplete --merge "$work/m4.csv" "$work/no-chain.csv"

# The merged file is never a shard.
expect "merged table is a shard" 1 "the merged table '$work/s0.csv' is the shard table '$work/s0.csv'" \
    --allow-incomplete --merge "$work/s0.csv" "$work/s0.csv" "$work/s1.csv"
report_header=$'\n\nAlgorithm: K \nImage\tNumber of classes\n'
printf '%s0\t2\n2\t3\n' "$report_header" >"$work/r0.txt"
printf '%s1\t2\n' "$report_header" >"$work/r1.txt"
cp "$work/r0.txt" "$work/r0.copy"
ln -s r0.txt "$work/r0-link.txt"
expect "merged report is a shard through a link" 1 "is the shard report '$work/r0.txt'" \
    --allow-incomplete --merge "$work/r0-link.txt" "$work/r0.txt" "$work/r1.txt"
check "the shard is left as it was" cmp -s "$work/r0.txt" "$work/r0.copy"
expect "reports merge" 0 "" --allow-incomplete --merge "$work/m.txt" "$work/r0.txt" "$work/r1.txt"
check "the merged report's bytes" test "$(cat "$work/m.txt")" = "$(printf '%s0\t2\n1\t2\n2\t3\n' "$report_header")"

# A byte order mark is no report; a status column merges with older tables.
printf '\xEF\xBB\xBF' | cat - "$work/s1.csv" >"$work/bom.csv"
expect "a table with a byte order mark" 0 "" --allow-incomplete --merge "$work/m-bom.csv" "$work/bom.csv" "$work/s0.csv"
check "the merged table has no byte order mark" cmp -s "$work/m.csv" "$work/m-bom.csv"
{ printf '%s,status\r\n' "$header"; printf 'K,3,d.png,,,,,,,,,,"skipped: it is a directory, not an image file"\r\n'; } >"$work/new.csv"
expect "tables with and without status" 0 "" --allow-incomplete --merge "$work/m-status.csv" "$work/s0.csv" "$work/new.csv" "$work/s1.csv"
check "one header with status, older rows ok" test "$(tr -d '\r' <"$work/m-status.csv")" = "$header,status
K,0,a.png,,2,1 2,0.1,1,2,3,4,0.8466557911908646,ok
K,1,b.png,,2,1 2,0.1,1,2,3,4,0.8466557911908646,ok
K,2,c.png,,2,1 2,0.1,1,2,3,4,0.8466557911908646,ok
K,3,d.png,,,,,,,,,,\"skipped: it is a directory, not an image file\""

# Tables of other folders: relative paths rewritten for the merged table's.
mkdir -p "$work/run/img" "$work/out"
touch "$work/run/img/a.png" "$work/run/img/b.png"
{ printf '%s\r\n' "$header"; row K 0 img/a.png; } >"$work/run/s0.csv"
{ printf '%s\r\n' "$header"; row K 1 "$work/run/img/b.png"; } >"$work/run/s1.csv"
expect "tables merged into another folder" 0 "1 relative path rewritten" \
    --allow-incomplete --merge "$work/out/m.csv" "$work/run/s0.csv" "$work/run/s1.csv"
check "relative paths lead to the same files" test "$(cut -d, -f3 "$work/out/m.csv" | tr '\n' ' ')" = \
    "image ../run/img/a.png $work/run/img/b.png "

# A merge killed part way: no table, or the whole table; a retry works.
# wait_for PATTERN: until a file matching it is there (at most 20 s).
wait_for() {
    for _ in $(seq 2000); do
        compgen -G "$1" >/dev/null && return
        sleep 0.01
    done
}
for k in 0 1; do
    awk -v k="$k" -v h="$header" 'BEGIN { printf "%s\r\n", h
        for (i = k; i < 400000; i += 2) printf "K,%d,i%d.png,,2,1 2,0.1,1,2,3,4,0.5\r\n", i, i }' >"$work/big$k.csv"
done
for signal in TERM INT HUP KILL; do
    rm -f "$work/big.csv"
    "$bench" --allow-incomplete --merge "$work/big.csv" "$work/big0.csv" "$work/big1.csv" 2>/dev/null &
    pid=$!
    wait_for "$work/big.csv.tmp-*"
    kill -s "$signal" "$pid" 2>/dev/null
    wait "$pid"
    if [ -e "$work/big.csv" ]; then
        check "a merge ended by SIG$signal left the whole table" test "$(wc -l <"$work/big.csv")" -eq 400001
    else
        check "a merge ended by SIG$signal left no table" true
    fi
    [ "$signal" = KILL ] || check "SIG$signal left no temporary file" \
        test -z "$(find "$work" -maxdepth 1 -name 'big.csv.tmp-*')"
done
# What a killed merge left is cleaned once old enough, and a retry merges.
touch -d '-1 minute' "$work"/big.csv.tmp-* 2>/dev/null
rm -f "$work/big.csv"
expect "a retry merges" 0 "" --allow-incomplete --merge "$work/big.csv" "$work/big0.csv" "$work/big1.csv"
check "the retried table is whole" test "$(wc -l <"$work/big.csv")" -eq 400001
check "no temporary file is left" test -z "$(find "$work" -maxdepth 1 -name 'big.csv.tmp-*')"

# A report merge killed part way leaves whole lines only.
for k in 0 1; do
    awk -v k="$k" -v h="$report_header" 'BEGIN { printf "%s", h
        for (i = k; i < 600000; i += 2) printf "%d\t2\t0.01\t1.5\t2.5\n", i }' >"$work/bigr$k.txt"
done
for signal in KILL TERM KILL TERM; do
    rm -f "$work/bigm.txt"
    "$bench" --allow-incomplete --merge "$work/bigm.txt" "$work/bigr0.txt" "$work/bigr1.txt" 2>/dev/null &
    pid=$!
    # Once it appends: the header and some lines are there.
    for _ in $(seq 2000); do [ "$(stat -c %s "$work/bigm.txt" 2>/dev/null || echo 0)" -gt 100 ] && break; sleep 0.005; done
    kill -s "$signal" "$pid" 2>/dev/null
    wait "$pid"
    check "a report merge ended by SIG$signal left whole lines" \
        bash -c '[ ! -s "$1" ] || { [ "$(tail -c 1 "$1" | od -An -c | tr -d " ")" = "\n" ] &&
                 ! tail -n +5 "$1" | grep -qvP "^[0-9]+\t2\t0.01\t1.5\t2.5$"; }' _ "$work/bigm.txt"
done
expect "a report merge after a killed one" 0 "" --allow-incomplete --merge "$work/bigm.txt" "$work/bigr0.txt" "$work/bigr1.txt"
expect "whose last run is whole" 0 "" --allow-incomplete --merge "$work/again.txt" "$work/bigm.txt"
check "the last run has every line" test "$(tail -n +5 "$work/again.txt" | wc -l)" -eq 600000

# End-of-run marks: a report of a --shard run ends with "# end of shard
# K/N", a table's mark is its provenance file. A shard cut before its mark
# (killed), a missing shard, or mixed splits are refused by default.
mark_report() { printf '%s0\t2\t0.01\t1.5\t2.5\n# end of shard %s\n' "$report_header" "$1"; }
mark_report 0/2 >"$work/k0.txt"
mark_report 1/2 | sed 's/^0\t/1\t/' >"$work/k1.txt"
printf '%s1\t2\t0.01\t1.5\t2.5\n' "$report_header" >"$work/k1-killed.txt"
expect "marked shards merge" 0 "" --merge "$work/km.txt" "$work/k0.txt" "$work/k1.txt"
check "the merged report has no mark" bash -c '! grep -q "^#" "$1" && [ "$(grep -c "^[01]	" "$1")" -eq 2 ]' _ "$work/km.txt"
expect "a killed shard is named" 1 "'$work/k1-killed.txt' has no end-of-run mark" \
    --merge "$work/km2.txt" "$work/k0.txt" "$work/k1-killed.txt"
check "nothing merged from a killed shard" test ! -e "$work/km2.txt"
expect "a killed shard given first" 1 "'$work/k1-killed.txt' has no end-of-run mark" \
    --merge "$work/km2.txt" "$work/k1-killed.txt" "$work/k0.txt"
expect "a missing shard is named" 1 "shard '1/2' of 2 is missing" --merge "$work/km3.txt" "$work/k0.txt"
mark_report 0/3 >"$work/k0of3.txt"
expect "shards of two splits" 1 "is shard 0/3 but" --merge "$work/km4.txt" "$work/k0.txt" "$work/k0of3.txt"
expect "a shard given twice" 1 "are both shard 0/2" --merge "$work/km5.txt" "$work/k0.txt" "$work/k0.txt"
{ mark_report 0/2; printf '2\t2\t0.01\t1.5\t2.5\n'; } >"$work/after-mark.txt"
expect "a line after the mark" 1 "follows the run's end-of-run mark" \
    --merge "$work/km6.txt" "$work/after-mark.txt" "$work/k1.txt"
# A rerun appends a whole run after the killed one: its last run counts.
{ cat "$work/k1-killed.txt"; mark_report 1/2 | sed 's/^0\t/1\t/'; } >"$work/k1-rerun.txt"
expect "a rerun shard merges" 0 "" --merge "$work/km7.txt" "$work/k0.txt" "$work/k1-rerun.txt"
# ...but a whole run followed by a cut one is cut: the last run counts.
{ mark_report 1/2 | sed 's/^0\t/1\t/'; cat "$work/k1-killed.txt"; } >"$work/k1-cut-again.txt"
expect "a cut run after a whole one" 1 "'$work/k1-cut-again.txt' has no end-of-run mark" \
    --merge "$work/km8.txt" "$work/k0.txt" "$work/k1-cut-again.txt"

provenance() { printf '{"format": "strandel provenance 1", "shard": {"index": %s, "count": 2}, "complete": %s}\n' "$1" "$2"; }
provenance 0 true >"$work/s0.csv.json"
provenance 1 false >"$work/s1.csv.json"
expect "a table whose run did not end" 1 "'$work/s1.csv' has no end-of-run mark" \
    --merge "$work/pm.csv" "$work/s0.csv" "$work/s1.csv"
provenance 1 true >"$work/s1.csv.json"
expect "tables with their provenance" 0 "" --merge "$work/pm.csv" "$work/s0.csv" "$work/s1.csv"
check "the merged table's provenance names its shards" python3 -c '
import json, sys
record = json.load(open(sys.argv[1]))
assert record["complete"] is True and record["images"]["images"] == 3, record
assert [m["provenance"]["shard"]["index"] for m in record["merged_from"]] == [0, 1], record' "$work/pm.csv.json"
expect "a merged table merges again" 0 "" --merge "$work/pm2.csv" "$work/pm.csv"

finish
