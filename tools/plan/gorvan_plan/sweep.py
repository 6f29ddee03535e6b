"""The running sweep: finished rows kept in the CSV as they come, what a
resumed sweep takes over from an earlier CSV, and the jobs' folders."""

from __future__ import annotations

import os
import shutil
import sys
import tempfile
from collections.abc import Iterable, Mapping, Sequence
from typing import TYPE_CHECKING

from . import axes as axes_module
from . import checker
from . import collect
from . import design as design_module
from . import table
from .jobs import NullPlan, Pair, PlannedJob, PowerPlan
from .table import Row

if TYPE_CHECKING:
    import argparse

    from .progress import Progress
    from .runners import JobOutcome


class ResumeMismatch(Exception):
    """The command asks for other settings than the CSV's rows were run with."""


def _samples(text: str) -> tuple[int, ...]:
    return tuple(int(size) for size in text.split("/"))


def _chain(text: str) -> tuple[int, int, int]:
    """'1000 / 100 x 1000' -> (1000, 100, 1000)."""
    steps, rest = text.split("/")
    batches, per_batch = rest.split("x")
    return int(steps), int(batches), int(per_batch)


def row_fingerprint(row: Row, base: design_module.Design) -> str:
    """The fingerprint the row's setting would have if it had been run from
    `base` with the row's own runs and chain; '' when the row's values do not
    make a design."""
    try:
        samples = _samples(row["samples"])
        if len(samples) == 1:
            samples = samples * int(row["pops"])
        chain = _chain(row["chain"]) if row.get("chain") else base.chain
        design = base.replace(loci=axes_module.cycled(base.loci, int(row["loci"])),
                              samples=samples, ne=int(row["ne"]),
                              generations=int(row["generations"]), runs=int(row["runs"]),
                              chain=chain)
    except (KeyError, ValueError):
        return ""
    return design_module.fingerprint(design_module.parameter_text(design))


def row_level(row: Row) -> tuple[str, str]:
    """The row's significance level and number of tests; rows of tables made
    before these columns existed were counted at 0.05 over one test."""
    return row.get("alpha") or "0.05", row.get("tests") or "1"


def resume_mismatches(rows: Sequence[Row], wanted: Mapping[str, str], base: design_module.Design,
                      base_name: str, null_check: bool) -> list[str]:
    """What the CSV's rows were run with that the command does not ask for,
    one text per kind of difference."""
    differing: dict[str, set[str]] = {}
    example: dict[str, str] = {}
    for row in rows:
        label = " ".join(f"{name}={row.get(name, '')}"
                         for name in ("samples", "loci", "pops", "ne", "generations"))
        alpha, tests = row_level(row)
        have = {"runs": row.get("runs", ""), "seed": row.get("seed", ""),
                "shards": row.get("shards", ""), "alpha": alpha, "tests": tests}
        if row.get("chain") and base.fisher:
            have["chain"] = row["chain"]
        if row.get("null_runs"):
            have["null-runs"] = row["null_runs"] if null_check else "(null checks)"
        for name, value in have.items():
            if value != wanted[name]:
                differing.setdefault(name, set()).add(value)
                example.setdefault(name, label)
        if row.get("design") and row_fingerprint(row, base) != row["design"]:
            differing.setdefault("base", set()).add(row["design"])
            example.setdefault("base", label)
    texts = []
    for name in ("runs", "seed", "shards", "chain", "alpha", "tests", "null-runs"):
        if name not in differing:
            continue
        values = ", ".join(sorted(differing[name]))
        if name == "null-runs" and not null_check:
            texts.append("the CSV holds null checks and this command has no --null-check "
                         "(add --null-check with --null-runs as before)")
            continue
        if name == "chain":
            texts.append(f"the chain: {values} in the CSV, {wanted[name]} in {base_name}")
            continue
        hint = " (a resumed sweep keeps each setting's runs)" if name == "runs" else ""
        texts.append(f"--{name}: {values} in the CSV (e.g. {example[name]}), "
                     f"{wanted[name]} here{hint}")
    if "base" in differing:
        texts.append(f"the base design: {len(differing['base'])} of the CSV's rows (e.g. "
                     f"{example['base']}) were run from another parameter file than "
                     f"{base_name} (other frequencies, tests, comments or chain)")
    return texts


def resumed_parts(csv_path: str, wanted: Mapping[str, str], base: design_module.Design,
                  base_name: str, null_check: bool, plans: Iterable[PowerPlan],
                  null_plans: Mapping[str, NullPlan]
                  ) -> tuple[dict[str, Row], dict[str, Row], list[Row]]:
    """The power and null columns of the CSV's rows that were run with the
    very same parameter files, and the rows outside the grid, kept as they
    are. Refuses (ResumeMismatch) a command that asks for other runs, seed,
    shards, chain, level, null runs or base than the rows were run with."""
    rows = table.read_csv(csv_path)
    problems = resume_mismatches(rows, wanted, base, base_name, null_check)
    if problems:
        raise ResumeMismatch(f"--resume: the rows of {csv_path} were run with other settings "
                             f"than this command asks for, and resuming would drop or mix "
                             f"them: " + "; ".join(problems) + ". Give the CSV's settings, or "
                             "name another --csv for a new table.")
    power, null, kept = {}, {}, []
    wanted_power = {plan.fingerprint for plan in plans}
    for row in rows:
        if row.get("design") in wanted_power:
            power[row["design"]] = {column: row.get(column, "")
                                    for column in table.POWER_COLUMNS + table.EXTRA_COLUMNS}
        else:
            kept.append(row)
        if row.get("null_design") in null_plans and row.get("null_runs"):
            null[row["null_design"]] = {column: row.get(column, "")
                                        for column in table.NULL_COLUMNS}
    return power, null, kept


class Sweep:
    """The running sweep: finished rows, the CSV kept up to date, progress."""

    def __init__(self, args: argparse.Namespace, plans: Sequence[PowerPlan],
                 null_plans: Mapping[str, NullPlan], power_done: Mapping[str, Row],
                 null_done: Mapping[str, Row], kept: Sequence[Row] = ()) -> None:
        self.args = args
        self.kept = list(kept)               # rows of the CSV outside the grid, kept as they are
        self.rows: dict[int, Pair] = {}      # plan index -> (plan, row)
        self.collector = collect.Collector(plans, null_plans, args.seed, args.shards,
                                           args.null_check, power_done, null_done,
                                           self.row_done, self.null_done,
                                           collect.Level(args.alpha, args.tests))
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
        new = self.collector.note_warnings(outcome.job.name, checker.warnings_in(outcome.stderr))
        for warning in new:
            print(f"gorvan-plan: gorvan warns, for {self.collector.label(outcome.job.name)}: "
                  f"{warning}", file=sys.stderr)
        self.collector.finished(outcome)

    def pairs(self) -> list[Pair]:
        return [self.rows[index] for index in sorted(self.rows)]

    def write_csv(self) -> None:
        table.write_csv(self.args.csv, [row for _, row in self.pairs()] + self.kept,
                        self.args.null_check)


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
