"""The installed manual page and notes against the installed program: every
option of `gorvan --help` in the page's SYNOPSIS and OPTIONS, the page's
JSON shown with its quotes, every relative link of the installed notes
resolving to an installed file, and the README's example outputs those the
program prints. Installs the build named by GORVAN_BUILD_DIR (default
build/release) into a scratch prefix; needs groff (Debian: groff-base)."""

from __future__ import annotations

import os
import re
import shutil
import subprocess
import tempfile
from pathlib import Path

import pytest

SOURCE = Path(__file__).resolve().parent.parent
BUILD = Path(os.environ.get("GORVAN_BUILD_DIR", SOURCE / "build" / "release"))
DOCS = Path("share", "doc", "gorvan")
PAGE = Path("share", "man", "man1", "gorvan.1")
OPTION = re.compile(r"(?<![\w-])--?[a-z][a-z-]*")
LINK = re.compile(r"!?\[[^\]]*\]\(([^)\s]+)\)")
FENCE = re.compile(r"^```.*?^```", re.M | re.S)
# <!-- output of: gorvan ARGS, examples/FILE --> before a fenced block: the
# block is what `gorvan ARGS` prints in a directory holding FILE as GORVAN.IN.
EXAMPLE = re.compile(r"<!-- output of: gorvan (.*?), (examples/\S+) -->\n```\n(.*?)^```",
                     re.M | re.S)


@pytest.fixture(scope="module")
def prefix():
    if not (BUILD / "gorvan").is_file():
        pytest.fail(f"no built program in {BUILD}; set GORVAN_BUILD_DIR")
    directory = Path(tempfile.mkdtemp(prefix="gorvan-docs-test-"))
    subprocess.run(["cmake", "--install", str(BUILD), "--prefix", str(directory)], check=True,
                   capture_output=True)
    yield directory
    shutil.rmtree(directory)


def gorvan(prefix: Path, *args: str, cwd: Path | None = None) -> str:
    done = subprocess.run([str(prefix / "bin" / "gorvan"), *args], cwd=cwd, capture_output=True,
                          text=True, stdin=subprocess.DEVNULL, timeout=60)
    assert done.returncode == 0, done.stderr
    return done.stdout


def rendered(prefix: Path) -> str:
    """The page as a terminal shows it, without bold or underlining, with
    ASCII hyphens and a word broken at a hyphen joined again."""
    done = subprocess.run(["groff", "-man", "-Tutf8", "-P-cbou", str(prefix / PAGE)],
                          capture_output=True, text=True, check=True,
                          env=dict(os.environ, GROFF_NO_SGR="1"))
    text = done.stdout
    for dash in "\u2010\u2011\u2212":
        text = text.replace(dash, "-")
    return re.sub(r"-\n\s+", "-", text)


def sections(text: str) -> dict[str, str]:
    """The page's sections by their heads (the lines that start at the margin)."""
    found: dict[str, str] = {}
    head = ""
    for line in text.splitlines():
        if line and not line[0].isspace() and line.upper() == line:
            head = line.strip()
            found[head] = ""
        elif head:
            found[head] += " " + line.strip()
    return {name: " ".join(body.split()) for name, body in found.items()}


def has_word(text: str, word: str) -> bool:
    return re.search(r"(?<![\w-])" + re.escape(word) + r"(?![\w-])", text) is not None


def test_every_option_of_the_help_is_in_the_synopsis_and_the_options(prefix):
    help_lines = gorvan(prefix, "--help").splitlines()
    usage = [line for line in help_lines[:2] if "gorvan" in line]
    listed = [line for line in help_lines if re.match(r"  -", line)]
    in_usage = {option for line in usage for option in OPTION.findall(line)}
    in_list = {option for line in listed for option in OPTION.findall(line)}
    assert {"--seed", "--threads", "--check", "--help"} <= in_usage | in_list
    page = sections(rendered(prefix))
    missing = sorted(option for option in in_usage | in_list
                     if not has_word(page["SYNOPSIS"], option) and option in in_usage)
    assert missing == [], f"options of the help's usage missing from the SYNOPSIS: {missing}"
    missing = sorted(option for option in in_usage | in_list
                     if not has_word(page["OPTIONS"], option))
    assert missing == [], f"options of --help missing from OPTIONS: {missing}"


def test_the_page_renders_without_warnings_and_shows_the_json_with_its_quotes(prefix):
    warnings = subprocess.run(["groff", "-ww", "-z", "-man", str(prefix / PAGE)],
                              capture_output=True, text=True).stderr
    assert warnings == ""
    check = sections(rendered(prefix))["CHECK OUTPUT"]
    for shown in ('{"line": N, "value": V}', '"gorvan-check-1"',
                  '{"line": N, "alleles": n, "frequencies": [...], "texts": [...]}'):
        assert shown in check
    # Every member the program prints is described.
    example = prefix / DOCS / "examples" / "GORVAN.IN"
    with tempfile.TemporaryDirectory() as scratch:
        shutil.copy(example, Path(scratch) / "GORVAN.IN")
        members = re.findall(r'^  "(\w+)":', gorvan(prefix, "--check", cwd=Path(scratch)), re.M)
    assert len(members) > 10
    assert [name for name in members if not has_word(check, name)] == []


def notes(prefix: Path) -> list[Path]:
    found = [prefix / DOCS / "README.md", *sorted((prefix / DOCS / "docs").glob("*.md"))]
    assert len(found) >= 2
    return found


def test_every_relative_link_of_the_installed_notes_resolves(prefix):
    broken = []
    links = 0
    for note in notes(prefix):
        text = FENCE.sub("", note.read_text())
        for target in LINK.findall(text):
            if re.match(r"[a-z]+:", target) or target.startswith("#"):
                continue
            links += 1
            if not (note.parent / target.split("#")[0]).is_file():
                broken.append(f"{note.relative_to(prefix)}: {target}")
    assert links >= 10
    assert broken == []


def test_the_readme_example_outputs_are_the_programs(prefix):
    readme = (prefix / DOCS / "README.md").read_text()
    examples = EXAMPLE.findall(readme)
    assert examples, "no marked example output in the README"
    for args, parameter_file, shown in examples:
        with tempfile.TemporaryDirectory() as scratch:
            shutil.copy(prefix / DOCS / parameter_file, Path(scratch) / "GORVAN.IN")
            printed = gorvan(prefix, *args.split(), cwd=Path(scratch))
        assert shown == printed, f"gorvan {args} on {parameter_file}"
