"""Reads a parameter file the way a job would, through `gorvan --check`."""

from __future__ import annotations

import json
import os
import subprocess
import tempfile
from typing import Any

from . import design as design_module

PARAMETER_FILE = "GORVAN.IN"


class CheckRefused(Exception):
    """gorvan refused the parameter file; the message is the program's."""

    def __init__(self, message: str, exit_code: int) -> None:
        super().__init__(message)
        self.exit_code = exit_code


def write_parameter_file(directory: str | os.PathLike[str], text: str) -> str:
    """Writes GORVAN.IN; texts read from a file come back byte for byte."""
    path = os.path.join(directory, PARAMETER_FILE)
    with open(path, "wb") as file:
        file.write(text.encode("utf-8", "surrogateescape"))
    return path


def check_text(binary: str, text: str) -> Any:
    """The JSON answer of `gorvan --check` for a parameter file holding `text`.
    Raises CheckRefused with the program's message when it refuses the file."""
    with tempfile.TemporaryDirectory(prefix="gorvan-plan-check-") as scratch:
        write_parameter_file(scratch, text)
        done = subprocess.run([binary, "--check"], cwd=scratch, stdin=subprocess.DEVNULL,
                              capture_output=True)
    stdout = done.stdout.decode("utf-8", "surrogateescape")
    stderr = done.stderr.decode("utf-8", "surrogateescape")
    if done.returncode != 0:
        message = (stderr.strip() or stdout.strip()
                   or f"gorvan --check ended with exit code {done.returncode}")
        raise CheckRefused(message, done.returncode)
    try:
        return json.loads(stdout)
    except json.JSONDecodeError:
        raise CheckRefused(f"gorvan --check printed no design (is {binary} a gorvan that "
                           f"knows --check?): {stdout.strip()[:200]!r}", 1) from None


def read_design_file(binary: str, path: str) -> design_module.Design:
    """The design of an existing parameter file, read by the program itself."""
    with open(path, "rb") as file:
        text = file.read().decode("utf-8", "surrogateescape")
    return design_module.design_from_check(check_text(binary, text))


def read_back(binary: str, text: str) -> design_module.Design:
    """The design that gorvan reads from `text`."""
    return design_module.design_from_check(check_text(binary, text))
