#!/usr/bin/python3
"""Tests of tools/gorvan-plan: its parts on their own, and whole sweeps of a
tiny design run by the gorvan program named by the GORVAN_BINARY environment
variable (ctest sets it)."""

import csv
import math
import os
import signal
import subprocess
import sys
import tempfile
import time
import unittest

TOOLS = os.path.dirname(os.path.abspath(__file__))
TOOL = os.path.join(TOOLS, "gorvan-plan")
sys.path.insert(0, TOOLS)

from gorvan_plan import (answer, axes, checker, collect, curves, design,  # noqa: E402
                         jobs, stats)

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


class Statistics(unittest.TestCase):
    def test_clopper_pearson_against_scipy_and_textbook_values(self):
        # Textbook values (Clopper and Pearson's tables): 0 of 10 gives
        # 0 to 0.3085, 5 of 10 gives 0.1871 to 0.8129.
        for successes, trials, low, high in ((0, 10, 0.0, 0.3085), (5, 10, 0.1871, 0.8129),
                                             (10, 10, 0.6915, 1.0)):
            got = stats.clopper_pearson(successes, trials)
            self.assertAlmostEqual(got[0], low, places=4)
            self.assertAlmostEqual(got[1], high, places=4)
        try:
            from scipy.stats import beta
        except ImportError:
            self.skipTest("python3-scipy is not installed")
        for successes, trials in ((0, 1), (1, 1), (1, 2), (3, 7), (0, 500), (1, 500),
                                  (250, 500), (499, 500), (500, 500), (17, 20000),
                                  (9876, 20000), (123456, 1000000)):
            with self.subTest(successes=successes, trials=trials):
                low, high = stats.clopper_pearson(successes, trials)
                want_low = beta.ppf(0.025, successes, trials - successes + 1) if successes else 0
                want_high = (beta.ppf(0.975, successes + 1, trials - successes)
                             if successes < trials else 1)
                self.assertAlmostEqual(low, want_low, delta=1e-10)
                self.assertAlmostEqual(high, want_high, delta=1e-10)

    def test_paired_difference_has_mcnemar_standard_error(self):
        # Agresti, Categorical Data Analysis: approval ratings of 1600 people
        # asked twice, 150 approving only the first time and 86 only the
        # second: difference 0.04 with standard error 0.0095.
        difference, error = stats.paired_difference(150, 86, 1600)
        self.assertAlmostEqual(difference, 0.04)
        self.assertAlmostEqual(error, 0.0095, places=4)
        self.assertEqual(stats.paired_difference(0, 0, 10), (0.0, 0.0))
        difference, error = stats.paired_difference(0, 3, 10)
        self.assertAlmostEqual(difference, -0.3)
        self.assertAlmostEqual(error, math.sqrt(3 - 0.9) / 10)


