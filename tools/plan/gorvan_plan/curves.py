"""The curves of a sweep: power against the first axis, one curve per test
and per combination of the other axes, sorted along the first axis."""

from __future__ import annotations

import dataclasses
from collections.abc import Iterable, Sequence
from typing import TYPE_CHECKING

from . import axes as axes_module
from . import table

if TYPE_CHECKING:
    from .jobs import Pair, PowerPlan


@dataclasses.dataclass
class Point:
    x: float                 # the first axis's value
    reached_fst: float
    power: float
    low: float
    high: float


@dataclasses.dataclass
class Curve:
    test: str                # "chi2" or "fisher"
    test_name: str
    others: str              # the other axes' values, e.g. "loci=10 pops=5"
    points: list[Point]


def ran_value(plan: PowerPlan, name: str, value: float) -> float:
    """An axis's value as it ran: for fst, the expected Fst of the Ne and
    generations chosen for it (within 1% of the value asked)."""
    if name == "fst":
        return axes_module.expected_fst(plan.design.ne, plan.design.generations)
    return value


def value_text(name: str, value: float) -> str:
    return f"{value:.4g}" if name == "fst" else str(value)


def build(pairs: Iterable[Pair]) -> list[Curve]:
    """`pairs` are (plan, row); returns the curves, in the order of the first
    setting of each."""
    curves = {}
    for plan, row in pairs:
        first_name, first_value = plan.setting.values[0]
        first_value = ran_value(plan, first_name, first_value)
        others = " ".join(f"{name}={value_text(name, ran_value(plan, name, value))}"
                          for name, value in plan.setting.values[1:])
        for test, test_name in table.TESTS:
            power = table.number(row, f"power_{test}")
            if power is None:
                continue
            curve = curves.setdefault((others, test), Curve(test, test_name, others, []))
            curve.points.append(Point(float(first_value), float(row["reached_fst"]), power,
                                      table.number(row, f"power_{test}_low"),
                                      table.number(row, f"power_{test}_high")))
    for curve in curves.values():
        curve.points.sort(key=lambda point: point.x)
    return list(curves.values())


def first_axis(pairs: Sequence[Pair]) -> str:
    return pairs[0][0].setting.values[0][0] if pairs else ""
