"""Tests of gorvan-plan: its parts on their own, and whole sweeps of a tiny
design run by the gorvan program named by the GORVAN_BINARY environment
variable (ctest sets it)."""

import math
import os
import pathlib
import signal
import subprocess
import time

import pytest

from gorvan_plan import (answer, axes, checker, cli, collect, curves, design, jobs, outputs,
                         stats)
from plan_support import ODD_LAYOUT, TOOL, check_json, read_rows, tiny


# ---- Statistics ----

@pytest.mark.parametrize("successes, trials, low, high",
                         [(0, 10, 0.0, 0.3085), (5, 10, 0.1871, 0.8129), (10, 10, 0.6915, 1.0)])
def test_clopper_pearson_against_textbook_values(successes, trials, low, high):
    # Clopper and Pearson's tables: 0 of 10 gives 0 to 0.3085, 5 of 10 gives
    # 0.1871 to 0.8129.
    got = stats.clopper_pearson(successes, trials)
    assert got[0] == pytest.approx(low, abs=0.5e-4)
    assert got[1] == pytest.approx(high, abs=0.5e-4)


@pytest.mark.parametrize("successes, trials",
                         [(0, 1), (1, 1), (1, 2), (3, 7), (0, 500), (1, 500), (250, 500),
                          (499, 500), (500, 500), (17, 20000), (9876, 20000), (123456, 1000000)])
def test_clopper_pearson_against_scipy(successes, trials):
    beta = pytest.importorskip("scipy.stats", reason="python3-scipy is not installed").beta
    low, high = stats.clopper_pearson(successes, trials)
    want_low = beta.ppf(0.025, successes, trials - successes + 1) if successes else 0
    want_high = beta.ppf(0.975, successes + 1, trials - successes) if successes < trials else 1
    assert low == pytest.approx(want_low, abs=1e-10)
    assert high == pytest.approx(want_high, abs=1e-10)


def test_paired_difference_has_mcnemar_standard_error():
    # Agresti, Categorical Data Analysis: approval ratings of 1600 people
    # asked twice, 150 approving only the first time and 86 only the
    # second: difference 0.04 with standard error 0.0095.
    difference, error = stats.paired_difference(150, 86, 1600)
    assert difference == pytest.approx(0.04, abs=0.5e-7)
    assert error == pytest.approx(0.0095, abs=0.5e-4)
    assert stats.paired_difference(0, 0, 10) == (0.0, 0.0)
    difference, error = stats.paired_difference(0, 3, 10)
    assert difference == pytest.approx(-0.3, abs=0.5e-7)
    assert error == pytest.approx(math.sqrt(3 - 0.9) / 10, abs=0.5e-7)


# ---- The grid ----

@pytest.mark.parametrize("text, reason", [
    ("samples", "write NAME=V1,V2"), ("width=3", "unknown axis 'width'"),
    ("samples=", "an empty value"), ("samples=10,,20", "an empty value"),
    ("samples=10,x", "'x' is not a whole number"), ("loci=2.5", "not a whole number"),
    ("samples=0,10", "0 is not positive"), ("ne=-5", "-5 is not positive"),
    ("generations=-1", "-1 is not at least 0"), ("loci=3,3", "3 appears more than once"),
    ("fst=0.01,abc", "'abc' is not a number"), ("fst=0", "not an Fst between 0 and 1"),
    ("fst=1", "not an Fst between 0 and 1"), ("fst=0.01,0.01", "appears more than once"),
])
def test_refused_values_name_the_reason(text, reason):
    with pytest.raises(axes.GridError) as caught:
        axes.parse_axis(text)
    assert reason in str(caught.value)


def test_generations_may_be_zero():
    assert axes.parse_axis("generations=0,4").values == (0, 4)


@pytest.mark.parametrize("given, reason", [
    (["fst=0.01", "generations=1"], "both set the generations"),
    (["loci=1", "samples=2", "loci=3"], "given twice"),
])
def test_refused_axis_combinations_name_the_reason(given, reason):
    with pytest.raises(axes.GridError) as caught:
        axes.expand([axes.parse_axis(text) for text in given])
    assert reason in str(caught.value)


def test_full_grid_with_the_first_axis_fastest():
    settings = axes.expand([axes.parse_axis("samples=10,20,40"),
                            axes.parse_axis("loci=2,5"), axes.parse_axis("pops=2,3")])
    assert len(settings) == 12
    assert len(set(settings)) == 12
    assert [s.get("samples") for s in settings[:4]] == [10, 20, 40, 10]
    assert ([(s.get("loci"), s.get("pops")) for s in settings[::3]]
            == [(2, 2), (5, 2), (2, 3), (5, 3)])
    assert settings[0].label() == "samples=10 loci=2 pops=2"


def test_settings_change_the_base_as_each_axis_says():
    base = design.design_from_check(check_json(samples=(10, 12, 30)))
    setting = axes.Setting((("loci", 5), ("pops", 5), ("ne", 80), ("generations", 0)))
    changed = axes.apply(setting, base, runs=9)
    assert [locus.alleles for locus in changed.loci] == [2, 3, 2, 3, 2]
    assert changed.samples == (10, 12, 30, 10, 12)
    assert (changed.ne, changed.generations, changed.runs) == (80, 0, 9)
    assert changed.chain == base.chain
    one = axes.apply(axes.Setting((("loci", 1), ("samples", 7))), base, runs=3)
    assert (len(one.loci), one.samples) == (1, (7, 7, 7))


@pytest.mark.parametrize("values, reason", [
    ((("loci", 51),), "at most 50"), ((("pops", 31),), "between 2 and 30"),
    ((("pops", 1),), "between 2 and 30"),
    ((("samples", 5462),), "16386 diploids; together at most 16383"),
    ((("ne", 16384),), "between 1 and 16383"),
    ((("generations", 32768),), "at most 32767"),
])
def test_settings_beyond_the_program_limits_are_refused(values, reason):
    base = design.design_from_check(check_json(samples=(10, 12, 30)))
    with pytest.raises(axes.GridError) as caught:
        axes.apply(axes.Setting(values), base, runs=3)
    assert reason in str(caught.value)


@pytest.mark.parametrize("fst, ne", [(0.005, 200), (0.0123, 200), (0.3, 50), (0.0001, 200),
                                     (0.02, 1000)])
def test_fst_picks_the_closest_number_of_generations(fst, ne):
    chosen = axes.generations_for_fst(fst, ne)
    by_search = min(range(1, 5000), key=lambda t: abs(1 - (1 - 1 / (2 * ne)) ** t - fst))
    assert chosen == by_search


def test_fst_values_that_come_out_as_the_same_generations_are_refused():
    base = design.design_from_check(check_json())
    # At a fixed Ne of 50, 0.0101 lies within 1% of 0.01: both run 1 generation.
    settings = axes.expand([axes.parse_axis("fst=0.01,0.0101"), axes.parse_axis("ne=50")])
    designs = [axes.apply(setting, base, 5) for setting in settings]
    with pytest.raises(axes.GridError) as caught:
        axes.refuse_merged_fst(settings, designs)
    assert "both come out as 1 generations at Ne = 50" in str(caught.value)


@pytest.mark.parametrize("runs, shards, parts", [(10, 1, [10]), (10, 3, [4, 3, 3]),
                                                 (7, 7, [1] * 7), (1001, 4, [251, 250, 250, 250])])
