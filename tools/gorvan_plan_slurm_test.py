#!/usr/bin/python3
"""gorvan-plan --slurm on a single-node Slurm cluster started on this machine
for the test (tools/slurm_test_cluster.py), with the gorvan program named by
the GORVAN_BINARY environment variable (ctest sets it).

The sweeps need the cluster, which needs root and Debian's slurm-wlm and
munge: without them they are skipped (exit code 77, which ctest reports as
skipped), except in CI (CI=true), where the packages are installed and their
absence is a failure. How the runner reads an ended task is tested anywhere."""

import atexit
import csv
import io
import os
import pathlib
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import unittest
from unittest import mock

TOOLS = os.path.dirname(os.path.abspath(__file__))
TOOL = os.path.join(TOOLS, "gorvan-plan")
sys.path.insert(0, TOOLS)

import slurm_test_cluster  # noqa: E402
from gorvan_plan import slurm_commands, slurm_runner  # noqa: E402
from gorvan_plan.runners import JobSpec  # noqa: E402
from gorvan_plan_test import ScratchDirCase  # noqa: E402

BINARY = os.environ.get("GORVAN_BINARY", "")
IN_CI = os.environ.get("CI") == "true"
SKIPPED = 77
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
cluster = None


def start_cluster():
    global cluster
    if not (BINARY and os.access(BINARY, os.X_OK)):
        raise RuntimeError("set GORVAN_BINARY to the built gorvan program")
    # ctest stops a test that runs too long with SIGTERM: stop the daemons then too.
    signal.signal(signal.SIGTERM, signal.default_int_handler)
    cluster = slurm_test_cluster.SingleNodeCluster()
    atexit.register(cluster.stop)
    started = time.monotonic()
    cluster.start()
    print(f"single-node cluster up in {time.monotonic() - started:.1f} s", file=sys.stderr)


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


def read_rows(path):
    with open(path, newline="") as file:
        return list(csv.DictReader(file))


class TaskEnd(unittest.TestCase):
    """How an ended task is read, whatever Slurm still says about it."""

    def setUp(self):
        self.scratch = tempfile.TemporaryDirectory(prefix="gorvan-plan-task-end-")
        self.workdir = pathlib.Path(self.scratch.name)
        self.runner = slurm_runner.SlurmRunner(
            "/bin/true", slurm_runner.SlurmOptions(workdir=self.workdir), log=io.StringIO())

    def tearDown(self):
        self.scratch.cleanup()

    def task(self, exit_text):
        directory = self.workdir / "job"
        directory.mkdir()
        if exit_text is not None:
            (directory / slurm_runner.EXIT_FILE).write_text(exit_text)
        (directory / slurm_runner.STDERR_FILE).write_text("gorvan's message\n")
        return slurm_runner._Task(JobSpec("job", "", ()), directory, "41", 3)

    def test_state_and_exit_code_of_an_ended_task(self):
        grace = slurm_runner.SHARED_FILE_GRACE_SECONDS
        # squeue's state (None: no longer listed), sacct's, the exit file,
        # seconds since Slurm said it ended; then the exit code reported and
        # the last line of standard error, or None while the task counts as
        # not ended yet.
        for queued, accounted, exit_text, ended, code, last_line in (
                ("RUNNING", None, None, None, None, None),
                ("COMPLETING", None, "0\n", None, None, None),
                ("COMPLETED", None, "0\n", None, 0, "gorvan's message"),
                ("FAILED", None, "106\n", None, 106,
                 "Slurm task 41_3 ended FAILED (gorvan's exit code 106)"),
                # The exit file may reach a login node after Slurm's word.
                ("COMPLETED", None, None, None, None, None),
                ("COMPLETED", None, None, grace + 1, -1,
                 "Slurm task 41_3 ended COMPLETED (no exit code recorded)"),
                ("CANCELLED", None, None, None, -1,
                 "Slurm task 41_3 ended CANCELLED (no exit code recorded)"),
                # Forgotten by the controller: accounting, else the exit file.
                (None, "TIMEOUT", None, None, -1,
                 "Slurm task 41_3 ended TIMEOUT (no exit code recorded)"),
                (None, None, "0\n", None, 0, "gorvan's message"),
                (None, None, None, None, None, None),
                (None, None, None, grace + 1, -1,
                 "Slurm task 41_3 ended UNKNOWN (no exit code recorded)")):
            with self.subTest(queued=queued, accounted=accounted, exit_text=exit_text,
                              ended=ended):
                task = self.task(exit_text)
                if ended is not None:
                    task.ended_at = time.monotonic() - ended
                with mock.patch.object(slurm_commands, "accounted_task_state",
                                       return_value=accounted):
                    outcome = self.runner._outcome_if_ended(task, queued, self.workdir)
                if code is None:
                    self.assertIsNone(outcome)
                else:
                    self.assertEqual(outcome.returncode, code)
                    self.assertEqual(outcome.stderr.splitlines()[-1], last_line)
                    self.assertTrue(outcome.stderr.startswith("gorvan's message\n"))
                shutil.rmtree(task.directory)

    def test_a_controller_that_stops_answering_is_reported_then_given_up(self):
        task = self.task(None)
        task.job_id = "41"
        self.runner.job_ids = ["41"]
        self.runner.poll_seconds = (0.01, 0.01)
        calls = []

        def squeue(job_ids):
            calls.append(time.monotonic())
            if len(calls) == 2:
                return {("41", 3): "RUNNING"}  # answers once in between
            raise slurm_commands.SlurmError("squeue failed: Unable to contact slurm controller")
        with mock.patch.object(slurm_commands, "queued_task_states", squeue), \
                mock.patch.object(slurm_runner, "SQUEUE_WARN_SECONDS", 0.05), \
                mock.patch.object(slurm_runner, "SQUEUE_GIVE_UP_SECONDS", 0.3):
            with self.assertRaisesRegex(slurm_commands.SlurmError, "giving up.*array job 41"):
                self.runner._watch([task], self.workdir, self.fail)
        # Said once, after the failures since the last answer outlast the warning time.
        self.assertEqual(self.runner.log.getvalue().splitlines(),
                         ["gorvan-plan: squeue failed: Unable to contact slurm controller; "
                          "still asking (Ctrl-C cancels the sweep)"])
        self.assertGreaterEqual(calls[-1] - calls[1], 0.3)  # the clock restarted on the answer


