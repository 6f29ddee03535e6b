"""The design axes a sweep can vary, their values, and the grid of settings.

A setting is one design: the base design with one value of every varied axis.
Everything a setting needs is checked here, before any job starts, so that a
bad value is refused with its reason instead of failing half-way through a
sweep."""

from __future__ import annotations

import dataclasses
import functools
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
    "fst": "an expected Fst, run within 1% by the generations (and, unless ne is varied, the "
           "effective size) that reach it",
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


FST_TOLERANCE = 0.01         # the expected Fst that runs is within 1% of the one asked


def within_tolerance(fst: float, ne: int, generations: int) -> bool:
    return abs(expected_fst(ne, generations) - fst) <= FST_TOLERANCE * fst


def _size_for(fst: float, generations: int) -> float:
    """The Ne whose expected Fst after `generations` is `fst` exactly."""
    return -1 / (2 * math.expm1(math.log1p(-fst) / generations))


@functools.lru_cache(maxsize=None)
def design_for_fst(fst: float, ne: int, ne_fixed: bool) -> tuple[int, int]:
    """(Ne, generations) whose expected Fst is within 1% of `fst`: the
    setting's Ne and the closest number of generations when that is close
    enough; else, unless Ne is fixed (varied as an axis), the Ne nearest the
    setting's that some number of generations brings within 1%, with the
    fewest generations among equals. Raises GridError when none can."""
    if 1 <= ne <= MAX_DIPLOIDS:
        generations = generations_for_fst(fst, ne)
        if generations <= MAX_GENERATIONS and within_tolerance(fst, ne, generations):
            return ne, generations
    if ne_fixed:
        raise GridError(f"fst={fst:g}: at Ne = {ne} no number of generations gives an expected "
                        f"Fst within 1% of it; leave the effective size to the tool (do not "
                        f"vary ne) or choose other values")
    best = None
    for generations in range(1, MAX_GENERATIONS + 1):
        # The expected Fst falls as Ne grows: the sizes within 1% form a range.
        high = min(fst * (1 + FST_TOLERANCE), 0.999999)
        smallest = max(1, math.ceil(_size_for(high, generations)) - 1)
        if smallest > MAX_DIPLOIDS + 1:
            break
        low = fst * (1 - FST_TOLERANCE)
        largest = min(MAX_DIPLOIDS, math.floor(_size_for(low, generations)) + 1)
        nearest = min(max(ne, smallest), largest)
        for size in (nearest - 1, nearest, nearest + 1):
            if 1 <= size <= MAX_DIPLOIDS and within_tolerance(fst, size, generations):
                key = (abs(size - ne), generations)
                if best is None or key < best[0]:
                    best = (key, size, generations)
    if best is None:
        lowest = expected_fst(MAX_DIPLOIDS, 1)
        raise GridError(f"fst={fst:g}: no effective size up to {MAX_DIPLOIDS} with at most "
                        f"{MAX_GENERATIONS} generations gives an expected Fst within 1% of it "
                        f"(the smallest is {lowest:.3g}, one generation at Ne = {MAX_DIPLOIDS})")
    return best[1], best[2]


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
        ne, generations = design_for_fst(setting.get("fst"), ne, setting.get("ne") is not None)
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
        key = (others, design.ne, design.generations)
        if key in seen:
            raise GridError(
                f"fst={seen[key]} and fst={setting.get('fst')} both come out as "
                f"{design.generations} generations at Ne = {design.ne}; leave one out (they "
                "lie within 1% of each other)")
        seen[key] = setting.get("fst")