def test_shards_split_the_runs_evenly(runs, shards, parts):
    assert jobs.shard_runs(runs, shards) == parts


def test_threads_pass_only_when_asked():
    assert jobs.job_args(7, 1) == ("--seed", "7")
    assert jobs.job_args(-3, 4) == ("--seed", "-3", "--threads", "4")


# ---- The answer ----

def points(*pairs):
    return [curves.Point(x, 0, power, 0, 1) for x, power in pairs]


@pytest.mark.parametrize("given, wanted", [
    (points((10, 0.5), (20, 0.7), (40, 0.9)), ("40", "30")),
    (points((10, 0.5), (20, 0.8)), ("20", "20")),
    (points((10, 0.85), (20, 0.95)), ("10", "at or below 10")),
    (points((10, 0.2), (20, 0.79)), ("not reached", "highest 0.790 at 20")),
    # Power that wobbles across the target: the first crossing counts.
    (points((1, 0.1), (2, 0.9), (3, 0.7), (4, 0.95)), ("2", "1.875")),
])
def test_where_each_curve_reaches_the_target(given, wanted):
    assert answer.crossing(given, 0.8) == wanted


# ---- The warning about the chain ----

@pytest.mark.parametrize("given, parts", [
    # excess, its SE, zero-P share of the chain, of the longer chain
    ((0.03, 0.005, 0.0, 0.0), ["adds about +0.030", "at least 4000 counted steps"]),
    ((0.015, 0.004, 0.0, 0.0), []),                 # within 0.01 + 2 SE
    ((0.019, 0.004, 0.0, 0.0), ["adds about +0.019"]),
    ((-0.01, 0.004, 0.005, 0.0), []),               # 0.5% exactly is tolerated
    ((0.002, 0.004, 0.012, 0.001), ["1.2% of the null runs hold a tested locus whose "
                                    "estimated P is 0", "at least 4000 counted"]),
    ((0.002, 0.004, 0.012, 0.009), ["at least 16000 counted steps"]),
])
def test_warning_when_the_chain_adds_too_much_or_leaves_zero_p(given, parts):
    warning = collect.chain_warning(*given, counted_steps=1000)
    if not parts:
        assert warning == ""
    for part in parts:
        assert part in warning
    if parts:
        assert "so its power is overstated by up to as much" in warning


# ---- The parameter file ----

def test_the_file_is_written_from_the_parsed_design():
    parsed = design.design_from_check(check_json(
        loci=((2, ["+0.5", "5e-1"]), (3, ["0.2", "0.3", ".5"]))))
    lines = design.parameter_text(parsed).splitlines()
    assert lines[0:2] == ["first", "second"]
    assert [line.split()[0:3] for line in lines[2:3]] == [["10", "2", "10"]]
    assert ([line.split()[0] for line in lines[3:12] if line[0].isdigit()]
            == ["1", "0", "2", "2", "50", "2", "10", "6"])
    assert lines[14:] == ["2 +0.5 5e-1", "3 0.2 0.3 .5"]
    assert len(lines) == 16


def without_ne():
    broken = check_json()
    del broken["ne"]
    return broken


@pytest.mark.parametrize("answer_json, reason", [
    (without_ne(), "lacks 'ne'"),
    (dict(check_json(), schema="other"), "not a"),
    (dict(check_json(), pops={"line": 8, "value": 3}), "do not match"),
])
def test_an_answer_that_is_not_a_design_is_refused(answer_json, reason):
    with pytest.raises(design.DesignError) as caught:
        design.design_from_check(answer_json)
    assert reason in str(caught.value)


# ---- Whole sweeps through the command line, with the real program ----

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


class Sweep:
    """The tool run on the scratch directory's base design, its CSV there."""

    def __init__(self, scratch, binary):
        self.scratch = scratch
        self.binary = binary
        self.dir = scratch.dir
        self.base = scratch.base
        self.csv = os.path.join(self.dir, "plan.csv")

    def write(self, name, text):
        return self.scratch.write(name, text)

    def tool(self, *args, base=None, env=None):
        # The tiny design's chain is far too short, which gorvan says:
        # these sweeps run it anyway.
        return subprocess.run([TOOL, base or self.base, "--binary", self.binary, "--csv", self.csv,
                               "--jobs", "2", "--allow-short-chain", *args],
                              capture_output=True, text=True, env=env,
                              stdin=subprocess.DEVNULL, timeout=300)

    def rows(self, path=None):
        return read_rows(path or self.csv)


@pytest.fixture
def sweep(binary, scratch):
    return Sweep(scratch, binary)


SETTINGS_READ_BACK = [
    (("samples", 15),), (("loci", 5),), (("loci", 1),), (("pops", 3),), (("ne", 25),),
    (("generations", 0),), (("fst", 0.05),),
    (("samples", 9), ("loci", 3), ("pops", 4), ("ne", 70), ("generations", 3)),
]


@pytest.mark.parametrize("values", SETTINGS_READ_BACK)
def test_parameter_files_of_every_axis_read_back_through_gorvan(sweep, values):
    # The base's values run over lines and a blank line follows line 3: the
    # program reads the values where they stand, and so must the tool.
    odd = sweep.write("ODD.IN", ODD_LAYOUT)
    base = checker.read_design_file(sweep.binary, odd)
    assert (base.chain, base.ne, base.generations, base.samples) == ((10, 2, 10), 50, 2, (10, 12))
    wanted = axes.apply(axes.Setting(values), base, runs=11)
    read = checker.read_back(sweep.binary, design.parameter_text(wanted))
    assert design.differences(wanted, read) == []
    assert read.loci[-1].texts == base.loci[(len(read.loci) - 1) % 2].texts
    # 5 generations at the base's Ne of 50 would give 0.049 (2% off): Ne 49.
    fst_design = axes.apply(axes.Setting((("fst", 0.05),)), base, 1)
    assert (fst_design.ne, fst_design.generations) == (49, 5)


REFUSALS = [
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
    (["--vary", "ne=20", "--plot", "{dir}/c.jpg"], "extension"),
    (["--vary", "ne=20", "--plot", "{dir}/no/c.png"], "does not exist"),
    (["--vary", "ne=20", "--resume"], "no {csv} to resume"),
    (["--vary", "ne=20", "--resume", "--csv", "{base}"], "is not a table of"),
    (["--vary", "ne=20", "--csv", "{base}"], "is not a table of"),
    (["--vary", "ne=20", "--csv", "{dir}"], "is a folder; name a file"),
    (["--vary", "ne=20", "--binary", "{dir}/nope"], "gorvan program not found"),
]


@pytest.mark.parametrize("args, reason", REFUSALS)
def test_refusals_come_before_any_job(sweep, args, reason):
    def filled(text):
        return text.format(dir=sweep.dir, csv=sweep.csv, base=sweep.base)
    done = sweep.tool(*[filled(arg) for arg in args])
    assert done.returncode == 2, done.stderr
    assert filled(reason) in done.stderr
    assert done.stdout == ""
    assert os.listdir(sweep.dir) == ["BASE.IN"]
    with open(sweep.base) as file:
        assert file.read() == tiny()


def test_a_base_the_program_refuses_is_refused_with_its_message(sweep):
    bad = sweep.write("BAD.IN", tiny().replace("2 0.5 0.5", "2 0.5 0.4"))
    done = sweep.tool("--vary", "ne=20", base=bad)
    assert done.returncode == 2, done.stderr
    assert "Allele frequencies do not sum to unity at Locus  1" in done.stderr
    assert not os.path.exists(sweep.csv)


