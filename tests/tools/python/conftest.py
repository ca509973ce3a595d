"""The library under test: $XV55_LIBRARY and $XV55_PROCEDURES (set by CTest), else
the build/ folder of the source tree."""

import os
import sys
from pathlib import Path

import pytest

SOURCE = Path(__file__).resolve().parents[3]
sys.path.insert(0, str(SOURCE / "python"))

import xv55  # noqa: E402


@pytest.fixture(scope="session")
def lib():
    return xv55.Library()


@pytest.fixture(scope="session")
def cli():
    return os.environ.get("XV55_CLI", str(SOURCE / "build" / "bin" / "xv55"))
