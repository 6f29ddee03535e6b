"""Reading a finished job: the main report, the per-run files and the console.

Values are read by token rather than by column, because a number wider than
its field pushes the rest of the line to the right; which tokens are there
depends on the tests that were on, which the job's design says."""

from __future__ import annotations

import dataclasses
import math
import os
import pathlib
from typing import TYPE_CHECKING

if TYPE_CHECKING:
    from .design import Design

SIGNIFICANCE = 0.05


class OutputError(Exception):
    """A job's files do not hold what a complete job writes."""


@dataclasses.dataclass
class Tallies:
    """What a job (or the sum of the shards of a setting) counted."""
    runs: int = 0
    attempts: int = 0               # runs begun, discarded ones included
    significant_chi2: int = 0
    significant_fisher: int = 0
    fst_sum: float = 0.0            # reached F'st times runs, to average over shards

    @property
    def discarded(self) -> int:
        return self.attempts - self.runs

    @property
    def reached_fst(self) -> float:
        return self.fst_sum / self.runs if self.runs else float("nan")

    def add(self, other: Tallies) -> Tallies:
        return Tallies(self.runs + other.runs, self.attempts + other.attempts,
                       self.significant_chi2 + other.significant_chi2,
                       self.significant_fisher + other.significant_fisher,
                       self.fst_sum + other.fst_sum)


def read_text(path: str | os.PathLike[str]) -> str:
    with open(path, "rb") as file:
        return file.read().decode("utf-8", "surrogateescape")


def _integer(token, what):
    try:
        return int(token)
    except ValueError:
        raise OutputError(f"{what}: '{token}' is not a whole number") from None


def read_main_report(text: str, design: Design) -> Tallies:
    """The all-runs row of the power table and the reached F'st of a
    GORVAN.OUT; the attempts are filled in from the console."""
    total_row = average_line = None
    for line in text.splitlines():
        stripped = line.strip()
        if stripped.startswith("Tot "):
            total_row = stripped.split()
        elif stripped.startswith("Average F'st over all the "):
            average_line = stripped
    if total_row is None or average_line is None:
        raise OutputError("GORVAN.OUT has no final results (the job did not end)")
    # Tot, ***, runs, then count and share of each test that is on.
    wanted = 3 + 2 * design.chi2 + 2 * design.fisher
    if len(total_row) != wanted:
        raise OutputError(f"the all-runs row has {len(total_row)} fields, not {wanted}: "
                          f"{' '.join(total_row)}")
    tallies = Tallies(runs=_integer(total_row[2], "runs of the all-runs row"))
    counts = total_row[3::2]
    if design.chi2:
        tallies.significant_chi2 = _integer(counts.pop(0), "chi-square significances")
    if design.fisher:
        tallies.significant_fisher = _integer(counts.pop(0), "Fisher significances")
    tallies.fst_sum = float(average_line.rsplit("=", 1)[1]) * tallies.runs
    return tallies


def count_attempts(console: str) -> int:
    """Runs begun: every run, discarded or not, shows one "Run =" line."""
    return sum(1 for line in console.splitlines() if line.startswith("Run ="))


def read_job(directory: pathlib.Path, console: str, design: Design) -> Tallies:
    """The tallies of one finished job."""
    tallies = read_main_report(read_text(directory / "GORVAN.OUT"), design)
    tallies.attempts = count_attempts(console)
    if tallies.attempts < tallies.runs:
        raise OutputError(f"the console shows {tallies.attempts} runs begun for "
                          f"{tallies.runs} counted")
    return tallies


def _data_lines(text, what):
    lines = text.splitlines()
    if len(lines) < 2:
        raise OutputError(f"{what} has no header")
    return [line.split() for line in lines[2:] if line.strip()]


def significant(p_text: str, statistic: str, degrees: int, level: float) -> bool:
    """Whether a combined P printed with four decimals is below `level`.
    The print stands for any P within 0.00005 of it, so a P that close to the
    level is computed again from the statistic and its degrees of freedom."""
    printed = float(p_text)
    if printed + 0.00005 < level:
        return True
    if printed - 0.00005 >= level:
        return False
    return chi_square_tail(float(statistic), degrees) < level


def run_decisions(text: str, design: Design, level: float = SIGNIFICANCE
                  ) -> dict[int, tuple[bool | None, bool | None]]:
    """{run: (summed chi-square significant, Fisher's combination
    significant)} at `level`, from SUMTEST.OUT; None for a test that is off.
    The fields are read by token: the chi-square's three come first when the
    test is on, then Fisher's three."""
    decisions = {}
    for fields in _data_lines(text, "SUMTEST.OUT"):
        run = _integer(fields[0], "run of SUMTEST.OUT")
        wanted = 4 + 3 * design.chi2 + 3 * design.fisher
        if len(fields) < wanted:
            raise OutputError(f"SUMTEST.OUT line of run {run} has {len(fields)} fields, not "
                              f"{wanted}")
        values = fields[4:]
        chi2 = fisher = None
        if design.chi2:
            statistic, degrees, p_text = values[:3]
            chi2 = significant(p_text, statistic, _integer(degrees, "df of SUMTEST.OUT"), level)
            values = values[3:]
        if design.fisher:
            degrees, statistic, p_text = values[:3]
            fisher = significant(p_text, statistic, _integer(degrees, "df of SUMTEST.OUT"),
                                 level)
        decisions[run] = (chi2, fisher)
    return decisions


def fisher_decisions(text: str, design: Design,
                     level: float = SIGNIFICANCE) -> dict[int, bool]:
    """{run: whether Fisher's combination was significant}, from SUMTEST.OUT."""
    return {run: bool(fisher) for run, (_, fisher) in run_decisions(text, design, level).items()}


def count_at_level(tallies: Tallies, text: str, design: Design, level: float) -> Tallies:
    """The tallies with each test's significant runs counted at `level` from
    the per-run combined P values of SUMTEST.OUT."""
    decisions = run_decisions(text, design, level)
    if len(decisions) != tallies.runs:
        raise OutputError(f"SUMTEST.OUT holds {len(decisions)} runs, GORVAN.OUT {tallies.runs}")
    return Tallies(tallies.runs, tallies.attempts,
                   sum(bool(chi2) for chi2, _ in decisions.values()),
                   sum(bool(fisher) for _, fisher in decisions.values()), tallies.fst_sum)


def chi_square_tail(statistic: float, degrees: int) -> float:
    """P(X > statistic) for X chi-square with a whole number of degrees of
    freedom: a finite Poisson sum when it is even (Fisher's combination has 2
    per locus), erfc and a finite sum when it is odd."""
    half = statistic / 2
    if degrees % 2 == 0:
        term, total = 1.0, 1.0
        for k in range(1, degrees // 2):
            term *= half / k
            total += term
        return math.exp(-half) * total
    total = math.erfc(math.sqrt(half))
    term = math.sqrt(2 * statistic / math.pi) * math.exp(-half) if statistic > 0 else 0.0
    for j in range(1, (degrees + 1) // 2):
        total += term
        term *= statistic / (2 * j + 1)
    return total


def runs_with_zero_p(text: str) -> set[int]:
    """Runs in which some tested locus has an estimated exact P printed as 0
    (below 0.00005), from LOCUSTST.OUT."""
    runs = set()
    for fields in _data_lines(text, "LOCUSTST.OUT"):
        if "**" in fields or len(fields) < 4:
            continue
        fisher_p = fields[-2]
        if float(fisher_p) == 0.0:
            runs.add(_integer(fields[0], "run of LOCUSTST.OUT"))
    return runs
