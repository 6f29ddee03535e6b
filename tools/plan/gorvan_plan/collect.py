"""Turns finished jobs into rows of the table.

A setting's row is complete when every shard of it has ended and, with the
null check, when the null check of its design has ended too. Each finished
job is read at once and its directory removed (its detail files can be
large); a failed job's directory is kept for inspection."""

from __future__ import annotations

import dataclasses
import shutil
from collections.abc import Callable, Mapping, Sequence
from typing import TYPE_CHECKING

from . import axes as axes_module
from . import jobs as jobs_module
from . import outputs
from . import stats
from . import table
from .jobs import NullPlan, PlannedJob, PowerPlan
from .table import Row

if TYPE_CHECKING:
    from .runners import JobOutcome

ZERO_P_LIMIT = 0.005          # share of null runs with a zero P that calls for a longer chain
EXCESS_MARGIN = 0.01          # chain excess tolerated beyond twice its standard error


@dataclasses.dataclass
class NullShard:
    tallies: outputs.Tallies
    decisions: dict[int, bool]  # run -> Fisher's combination significant
    zero_runs: set[int]         # runs with a tested locus whose P is 0


class JobFailed(Exception):
    pass


@dataclasses.dataclass(frozen=True)
class Level:
    """The significance level: `alpha` shared among `tests` tests
    (Bonferroni), so that each combined P is compared with alpha / tests.
    At 0.05 over one test the counts are GORVAN.OUT's own; at any other
    level they are counted from the per-run P values of SUMTEST.OUT."""
    alpha: float = outputs.SIGNIFICANCE
    tests: int = 1

    @property
    def level(self) -> float:
        return self.alpha / self.tests

    @property
    def from_report(self) -> bool:
        return self.alpha == outputs.SIGNIFICANCE and self.tests == 1

    def columns(self) -> Row:
        return {"alpha": f"{self.alpha:g}", "tests": str(self.tests),
                "level": f"{self.level:.6g}"}


def axis_columns(plan: PowerPlan) -> Row:
    design, setting = plan.design, plan.setting
    fst = setting.get("fst")
    return {"samples": design.samples_text(), "loci": str(len(design.loci)),
            "pops": str(design.pops), "ne": str(design.ne),
            "generations": str(design.generations),
            "target_fst": "" if fst is None else repr(fst)}


def power_columns(plan: PowerPlan, tallies: outputs.Tallies, seed: int, shards: int) -> Row:
    design = plan.design
    row = {"expected_fst": f"{axes_module.expected_fst(design.ne, design.generations):.6f}",
           "reached_fst": f"{tallies.reached_fst:.6f}", "runs": str(tallies.runs),
           "shards": str(shards), "seed": str(seed), "discarded": str(tallies.discarded),
           "significant_chi2": str(tallies.significant_chi2) if design.chi2 else "",
           "significant_fisher": str(tallies.significant_fisher) if design.fisher else "",
           "chain": design.chain_text() if design.fisher else "",
           "design": plan.fingerprint}
    row.update(table.share_columns("power_chi2", tallies.significant_chi2 if design.chi2
                                   else None, tallies.runs))
    row.update(table.share_columns("power_fisher", tallies.significant_fisher if design.fisher
                                   else None, tallies.runs))
    return row


def chain_warning(excess: float, excess_se: float, zero_share: float, long_zero_share: float,
                  counted_steps: int) -> str:
    """The warning of a chain too short for the design, or ''."""
    too_much = excess > EXCESS_MARGIN + 2 * excess_se
    too_many_zeros = zero_share > ZERO_P_LIMIT
    if not (too_much or too_many_zeros):
        return ""
    factor = jobs_module.LONG_CHAIN_FACTOR
    if long_zero_share > ZERO_P_LIMIT:
        factor *= jobs_module.LONG_CHAIN_FACTOR
    advice = (f"the chain adds about {excess:+.3f} to the exact test's error rate, so its "
              f"power is overstated by up to as much; use at least "
              f"{counted_steps * factor} counted steps")
    if too_many_zeros:
        return (f"{zero_share:.1%} of the null runs hold a tested locus whose estimated P is 0; "
                + advice)
    return advice