class Grid(unittest.TestCase):
    def test_refused_values_name_the_reason(self):
        cases = [
            ("samples", "write NAME=V1,V2"), ("width=3", "unknown axis 'width'"),
            ("samples=", "an empty value"), ("samples=10,,20", "an empty value"),
            ("samples=10,x", "'x' is not a whole number"), ("loci=2.5", "not a whole number"),
            ("samples=0,10", "0 is not positive"), ("ne=-5", "-5 is not positive"),
            ("generations=-1", "-1 is not at least 0"), ("loci=3,3", "3 appears more than once"),
            ("fst=0.01,abc", "'abc' is not a number"), ("fst=0", "not an Fst between 0 and 1"),
            ("fst=1", "not an Fst between 0 and 1"), ("fst=0.01,0.01", "appears more than once"),
        ]
        for text, reason in cases:
            with self.subTest(text=text):
                with self.assertRaises(axes.GridError) as caught:
                    axes.parse_axis(text)
                self.assertIn(reason, str(caught.exception))
        self.assertEqual(axes.parse_axis("generations=0,4").values, (0, 4))
        for given, reason in ((["fst=0.01", "generations=1"], "both set the generations"),
                              (["loci=1", "samples=2", "loci=3"], "given twice")):
            with self.subTest(given=given):
                with self.assertRaises(axes.GridError) as caught:
                    axes.expand([axes.parse_axis(text) for text in given])
                self.assertIn(reason, str(caught.exception))

    def test_full_grid_with_the_first_axis_fastest(self):
        settings = axes.expand([axes.parse_axis("samples=10,20,40"),
                                axes.parse_axis("loci=2,5"), axes.parse_axis("pops=2,3")])
        self.assertEqual(len(settings), 12)
        self.assertEqual(len(set(settings)), 12)
        self.assertEqual([s.get("samples") for s in settings[:4]], [10, 20, 40, 10])
        self.assertEqual([(s.get("loci"), s.get("pops")) for s in settings[::3]],
                         [(2, 2), (5, 2), (2, 3), (5, 3)])
        self.assertEqual(settings[0].label(), "samples=10 loci=2 pops=2")

    def test_settings_change_the_base_as_each_axis_says(self):
        base = design.design_from_check(check_json(samples=(10, 12, 30)))
        setting = axes.Setting((("loci", 5), ("pops", 5), ("ne", 80), ("generations", 0)))
        changed = axes.apply(setting, base, runs=9)
        self.assertEqual([locus.alleles for locus in changed.loci], [2, 3, 2, 3, 2])
        self.assertEqual(changed.samples, (10, 12, 30, 10, 12))
        self.assertEqual((changed.ne, changed.generations, changed.runs), (80, 0, 9))
        self.assertEqual(changed.chain, base.chain)
        one = axes.apply(axes.Setting((("loci", 1), ("samples", 7))), base, runs=3)
        self.assertEqual((len(one.loci), one.samples), (1, (7, 7, 7)))
        refusals = [((("loci", 51),), "at most 50"), ((("pops", 31),), "between 2 and 30"),
                    ((("pops", 1),), "between 2 and 30"),
                    ((("samples", 5462),), "16386 diploids; together at most 16383"),
                    ((("ne", 16384),), "between 1 and 16383"),
                    ((("generations", 32768),), "at most 32767")]
        for values, reason in refusals:
            with self.subTest(values=values):
                with self.assertRaises(axes.GridError) as caught:
                    axes.apply(axes.Setting(values), base, runs=3)
                self.assertIn(reason, str(caught.exception))

    def test_fst_picks_the_closest_number_of_generations(self):
        for fst, ne in ((0.005, 200), (0.0123, 200), (0.3, 50), (0.0001, 200), (0.02, 1000)):
            with self.subTest(fst=fst, ne=ne):
                chosen = axes.generations_for_fst(fst, ne)
                by_search = min(range(1, 5000),
                                key=lambda t: abs(1 - (1 - 1 / (2 * ne)) ** t - fst))
                self.assertEqual(chosen, by_search)
        base = design.design_from_check(check_json())
        settings = axes.expand([axes.parse_axis("fst=0.01,0.011")])
        designs = [axes.apply(setting, base, 5) for setting in settings]
        with self.assertRaises(axes.GridError) as caught:
            axes.refuse_merged_fst(settings, designs)
        self.assertIn("both come out as 1 generations at Ne = 50", str(caught.exception))

    def test_shards_split_the_runs_evenly_and_threads_pass_only_when_asked(self):
        for runs, shards, parts in ((10, 1, [10]), (10, 3, [4, 3, 3]), (7, 7, [1] * 7),
                                    (1001, 4, [251, 250, 250, 250])):
            self.assertEqual(jobs.shard_runs(runs, shards), parts)
        self.assertEqual(jobs.job_args(7, 1), ("--seed", "7"))
        self.assertEqual(jobs.job_args(-3, 4), ("--seed", "-3", "--threads", "4"))