@unittest.skipIf(NO_CLUSTER and not IN_CI, NO_CLUSTER)
class SlurmSweep(ScratchDirCase):
    @classmethod
    def setUpClass(cls):
        start_cluster()
        cls.addClassCleanup(cluster.stop)

    def command(self, csv_name, *args, binary=BINARY):
        return [TOOL, self.base, "--binary", binary, "--csv", os.path.join(self.dir, csv_name),
                *SWEEP, *args]

    def tool(self, csv_name, *args, binary=BINARY):
        return subprocess.run(self.command(csv_name, *args, binary=binary), capture_output=True,
                              text=True, stdin=subprocess.DEVNULL, env=cluster.environment,
                              timeout=300)

    def start_tool(self, csv_name, *args, binary=BINARY):
        process = subprocess.Popen(self.command(csv_name, *args, binary=binary),
                                   stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True,
                                   stdin=subprocess.DEVNULL, env=cluster.environment)
        started_tools.append(process)
        self.addCleanup(stop_tool, process)
        return process

    def local_csv(self):
        """The same sweep and shards run on this machine, without Slurm."""
        done = self.tool("local.csv", "--jobs", "2")
        self.assertEqual(done.returncode, 0, done.stderr)
        with open(os.path.join(self.dir, "local.csv")) as file:
            return file.read()

    def holding_program(self):
        hold = os.path.join(self.dir, "hold")
        os.mkdir(hold)
        path = self.write("holding-gorvan", HOLDING_PROGRAM.format(binary=BINARY, hold=hold))
        os.chmod(path, 0o755)
        return path, os.path.join(hold, "held", "task")

    def wait_for_held_task(self, process, task_file):
        """The array task ('job_task') and process id of the held job."""
        deadline = time.monotonic() + 120
        while not os.path.exists(task_file):
            if process.poll() is not None or time.monotonic() > deadline:
                process.kill()
                self.fail("no job started under Slurm:\n" + process.communicate()[1]
                          + cluster.logs_tail())
            time.sleep(0.1)
        with open(task_file) as file:
            task, pid = file.read().split()
        return task, int(pid)

    def queued_states(self):
        done = subprocess.run(["squeue", "--noheader", "--array", "--states=all",
                               "--format=%i %T"], capture_output=True, text=True,
                              env=cluster.environment, check=True)
        return dict(line.split() for line in done.stdout.splitlines())

    def test_sweep_on_the_cluster_gives_the_tallies_of_the_same_shards_run_here(self):
        done = self.tool("slurm.csv", "--slurm", "--time", "5", "--cpus-per-task", "1",
                         "--sbatch-arg=--comment=gorvan-plan test")
        self.assertEqual(done.returncode, 0, done.stderr + cluster.logs_tail())
        self.assertIn("4 jobs, each a task of a Slurm array job", done.stderr)
        # The test cluster takes 3 tasks per array at most.
        self.assertRegex(done.stderr, r"submitted 4 tasks to Slurm as array jobs \d+, \d+;")
        progress = [line for line in done.stderr.splitlines() if line.startswith("[")]
        self.assertEqual(len(progress), 2, done.stderr)
        with open(os.path.join(self.dir, "slurm.csv")) as file:
            on_cluster = file.read()
        self.assertEqual([row["shards"] for row in read_rows(os.path.join(self.dir, "slurm.csv"))],
                         ["2", "2"])
        self.assertEqual(on_cluster, self.local_csv())
        # The jobs' folders beside the CSV are gone once every job is read.
        self.assertEqual(sorted(os.listdir(self.dir)), ["BASE.IN", "local.csv", "slurm.csv"])

    def test_a_cancelled_task_is_reported_and_resume_runs_only_what_is_missing(self):
        holding, task_file = self.holding_program()
        process = self.start_tool("slurm.csv", "--slurm", binary=holding)
        task, _ = self.wait_for_held_task(process, task_file)
        subprocess.run(["scancel", task], env=cluster.environment, check=True)
        stdout, stderr = process.communicate(timeout=120)
        self.assertEqual(process.returncode, 1, stderr)
        self.assertIn(f"Slurm task {task} ended CANCELLED (no exit code recorded)", stderr)
        self.assertIn("CANCELLED AT", stderr)  # the tail of the task's Slurm log
        self.assertIn("--resume", stderr)
        kept = read_rows(os.path.join(self.dir, "slurm.csv"))
        self.assertEqual(len(kept), 1, stdout)

        resumed = self.tool("slurm.csv", "--slurm", "--resume", binary=holding)
        self.assertEqual(resumed.returncode, 0, resumed.stderr)
        self.assertIn("1 of 2 settings taken from", resumed.stderr)
        self.assertIn("submitted 2 tasks", resumed.stderr)  # the missing setting's shards
        with open(os.path.join(self.dir, "slurm.csv")) as file:
            self.assertEqual(file.read(), self.local_csv())

    def test_interrupt_cancels_the_array_job_and_exits_130(self):
        holding, task_file = self.holding_program()
        process = self.start_tool("slurm.csv", "--slurm", binary=holding)
        task, pid = self.wait_for_held_task(process, task_file)
        process.send_signal(signal.SIGINT)
        _, stderr = process.communicate(timeout=120)
        self.assertEqual(process.returncode, 130, stderr)
        self.assertNotIn("Traceback", stderr)
        states = self.queued_states()  # the sweep's two arrays, and earlier tests' jobs
        self.assertEqual(states[task], "CANCELLED", states)
        self.assertFalse({"PENDING", "RUNNING", "COMPLETING"} & set(states.values()), states)
        self.assertFalse(running(pid), "the held job still runs")

    def test_refused_submissions_run_nothing(self):
        for args, reason in (
                (("--slurm", "--partition", "no-such-partition"), "sbatch refused"),
                (("--slurm", "--sbatch-arg=--output=elsewhere.log"), "sets --output itself"),
                (("--slurm", "--sbatch-arg=-a0-3"), "sets -a itself"),
                (("--partition", "test"), "--partition needs --slurm")):
            with self.subTest(args=args):
                done = self.tool("slurm.csv", *args)
                self.assertEqual(done.returncode, 2, done.stderr)
                self.assertIn(reason, done.stderr)
                self.assertNotIn("Traceback", done.stderr)
                self.assertFalse({"PENDING", "RUNNING"} & set(self.queued_states().values()))
                self.assertLessEqual(set(os.listdir(self.dir)), {"BASE.IN", "slurm.csv"})


def main():
    if not unittest.main(exit=False).result.wasSuccessful():
        return 1
    if NO_CLUSTER and not IN_CI:
        print(f"SKIPPED the sweeps on a cluster: {NO_CLUSTER}", file=sys.stderr)
        return SKIPPED
    return 0


if __name__ == "__main__":
    sys.exit(main())
