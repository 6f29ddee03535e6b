#!/usr/bin/python3
"""Tests of tools/power-curve on a tiny design, with the gorvan program named
by the GORVAN_BINARY environment variable (ctest sets it)."""

import math
import os
import subprocess
import sys
import tempfile
import unittest

TOOL = os.path.join(os.path.dirname(os.path.abspath(__file__)), "power-curve")
BINARY = os.environ.get("GORVAN_BINARY", "")

TINY_DESIGN = """\
Tiny design for the power-curve test
two populations, two loci
10 2 10            chain
1 1                tests
0                  erase
Loci, populations, Ne, generations, sample sizes, runs:
2                  loci
2                  subpopulations
{ne}                 effective size
{t}                  generations
10 10              sample sizes
6                  runs
Base population allele frequencies:
alleles, then frequencies
2 0.5 0.5
3 0.2 0.3 0.5
"""


def expected_fst(ne, t):
    return 1 - (1 - 1 / (2 * ne)) ** t


def parse_table(text):
    """The tool's printed table: {setting: row} with numbers as numbers."""
    lines = text.strip().splitlines()
    assert lines[0].split() == ["setting", "expected_Fst", "average_Fst", "runs",
                                "power_chi2", "power_fisher"], lines[0]
    rows = {}
    for line in lines[1:]:
        setting, expected, average, runs, chi2, fisher = line.split()
        rows[setting] = {"expected": float(expected), "average": float(average),
                         "runs": int(runs), "chi2": share(chi2), "fisher": share(fisher)}
    return rows


def share(text):
    """A power figure, or None for the '-' of a test switched off."""
    return None if text == "-" else float(text)


