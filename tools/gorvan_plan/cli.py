"""gorvan-plan's command line: reads the base design, expands the grid,
checks every parameter file, runs the jobs and reports.

Exit codes: 0 done; 1 a job failed (every finished setting is still in the
CSV); 2 a bad argument or value, refused before any job starts; 130
interrupted (Ctrl-C), every finished setting kept in the CSV."""

import argparse
import os
import shutil
import signal
import sys
import tempfile

from . import answer
from . import axes as axes_module
from . import checker
from . import collect
from . import design as design_module
from . import jobs as jobs_module
from . import plot
from . import progress as progress_module
from . import table
from .runners import LocalRunner

PROG = "gorvan-plan"
TOOLS_DIR = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
DEFAULT_BINARIES = (os.path.join(os.path.dirname(TOOLS_DIR), "build", "release", "gorvan"),
                    os.path.join(TOOLS_DIR, "gorvan"))


class Refusal(Exception):
    """A value the sweep cannot use; refused before any job starts."""


class InternalError(Exception):
    """A written parameter file that does not read back as meant."""


def default_binary():
    """The build tree's program in a source checkout, the installed one beside
    this tool otherwise, else whatever `gorvan` the PATH finds."""
    for candidate in DEFAULT_BINARIES:
        if os.path.isfile(candidate) and os.access(candidate, os.X_OK):
            return candidate
    return shutil.which("gorvan") or DEFAULT_BINARIES[0]


def processors():
    try:
        return len(os.sched_getaffinity(0))
    except AttributeError:
        return os.cpu_count() or 1


def parser():
    axes_help = "; ".join(f"{name}: {text}" for name, text in axes_module.AXIS_HELP.items())
    result = argparse.ArgumentParser(
        prog=PROG,
        description="Power of a sampling design over a grid of settings: gorvan runs every "
                    "setting, each test's power is given with its 95% interval, and the "
                    "answer says where the target power is reached.",
        epilog=f"Axes: {axes_help}. Every setting runs with the same seed: shared random "
               "numbers give smoother curves. Exit codes: 0 done, 1 a job failed, 2 bad "
               "arguments, 130 interrupted.")
    result.add_argument("base", metavar="BASE.IN", help="the parameter file of the base design")
    result.add_argument("--vary", metavar="NAME=V1,V2,...", action="append", default=[],
                        help="an axis and its values; repeat for a grid (the first axis is "
                             "the x axis of the curves)")
    result.add_argument("--runs", type=int, help="runs per setting (default: the base's)")
    result.add_argument("--seed", type=int, default=1, help="seed of every setting (default 1)")
    result.add_argument("--shards", type=int, default=1,
                        help="split each setting into K jobs with seeds S..S+K-1 (default 1)")
    result.add_argument("--jobs", type=int, default=processors(),
                        help="jobs run at once (default: the processors available, "
                             f"{processors()} here)")
    result.add_argument("--threads", type=int, default=1,
                        help="threads of each gorvan job (default 1)")
    result.add_argument("--null-check", action="store_true",
                        help="also measure each test's error rate without drift, and what a "
                             "chain four times longer changes")
    result.add_argument("--null-runs", type=int, default=1000,
                        help="runs of each null check (default 1000)")
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
                        help="the gorvan program (default: build/release/gorvan)")
    return result


def check_arguments(args):
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
    if args.resume and not os.path.isfile(args.csv):
        raise Refusal(f"--resume: there is no {args.csv} to resume")
    if args.plot:
        try:
            plot.check_path(args.plot)
        except plot.PlotError as error:
            raise Refusal(str(error)) from None


def read_base(args):
    try:
        return checker.read_design_file(args.binary, args.base)
    except checker.CheckRefused as error:
        raise Refusal(f"gorvan refuses {args.base}:\n{error}") from None
    except design_module.DesignError as error:
        raise Refusal(f"{args.base}: {error}") from None


def plan_settings(args, base):
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