# The first comment is cut at 80 bytes, here inside a character, and comments
# may be in any code page: the files written for the jobs carry exactly the
# bytes the program read from the base.
COMMENTS = [
    (b"a" * 79 + "\u00e9 and more".encode(), "second line".encode()),
    ("\u00e9".encode() + b"a" * 76 + "\u20ac".encode(), "caf\u00e9".encode()),
    ("\u00c9tudes g\u00e9n\u00e9tiques \u00e0 Montr\u00e9al".encode("latin-1"),
     "\u00e9t\u00e9 \u00e0 Qu\u00e9bec".encode("latin-1")),
]


@pytest.mark.parametrize("comment1, comment2", COMMENTS)
def test_comments_come_back_byte_for_byte(sweep, comment1, comment2):
    base = os.path.join(sweep.dir, "CUT.IN")
    lines = tiny().encode().split(b"\n")
    with open(base, "wb") as file:
        file.write(b"\n".join([comment1, comment2, *lines[2:]]))
    # A gorvan that first keeps a copy of every parameter file it is given.
    saved = os.path.join(sweep.dir, "saved")
    os.mkdir(saved)
    keeper = sweep.write("keeper", f"""#!/bin/sh
[ -f GORVAN.IN ] && cp GORVAN.IN "$(mktemp "{saved}/in.XXXXXX")"
exec "{sweep.binary}" "$@"
""")
    os.chmod(keeper, 0o755)
    done = subprocess.run([TOOL, base, "--binary", keeper, "--csv", sweep.csv, "--jobs", "2",
                           "--vary", "samples=5,8", "--runs", "2", "--allow-short-chain"],
                          capture_output=True,
                          stdin=subprocess.DEVNULL, timeout=300)
    assert done.returncode == 0, done.stderr
    assert b"error" not in done.stderr
    written = sorted(os.listdir(saved))
    assert len(written) >= 5    # the base, two read-backs, two jobs
    for name in written:
        with open(os.path.join(saved, name), "rb") as file:
            head = file.read().split(b"\n")[:2]
        assert head[0][:80] == comment1[:80]
        assert head[1] == comment2
    read = checker.read_design_file(sweep.binary, base)
    assert read.comment1.encode("utf-8", "surrogateescape") == comment1[:80]
    assert design.readable(read.comment1) == comment1[:80].decode("utf-8", "replace")


def test_a_file_that_reads_back_otherwise_is_an_error_naming_the_difference(
        sweep, monkeypatch, capsys):
    real = checker.read_back

    def changed(binary, text):
        read = real(binary, text)
        return read.replace(comment1=read.comment1 + "\udce9")

    monkeypatch.setattr(checker, "read_back", changed)
    code = cli.main([sweep.base, "--binary", sweep.binary, "--csv", sweep.csv,
                     "--vary", "ne=20", "--allow-short-chain"])
    errors = capsys.readouterr().err
    assert code == 2, errors
    assert "internal error" not in errors
    assert "gorvan-plan: error: " in errors
    assert "(comment1: written 'Tiny design for the gorvan-plan test', read back " \
        "'Tiny design for the gorvan-plan test\\xe9'); nothing was run" in errors
    assert not os.path.exists(sweep.csv)


def test_sweep_table_csv_plot_and_shards(sweep):
    png = os.path.join(sweep.dir, "curve.png")
    done = sweep.tool("--vary", "samples=5,20", "--vary", "generations=1,6", "--runs", "9",
                      "--shards", "2", "--seed", "5", "--plot", png)
    assert done.returncode == 0, done.stderr
    rows = sweep.rows()
    assert ([(row["samples"], row["generations"]) for row in rows]
            == [("5", "1"), ("20", "1"), ("5", "6"), ("20", "6")])
    for row in rows:
        runs = int(row["runs"])
        assert (runs, row["shards"], row["seed"]) == (9, "2", "5")
        assert int(row["discarded"]) == 0
        for test in ("chi2", "fisher"):
            count = int(row[f"significant_{test}"])
            assert float(row[f"power_{test}"]) == pytest.approx(count / runs, abs=0.5e-6)
            low, high = stats.clopper_pearson(count, runs)
            assert float(row[f"power_{test}_low"]) == pytest.approx(low, abs=0.5e-6)
            assert float(row[f"power_{test}_high"]) == pytest.approx(high, abs=0.5e-6)
        expected = 1 - (1 - 1 / 100) ** int(row["generations"])
        assert float(row["expected_fst"]) == pytest.approx(expected, abs=0.5e-6)
    # The printed table holds the same rows, and the answer one line per curve.
    printed = done.stdout.splitlines()
    assert printed[0].split()[:5] == ["samples", "loci", "pops", "ne", "t"]
    for row, line in zip(rows, printed[1:5]):
        assert f"{float(row['power_fisher']):.3f}" in line
    assert sum(1 for line in printed if line.startswith("generations=")) == 4
    progress = [line for line in done.stderr.splitlines() if line.startswith("[")]
    assert [line[:5] for line in progress] == ["[1/4]", "[2/4]", "[3/4]", "[4/4]"]
    assert all("left" in line for line in progress)
    assert round(png_dpi(png)) >= 200
    assert sorted(os.listdir(sweep.dir)) == ["BASE.IN", "curve.png", "plan.csv"]

    # Shards: the same tallies as separate runs with seeds 5 and 6 and
    # the runs split 5 + 4, summed.
    separate = []
    for seed, runs in ((5, 5), (6, 4)):
        path = os.path.join(sweep.dir, f"seed{seed}.csv")
        again = subprocess.run(
            [TOOL, sweep.base, "--binary", sweep.binary, "--csv", path, "--vary", "samples=5,20",
             "--vary", "generations=1,6", "--runs", str(runs), "--seed", str(seed),
             "--allow-short-chain"],
            capture_output=True, text=True, timeout=300)
        assert again.returncode == 0, again.stderr
        separate.append(sweep.rows(path))
    for row, first, second in zip(rows, *separate):
        for column in ("runs", "discarded", "significant_chi2", "significant_fisher"):
            assert int(row[column]) == int(first[column]) + int(second[column])
        reached = (5 * float(first["reached_fst"]) + 4 * float(second["reached_fst"])) / 9
        assert float(row["reached_fst"]) == pytest.approx(reached, abs=0.5e-6)


