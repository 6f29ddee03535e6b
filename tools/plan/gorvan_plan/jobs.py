"""The jobs of a sweep: one or more shards per setting, and with the null
check two chains per design without drift.

Every job of a setting gets the sweep's seed (shard i gets seed + i), so that
the settings share their random numbers and the curves are smoother than
with independent seeds."""

from __future__ import annotations

import dataclasses
import re
from collections.abc import Sequence

from . import axes as axes_module
from . import design as design_module
from .runners import JobSpec
from .table import Row

MAX_SEED = 4294967295
MIN_SEED = -2147483648
MAX_CHAIN = 2147483647
LONG_CHAIN_FACTOR = 4

# A job and the design its parameter file must read back as.
PlannedJob = tuple[JobSpec, design_module.Design]


@dataclasses.dataclass
class PowerPlan:
    """A setting and the design its jobs run (with all its runs)."""
    index: int
    setting: axes_module.Setting
    design: design_module.Design
    text: str                       # the whole setting's parameter file
    fingerprint: str
    null_key: str = ""              # the null design it is checked against


@dataclasses.dataclass
class NullPlan:
    """A design without drift, run with the base chain and a chain four times
    longer on the same seeds (the chain has its own random numbers, so both
    test the very same tables)."""
    index: int
    short: design_module.Design
    long: design_module.Design
    text: str
    fingerprint: str
    settings: list[str] = dataclasses.field(default_factory=list)  # labels of the settings using it


# A finished setting and its row of the table.
Pair = tuple[PowerPlan, Row]


def shard_runs(runs: int, shards: int) -> list[int]:
    """`runs` split into `shards` parts as evenly as possible, larger first."""
    base, extra = divmod(runs, shards)
    return [base + (1 if index < extra else 0) for index in range(shards)]


def _slug(text):
    return re.sub(r"[^A-Za-z0-9.]+", "-", text).strip("-") or "base"


def job_args(seed: int, threads: int) -> tuple[str, ...]:
    args = ["--seed", str(seed)]
    if threads != 1:
        args += ["--threads", str(threads)]
    return tuple(args)


def power_jobs(plan: PowerPlan, seed: int, shards: int, threads: int,
               keep_details: bool = False) -> list[PlannedJob]:
    """The jobs of one setting, as (job, the design its file must read back
    as); the detail files are erased, since only the main report is read,
    unless the per-run P values are counted at another level than 0.05."""
    design = plan.design.replace(erase_switch=0 if keep_details else 1)
    jobs = []
    for shard, runs in enumerate(shard_runs(design.runs, shards)):
        shard_design = design.replace(runs=runs)
        jobs.append((JobSpec(
            name=f"p{plan.index:03d}-{_slug(plan.setting.label())}-{shard + 1}of{shards}",
            parameter_text=design_module.parameter_text(shard_design),
            args=job_args(seed + shard, threads)), shard_design))
    return jobs


def null_design(setting_design: design_module.Design, null_runs: int,
                base_ne: int) -> design_module.Design:
    """The setting without drift: samples straight from the base population,
    so that every rejection is an error. Without drift the effective size
    plays no part, so it is the base's whatever the setting, and settings that
    differ only in drift share one null design. The detail files are kept,
    since the per-run P values are read."""
    return setting_design.replace(generations=0, ne=base_ne, runs=null_runs, erase_switch=0)


def longer_chain(design: design_module.Design) -> design_module.Design:
    """The same design with a chain four times longer: four times the
    dememorisation steps and the steps per batch, the same batches."""
    steps, batches, per_batch = design.chain
    return design.replace(chain=(steps * LONG_CHAIN_FACTOR, batches,
                                 per_batch * LONG_CHAIN_FACTOR))


def null_jobs(plan: NullPlan, seed: int, shards: int, threads: int) -> list[PlannedJob]:
    """The null check's jobs, as (job, design), shard by shard for each chain."""
    jobs = []
    chains = [("chain1", plan.short)]
    if plan.short.fisher:
        chains.append((f"chain{LONG_CHAIN_FACTOR}", plan.long))
    for chain_name, design in chains:
        for shard, runs in enumerate(shard_runs(design.runs, shards)):
            shard_design = design.replace(runs=runs)
            jobs.append((JobSpec(
                name=f"n{plan.index:03d}-{chain_name}-{shard + 1}of{shards}",
                parameter_text=design_module.parameter_text(shard_design),
                args=job_args(seed + shard, threads)), shard_design))
    return jobs


def check_chain_fits(design: design_module.Design) -> None:
    steps, _, per_batch = design.chain
    if max(steps, per_batch) * LONG_CHAIN_FACTOR > MAX_CHAIN:
        raise axes_module.GridError(
            f"the null check runs a chain {LONG_CHAIN_FACTOR} times longer, and "
            f"{design.chain_text()} times {LONG_CHAIN_FACTOR} does not fit the program's "
            f"32-bit counts")


def plan_null_checks(power_plans: Sequence[PowerPlan], null_runs: int,
                     base_ne: int) -> dict[str, NullPlan]:
    """One null plan per distinct design without drift; every power plan
    learns the key of its own."""
    null_plans = {}
    for plan in power_plans:
        short = null_design(plan.design, null_runs, base_ne)
        text = design_module.parameter_text(short)
        key = design_module.fingerprint(text)
        if key not in null_plans:
            if short.fisher:
                check_chain_fits(short)
            null_plans[key] = NullPlan(index=len(null_plans) + 1, short=short,
                                       long=longer_chain(short), text=text, fingerprint=key)
        null_plans[key].settings.append(plan.setting.label())
        plan.null_key = key
    return null_plans
