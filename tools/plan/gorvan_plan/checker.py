"""Reads a parameter file the way a job would, through `gorvan --check`."""

from __future__ import annotations

import json
import os
import re
import subprocess
import tempfile
from typing import Any

from . import design as design_module

PARAMETER_FILE = "GORVAN.IN"

# gorvan's warnings on standard error: "gorvan: warning: ...". The seed line
# and the note at the end of a job on exact-test P values of 0 are not warnings.
WARNING = re.compile(r"^gorvan: warning:?\s*(.*\S)\s*$", re.IGNORECASE)
SHORT_CHAIN = re.compile(r"chain counts \d+ steps")

# The warnings of every parameter text checked so far, by text.
_warnings: dict[str, list[str]] = {}


def warnings_in(stderr: str) -> list[str]:
    """The warnings among gorvan's messages, each without its prefix, in order
    and once each."""
    found = []
    for line in stderr.splitlines():
        match = WARNING.match(line)
        if match and match.group(1) not in found:
            found.append(match.group(1))
    return found


def is_short_chain(warning: str) -> bool:
    """Whether the warning is gorvan's advice that the Fisher test's chain is
    too short for the design."""
    return bool(SHORT_CHAIN.search(warning))


def warnings_for(text: str) -> list[str]:
    """The warnings gorvan gave when it last checked `text` (none when it was
    not checked)."""
    return list(_warnings.get(text, ()))


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
    _warnings[text] = warnings_in(stderr)
    try:
        return json.loads(stdout)
    except json.JSONDecodeError:
        raise CheckRefused(f"gorvan --check printed no design (is {binary} a gorvan that "
                           f"knows --check?): {stdout.strip()[:200]!r}", 1) from None


def read_text_file(path: str) -> str:
    """A parameter file's text; its bytes come back with surrogateescape."""
    with open(path, "rb") as file:
        return file.read().decode("utf-8", "surrogateescape")


def read_design_file(binary: str, path: str) -> design_module.Design:
    """The design of an existing parameter file, read by the program itself."""
    text = read_text_file(path)
    return design_module.design_from_check(check_text(binary, text))


def read_back(binary: str, text: str) -> design_module.Design:
    """The design that gorvan reads from `text`."""
    return design_module.design_from_check(check_text(binary, text))