def test_null_check_and_a_test_switched_off(sweep):
    base = sweep.write("CHI2.IN", tiny(tests="1 0"))
    svg = os.path.join(sweep.dir, "curve.svg")
    done = sweep.tool("--vary", "generations=0,3", "--vary", "ne=20,40", "--runs", "5",
                      "--null-check", "--null-runs", "20", "--plot", svg, base=base)
    assert done.returncode == 0, done.stderr
    rows = sweep.rows()
    # Without drift the effective size plays no part: one null design.
    assert len({row["null_design"] for row in rows}) == 1
    for row in rows:
        assert ((row["power_fisher"], row["type1_fisher"], row["chain_excess"], row["chain"])
                == ("", "", "", ""))
        assert row["null_runs"] == "20"
        assert (0 <= float(row["type1_chi2_low"]) <= float(row["type1_chi2"])
                <= float(row["type1_chi2_high"]) <= 1)
    with open(svg) as file:
        assert "<svg" in file.read(2000)

    done = sweep.tool("--vary", "samples=6,12", "--runs", "4", "--null-check",
                      "--null-runs", "30", "--shards", "2")
    assert done.returncode == 0, done.stderr
    rows = sweep.rows()
    assert len({row["null_design"] for row in rows}) == 2
    for row in rows:
        runs = int(row["null_runs"])
        assert runs == 30
        excess, error = float(row["chain_excess"]), float(row["chain_excess_se"])
        # A whole number of runs apart, and a standard error that covers it.
        assert excess * runs == pytest.approx(round(excess * runs), abs=1e-4)
        assert abs(excess) <= 1
        assert error >= 0
        assert 0 <= float(row["zero_p_share"]) <= 1
        warned = bool(row["chain_warning"])
        assert warned == (excess > 0.01 + 2 * error or float(row["zero_p_share"]) > 0.005)
        if warned:
            assert "counted steps" in row["chain_warning"]
            assert row["chain_warning"] in done.stderr


@pytest.mark.parametrize("stop, code, said", [
    (signal.SIGINT, 130, "interrupted"), (signal.SIGTERM, 143, "stopped by SIGTERM"),
    (signal.SIGHUP, 129, "stopped by SIGHUP")])
def test_interrupt_keeps_finished_rows_and_resume_finishes(sweep, stop, code, said):
    # A program that never ends the setting with 14 diploids per sample,
    # so that the interruption always finds the other settings finished
    # and that one running.
    stuck = sweep.write("stuck-gorvan", f"""#!/bin/sh
if [ "$1" != --check ] && grep -q '^14 14 ' GORVAN.IN; then exec sleep 600; fi
exec '{sweep.binary}' "$@"
""")
    os.chmod(stuck, 0o755)
    args = [TOOL, sweep.base, "--binary", stuck, "--csv", sweep.csv, "--jobs", "2",
            "--vary", "samples=8,10,12,14,16,18", "--seed", "3", "--runs", "20",
            "--allow-short-chain"]
    process = subprocess.Popen(args, stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                               text=True, stdin=subprocess.DEVNULL)
    deadline = time.monotonic() + 120
    while time.monotonic() < deadline:
        if os.path.exists(sweep.csv) and len(sweep.rows()) == 5:
            break
        time.sleep(0.05)
    process.send_signal(stop)
    stdout, stderr = process.communicate(timeout=30)
    assert process.returncode == code, stderr
    assert "Traceback" not in stderr
    assert f"gorvan-plan: {said}; 5 of 6 finished settings are in" in stderr
    kept = sweep.rows()
    assert [row["samples"] for row in kept] == ["8", "10", "12", "16", "18"]
    assert sorted(os.listdir(sweep.dir)) == ["BASE.IN", "plan.csv", "stuck-gorvan"]

    args[3] = sweep.binary
    resumed = subprocess.run(args + ["--resume"], capture_output=True, text=True, timeout=300)
    assert resumed.returncode == 0, resumed.stderr
    assert "5 of 6 settings taken from" in resumed.stderr
    progress = [line for line in resumed.stderr.splitlines() if line.startswith("[")]
    assert len(progress) == 1
    assert "[6/6] samples=14" in progress[0]
    final = sweep.rows()
    assert [row["samples"] for row in final] == ["8", "10", "12", "14", "16", "18"]
    fresh_csv = os.path.join(sweep.dir, "fresh.csv")
    fresh = subprocess.run(args[:5] + [fresh_csv] + args[6:], capture_output=True,
                           text=True, timeout=300)
    assert fresh.returncode == 0, fresh.stderr
    assert sweep.rows(fresh_csv) == final


def test_a_failing_job_is_reported_and_resumed_and_discards_are_counted(sweep):
    # One common allele and a rare one, one diploid per sample: most
    # attempts find every sample monomorphic and are thrown away.
    rare = sweep.write("RARE.IN", tiny(runs=5).replace("10 12 ", "1 1 ").replace(
        "3 0.2 0.3 0.50e0", "2 0.97 0.03").replace("2 0.5 0.5", "2 0.97 0.03"))
    failing = sweep.write("failing-gorvan", f"""#!/bin/sh
if [ "$1" != --check ] && grep -q '^2 2 ' GORVAN.IN; then echo 'disk on fire' >&2; exit 3; fi
exec '{sweep.binary}' "$@"
""")
    os.chmod(failing, 0o755)
    args = [TOOL, rare, "--binary", failing, "--csv", sweep.csv, "--vary", "samples=1,2",
            "--seed", "9", "--allow-short-chain"]
    done = subprocess.run(args, capture_output=True, text=True, timeout=300)
    assert done.returncode == 1, done.stderr
    assert "job p002-samples-2-1of1 failed (exit code 3)" in done.stderr
    assert "disk on fire" in done.stderr
    assert "1 of 2 settings finished" in done.stderr
    assert [row["samples"] for row in sweep.rows()] == ["1"]
    kept = [name for name in os.listdir(sweep.dir) if name.startswith(".gorvan-plan-jobs-")]
    assert len(kept) == 1
    assert os.listdir(os.path.join(sweep.dir, kept[0], "p002-samples-2-1of1")) == ["GORVAN.IN"]

    # The discarded attempts are the "Run =" lines beyond the runs.
    direct = os.path.join(sweep.dir, "direct")
    os.makedirs(direct)
    text = design.parameter_text(checker.read_design_file(sweep.binary, rare))
    checker.write_parameter_file(direct, text)
    console = subprocess.run([sweep.binary, "--seed", "9"], cwd=direct, capture_output=True,
                             text=True).stdout
    attempts = sum(line.startswith("Run =") for line in console.splitlines())
    assert attempts > 5
    assert int(sweep.rows()[0]["discarded"]) == attempts - 5

    args[3] = sweep.binary
    resumed = subprocess.run(args + ["--resume"], capture_output=True, text=True, timeout=300)
    assert resumed.returncode == 0, resumed.stderr
    assert "1 of 2 settings taken from" in resumed.stderr
    assert [row["samples"] for row in sweep.rows()] == ["1", "2"]


def test_missing_matplotlib_is_named_before_any_job(sweep):
    fake = os.path.join(sweep.dir, "fake", "matplotlib")
    os.makedirs(fake)
    sweep.write(os.path.join("fake", "matplotlib", "__init__.py"),
                "raise ImportError('no matplotlib here')\n")
    env = dict(os.environ, PYTHONPATH=os.path.join(sweep.dir, "fake"))
    done = sweep.tool("--vary", "ne=20", "--plot", os.path.join(sweep.dir, "c.png"), env=env)
    assert done.returncode == 2
    assert "apt-get install python3-matplotlib" in done.stderr
    assert not os.path.exists(sweep.csv)


def csv_bytes(path):
    with open(path, "rb") as file:
        return file.read()