class Answer(unittest.TestCase):
    def test_where_each_curve_reaches_the_target(self):
        def points(*pairs):
            return [curves.Point(x, 0, power, 0, 1) for x, power in pairs]
        cases = [
            (points((10, 0.5), (20, 0.7), (40, 0.9)), ("40", "30")),
            (points((10, 0.5), (20, 0.8)), ("20", "20")),
            (points((10, 0.85), (20, 0.95)), ("10", "at or below 10")),
            (points((10, 0.2), (20, 0.79)), ("not reached", "highest 0.790 at 20")),
            # Power that wobbles across the target: the first crossing counts.
            (points((1, 0.1), (2, 0.9), (3, 0.7), (4, 0.95)), ("2", "1.875")),
        ]
        for given, wanted in cases:
            with self.subTest(given=given):
                self.assertEqual(answer.crossing(given, 0.8), wanted)


class ChainWarning(unittest.TestCase):
    def test_warning_when_the_chain_adds_too_much_or_leaves_zero_p(self):
        cases = [
            # excess, its SE, zero-P share of the chain, of the longer chain
            ((0.03, 0.005, 0.0, 0.0), ["adds about +0.030", "at least 4000 counted steps"]),
            ((0.015, 0.004, 0.0, 0.0), []),                 # within 0.01 + 2 SE
            ((0.019, 0.004, 0.0, 0.0), ["adds about +0.019"]),
            ((-0.01, 0.004, 0.005, 0.0), []),               # 0.5% exactly is tolerated
            ((0.002, 0.004, 0.012, 0.001), ["1.2% of the null runs hold a tested locus whose "
                                            "estimated P is 0", "at least 4000 counted"]),
            ((0.002, 0.004, 0.012, 0.009), ["at least 16000 counted steps"]),
        ]
        for given, parts in cases:
            with self.subTest(given=given):
                warning = collect.chain_warning(*given, counted_steps=1000)
                if not parts:
                    self.assertEqual(warning, "")
                for part in parts:
                    self.assertIn(part, warning)
                if parts:
                    self.assertIn("so its power is overstated by up to as much", warning)


class DesignText(unittest.TestCase):
    def test_the_file_is_written_from_the_parsed_design(self):
        parsed = design.design_from_check(check_json(
            loci=((2, ["+0.5", "5e-1"]), (3, ["0.2", "0.3", ".5"]))))
        lines = design.parameter_text(parsed).splitlines()
        self.assertEqual(lines[0:2], ["first", "second"])
        self.assertEqual([line.split()[0:3] for line in lines[2:3]], [["10", "2", "10"]])
        self.assertEqual([line.split()[0] for line in lines[3:12] if line[0].isdigit()],
                         ["1", "0", "2", "2", "50", "2", "10", "6"])
        self.assertEqual(lines[14:], ["2 +0.5 5e-1", "3 0.2 0.3 .5"])
        self.assertEqual(len(lines), 16)

    def test_an_answer_that_is_not_a_design_is_refused(self):
        broken = check_json()
        del broken["ne"]
        for answer_json, reason in ((broken, "lacks 'ne'"),
                                    (dict(check_json(), schema="other"), "not a"),
                                    (dict(check_json(), pops={"line": 8, "value": 3}),
                                     "do not match")):
            with self.assertRaises(design.DesignError) as caught:
                design.design_from_check(answer_json)
            self.assertIn(reason, str(caught.exception))


def png_dpi(path):
    """The resolution a PNG file records (its pHYs chunk), in dots per inch."""
    with open(path, "rb") as file:
        content = file.read()
    assert content[:8] == b"\x89PNG\r\n\x1a\n", "not a PNG file"
    position = 8
    while position < len(content):
        length = int.from_bytes(content[position:position + 4], "big")
        kind = content[position + 4:position + 8]
        if kind == b"pHYs":
            per_metre = int.from_bytes(content[position + 8:position + 12], "big")
            return per_metre * 0.0254
        position += 12 + length
    return 0