def say_chosen_generations(plans):
    said = set()
    for plan in plans:
        fst = plan.setting.get("fst")
        if fst is None or (fst, plan.design.ne) in said:
            continue
        said.add((fst, plan.design.ne))
        reached = axes_module.expected_fst(plan.design.ne, plan.design.generations)
        print(f"{PROG}: fst={fst}: {plan.design.generations} generations at Ne = "
              f"{plan.design.ne} (expected Fst {reached:.5f})", file=sys.stderr)


def verify_files(binary, jobs, labels):
    """Reads every parameter file through gorvan itself before any job runs."""
    for spec, wanted in jobs:
        try:
            read = checker.read_back(binary, spec.parameter_text)
        except checker.CheckRefused as error:
            raise Refusal(f"{labels[spec.name]}: gorvan refuses the design:\n{error}") from None
        changed = design_module.differences(wanted, read)
        if changed:
            raise InternalError(f"the parameter file of job {spec.name} reads back with other "
                                f"values ({', '.join(changed)}); nothing was run")


def resumed_parts(args, plans, null_plans):
    """The power and null columns of the CSV's rows that were run with the
    very same parameter files, seed and shards."""
    power, null = {}, {}
    wanted_power = {plan.fingerprint for plan in plans}
    for row in table.read_csv(args.csv):
        if row.get("seed") != str(args.seed) or row.get("shards") != str(args.shards):
            continue
        if row.get("design") in wanted_power:
            power[row["design"]] = {column: row.get(column, "")
                                    for column in table.POWER_COLUMNS}
        if row.get("null_design") in null_plans and row.get("null_runs"):
            null[row["null_design"]] = {column: row.get(column, "")
                                        for column in table.NULL_COLUMNS}
    return power, null


def make_runner(args, workdir):
    """The one place where the runner is chosen."""
    return LocalRunner(args.binary, args.jobs, workdir)


def job_labels(plans, null_plans, jobs):
    labels = {}
    for spec, _ in jobs:
        if spec.name.startswith("n"):
            plan = next(p for p in null_plans.values()
                        if spec.name.startswith(f"n{p.index:03d}-"))
            labels[spec.name] = f"null check of {plan.settings[0]} (generations=0)"
        else:
            plan = next(p for p in plans if spec.name.startswith(f"p{p.index:03d}-"))
            labels[spec.name] = plan.setting.label()
    return labels


class Sweep:
    """The running sweep: finished rows, the CSV kept up to date, progress."""

    def __init__(self, args, plans, null_plans, jobs, power_done, null_done):
        self.args = args
        self.rows = {}                       # plan index -> (plan, row)
        self.designs = {spec.name: design for spec, design in jobs}
        self.collector = collect.Collector(plans, null_plans, args.seed, args.shards,
                                           args.null_check, power_done, null_done,
                                           self.row_done, self.null_done)
        self.progress = None

    def row_done(self, plan, row):
        self.rows[plan.index] = (plan, row)
        self.write_csv()
        if self.progress is not None:
            self.progress.setting_done(plan.setting.label(), row)

    def null_done(self, plan, columns):
        if self.progress is not None:
            self.progress.null_done(f"null check of {plan.settings[0]} (generations=0)",
                                    columns)

    def job_finished(self, outcome):
        self.progress.job_done(self.designs[outcome.spec.name])
        self.collector.finished(outcome)

    def pairs(self):
        return [self.rows[index] for index in sorted(self.rows)]

    def write_csv(self):
        table.write_csv(self.args.csv, [row for _, row in self.pairs()], self.args.null_check)