RESUME_REFUSALS = [
    # What the resumed command changes, and what the refusal says.
    (["--runs", "3"], "--runs: 4 in the CSV (e.g. samples=5 loci=2 pops=2 ne=50 generations=2), "
                      "3 here (a resumed sweep keeps each setting's runs)"),
    (["--runs", "4", "--seed", "3"], "--seed: 2 in the CSV"),
    (["--runs", "4", "--shards", "2"], "--shards: 1 in the CSV"),
    (["--runs", "4", "--base", "CHAIN.IN"], "the chain: 10 / 2 x 10 in the CSV, 10 / 2 x 12 in"),
    (["--runs", "4", "--base", "FREQ.IN"], "the base design: 2 of the CSV's rows (e.g. samples=5 "
                                           "loci=2 pops=2 ne=50 generations=2) were run from "
                                           "another parameter file than"),
    (["--runs", "4", "--alpha", "0.1"], "--alpha: 0.05 in the CSV"),
    (["--runs", "4", "--tests", "3"], "--tests: 1 in the CSV"),
    (["--runs", "4", "--null-check"], ""),    # adds null checks: allowed
]


@pytest.mark.parametrize("change, reason", RESUME_REFUSALS)
def test_resume_refuses_other_settings_and_keeps_every_row(sweep, change, reason):
    first = sweep.tool("--vary", "samples=5,8", "--runs", "4", "--seed", "2")
    assert first.returncode == 0, first.stderr
    before = csv_bytes(sweep.csv)
    bases = {"CHAIN.IN": tiny(chain="10 2 12"),
             "FREQ.IN": tiny().replace("2 0.5 0.5", "2 0.4 0.6")}
    args = list(change)
    base = None
    if "--base" in args:
        at = args.index("--base")
        name = args[at + 1]
        base = sweep.write(name, bases[name])
        del args[at:at + 2]
    if "--seed" not in args:
        args += ["--seed", "2"]
    done = sweep.tool("--vary", "samples=5,8", "--resume", *args, base=base)
    if not reason:
        assert done.returncode == 0, done.stderr
        assert [row["samples"] for row in sweep.rows()] == ["5", "8"]
        assert all(row["null_runs"] == "1000" for row in sweep.rows())
        return
    assert done.returncode == 2, done.stderr
    assert reason in done.stderr
    assert "resuming would drop or mix them" in done.stderr
    assert csv_bytes(sweep.csv) == before
    written = ["BASE.IN", "plan.csv"] + ([os.path.basename(base)] if base else [])
    assert sorted(os.listdir(sweep.dir)) == sorted(written)


def test_resume_keeps_rows_outside_the_grid_and_runs_only_new_settings(sweep):
    first = sweep.tool("--vary", "samples=5,8", "--vary", "loci=1,3", "--runs", "4",
                       "--null-check", "--null-runs", "5")
    assert first.returncode == 0, first.stderr
    rows = sweep.rows()
    base = checker.read_design_file(sweep.binary, sweep.base)
    from gorvan_plan import sweep as sweep_module
    assert [sweep_module.row_fingerprint(row, base) for row in rows] == \
        [row["design"] for row in rows]
    # A narrower grid: nothing runs and no row is dropped.
    narrower = sweep.tool("--vary", "samples=5", "--vary", "loci=1,3", "--runs", "4",
                          "--resume", "--null-check", "--null-runs", "5")
    assert narrower.returncode == 0, narrower.stderr
    assert "2 of 2 settings taken from" in narrower.stderr
    assert "its 2 rows outside this grid are kept as they are" in narrower.stderr
    assert sorted(row["design"] for row in sweep.rows()) == sorted(row["design"] for row in rows)
    # Without --null-check the null columns would be lost: refused.
    refused = sweep.tool("--vary", "samples=5", "--vary", "loci=1", "--runs", "4", "--resume")
    assert refused.returncode == 2
    assert "the CSV holds null checks and this command has no --null-check" in refused.stderr
    # A wider grid runs only the new setting.
    wider = sweep.tool("--vary", "samples=5,8,11", "--vary", "loci=1", "--runs", "4", "--resume",
                       "--null-check", "--null-runs", "5")
    assert wider.returncode == 0, wider.stderr
    assert [line[:5] for line in wider.stderr.splitlines() if line.startswith("[")] == \
        ["[null", "[3/3]"]
    final = sweep.rows()
    assert len(final) == 5
    kept = {row["design"]: row for row in final}
    for row in rows:
        assert {column: kept[row["design"]][column] for column in row} == row


def test_warnings_are_told_apart_from_other_messages():
    stderr = ("gorvan: seed 1; repeat with --seed 1\n"
              "gorvan: warning: line 4 of GORVAN.IN: the Fisher test switch is 2.\n"
              "gorvan: 1 of 6 tested loci had an estimated exact-test P of 0 (entered ...)\n"
              "gorvan: warning: line 4 of GORVAN.IN: the Fisher test switch is 2.\n"
              "gorvan: warning: the Fisher test's chain counts 20 steps (2 batches of 10)\n")
    found = checker.warnings_in(stderr)
    assert found == ["line 4 of GORVAN.IN: the Fisher test switch is 2.",
                     "the Fisher test's chain counts 20 steps (2 batches of 10)"]
    assert [checker.is_short_chain(warning) for warning in found] == [False, True]


def test_gorvans_warnings_are_shown_once_and_kept_in_the_csv(sweep):
    # The Fisher test switched off by a 2, a number left after a locus's
    # frequencies, and a warning that only the jobs give.
    base = sweep.write("WARN.IN", tiny(tests="1 2").replace("2 0.5 0.5", "2 0.5 0.5 0.3"))
    warning = sweep.write("warning-gorvan", f"""#!/bin/sh
[ "$1" != --check ] && echo 'gorvan: warning: the disk is nearly full' >&2
exec '{sweep.binary}' "$@"
""")
    os.chmod(warning, 0o755)
    done = subprocess.run([TOOL, base, "--binary", warning, "--csv", sweep.csv, "--runs", "2",
                           "--vary", "samples=5,8"], capture_output=True, text=True,
                          stdin=subprocess.DEVNULL, timeout=300)
    assert done.returncode == 0, done.stderr
    lines = done.stderr.splitlines()
    switch = ("gorvan-plan: gorvan warns, for every setting (2): line 4 of GORVAN.IN: the Fisher "
              "test switch is 2; only 1 turns the test on, so the Fisher test is off.")
    left = (f"gorvan-plan: gorvan warns about {base}: line 15 of {base}: \"0.3\" after the 2 "
            "frequencies of Locus 1 is not read.")
    assert lines.count(switch) == 1
    assert lines.count(left) == 1
    assert sum("the disk is nearly full" in line for line in lines) == 2   # once per setting
    assert "gorvan-plan: gorvan warns, for samples=5: the disk is nearly full" in lines
    assert not any("repeat with --seed" in line or "P of 0" in line for line in lines)
    with open(sweep.csv) as file:
        header = file.readline().strip().split(",")
    assert header[-4:] == ["gorvan_warnings", "alpha", "tests", "level"]
    assert header[:len(header) - 4] == (
        ["samples", "loci", "pops", "ne", "generations", "target_fst"]
        + ["expected_fst", "reached_fst", "runs", "shards", "seed", "discarded",
           "significant_chi2", "power_chi2", "power_chi2_low", "power_chi2_high",
           "significant_fisher", "power_fisher", "power_fisher_low", "power_fisher_high",
           "chain", "design"])
    for row in sweep.rows():
        assert row["gorvan_warnings"] == ("line 4 of GORVAN.IN: the Fisher test switch is 2; only "
                                          "1 turns the test on, so the Fisher test is off. | "
                                          "the disk is nearly full")


