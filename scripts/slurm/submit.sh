#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Submits a benchmark to Slurm: a job array of TASKS shards (bench-array.sbatch)
# and a merge job (bench-merge.sbatch) that starts once every shard succeeded;
# or, with --resume, only the shards of an earlier submission that did not
# complete, then the merge. Prints the two job ids, "ARRAY_JOB_ID
# MERGE_JOB_ID", on standard output ("none" for an array with nothing to
# do).
set -euo pipefail

usage() {
  cat <<USAGE
Usage: $0 [OPTION]... TASKS OUTDIR [--] BENCH_ARG...
       $0 --resume OUTDIR [--sbatch OPTION]...

Runs PROGRAM BENCH_ARG... --shard K/TASKS --out OUTDIR/shard-K.txt for K = 0 to
TASKS-1 as a Slurm job array, then PROGRAM --merge OUTDIR/results.txt on the
shard reports once all of them succeeded. BENCH_ARG... are given to
strandel-bench exactly as they are (--chain, --list, --seed-each, --jobs ...),
and relative paths among them are taken from the current folder, as the jobs
start there; --out, --shard and --merge are set here.

With several chains (--chain given more than once, or --chains FILE) or a
scored method (--score, numbered after the chains) each method n gets
OUTDIR/shard-K-n.txt and OUTDIR/results-n.txt (chains and scores are
counted on the command line, not in a --config file). --table-annotators
is refused: the shards would share its one file. With --table
FILE each shard writes OUTDIR/shard-K.csv and the merge job joins them into
FILE, which must not exist yet, then writes OUTDIR/report.html,
OUTDIR/statistics.csv and OUTDIR/summary.txt with strandel-report.

A shard's files are renamed into place only when it succeeded (a killed or
requeued task redoes its shard). --resume OUTDIR submits again the shards of
OUTDIR's submission whose files lack their end-of-run mark, then the merge.

  --bench PROGRAM   the strandel-bench to run (default: the one on PATH)
  --report PROGRAM  the strandel-report the merge job runs (default: the one
                    beside strandel-bench, else on PATH; none: no page)
  --time T          time limit of each shard (sbatch --time) [1:00:00]; the
                    merge job gets the same
  --mem M           memory of each shard (sbatch --mem) [2G]
  --account A       the account to charge (sbatch --account)
  --partition P     the partition to run in (sbatch --partition)
  --sbatch OPTION   one more option for both sbatch calls, such as
                    --qos=short; may be repeated
  --resume OUTDIR   complete an earlier submission into OUTDIR

Each shard asks for as many CPUs (--cpus-per-task) as strandel-bench's
--jobs (default 1). Job logs go to OUTDIR/logs/. Standard output: the
array's and the merge job's ids, separated by a space.
USAGE
}
fail() { echo "submit.sh: $*" >&2; exit 2; }

bench='' report='' resume='' sbatch_options=() time_limit=1:00:00 memory=2G account='' partition=''
# take OPTION VALUE...: the value of an option given as two words or as --option=value.
while [ $# -gt 0 ]; do
  case $1 in
    --bench | --report | --time | --mem | --account | --partition | --sbatch | --resume)
      [ $# -ge 2 ] || fail "$1 needs a value"
      name=$1 value=$2
      shift 2 ;;
    --bench=* | --report=* | --time=* | --mem=* | --account=* | --partition=* | --sbatch=* | --resume=*)
      name=${1%%=*} value=${1#*=}
      shift ;;
    -h | --help) usage; exit 0 ;;
    --) shift; break ;;
    -*) fail "unknown option '$1' (see --help)" ;;
    *) break ;;
  esac
  case $name in
    --bench) bench=$value ;;
    --report) report=$value ;;
    --time) time_limit=$value ;;
    --mem) memory=$value ;;
    --account) account=$value ;;
    --partition) partition=$value ;;
    --sbatch) sbatch_options+=("$value") ;;
    --resume) resume=$value ;;
  esac
