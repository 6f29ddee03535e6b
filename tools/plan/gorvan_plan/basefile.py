"""A base design made from data: the allele frequencies of a Genepop, VCF,
BCF or table file, as the base population of a parameter file.

The frequencies are pooled over the data's populations (every gene copy
counted once; or, with frequencies="averaged", each population's
frequencies averaged without weights), written with ten decimals, and
renormalised to sum to 1 when a table's frequencies do not (a note names
each locus changed and by how much). Monomorphic loci are dropped, and so
are loci whose minor allele frequency (1 minus that of the commonest
allele) is below the floor asked for; a note says which. More loci than
the program holds are refused unless a seeded random subset is asked for.
The other values of the design (chain, tests, effective size, generations,
runs, populations and sample sizes) are the options', or the data's
populations and their sizes."""

from __future__ import annotations

import argparse
import dataclasses
import os
import random
from collections.abc import Sequence

from . import axes as axes_module
from . import data as data_module
from . import design as design_module
from .data import DataError, Dataset

MAX_ALLELES = 50
DIGITS = 10
SUM_TOLERANCE = 1e-9


@dataclasses.dataclass
class BaseOptions:
    frequencies: str = "pooled"            # or "averaged"
    maf: float = 0.0
    subset: int | None = None
    subset_seed: int = 1
    samples_from_data: bool = False
    popmap: str | None = None
    pops: int = 5
    samples: int = 50
    ne: int = 200
    generations: int = 2
    runs: int = 500
    chain: tuple = (1000, 100, 1000)


def add_data_arguments(parser: argparse.ArgumentParser) -> None:
    """The options of reading a base from data, shared by `gorvan-plan base`
    and a sweep whose base is a data file."""
    group = parser.add_argument_group(
        "a base from data",
        "A base that is a Genepop file (.gen, .genepop), a VCF or BCF file (.vcf, .vcf.gz, "
        ".bcf; biallelic SNPs) or a tidy table (.csv, .tsv: columns locus, allele, frequency "
        "or count, optionally population) gives the base population's allele frequencies.")
    group.add_argument("--frequencies", choices=("pooled", "averaged"), default="pooled",
                       help="pool every gene copy of all populations (default), or average "
                            "the populations' frequencies")
    group.add_argument("--maf", type=float, default=0.0, metavar="F",
                       help="drop loci whose minor allele frequency (1 - the commonest "
                            "allele's) is below F (default 0)")
    group.add_argument("--subset", type=int, metavar="N",
                       help="a random subset of N loci (needed when more than 50 remain)")
    group.add_argument("--subset-seed", type=int, default=1, metavar="S",
                       help="seed of the random subset (default 1)")
    group.add_argument("--samples-from-data", action="store_true",
                       help="the populations of the data and their numbers of individuals "
                            "as the design's populations and sample sizes")
    group.add_argument("--popmap", metavar="FILE",
                       help="for a VCF or BCF: lines 'sample population' (without it, all "
                            "samples are one population)")


def options_from(args: argparse.Namespace) -> BaseOptions:
    options = BaseOptions(frequencies=args.frequencies, maf=args.maf, subset=args.subset,
                          subset_seed=args.subset_seed,
                          samples_from_data=args.samples_from_data, popmap=args.popmap)
    for name in ("pops", "samples", "ne", "generations", "runs"):
        if getattr(args, f"design_{name}", None) is not None:
            setattr(options, name, getattr(args, f"design_{name}"))
    if getattr(args, "chain", None):
        options.chain = tuple(args.chain)
    return options


def option_problem(options: BaseOptions) -> str | None:
    if not 0 <= options.maf < 0.5:
        return f"--maf {options.maf}: a minor allele frequency from 0 to below 0.5"
    if options.subset is not None and not 1 <= options.subset <= axes_module.MAX_LOCI:
        return f"--subset {options.subset}: from 1 to {axes_module.MAX_LOCI} loci"
    return None


def _frequency_text(value: float) -> str:
    text = f"{value:.{DIGITS}f}".rstrip("0")
    return text + "0" if text.endswith(".") else text


def _normalised(table: dict, locus: str, where: str, notes: list[str]) -> dict:
    total = sum(table.values())
    if total <= 0:
        return {}
    if abs(total - 1) > SUM_TOLERANCE:
        notes.append(f"locus {locus}{where}: the frequencies summed to {total:.6g}; each was "
                     f"divided by that sum (the total changed by {1 - total:+.6g})")
    return {allele: amount / total for allele, amount in table.items()}


def locus_frequencies(dataset: Dataset, mode: str, notes: list[str]) -> list[dict[str, float]]:
    """Each locus's base frequencies, pooled or averaged over populations."""
    if not dataset.counts and mode == "pooled" and len(dataset.populations) > 1:
        notes.append("a table of frequencies gives no sample sizes to pool by: the "
                     "populations' frequencies are averaged")
        mode = "averaged"
    result = []
    for index, locus in enumerate(dataset.loci):
        if mode == "pooled":
            pooled: dict[str, float] = {}
            for population in dataset.populations:
                for allele, amount in population.alleles[index].items():
                    pooled[allele] = pooled.get(allele, 0) + amount
            result.append(_normalised(pooled, locus, "", notes if not dataset.counts else []))
            continue
        tables = []
        for population in dataset.populations:
            where = f" (population {population.name})" if len(dataset.populations) > 1 else ""
            table = _normalised(population.alleles[index], locus, where,
                                notes if not dataset.counts else [])
            if table:
                tables.append(table)
        averaged: dict[str, float] = {}
        for table in tables:
            for allele, share in table.items():
                averaged[allele] = averaged.get(allele, 0) + share / len(tables)
        result.append(averaged)
    return result