def test_a_chain_gorvan_calls_too_short_stops_the_sweep_before_it_starts(sweep):
    done = subprocess.run([TOOL, sweep.base, "--binary", sweep.binary, "--csv", sweep.csv,
                           "--vary", "samples=5,8", "--runs", "2"], capture_output=True,
                          text=True, stdin=subprocess.DEVNULL, timeout=300)
    assert done.returncode == 2, done.stderr
    assert ("gorvan-plan: error: gorvan calls the Fisher test's chain too short for 2 settings "
            "(samples=5, samples=8)") in done.stderr
    assert "--allow-short-chain" in done.stderr
    assert sum("the Fisher test's chain counts 20 steps" in line
               for line in done.stderr.splitlines()) == 2      # each setting's own advice
    assert os.listdir(sweep.dir) == ["BASE.IN"]
    allowed = sweep.tool("--vary", "samples=5,8", "--runs", "2")
    assert allowed.returncode == 0, allowed.stderr
    assert all("chain counts 20 steps" in row["gorvan_warnings"] for row in sweep.rows())


@pytest.mark.parametrize("statistic, degrees", [(4.452, 3), (7.835, 3), (0.5, 1), (12.3, 7),
                                                (20.5203, 4), (3.3, 5), (0.0, 3), (31.4, 20)])
def test_chi_square_tail_against_scipy(statistic, degrees):
    chi2 = pytest.importorskip("scipy.stats", reason="python3-scipy is not installed").chi2
    assert outputs.chi_square_tail(statistic, degrees) == pytest.approx(
        chi2.sf(statistic, degrees), rel=1e-12, abs=1e-300)


@pytest.mark.parametrize("p_text, statistic, degrees, level, wanted", [
    ("0.0099", "0", 2, 0.01, True), ("0.0101", "0", 2, 0.01, False),
    # Printed 0.0100: below the level or not, as the statistic says.
    ("0.0100", "9.2150", 2, 0.01, True),       # P 0.009977
    ("0.0100", "9.2000", 2, 0.01, False),      # P 0.010052
    ("0.0500", "7.8140", 3, 0.05, False),      # P 0.050016
    ("0.0500", "7.8160", 3, 0.05, True),       # P 0.049972
])
def test_a_printed_p_at_the_level_is_decided_from_its_statistic(
        p_text, statistic, degrees, level, wanted):
    assert outputs.significant(p_text, statistic, degrees, level) is wanted


@pytest.mark.parametrize("tests", ["1 1", "1 0", "0 1"])
def test_counts_from_the_per_run_p_values_at_005_equal_the_main_reports(binary, scratch, tests):
    # Several designs and seeds, with many combined P values near 0.05.
    for samples, generations in ((6, 1), (10, 2), (20, 1)):
        base = tiny(chain="10 2 10", tests=tests, t=generations, runs=40).replace(
            "10 12 ", f"{samples} {samples} ")
        parsed = design.design_from_check(checker.check_text(binary, base))
        for seed in (1, 2):
            directory = os.path.join(scratch.dir, f"job-{samples}-{seed}")
            os.mkdir(directory)
            checker.write_parameter_file(directory, base)
            done = subprocess.run([binary, "--seed", str(seed)], cwd=directory,
                                  capture_output=True, text=True)
            assert done.returncode == 0, done.stderr
            report = outputs.read_job(pathlib.Path(directory), done.stdout, parsed)
            counted = outputs.count_at_level(
                report, outputs.read_text(os.path.join(directory, "SUMTEST.OUT")), parsed, 0.05)
            assert (counted.significant_chi2, counted.significant_fisher) == \
                (report.significant_chi2, report.significant_fisher)


def test_alpha_and_bonferroni_count_each_runs_combined_p(sweep):
    grid = ["--vary", "samples=5,12", "--vary", "generations=1,3", "--runs", "12",
            "--null-check", "--null-runs", "12"]
    default = sweep.tool(*grid)
    assert default.returncode == 0, default.stderr
    assert "Power and error rates at" not in default.stdout
    rows = sweep.rows()
    assert {(row["alpha"], row["tests"], row["level"]) for row in rows} == {("0.05", "1", "0.05")}
    # 0.05 given: the very same table and CSV.
    given = sweep.tool(*grid, "--alpha", "0.05", "--csv", os.path.join(sweep.dir, "given.csv"))
    assert given.returncode == 0, given.stderr
    assert given.stdout == default.stdout
    assert sweep.rows(os.path.join(sweep.dir, "given.csv")) == rows
    # 0.1 over 2 tests is 0.05 too, here counted from SUMTEST.OUT: the same counts.
    shared = os.path.join(sweep.dir, "shared.csv")
    done = sweep.tool(*grid, "--alpha", "0.1", "--tests", "2", "--csv", shared)
    assert done.returncode == 0, done.stderr
    assert ("Power and error rates at the significance level 0.05 (0.1 shared among 2 tests, "
            "Bonferroni)") in done.stdout
    counts = ["runs", "significant_chi2", "significant_fisher", "type1_chi2", "type1_fisher",
              "chain_excess"]
    assert [[row[name] for name in counts] for row in sweep.rows(shared)] == \
        [[row[name] for name in counts] for row in rows]
    assert {(row["alpha"], row["tests"], row["level"]) for row in sweep.rows(shared)} == \
        {("0.1", "2", "0.05")}
    # A looser level rejects at least as often.
    loose = os.path.join(sweep.dir, "loose.csv")
    done = sweep.tool(*grid, "--alpha", "0.3", "--csv", loose)
    assert done.returncode == 0, done.stderr
    for row, at_005 in zip(sweep.rows(loose), rows):
        assert row["level"] == "0.3"
        for name in ("significant_chi2", "significant_fisher"):
            assert int(row[name]) >= int(at_005[name])
    assert sum(int(row["significant_fisher"]) for row in sweep.rows(loose)) > \
        sum(int(row["significant_fisher"]) for row in rows)


# ---- Bases from data ----

GENEPOP_2 = """\
Two populations, two-digit alleles
locA, locB
locC
Pop
ind1, 0101 0102 0505
ind2 , 0102 0000 0505
POP
ind3,0202 0202 0505
"""

GENEPOP_3_HAPLOID = """\
Haploid, three-digit alleles
L1
L2
pop
a, 101 120
b, 102 120
pop
c, 102 000
"""

VCF = """\
##fileformat=VCFv4.2
##contig=<ID=1,length=1000>
##INFO=<ID=AC,Number=A,Type=Integer,Description="Alternate allele count">
##FORMAT=<ID=GT,Number=1,Type=String,Description="Genotype">
#CHROM\tPOS\tID\tREF\tALT\tQUAL\tFILTER\tINFO\tFORMAT\ts1\ts2\ts3\ts4
1\t10\t.\tA\tG\t.\tPASS\t.\tGT\t0/1\t1/1\t0/0\t0/0
1\t20\t.\tA\tG,T\t.\tPASS\t.\tGT\t0/1\t1/2\t0/0\t0/0
1\t30\t.\tAT\tG\t.\tPASS\t.\tGT\t0/1\t1/1\t0/0\t0/0
1\t40\t.\tC\tT\t.\tPASS\t.\tGT\t0|0\t./.\t1/1\t0/1
1\t50\t.\tC\tT\t.\tPASS\t.\tGT\t0/0\t0/0\t0/0\t0/0
"""