done
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

# shard_complete K: every file of shard K is in place and carries its
# end-of-run mark (the reports' last line, the table's provenance).
shard_complete() {
  local k=$1 n file
  local files=("$outdir/shard-$k.txt")
  if [ "$chains" -gt 1 ]; then
    files=()
    for ((n = 1; n <= chains; n++)); do files+=("$outdir/shard-$k-$n.txt"); done
  fi
  for file in "${files[@]}"; do
    [ -f "$file" ] && [ "$(tail -n 1 "$file")" = "# end of shard $k/$tasks" ] || return 1
  done
  [ -z "$table" ] || grep -q '"complete": true' "$outdir/shard-$k.csv.json" 2>/dev/null
}

# submit INDICES: the array (unless INDICES is empty) and the merge job
# after it; prints their ids.
submit() {
  local indices=$1 array_job=none dependency=() resources array_options=() merge_options=()
  resources=(--time="$time_limit" ${account:+--account="$account"} ${partition:+--partition="$partition"})
  [ "$chains" -le 1 ] || array_options+=(--chains "$chains") merge_options+=(--chains "$chains")
  if [ -n "$table" ]; then
    array_options+=(--table) merge_options+=(--table "$table")
    [ -z "$report" ] || merge_options+=(--report "$report")
    [ -z "$report" ] || [ -z "$segmentations" ] || merge_options+=(--segmentations "$segmentations")
  fi
  if [ -n "$indices" ]; then
    array_job=$(sbatch --parsable "${resources[@]}" "${sbatch_options[@]}" --array="$indices" \
      --cpus-per-task="$cpus" --mem="$memory" --output="$outdir/logs/shard-%a.log" \
      "$here/bench-array.sbatch" --shards "$tasks" "${array_options[@]}" "$bench" "$outdir" "${bench_args[@]}")
    array_job=${array_job%%;*}  # "ID;CLUSTER" on federated clusters
    dependency=(--dependency="afterok:$array_job" --kill-on-invalid-dep=yes)
  fi
  if ! merge_job=$(sbatch --parsable "${resources[@]}" "${sbatch_options[@]}" "${dependency[@]}" \
    --output="$outdir/logs/merge.log" \
    "$here/bench-merge.sbatch" "${merge_options[@]}" "$bench" "$outdir" "$tasks"); then
    echo "submit.sh: the merge job was refused: cancelling array job $array_job" >&2
    [ "$array_job" = none ] || scancel "$array_job" || true
    exit 1
  fi
  merge_job=${merge_job%%;*}
  echo "$array_job $merge_job"
}

