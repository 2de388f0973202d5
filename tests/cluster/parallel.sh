#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The shipped sample benchmark in four shards run at once by GNU parallel,
# then merged: the merged report must be a single run's, times apart. Paths
# hold spaces, and the chain reaches strandel-bench as one argument. Then the
# README's recipe with a shard killed part way: nothing is merged.
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

# The recipe (parallel --halt now,fail=1 ... && strandel-bench --merge) with
# shard 2 killed after it wrote some of its lines: the wrapper cuts its
# report back to the header and one line, as a kill leaves it, and dies by
# SIGKILL.
cat >"$work/killed-bench" <<WRAPPER
#!/bin/bash
"$bench" "\$@" || exit
while [ \$# -gt 0 ]; do case \$1 in --shard) shard=\$2 ;; --out) out=\$2 ;; esac; shift; done
if [ "\$shard" = 2/$shards ]; then
  head -n 5 "\$out" >"\$out.cut" && mv "\$out.cut" "\$out"
  kill -KILL \$\$
fi
WRAPPER
chmod +x "$work/killed-bench"
mkdir "killed run"
# One shard at a time, so that the killed one is the only one cut short
# (--halt now would also kill a shard still running beside it).
if parallel --will-cite -j1 --halt now,fail=1 -q "$work/killed-bench" --chain "K-Means" --list "$list" \
  --shard "{}/$shards" --out "killed run/shard {}.txt" ::: $(seq 0 $((shards - 1))) </dev/null >/dev/null 2>&1 &&
  "$bench" --merge "killed run/results.txt" "killed run"/shard\ [0-9].txt 2>/dev/null; then
  fail "the recipe merged a killed shard"
elif [ -e "killed run/results.txt" ]; then
  fail "the recipe wrote a merged report"
else
  echo "ok: the recipe merges nothing when a shard was killed"
fi
"$bench" --merge "killed run/by hand.txt" "killed run"/shard\ [0-9].txt 2>"killed run/merge.err"
if [ $? -ne 1 ] || ! grep -q "'killed run/shard 2.txt' has no end-of-run mark" "killed run/merge.err" ||
  [ -e "killed run/by hand.txt" ]; then
  fail "a merge by hand did not refuse the killed shard:"
  cat "killed run/merge.err"
else
  echo "ok: a merge by hand names the killed shard"
fi
finish
