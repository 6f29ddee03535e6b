"""Runs a sweep's jobs as the tasks of a Slurm array job.

Every job gets its own directory under the work directory, which must be on
a file system the compute nodes share with this machine: gorvan-plan writes
GORVAN.IN there, the task runs gorvan in it and leaves gorvan's output files,
its standard output and error, and its exit code (written last, by rename, so
its presence means gorvan has finished). The runner watches the array with
squeue and reports each task as it ends. A task that ends without a recorded
exit code (cancelled, out of time, node lost) is reported with its Slurm state
and the last lines of its Slurm log.
"""

from __future__ import annotations

import dataclasses
import os
import pathlib
import shlex
import shutil
import sys
import time
from collections.abc import Callable, Iterable, Sequence
from typing import TextIO

from . import commands as slurm_commands
from ..checker import write_parameter_file
from ..runners import JobOutcome, JobSpec

MARKER = ".gorvan-plan-task"  # marks a directory this runner may clear and reuse
STDOUT_FILE = "gorvan.stdout"
STDERR_FILE = "gorvan.stderr"
EXIT_FILE = "gorvan.exit"
# A file written on a compute node may take a few seconds to show on another
# machine of a network file system; a finished task is given this long.
SHARED_FILE_GRACE_SECONDS = 60
LOG_TAIL_LINES = 5
# After scancel, how long to wait for the tasks to stop writing into their
# directories (Slurm sends SIGTERM, then SIGKILL after its KillWait).
CANCEL_WAIT_SECONDS = 20
# A controller may be out of reach for a while (restart, overload): the runner
# keeps asking, says so after a minute, and gives up after half an hour.
SQUEUE_WARN_SECONDS = 60
SQUEUE_GIVE_UP_SECONDS = 1800
NO_EXIT_CODE = -1

TASK_SCRIPT = """\
#!/bin/bash
# One task of a gorvan-plan sweep: runs gorvan in the directory named on line
# (first argument + task id + 1) of the task list, with that line's arguments,
# then records gorvan's exit code there.
line=$(sed -n "$(( $1 + SLURM_ARRAY_TASK_ID + 1 ))p" {task_list})
eval "set -- $line"
cd "$1" || exit 1
shift
echo "gorvan-plan task ${{SLURM_ARRAY_JOB_ID}}_${{SLURM_ARRAY_TASK_ID}} in $PWD on $(hostname)"
{binary} "$@" >{stdout} 2>{stderr}
code=$?
echo "$code" >{exit_file}.part && mv {exit_file}.part {exit_file}
echo "gorvan exited with code $code"
exit "$code"
"""


@dataclasses.dataclass(frozen=True)
class SlurmOptions:
    workdir: pathlib.Path
    partition: str | None = None
    time: str | None = None
    cpus_per_task: int | None = None
    sbatch_args: tuple[str, ...] = ()

    def sbatch_options(self, job_name: str, log_pattern: str) -> list[str]:
        options = [f"--job-name={job_name}", f"--output={log_pattern}", f"--chdir={self.workdir}"]
        if self.partition:
            options.append(f"--partition={self.partition}")
        if self.time:
            options.append(f"--time={self.time}")
        if self.cpus_per_task:
            options.append(f"--cpus-per-task={self.cpus_per_task}")
        return options + list(self.sbatch_args)


@dataclasses.dataclass
class _Task:
    job: JobSpec
    directory: pathlib.Path
    job_id: str = ""
    task_id: int = 0
    ended_at: float | None = None  # when Slurm first reported it ended

    @property
    def slurm_name(self) -> str:
        return f"{self.job_id}_{self.task_id}"


