"""Allele counts or frequencies read from data files: a Genepop file, a VCF
or BCF file (through cyvcf2, Debian's python3-cyvcf2) and a tidy table (CSV
or TSV with the columns locus, allele and frequency or count, and
optionally population).

Every reader gives a Dataset: the loci in the file's order and, for every
population, the allele counts (or frequencies) at each locus and the number
of individuals sampled. A file that cannot be read raises DataError naming
the file, the line and what was expected there."""

from __future__ import annotations

import csv
import dataclasses
import os
import re
import tempfile
from collections.abc import Iterator, Sequence

GENEPOP_EXTENSIONS = (".gen", ".genepop", ".gp")
VCF_EXTENSIONS = (".vcf", ".vcf.gz", ".vcf.bgz", ".bcf")
TABLE_EXTENSIONS = (".csv", ".tsv", ".tab")


class DataError(Exception):
    """A data file that cannot be read; the message names the file and line."""

    def __init__(self, path: str, line: int | None, expected: str) -> None:
        where = f"{path}, line {line}" if line is not None else path
        super().__init__(f"{where}: {expected}")


@dataclasses.dataclass
class Population:
    name: str
    individuals: int = 0
    # One dict per locus: allele -> count (or frequency in a table of frequencies).
    alleles: list[dict[str, float]] = dataclasses.field(default_factory=list)


@dataclasses.dataclass
class Dataset:
    path: str
    kind: str                          # "Genepop", "VCF", "BCF", "table"
    loci: list[str]
    populations: list[Population]
    counts: bool = True                # False: a table of frequencies
    notes: list[str] = dataclasses.field(default_factory=list)


def data_kind(path: str) -> str | None:
    """'genepop', 'vcf' or 'table' by the file's extension; None for
    anything else (a parameter file)."""
    name = path.lower()
    for kind, extensions in (("vcf", VCF_EXTENSIONS), ("genepop", GENEPOP_EXTENSIONS),
                             ("table", TABLE_EXTENSIONS)):
        if name.endswith(extensions):
            return kind
    return None


def read(path: str, popmap: str | None = None) -> Dataset:
    """The data of `path`, read by the reader its extension names."""
    kind = data_kind(path)
    if kind == "genepop":
        return read_genepop(path)
    if kind == "vcf":
        return read_vcf(path, popmap)
    if kind == "table":
        return read_table(path)
    raise DataError(path, None, "not a data file: name a Genepop file (.gen, .genepop), a "
                                "VCF or BCF file (.vcf, .vcf.gz, .bcf) or a table (.csv, .tsv)")


def _lines(path: str) -> list[str]:
    try:
        with open(path, "rb") as file:
            content = file.read()
    except OSError as error:
        raise DataError(path, None, f"cannot be read ({error.strerror})") from None
    try:
        return content.decode("utf-8").splitlines()
    except UnicodeDecodeError:
        return content.decode("latin-1").splitlines()


# ---- Genepop ----

def _genepop_alleles(path, number, token, digits, locus):
    """The alleles of one genotype: 'ab' haploid, 'aabb' diploid with 2
    digits per allele ('aaabbb' with 3); '00' or '000' is a missing allele."""
    if not token.isdigit():
        raise DataError(path, number, f"the genotype '{token}' at locus {locus} is not made of "
                                      "digits")
    if len(token) not in (digits, 2 * digits):
        raise DataError(path, number, f"the genotype '{token}' at locus {locus} has "
                                      f"{len(token)} digits; this file writes alleles with "
                                      f"{digits} digits, so {digits} (haploid) or {2 * digits} "
                                      "(diploid) were expected")
    alleles = [token[index:index + digits] for index in range(0, len(token), digits)]
    return [allele for allele in alleles if int(allele) != 0]