POPMAP = "s1 north\ns2 north\ns3 south\ns4\tsouth\n"

TABLE_COUNTS = """\
population,locus,allele,count
p1,L1,a,3
p1,L1,b,1
p2,L1,a,1
p2,L1,b,5
p1,L2,x,4
p2,L2,x,6
"""

TABLE_FREQUENCIES = "locus\tallele\tfrequency\nL1\t1\t0.49\nL1\t2\t0.49\nL2\t7\t0.3\nL2\t8\t0.7\n"


def make_base(sweep, name, text, *args, mode="w"):
    path = os.path.join(sweep.dir, name)
    with open(path, mode) as file:
        file.write(text)
    out = os.path.join(sweep.dir, "OUT.IN")
    done = subprocess.run([TOOL, "base", path, "--out", out, "--binary", sweep.binary, *args],
                          capture_output=True, text=True, stdin=subprocess.DEVNULL, timeout=300)
    return done, path, out


def base_loci(binary, path):
    read = checker.read_design_file(binary, path)
    return read, [list(locus.texts) for locus in read.loci]


@pytest.mark.parametrize("name, text, args, loci, samples, notes", [
    ("two.gen", GENEPOP_2, ["--samples-from-data"], [["0.5", "0.5"], ["0.25", "0.75"]], (2, 1),
     ["1 monomorphic loci dropped: locC"]),
    ("two.gen", GENEPOP_2, ["--frequencies", "averaged"], [["0.375", "0.625"], ["0.25", "0.75"]],
     (50,) * 5, []),
    ("haploid.genepop", GENEPOP_3_HAPLOID, ["--pops", "3", "--samples", "7"],
     [["0.3333333333", "0.6666666667"]], (7, 7, 7), ["1 monomorphic loci dropped: L2"]),
    ("counts.csv", TABLE_COUNTS, ["--samples-from-data"], [["0.4", "0.6"]], (2, 3),
     ["1 monomorphic loci dropped: L2"]),
    ("counts.csv", TABLE_COUNTS, ["--frequencies", "averaged"], [["0.4583333333", "0.5416666667"]],
     (50,) * 5, []),
    ("freq.tsv", TABLE_FREQUENCIES, [], [["0.5", "0.5"], ["0.3", "0.7"]], (50,) * 5,
     ["locus L1: the frequencies summed to 0.98; each was divided by that sum (the total "
      "changed by +0.02)"]),
    ("snps.vcf", VCF, ["--popmap", "{dir}/pops.txt", "--samples-from-data"],
     [["0.625", "0.375"], ["0.5", "0.5"]], (2, 2),
     ["2 records that are not biallelic SNPs left out", "1 monomorphic loci dropped: 1:50"]),
])
def test_a_base_from_each_kind_of_data(sweep, name, text, args, loci, samples, notes):
    sweep.write("pops.txt", POPMAP)
    args = [arg.format(dir=sweep.dir) for arg in args]
    done, _, out = make_base(sweep, name, text, *args)
    assert done.returncode == 0, done.stderr
    read, written = base_loci(sweep.binary, out)
    assert written == loci
    assert read.samples == samples
    assert (read.ne, read.generations, read.runs, read.chain) == (200, 2, 500, (1000, 100, 1000))
    for note in notes:
        assert f"gorvan-plan base: {note}" in done.stderr.splitlines()
    if not any("summed" in note for note in notes):
        assert "summed" not in done.stderr


def test_a_bcf_reads_as_its_vcf(sweep):
    cyvcf2 = pytest.importorskip("cyvcf2", reason="python3-cyvcf2 is not installed")
    vcf = sweep.write("snps.vcf", VCF)
    bcf = os.path.join(sweep.dir, "snps.bcf")
    reader = cyvcf2.VCF(vcf)
    writer = cyvcf2.Writer(bcf, reader, mode="wb")
    for variant in reader:
        writer.write_record(variant)
    writer.close()
    reader.close()
    texts = []
    for path in (vcf, bcf):
        out = os.path.join(sweep.dir, os.path.basename(path) + ".IN")
        done = subprocess.run([TOOL, "base", path, "--out", out, "--binary", sweep.binary],
                              capture_output=True, text=True, timeout=300)
        assert done.returncode == 0, done.stderr
        texts.append(base_loci(sweep.binary, out)[1])
    assert texts[0] == texts[1] == [["0.625", "0.375"], ["0.5", "0.5"]]


BAD_DATA = [
    ("none.gen", "Title\nlocA\nlocB\n", "none.gen, line 3: no line 'Pop' begins a population"),
    ("comma.gen", "T\nlocA\nPop\nind1 0101\n",
     "comma.gen, line 4: an individual, its name and a comma, then one genotype per locus"),
    ("count.gen", "T\nlocA, locB\nPop\nind1, 0101 0102\nind2, 0101\n",
     "count.gen, line 5: 2 genotypes (one per locus) were expected after 'ind2,', found 1"),
    ("digits.gen", "T\nlocA\nPop\nind1, 0101\nind2, 01x1\n",
     "digits.gen, line 5: the genotype '01x1' at locus locA is not made of digits"),
    ("width.gen", "T\nlocA\nPop\nind1, 0101\nind2, 01012\n",
     "width.gen, line 5: the genotype '01012' at locus locA has 5 digits; this file writes "
     "alleles with 2 digits, so 2 (haploid) or 4 (diploid) were expected"),
    ("empty.gen", "", "empty.gen, line 1: an empty file"),
    ("gt.vcf", VCF.replace("0|0\t./.\t1/1\t0/1", "0|0\t./x\t1/1\t0/1"),
     "gt.vcf, line 9: a record that htslib cannot read"),
    ("notvcf.vcf", "hello\nworld\n", "notvcf.vcf: not a VCF or BCF file that htslib can read"),
    ("header.csv", "name,allele,count\nL1,a,3\n", "header.csv, line 1: a header with the "
                                                  "columns locus, allele and frequency or count"),
    ("number.csv", "locus,allele,count\nL1,a,3\nL1,b,three\n",
     "number.csv, line 3: a count was expected, found 'three'"),
    ("whole.csv", "locus,allele,count\nL1,a,3.5\nL1,b,1\n",
     "whole.csv, line 2: a whole count was expected, found '3.5'"),
    ("twice.tsv", "locus\tallele\tfrequency\nL1\ta\t0.5\nL1\ta\t0.5\n",
     "twice.tsv, line 3: allele a of locus L1 is already on line 2"),
    ("above.csv", "locus,allele,frequency\nL1,a,1.5\nL1,b,0.5\n",
     "above.csv, line 2: a frequency of at most 1 was expected, found '1.5'"),
    ("fields.csv", "locus,allele,count\nL1,a\n", "fields.csv, line 2: 3 fields as in the header "
                                                 "were expected, found 2"),
    ("mono.csv", "locus,allele,count\nL1,a,3\n", "mono.csv: no polymorphic locus remains"),
    ("pops.gen", GENEPOP_3_HAPLOID.replace("pop\nc, 102 000\n", ""),
     "--samples-from-data: the data hold 1 population(s)"),
]


