"""gorvan-plan --slurm on a single-node Slurm cluster started on this machine
for the test (slurm_test_cluster.py), with the gorvan program named by the
GORVAN_BINARY environment variable (ctest sets it).

The sweeps need the cluster, which needs root and Debian's slurm-wlm and
munge: without them they are skipped (ctest runs pytest with
--skipped-exit-code 77 and reports the test skipped), except in CI
(CI=true), where the packages are installed and their absence is a failure.
How the runner reads an ended task is tested anywhere."""

import atexit
import io
import os
import pathlib
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time
from unittest import mock

import pytest

import slurm_test_cluster
from gorvan_plan.runners import JobSpec
from gorvan_plan.slurm import commands as slurm_commands
from gorvan_plan.slurm import runner as slurm_runner
from plan_support import BINARY, TOOL, read_rows

IN_CI = os.environ.get("CI") == "true"
SWEEP = ("--vary", "samples=10,20", "--runs", "6", "--seed", "5", "--shards", "2")

# Stands in for gorvan: the first job to start waits (as a long job would)
# until Slurm stops it, after saying which array task it is; every other call
# runs the real program.
HOLDING_PROGRAM = """\
#!/bin/sh
case " $* " in *" --check "*) exec {binary} "$@";; esac
if mkdir {hold}/held 2>/dev/null; then
  echo "${{SLURM_ARRAY_JOB_ID}}_${{SLURM_ARRAY_TASK_ID}} $$" >{hold}/held/task.part
  mv {hold}/held/task.part {hold}/held/task
  exec sleep 600
fi
exec {binary} "$@"
"""

NO_CLUSTER = slurm_test_cluster.missing_requirements()


def stop_tool(process):
    if process.poll() is None:
        process.kill()
    process.communicate()


# Tools still running when the test is interrupted are stopped at exit (by
# process id), like the cluster's daemons.
started_tools = []
atexit.register(lambda: [stop_tool(process) for process in started_tools])


def running(pid):
    """Whether the process runs (a zombie waiting for its parent does not)."""
    try:
        with open(f"/proc/{pid}/stat") as file:
            return file.read().rpartition(")")[2].split()[0] != "Z"
    except FileNotFoundError:
        return False


# ---- How an ended task is read, whatever Slurm still says about it ----

class TaskEnd:
    def __init__(self, workdir):
        self.workdir = workdir
        self.runner = slurm_runner.SlurmRunner(
            "/bin/true", slurm_runner.SlurmOptions(workdir=workdir), log=io.StringIO())

    def task(self, exit_text):
        directory = self.workdir / "job"
        directory.mkdir()
        if exit_text is not None:
            (directory / slurm_runner.EXIT_FILE).write_text(exit_text)
        (directory / slurm_runner.STDERR_FILE).write_text("gorvan's message\n")
        return slurm_runner._Task(JobSpec("job", "", ()), directory, "41", 3)


@pytest.fixture
def task_end():
    with tempfile.TemporaryDirectory(prefix="gorvan-plan-task-end-") as workdir:
        yield TaskEnd(pathlib.Path(workdir))


GRACE = slurm_runner.SHARED_FILE_GRACE_SECONDS


# squeue's state (None: no longer listed), sacct's, the exit file, seconds
# since Slurm said it ended; then the exit code reported and the last line of
# standard error, or None while the task counts as not ended yet.
@pytest.mark.parametrize("queued, accounted, exit_text, ended, code, last_line", [
    ("RUNNING", None, None, None, None, None),
    ("COMPLETING", None, "0\n", None, None, None),
    ("COMPLETED", None, "0\n", None, 0, "gorvan's message"),
    ("FAILED", None, "106\n", None, 106, "Slurm task 41_3 ended FAILED (gorvan's exit code 106)"),
    # The exit file may reach a login node after Slurm's word.
    ("COMPLETED", None, None, None, None, None),
    ("COMPLETED", None, None, GRACE + 1, -1,
     "Slurm task 41_3 ended COMPLETED (no exit code recorded)"),
    ("CANCELLED", None, None, None, -1, "Slurm task 41_3 ended CANCELLED (no exit code recorded)"),
    # Forgotten by the controller: accounting, else the exit file.
    (None, "TIMEOUT", None, None, -1, "Slurm task 41_3 ended TIMEOUT (no exit code recorded)"),
    (None, None, "0\n", None, 0, "gorvan's message"),
    (None, None, None, None, None, None),
    (None, None, None, GRACE + 1, -1, "Slurm task 41_3 ended UNKNOWN (no exit code recorded)"),
])
def test_state_and_exit_code_of_an_ended_task(task_end, queued, accounted, exit_text, ended,
                                              code, last_line):
    task = task_end.task(exit_text)
    if ended is not None:
        task.ended_at = time.monotonic() - ended
    with mock.patch.object(slurm_commands, "accounted_task_state", return_value=accounted):
        outcome = task_end.runner._outcome_if_ended(task, queued, task_end.workdir)
    if code is None:
        assert outcome is None
    else:
        assert outcome.returncode == code
        assert outcome.stderr.splitlines()[-1] == last_line
        assert outcome.stderr.startswith("gorvan's message\n")
    shutil.rmtree(task.directory)


