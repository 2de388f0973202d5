#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The shipped sample benchmark in four shards run at once by GNU parallel,
# then merged: the merged report must be a single run's, times apart. Paths
# hold spaces, and the chain reaches strandel-bench as one argument.
# Usage: parallel.sh PATH_TO_strandel-bench
. "$(dirname "$0")/common.bash" "$1"

if ! command -v parallel >/dev/null; then
  echo "GNU parallel is not installed (scripts/install-deps.sh installs it)"
  exit 1
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# GNU parallel keeps its files under PARALLEL_HOME, ~/.parallel otherwise.
export PARALLEL_HOME="$work/parallel home"
copy_sample "$work/sample images"
cd "$work" || exit 1
list="sample images/sample.list"

for i in "${!runs[@]}"; do
  dir="run $i"
  mkdir "$dir"
  table="$dir/single.csv"
  run_args "$i"
  "$bench" "${args[@]}" --list "$list" --out "$dir/single$each.txt" >/dev/null 2>"$dir/single.err" ||
    { fail "run $i: single run failed:"; cat "$dir/single.err"; continue; }
  # -q: the command's words reach strandel-bench as they are, not through a shell.
  table="$dir/shard {}.csv"
  run_args "$i"
  parallel --will-cite -q "$bench" "${args[@]}" --list "$list" \
    --shard "{}/$shards" --out "$dir/shard {}$each.txt" ::: $(seq 0 $((shards - 1))) \
    </dev/null >/dev/null 2>"$dir/shards.err" ||
    { fail "run $i: parallel failed:"; cat "$dir/shards.err"; continue; }
  mapfile -t singles < <(reports "$dir/single")
  for c in "${!singles[@]}"; do
    suffix=${singles[$c]#"$dir/single"}
    merge_inputs=()
    for ((k = shards - 1; k >= 0; k--)); do
      check_shard "run $i" "$dir/shard $k$suffix" "$k" "$shards"
      merge_inputs+=("$dir/shard $k$suffix")
    done
    "$bench" --merge "$dir/merged$suffix" "${merge_inputs[@]}" 2>"$dir/merge.err" ||
      { fail "run $i: merge failed:"; cat "$dir/merge.err"; continue; }
    check_merged "run $i (${runs[$i]}): parallel shards merged, chain $((c + 1))" "$dir/merged$suffix" \
      "${singles[$c]}" "$list"
  done
  if has_table "$i"; then
    "$bench" --merge "$dir/merged.csv" "$dir"/shard\ [0-9]*.csv 2>"$dir/merge.err" ||
      { fail "run $i: merge of the tables failed:"; cat "$dir/merge.err"; continue; }
    check_table "run $i: parallel shard tables merged" "$dir/merged.csv" "$dir/single.csv"
  fi
done
finish