def run_sweep(args):
    check_arguments(args)
    pyplot = None
    if args.plot:
        pyplot = plot.load_pyplot()
        if pyplot is None:
            raise Refusal(f"matplotlib is needed to draw the curves and cannot be imported by "
                          f"{sys.executable}; on Debian: apt-get install python3-matplotlib")
    base = read_base(args)
    plans = plan_settings(args, base)
    null_plans = {}
    if args.null_check:
        try:
            null_plans = jobs_module.plan_null_checks(plans, args.null_runs, base.ne)
        except axes_module.GridError as error:
            raise Refusal(str(error)) from None
    say_chosen_generations(plans)
    power_done, null_done = resumed_parts(args, plans, null_plans) if args.resume else ({}, {})
    # The collector learns which jobs exist when they are planned.
    sweep = Sweep(args, plans, null_plans, [], power_done, null_done)
    jobs = sweep.collector.jobs(args.threads)
    sweep.designs = {spec.name: design for spec, design in jobs}
    verify_files(args.binary, jobs, job_labels(plans, null_plans, jobs))

    if args.resume:
        print(f"{PROG}: {len(power_done)} of {len(plans)} settings taken from {args.csv}",
              file=sys.stderr)
    print(f"{PROG}: {plural(len(plans), 'setting')}, {plural(len(jobs), 'job')}, "
          f"{args.jobs} at a time; every "
          f"setting runs with seed {args.seed} (shared random numbers give smoother curves)",
          file=sys.stderr)
    sweep.collector.emit_finished()          # resumed rows, before any progress is shown
    sweep.write_csv()
    sweep.progress = progress_module.Progress(
        sum(progress_module.job_cost(design) for _, design in jobs), len(plans),
        already=len(sweep.rows))
    workdir, made_workdir = job_folder(args)
    runner = make_runner(args, workdir)
    try:
        runner.run([spec for spec, _ in jobs], sweep.job_finished)
    except KeyboardInterrupt:
        signal.signal(signal.SIGINT, signal.SIG_IGN)
        runner.cancel()
        clean_up(workdir, made_workdir, jobs, sweep.collector, interrupted=True)
        for name, failure in sweep.collector.failures.items():
            if name not in sweep.collector.stopped_jobs:
                print(f"{PROG}: {failure}", file=sys.stderr)
        print(f"\n{PROG}: interrupted; {len(sweep.rows)} of {len(plans)} finished settings are "
              f"in {args.csv} (run again with --resume to go on)", file=sys.stderr)
        return 130
    clean_up(workdir, made_workdir, jobs, sweep.collector)
    return report(args, sweep, pyplot, base, len(plans))


def plural(count, noun):
    return f"{count} {noun}" + ("" if count == 1 else "s")


def job_folder(args):
    if args.workdir:
        os.makedirs(args.workdir, exist_ok=True)
        return args.workdir, False
    folder = os.path.dirname(os.path.abspath(args.csv))
    return tempfile.mkdtemp(prefix=".gorvan-plan-jobs-", dir=folder), True


def clean_up(workdir, made_workdir, jobs, collector, interrupted=False):
    """Removes what unfinished jobs left; failed jobs keep their folders, but
    not those that an interruption stopped."""
    keep = set(collector.failures) - (collector.stopped_jobs if interrupted else set())
    for spec, _ in jobs:
        directory = os.path.join(workdir, spec.name)
        if os.path.isdir(directory) and spec.name not in keep:
            shutil.rmtree(directory, ignore_errors=True)
    if made_workdir:
        try:
            os.rmdir(workdir)
        except OSError:
            pass


def report(args, sweep, pyplot, base, settings):
    pairs = sweep.pairs()
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
        title = f"Power of {os.path.basename(args.base)}: {base.comment1.strip()}"
        plot.draw(pyplot, pairs, args.plot, args.x, args.target, title, args.seed, args.shards)
        print(f"{PROG}: curves drawn to {args.plot}", file=sys.stderr)
    for failure in sweep.collector.failures.values():
        print(f"{PROG}: {failure}", file=sys.stderr)
    if sweep.collector.failures:
        print(f"{PROG}: {len(pairs)} of {settings} settings finished; run again with --resume "
              "to redo the rest", file=sys.stderr)
        return 1
    return 0


def main(argv):
    arguments = parser()
    args = arguments.parse_args(argv)
    try:
        return run_sweep(args)
    except Refusal as error:
        arguments.print_usage(sys.stderr)
        print(f"{PROG}: error: {error}", file=sys.stderr)
        return 2
    except InternalError as error:
        print(f"{PROG}: internal error: {error}", file=sys.stderr)
        return 1
    except KeyboardInterrupt:
        print(f"\n{PROG}: interrupted before any job started", file=sys.stderr)
        return 130