class ScratchDirCase(unittest.TestCase):
    """A scratch directory per test, holding the tiny base design BASE.IN."""

    def setUp(self):
        self.scratch = tempfile.TemporaryDirectory(prefix="gorvan-plan-test-")
        self.dir = self.scratch.name
        self.base = self.write("BASE.IN", tiny())

    def tearDown(self):
        self.scratch.cleanup()

    def write(self, name, text):
        path = os.path.join(self.dir, name)
        with open(path, "w") as file:
            file.write(text)
        return path


class Sweeps(ScratchDirCase):
    """Whole sweeps through the command line, with the real program."""

    def setUp(self):
        if not (BINARY and os.access(BINARY, os.X_OK)):
            self.fail("set GORVAN_BINARY to the built gorvan program")
        super().setUp()
        self.csv = os.path.join(self.dir, "plan.csv")

    def tool(self, *args, base=None, env=None):
        return subprocess.run([TOOL, base or self.base, "--binary", BINARY, "--csv", self.csv,
                               "--jobs", "2", *args], capture_output=True, text=True, env=env,
                              stdin=subprocess.DEVNULL, timeout=300)

    def rows(self, path=None):
        with open(path or self.csv, newline="") as file:
            return list(csv.DictReader(file))

    def test_parameter_files_of_every_axis_read_back_through_gorvan(self):
        # The base's values run over lines and a blank line follows line 3: the
        # program reads the values where they stand, and so must the tool.
        odd = self.write("ODD.IN", ODD_LAYOUT)
        base = checker.read_design_file(BINARY, odd)
        self.assertEqual((base.chain, base.ne, base.generations, base.samples),
                         ((10, 2, 10), 50, 2, (10, 12)))
        settings = [(("samples", 15),), (("loci", 5),), (("loci", 1),), (("pops", 3),),
                    (("ne", 25),), (("generations", 0),), (("fst", 0.05),),
                    (("samples", 9), ("loci", 3), ("pops", 4), ("ne", 70), ("generations", 3))]
        for values in settings:
            with self.subTest(values=values):
                wanted = axes.apply(axes.Setting(values), base, runs=11)
                read = checker.read_back(BINARY, design.parameter_text(wanted))
                self.assertEqual(design.differences(wanted, read), [])
                self.assertEqual(read.loci[-1].texts, base.loci[(len(read.loci) - 1) % 2].texts)
        self.assertEqual(axes.apply(axes.Setting((("fst", 0.05),)), base, 1).generations, 5)

    def test_refusals_come_before_any_job(self):
        cases = [
            ([], "name at least one axis"),
            (["--vary", "depth=3"], "unknown axis"),
            (["--vary", "samples=10,10"], "appears more than once"),
            (["--vary", "fst=0.1", "--vary", "generations=2"], "both set the generations"),
            (["--vary", "loci=51"], "at most 50"),
            (["--vary", "pops=1,2"], "between 2 and 30"),
            (["--vary", "samples=9000"], "together at most 16383"),
            (["--vary", "ne=20000"], "between 1 and 16383"),
            (["--vary", "ne=20", "--runs", "3", "--shards", "4"], "more shards than the 3 runs"),
            (["--vary", "ne=20", "--seed", "4294967295", "--shards", "2"], "the seeds must lie"),
            (["--vary", "ne=20", "--runs", "0"], "--runs 0: at least 1"),
            (["--vary", "ne=20", "--target", "1.5"], "a power between 0 and 1"),
            (["--vary", "ne=20", "--plot", os.path.join(self.dir, "c.jpg")], "extension"),
            (["--vary", "ne=20", "--plot", os.path.join(self.dir, "no", "c.png")],
             "does not exist"),
            (["--vary", "ne=20", "--resume"], "no " + self.csv + " to resume"),
            (["--vary", "ne=20", "--resume", "--csv", self.base], "is not a table of"),
            (["--vary", "ne=20", "--csv", self.base], "is not a table of"),
            (["--vary", "ne=20", "--csv", self.dir], "is a folder; name a file"),
            (["--vary", "ne=20", "--binary", os.path.join(self.dir, "nope")],
             "gorvan program not found"),
        ]
        for args, reason in cases:
            with self.subTest(args=args):
                done = self.tool(*args)
                self.assertEqual(done.returncode, 2, done.stderr)
                self.assertIn(reason, done.stderr)
                self.assertEqual(done.stdout, "")
                self.assertEqual(os.listdir(self.dir), ["BASE.IN"])
                with open(self.base) as file:
                    self.assertEqual(file.read(), tiny())
        # A base the program refuses is refused with the program's own message.
        bad = self.write("BAD.IN", tiny().replace("2 0.5 0.5", "2 0.5 0.4"))
        done = self.tool("--vary", "ne=20", base=bad)
        self.assertEqual(done.returncode, 2, done.stderr)
        self.assertIn("Allele frequencies do not sum to unity at Locus  1", done.stderr)
        self.assertFalse(os.path.exists(self.csv))

    def test_sweep_table_csv_plot_and_shards(self):
        png = os.path.join(self.dir, "curve.png")
        done = self.tool("--vary", "samples=5,20", "--vary", "generations=1,6", "--runs", "9",
                         "--shards", "2", "--seed", "5", "--plot", png)
        self.assertEqual(done.returncode, 0, done.stderr)
        rows = self.rows()
        self.assertEqual([(row["samples"], row["generations"]) for row in rows],
                         [("5", "1"), ("20", "1"), ("5", "6"), ("20", "6")])
        for row in rows:
            runs = int(row["runs"])
            self.assertEqual((runs, row["shards"], row["seed"]), (9, "2", "5"))
            self.assertEqual(int(row["discarded"]), 0)
            for test in ("chi2", "fisher"):
                count = int(row[f"significant_{test}"])
                self.assertAlmostEqual(float(row[f"power_{test}"]), count / runs, places=6)
                low, high = stats.clopper_pearson(count, runs)
                self.assertAlmostEqual(float(row[f"power_{test}_low"]), low, places=6)
                self.assertAlmostEqual(float(row[f"power_{test}_high"]), high, places=6)
            expected = 1 - (1 - 1 / 100) ** int(row["generations"])
            self.assertAlmostEqual(float(row["expected_fst"]), expected, places=6)
        # The printed table holds the same rows, and the answer one line per curve.
        printed = done.stdout.splitlines()
        self.assertEqual(printed[0].split()[:5], ["samples", "loci", "pops", "ne", "t"])
        for row, line in zip(rows, printed[1:5]):
            self.assertIn(f"{float(row['power_fisher']):.3f}", line)
        self.assertEqual(sum(1 for line in printed if line.startswith("generations=")), 4)
        progress = [line for line in done.stderr.splitlines() if line.startswith("[")]
        self.assertEqual([line[:5] for line in progress], ["[1/4]", "[2/4]", "[3/4]", "[4/4]"])
        self.assertTrue(all("left" in line for line in progress))
        self.assertGreaterEqual(round(png_dpi(png)), 200)
        self.assertEqual(sorted(os.listdir(self.dir)), ["BASE.IN", "curve.png", "plan.csv"])

        # Shards: the same tallies as separate runs with seeds 5 and 6 and
        # the runs split 5 + 4, summed.
        separate = []
        for seed, runs in ((5, 5), (6, 4)):
            path = os.path.join(self.dir, f"seed{seed}.csv")
            again = subprocess.run(
                [TOOL, self.base, "--binary", BINARY, "--csv", path, "--vary", "samples=5,20",
                 "--vary", "generations=1,6", "--runs", str(runs), "--seed", str(seed)],
                capture_output=True, text=True, timeout=300)
            self.assertEqual(again.returncode, 0, again.stderr)
            separate.append(self.rows(path))
        for row, first, second in zip(rows, *separate):
            for column in ("runs", "discarded", "significant_chi2", "significant_fisher"):
                self.assertEqual(int(row[column]), int(first[column]) + int(second[column]))
            reached = (5 * float(first["reached_fst"]) + 4 * float(second["reached_fst"])) / 9
            self.assertAlmostEqual(float(row["reached_fst"]), reached, places=6)

    def test_null_check_and_a_test_switched_off(self):
        base = self.write("CHI2.IN", tiny(tests="1 0"))
        svg = os.path.join(self.dir, "curve.svg")
        done = self.tool("--vary", "generations=0,3", "--vary", "ne=20,40", "--runs", "5",
                         "--null-check", "--null-runs", "20", "--plot", svg, base=base)
        self.assertEqual(done.returncode, 0, done.stderr)
        rows = self.rows()
        # Without drift the effective size plays no part: one null design.
        self.assertEqual(len({row["null_design"] for row in rows}), 1)
        for row in rows:
            self.assertEqual((row["power_fisher"], row["type1_fisher"], row["chain_excess"],
                              row["chain"]), ("", "", "", ""))
            self.assertEqual(row["null_runs"], "20")
            self.assertTrue(0 <= float(row["type1_chi2_low"]) <= float(row["type1_chi2"])
                            <= float(row["type1_chi2_high"]) <= 1)
        with open(svg) as file:
            self.assertIn("<svg", file.read(2000))

        done = self.tool("--vary", "samples=6,12", "--runs", "4", "--null-check",
                         "--null-runs", "30", "--shards", "2")
        self.assertEqual(done.returncode, 0, done.stderr)
        rows = self.rows()
        self.assertEqual(len({row["null_design"] for row in rows}), 2)
        for row in rows:
            runs = int(row["null_runs"])
            self.assertEqual(runs, 30)
            excess, error = float(row["chain_excess"]), float(row["chain_excess_se"])
            # A whole number of runs apart, and a standard error that covers it.
            self.assertAlmostEqual(excess * runs, round(excess * runs), delta=1e-4)
            self.assertLessEqual(abs(excess), 1)
            self.assertGreaterEqual(error, 0)
            self.assertTrue(0 <= float(row["zero_p_share"]) <= 1)
            warned = bool(row["chain_warning"])
            self.assertEqual(warned, excess > 0.01 + 2 * error
                             or float(row["zero_p_share"]) > 0.005)
            if warned:
                self.assertIn("counted steps", row["chain_warning"])
                self.assertIn(row["chain_warning"], done.stderr)

    def test_interrupt_keeps_finished_rows_and_resume_finishes(self):
        # A program that never ends the setting with 14 diploids per sample,
        # so that the interruption always finds the other settings finished
        # and that one running.
        stuck = self.write("stuck-gorvan", f"""#!/bin/sh
if [ "$1" != --check ] && grep -q '^14 14 ' GORVAN.IN; then exec sleep 600; fi
exec '{BINARY}' "$@"
""")
        os.chmod(stuck, 0o755)
        args = [TOOL, self.base, "--binary", stuck, "--csv", self.csv, "--jobs", "2",
                "--vary", "samples=8,10,12,14,16,18", "--seed", "3", "--runs", "20"]
        process = subprocess.Popen(args, stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                                   text=True, stdin=subprocess.DEVNULL)
        deadline = time.monotonic() + 120
        while time.monotonic() < deadline:
            if os.path.exists(self.csv) and len(self.rows()) == 5:
                break
            time.sleep(0.05)
        process.send_signal(signal.SIGINT)
        stdout, stderr = process.communicate(timeout=30)
        self.assertEqual(process.returncode, 130, stderr)
        self.assertNotIn("Traceback", stderr)
        self.assertIn("5 of 6 finished settings are in", stderr)
        kept = self.rows()
        self.assertEqual([row["samples"] for row in kept], ["8", "10", "12", "16", "18"])
        self.assertEqual(sorted(os.listdir(self.dir)), ["BASE.IN", "plan.csv", "stuck-gorvan"])

        args[3] = BINARY
        resumed = subprocess.run(args + ["--resume"], capture_output=True, text=True,
                                 timeout=300)
        self.assertEqual(resumed.returncode, 0, resumed.stderr)
        self.assertIn("5 of 6 settings taken from", resumed.stderr)
        progress = [line for line in resumed.stderr.splitlines() if line.startswith("[")]
        self.assertEqual(len(progress), 1)
        self.assertIn("[6/6] samples=14", progress[0])
        final = self.rows()
        self.assertEqual([row["samples"] for row in final], ["8", "10", "12", "14", "16", "18"])
        fresh_csv = os.path.join(self.dir, "fresh.csv")
        fresh = subprocess.run(args[:5] + [fresh_csv] + args[6:], capture_output=True,
                               text=True, timeout=300)
        self.assertEqual(fresh.returncode, 0, fresh.stderr)
        self.assertEqual(self.rows(fresh_csv), final)

    def test_a_failing_job_is_reported_and_resumed_and_discards_are_counted(self):
        # One common allele and a rare one, one diploid per sample: most
        # attempts find every sample monomorphic and are thrown away.
        rare = self.write("RARE.IN", tiny(runs=5).replace("10 12 ", "1 1 ").replace(
            "3 0.2 0.3 0.50e0", "2 0.97 0.03").replace("2 0.5 0.5", "2 0.97 0.03"))
        failing = self.write("failing-gorvan", f"""#!/bin/sh
if [ "$1" != --check ] && grep -q '^2 2 ' GORVAN.IN; then echo 'disk on fire' >&2; exit 3; fi
exec '{BINARY}' "$@"
""")
        os.chmod(failing, 0o755)
        args = [TOOL, rare, "--binary", failing, "--csv", self.csv, "--vary", "samples=1,2",
                "--seed", "9"]
        done = subprocess.run(args, capture_output=True, text=True, timeout=300)
        self.assertEqual(done.returncode, 1, done.stderr)
        self.assertIn("job p002-samples-2-1of1 failed (exit code 3)", done.stderr)
        self.assertIn("disk on fire", done.stderr)
        self.assertIn("1 of 2 settings finished", done.stderr)
        self.assertEqual([row["samples"] for row in self.rows()], ["1"])
        kept = [name for name in os.listdir(self.dir) if name.startswith(".gorvan-plan-jobs-")]
        self.assertEqual(len(kept), 1)
        self.assertEqual(os.listdir(os.path.join(self.dir, kept[0], "p002-samples-2-1of1")),
                         ["GORVAN.IN"])

        # The discarded attempts are the "Run =" lines beyond the runs.
        direct = os.path.join(self.dir, "direct")
        os.makedirs(direct)
        text = design.parameter_text(checker.read_design_file(BINARY, rare))
        checker.write_parameter_file(direct, text)
        console = subprocess.run([BINARY, "--seed", "9"], cwd=direct, capture_output=True,
                                 text=True).stdout
        attempts = sum(line.startswith("Run =") for line in console.splitlines())
        self.assertGreater(attempts, 5)
        self.assertEqual(int(self.rows()[0]["discarded"]), attempts - 5)

        args[3] = BINARY
        resumed = subprocess.run(args + ["--resume"], capture_output=True, text=True,
                                 timeout=300)
        self.assertEqual(resumed.returncode, 0, resumed.stderr)
        self.assertIn("1 of 2 settings taken from", resumed.stderr)
        self.assertEqual([row["samples"] for row in self.rows()], ["1", "2"])

    def test_missing_matplotlib_is_named_before_any_job(self):
        fake = os.path.join(self.dir, "fake", "matplotlib")
        os.makedirs(fake)
        self.write(os.path.join("fake", "matplotlib", "__init__.py"),
                   "raise ImportError('no matplotlib here')\n")
        env = dict(os.environ, PYTHONPATH=os.path.join(self.dir, "fake"))
        done = self.tool("--vary", "ne=20", "--plot", os.path.join(self.dir, "c.png"), env=env)
        self.assertEqual(done.returncode, 2)
        self.assertIn("apt-get install python3-matplotlib", done.stderr)
        self.assertFalse(os.path.exists(self.csv))


if __name__ == "__main__":
    unittest.main(argv=[sys.argv[0]] + sys.argv[1:], verbosity=2)
