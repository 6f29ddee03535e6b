"""A design as `gorvan --check` reads it, and the parameter file written from it.

Parameter files are always written whole from a parsed design, never by
editing lines of the base file: a base file whose values stand on other lines
than the usual ones (the reader accepts values that run over lines) is read
as the program reads it, and the file written for a setting has the plain
layout. Frequencies are written as the texts of the base file, so that they
read back as the same doubles.

Comments are free text in any code page, and gorvan keeps only the first 80
bytes of the first, which may cut a character. They are carried as the
bytes the program read: `--check` writes each byte that is not part of
well-formed UTF-8 as U+DC80 to U+DCFF, which is what Python's
"surrogateescape" error handler makes of such a byte, so a comment is a str
that gives the file's bytes back with `.encode("utf-8", "surrogateescape")`
(which is how parameter files are written)."""

from __future__ import annotations

import dataclasses
import hashlib
from typing import Any

CHECK_SCHEMA = "gorvan-check-1"


class DesignError(Exception):
    """A `--check` answer that does not describe a design."""


@dataclasses.dataclass(frozen=True)
class Locus:
    alleles: int
    texts: tuple            # the frequencies as written in the file
    frequencies: tuple      # the doubles the program stores


@dataclasses.dataclass(frozen=True)
class Design:
    comment1: str           # the bytes read, as surrogateescape text (above)
    comment2: str
    chain: tuple            # dememorisation steps, batches, steps per batch
    chi2_switch: int        # 1 runs the chi-square test; any other value does not
    fisher_switch: int      # 1 runs the exact test
    erase_switch: int       # 1 deletes the detail files at the end
    loci: tuple             # of Locus
    ne: int
    generations: int
    samples: tuple          # diploids per sample, one per population
    runs: int

    @property
    def pops(self) -> int:
        return len(self.samples)

    @property
    def chi2(self) -> bool:
        return self.chi2_switch == 1

    @property
    def fisher(self) -> bool:
        return self.fisher_switch == 1

    @property
    def counted_steps(self) -> int:
        """Steps the chain counts towards its P estimate (batches x steps)."""
        return self.chain[1] * self.chain[2]

    def chain_text(self) -> str:
        return f"{self.chain[0]} / {self.chain[1]} x {self.chain[2]}"

    def samples_text(self) -> str:
        """'30' when every sample has 30 diploids, else '10/10/50/50'."""
        if len(set(self.samples)) == 1:
            return str(self.samples[0])
        return "/".join(str(size) for size in self.samples)

    def replace(self, **changes: Any) -> Design:
        return dataclasses.replace(self, **changes)


def _value(check, name):
    try:
        return check[name]["value"]
    except (KeyError, TypeError):
        raise DesignError(f"the check of the design lacks '{name}'") from None


def _comment(check, name):
    text = _value(check, name)
    try:
        text.encode("utf-8", "surrogateescape")
    except (AttributeError, UnicodeEncodeError):
        raise DesignError(f"'{name}' is not the text of a comment: {text!r}") from None
    return text


def readable(text: str) -> str:
    """A comment for people: bytes that are not UTF-8 shown as U+FFFD."""
    return text.encode("utf-8", "surrogateescape").decode("utf-8", "replace")


def design_from_check(check: Any) -> Design:
    """The design described by the JSON object `gorvan --check` printed."""
    if not isinstance(check, dict) or check.get("schema") != CHECK_SCHEMA:
        raise DesignError(f"not a '{CHECK_SCHEMA}' answer: "
                          f"{check.get('schema') if isinstance(check, dict) else check!r}")
    loci = []
    for entry in _value(check, "base"):
        texts = tuple(entry["texts"])
        frequencies = tuple(float(value) for value in entry["frequencies"])
        if len(texts) != entry["alleles"] or len(frequencies) != entry["alleles"]:
            raise DesignError(f"locus on line {entry.get('line')}: {entry['alleles']} alleles "
                              f"but {len(texts)} frequency texts")
        loci.append(Locus(int(entry["alleles"]), texts, frequencies))
    samples = tuple(int(size) for size in _value(check, "samples"))
    if len(loci) != _value(check, "loci") or len(samples) != _value(check, "pops"):
        raise DesignError("the numbers of loci or populations do not match their lists")
    return Design(
        comment1=_comment(check, "comment1"), comment2=_comment(check, "comment2"),
        chain=(int(_value(check, "dememorisation_steps")), int(_value(check, "batches")),
               int(_value(check, "steps_per_batch"))),
        chi2_switch=int(_value(check, "chi2_test")),
        fisher_switch=int(_value(check, "fisher_test")),
        erase_switch=int(_value(check, "erase_detail_files")),
        loci=tuple(loci), ne=int(_value(check, "ne")),
        generations=int(_value(check, "generations")), samples=samples,
        runs=int(_value(check, "runs")))


def parameter_text(design: Design) -> str:
    """The GORVAN.IN text of `design`, one value group per line, labelled."""
    lines = [
        design.comment1,
        design.comment2,
        f"{design.chain[0]} {design.chain[1]} {design.chain[2]}"
        "      dememorisation steps, batches, steps per batch of the Fisher test",
        f"{design.chi2_switch} {design.fisher_switch}      chi-square test, Fisher test (1 = on)",
        f"{design.erase_switch}      1 = delete the detail files at the end",
        "Loci, populations, Ne, generations, sample sizes, runs:",
        f"{len(design.loci)}      loci",
        f"{design.pops}      subpopulations",
        f"{design.ne}      effective size while drifting apart",
        f"{design.generations}      generations of drift",
        " ".join(str(size) for size in design.samples) + "      diploids sampled from each",
        f"{design.runs}      runs",
        "Base population allele frequencies:",
        "alleles, then frequencies",
    ]
    for locus in design.loci:
        lines.append(" ".join([str(locus.alleles), *locus.texts]))
    return "\n".join(lines) + "\n"


def fingerprint(text: str) -> str:
    """A short name of a parameter file's content, to recognise a setting
    already run with the very same file."""
    return hashlib.sha256(text.encode("utf-8", "surrogateescape")).hexdigest()[:12]


def differences(wanted: Design, read_back: Design) -> list[str]:
    """The fields in which the design read back from a written file differs
    from the one that was written; empty when the file says what was meant."""
    return [field.name for field in dataclasses.fields(Design)
            if getattr(wanted, field.name) != getattr(read_back, field.name)]


def _shown(value: Any) -> str:
    if isinstance(value, str):
        return repr(value.encode("utf-8", "surrogateescape"))[1:]
    text = repr(value)
    return text if len(text) <= 120 else text[:117] + "..."


def describe_difference(name: str, wanted: Design, read_back: Design) -> str:
    """One field that differs, with both values; a comment shown as its
    bytes, so that a difference in one byte can be seen."""
    return (f"{name}: written {_shown(getattr(wanted, name))}, "
            f"read back {_shown(getattr(read_back, name))}")
