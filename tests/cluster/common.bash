# SPDX-License-Identifier: GPL-3.0-or-later
# Shared by the scripts of this folder, each run as
#   bash SCRIPT.sh PATH_TO_strandel-bench
# (this file's name does not end in .sh, so it is not a test itself). Each
# script splits the shipped sample benchmark into shards through a scheduler,
# merges them, and checks that the merged report is a single run's report,
# times apart.

# The runs compared, one a line: strandel-bench's arguments besides --list,
# --shard and --out, as a shell would split them ($table: the script's
# table file, set before run_args). A swarm draws random numbers, so its
# shards match a single run only when --seed-each seeds every image.
runs=(
  '--chain "K-Means(10, 3); Fuzzy C-Means"'
  '--chain "K-Means" --jobs 2'
  '--chain "Particle Swarm Optimization; K-Means" --chain "K-Means(10, 3)" --chain "AiNet; Fuzzy C-Means" --seed-each 7 --table "$table"'
)
shards=4

bench=${1-}
if [ -z "$bench" ] || [ ! -x "$bench" ]; then
  echo "usage: bash $0 PATH_TO_strandel-bench" >&2
  exit 2
fi
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
failures=0

fail() {
  failures=$((failures + 1))
  echo "FAIL: $*"
}

finish() {
  if [ "$failures" -ne 0 ]; then
    echo "$failures check(s) failed"
    exit 1
  fi
  echo "all checks passed"
  exit 0
}

# run_args I: sets the array args to the words of run I, `chains` to its
# number of chains and `each` to the suffix of its report files: "" for one
# chain, "-{n}" for several (then "-1", "-2"... per chain).
run_args() {
  local a
  eval "args=(${runs[$1]})"
  chains=0
  for a in "${args[@]}"; do [ "$a" != --chain ] || chains=$((chains + 1)); done
  each=''
  [ "$chains" -le 1 ] || each='-{n}'
}

# has_table I: run I writes a table.
has_table() { [[ ${runs[$1]} == *--table* ]]; }

# reports NAME: the report files of the current run, NAME with each chain's
# suffix and .txt, one a line.
reports() {
  local n
  if [ -z "$each" ]; then echo "$1.txt"; else for ((n = 1; n <= chains; n++)); do echo "$1-$n.txt"; done; fi
}

# untimed_table TABLE: the table's rows, seconds masked, one Python list a line.
untimed_table() {
  python3 -c 'import csv, sys
for row in csv.reader(open(sys.argv[1], newline="")): row[6] = "-"; print(row)' "$1"
}

# check_table WHAT MERGED SINGLE: MERGED is SINGLE row for row, seconds
# masked.
check_table() {
  local what=$1 merged=$2 single=$3
  if [ ! -s "$merged" ]; then
    fail "$what: no merged table '$merged'"
  elif ! diff <(untimed_table "$single") <(untimed_table "$merged") >/dev/null; then
    fail "$what: the merged table differs from a single run's (< single, > merged):"
    diff <(untimed_table "$single") <(untimed_table "$merged")
  else
    echo "ok: $what"
  fi
}

# copy_sample DIR: the shipped sample benchmark (list and images) in DIR.
copy_sample() {
  mkdir -p "$1" && cp "$root/samples/benchmark/sample.list" "$root"/samples/benchmark/*.png "$1/"
}

# masked REPORT: the report with the time (third column of the lines that
# start with a digit, the image lines) replaced by "-".
masked() { awk -F'\t' -v OFS='\t' '/^[0-9]/ { $3 = "-" } { print }' "$1"; }

# check_merged WHAT MERGED SINGLE LIST: MERGED is SINGLE, times masked, and
# SINGLE has a line for every image of LIST.
check_merged() {
  local what=$1 merged=$2 single=$3 list=$4 images positions
  images=$(grep -c . "$list")
  positions=$(masked "$single" | awk -F'\t' '/^[0-9]/ { print $1 }' | sort -nu | tr '\n' ' ')
  [ "$positions" = "$(seq -s ' ' 0 $((images - 1))) " ] ||
    fail "$what: the single run has lines for positions '$positions', not for each of the $images images"
  if [ ! -s "$merged" ]; then
    fail "$what: no merged report '$merged'"
  elif ! diff <(masked "$single") <(masked "$merged") >/dev/null; then
    fail "$what: the merged report differs from a single run's (< single, > merged):"
    diff <(masked "$single") <(masked "$merged")
  else
    echo "ok: $what"
  fi
}

# check_shard WHAT REPORT K N: REPORT holds only images at positions p with
# p % N == K, and at least one.
check_shard() {
  local what=$1 report=$2 k=$3 n=$4 wrong
  wrong=$(masked "$report" | awk -F'\t' -v k="$k" -v n="$n" '/^[0-9]/ { lines++; if ($1 % n != k) print $1 } END { if (!lines) print "none" }')
  [ -z "$wrong" ] || fail "$what: shard $k/$n has positions $(echo $wrong)"
}