def null_columns(plan: NullPlan, short_shards: Sequence[NullShard],
                 long_shards: Sequence[NullShard]) -> Row:
    """Each test's error rate without drift and the chain's excess."""
    design = plan.short
    runs = sum(shard.tallies.runs for shard in short_shards)
    row = {"null_runs": str(runs), "null_design": plan.fingerprint,
           "chain_excess": "", "chain_excess_se": "", "zero_p_share": "", "chain_warning": ""}
    row.update(table.share_columns(
        "type1_chi2", sum(s.tallies.significant_chi2 for s in short_shards) if design.chi2
        else None, runs))
    short_count = sum(s.tallies.significant_fisher for s in short_shards)
    row.update(table.share_columns("type1_fisher", short_count if design.fisher else None, runs))
    if not design.fisher:
        return row
    long_count = sum(s.tallies.significant_fisher for s in long_shards)
    short_only = long_only = 0
    for short, long in zip(short_shards, long_shards):
        for run, rejected in short.decisions.items():
            rejected_long = long.decisions.get(run, False)
            short_only += rejected and not rejected_long
            long_only += rejected_long and not rejected
    # The tallies decide exactly; the per-run decisions only give the spread.
    excess = (short_count - long_count) / runs
    _, excess_se = stats.paired_difference(short_only, long_only, runs)
    zero_share = sum(len(s.zero_runs) for s in short_shards) / runs
    long_zero_share = sum(len(s.zero_runs) for s in long_shards) / runs
    row.update({"chain_excess": f"{excess:.6f}", "chain_excess_se": f"{excess_se:.6f}",
                "zero_p_share": f"{zero_share:.6f}",
                "chain_warning": chain_warning(excess, excess_se, zero_share, long_zero_share,
                                               design.counted_steps)})
    return row


def failure_text(outcome: JobOutcome, reason: object) -> str:
    tail = "\n".join((outcome.console + outcome.stderr).strip().splitlines()[-8:])
    return (f"job {outcome.job.name} failed ({reason}); its files are in {outcome.directory}"
            + (f":\n{tail}" if tail else ""))


