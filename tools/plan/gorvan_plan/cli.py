"""gorvan-plan's command line: reads the base design, expands the grid,
checks every parameter file, runs the jobs and reports.

Exit codes: 0 done; 1 a job failed (every finished setting is still in the
CSV); 2 a bad argument or value, or a parameter file that gorvan reads back
with other values than were written, refused before any job starts; 128 +
the signal when interrupted (130 Ctrl-C, 143 SIGTERM, 129 SIGHUP), every
finished setting kept in the CSV."""

from __future__ import annotations

import argparse
import csv
import os
import shutil
import signal
import sys
import tempfile
from collections.abc import Callable, Iterable, Sequence
from types import ModuleType

from . import answer
from . import axes as axes_module
from . import basefile
from . import checker
from . import collect
from . import data as data_module
from . import design as design_module
from . import jobs as jobs_module
from . import plot
from . import progress as progress_module
from . import sweep as sweep_module
from . import table
from .jobs import PlannedJob, PowerPlan
from .runners import LocalRunner, Runner
from .slurm import commands as slurm_commands
from .slurm import options as slurm_options

PROG = "gorvan-plan"


class Refusal(Exception):
    """A value the sweep cannot use; refused before any job starts."""


class Stopped(KeyboardInterrupt):
    """SIGTERM or SIGHUP, handled like Ctrl-C."""

    def __init__(self, signum: int) -> None:
        super().__init__(signum)
        self.signum = signum


def _stop(signum: int, frame: object) -> None:
    raise Stopped(signum)


def stop_signal(interrupt: KeyboardInterrupt) -> int:
    return interrupt.signum if isinstance(interrupt, Stopped) else signal.SIGINT


def interruption(signum: int) -> str:
    if signum == signal.SIGINT:
        return "interrupted"
    return f"stopped by {signal.Signals(signum).name}"


class RunnerError(Exception):
    """The jobs could not be run or watched (e.g. sbatch refused them)."""

    def __init__(self, message: str, exit_code: int) -> None:
        super().__init__(message)
        self.exit_code = exit_code


class ReadBackError(Exception):
    """A written parameter file that gorvan reads back with other values than
    were meant; refused before any job starts."""


def default_binary() -> str:
    """The build tree's program when the tool runs from a source checkout
    (tools/gorvan-plan), the one installed beside the tool otherwise
    (bin/gorvan-plan), else whatever `gorvan` the PATH finds."""
    script_dir = os.path.dirname(os.path.realpath(sys.argv[0]))
    candidates = (os.path.join(script_dir, os.pardir, "build", "release", "gorvan"),
                  os.path.join(script_dir, "gorvan"))
    for candidate in candidates:
        if os.path.isfile(candidate) and os.access(candidate, os.X_OK):
            return os.path.normpath(candidate)
    return shutil.which("gorvan") or os.path.normpath(candidates[0])


def processors() -> int:
    try:
        return len(os.sched_getaffinity(0))
    except AttributeError:
        return os.cpu_count() or 1


