#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The shipped sample benchmark submitted with scripts/slurm/submit.sh to a
# one-node Slurm started here (munged, slurmctld and slurmd on localhost,
# every file in a private temporary folder, ports chosen free), as an array
# of four shards and a merge job: the merged reports (and table) must be a
# single run's, times apart, and the merge job writes the report page. Then
# the failures a cluster brings: a shard task cancelled while it runs
# (scancel of one array index) is completed by submit.sh --resume, and a
# shard task requeued while it runs (scontrol requeue) completes by itself;
# either way the merged results equal a single run's.
# Usage: slurm.sh PATH_TO_strandel-bench
# Exit status 77 (skipped) when slurmctld or munged is not installed.
#
# The daemons never outlive the test: they run in the foreground, each in
# the process group of a `timeout` that bounds its life; the EXIT trap stops
# the jobs, then the daemons' groups (by the recorded group ids and the
# daemons' pid files), then every process that carries this run's marker in
# its environment (daemons, slurmstepd, job scripts); a watchdog outside the
# test's process tree does the same if the test is killed outright (CTest's
# timeout sends SIGKILL).
. "$(dirname "$0")/common.bash" "$1"

export PATH="$PATH:/usr/sbin:/sbin"
# Nothing from a surrounding Slurm job or user settings reaches this one.
unset $(compgen -e | grep -E '^(SLURM|SBATCH|SQUEUE|SINFO|SCONTROL|SCANCEL|SALLOC|SRUN)_')
for daemon in slurmctld munged; do
  if ! command -v "$daemon" >/dev/null; then
    echo "SKIP: $daemon is not installed (scripts/install-deps.sh installs it)"
    exit 77
  fi
done
for program in slurmd munge mungekey sbatch squeue sinfo scontrol scancel timeout setsid; do
  command -v "$program" >/dev/null || { echo "slurmctld and munged are installed, but not $program"; exit 1; }
done

lifetime=480  # seconds any daemon may live, whatever happens to the test
started=$SECONDS
# Short, under /tmp: munged's socket path must fit in a sockaddr_un.
tmp=$(mktemp -d /tmp/strandel-slurm.XXXXXX) || exit 1
marker="STRANDEL_CLUSTER_RUN=$tmp"
sdir=$tmp/slurm
export SLURM_CONF=$sdir/slurm.conf
mkdir -p "$tmp/groups" "$sdir/state" "$sdir/spool" "$tmp/key" "$tmp/munge"
chmod 700 "$tmp/key"
# munged wants every folder above its socket searchable by all, and none
# writable by others.
chmod 711 "$tmp" "$tmp/munge"

# Processes of this run: those whose environment holds the marker.
marked_pids() {
  grep -lszxF -- "$marker" /proc/[0-9]*/environ 2>/dev/null | sed 's,^/proc/,,; s,/environ$,,'
}

# ours PID: PID is a process of this run (its command line names the
# temporary folder, or it carries the marker): a pid file or a recorded
# group may be stale, its number taken by another process.
ours() {
  tr '\0' '\n' <"/proc/$1/cmdline" 2>/dev/null | grep -qF -- "$tmp" ||
    grep -qszxF -- "$marker" "/proc/$1/environ"
}