def _listed(names: Sequence[str]) -> str:
    shown = ", ".join(names[:10])
    return shown + (f" and {len(names) - 10} more" if len(names) > 10 else "")


def base_loci(dataset: Dataset, options: BaseOptions,
              notes: list[str]) -> list[tuple[str, list[tuple[str, float]]]]:
    """The loci of the base, each (name, [(allele, frequency), ...]), after
    the filters and the subset."""
    loci = []
    monomorphic, rare = [], []
    for name, table in zip(dataset.loci, locus_frequencies(dataset, options.frequencies, notes)):
        alleles = sorted(((allele, share) for allele, share in table.items() if share > 0),
                         key=lambda item: data_module.natural_key(item[0]))
        if len(alleles) < 2:
            monomorphic.append(name)
            continue
        # (A tolerance keeps 3 of 15, written 1 - 12/15 = 0.1999..., at a floor of 0.2.)
        if 1 - max(share for _, share in alleles) < options.maf - 1e-12:
            rare.append(name)
            continue
        if len(alleles) > MAX_ALLELES:
            raise DataError(dataset.path, None, f"locus {name} has {len(alleles)} alleles; this "
                                                f"version of gorvan holds at most {MAX_ALLELES} "
                                                "per locus")
        loci.append((name, alleles))
    if monomorphic:
        notes.append(f"{len(monomorphic)} monomorphic loci dropped: {_listed(monomorphic)}")
    if rare:
        notes.append(f"{len(rare)} loci with a minor allele frequency below {options.maf:g} "
                     f"dropped: {_listed(rare)}")
    if not loci:
        raise DataError(dataset.path, None, "no polymorphic locus remains"
                        + (f" with a minor allele frequency of at least {options.maf:g}"
                           if options.maf else ""))
    if options.subset is not None:
        if options.subset > len(loci):
            raise DataError(dataset.path, None, f"--subset {options.subset}: only {len(loci)} "
                                                "polymorphic loci remain")
        chooser = random.Random(options.subset_seed)
        chosen = sorted(chooser.sample(range(len(loci)), options.subset))
        loci = [loci[index] for index in chosen]
        notes.append(f"a random subset of {options.subset} loci (seed {options.subset_seed}): "
                     f"{_listed([name for name, _ in loci])}")
    elif len(loci) > axes_module.MAX_LOCI:
        raise DataError(dataset.path, None, f"{len(loci)} polymorphic loci remain and this "
                                            f"version of gorvan holds at most "
                                            f"{axes_module.MAX_LOCI}: take a random subset with "
                                            f"--subset {axes_module.MAX_LOCI} (seeded by "
                                            "--subset-seed)")
    return loci


def sample_sizes(dataset: Dataset, options: BaseOptions) -> tuple[int, ...]:
    if not options.samples_from_data:
        return (options.samples,) * options.pops
    populations = dataset.populations
    if not dataset.counts:
        raise DataError(dataset.path, None, "--samples-from-data: a table of frequencies gives "
                                            "no sample sizes (give counts)")
    if not 2 <= len(populations) <= axes_module.MAX_POPS:
        raise DataError(dataset.path, None, f"--samples-from-data: the data hold "
                                            f"{len(populations)} population(s) "
                                            f"({data_module.names_in(populations)}); between 2 "
                                            f"and {axes_module.MAX_POPS} can be compared"
                        + ("; name the samples' populations with --popmap"
                           if dataset.kind in ("VCF", "BCF") and len(populations) == 1 else ""))
    sizes = tuple(population.individuals for population in populations)
    if sum(sizes) > axes_module.MAX_DIPLOIDS:
        raise DataError(dataset.path, None, f"--samples-from-data: the populations hold "
                                            f"{sum(sizes)} individuals; together at most "
                                            f"{axes_module.MAX_DIPLOIDS} can be sampled")
    return sizes


def make_design(dataset: Dataset, options: BaseOptions) -> tuple[design_module.Design, list[str]]:
    """The base design of the data, and the notes on what was changed or left out."""
    notes = list(dataset.notes)
    loci = base_loci(dataset, options, notes)
    samples = sample_sizes(dataset, options)
    individuals = sum(population.individuals for population in dataset.populations)
    mode = options.frequencies
    if not dataset.counts and len(dataset.populations) > 1:
        mode = "averaged"
    comment1 = f"Base from {os.path.basename(dataset.path)}"[:80]
    comment2 = (f"{mode} frequencies of {len(dataset.populations)} population(s)"
                + (f", {individuals} individuals" if individuals else "")
                + f"; {len(loci)} of {len(dataset.loci)} loci")
    design_loci = []
    for _, alleles in loci:
        texts = tuple(_frequency_text(share) for _, share in alleles)
        design_loci.append(design_module.Locus(len(alleles), texts,
                                               tuple(float(text) for text in texts)))
    design = design_module.Design(
        comment1=comment1, comment2=comment2, chain=tuple(options.chain), chi2_switch=1,
        fisher_switch=1, erase_switch=1, loci=tuple(design_loci), ne=options.ne,
        generations=options.generations, samples=samples, runs=options.runs)
    notes.append("loci and alleles in the written file: "
                 + "; ".join(f"{name} ({', '.join(allele for allele, _ in alleles)})"
                             for name, alleles in loci[:5])
                 + (f"; and {len(loci) - 5} more loci" if len(loci) > 5 else ""))
    return design, notes


def convert(path: str, options: BaseOptions) -> tuple[str, list[str]]:
    """The parameter file text of the data in `path`, and the notes."""
    dataset = data_module.read(path, options.popmap)
    design, notes = make_design(dataset, options)
    return design_module.parameter_text(design), notes
