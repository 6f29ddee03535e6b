"""The few Slurm client commands the cluster runner needs, and what their
output means. Every command is run with the caller's environment, so
SLURM_CONF and the user's own Slurm settings apply."""

from __future__ import annotations

import os
import subprocess
from collections.abc import Iterable, Sequence

# States after which a task will not run again (until someone requeues it).
TERMINAL_STATES = frozenset({
    "COMPLETED", "FAILED", "CANCELLED", "TIMEOUT", "NODE_FAIL", "PREEMPTED",
    "BOOT_FAIL", "DEADLINE", "OUT_OF_MEMORY", "REVOKED",
})
# Slurm's own default, used when the controller's configuration cannot be read.
DEFAULT_MAX_ARRAY_SIZE = 1001
COMMAND_TIMEOUT_SECONDS = 120


class SlurmError(RuntimeError):
    """A Slurm command refused or failed; the message says which and why."""


def _run(command: list[str]) -> subprocess.CompletedProcess[str]:
    try:
        return subprocess.run(command, stdin=subprocess.DEVNULL, capture_output=True, text=True,
                              timeout=COMMAND_TIMEOUT_SECONDS)
    except FileNotFoundError:
        raise SlurmError(f"{command[0]} not found: the Slurm client commands must be on the PATH "
                         "of the machine that runs gorvan-plan --slurm") from None
    except subprocess.TimeoutExpired:
        return subprocess.CompletedProcess(command, 1, "", f"{command[0]} did not answer "
                                           f"within {COMMAND_TIMEOUT_SECONDS} s")


def submit_array(script: str | os.PathLike[str], task_count: int, options: Sequence[str],
                 script_args: Sequence[str]) -> str:
    """Submits `script` as an array job of `task_count` tasks (ids 0..n-1)
    and returns the array's job id."""
    command = ["sbatch", "--parsable", f"--array=0-{task_count - 1}", *options,
               str(script), *script_args]
    result = _run(command)
    if result.returncode != 0:
        reason = result.stderr.strip() or f"exit code {result.returncode}"
        raise SlurmError("sbatch refused the array job: " + reason)
    # --parsable prints "jobid" or "jobid;cluster".
    job_id = result.stdout.strip().split(";")[0]
    if not job_id.isdigit():
        raise SlurmError(f"sbatch printed no job id: {result.stdout.strip()!r}")
    return job_id


def queued_task_states(job_ids: Iterable[str]) -> dict[tuple[str, int], str]:
    """{(job id, task id): state} for every task of these array jobs that the
    controller still lists (finished ones stay listed for MinJobAge seconds).
    Raises SlurmError when squeue gets no answer."""
    # Listing the user's jobs rather than naming the ids: squeue refuses the
    # whole request when one named job has already been forgotten.
    result = _run(["squeue", "--noheader", "--array", "--states=all",
                   f"--user={os.getuid()}", "--format=%F %K %T"])
    if result.returncode != 0:
        raise SlurmError("squeue failed: " + (result.stderr.strip() or
                                              f"exit code {result.returncode}"))
    wanted = set(job_ids)
    states = {}
    for line in result.stdout.splitlines():
        fields = line.split()
        if len(fields) == 3 and fields[0] in wanted and fields[1].isdigit():
            states[(fields[0], int(fields[1]))] = fields[2]
    return states


def accounted_task_state(job_id: str, task_id: int) -> str | None:
    """The task's final state from the accounting database (sacct), or None
    when the cluster keeps no accounting or has no record of it."""
    result = _run(["sacct", "--noheader", "--parsable2", "--allocations",
                   f"--jobs={job_id}_{task_id}", "--format=JobID,State"])
    if result.returncode != 0:
        return None
    for line in result.stdout.splitlines():
        fields = line.split("|")
        if len(fields) == 2 and fields[0] == f"{job_id}_{task_id}":
            return fields[1].split()[0] if fields[1] else None  # "CANCELLED by 1000"
    return None


def cancel_jobs(job_ids: Sequence[str]) -> None:
    if job_ids:
        _run(["scancel", *job_ids])


def cancel_by_name(job_name: str) -> None:
    """For a submission interrupted before sbatch told its job id."""
    _run(["scancel", f"--name={job_name}", f"--user={os.getuid()}"])


def max_array_size() -> int:
    result = _run(["scontrol", "show", "config"])
    if result.returncode == 0:
        for line in result.stdout.splitlines():
            key, _, value = line.partition("=")
            if key.strip() == "MaxArraySize" and value.strip().isdigit():
                return int(value.strip())
    return DEFAULT_MAX_ARRAY_SIZE