def parser() -> argparse.ArgumentParser:
    axes_help = "; ".join(f"{name}: {text}" for name, text in axes_module.AXIS_HELP.items())
    result = argparse.ArgumentParser(
        prog=PROG,
        description="Power of a sampling design over a grid of settings: gorvan runs every "
                    "setting, each test's power is given with its 95% interval, and the "
                    "answer says where the target power is reached.",
        epilog=f"Axes: {axes_help}. Every setting runs with the same seed: shared random "
               "numbers give smoother curves. Exit codes: 0 done, 1 a job failed, 2 bad "
               "arguments, 128 + the signal when interrupted (130 Ctrl-C, 143 SIGTERM, 129 "
               "SIGHUP; finished settings are kept).")
    result.add_argument("base", metavar="BASE.IN", help="the parameter file of the base design")
    result.add_argument("--vary", metavar="NAME=V1,V2,...", action="append", default=[],
                        help="an axis and its values; repeat for a grid (the first axis is "
                             "the x axis of the curves)")
    result.add_argument("--runs", type=int, help="runs per setting (default: the base's)")
    result.add_argument("--seed", type=int, default=1, help="seed of every setting (default 1)")
    result.add_argument("--shards", type=int, default=1,
                        help="split each setting into K jobs with seeds S..S+K-1 (default 1)")
    result.add_argument("--jobs", type=int,
                        help="jobs run at once (default: the processors available, "
                             f"{processors()} here, divided by --threads)")
    result.add_argument("--threads", type=int, default=1,
                        help="threads of each gorvan job (default 1)")
    result.add_argument("--null-check", action="store_true",
                        help="also measure each test's error rate without drift, and what a "
                             "chain four times longer changes")
    result.add_argument("--null-runs", type=int, default=1000,
                        help="runs of each null check (default 1000)")
    result.add_argument("--allow-short-chain", action="store_true",
                        help="run even when gorvan calls the Fisher test's chain too short "
                             "for a setting (its power is then overstated)")
    result.add_argument("--alpha", type=float, default=0.05,
                        help="significance level of each test (default 0.05)")
    result.add_argument("--tests", type=int, default=1,
                        help="number of tests the level is shared among: each combined P is "
                             "compared with alpha / K (Bonferroni; default 1)")
    result.add_argument("--target", type=float, default=0.8, help="target power (default 0.8)")
    result.add_argument("--csv", default="gorvan-plan.csv",
                        help="the table, one row per setting (default gorvan-plan.csv)")
    result.add_argument("--plot", metavar="FILE", help="draw the curves (.png, .pdf or .svg)")
    result.add_argument("--x", choices=("first", "fst"), default="first",
                        help="x axis of the plot: the first axis (default) or the reached Fst")
    result.add_argument("--resume", action="store_true",
                        help="keep the CSV's rows of the same settings and seed, run the rest")
    result.add_argument("--workdir", help="where the jobs' directories go (default: a new "
                                          "folder beside the CSV, removed at the end)")
    result.add_argument("--binary", default=default_binary(),
                        help="the gorvan program (default: build/release/gorvan of the "
                             "source tree, else the gorvan beside this tool or on the PATH)")
    basefile.add_data_arguments(result)
    slurm_options.add_arguments(result)
    return result


