"""The sweep's table: one row per setting, as a tidy CSV and as text.

A row is a dict from column name to the text written in the CSV; an empty
text is a value that does not exist (a test that is off, a null check that
was not asked for)."""

from __future__ import annotations

import csv
import math
import os
import tempfile
from collections.abc import Iterable, Mapping, Sequence

from . import stats

# A row of the table: column name -> the text written in the CSV.
Row = dict[str, str]

AXIS_COLUMNS = ["samples", "loci", "pops", "ne", "generations", "target_fst"]
POWER_COLUMNS = [
    "expected_fst", "reached_fst", "runs", "shards", "seed", "discarded",
    "significant_chi2", "power_chi2", "power_chi2_low", "power_chi2_high",
    "significant_fisher", "power_fisher", "power_fisher_low", "power_fisher_high",
    "chain", "design",
]
NULL_COLUMNS = [
    "null_runs", "type1_chi2", "type1_chi2_low", "type1_chi2_high",
    "type1_fisher", "type1_fisher_low", "type1_fisher_high",
    "chain_excess", "chain_excess_se", "zero_p_share", "chain_warning", "null_design",
]
# Columns added later stand at the end, so that the others keep their places:
# gorvan's own warnings about the setting's parameter files, the significance
# level asked for, the number of tests it is shared among (Bonferroni) and the
# level each P value was compared with.
EXTRA_COLUMNS = ["gorvan_warnings", "alpha", "tests", "level"]
TESTS = (("chi2", "chi-square"), ("fisher", "Fisher"))


def columns(null_check: bool) -> list[str]:
    return AXIS_COLUMNS + POWER_COLUMNS + (NULL_COLUMNS if null_check else []) + EXTRA_COLUMNS


def share_columns(prefix: str, count: int | None, trials: int) -> Row:
    """`prefix`, `prefix_low`, `prefix_high`: a share and its 95% interval;
    empty when `count` is None (the test was off)."""
    if count is None:
        return {prefix: "", f"{prefix}_low": "", f"{prefix}_high": ""}
    low, high = stats.clopper_pearson(count, trials)
    return {prefix: f"{count / trials:.6f}", f"{prefix}_low": f"{low:.6f}",
            f"{prefix}_high": f"{high:.6f}"}


def number(row: Mapping[str, str | None], column: str) -> float | None:
    """A column as a float, or None when it is empty."""
    text = row.get(column, "")
    return float(text) if text not in ("", None) else None


def write_csv(path: str, rows: Iterable[Row], null_check: bool) -> None:
    """Writes the whole table through a temporary file, so that the CSV is
    never left half-written, whenever the tool is stopped."""
    directory = os.path.dirname(os.path.abspath(path))
    handle, temporary = tempfile.mkstemp(prefix=".gorvan-plan-", suffix=".csv", dir=directory)
    try:
        with os.fdopen(handle, "w", newline="") as file:
            writer = csv.DictWriter(file, fieldnames=columns(null_check), extrasaction="ignore")
            writer.writeheader()
            for row in rows:
                writer.writerow(row)
        os.replace(temporary, path)
    except BaseException:
        if os.path.exists(temporary):
            os.unlink(temporary)
        raise


def is_plan_table(path: str) -> bool:
    """Whether the file begins as a table of this tool does; any other file
    is never overwritten."""
    header = ",".join(AXIS_COLUMNS)
    try:
        with open(path, "rb") as file:
            return file.read(len(header)) == header.encode()
    except OSError:
        return False


def read_csv(path: str) -> list[Row]:
    with open(path, newline="") as file:
        return list(csv.DictReader(file))


def _interval_text(row, prefix):
    if row.get(prefix, "") == "":
        return "-"
    return (f"{float(row[prefix]):.3f} ({float(row[prefix + '_low']):.3f}-"
            f"{float(row[prefix + '_high']):.3f})")


def _format(header, lines):
    widths = [max(len(str(cell)) for cell in column) for column in zip(header, *lines)]
    return ["  ".join(str(cell).rjust(width) for cell, width in zip(line, widths))
            for line in [header, *lines]]


def power_table(rows: Sequence[Row]) -> str:
    """The rows as text: the design, the Fst, and each test's power with its
    95% interval."""
    header = ["samples", "loci", "pops", "ne", "t", "target_Fst", "expected_Fst",
              "reached_Fst", "runs", "discarded", "power_chi2 (95% CI)", "power_fisher (95% CI)"]
    lines = [[row["samples"], row["loci"], row["pops"], row["ne"], row["generations"],
              row["target_fst"] or "-", f"{float(row['expected_fst']):.4f}",
              f"{float(row['reached_fst']):.4f}", row["runs"], row["discarded"],
              _interval_text(row, "power_chi2"), _interval_text(row, "power_fisher")]
             for row in rows]
    return "\n".join(_format(header, lines))


def null_table(rows: Iterable[Row]) -> str:
    """One line per design without drift: each test's error rate and what the
    longer chain changes."""
    header = ["samples", "loci", "pops", "null_runs", "type1_chi2 (95% CI)",
              "type1_fisher (95% CI)", "chain_excess (SE)", "zero_P_share"]
    seen, lines = set(), []
    for row in rows:
        if row.get("null_design", "") in ("", *seen):
            continue
        seen.add(row["null_design"])
        excess = "-"
        if row["chain_excess"]:
            excess = f"{float(row['chain_excess']):+.4f} ({float(row['chain_excess_se']):.4f})"
        zero = f"{float(row['zero_p_share']):.4f}" if row["zero_p_share"] else "-"
        lines.append([row["samples"], row["loci"], row["pops"], row["null_runs"],
                      _interval_text(row, "type1_chi2"), _interval_text(row, "type1_fisher"),
                      excess, zero])
    return "\n".join(_format(header, lines)) if lines else ""


def is_finite(value: float | None) -> bool:
    return value is not None and math.isfinite(value)
