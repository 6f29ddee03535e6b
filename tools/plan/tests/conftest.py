"""Fixtures of the tests of gorvan-plan, and --skipped-exit-code, which lets
ctest tell a run whose cluster tests were skipped from one that ran them."""

import os

import pytest

from plan_support import BINARY, Scratch


def pytest_addoption(parser):
    parser.addoption("--skipped-exit-code", type=int, default=None, metavar="N",
                     help="exit with code N when no test failed and at least one was skipped")


def pytest_sessionfinish(session, exitstatus):
    code = session.config.getoption("skipped_exit_code")
    reporter = session.config.pluginmanager.get_plugin("terminalreporter")
    if code is not None and exitstatus == 0 and reporter and reporter.stats.get("skipped"):
        session.exitstatus = code


@pytest.fixture
def binary():
    """The gorvan program named by GORVAN_BINARY; a test that needs it fails
    without it."""
    if not (BINARY and os.access(BINARY, os.X_OK)):
        pytest.fail("set GORVAN_BINARY to the built gorvan program")
    return BINARY


@pytest.fixture
def scratch():
    """A scratch directory per test, holding the tiny base design BASE.IN."""
    directory = Scratch()
    yield directory
    directory.cleanup()