def check_arguments(args: argparse.Namespace) -> None:
    if args.jobs is None:
        args.jobs = max(1, processors() // max(1, args.threads))
    if not args.vary:
        raise Refusal("name at least one axis with --vary NAME=V1,V2,... "
                      f"(axes: {', '.join(axes_module.AXES)})")
    for name, smallest in (("runs", 1), ("shards", 1), ("jobs", 1), ("threads", 1),
                           ("null_runs", 1)):
        value = getattr(args, name)
        if value is not None and value < smallest:
            raise Refusal(f"--{name.replace('_', '-')} {value}: at least {smallest}")
    if args.runs is not None and args.runs > axes_module.MAX_RUNS:
        raise Refusal(f"--runs {args.runs}: at most {axes_module.MAX_RUNS}")
    if not 0 < args.alpha < 1:
        raise Refusal(f"--alpha {args.alpha}: a significance level between 0 and 1")
    if args.tests < 1:
        raise Refusal(f"--tests {args.tests}: at least 1")
    if not 0 < args.target < 1:
        raise Refusal(f"--target {args.target}: a power between 0 and 1")
    last_seed = args.seed + args.shards - 1
    if args.seed < jobs_module.MIN_SEED or last_seed > jobs_module.MAX_SEED:
        raise Refusal(f"--seed {args.seed} with {args.shards} shards: the seeds must lie in "
                      f"{jobs_module.MIN_SEED} to {jobs_module.MAX_SEED}")
    if not os.path.isfile(args.base):
        raise Refusal(f"parameter file not found: {args.base}")
    if not (os.path.isfile(args.binary) and os.access(args.binary, os.X_OK)):
        raise Refusal(f"gorvan program not found or not executable: {args.binary} "
                      "(build it, or name it with --binary)")
    csv_folder = os.path.dirname(os.path.abspath(args.csv))
    if not os.path.isdir(csv_folder):
        raise Refusal(f"--csv {args.csv}: the folder {csv_folder} does not exist")
    if os.path.isdir(args.csv):
        raise Refusal(f"--csv {args.csv} is a folder; name a file")
    if not os.access(csv_folder, os.W_OK):
        raise Refusal(f"--csv {args.csv}: the folder {csv_folder} cannot be written")
    if os.path.exists(args.csv) and not table.is_plan_table(args.csv):
        raise Refusal(f"--csv {args.csv} exists and is not a table of {PROG}; it is left as "
                      "it is (name another file)")
    if args.resume and not os.path.isfile(args.csv):
        raise Refusal(f"--resume: there is no {args.csv} to resume")
    problem = slurm_options.argument_problem(args)
    if problem:
        raise Refusal(problem)
    if args.plot:
        try:
            plot.check_path(args.plot)
        except plot.PlotError as error:
            raise Refusal(str(error)) from None


def read_base(args: argparse.Namespace) -> design_module.Design:
    """The base design, from a parameter file or from data; its text is kept
    in args.base_text."""
    if data_module.data_kind(args.base):
        options = basefile.options_from(args)
        problem = basefile.option_problem(options)
        if problem:
            raise Refusal(problem)
        try:
            args.base_text, notes = basefile.convert(args.base, options)
        except data_module.DataError as error:
            raise Refusal(str(error)) from None
        for note in notes:
            print(f"{PROG}: base from {args.base}: {note}", file=sys.stderr)
        try:
            return design_module.design_from_check(checker.check_text(args.binary,
                                                                      args.base_text))
        except checker.CheckRefused as error:
            raise Refusal(f"gorvan refuses the base made from {args.base}:\n{error}") from None
    if (args.maf or args.subset is not None or args.samples_from_data or args.popmap
            or args.frequencies != "pooled"):
        raise Refusal(f"--frequencies, --maf, --subset, --samples-from-data and --popmap apply "
                      f"to a base read from data; {args.base} is a parameter file")
    args.base_text = checker.read_text_file(args.base)
    try:
        return checker.read_design_file(args.binary, args.base)
    except checker.CheckRefused as error:
        raise Refusal(f"gorvan refuses {args.base}:\n{error}") from None
    except design_module.DesignError as error:
        raise Refusal(f"{args.base}: {error}") from None


def plan_settings(args: argparse.Namespace, base: design_module.Design) -> list[PowerPlan]:
    """The grid's settings with their designs, each value checked."""
    try:
        axes = [axes_module.parse_axis(text) for text in args.vary]
        settings = axes_module.expand(axes)
        runs = args.runs if args.runs is not None else base.runs
        if runs < args.shards:
            raise Refusal(f"--shards {args.shards}: more shards than the {runs} runs")
        designs = [axes_module.apply(setting, base, runs) for setting in settings]
        axes_module.refuse_merged_fst(settings, designs)
    except axes_module.GridError as error:
        raise Refusal(str(error)) from None
    plans = []
    for index, (setting, design) in enumerate(zip(settings, designs), start=1):
        text = design_module.parameter_text(design)
        plans.append(jobs_module.PowerPlan(index, setting, design, text,
                                           design_module.fingerprint(text)))
    return plans


def say_chosen_generations(plans: Iterable[PowerPlan]) -> None:
    said = set()
    for plan in plans:
        fst = plan.setting.get("fst")
        if fst is None or (fst, plan.design.ne) in said:
            continue
        said.add((fst, plan.design.ne))
        reached = axes_module.expected_fst(plan.design.ne, plan.design.generations)
        print(f"{PROG}: fst={fst}: {plan.design.generations} generations at Ne = "
              f"{plan.design.ne} (expected Fst {reached:.5f})", file=sys.stderr)


def verify_files(binary: str, jobs: Iterable[PlannedJob], label: Callable[[str], str]) -> None:
    """Reads every parameter file through gorvan itself before any job runs."""
    for job, wanted in jobs:
        try:
            read = checker.read_back(binary, job.parameter_text)
        except checker.CheckRefused as error:
            raise Refusal(f"{label(job.name)}: gorvan refuses the design:\n{error}") from None
        changed = design_module.differences(wanted, read)
        if changed:
            described = "; ".join(design_module.describe_difference(name, wanted, read)
                                  for name in changed)
            raise ReadBackError(f"{label(job.name)}: gorvan reads the parameter file written "
                                f"for it with other values ({described}); nothing was run")


def make_runner(args: argparse.Namespace, workdir: str) -> Runner:
    """The one place where the runner is chosen."""
    if args.slurm:
        return slurm_options.make_runner(args, workdir)
    return LocalRunner(args.binary, args.jobs, workdir)


def load_plotting(args: argparse.Namespace) -> ModuleType | None:
    """pyplot when a figure is asked for, checked before any job runs."""
    if not args.plot:
        return None
    pyplot = plot.load_pyplot()
    if pyplot is None:
        raise Refusal(f"matplotlib is needed to draw the curves and cannot be imported by "
                      f"{sys.executable}; on Debian: apt-get install python3-matplotlib")
    return pyplot


def prepare_sweep(args: argparse.Namespace, base: design_module.Design) -> sweep_module.Sweep:
    """The settings, their null checks, what an earlier CSV already holds,
    and every job still to run, its parameter file checked by gorvan."""
    plans = plan_settings(args, base)
    null_plans = {}
    if args.null_check:
        try:
            null_plans = jobs_module.plan_null_checks(plans, args.null_runs, base.ne)
        except axes_module.GridError as error:
            raise Refusal(str(error)) from None
    say_chosen_generations(plans)
    power_done, null_done, kept = ({}, {}, [])
    if args.resume:
        try:
            power_done, null_done, kept = sweep_module.resumed_parts(
                args.csv, wanted_settings(args, base), base, args.base, args.null_check, plans,
                null_plans)
        except (OSError, UnicodeDecodeError, csv.Error) as error:
            raise Refusal(f"--resume: {args.csv} cannot be read as a table ({error})") from None
        except sweep_module.ResumeMismatch as error:
            raise Refusal(str(error)) from None
        print(f"{PROG}: {len(power_done)} of {len(plans)} settings taken from {args.csv}"
              + (f"; its {plural(len(kept), 'row')} outside this grid are kept as they are"
                 if kept else ""), file=sys.stderr)
    sweep = sweep_module.Sweep(args, plans, null_plans, power_done, null_done, kept)
    verify_files(args.binary, sweep.jobs, sweep.collector.label)
    report_warnings(args, sweep)
    return sweep


def concerned(labels: Sequence[str], everything: int) -> str:
    """The settings a warning concerns, for people."""
    if len(labels) == everything and everything > 1:
        return f"every setting ({everything})"
    shown = ", ".join(label or "the base" for label in labels[:4])
    return shown + (f" and {len(labels) - 4} more" if len(labels) > 4 else "")


def report_warnings(args: argparse.Namespace, sweep: sweep_module.Sweep) -> None:
    """Shows each distinct warning gorvan gives about the base file or the
    parameter files of the settings once, with the settings it concerns;
    refuses a chain that gorvan calls too short unless --allow-short-chain."""
    base_text = args.base_text
    by_warning: dict[str, list[str]] = {}
    power_labels = set()
    for job, _ in sweep.jobs:
        label = sweep.collector.label(job.name)
        if sweep.collector.is_power_job(job.name):
            power_labels.add(label)
        warnings = checker.warnings_for(job.parameter_text)
        sweep.collector.note_warnings(job.name, warnings)
        for warning in warnings:
            if label not in by_warning.setdefault(warning, []):
                by_warning[warning].append(label)
    for warning in checker.warnings_for(base_text):
        # The chain's advice depends on each setting's loci and samples, and
        # each setting's own is shown below.
        if warning not in by_warning and not checker.is_short_chain(warning):
            shown = warning.replace(checker.PARAMETER_FILE, args.base)
            print(f"{PROG}: gorvan warns about {args.base}: {shown}", file=sys.stderr)
    for warning, labels in by_warning.items():
        print(f"{PROG}: gorvan warns, for {concerned(labels, len(power_labels))}: {warning}",
              file=sys.stderr)
    short = [(labels, warning) for warning, labels in by_warning.items()
             if checker.is_short_chain(warning)]
    if short and not args.allow_short_chain:
        settings = sorted({label for labels, _ in short for label in labels})
        raise Refusal(f"gorvan calls the Fisher test's chain too short for "
                      f"{plural(len(settings), 'setting')} ({concerned(settings, 0)}), so the "
                      f"exact test would reject too often and its power be overstated; "
                      f"lengthen the chain on line 3 of {args.base} as gorvan advises above, "
                      "or give --allow-short-chain to run it anyway")


def wanted_settings(args: argparse.Namespace, base: design_module.Design) -> dict[str, str]:
    """The settings of this command as the CSV writes them, to compare with
    the rows of a table to resume."""
    level = collect.Level(args.alpha, args.tests).columns()
    return {"runs": str(args.runs if args.runs is not None else base.runs),
            "seed": str(args.seed), "shards": str(args.shards), "chain": base.chain_text(),
            "null-runs": str(args.null_runs), "alpha": level["alpha"], "tests": level["tests"]}


def level_text(level: collect.Level) -> str:
    if level.tests == 1:
        return f"significance level {level.alpha:g}"
    return (f"significance level {level.level:.6g} ({level.alpha:g} shared among "
            f"{level.tests} tests, Bonferroni)")


def at_once(args: argparse.Namespace) -> str:
    return "each a task of a Slurm array job" if args.slurm else f"{args.jobs} at a time"


def execute(args: argparse.Namespace, sweep: sweep_module.Sweep) -> int:
    """Runs the jobs; 0 when they all ran, else 128 + the signal that
    interrupted them."""
    settings = len(sweep.collector.power_plans)
    print(f"{PROG}: {plural(settings, 'setting')}, {plural(len(sweep.jobs), 'job')}, "
          f"{at_once(args)}; every setting runs with seed {args.seed} (shared random "
          "numbers give smoother curves)", file=sys.stderr)
    level = sweep.collector.level
    if not level.from_report:
        print(f"{PROG}: {level_text(level)}, counted from each run's combined P values",
              file=sys.stderr)
    sweep.collector.emit_finished()          # resumed rows, before any progress is shown
    sweep.write_csv()
    sweep.progress = progress_module.Progress(
        sum(progress_module.job_cost(design) for _, design in sweep.jobs), settings,
        already=len(sweep.rows))
    workdir, made_workdir = sweep_module.job_folder(args.csv, args.workdir)
    runner = make_runner(args, workdir)
    try:
        runner.run([job for job, _ in sweep.jobs], sweep.job_finished)
    except KeyboardInterrupt as stop:
        signum = stop_signal(stop)
        for ignored in (signal.SIGINT, signal.SIGTERM, signal.SIGHUP):
            signal.signal(ignored, signal.SIG_IGN)
        runner.cancel()
        sweep_module.clean_up(workdir, made_workdir, sweep.jobs, sweep.collector,
                              interrupted=True)
        for name, failure in sweep.collector.failures.items():
            if name not in sweep.collector.stopped_jobs:
                print(f"{PROG}: {failure}", file=sys.stderr)
        print(f"\n{PROG}: {interruption(signum)}; {len(sweep.rows)} of {settings} finished "
              f"settings are in {args.csv} (run again with --resume to go on)", file=sys.stderr)
        return 128 + signum
    except slurm_commands.SlurmError as error:
        sweep_module.clean_up(workdir, made_workdir, sweep.jobs, sweep.collector)
        raise RunnerError(str(error), 1 if runner.job_ids else 2) from None
    sweep_module.clean_up(workdir, made_workdir, sweep.jobs, sweep.collector)
    return 0


def run_sweep(args: argparse.Namespace) -> int:
    check_arguments(args)
    pyplot = load_plotting(args)
    base = read_base(args)
    sweep = prepare_sweep(args, base)
    interrupted = execute(args, sweep)
    if interrupted:
        return interrupted
    return report(args, sweep, pyplot, base, len(sweep.collector.power_plans))


def plural(count: int, noun: str) -> str:
    return f"{count} {noun}" + ("" if count == 1 else "s")


def report(args: argparse.Namespace, sweep: sweep_module.Sweep, pyplot: ModuleType | None,
           base: design_module.Design, settings: int) -> int:
    pairs = sweep.pairs()
    if pairs and not sweep.collector.level.from_report:
        print(f"Power and error rates at the {level_text(sweep.collector.level)}")
    if pairs:
        print(table.power_table([row for _, row in pairs]))
        if args.null_check:
            print()
            print(table.null_table([row for _, row in pairs]))
            for warning in sorted({row["chain_warning"] for _, row in pairs
                                   if row.get("chain_warning")}):
                print(f"{PROG}: warning: {warning}", file=sys.stderr)
        print()
        print(answer.answer_table(pairs, args.target))
    if pyplot is not None and pairs:
        comment = design_module.readable(base.comment1).strip()
        title = f"Power of {os.path.basename(args.base)}: {comment}"
        plot.draw(pyplot, pairs, args.plot, args.x, args.target, title, args.seed, args.shards,
                  sweep.collector.level.level)
        print(f"{PROG}: curves drawn to {args.plot}", file=sys.stderr)
    for failure in sweep.collector.failures.values():
        print(f"{PROG}: {failure}", file=sys.stderr)
    if sweep.collector.failures:
        print(f"{PROG}: {len(pairs)} of {settings} settings finished; run again with --resume "
              "to redo the rest", file=sys.stderr)
        return 1
    return 0


def base_parser() -> argparse.ArgumentParser:
    defaults = basefile.BaseOptions()
    result = argparse.ArgumentParser(
        prog=f"{PROG} base",
        description="Writes a parameter file whose base population has the allele frequencies "
                    "of a data file: Genepop, VCF or BCF (biallelic SNPs), or a tidy table. "
                    "Monomorphic loci are dropped; notes say what was dropped or changed.",
        epilog="Exit codes: 0 written, 2 a file or value that cannot be used (nothing is "
               "written).")
    result.add_argument("data", metavar="FILE", help="the data file")
    result.add_argument("--out", default="GORVAN.IN",
                        help="the parameter file to write (default GORVAN.IN)")
    result.add_argument("--force", action="store_true", help="replace an existing --out file")
    result.add_argument("--pops", dest="design_pops", type=int,
                        help=f"populations of the design (default {defaults.pops})")
    result.add_argument("--samples", dest="design_samples", type=int,
                        help=f"diploids per sample (default {defaults.samples})")
    result.add_argument("--ne", dest="design_ne", type=int,
                        help=f"effective size while drifting (default {defaults.ne})")
    result.add_argument("--generations", dest="design_generations", type=int,
                        help=f"generations of drift (default {defaults.generations})")
    result.add_argument("--runs", dest="design_runs", type=int,
                        help=f"runs (default {defaults.runs})")
    result.add_argument("--chain", type=int, nargs=3, metavar=("STEPS", "BATCHES", "PER_BATCH"),
                        help="the Fisher test's chain (default "
                             f"{' '.join(map(str, defaults.chain))})")
    result.add_argument("--binary", default=default_binary(),
                        help="the gorvan program, which reads the written file back")
    basefile.add_data_arguments(result)
    return result


def write_atomically(path: str, text: str) -> None:
    folder = os.path.dirname(os.path.abspath(path))
    handle, temporary = tempfile.mkstemp(prefix=".gorvan-plan-", suffix=".IN", dir=folder)
    try:
        with os.fdopen(handle, "wb") as file:
            file.write(text.encode("utf-8", "surrogateescape"))
        os.replace(temporary, path)
    except BaseException:
        if os.path.exists(temporary):
            os.unlink(temporary)
        raise


def make_base(args: argparse.Namespace) -> int:
    """gorvan-plan base: the parameter file of a data file's frequencies."""
    if not os.path.isfile(args.data):
        raise Refusal(f"data file not found: {args.data}")
    if not data_module.data_kind(args.data):
        raise Refusal(f"{args.data}: name a Genepop file (.gen, .genepop), a VCF or BCF file "
                      "(.vcf, .vcf.gz, .bcf) or a table (.csv, .tsv)")
    folder = os.path.dirname(os.path.abspath(args.out))
    if not os.path.isdir(folder):
        raise Refusal(f"--out {args.out}: the folder {folder} does not exist")
    if os.path.exists(args.out) and not args.force:
        raise Refusal(f"--out {args.out} exists; it is left as it is (give --force to replace "
                      "it, or name another file)")
    if not (os.path.isfile(args.binary) and os.access(args.binary, os.X_OK)):
        raise Refusal(f"gorvan program not found or not executable: {args.binary} (it reads "
                      "the written file back; name it with --binary)")
    options = basefile.options_from(args)
    problem = basefile.option_problem(options)
    if problem:
        raise Refusal(problem)
    try:
        text, notes = basefile.convert(args.data, options)
    except data_module.DataError as error:
        raise Refusal(str(error)) from None
    try:
        read = design_module.design_from_check(checker.check_text(args.binary, text))
    except checker.CheckRefused as error:
        raise Refusal(f"gorvan refuses the design made from {args.data}:\n{error}") from None
    for note in notes:
        print(f"{PROG} base: {note}", file=sys.stderr)
    for warning in checker.warnings_for(text):
        print(f"{PROG} base: gorvan warns: {warning}", file=sys.stderr)
    write_atomically(args.out, text)
    print(f"{PROG} base: wrote {args.out}: {len(read.loci)} loci, {read.pops} populations of "
          f"{read.samples_text()} diploids, Ne {read.ne}, {read.generations} generations, "
          f"{read.runs} runs, chain {read.chain_text()}", file=sys.stderr)
    return 0


def base_main(argv: Sequence[str]) -> int:
    arguments = base_parser()
    args = arguments.parse_args(argv)
    try:
        return make_base(args)
    except Refusal as error:
        arguments.print_usage(sys.stderr)
        print(f"{PROG} base: error: {error}", file=sys.stderr)
        return 2


def main(argv: Sequence[str] | None = None) -> int:
    """Runs gorvan-plan with the arguments `argv` (those of the command line
    when None) and returns its exit code. `gorvan-plan base FILE ...` writes
    a parameter file from data (a parameter file named base is ./base)."""
    argv = list(sys.argv[1:] if argv is None else argv)
    if argv[:1] == ["base"]:
        return base_main(argv[1:])
    arguments = parser()
    args = arguments.parse_args(argv)
    previous = {handled: signal.signal(handled, _stop)
                for handled in (signal.SIGTERM, signal.SIGHUP)}
    try:
        return run_sweep(args)
    except Refusal as error:
        arguments.print_usage(sys.stderr)
        print(f"{PROG}: error: {error}", file=sys.stderr)
        return 2
    except RunnerError as error:
        print(f"{PROG}: error: {error}", file=sys.stderr)
        return error.exit_code
    except ReadBackError as error:
        print(f"{PROG}: error: {error}", file=sys.stderr)
        return 2
    except KeyboardInterrupt as stop:
        signum = stop_signal(stop)
        print(f"\n{PROG}: {interruption(signum)} before any job started", file=sys.stderr)
        return 128 + signum
    finally:
        for handled, handler in previous.items():
            signal.signal(handled, handler)