class SlurmRunner:
    def __init__(self, binary: str, options: SlurmOptions,
                 poll_seconds: tuple[float, float] = (1.0, 15.0),
                 log: TextIO = sys.stderr) -> None:
        # Absolute, but through the links the user named: a shared folder is
        # often a link whose target differs from node to node.
        self.binary = pathlib.Path(os.path.abspath(binary))
        self.options = dataclasses.replace(
            options, workdir=pathlib.Path(os.path.abspath(options.workdir)))
        self.poll_seconds = poll_seconds
        self.log = log
        self.job_ids: list[str] = []
        self.job_name: str | None = None
        self.submission: pathlib.Path | None = None
        self.cancelled = False

    def run(self, job_specs: Iterable[JobSpec],
            on_finished: Callable[[JobOutcome], None]) -> None:
        job_specs = list(job_specs)
        if not job_specs:
            return
        submission = self.submission = self._new_submission_directory()
        tasks = [_Task(job, self._prepare_job_directory(job)) for job in job_specs]
        task_list = submission / "tasks"
        task_list.write_text("".join(shlex.join([str(task.directory), *task.job.args]) + "\n"
                                     for task in tasks))
        script = submission / "task.sh"
        script.write_text(TASK_SCRIPT.format(
            task_list=shlex.quote(str(task_list)), binary=shlex.quote(str(self.binary)),
            stdout=STDOUT_FILE, stderr=STDERR_FILE, exit_file=EXIT_FILE))
        script.chmod(0o755)
        try:
            self._submit(tasks, script, submission / "logs")
        except slurm_commands.SlurmError:
            shutil.rmtree(submission, ignore_errors=True)
            raise
        if self._watch(tasks, submission / "logs", on_finished):
            shutil.rmtree(submission, ignore_errors=True)  # no failure to look into

    def cancel(self) -> None:
        """Cancels every array job this runner submitted and waits a little
        for their tasks to stop (idempotent)."""
        self.cancelled = True
        if self.job_ids:
            slurm_commands.cancel_jobs(self.job_ids)
            self._wait_until_stopped()
        elif self.job_name:
            slurm_commands.cancel_by_name(self.job_name)
        if self.submission is not None:
            shutil.rmtree(self.submission, ignore_errors=True)

    def _wait_until_stopped(self):
        deadline = time.monotonic() + CANCEL_WAIT_SECONDS
        while time.monotonic() < deadline:
            try:
                states = slurm_commands.queued_task_states(self.job_ids)
            except slurm_commands.SlurmError:
                return  # nothing more to learn; the tasks were told to stop
            if all(state in slurm_commands.TERMINAL_STATES for state in states.values()):
                return
            time.sleep(0.5)

    def _new_submission_directory(self):
        stamp = time.strftime("%Y%m%d-%H%M%S") + f"-{os.getpid()}"
        submission = self.options.workdir / f"slurm-{stamp}"
        (submission / "logs").mkdir(parents=True)
        self.job_name = f"gorvan-plan-{stamp}"
        return submission

    def _prepare_job_directory(self, job):
        directory = self.options.workdir / job.name
        if directory.exists():
            if not (directory / MARKER).exists():
                raise slurm_commands.SlurmError(
                    f"{directory} exists and was not made by gorvan-plan; choose another --workdir")
            shutil.rmtree(directory)
        directory.mkdir(parents=True)
        (directory / MARKER).write_text("")
        write_parameter_file(directory, job.parameter_text)
        return directory

    def _submit(self, tasks, script, logs):
        """One array job, or several when the sweep has more tasks than the
        cluster allows in one array."""
        chunk = slurm_commands.max_array_size()
        options = self.options.sbatch_options(self.job_name, f"{logs}/%A_%a.log")
        for first in range(0, len(tasks), chunk):
            part = tasks[first:first + chunk]
            try:
                job_id = slurm_commands.submit_array(script, len(part), options, [str(first)])
            except slurm_commands.SlurmError:
                slurm_commands.cancel_jobs(self.job_ids)  # no sweep runs half-submitted
                raise
            self.job_ids.append(job_id)
            for task_id, task in enumerate(part):
                task.job_id, task.task_id = job_id, task_id
        arrays = "array job" if len(self.job_ids) == 1 else "array jobs"
        print(f"gorvan-plan: submitted {len(tasks)} tasks to Slurm as {arrays} "
              f"{', '.join(self.job_ids)}; logs in {logs}", file=self.log, flush=True)

    def _watch(self, tasks, logs, on_finished):
        """Reports each task as it ends; True when every one succeeded."""
        waiting = {(task.job_id, task.task_id): task for task in tasks}
        all_succeeded = True
        started = time.monotonic()
        unanswered = _Unanswered(self.log, self.job_ids)
        while waiting and not self.cancelled:
            fastest, slowest = self.poll_seconds
            time.sleep(min(slowest, max(fastest, (time.monotonic() - started) / 10)))
            try:
                states = slurm_commands.queued_task_states(self.job_ids)
            except slurm_commands.SlurmError as error:
                unanswered.failed(error)
                continue
            unanswered.answered()
            for key, task in list(waiting.items()):
                outcome = self._outcome_if_ended(task, states.get(key), logs)
                if outcome is not None:
                    del waiting[key]
                    if outcome.returncode != 0:
                        all_succeeded = False
                        # Said at once: a cluster sweep may have hours still to go.
                        print(f"gorvan-plan: job {task.job.name}: "
                              f"{outcome.stderr.splitlines()[-1]}", file=self.log, flush=True)
                    on_finished(outcome)
        return all_succeeded and not waiting

    def _outcome_if_ended(self, task, queued_state, logs):
        """The task's outcome once it has ended for good, else None."""
        state = queued_state
        if state is None:  # no longer listed: ask the accounting, if any
            state = slurm_commands.accounted_task_state(task.job_id, task.task_id) or "UNKNOWN"
        if state not in slurm_commands.TERMINAL_STATES and state != "UNKNOWN":
            return None
        exit_code = _read_exit_code(task.directory)
        if exit_code is None and state in ("COMPLETED", "FAILED", "UNKNOWN"):
            # Ended by itself: its exit code may not have reached this machine yet.
            if task.ended_at is None:
                task.ended_at = time.monotonic()
            if time.monotonic() - task.ended_at < SHARED_FILE_GRACE_SECONDS:
                return None
        return self._outcome(task, state, exit_code, logs / f"{task.slurm_name}.log")

    def _outcome(self, task, state, exit_code, log):
        stderr = _read_text(task.directory / STDERR_FILE)
        if exit_code != 0:
            recorded = ("no exit code recorded" if exit_code is None
                        else f"gorvan's exit code {exit_code}")
            if stderr and not stderr.endswith("\n"):
                stderr += "\n"
            # The state comes last: callers show the end of a failed job's text.
            stderr += (f"last lines of the Slurm log {log}:\n{_tail(log)}"
                       f"Slurm task {task.slurm_name} ended {state} ({recorded})\n")
        return JobOutcome(job=task.job, directory=task.directory,
                          returncode=NO_EXIT_CODE if exit_code is None else exit_code,
                          console=_read_text(task.directory / STDOUT_FILE), stderr=stderr)


