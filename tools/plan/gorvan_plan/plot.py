"""The figure: power against the first axis (or the reached Fst), one line
per test and per combination of the other axes, with 95% interval bars, the
target power and a caption that says what was held fixed."""

from __future__ import annotations

import os
import textwrap
from collections.abc import Sequence
from types import ModuleType
from typing import TYPE_CHECKING

from . import axes as axes_module
from . import curves as curves_module

if TYPE_CHECKING:
    from matplotlib.lines import Line2D

    from .jobs import Pair

FORMATS = (".png", ".pdf", ".svg")
DPI = 200
TEST_STYLE = {"fisher": ("-", "o"), "chi2": ("--", "s")}
TEST_LABEL = {"fisher": "Fisher's combined exact tests", "chi2": "summed chi-square"}
TESTS_IN_ORDER = ("fisher", "chi2")
AXIS_LABEL = {
    "samples": "diploids per sample",
    "loci": "number of loci",
    "pops": "number of populations",
    "ne": "effective size while drifting",
    "generations": "generations of drift",
    "fst": "expected Fst (as run, within 1% of the values asked)",
}


class PlotError(Exception):
    pass


def load_pyplot() -> ModuleType | None:
    """matplotlib's pyplot drawing to files; None when it cannot be imported."""
    try:
        import matplotlib
        matplotlib.use("Agg")
        import matplotlib.pyplot as pyplot
    except ImportError:
        return None
    return pyplot


def check_path(path: str) -> None:
    extension = os.path.splitext(path)[1].lower()
    if extension not in FORMATS:
        raise PlotError(f"--plot {path}: the figure's format comes from its extension, one of "
                        f"{', '.join(FORMATS)}")
    folder = os.path.dirname(os.path.abspath(path))
    if not os.path.isdir(folder):
        raise PlotError(f"--plot {path}: the folder {folder} does not exist")
    if not os.access(folder, os.W_OK) or os.path.isdir(path):
        raise PlotError(f"--plot {path}: cannot be written")


def caption(pairs: Sequence[Pair], seed: int, shards: int) -> str:
    """What every setting of the figure shares."""
    designs = [plan.design for plan, _ in pairs]
    parts = []
    runs = {row["runs"] for _, row in pairs}
    parts.append(f"{'/'.join(sorted(runs, key=int))} runs per setting"
                 + (f" in {shards} shards" if shards > 1 else "")
                 + f", seed {seed} for every setting (shared random numbers)")
    shared = [("loci", lambda d: str(len(d.loci))), ("populations", lambda d: str(d.pops)),
              ("diploids per sample", lambda d: d.samples_text()), ("Ne", lambda d: str(d.ne)),
              ("generations", lambda d: str(d.generations))]
    for name, value in shared:
        values = {value(design) for design in designs}
        if len(values) == 1:
            parts.append(f"{name} {values.pop()}")
    expected = {axes_module.expected_fst(design.ne, design.generations) for design in designs}
    if len(expected) == 1:
        parts.append(f"expected Fst {expected.pop():.4f}")
    fisher = [design for design in designs if design.fisher]
    if fisher:
        parts.append(f"exact test's chain {fisher[0].chain_text()} "
                     "(dememorisation / batches x steps)")
    parts.append("bars: 95% Clopper-Pearson intervals")
    return "; ".join(parts) + "."


def legend_handles(combinations: Sequence[str], colours: Sequence[str],
                   target: float) -> list[Line2D]:
    """A colour per combination of the other axes, a line style per test."""
    from matplotlib.lines import Line2D
    handles = [Line2D([], [], color=colours[index % len(colours)], linewidth=2, label=others)
               for index, others in enumerate(combinations)]
    for test in TESTS_IN_ORDER:
        linestyle, marker = TEST_STYLE[test]
        handles.append(Line2D([], [], color="0.25", linestyle=linestyle, marker=marker,
                              markersize=4.5, label=TEST_LABEL[test]))
    handles.append(Line2D([], [], color="0.35", linestyle=":", label=f"target power {target:g}"))
    return handles


def draw(pyplot: ModuleType, pairs: Sequence[Pair], path: str, x_mode: str, target: float,
         title: str, seed: int, shards: int, level: float = 0.05) -> None:
    import matplotlib.transforms as transforms
    curves = curves_module.build(pairs)
    combinations = list(dict.fromkeys(curve.others for curve in curves))
    # Several combinations get a legend of their own beside the axes.
    width = 7.5 if len(combinations) == 1 else 9.5
    figure, axes = pyplot.subplots(figsize=(width, 5.2))
    colours = pyplot.rcParams["axes.prop_cycle"].by_key()["color"]
    for curve in curves:
        points = curve.points
        if x_mode == "fst":
            points = sorted(points, key=lambda point: point.reached_fst)
        xs = [point.reached_fst if x_mode == "fst" else point.x for point in points]
        ys = [point.power for point in points]
        errors = [[point.power - point.low for point in points],
                  [point.high - point.power for point in points]]
        linestyle, marker = TEST_STYLE[curve.test]
        # The two tests' bars are drawn a little apart so that both stay visible.
        shift = transforms.offset_copy(axes.transData, fig=figure, units="points",
                                       x=-2.5 if curve.test == "chi2" else 2.5)
        # One combination: a colour per test; several: a colour per combination.
        colour_index = (TESTS_IN_ORDER.index(curve.test) if len(combinations) == 1
                        else combinations.index(curve.others))
        colour = colours[colour_index % len(colours)]
        label = TEST_LABEL[curve.test] + (f", {curve.others}" if curve.others else "")
        axes.errorbar(xs, ys, yerr=errors, transform=shift, color=colour, linestyle=linestyle,
                      marker=marker, markersize=4.5, capsize=3, linewidth=1.4, label=label)
    axes.axhline(target, color="0.35", linestyle=":", linewidth=1.2,
                 label=f"target power {target:g}")
    first = curves_module.first_axis(pairs)
    if x_mode != "fst":
        grid_values = sorted({point.x for curve in curves for point in curve.points})
        if len(grid_values) <= 12:
            axes.set_xticks(grid_values, [f"{value:g}" for value in grid_values])
    axes.set_xlabel("F'st reached by the drift (average over runs)" if x_mode == "fst"
                    else AXIS_LABEL.get(first, first))
    axes.set_ylabel(f"power (share of runs with P < {level:.6g})")
    axes.set_ylim(-0.02, 1.02)
    axes.grid(True, alpha=0.3)
    if len(combinations) == 1:
        axes.legend(loc="best", fontsize=7.5, framealpha=0.9)
    else:
        axes.legend(handles=legend_handles(combinations, colours, target), loc="upper left",
                    bbox_to_anchor=(1.02, 1.0), fontsize=7.5, frameon=False, handlelength=3.5)
    axes.set_title("\n".join(textwrap.wrap(title, 80)), fontsize=9)
    figure.text(0.01, 0.01, "\n".join(textwrap.wrap(caption(pairs, seed, shards), int(16 * width))),
                fontsize=7, va="bottom", ha="left")
    figure.tight_layout(rect=(0, 0.06, 1, 1))
    figure.savefig(path, dpi=DPI)
    pyplot.close(figure)
