"""One line on standard error per finished setting, with the time left.

The time left is the time so far scaled by the work still to do, each job's
work estimated as runs x loci x populations, weighted up by the chain's
counted steps when the exact test is on (the chain takes most of the time)."""

from __future__ import annotations

import sys
import time
from typing import TYPE_CHECKING, TextIO

if TYPE_CHECKING:
    from .design import Design
    from .table import Row


def job_cost(design: Design) -> float:
    chain_weight = 1 + design.counted_steps / 10000 if design.fisher else 1
    return design.runs * len(design.loci) * design.pops * chain_weight


def _duration(seconds):
    if seconds != seconds:       # nothing done yet to estimate from
        return "? s"
    seconds = int(round(seconds))
    if seconds < 120:
        return f"{seconds} s"
    if seconds < 7200:
        return f"{seconds // 60} min {seconds % 60:02d} s"
    return f"{seconds // 3600} h {seconds % 3600 // 60:02d} min"


class Progress:
    def __init__(self, total_cost: float, settings: int, already: int = 0,
                 stream: TextIO = sys.stderr) -> None:
        self.total_cost = max(total_cost, 1e-9)
        self.done_cost = 0.0
        self.settings = settings
        self.finished_settings = already
        self.started = time.monotonic()
        self.stream = stream

    def job_done(self, design: Design) -> None:
        self.done_cost += job_cost(design)

    def _times(self):
        elapsed = time.monotonic() - self.started
        share = min(self.done_cost / self.total_cost, 1.0)
        left = elapsed * (1 - share) / share if share > 0 else float("nan")
        return f"{_duration(elapsed)} so far, about {_duration(left)} left"

    def setting_done(self, label: str, row: Row) -> None:
        self.finished_settings += 1
        powers = ", ".join(f"{name} {float(row[f'power_{test}']):.3f}"
                           for test, name in (("chi2", "chi2"), ("fisher", "fisher"))
                           if row.get(f"power_{test}"))
        print(f"[{self.finished_settings}/{self.settings}] {label or 'base'}: power {powers}; "
              f"{self._times()}", file=self.stream, flush=True)

    def null_done(self, label: str, columns: Row) -> None:
        rates = ", ".join(f"{name} {float(columns[f'type1_{test}']):.3f}"
                          for test, name in (("chi2", "chi2"), ("fisher", "fisher"))
                          if columns.get(f"type1_{test}"))
        print(f"[null check] {label}: type I error {rates}; {self._times()}",
              file=self.stream, flush=True)
