"""The running sweep: finished rows kept in the CSV as they come, what a
resumed sweep takes over from an earlier CSV, and the jobs' folders."""

from __future__ import annotations

import os
import shutil
import tempfile
from collections.abc import Iterable, Mapping, Sequence
from typing import TYPE_CHECKING

from . import collect
from . import table
from .jobs import NullPlan, Pair, PlannedJob, PowerPlan
from .table import Row

if TYPE_CHECKING:
    import argparse

    from .progress import Progress
    from .runners import JobOutcome


def resumed_parts(csv_path: str, seed: int, shards: int, plans: Iterable[PowerPlan],
                  null_plans: Mapping[str, NullPlan]) -> tuple[dict[str, Row], dict[str, Row]]:
    """The power and null columns of the CSV's rows that were run with the
    very same parameter files, seed and shards."""
    power, null = {}, {}
    wanted_power = {plan.fingerprint for plan in plans}
    for row in table.read_csv(csv_path):
        if row.get("seed") != str(seed) or row.get("shards") != str(shards):
            continue
        if row.get("design") in wanted_power:
            power[row["design"]] = {column: row.get(column, "")
                                    for column in table.POWER_COLUMNS}
        if row.get("null_design") in null_plans and row.get("null_runs"):
            null[row["null_design"]] = {column: row.get(column, "")
                                        for column in table.NULL_COLUMNS}
    return power, null


class Sweep:
    """The running sweep: finished rows, the CSV kept up to date, progress."""

    def __init__(self, args: argparse.Namespace, plans: Sequence[PowerPlan],
                 null_plans: Mapping[str, NullPlan], power_done: Mapping[str, Row],
                 null_done: Mapping[str, Row]) -> None:
        self.args = args
        self.rows: dict[int, Pair] = {}      # plan index -> (plan, row)
        self.collector = collect.Collector(plans, null_plans, args.seed, args.shards,
                                           args.null_check, power_done, null_done,
                                           self.row_done, self.null_done)
        self.jobs = self.collector.jobs(args.threads)     # (job, design) still to run
        self.designs = {job.name: design for job, design in self.jobs}
        self.progress: Progress | None = None

    def row_done(self, plan: PowerPlan, row: Row) -> None:
        self.rows[plan.index] = (plan, row)
        self.write_csv()
        if self.progress is not None:
            self.progress.setting_done(plan.setting.label(), row)

    def null_done(self, plan: NullPlan, columns: Row) -> None:
        if self.progress is not None:
            self.progress.null_done(f"null check of {plan.settings[0]} (generations=0)",
                                    columns)

    def job_finished(self, outcome: JobOutcome) -> None:
        self.progress.job_done(self.designs[outcome.job.name])
        self.collector.finished(outcome)

    def pairs(self) -> list[Pair]:
        return [self.rows[index] for index in sorted(self.rows)]

    def write_csv(self) -> None:
        table.write_csv(self.args.csv, [row for _, row in self.pairs()], self.args.null_check)


def job_folder(csv_path: str, workdir: str | None) -> tuple[str, bool]:
    """The folder of the jobs' directories, and whether it was made for this
    sweep (then it goes at the end, when empty)."""
    if workdir:
        os.makedirs(workdir, exist_ok=True)
        return workdir, False
    folder = os.path.dirname(os.path.abspath(csv_path))
    return tempfile.mkdtemp(prefix=".gorvan-plan-jobs-", dir=folder), True


def clean_up(workdir: str, made_workdir: bool, jobs: Iterable[PlannedJob],
             collector: collect.Collector, interrupted: bool = False) -> None:
    """Removes what unfinished jobs left; failed jobs keep their folders, but
    not those that an interruption stopped."""
    keep = set(collector.failures) - (collector.stopped_jobs if interrupted else set())
    for job, _ in jobs:
        directory = os.path.join(workdir, job.name)
        if os.path.isdir(directory) and job.name not in keep:
            shutil.rmtree(directory, ignore_errors=True)
    if made_workdir:
        try:
            os.rmdir(workdir)
        except OSError:
            pass