def read_genepop(path: str) -> Dataset:
    """A Genepop file: a title line, the locus names (one per line, or
    separated by commas), then populations, each begun by a line 'Pop' and
    made of lines 'individual, genotype genotype ...'."""
    lines = _lines(path)
    if not lines:
        raise DataError(path, 1, "an empty file; a Genepop file begins with a title line")
    loci: list[str] = []
    number = 1
    while number < len(lines) and lines[number].strip().lower() != "pop":
        names = [name.strip() for name in lines[number].split(",")]
        loci.extend(name for name in names if name)
        number += 1
    if number >= len(lines):
        raise DataError(path, len(lines), "no line 'Pop' begins a population (a Genepop file "
                                          "has a title line, the locus names, then 'Pop' lines)")
    if not loci:
        raise DataError(path, number + 1, "'Pop' comes before any locus name")
    populations: list[Population] = []
    digits = None
    for index in range(number, len(lines)):
        line_number = index + 1
        line = lines[index].strip()
        if not line:
            continue
        if line.lower() == "pop":
            populations.append(Population(f"pop{len(populations) + 1}", 0,
                                          [{} for _ in loci]))
            continue
        name, comma, genotypes = line.partition(",")
        if not comma:
            raise DataError(path, line_number, "an individual, its name and a comma, then one "
                                               f"genotype per locus, or 'Pop'; found '{line}'")
        tokens = genotypes.split()
        if len(tokens) != len(loci):
            raise DataError(path, line_number, f"{len(loci)} genotypes (one per locus) were "
                                               f"expected after '{name.strip()},', found "
                                               f"{len(tokens)}")
        if digits is None:
            digits = 3 if len(tokens[0]) in (3, 6) else 2
        population = populations[-1]
        population.individuals += 1
        for locus, token in enumerate(tokens):
            for allele in _genepop_alleles(path, line_number, token, digits, loci[locus]):
                counts = population.alleles[locus]
                counts[allele] = counts.get(allele, 0) + 1
    if not any(population.individuals for population in populations):
        raise DataError(path, len(lines), "no individual after the 'Pop' lines")
    populations = [population for population in populations if population.individuals]
    return Dataset(path, "Genepop", loci, populations)


# ---- VCF and BCF ----

def _popmap(path: str) -> dict[str, str]:
    """A file of lines 'sample population' (blanks or tabs between)."""
    samples = {}
    for number, line in enumerate(_lines(path), start=1):
        fields = line.split()
        if not fields or fields[0].startswith("#"):
            continue
        if len(fields) != 2:
            raise DataError(path, number, "a sample name and its population were expected")
        samples[fields[0]] = fields[1]
    if not samples:
        raise DataError(path, None, "names no sample")
    return samples


class _CapturedErrors:
    """htslib writes its messages on file descriptor 2; they are kept to be
    shown in the tool's own message."""

    def __enter__(self):
        self.file = tempfile.TemporaryFile()
        self.saved = os.dup(2)
        os.dup2(self.file.fileno(), 2)
        return self

    def __exit__(self, *exc):
        os.dup2(self.saved, 2)
        os.close(self.saved)
        self.file.seek(0)
        self.text = self.file.read().decode("utf-8", "replace").strip()
        self.file.close()
        return False


def _header_lines(path: str) -> int | None:
    """The number of header lines of a plain-text VCF (None when it is
    compressed or a BCF), so that a record's line can be named."""
    if not path.lower().endswith(".vcf"):
        return None
    count = 0
    with open(path, "rb") as file:
        for line in file:
            if not line.startswith(b"#"):
                break
            count += 1
    return count


def read_vcf(path: str, popmap: str | None) -> Dataset:
    """Biallelic SNPs of a VCF or BCF file, read through cyvcf2; other
    records are left out with a note. The samples belong to the
    populations `popmap` names (one population of every sample without it)."""
    try:
        from cyvcf2 import VCF
    except ImportError:
        raise DataError(path, None, "reading VCF and BCF files needs cyvcf2, which the Python "
                                    "of this tool cannot import; on Debian: apt-get install "
                                    "python3-cyvcf2") from None
    if not os.path.isfile(path):
        raise DataError(path, None, "not found")
    header = _header_lines(path)
    kind = "BCF" if path.lower().endswith(".bcf") else "VCF"
    loci: list[str] = []
    counts: list[list[dict[str, float]]] = []
    skipped = 0
    record = 0
    captured = _CapturedErrors()
    try:
        with captured:
            try:
                reader = VCF(path)
            except Exception as error:
                raise _Failed(None, f"not a VCF or BCF file that htslib can read ({error})")
            samples = list(reader.samples)
            if not samples:
                raise _Failed(None, "holds no sample (no genotypes to count)")
            names = _popmap(popmap) if popmap else {sample: "all" for sample in samples}
            missing = [sample for sample in samples if sample not in names]
            if missing:
                raise _Failed(None, f"the sample {missing[0]} is not in {popmap}")
            order = list(dict.fromkeys(names[sample] for sample in samples))
            where = [order.index(names[sample]) for sample in samples]
            try:
                for variant in reader:
                    record += 1
                    if not (variant.is_snp and len(variant.ALT) == 1):
                        skipped += 1
                        continue
                    locus = [dict() for _ in order]
                    for sample, genotype in enumerate(variant.genotypes):
                        for allele in genotype[:-1]:
                            if allele >= 0:
                                name = (variant.REF, variant.ALT[0])[allele]
                                table = locus[where[sample]]
                                table[name] = table.get(name, 0) + 1
                    loci.append(f"{variant.CHROM}:{variant.POS}")
                    counts.append(locus)
            except Exception as error:
                raise _Failed(record + 1, f"a record that htslib cannot read ({error})")
    except _Failed as failed:
        line = None
        if failed.record is not None and header is not None:
            line = header + failed.record
        detail = f"; htslib: {captured.text}" if captured.text else ""
        what = failed.text if failed.record is None or line is not None else \
            f"record {failed.record}: {failed.text}"
        raise DataError(path, line, what + detail) from None
    if not loci:
        raise DataError(path, None, f"holds no biallelic SNP ({skipped} other records)")
    populations = []
    for index, name in enumerate(order):
        individuals = sum(1 for position in where if position == index)
        populations.append(Population(name, individuals, [locus[index] for locus in counts]))
    notes = []
    if skipped:
        notes.append(f"{skipped} records that are not biallelic SNPs left out")
    return Dataset(path, kind, loci, populations, notes=notes)


