"""What the tests of gorvan-plan share: where the tool and the program are,
the tiny base design, and a `gorvan --check` answer built by hand."""

import csv
import os
import tempfile

TESTS = os.path.dirname(os.path.abspath(__file__))
# The launcher in tools/, which finds the package in tools/plan.
TOOL = os.path.normpath(os.path.join(TESTS, os.pardir, os.pardir, "gorvan-plan"))
# The gorvan program the sweeps run (ctest sets it).
BINARY = os.environ.get("GORVAN_BINARY", "")

# Two loci, two populations and a chain of 10 / 2 x 10: a job of a few runs
# takes milliseconds.
TINY = """\
Tiny design for the gorvan-plan test
two populations, two loci
{chain}            chain
{tests}                tests
0                  erase
Loci, populations, Ne, generations, sample sizes, runs:
2                  loci
2                  subpopulations
50                 effective size
{t}                  generations
10 12              sample sizes
{runs}                  runs
Base population allele frequencies:
alleles, then frequencies
2 0.5 0.5
3 0.2 0.3 0.50e0
"""


# The tiny design with values running over lines and a blank line after the
# chain: every value after it stands a line or two lower than usual.
ODD_LAYOUT = """\
Tiny design laid out oddly
two populations, two loci
10 2
10                 chain, ending on the next line

1 1                tests
0                  erase
Loci, populations, Ne, generations, sample sizes, runs:
2                  loci
2                  subpopulations
50                 effective size
2                  generations
10
12                 sample sizes, over two lines
6                  runs
Base population allele frequencies:
alleles, then frequencies
2 0.5 0.5
3 0.2 0.3 0.50e0
"""


def tiny(chain="10 2 10", tests="1 1", t=2, runs=6):
    return TINY.format(chain=chain, tests=tests, t=t, runs=runs)


def check_json(loci=((2, ["0.5", "0.5"]), (3, ["0.2", "0.3", "0.5"])), samples=(10, 12),
               runs=6, generations=2):
    """A `gorvan --check` answer as the schema describes it."""
    def at(line, value):
        return {"line": line, "value": value}
    base = [{"line": 15 + index, "alleles": alleles, "texts": list(texts),
             "frequencies": [float(text) for text in texts]}
            for index, (alleles, texts) in enumerate(loci)]
    return {"schema": "gorvan-check-1", "comment1": at(1, "first"), "comment2": at(2, "second"),
            "dememorisation_steps": at(3, 10), "batches": at(3, 2), "steps_per_batch": at(3, 10),
            "chi2_test": at(4, 1), "fisher_test": at(4, 1), "erase_detail_files": at(5, 0),
            "loci": at(7, len(loci)), "pops": at(8, len(samples)), "ne": at(9, 50),
            "generations": at(10, generations), "samples": at(11, list(samples)),
            "runs": at(12, runs), "base": at(15, base),
            "total_alleles": sum(alleles for alleles, _ in loci), "expected_fst": 0.0199}


def read_rows(path):
    """The rows of a CSV file, each a dict by column name."""
    with open(path, newline="") as file:
        return list(csv.DictReader(file))


class Scratch:
    """A scratch directory holding the tiny base design BASE.IN."""

    def __init__(self):
        self._directory = tempfile.TemporaryDirectory(prefix="gorvan-plan-test-")
        self.dir = self._directory.name
        self.base = self.write("BASE.IN", tiny())

    def cleanup(self):
        self._directory.cleanup()

    def write(self, name, text):
        path = os.path.join(self.dir, name)
        with open(path, "w") as file:
            file.write(text)
        return path
