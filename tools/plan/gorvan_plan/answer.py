"""The answer to "what does it take to reach the target power?": for every
curve, the smallest value of the first axis whose power reaches the target,
and where the curve crosses the target between two settings."""

from __future__ import annotations

from collections.abc import Sequence
from typing import TYPE_CHECKING

from . import curves as curves_module

if TYPE_CHECKING:
    from .jobs import Pair


def _value_text(value):
    return f"{value:g}"


def crossing(points: Sequence[curves_module.Point], target: float) -> tuple[str, str]:
    """(smallest x reaching the target, interpolated crossing) as texts."""
    reaching = [point for point in points if point.power >= target]
    if not reaching:
        best = max(points, key=lambda point: point.power)
        return ("not reached", f"highest {best.power:.3f} at {_value_text(best.x)}")
    smallest = _value_text(reaching[0].x)
    if points[0].power >= target:
        return smallest, f"at or below {_value_text(points[0].x)}"
    for before, after in zip(points, points[1:]):
        if before.power < target <= after.power:
            share = (target - before.power) / (after.power - before.power)
            return smallest, f"{before.x + share * (after.x - before.x):.4g}"
    return smallest, "-"


def answer_table(pairs: Sequence[Pair], target: float) -> str:
    """The text of the answer, one line per curve."""
    curves = curves_module.build(pairs)
    if not curves:
        return ""
    axis = curves_module.first_axis(pairs)
    header = ["curve", "test", f"smallest {axis} with power >= {target:g}",
              f"{axis} where power crosses {target:g}"]
    lines = [[curve.others or "-", curve.test_name, *crossing(curve.points, target)]
             for curve in curves]
    widths = [max(len(line[index]) for line in [header, *lines]) for index in range(4)]
    return "\n".join("  ".join(cell.ljust(width) for cell, width in zip(line, widths)).rstrip()
                     for line in [header, *lines])
