"""Where and how the jobs of a sweep run.

A job is one execution of gorvan on one parameter file in a directory of its
own. A runner takes job specifications, runs them, and hands back each job's
outcome as soon as it ends; everything else (which jobs, what their results
mean) is the caller's, and reads only the outcome's directory and console, so
that any runner will do."""

from __future__ import annotations

import concurrent.futures
import dataclasses
import os
import pathlib
import shutil
import subprocess
import threading
from typing import Callable, Protocol, Sequence

from .checker import write_parameter_file


@dataclasses.dataclass(frozen=True)
class JobSpec:
    name: str                 # unique, filesystem-safe; used for its directory and task names
    parameter_text: str       # the GORVAN.IN content to write in the job's directory
    args: tuple[str, ...]     # gorvan's arguments, e.g. ("--seed", "7")


@dataclasses.dataclass
class JobOutcome:
    job: JobSpec
    directory: pathlib.Path   # holds GORVAN.IN and every output file after the job
    returncode: int
    console: str              # the job's standard output (the "Run =" lines etc.)
    stderr: str


class Runner(Protocol):
    def run(self, job_specs: Sequence[JobSpec],
            on_finished: Callable[[JobOutcome], None]) -> None: ...

    def cancel(self) -> None: ...   # stop everything still running (Ctrl-C)


def prepare_directory(workdir: str | os.PathLike[str], job: JobSpec) -> pathlib.Path:
    """A clean directory for the job holding its GORVAN.IN (what a job of the
    same name left there before is removed first)."""
    directory = pathlib.Path(workdir) / job.name
    if directory.exists():
        shutil.rmtree(directory)
    directory.mkdir(parents=True)
    write_parameter_file(directory, job.parameter_text)
    return directory


class LocalRunner:
    """Runs up to `jobs` gorvan processes at a time on this machine, each in
    its own directory under `workdir`. `on_finished` is called in the calling
    thread, one outcome at a time."""

    def __init__(self, binary: str, jobs: int, workdir: str | os.PathLike[str]) -> None:
        self.binary = os.path.abspath(binary)
        self.jobs = jobs
        self.workdir = pathlib.Path(workdir)
        self._lock = threading.Lock()
        self._running = {}       # job name -> its process
        self._cancelled = False

    def run(self, job_specs: Sequence[JobSpec],
            on_finished: Callable[[JobOutcome], None]) -> None:
        pool = concurrent.futures.ThreadPoolExecutor(max_workers=max(1, self.jobs))
        try:
            futures = [pool.submit(self._run_one, job) for job in job_specs]
            for future in concurrent.futures.as_completed(futures):
                outcome = future.result()
                if outcome is not None:
                    on_finished(outcome)
        finally:
            pool.shutdown(wait=False, cancel_futures=True)

    def cancel(self) -> None:
        """Stops every process still running and keeps new ones from starting."""
        with self._lock:
            self._cancelled = True
            processes = list(self._running.values())
        for process in processes:
            if process.poll() is None:
                process.terminate()
        for process in processes:
            try:
                process.wait(timeout=5)
            except subprocess.TimeoutExpired:
                process.kill()
                process.wait()

    def _run_one(self, job):
        with self._lock:
            if self._cancelled:
                return None
            directory = prepare_directory(self.workdir, job)
            process = subprocess.Popen([self.binary, *job.args], cwd=directory,
                                       stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                                       stderr=subprocess.PIPE)
            self._running[job.name] = process
        try:
            stdout, stderr = process.communicate()
        finally:
            with self._lock:
                self._running.pop(job.name, None)
        return JobOutcome(job=job, directory=directory, returncode=process.returncode,
                          console=stdout.decode("utf-8", "surrogateescape"),
                          stderr=stderr.decode("utf-8", "surrogateescape"))
