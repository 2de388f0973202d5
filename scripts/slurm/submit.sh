#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Submits a benchmark to Slurm: a job array of TASKS shards (bench-array.sbatch)
# and a merge job (bench-merge.sbatch) that starts once every shard succeeded.
# Prints the two job ids, "ARRAY_JOB_ID MERGE_JOB_ID", on standard output.
set -euo pipefail

usage() {
  cat <<USAGE
Usage: $0 [--bench PROGRAM] [--sbatch OPTION]... TASKS OUTDIR [--] BENCH_ARG...

Runs PROGRAM BENCH_ARG... --shard K/TASKS --out OUTDIR/shard-K.txt for K = 0 to
TASKS-1 as a Slurm job array, then PROGRAM --merge OUTDIR/results.txt on the
shard reports once all of them succeeded. BENCH_ARG... are given to
strandel-bench exactly as they are (--chain, --list, --seed-each, --jobs ...),
and relative paths among them are taken from the current folder, as the jobs
start there; --out, --shard and --merge are set here.

With several chains (--chain given more than once, or --chains FILE) each
chain n gets OUTDIR/shard-K-n.txt and OUTDIR/results-n.txt. With --table
FILE each shard writes OUTDIR/shard-K.csv and the merge job joins them into
FILE, which must not exist yet.

  --bench PROGRAM   the strandel-bench to run (default: the one on PATH)
  --sbatch OPTION   one more option for both sbatch calls, such as
                    --partition=batch or --time=30; may be repeated

Job logs go to OUTDIR/logs/. Standard output: the array's and the merge
job's ids, separated by a space.
USAGE
}
fail() { echo "submit.sh: $*" >&2; exit 2; }

bench='' sbatch_options=()
while [ $# -gt 0 ]; do
  case $1 in
    --bench) [ $# -ge 2 ] || fail "--bench needs a program"; bench=$2; shift 2 ;;
    --bench=*) bench=${1#--bench=}; shift ;;
    --sbatch) [ $# -ge 2 ] || fail "--sbatch needs an option"; sbatch_options+=("$2"); shift 2 ;;
    --sbatch=*) sbatch_options+=("${1#--sbatch=}"); shift ;;
    -h | --help) usage; exit 0 ;;
    --) shift; break ;;
    -*) fail "unknown option '$1' (see --help)" ;;
    *) break ;;
  esac
done
[ $# -ge 2 ] || { usage >&2; exit 2; }
tasks=$1 outdir=$2
shift 2
[ "${1-}" = -- ] && shift
[[ $tasks =~ ^[1-9][0-9]*$ ]] || fail "TASKS must be a positive number, not '$tasks'"
# The chains (counted as strandel-bench reads them) and the table, which
# the jobs name per shard.
chains=0 table='' bench_args=()
while [ $# -gt 0 ]; do
  arg=$1
  shift
  case $arg in
    --) bench_args+=("$arg" "$@"); break ;;
    --out | --out=* | --shard | --shard=* | --merge | --merge=*)
      fail "$arg is set by submit.sh: give the output folder instead" ;;
    --table=*) table=${arg#--table=}; continue ;;
    --table) [ $# -ge 1 ] || fail "--table needs a file"; table=$1; shift; continue ;;
    --chain | --chain=*) chains=$((chains + 1)) ;;
    --chains | --chains=*)
      file=${arg#--chains=}
      if [ "$arg" = --chains ]; then
        [ $# -ge 1 ] || fail "--chains needs a file"
        file=$1
      fi
      [ -r "$file" ] || fail "--chains '$file' cannot be read"
      chains=$((chains + $(grep -cvE '^[[:space:]]*(#|$)' "$file" || true))) ;;
  esac
  bench_args+=("$arg")
  # An option's value goes along as it is.
  case $arg in
    --chain | --chains | --seed | --seed-each | --list | --jobs | --engine | --profile | --ground-truth)
      [ $# -ge 1 ] && { bench_args+=("$1"); shift; } ;;
  esac
done
set -- "${bench_args[@]+"${bench_args[@]}"}"
# Slurm expands % in log file names.
[[ $outdir != *%* ]] || fail "the output folder's name must not contain '%'"

if [ -z "$bench" ]; then
  bench=$(command -v strandel-bench) || fail "no strandel-bench on PATH: give --bench PROGRAM"
fi
[ -f "$bench" ] && [ -x "$bench" ] || fail "'$bench' is not an executable file"
# The jobs start in the current folder, but may run on another machine:
# absolute paths for what this script names itself.
[[ $bench == /* ]] || bench="$(cd "$(dirname "$bench")" && pwd)/$(basename "$bench")"
mkdir -p "$outdir/logs"
outdir=$(cd "$outdir" && pwd)
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
array_options=() merge_options=()
if [ "$chains" -gt 1 ]; then
  array_options+=(--chains "$chains") merge_options+=(--chains "$chains")
fi
if [ -n "$table" ]; then
  [[ $table == /* ]] || table="$PWD/$table"
  [ ! -e "$table" ] || fail "the table '$table' exists already"
  for ((k = 0; k < tasks; k++)); do
    [ ! -e "$outdir/shard-$k.csv" ] || fail "'$outdir/shard-$k.csv' exists already: give a new output folder"
  done
  array_options+=(--table) merge_options+=(--table "$table")
fi

array_job=$(sbatch --parsable "${sbatch_options[@]}" --array="0-$((tasks - 1))" \
  --output="$outdir/logs/shard-%a.log" \
  "$here/bench-array.sbatch" "${array_options[@]}" "$bench" "$outdir" "$@")
array_job=${array_job%%;*}  # "ID;CLUSTER" on federated clusters
if ! merge_job=$(sbatch --parsable "${sbatch_options[@]}" \
  --dependency="afterok:$array_job" --kill-on-invalid-dep=yes \
  --output="$outdir/logs/merge.log" \
  "$here/bench-merge.sbatch" "${merge_options[@]}" "$bench" "$outdir" "$tasks"); then
  echo "submit.sh: the merge job was refused: cancelling array job $array_job" >&2
  scancel "$array_job" || true
  exit 1
fi
merge_job=${merge_job%%;*}
into="$outdir/results.txt"
[ "$chains" -gt 1 ] && into="$outdir/results-{1..$chains}.txt"
[ -n "$table" ] && into="$into and $table"
echo "submit.sh: array job $array_job ($tasks tasks), then merge job $merge_job into $into" >&2
echo "$array_job $merge_job"