class Collector:
    """Receives the outcomes of the sweep's jobs and hands on every row as
    soon as it is complete (`on_row(plan, row)`) and every finished null check
    (`on_null(plan, columns)`)."""

    def __init__(self, power_plans: Sequence[PowerPlan], null_plans: Mapping[str, NullPlan],
                 seed: int, shards: int, null_check: bool, done_power: Mapping[str, Row],
                 done_null: Mapping[str, Row], on_row: Callable[[PowerPlan, Row], None],
                 on_null: Callable[[NullPlan, Row], None],
                 level: Level | None = None) -> None:
        self.level = level or Level()
        self.power_plans, self.null_plans = power_plans, null_plans
        self.seed, self.shards, self.null_check = seed, shards, null_check
        self.power_parts = dict(done_power)     # power fingerprint -> power columns
        self.null_parts = dict(done_null)       # null fingerprint -> null columns
        self.on_row, self.on_null = on_row, on_null
        self.failures = {}                      # failed job's name -> message; folder kept
        self.stopped_jobs = set()               # those ended by a signal (Ctrl-C reaches them too)
        self._jobs = {}                         # job name -> (kind, plan, chain, shard)
        self._power_shards = {}                 # power fingerprint -> {shard: tallies}
        self._null_shards = {}                  # (null fingerprint, chain) -> {shard: NullShard}
        self._emitted = set()
        self.warnings = {}                      # power fingerprint -> gorvan's warnings

    def is_power_job(self, job_name: str) -> bool:
        return self._jobs[job_name][0] == "power"

    def note_warnings(self, job_name: str, warnings: Sequence[str]) -> list[str]:
        """Records gorvan's warnings about a job's parameter file or run;
        returns those not yet recorded for what the job computes."""
        kind, plan, _, _ = self._jobs[job_name]
        key = plan.fingerprint if kind == "power" else ("null", plan.fingerprint)
        known = self.warnings.setdefault(key, [])
        new = [warning for warning in warnings if warning not in known]
        known.extend(new)
        return new

    def jobs(self, threads: int) -> list[PlannedJob]:
        """Every job still to run, as (job, the design its file must read back
        as), each null check before the first setting that needs it."""
        jobs = []
        for plan in self.power_plans:
            null_plan = self.null_plans.get(plan.null_key) if self.null_check else None
            if null_plan is not None and null_plan.fingerprint not in self.null_parts:
                null_jobs = jobs_module.null_jobs(null_plan, self.seed, self.shards, threads)
                for job, design in null_jobs:
                    if job.name not in self._jobs:
                        chain = job.name.split("-")[1]
                        self._jobs[job.name] = ("null", null_plan, chain, self._shard(job))
                        jobs.append((job, design))
            if plan.fingerprint not in self.power_parts:
                power_jobs = jobs_module.power_jobs(plan, self.seed, self.shards, threads,
                                                    keep_details=not self.level.from_report)
                for job, design in power_jobs:
                    self._jobs[job.name] = ("power", plan, None, self._shard(job))
                    jobs.append((job, design))
        return jobs

    def label(self, job_name: str) -> str:
        """What a job computes, in the user's terms."""
        kind, plan, _, _ = self._jobs[job_name]
        if kind == "null":
            return f"null check of {plan.settings[0]} (generations=0)"
        return plan.setting.label()

    @staticmethod
    def _shard(job):
        return int(job.name.rsplit("-", 1)[1].split("of")[0]) - 1

    def emit_finished(self) -> None:
        """Hands on every row already complete (from a resumed table)."""
        for plan in self.power_plans:
            self._try_row(plan)

    def finished(self, outcome: JobOutcome) -> None:
        kind, plan, chain, shard = self._jobs[outcome.job.name]
        try:
            if outcome.returncode != 0:
                raise JobFailed(f"exit code {outcome.returncode}")
            design = plan.design if kind == "power" else plan.short
            if kind == "power":
                tallies = outputs.read_job(outcome.directory, outcome.console, design)
                if not self.level.from_report:
                    tallies = outputs.count_at_level(
                        tallies, outputs.read_text(outcome.directory / "SUMTEST.OUT"), design,
                        self.level.level)
                self._power_shards.setdefault(plan.fingerprint, {})[shard] = tallies
            else:
                self._read_null(outcome, plan, chain, shard, design)
        except (JobFailed, outputs.OutputError, OSError, ValueError, IndexError) as error:
            self.failures[outcome.job.name] = failure_text(outcome, error)
            if outcome.returncode < 0:
                self.stopped_jobs.add(outcome.job.name)
            return
        shutil.rmtree(outcome.directory, ignore_errors=True)
        if kind == "power":
            self._power_done(plan)
        else:
            self._null_done(plan)

    def _read_null(self, outcome, plan, chain, shard, design):
        directory = outcome.directory
        tallies = outputs.read_job(directory, outcome.console, design)
        decisions, zero_runs = {}, set()
        if not self.level.from_report:
            tallies = outputs.count_at_level(tallies, outputs.read_text(directory / "SUMTEST.OUT"),
                                             design, self.level.level)
        if design.fisher:
            decisions = outputs.fisher_decisions(
                outputs.read_text(directory / "SUMTEST.OUT"), design, self.level.level)
            zero_runs = outputs.runs_with_zero_p(outputs.read_text(directory / "LOCUSTST.OUT"))
        self._null_shards.setdefault((plan.fingerprint, chain), {})[shard] = NullShard(
            tallies, decisions, zero_runs)

    def _power_done(self, plan):
        shards = self._power_shards.get(plan.fingerprint, {})
        if len(shards) < self.shards:
            return
        total = outputs.Tallies()
        for index in range(self.shards):
            total = total.add(shards[index])
        self.power_parts[plan.fingerprint] = power_columns(plan, total, self.seed, self.shards)
        self.power_parts[plan.fingerprint]["gorvan_warnings"] = " | ".join(
            self.warnings.get(plan.fingerprint, []))
        self.power_parts[plan.fingerprint].update(self.level.columns())
        self._try_row(plan)

    def _null_done(self, plan):
        short = self._null_shards.get((plan.fingerprint, "chain1"), {})
        long_name = f"chain{jobs_module.LONG_CHAIN_FACTOR}"
        long = self._null_shards.get((plan.fingerprint, long_name), {})
        if len(short) < self.shards or (plan.short.fisher and len(long) < self.shards):
            return
        ordered_short = [short[index] for index in range(self.shards)]
        ordered_long = [long[index] for index in range(self.shards)] if plan.short.fisher else []
        self.null_parts[plan.fingerprint] = null_columns(plan, ordered_short, ordered_long)
        self.on_null(plan, self.null_parts[plan.fingerprint])
        for power_plan in self.power_plans:
            if power_plan.null_key == plan.fingerprint:
                self._try_row(power_plan)

    def _try_row(self, plan):
        if plan.fingerprint in self._emitted or plan.fingerprint not in self.power_parts:
            return
        row = axis_columns(plan)
        row.update(self.power_parts[plan.fingerprint])
        if self.null_check:
            if plan.null_key not in self.null_parts:
                return
            row.update(self.null_parts[plan.null_key])
        self._emitted.add(plan.fingerprint)
        self.on_row(plan, row)
