#!/bin/bash
# experiment --engine slurm on a real Slurm: a cluster of one node on this machine
# (scripts/slurm/start) runs a 6-run experiment, followed to its end, whose files must equal the
# local engine's byte for byte (runs.csv but for its seconds column, each run's hall of fame, log
# and result). A second one is only submitted, held, has two tasks cancelled and is collected:
# those runs failed, the others are complete; resumed, it submits those two alone and ends with
# the same files again. A third has its task requeued half-way, which goes on from the run's
# checkpoint. Skips, saying why, where Slurm's daemons cannot run here.
#   slurm_test.sh SOURCE_DIR BUILD_DIR
set -u
source=$1
build=$2

skip() {
  printf '%s: Skipped\n%s\n\n[  SKIPPED ] experiment --engine slurm\n' "$0" "$1"
  exit 77
}
[ "$(id -u)" -eq 0 ] || skip "Slurm's daemons run as root: run the tests as root to run this one."
for command in slurmctld slurmd sbatch munged mungekey flock; do
  command -v "$command" >/dev/null || skip "Slurm is not installed (scripts/install-deps slurm installs it)."
done

work=$(mktemp -d)
chmod 755 "$work"  # munged's socket must be reachable through every folder above it
fail() {
  echo "FAIL: $*"
  exit 1
}
# One cluster at a time on this machine: the daemons' ports are fixed (another build's tests).
exec 9>/tmp/gp-suite-slurm-test.lock
flock -w 600 9 || fail "another test's cluster kept the lock for ten minutes"
trap '"$source/scripts/slurm/stop" "$work/cluster" >/dev/null; rm -rf "$work"' EXIT
"$source/scripts/slurm/start" "$work/cluster" >"$work/start.log" 2>&1 || fail "no cluster: $(cat "$work/start.log")"
export SLURM_CONF=$work/cluster/etc/slurm.conf

cd "$work" || exit 1
for collection in train:1 test:2; do
  mkdir "${collection%:*}" && cp "$source/examples/learning/train/fitness.txt" "${collection%:*}/"
  (cd "${collection%:*}" && "$build/generator" --seed "${collection#*:}" >/dev/null) || fail "generator"
done
learner=(-- --population 20 --generations 3)
experiment() {  # OUT STATUS ARGS...: runs it, which must end with STATUS
  local out=$1 status=$2
  shift 2
  timeout 120 "$build/experiment" --train train --test test --out "$out" --runs 6 "$@" "${learner[@]}" >"$out.log" 2>&1
  local got=$?
  [ $got -eq "$status" ] || fail "experiment --out $out $*: status $got, not $status: $(cat "$out.log")"
}
without_seconds() {  # a CSV without its "seconds" column
  local column
  column=$(head -n 1 "$1" | tr , '\n' | grep -nx seconds | cut -d: -f1)
  cut -d, -f"1-$((column - 1)),$((column + 1))-" "$1"
}
same_as_local() {
  local file run
  for file in sets.csv summary.txt; do cmp -s "local/$file" "$1/$file" || fail "$1/$file differs from local/$file"; done
  cmp -s <(without_seconds local/runs.csv) <(without_seconds "$1/runs.csv") || fail "$1/runs.csv differs"
  for run in 0 1 2 3 4 5; do
    for file in learner_hof.txt learner_log.csv learner_err.txt; do
      cmp -s "local/run-0$run/$file" "$1/run-0$run/$file" || fail "$1/run-0$run/$file differs"
    done
    cmp -s <(grep -v ^seconds "local/run-0$run/result.txt") <(grep -v ^seconds "$1/run-0$run/result.txt") ||
      fail "$1/run-0$run/result.txt differs"
  done
}

experiment local 0 --jobs 2
experiment followed 0 --engine slurm --jobs 3 --time 5 --cpus-per-task 1 --sbatch-args --job-name=slurm-test
grep -qx -- '#SBATCH --array=0-5%3' followed/slurm/array.sh || fail "the array: $(cat followed/slurm/array.sh)"
[ "$(grep -c '^Run [0-5] (seed [1-6]): Twt ' followed.log)" -eq 6 ] || fail "progress: $(cat followed.log)"
same_as_local followed

experiment held 0 --engine slurm --submit-only --sbatch-args --hold
job=$(cat held/slurm/job.txt)
grep -q "experiment --collect $work/held follows the job" held.log || fail "submit-only: $(cat held.log)"
scancel "${job}_4" "${job}_5" && scontrol release "$job" || fail "job $job not held"
timeout 120 "$build/experiment" --collect held >held.log 2>&1
[ $? -eq 1 ] || fail "collect of a job with cancelled tasks: $(cat held.log)"
grep -q "^4,5,failed,.*the Slurm task ${job}_4 ended without a record" held/runs.csv || fail "$(cat held/runs.csv)"
grep -q "^5,6,failed," held/runs.csv && grep -q "^3,4,ok," held/runs.csv || fail "$(cat held/runs.csv)"
experiment held 0 --engine slurm --resume
grep -qx -- '#SBATCH --array=4-5' held/slurm/array.sh || fail "the resumed array: $(cat held/slurm/array.sh)"
same_as_local held

# A task requeued while its run is half-way (Slurm stops it with SIGTERM, as it does a preempted
# task, then runs it again) goes on from the run's checkpoint, to the files of a run never stopped.
long=(--train train --test test --runs 1 -- --population 60 --generations 15)
timeout 300 "$build/experiment" --out long "${long[@]}" >long.log 2>&1 || fail "$(cat long.log)"
timeout 60 "$build/experiment" --out requeued --engine slurm --submit-only "${long[@]}" >requeued.log 2>&1 ||
  fail "$(cat requeued.log)"
job=$(cat requeued/slurm/job.txt)
for _ in $(seq 1200); do
  [ "$(cat requeued/run-00/learner_log.csv 2>/dev/null | wc -l)" -gt 3 ] && break
  sleep 0.1
done
scontrol requeue "${job}_0" || fail "Slurm did not requeue ${job}_0"
# Slurm lets a requeued task start again two minutes after it is pending; this test waits only
# the few seconds in which slurmd refuses to launch a job it has just killed.
for _ in $(seq 300); do
  [ "$(squeue -h -j "${job}_0" -o %T)" = PENDING ] && break
  sleep 0.1
done
sleep 5
scontrol update JobId="${job}_0" StartTime=now || fail "the requeued ${job}_0 cannot start now"
timeout 300 "$build/experiment" --collect requeued >requeued.log 2>&1 || fail "$(cat requeued.log)"
grep -q "^Going on after generation" requeued/run-00/learner_out.txt ||
  fail "the requeued task started its run afresh: $(cat requeued/run-00/learner_out.txt)"
for file in learner_hof.txt learner_log.csv; do
  cmp -s "long/run-00/$file" "requeued/run-00/$file" || fail "requeued/run-00/$file differs"
done
echo "ok: experiment --engine slurm equals the local engine, followed, collected, resumed and requeued"