@pytest.mark.parametrize("name, text, reason", BAD_DATA)
def test_a_bad_data_file_is_refused_naming_the_line_and_nothing_is_written(
        sweep, name, text, reason):
    done, path, out = make_base(sweep, name, text, "--samples-from-data")
    assert done.returncode == 2, done.stderr
    where = os.path.join(sweep.dir, reason) if reason.startswith(name) else f"{path}: {reason}"
    assert f"gorvan-plan base: error: {where}" in done.stderr, done.stderr
    assert "Traceback" not in done.stderr
    assert not os.path.exists(out)
    assert sorted(os.listdir(sweep.dir)) == ["BASE.IN", name]


def many_loci(count):
    return "locus,allele,count\n" + "".join(
        f"L{index},a,{index}\nL{index},b,3\n" for index in range(1, count + 1))


def test_more_loci_than_the_program_holds_need_a_seeded_subset(sweep):
    done, _, out = make_base(sweep, "many.csv", many_loci(60))
    assert done.returncode == 2
    assert ("60 polymorphic loci remain and this version of gorvan holds at most 50: take a "
            "random subset with --subset 50") in done.stderr
    assert not os.path.exists(out)
    chosen = []
    for seed in ("3", "3", "4"):
        done, _, out = make_base(sweep, "many.csv", many_loci(60), "--subset", "10",
                                 "--subset-seed", seed, "--force", "--maf", "0.2")
        assert done.returncode == 0, done.stderr
        assert "a random subset of 10 loci (seed " + seed in done.stderr
        assert ("48 loci with a minor allele frequency below 0.2 dropped: L13, L14, L15"
                in done.stderr)
        chosen.append(base_loci(sweep.binary, out)[1])
    assert chosen[0] == chosen[1] != chosen[2]
    done, _, out = make_base(sweep, "many.csv", many_loci(60), "--subset", "10")
    assert done.returncode == 2
    assert "--out" in done.stderr and "exists" in done.stderr


def test_a_real_data_set_from_a_debian_package(sweep):
    # Human exome variant calls of 189 people that python3-cyvcf2 ships as
    # its test data.
    cyvcf2 = pytest.importorskip("cyvcf2", reason="python3-cyvcf2 is not installed")
    path = os.path.join(os.path.dirname(cyvcf2.__file__), "tests", "test.vcf.gz")
    out = os.path.join(sweep.dir, "REAL.IN")
    done = subprocess.run([TOOL, "base", path, "--out", out, "--binary", sweep.binary],
                          capture_output=True, text=True, timeout=300)
    assert done.returncode == 2
    assert "97 polymorphic loci remain" in done.stderr
    done = subprocess.run([TOOL, "base", path, "--out", out, "--binary", sweep.binary,
                           "--subset", "20", "--maf", "0.05"], capture_output=True, text=True,
                          timeout=300)
    assert done.returncode == 0, done.stderr
    assert "16 records that are not biallelic SNPs left out" in done.stderr
    read, loci = base_loci(sweep.binary, out)
    assert len(loci) == 20
    # Each written frequency is the pooled share of the genotypes' alleles,
    # which the records' own AC / AN say too (every genotype is called).
    chosen = done.stderr.split("a random subset of 20 loci (seed 1): ")[1].split(",")[0]
    for variant in cyvcf2.VCF(path):
        if f"{variant.CHROM}:{variant.POS}" == chosen.strip():
            alternative = variant.INFO["AC"] / variant.INFO["AN"]
            break
    assert float(loci[0][1]) == pytest.approx(alternative, abs=1e-9)


def test_a_sweep_reads_a_base_from_data_and_refuses_data_options_for_a_parameter_file(sweep):
    table = sweep.write("counts.csv", TABLE_COUNTS.replace("p2,L2,x,6", "p2,L2,y,6"))
    done = sweep.tool("--vary", "samples=5", "--runs", "2", base=table)
    assert done.returncode == 0, done.stderr
    assert f"gorvan-plan: base from {table}: " in done.stderr
    row = sweep.rows()[0]
    assert (row["loci"], row["pops"], row["chain"]) == ("2", "5", "1000 / 100 x 1000")
    refused = sweep.tool("--vary", "samples=5", "--maf", "0.1")
    assert refused.returncode == 2
    assert "apply to a base read from data" in refused.stderr


@pytest.mark.parametrize("fst, ne", [(0.005, 200), (0.0123, 200), (0.05, 50), (0.011, 50),
                                     (0.3, 50), (0.0001, 200), (0.02, 1000), (0.9999, 200),
                                     (0.00004, 100), (0.1234, 16383)])
def test_fst_runs_within_one_percent_and_keeps_the_closest_generations_when_it_can(fst, ne):
    chosen_ne, generations = axes.design_for_fst(fst, ne, False)
    reached = 1 - (1 - 1 / (2 * chosen_ne)) ** generations
    assert abs(reached - fst) <= 0.01 * fst
    assert 1 <= chosen_ne <= 16383 and 1 <= generations <= 32767
    closest = axes.generations_for_fst(fst, ne)
    if abs(1 - (1 - 1 / (2 * ne)) ** closest - fst) <= 0.01 * fst:
        assert (chosen_ne, generations) == (ne, closest)      # as before
    else:
        assert chosen_ne != ne
        # No Ne nearer the setting's reaches it within 1% at any number of generations.
        for size in range(min(ne, chosen_ne) + 1, max(ne, chosen_ne)):
            if abs(size - ne) < abs(chosen_ne - ne):
                t = axes.generations_for_fst(fst, size)
                assert abs(1 - (1 - 1 / (2 * size)) ** t - fst) > 0.01 * fst


@pytest.mark.parametrize("args, reason", [
    (["--vary", "fst=0.00002"], "fst=2e-05: no effective size up to 16383 with at most 32767 "
                                "generations gives an expected Fst within 1% of it"),
    (["--vary", "fst=0.05", "--vary", "ne=50"], "fst=0.05: at Ne = 50 no number of generations "
                                                "gives an expected Fst within 1% of it"),
])
def test_an_fst_that_cannot_be_reached_is_refused_before_any_job(sweep, args, reason):
    done = sweep.tool(*args)
    assert done.returncode == 2, done.stderr
    assert reason in done.stderr
    assert os.listdir(sweep.dir) == ["BASE.IN"]


def test_the_fst_that_ran_is_in_the_csv_the_table_and_the_answer(sweep):
    done = sweep.tool("--vary", "fst=0.011,0.05", "--runs", "3")
    assert done.returncode == 0, done.stderr
    rows = sweep.rows()
    assert [(row["target_fst"], row["ne"], row["generations"]) for row in rows] == \
        [("0.011", "90", "2"), ("0.05", "49", "5")]
    ran = [float(row["expected_fst"]) for row in rows]
    assert ran == [pytest.approx(0.011080, abs=1e-6), pytest.approx(0.049990, abs=1e-6)]
    assert "fst=0.011: 2 generations at Ne = 90 (expected Fst 0.01108)" in done.stderr
    answer_lines = done.stdout.split("\n\n")[-1]
    assert "smallest fst with power" in answer_lines
    ran_texts = [f"{value:g}" for value in (0.011080246913580246, 0.049989746070637144)]
    assert any(text in answer_lines for text in ran_texts)
    second = sweep.tool("--vary", "samples=5,8", "--vary", "fst=0.011", "--runs", "3",
                        "--csv", os.path.join(sweep.dir, "second.csv"))
    assert second.returncode == 0, second.stderr
    answers = second.stdout.split("\n\n")[-1].splitlines()[1:]
    assert answers and all(line.startswith("fst=0.01108 ") for line in answers)