class PowerCurveTool(unittest.TestCase):
    def setUp(self):
        self.assertTrue(BINARY and os.access(BINARY, os.X_OK),
                        "set GORVAN_BINARY to the built gorvan program")
        self.scratch = tempfile.TemporaryDirectory(prefix="power-curve-test-")
        self.dir = self.scratch.name
        self.design = self.write("GORVAN.IN", TINY_DESIGN.format(ne=50, t=1))
        self.png = os.path.join(self.dir, "curve.png")

    def tearDown(self):
        self.scratch.cleanup()

    def write(self, name, text):
        path = os.path.join(self.dir, name)
        with open(path, "w") as file:
            file.write(text)
        return path

    def run_tool(self, *args, env=None):
        return subprocess.run([TOOL, *args], capture_output=True, text=True, env=env,
                              stdin=subprocess.DEVNULL, timeout=120)

    def check_png(self):
        self.assertTrue(os.path.isfile(self.png))
        with open(self.png, "rb") as file:
            content = file.read()
        self.assertGreater(len(content), 1000)
        self.assertEqual(content[:8], b"\x89PNG\r\n\x1a\n")

    def test_generations_give_one_row_each_with_the_expected_fst(self):
        done = self.run_tool(self.design, "--generations", "1,4,12", "--binary", BINARY,
                             "--seed", "3", "--png", self.png)
        self.assertEqual(done.returncode, 0, done.stderr)
        rows = parse_table(done.stdout)
        self.assertEqual(list(rows), ["t=1", "t=4", "t=12"])
        for t in (1, 4, 12):
            row = rows[f"t={t}"]
            self.assertAlmostEqual(row["expected"], expected_fst(50, t), delta=0.00005 + 1e-9)
            self.assertEqual(row["runs"], 6)
            for share in (row["chi2"], row["fisher"]):
                self.assertTrue(0 <= share <= 1)
                # A share of 6 runs is a whole number of sixths.
                self.assertAlmostEqual(share * 6, round(share * 6), delta=0.0005 * 6)
        # Drift only adds up: the F'st reached grows with the generations.
        self.assertLess(rows["t=1"]["average"], rows["t=12"]["average"])
        progress = [line for line in done.stderr.splitlines() if line.startswith("[")]
        self.assertEqual(len(progress), 3)
        for number, line in enumerate(progress, start=1):
            self.assertTrue(line.startswith(f"[{number}/3]"), line)
            self.assertIn("s left", line)
        self.check_png()

    def test_sizes_change_the_effective_size_only(self):
        self.write("GORVAN.IN", TINY_DESIGN.format(ne=50, t=3))
        done = self.run_tool(self.design, "--sizes", "200,20", "--binary", BINARY,
                             "--png", self.png)
        self.assertEqual(done.returncode, 0, done.stderr)
        rows = parse_table(done.stdout)
        self.assertEqual(list(rows), ["Ne=200", "Ne=20"])
        self.assertAlmostEqual(rows["Ne=200"]["expected"], expected_fst(200, 3), delta=0.00005)
        self.assertAlmostEqual(rows["Ne=20"]["expected"], expected_fst(20, 3), delta=0.00005)
        self.check_png()

    def test_a_test_switched_off_has_no_power_and_no_line(self):
        self.write("GORVAN.IN", TINY_DESIGN.format(ne=50, t=2).replace("1 1     ", "1 0     "))
        done = self.run_tool(self.design, "--generations", "2,6", "--binary", BINARY,
                             "--png", self.png)
        self.assertEqual(done.returncode, 0, done.stderr)
        rows = parse_table(done.stdout)
        for row in rows.values():
            self.assertIsNone(row["fisher"])
            self.assertTrue(0 <= row["chi2"] <= 1)
        self.check_png()

    def test_the_same_seed_gives_the_same_table(self):
        tables = []
        for _ in range(2):
            done = self.run_tool(self.design, "--generations", "2", "--binary", BINARY,
                                 "--seed", "11", "--png", self.png)
            self.assertEqual(done.returncode, 0, done.stderr)
            tables.append(done.stdout)
        self.assertEqual(tables[0], tables[1])

    def test_bad_arguments_are_refused_with_the_reason(self):
        cases = [
            (["--generations", "1,2"], "required"),  # no parameter file
            ([os.path.join(self.dir, "missing.IN"), "--generations", "1,2"], "not found"),
            ([self.design], "one of the arguments"),
            ([self.design, "--generations", "1,2", "--sizes", "10"], "not allowed with"),
            ([self.design, "--generations", "1,,3"], "empty item"),
            ([self.design, "--generations", ""], "empty item"),
            ([self.design, "--generations", "1,x"], "'x' is not a whole number"),
            ([self.design, "--generations", "2.5"], "not a whole number"),
            ([self.design, "--generations", "0,2"], "0 is not positive"),
            ([self.design, "--sizes", "-5"], "-5 is not positive"),
            ([self.design, "--generations", "2,2"], "appears twice"),
            ([self.design, "--generations", "1", "--binary", os.path.join(self.dir, "nope")],
             "gorvan program not found"),
            ([self.design, "--generations", "1", "--seed", "many"], "invalid int value"),
            ([self.design, "--generations", "1", "--seed", "4294967296"], "out of range"),
            ([self.design, "--generations", "1", "--png",
              os.path.join(self.dir, "no-such-folder", "c.png")], "does not exist"),
            ([self.write("SHORT.IN", "only\nthree\nlines\n"), "--generations", "1"],
             "at least 15"),
        ]
        for args, reason in cases:
            with self.subTest(args=args):
                if "--binary" not in args:
                    args = args + ["--binary", BINARY]
                if "--png" not in args:
                    args = args + ["--png", self.png]
                done = self.run_tool(*args)
                self.assertEqual(done.returncode, 2, done.stderr)
                self.assertIn(reason, done.stderr)
                self.assertEqual(done.stdout, "")
                self.assertFalse(os.path.exists(self.png))

    def test_a_design_gorvan_refuses_is_reported_with_its_message(self):
        bad = self.write("BAD.IN", TINY_DESIGN.format(ne=50, t=1).replace("2 0.5 0.5",
                                                                            "2 0.5 0.4"))
        done = self.run_tool(bad, "--generations", "1,2", "--binary", BINARY, "--png", self.png)
        self.assertEqual(done.returncode, 1)
        self.assertIn("gorvan failed for t = 1", done.stderr)
        self.assertIn("PROGRAM HALTED", done.stderr)
        self.assertFalse(os.path.exists(self.png))

    def test_missing_matplotlib_is_named_before_any_run(self):
        # A matplotlib package that cannot be imported stands first on the path.
        fake = os.path.join(self.dir, "fake", "matplotlib")
        os.makedirs(fake)
        self.write(os.path.join("fake", "matplotlib", "__init__.py"),
                   "raise ImportError('no matplotlib here')\n")
        env = dict(os.environ, PYTHONPATH=os.path.join(self.dir, "fake"))
        done = self.run_tool(self.design, "--generations", "1", "--binary", BINARY,
                             "--png", self.png, env=env)
        self.assertEqual(done.returncode, 2)
        self.assertIn("matplotlib is needed", done.stderr)
        self.assertIn("apt-get install python3-matplotlib", done.stderr)
        self.assertNotIn("[1/1]", done.stderr)
        self.assertFalse(os.path.exists(self.png))


if __name__ == "__main__":
    unittest.main(argv=[sys.argv[0]] + sys.argv[1:], verbosity=2)