def test_a_controller_that_stops_answering_is_reported_then_given_up(task_end):
    runner = task_end.runner
    task = task_end.task(None)
    task.job_id = "41"
    runner.job_ids = ["41"]
    runner.poll_seconds = (0.01, 0.01)
    calls = []

    def squeue(job_ids):
        calls.append(time.monotonic())
        if len(calls) == 2:
            return {("41", 3): "RUNNING"}  # answers once in between
        raise slurm_commands.SlurmError("squeue failed: Unable to contact slurm controller")
    with mock.patch.object(slurm_commands, "queued_task_states", squeue), \
            mock.patch.object(slurm_runner, "SQUEUE_WARN_SECONDS", 0.05), \
            mock.patch.object(slurm_runner, "SQUEUE_GIVE_UP_SECONDS", 0.3):
        with pytest.raises(slurm_commands.SlurmError, match="giving up.*array job 41"):
            runner._watch([task], task_end.workdir, pytest.fail)
    # Said once, after the failures since the last answer outlast the warning time.
    assert runner.log.getvalue().splitlines() == [
        "gorvan-plan: squeue failed: Unable to contact slurm controller; "
        "still asking (Ctrl-C cancels the sweep)"]
    assert calls[-1] - calls[1] >= 0.3  # the clock restarted on the answer


# ---- Sweeps on the cluster ----

@pytest.fixture(scope="module")
def cluster():
    """The single-node cluster, started once for the sweeps of this module."""
    if NO_CLUSTER:
        if IN_CI:
            pytest.fail(f"CI must run the sweeps on a cluster: {NO_CLUSTER}")
        pytest.skip(f"the sweeps on a cluster: {NO_CLUSTER}")
    if not (BINARY and os.access(BINARY, os.X_OK)):
        pytest.fail("set GORVAN_BINARY to the built gorvan program")
    # ctest stops a test that runs too long with SIGTERM: stop the daemons then too.
    signal.signal(signal.SIGTERM, signal.default_int_handler)
    started_cluster = slurm_test_cluster.SingleNodeCluster()
    atexit.register(started_cluster.stop)
    started = time.monotonic()
    try:
        started_cluster.start()
        print(f"single-node cluster up in {time.monotonic() - started:.1f} s", file=sys.stderr)
        yield started_cluster
    finally:
        started_cluster.stop()


class SlurmSweep:
    """The tool run on the scratch directory's base design, through the cluster."""

    def __init__(self, scratch, cluster):
        self.scratch = scratch
        self.cluster = cluster
        self.dir = scratch.dir
        self.base = scratch.base

    def command(self, csv_name, *args, binary=BINARY):
        return [TOOL, self.base, "--binary", binary, "--csv", os.path.join(self.dir, csv_name),
                "--allow-short-chain", *SWEEP, *args]

    def tool(self, csv_name, *args, binary=BINARY):
        return subprocess.run(self.command(csv_name, *args, binary=binary), capture_output=True,
                              text=True, stdin=subprocess.DEVNULL, env=self.cluster.environment,
                              timeout=300)

    def start_tool(self, csv_name, *args, binary=BINARY):
        process = subprocess.Popen(self.command(csv_name, *args, binary=binary),
                                   stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True,
                                   stdin=subprocess.DEVNULL, env=self.cluster.environment)
        started_tools.append(process)
        return process

    def local_csv(self):
        """The same sweep and shards run on this machine, without Slurm."""
        done = self.tool("local.csv", "--jobs", "2")
        assert done.returncode == 0, done.stderr
        with open(os.path.join(self.dir, "local.csv")) as file:
            return file.read()

    def holding_program(self):
        hold = os.path.join(self.dir, "hold")
        os.mkdir(hold)
        path = self.scratch.write("holding-gorvan",
                                  HOLDING_PROGRAM.format(binary=BINARY, hold=hold))
        os.chmod(path, 0o755)
        return path, os.path.join(hold, "held", "task")

    def wait_for_held_task(self, process, task_file):
        """The array task ('job_task') and process id of the held job."""
        deadline = time.monotonic() + 120
        while not os.path.exists(task_file):
            if process.poll() is not None or time.monotonic() > deadline:
                process.kill()
                pytest.fail("no job started under Slurm:\n" + process.communicate()[1]
                            + self.cluster.logs_tail())
            time.sleep(0.1)
        with open(task_file) as file:
            task, pid = file.read().split()
        return task, int(pid)

    def queued_states(self):
        done = subprocess.run(["squeue", "--noheader", "--array", "--states=all",
                               "--format=%i %T"], capture_output=True, text=True,
                              env=self.cluster.environment, check=True)
        return dict(line.split() for line in done.stdout.splitlines())


