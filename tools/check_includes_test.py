"""tools/check-includes on small trees: one planted breach of each rule is
named with its file, line and rule; a tree within the rules passes."""

from __future__ import annotations

import subprocess
import sys
from pathlib import Path

import pytest

CHECK = Path(__file__).resolve().parent / "check-includes"
LAYERS = "low:\nhigh: low\n"

# A tree within the rules: high uses low, low/b uses low/a, and low/a's
# internal/ machinery uses the files it serves.
GOOD_TREE = {
    "low/a/a.h": "",
    "low/a/internal/fast.h": '#include "low/a/a.h"\n',
    "low/a/a.cpp": '#include "low/a/a.h"\n#include "low/a/internal/fast.h"\n',
    "low/b/b.cpp": '#include "low/a/a.h"\n',
    "high/h.cpp": '#include "low/b/b.cpp"\n',
    "low/a/a_test.cpp": '#include "low/b/b.cpp"\n#include "testing/support.h"\n',
    "testing/support.h": '#include "high/h.cpp"\n',
}


def make_tree(root: Path, files: dict[str, str], shown_layers: str = LAYERS) -> None:
    (root / "src").mkdir()
    (root / "docs").mkdir()
    (root / "src" / "layers.txt").write_text("# a comment\n" + LAYERS)
    (root / "docs" / "architecture.md").write_text(f"Text.\n\n```layers\n{shown_layers}```\n")
    for name, text in files.items():
        path = root / "src" / name
        path.parent.mkdir(parents=True, exist_ok=True)
        path.write_text(text)


def run_check(root: Path) -> subprocess.CompletedProcess[str]:
    return subprocess.run([sys.executable, str(CHECK), str(root)], capture_output=True, text=True)


def test_a_tree_within_the_rules_passes(tmp_path: Path) -> None:
    make_tree(tmp_path, GOOD_TREE)
    result = run_check(tmp_path)
    assert result.returncode == 0, result.stderr
    assert "within the rules of 2 layers" in result.stdout


@pytest.mark.parametrize("planted, expected", [
    ({"low/a/a.cpp": '// x\n#include "high/h.cpp"\n'},
     'src/low/a/a.cpp:2: layer: low may not include "high/h.cpp" (it may use: nothing)'),
    ({"high/h.cpp": '#include "testing/support.h"\n'},
     'src/high/h.cpp:1: layer: high may not include "testing/support.h"'),
    ({"other/o.cpp": '#include "low/a/a.h"\n'},
     "src/other/o.cpp:1: layer: src/other is not in src/layers.txt"),
    ({"low/b/b.cpp": '#include "low/a/internal/fast.h"\n'},
     'src/low/b/b.cpp:1: internal: "low/a/internal/fast.h" is the machinery of src/low/a/'),
    ({"low/a/a.h": '#include "low/b/b.cpp"\n'},
     "cycle: src/low/a -> src/low/b -> src/low/a"),
    ({"low/a/internal/fast.h": '#include "low/c/c.h"\n', "low/c/c.h": '#include "low/a/a.h"\n'},
     "cycle: src/low/a -> src/low/c -> src/low/a"),
], ids=["upward", "test-support", "unknown-layer", "internal", "two-way", "through-internal"])
def test_each_breach_is_named_with_its_place_and_rule(
        tmp_path: Path, planted: dict[str, str], expected: str) -> None:
    make_tree(tmp_path, {**GOOD_TREE, **planted})
    result = run_check(tmp_path)
    assert result.returncode == 1
    assert expected in result.stderr


def test_the_documented_table_must_match_the_file(tmp_path: Path) -> None:
    make_tree(tmp_path, GOOD_TREE, shown_layers="low:\nhigh:\n")
    result = run_check(tmp_path)
    assert result.returncode == 1
    assert "differs from src/layers.txt" in result.stderr