if [ -n "$resume" ]; then
  [ $# -eq 0 ] || fail "--resume takes only the output folder (and --sbatch options)"
  saved="$resume/logs/submission"
  [ -r "$saved" ] || fail "'$resume' holds no submission of submit.sh (no '$saved')"
  extra_options=("${sbatch_options[@]+"${sbatch_options[@]}"}")
  # shellcheck source=/dev/null
  . "$saved"
  sbatch_options+=("${extra_options[@]+"${extra_options[@]}"}")
  cd "$submitted_from" || fail "cannot enter '$submitted_from', where the benchmark was submitted from"
  missing=()
  for ((k = 0; k < tasks; k++)); do shard_complete "$k" || missing+=("$k"); done
  indices=$(IFS=,; echo "${missing[*]-}")
  merged="$outdir/results.txt"
  [ "$chains" -le 1 ] || merged="$outdir/results-$chains.txt"
  [ -z "$table" ] || merged=$table.json
  if [ -z "$indices" ] && [ -e "$merged" ]; then
    echo "submit.sh: every shard of $outdir is complete and merged: nothing to resume" >&2
    echo "none none"
    exit 0
  fi
  ids=$(submit "$indices")
  echo "submit.sh: resuming $outdir: ${#missing[@]} of $tasks shards (${indices:-none}), then merge job ${ids#* }" >&2
  echo "$ids"
  exit 0
fi

[ $# -ge 2 ] || { usage >&2; exit 2; }
tasks=$1 outdir=$2
shift 2
[ "${1-}" = -- ] && shift
[[ $tasks =~ ^[1-9][0-9]*$ ]] || fail "TASKS must be a positive number, not '$tasks'"
# The chains (counted as strandel-bench reads them), the table and the label
# folder, which the jobs name per shard, and the CPUs --jobs wants.
chains=0 scores=0 table='' segmentations='' cpus=1 bench_args=()
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
    --score | --score=*) scores=$((scores + 1)) ;;
    --table-annotators | --table-annotators=*)
      fail "$arg: every shard would write that one file; run strandel-bench --table-annotators on the data set instead" ;;
    --jobs=*) cpus=${arg#--jobs=} ;;
    --jobs) cpus=${1-1} ;;
    --save-segmentations=*) segmentations=${arg#--save-segmentations=} ;;
    --save-segmentations) segmentations=${1-} ;;
  esac
  bench_args+=("$arg")
  # An option's value goes along as it is.
  case $arg in
    --chain | --chains | --seed | --seed-each | --list | --jobs | --engine | --profile | --ground-truth | \
      --save-segmentations | --config | --score | --gray | --levels | --measures)
      [ $# -ge 1 ] && { bench_args+=("$1"); shift; } ;;
  esac
done
[[ $cpus =~ ^[1-9][0-9]*$ ]] || fail "--jobs '$cpus' is not a positive number"
# Scored methods get results files numbered after the chains (one default
# chain when none is given).
[ "$scores" -eq 0 ] || chains=$(( (chains > 0 ? chains : 1) + scores ))
# Slurm expands % in log file names.
[[ $outdir != *%* ]] || fail "the output folder's name must not contain '%'"

if [ -z "$bench" ]; then
  bench=$(command -v strandel-bench) || fail "no strandel-bench on PATH: give --bench PROGRAM"
fi
[ -f "$bench" ] && [ -x "$bench" ] || fail "'$bench' is not an executable file"
# The jobs start in the current folder, but may run on another machine:
# absolute paths for what this script names itself.
[[ $bench == /* ]] || bench="$(cd "$(dirname "$bench")" && pwd)/$(basename "$bench")"
if [ -z "$report" ]; then
  report="$(dirname "$bench")/strandel-report"
  [ -x "$report" ] || report=$(command -v strandel-report) || report=''
elif [ "$report" = none ]; then
  report=''
else
  [ -f "$report" ] && [ -x "$report" ] || fail "'$report' is not an executable file"
  [[ $report == /* ]] || report="$(cd "$(dirname "$report")" && pwd)/$(basename "$report")"
fi
mkdir -p "$outdir/logs"
outdir=$(cd "$outdir" && pwd)
[ ! -e "$outdir/logs/submission" ] ||
  fail "'$outdir' holds a submission already: give --resume '$outdir' to complete it, or a new folder"
if [ -n "$table" ]; then
  [[ $table == /* ]] || table="$PWD/$table"
  [ ! -e "$table" ] || fail "the table '$table' exists already"
fi
[ -z "$segmentations" ] || [[ $segmentations == /* ]] || segmentations="$PWD/$segmentations"
submitted_from=$PWD

ids=$(submit "0-$((tasks - 1))")
# What --resume needs to submit the same jobs again.
declare -p tasks outdir chains table segmentations cpus bench report time_limit memory account partition \
  sbatch_options bench_args submitted_from >"$outdir/logs/submission"
into="$outdir/results.txt"
[ "$chains" -gt 1 ] && into="$outdir/results-{1..$chains}.txt"
[ -n "$table" ] && into="$into and $table"
echo "submit.sh: array job ${ids% *} ($tasks tasks), then merge job ${ids#* } into $into" >&2
echo "$ids"