@pytest.fixture
def slurm_sweep(cluster, scratch):
    sweep = SlurmSweep(scratch, cluster)
    count = len(started_tools)
    yield sweep
    for process in started_tools[count:]:
        stop_tool(process)


def test_sweep_on_the_cluster_gives_the_tallies_of_the_same_shards_run_here(slurm_sweep):
    sweep = slurm_sweep
    done = sweep.tool("slurm.csv", "--slurm", "--time", "5", "--cpus-per-task", "1",
                      "--sbatch-arg=--comment=gorvan-plan test")
    assert done.returncode == 0, done.stderr + sweep.cluster.logs_tail()
    assert "4 jobs, each a task of a Slurm array job" in done.stderr
    # The test cluster takes 3 tasks per array at most.
    assert re.search(r"submitted 4 tasks to Slurm as array jobs \d+, \d+;", done.stderr), \
        done.stderr
    progress = [line for line in done.stderr.splitlines() if line.startswith("[")]
    assert len(progress) == 2, done.stderr
    with open(os.path.join(sweep.dir, "slurm.csv")) as file:
        on_cluster = file.read()
    assert [row["shards"] for row in read_rows(os.path.join(sweep.dir, "slurm.csv"))] == ["2", "2"]
    assert on_cluster == sweep.local_csv()
    # The jobs' folders beside the CSV are gone once every job is read.
    assert sorted(os.listdir(sweep.dir)) == ["BASE.IN", "local.csv", "slurm.csv"]


def test_a_cancelled_task_is_reported_and_resume_runs_only_what_is_missing(slurm_sweep):
    sweep = slurm_sweep
    holding, task_file = sweep.holding_program()
    process = sweep.start_tool("slurm.csv", "--slurm", binary=holding)
    task, _ = sweep.wait_for_held_task(process, task_file)
    subprocess.run(["scancel", task], env=sweep.cluster.environment, check=True)
    stdout, stderr = process.communicate(timeout=120)
    assert process.returncode == 1, stderr
    assert f"Slurm task {task} ended CANCELLED (no exit code recorded)" in stderr
    assert "CANCELLED AT" in stderr  # the tail of the task's Slurm log
    assert "--resume" in stderr
    kept = read_rows(os.path.join(sweep.dir, "slurm.csv"))
    assert len(kept) == 1, stdout

    resumed = sweep.tool("slurm.csv", "--slurm", "--resume", binary=holding)
    assert resumed.returncode == 0, resumed.stderr
    assert "1 of 2 settings taken from" in resumed.stderr
    assert "submitted 2 tasks" in resumed.stderr  # the missing setting's shards
    with open(os.path.join(sweep.dir, "slurm.csv")) as file:
        assert file.read() == sweep.local_csv()


def test_interrupt_cancels_the_array_job_and_exits_130(slurm_sweep):
    sweep = slurm_sweep
    holding, task_file = sweep.holding_program()
    process = sweep.start_tool("slurm.csv", "--slurm", binary=holding)
    task, pid = sweep.wait_for_held_task(process, task_file)
    process.send_signal(signal.SIGINT)
    _, stderr = process.communicate(timeout=120)
    assert process.returncode == 130, stderr
    assert "Traceback" not in stderr
    states = sweep.queued_states()  # the sweep's two arrays, and earlier tests' jobs
    assert states[task] == "CANCELLED", states
    assert not ({"PENDING", "RUNNING", "COMPLETING"} & set(states.values())), states
    assert not running(pid), "the held job still runs"


@pytest.mark.parametrize("args, reason", [
    (("--slurm", "--partition", "no-such-partition"), "sbatch refused"),
    (("--slurm", "--sbatch-arg=--output=elsewhere.log"), "sets --output itself"),
    (("--slurm", "--sbatch-arg=-a0-3"), "sets -a itself"),
    (("--partition", "test"), "--partition needs --slurm"),
])
def test_refused_submissions_run_nothing(slurm_sweep, args, reason):
    sweep = slurm_sweep
    done = sweep.tool("slurm.csv", *args)
    assert done.returncode == 2, done.stderr
    assert reason in done.stderr
    assert "Traceback" not in done.stderr
    assert not ({"PENDING", "RUNNING"} & set(sweep.queued_states().values()))
    assert set(os.listdir(sweep.dir)) <= {"BASE.IN", "slurm.csv"}