class _Unanswered:
    """Keeps track of how long squeue has gone without an answer."""

    def __init__(self, log: TextIO, job_ids: Sequence[str]) -> None:
        self.log, self.job_ids = log, job_ids
        self.since = None
        self.warned = False

    def answered(self) -> None:
        if self.warned:
            print("gorvan-plan: Slurm answers again", file=self.log, flush=True)
        self.since, self.warned = None, False

    def failed(self, error: slurm_commands.SlurmError) -> None:
        now = time.monotonic()
        self.since = self.since or now
        if now - self.since >= SQUEUE_GIVE_UP_SECONDS:
            raise slurm_commands.SlurmError(
                f"{error}; no answer for {SQUEUE_GIVE_UP_SECONDS // 60} minutes, giving up. The "
                f"array job {', '.join(self.job_ids)} may still run: cancel it with scancel "
                "once Slurm answers, or let it end, and run again with --resume")
        if now - self.since >= SQUEUE_WARN_SECONDS and not self.warned:
            self.warned = True
            print(f"gorvan-plan: {error}; still asking (Ctrl-C cancels the sweep)",
                  file=self.log, flush=True)


def _read_exit_code(directory):
    text = _read_text(directory / EXIT_FILE).strip()
    return int(text) if text.lstrip("-").isdigit() else None


def _read_text(path):
    try:
        return path.read_bytes().decode("utf-8", "surrogateescape")
    except FileNotFoundError:
        return ""


def _tail(path):
    try:
        lines = path.read_text(errors="replace").splitlines()[-LOG_TAIL_LINES:]
    except FileNotFoundError:
        lines = []
    return "".join(f"    {line}\n" for line in lines) if lines else "    (empty or not found)\n"