class _Failed(Exception):
    def __init__(self, record: int | None, text: str) -> None:
        super().__init__(text)
        self.record, self.text = record, text


# ---- Tidy tables ----

def _rows(path: str) -> Iterator[tuple[int, list[str]]]:
    lines = _lines(path)
    if not lines:
        raise DataError(path, 1, "an empty file; a header with the columns locus, allele and "
                                 "frequency or count was expected")
    delimiter = "\t" if "\t" in lines[0] or path.lower().endswith((".tsv", ".tab")) else ","
    for number, fields in enumerate(csv.reader(lines, delimiter=delimiter), start=1):
        yield number, [field.strip() for field in fields]


def read_table(path: str) -> Dataset:
    """A tidy table, one row per allele (and population): the columns locus,
    allele and frequency or count, and optionally population."""
    rows = _rows(path)
    _, header = next(rows)
    columns = {name.lower(): index for index, name in enumerate(header)}
    if "pop" in columns and "population" not in columns:
        columns["population"] = columns["pop"]
    value = "count" if "count" in columns else "frequency" if "frequency" in columns else None
    missing = [name for name in ("locus", "allele") if name not in columns]
    if missing or value is None:
        raise DataError(path, 1, "a header with the columns locus, allele and frequency or "
                                 f"count (and optionally population) was expected; found "
                                 f"{', '.join(header) or 'nothing'}")
    loci: list[str] = []
    by_population: dict[str, dict[str, dict[str, float]]] = {}
    seen: dict[tuple[str, str, str], int] = {}
    for number, fields in rows:
        if not any(fields):
            continue
        if len(fields) != len(header):
            raise DataError(path, number, f"{len(header)} fields as in the header were "
                                          f"expected, found {len(fields)}")
        locus, allele = fields[columns["locus"]], fields[columns["allele"]]
        population = fields[columns["population"]] if "population" in columns else "all"
        if not locus or not allele:
            raise DataError(path, number, "a locus and an allele name were expected")
        text = fields[columns[value]]
        try:
            amount = float(text)
        except ValueError:
            raise DataError(path, number, f"a {value} was expected, found '{text}'") from None
        if not amount >= 0 or amount == float("inf"):
            raise DataError(path, number, f"a {value} of 0 or more was expected, found '{text}'")
        if value == "frequency" and amount > 1:
            raise DataError(path, number, f"a frequency of at most 1 was expected, found '{text}'")
        if value == "count" and amount != int(amount):
            raise DataError(path, number, f"a whole count was expected, found '{text}'")
        key = (population, locus, allele)
        if key in seen:
            raise DataError(path, number, f"allele {allele} of locus {locus}"
                                          + (f" in population {population}"
                                             if population != "all" else "")
                                          + f" is already on line {seen[key]}")
        seen[key] = number
        if locus not in loci:
            loci.append(locus)
        by_population.setdefault(population, {}).setdefault(locus, {})[allele] = amount
    if not loci:
        raise DataError(path, 2, "no row of data after the header")
    populations = []
    for name, tables in by_population.items():
        alleles = [tables.get(locus, {}) for locus in loci]
        individuals = 0
        if value == "count":
            individuals = int(max(sum(table.values()) for table in alleles) // 2)
        populations.append(Population(name, individuals, alleles))
    return Dataset(path, "table", loci, populations, counts=value == "count")


def names_in(populations: Sequence[Population]) -> str:
    return ", ".join(population.name for population in populations)


def natural_key(text: str) -> list:
    return [int(part) if part.isdigit() else part for part in re.split(r"(\d+)", text)]
