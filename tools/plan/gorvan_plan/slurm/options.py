"""gorvan-plan's options for running a sweep on a Slurm cluster, and the
runner they make."""

from __future__ import annotations

import argparse
import os
import shutil

from .runner import SlurmOptions, SlurmRunner

SLURM_ONLY = ("partition", "time", "cpus_per_task", "sbatch_arg")
# sbatch options the runner sets itself: the tasks, their logs and folder.
OWN_SBATCH_OPTIONS = ("--array", "-a", "--output", "-o", "--chdir", "-D", "--wrap")


def add_arguments(parser: argparse.ArgumentParser) -> None:
    group = parser.add_argument_group(
        "running on a Slurm cluster",
        "With --slurm every job (every setting, or every shard of one with --shards) becomes "
        "one task of a Slurm array job. Run gorvan-plan on a login node; the job folders "
        "(--workdir, by default beside the CSV) and the gorvan program must be on a file "
        "system the compute nodes share. --jobs has no effect: Slurm decides how many tasks "
        "run at once.")
    group.add_argument("--slurm", action="store_true",
                       help="submit the jobs with sbatch and wait for them")
    group.add_argument("--partition", help="the partition (queue) to submit to")
    group.add_argument("--time", metavar="LIMIT",
                       help="time limit of each task, as sbatch takes it (e.g. 2:00:00)")
    group.add_argument("--cpus-per-task", type=int, metavar="N",
                       help="CPUs of each task (default: --threads when above 1, else "
                            "the cluster's default)")
    group.add_argument("--sbatch-arg", action="append", default=[], metavar="ARG",
                       help="any other sbatch option, e.g. --sbatch-arg=--account=pop-gen "
                            "(repeatable)")


def argument_problem(args: argparse.Namespace) -> str | None:
    """Why the Slurm options cannot be used as given, or None."""
    if not args.slurm:
        given = [name for name in SLURM_ONLY if getattr(args, name)]
        if given:
            return f"--{given[0].replace('_', '-')} needs --slurm"
        return None
    if args.cpus_per_task is not None and args.cpus_per_task < 1:
        return f"--cpus-per-task {args.cpus_per_task}: at least 1"
    for argument in args.sbatch_arg:
        option = _own_option(argument)
        if option:
            return (f"--sbatch-arg={argument}: gorvan-plan sets {option} itself "
                    "(the array's tasks, their logs and folders)")
    for command in ("sbatch", "squeue", "scancel"):
        if shutil.which(command) is None:
            return (f"--slurm: {command} is not on the PATH; run gorvan-plan on a machine "
                    "that submits Slurm jobs (a login node)")
    return None


def _own_option(argument: str) -> str | None:
    """The runner's own sbatch option that `argument` would set, if any
    ("--output=x", "-ox" and "-o" all set --output)."""
    for option in OWN_SBATCH_OPTIONS:
        if option.startswith("--"):
            if argument.split("=")[0] == option:
                return option
        elif argument.startswith(option):
            return option
    return None


def make_runner(args: argparse.Namespace, workdir: str | os.PathLike[str]) -> SlurmRunner:
    cpus = args.cpus_per_task or (args.threads if args.threads > 1 else None)
    options = SlurmOptions(workdir=workdir, partition=args.partition, time=args.time,
                           cpus_per_task=cpus, sbatch_args=tuple(args.sbatch_arg))
    return SlurmRunner(args.binary, options)
