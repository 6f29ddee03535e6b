"""The design axes a sweep can vary, their values, and the grid of settings.

A setting is one design: the base design with one value of every varied axis.
Everything a setting needs is checked here, before any job starts, so that a
bad value is refused with its reason instead of failing half-way through a
sweep."""

from __future__ import annotations

import dataclasses
import itertools
import math
from collections.abc import Sequence
from typing import TYPE_CHECKING, Any, TypeVar

if TYPE_CHECKING:
    from .design import Design

Item = TypeVar("Item")

AXES = ("samples", "loci", "pops", "ne", "generations", "fst")
AXIS_HELP = {
    "samples": "diploids per sample, in every population",
    "loci": "the first k loci of the base (its loci repeated in order when k is larger)",
    "pops": "number of populations (the base's sample sizes repeated in order)",
    "ne": "effective size while drifting",
    "generations": "generations of drift (0: no drift)",
    "fst": "an expected Fst, reached by the number of generations that comes closest",
}

# What the program can hold: counts are 16-bit, and all samples together, and
# the drifting populations, are drawn into 16-bit gene counts.
MAX_LOCI = 50
MAX_POPS = 30
MAX_DIPLOIDS = 16383
MAX_GENERATIONS = 32767
MAX_RUNS = 2147483647


class GridError(Exception):
    """A value that cannot be used; the message says why."""


@dataclasses.dataclass(frozen=True)
class Axis:
    name: str
    values: tuple


@dataclasses.dataclass(frozen=True)
class Setting:
    """One point of the grid: the varied values, by axis name, in the order
    the axes were given."""
    values: tuple           # ((name, value), ...)

    def get(self, name: str, default: Any = None) -> Any:
        return dict(self.values).get(name, default)

    def label(self) -> str:
        return " ".join(f"{name}={value}" for name, value in self.values)


def _integers(name, text, smallest):
    values = []
    for item in text.split(","):
        item = item.strip()
        if not item:
            raise GridError(f"--vary {name}={text}: an empty value (write e.g. {name}=10,20,40)")
        try:
            value = int(item)
        except ValueError:
            raise GridError(f"--vary {name}={text}: '{item}' is not a whole number") from None
        if value < smallest:
            kind = "positive" if smallest == 1 else f"at least {smallest}"
            raise GridError(f"--vary {name}={text}: {value} is not {kind}")
        values.append(value)
    return values


def _fst_values(text):
    values = []
    for item in text.split(","):
        item = item.strip()
        try:
            value = float(item)
        except ValueError:
            raise GridError(f"--vary fst={text}: '{item}' is not a number") from None
        if not 0 < value < 1:
            raise GridError(f"--vary fst={text}: {item} is not an Fst between 0 and 1")
        values.append(value)
    return values


def parse_axis(text: str) -> Axis:
    """'samples=10,20,40' -> Axis('samples', (10, 20, 40))."""
    name, equals, values_text = text.partition("=")
    name = name.strip()
    if not equals:
        raise GridError(f"--vary {text}: write NAME=V1,V2,... with NAME one of {', '.join(AXES)}")
    if name not in AXES:
        raise GridError(f"--vary {text}: unknown axis '{name}'; the axes are {', '.join(AXES)}")
    if name == "fst":
        values = _fst_values(values_text)
    else:
        values = _integers(name, values_text, 0 if name == "generations" else 1)
    repeated = sorted({value for value in values if values.count(value) > 1})
    if repeated:
        raise GridError(f"--vary {text}: {', '.join(map(str, repeated))} appears more than once")
    return Axis(name, tuple(values))


def check_axes(axes: Sequence[Axis]) -> None:
    names = [axis.name for axis in axes]
    for name in set(names):
        if names.count(name) > 1:
            raise GridError(f"--vary {name} is given twice; put all its values in one list")
    if "fst" in names and "generations" in names:
        raise GridError("--vary fst and --vary generations both set the generations; "
                        "give one of them")


def expected_fst(ne: int, generations: int) -> float:
    """1 - (1 - 1/2Ne)^t, the Fst expected after t generations at size Ne."""
    if generations == 0:
        return 0.0
    return -math.expm1(generations * math.log1p(-1.0 / (2 * ne)))


def generations_for_fst(fst: float, ne: int) -> int:
    """The number of generations at size `ne` whose expected Fst comes
    closest to `fst` (the lower one on a tie)."""
    exact = math.log1p(-fst) / math.log1p(-1.0 / (2 * ne))
    candidates = {max(1, math.floor(exact)), max(1, math.ceil(exact))}
    return min(sorted(candidates), key=lambda t: abs(expected_fst(ne, t) - fst))


def expand(axes: Sequence[Axis]) -> list[Setting]:
    """Every combination of the axes' values; the first axis varies fastest,
    so that the settings of one curve stand together."""
    check_axes(axes)
    reversed_axes = list(reversed(axes))
    settings = []
    for combination in itertools.product(*(axis.values for axis in reversed_axes)):
        named = dict(zip((axis.name for axis in reversed_axes), combination))
        settings.append(Setting(tuple((axis.name, named[axis.name]) for axis in axes)))
    return settings


def cycled(items: Sequence[Item], count: int) -> tuple[Item, ...]:
    """The first `count` items, the list repeated in order when it is shorter."""
    return tuple(items[index % len(items)] for index in range(count))


def apply(setting: Setting, base: Design, runs: int) -> Design:
    """The base design changed to `setting`, with `runs` runs. Returns the
    design; refuses values the program cannot run with (GridError)."""
    loci = setting.get("loci", len(base.loci))
    pops = setting.get("pops", base.pops)
    if loci > MAX_LOCI:
        raise GridError(f"{setting.label()}: {loci} loci; this version holds at most {MAX_LOCI}")
    if not 2 <= pops <= MAX_POPS:
        raise GridError(f"{setting.label()}: {pops} populations; between 2 and {MAX_POPS} "
                        "can be compared")
    samples = cycled(base.samples, pops)
    if setting.get("samples") is not None:
        samples = (setting.get("samples"),) * pops
    if sum(samples) > MAX_DIPLOIDS:
        raise GridError(f"{setting.label()}: the samples add up to {sum(samples)} diploids; "
                        f"together at most {MAX_DIPLOIDS} can be sampled")
    ne = setting.get("ne", base.ne)
    generations = setting.get("generations", base.generations)
    if setting.get("fst") is not None:
        generations = generations_for_fst(setting.get("fst"), ne)
    if generations > MAX_GENERATIONS:
        raise GridError(f"{setting.label()}: {generations} generations of drift; at most "
                        f"{MAX_GENERATIONS}")
    if generations > 0 and not 1 <= ne <= MAX_DIPLOIDS:
        raise GridError(f"{setting.label()}: an effective size of {ne}; with drift it must lie "
                        f"between 1 and {MAX_DIPLOIDS}")
    return base.replace(loci=cycled(base.loci, loci), samples=samples, ne=ne,
                        generations=generations, runs=runs)


def refuse_merged_fst(settings: Sequence[Setting], designs: Sequence[Design]) -> None:
    """Two Fst values that come out as the same number of generations would
    run the same design twice under different labels."""
    seen = {}
    for setting, design in zip(settings, designs):
        if setting.get("fst") is None:
            continue
        others = tuple((name, value) for name, value in setting.values if name != "fst")
        key = (others, design.generations)
        if key in seen:
            raise GridError(
                f"fst={seen[key]} and fst={setting.get('fst')} both come out as "
                f"{design.generations} generations at Ne = {design.ne}; leave one out, or "
                "vary the generations (or a larger effective size) for finer steps")
        seen[key] = setting.get("fst")