# alive PID: PID runs (a zombie does not).
alive() {
  local stat
  [ -n "$1" ] && stat=$(cat "/proc/$1/stat" 2>/dev/null) && [[ ${stat##*) } != Z* ]]
}

# stop_all: ends the jobs, the daemons and anything they started. Run by
# the EXIT trap and by the watchdog.
stop_all() {
  local name group pid pids signal i
  if alive "$(cat "$tmp/run/slurmctld.pid" 2>/dev/null)"; then
    timeout 10 scancel --user="$(id -un)" >/dev/null 2>&1
  fi
  for name in slurmd slurmctld munged; do
    group=$(cat "$tmp/groups/$name" 2>/dev/null) && ours "$group" && kill -TERM -- "-$group" 2>/dev/null
    pid=$(cat "$tmp/run/$name.pid" 2>/dev/null) && ours "$pid" && kill -TERM "$pid" 2>/dev/null
  done
  # Then whatever is left: slurmstepd and job scripts, which slurmd does
  # not end, and daemons deaf to SIGTERM.
  for signal in TERM KILL; do
    pids=$(marked_pids)
    [ -n "$pids" ] && kill -"$signal" $pids 2>/dev/null
    for ((i = 0; i < 30; i++)); do
      [ -z "$(marked_pids)" ] && break
      sleep 0.1
    done
  done
  for name in slurmd slurmctld munged; do
    group=$(cat "$tmp/groups/$name" 2>/dev/null) && ours "$group" && kill -KILL -- "-$group" 2>/dev/null
  done
}

# The watchdog: detached from the test's process tree (so a kill of the
# tree spares it), it checks every second that the test still runs, and
# stops everything once it does not.
mkfifo "$tmp/tick"  # the watchdog's clock: a read that times out
(
  watch() {
    exec </dev/null >/dev/null 2>&1 9<>"$tmp/tick"
    while kill -0 "$1" 2>/dev/null; do read -r -t 1 -u 9; done
    stop_all
    rm -rf "$tmp"
  }
  watch $$ &
  echo $! >"$tmp/watchdog.pid"
)

cleanup() {
  local status=$? leftovers
  trap - EXIT INT TERM HUP
  stop_all
  leftovers=$( { pgrep -f -- "$tmp"; marked_pids; } | sort -u)
  if [ -n "$leftovers" ]; then
    echo "FAIL: processes left running:"
    ps -o pid,pgid,args -p "$(echo $leftovers | tr ' ' ,)"
    status=1
  fi
  # Last, so that it takes over if this script is killed while it cleans.
  kill "$(cat "$tmp/watchdog.pid")" 2>/dev/null
  rm -rf "$tmp"
  exit "$status"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM
trap 'exit 129' HUP

# start NAME COMMAND...: runs a daemon that stays in the foreground, in the
# process group of a `timeout` bounding its life, marked, its output in
# $sdir/NAME.out; records the group.
start() {
  local name=$1
  shift
  env "$marker" timeout -k 5 "$lifetime" "$@" </dev/null >"$sdir/$name.out" 2>&1 &
  echo $! >"$tmp/groups/$name"
}

# A TCP port below the ephemeral range, unused now; ports listed in $taken
# are avoided too.
free_port() {
  local used port
  used=" $(awk 'FNR > 1 { split($2, a, ":"); print a[2] }' /proc/net/tcp /proc/net/tcp6 2>/dev/null |
    while read -r hex; do echo $((16#$hex)); done | tr '\n' ' ') $taken "
  while :; do
    port=$((15000 + RANDOM % 17000))
    [[ $used == *" $port "* ]] || break
  done
  taken="$taken $port"
  echo "$port"
}

# show_logs: the end of what the daemons said, for a failure.
show_logs() {
  local name log
  echo "--- squeue"
  squeue -a -o '%i %T %r %S' 2>&1 | head -n 20
  for name in munged slurmctld slurmd; do
    log=$sdir/$name.log
    [ -s "$log" ] || log=$sdir/$name.out
    [ -s "$log" ] && { echo "--- $name"; tail -n 25 "$log"; }
  done
}

# wait_for WHAT SECONDS COMMAND...: polls COMMAND until it succeeds.
wait_for() {
  local what=$1 seconds=$2 deadline
  shift 2
  deadline=$((SECONDS + seconds))
  until "$@"; do
    if [ "$SECONDS" -ge "$deadline" ]; then
      echo "FAIL: $what within $seconds s"
      show_logs
      exit 1
    fi
    sleep 0.5
  done
}

# MUNGE, with a new key.
mkdir -p "$tmp/run"
mungekey --create --keyfile="$tmp/key/munge.key" || exit 1
chmod 400 "$tmp/key/munge.key"
socket=$tmp/munge/munge.socket
start munged munged --foreground --force --socket="$socket" --key-file="$tmp/key/munge.key" \
  --pid-file="$tmp/run/munged.pid" --log-file="$sdir/munged.log" --seed-file="$tmp/run/munged.seed"
munge_works() { munge -n -S "$socket" 2>/dev/null | unmunge -S "$socket" >/dev/null 2>&1; }
wait_for "munged answering" 20 munge_works

# Slurm: one node, this machine, as slurmd sees it.
node=$(hostname -s)
hardware=$(slurmd -C | head -n 1 | sed 's/^NodeName=[^ ]* //')
[[ $hardware == *CPUs=* ]] || { echo "FAIL: slurmd -C told no CPUs: $hardware"; exit 1; }
taken=
ctld_port=$(free_port)
slurmd_port=$(free_port)
cat >"$SLURM_CONF" <<CONF
ClusterName=strandeltest
SlurmctldHost=$node(127.0.0.1)
SlurmctldPort=$ctld_port
SlurmdPort=$slurmd_port
SlurmUser=root
SlurmdUser=root
AuthType=auth/munge
CredType=cred/munge
AuthInfo=socket=$socket
StateSaveLocation=$sdir/state
SlurmdSpoolDir=$sdir/spool
SlurmctldPidFile=$tmp/run/slurmctld.pid
SlurmdPidFile=$tmp/run/slurmd.pid
SlurmctldLogFile=$sdir/slurmctld.log
SlurmdLogFile=$sdir/slurmd.log
PlugStackConfig=$sdir/plugstack.conf
ProctrackType=proctrack/linuxproc
TaskPlugin=task/none
JobAcctGatherType=jobacct_gather/none
AccountingStorageType=accounting_storage/none
JobCompType=jobcomp/none
SwitchType=switch/none
MpiDefault=none
SchedulerType=sched/builtin
SchedulerParameters=batch_sched_delay=0,sched_min_interval=0
SelectType=select/cons_tres
SelectTypeParameters=CR_CPU
ReturnToService=2
MailProg=/bin/true
MessageTimeout=10
KillWait=5
SlurmctldDebug=info
SlurmdDebug=info
NodeName=$node NodeAddr=127.0.0.1 $hardware State=UNKNOWN
PartitionName=test Nodes=$node Default=YES MaxTime=10 State=UP
CONF
: >"$sdir/plugstack.conf"
start slurmctld slurmctld -D -i -f "$SLURM_CONF"
start slurmd slurmd -D -f "$SLURM_CONF" -N "$node"
node_idle() { [ "$(sinfo -h -N -n "$node" -o %t 2>/dev/null)" = idle ]; }
wait_for "node $node idle" 60 node_idle
echo "Slurm up in $((SECONDS - started)) s (slurmctld port $ctld_port, slurmd port $slurmd_port)"

# The benchmark, in a folder whose path holds spaces; relative paths are
# taken from the folder the jobs are submitted from.
work="$tmp/work dir"
copy_sample "$work/sample images"
mkdir -p "$work/bin dir"
ln -s "$bench" "$work/bin dir/strandel-bench"
# The merge job finds strandel-report beside strandel-bench.
ln -s "$(dirname "$bench")/strandel-report" "$work/bin dir/strandel-report"
cd "$work" || exit 1
list="sample images/sample.list"

array_jobs=() merge_jobs=()
for i in "${!runs[@]}"; do
  table="$work/run $i/results.csv"  # the merged table, written by the merge job
  run_args "$i"
  ids=$(env "$marker" "$root/scripts/slurm/submit.sh" --bench "bin dir/strandel-bench" --time 5 \
    "$shards" "run $i" "${args[@]}" --list "$list") || { echo "FAIL: run $i: submit.sh failed"; exit 1; }
  read -r array_job merge_job <<<"$ids"
  [[ $array_job =~ ^[0-9]+$ && $merge_job =~ ^[0-9]+$ ]] || { echo "FAIL: run $i: submit.sh printed '$ids'"; exit 1; }
  array_jobs+=("$array_job") merge_jobs+=("$merge_job")
done
submitted=$SECONDS
for i in "${!runs[@]}"; do
  table="run $i/single.csv"
  run_args "$i"
  "$bench" "${args[@]}" --list "$list" --out "run $i/single$each.txt" >/dev/null 2>"run $i/single.err" ||
    { fail "run $i: single run failed:"; cat "run $i/single.err"; }
done

ids=$(IFS=,; echo "${array_jobs[*]},${merge_jobs[*]}")
jobs_done() { [ -z "$(squeue -h -j "$ids" -o %i 2>&1)" ]; }
wait_for "jobs $ids done" 150 jobs_done
echo "jobs done $((SECONDS - submitted)) s after their submission"

# state JOB: the states of JOB's tasks, one a line.
state() { scontrol -o show job "$1" | grep -o 'JobState=[A-Z_]*' | cut -d= -f2; }
for i in "${!runs[@]}"; do
  dir="run $i"
  [ "$(state "${array_jobs[$i]}" | sort | uniq -c | awk '{ print $1, $2 }')" = "$shards COMPLETED" ] ||
    { fail "run $i: array job ${array_jobs[$i]}: states $(state "${array_jobs[$i]}" | tr '\n' ' ')"; cat "$dir"/logs/*.log; }
  [ "$(state "${merge_jobs[$i]}")" = COMPLETED ] ||
    { fail "run $i: merge job ${merge_jobs[$i]}: state $(state "${merge_jobs[$i]}")"; cat "$dir/logs/merge.log"; }
  run_args "$i"
  mapfile -t singles < <(reports "$dir/single")
  for c in "${!singles[@]}"; do
    suffix=${singles[$c]#"$dir/single"}
    for ((k = 0; k < shards; k++)); do
      check_shard "run $i" "$dir/shard-$k$suffix" "$k" "$shards"
    done
    check_merged "run $i (${runs[$i]}): Slurm array merged, chain $((c + 1))" "$dir/results$suffix" \
      "${singles[$c]}" "$list"
  done
  if has_table "$i"; then
    check_table "run $i: Slurm shard tables merged" "$dir/results.csv" "$dir/single.csv"
    [ -s "$dir/report.html" ] && grep -q 'K-Means(10, 3)' "$dir/summary.txt" ||
      fail "run $i: the merge job wrote no report page or summary"
    grep -q '^measure,method_a,method_b,test,' "$dir/statistics.csv" && grep -q ',friedman,' "$dir/statistics.csv" ||
      fail "run $i: the merge job wrote no statistics file with the Friedman test"
  fi
done

# A shard task that dies (cancelled here; a node failure alike) or is
# requeued while it runs. The wrapper runs strandel-bench, then, for the
# shard named in $work/slow-K, sleeps before the task can rename its files
# into place: the task is caught in the middle of its run.
cat >"$work/bin dir/slow-bench" <<WRAPPER
#!/bin/bash
status=0
"$bench" "\$@" || status=\$?
while [ \$# -gt 0 ]; do [ "\$1" = --shard ] && shard=\${2%/*}; shift; done
if [ -e "$work/slow-\$shard" ]; then
  rm -f "$work/slow-\$shard"
  touch "$work/sleeping-\$shard"
  sleep 200
fi
exit \$status
WRAPPER
chmod +x "$work/bin dir/slow-bench"
ln -s "$(dirname "$bench")/strandel-report" "$work/bin dir/strandel-report-for-slow"
i=2
run_args "$i"
# task_state JOB K: the state of task K of array JOB.
task_state() { scontrol -o show job "$1_$2" 2>/dev/null | grep -o 'JobState=[A-Z_]*' | cut -d= -f2; }
sleeping() { [ -e "$work/sleeping-$1" ] && [ "$(task_state "$2" "$1")" = RUNNING ]; }
# compare_run DIR WHAT: DIR's merged reports and table are the single run's.
compare_run() {
  local dir=$1 what=$2 c suffix
  mapfile -t singles < <(reports "run $i/single")
  for c in "${!singles[@]}"; do
    suffix=${singles[$c]#"run $i/single"}
    check_merged "$what, chain $((c + 1))" "$dir/results$suffix" "${singles[$c]}" "$list"
  done
  check_table "$what: table" "$dir/results.csv" "run $i/single.csv"
}

# The requeue first: Slurm lets a requeued task start again only about two
# minutes later, time the cancelled run below uses.
table="$work/requeued/results.csv"
run_args "$i"
touch "$work/slow-2"
ids=$(env "$marker" "$root/scripts/slurm/submit.sh" --bench "bin dir/slow-bench" \
  --report "bin dir/strandel-report-for-slow" --time 5 "$shards" requeued "${args[@]}" --list "$list") ||
  { echo "FAIL: submit.sh failed (requeued run)"; exit 1; }
read -r requeued_array requeued_merge <<<"$ids"
wait_for "shard 2 running in the middle of its task" 60 sleeping 2 "$requeued_array"
scontrol requeue "${requeued_array}_2" || fail "scontrol requeue ${requeued_array}_2 refused"
table="$work/cancelled/results.csv"
run_args "$i"
touch "$work/slow-1"
ids=$(env "$marker" "$root/scripts/slurm/submit.sh" --bench "bin dir/slow-bench" \
  --report "bin dir/strandel-report-for-slow" --time 5 "$shards" cancelled "${args[@]}" --list "$list") ||
  { echo "FAIL: submit.sh failed (cancelled run)"; exit 1; }
read -r array_job merge_job <<<"$ids"
wait_for "shard 1 running in the middle of its task" 60 sleeping 1 "$array_job"
scancel "${array_job}_1"
jobs_gone() { [ -z "$(squeue -h -j "$1" -o %i 2>&1)" ]; }
wait_for "the cancelled array and its merge job gone" 60 jobs_gone "$array_job,$merge_job"
[ ! -e cancelled/shard-1.csv ] && [ ! -e cancelled/shard-1-1.txt ] && [ ! -e "$table" ] ||
  fail "a cancelled shard left its files, or the merge ran: $(ls cancelled)"
[ -e cancelled/shard-0.csv ] && [ -e cancelled/shard-3-3.txt ] || fail "the other shards are missing: $(ls cancelled)"
ids=$(env "$marker" "$root/scripts/slurm/submit.sh" --resume cancelled 2>"$work/resume.err") ||
  { fail "submit.sh --resume failed:"; cat "$work/resume.err"; }
grep -q "1 of 4 shards (1)" "$work/resume.err" || { fail "--resume did not resubmit shard 1 alone:"; cat "$work/resume.err"; }
read -r array_job merge_job <<<"$ids"
wait_for "the resumed jobs done" 90 jobs_gone "$array_job,$merge_job"
[ "$(state "$merge_job")" = COMPLETED ] || { fail "resumed merge job: $(state "$merge_job")"; cat cancelled/logs/merge.log; }
compare_run cancelled "a cancelled shard resumed"
again=$(env "$marker" "$root/scripts/slurm/submit.sh" --resume cancelled 2>/dev/null)
[ "$again" = "none none" ] || fail "resuming a complete run submitted '$again'"

# Slurm holds a requeued job back for about two minutes before it may
# start again; the cancelled run above was resumed meanwhile.
wait_for "the requeued array and its merge job done" 240 jobs_gone "$requeued_array,$requeued_merge"
grep -q "Restarts=[1-9]" <(scontrol -o show job "${requeued_array}_2") || fail "task 2 was not requeued"
[ "$(state "$requeued_merge")" = COMPLETED ] || { fail "merge job after a requeue: $(state "$requeued_merge")"; cat requeued/logs/merge.log; }
compare_run requeued "a requeued shard"
[ "$failures" -eq 0 ] || show_logs
finish
