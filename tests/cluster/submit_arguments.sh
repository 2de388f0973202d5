#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# What scripts/slurm/submit.sh hands sbatch, checked with a stand-in sbatch
# that only records its arguments: no Slurm is needed. A scored method is a
# results file of its own, numbered after the chains, so the array and the
# merge must count it; a long table every shard would write is refused.
#   bash submit_arguments.sh PATH_TO_strandel-bench
set -u
bench=${1:?usage: bash $0 PATH_TO_strandel-bench}
root=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { failures=$((failures + 1)); echo "FAIL: $*"; }

mkdir "$work/bin"
cat >"$work/bin/sbatch" <<'SBATCH'
#!/bin/bash
printf '%s\n' "$*" >>"$SBATCH_LOG"
echo $((RANDOM + 1))
SBATCH
chmod +x "$work/bin/sbatch"
export SBATCH_LOG="$work/sbatch.log"

# submit.sh OUTDIR ARGS...: the number of methods the array and the merge job were told.
methods_told() {
  : >"$SBATCH_LOG"
  PATH="$work/bin:$PATH" "$root/scripts/slurm/submit.sh" --bench "$bench" --report none 2 "$work/$1" \
    "${@:2}" --list "$root/samples/benchmark/sample.list" >/dev/null 2>"$work/err" || { cat "$work/err"; return 1; }
  local array merge
  array=$(sed -n 1p "$SBATCH_LOG" | grep -o -- '--chains [0-9]*' | cut -d' ' -f2)
  merge=$(sed -n 2p "$SBATCH_LOG" | grep -o -- '--chains [0-9]*' | cut -d' ' -f2)
  echo "${array:-1} ${merge:-1}"
}

[ "$(methods_told one --chain K-Means)" = "1 1" ] || fail "one chain: not one results file"
[ "$(methods_told scored --chain K-Means --score 'mine={dir}/{stem}_seg.png')" = "2 2" ] ||
  fail "a chain and a scored method: not two results files"
[ "$(methods_told default --score='mine={dir}/{stem}_seg.png' --score 'theirs={dir}/{stem}_seg.png')" = "3 3" ] ||
  fail "the default chain and two scored methods: not three results files"
grep -q -- "--score mine={dir}/{stem}_seg.png" <(sed -n 1p "$SBATCH_LOG") && fail "a --score= value was split"
sed -n 1p "$SBATCH_LOG" | grep -q -- "--score theirs={dir}/{stem}_seg.png" || fail "--score's value did not reach the array"

: >"$SBATCH_LOG"
if PATH="$work/bin:$PATH" "$root/scripts/slurm/submit.sh" --bench "$bench" 2 "$work/long" --chain K-Means \
  --table-annotators "$work/long.csv" --list "$root/samples/benchmark/sample.list" >/dev/null 2>"$work/err"; then
  fail "--table-annotators was accepted"
fi
grep -q -- "--table-annotators" "$work/err" || fail "the refusal does not name --table-annotators: $(cat "$work/err")"
[ ! -s "$SBATCH_LOG" ] || fail "a refused submission still called sbatch"

[ "$failures" -eq 0 ] || { echo "$failures check(s) failed"; exit 1; }
echo "submit.sh counts scored methods and refuses a shared long table"
