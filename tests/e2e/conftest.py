# SPDX-License-Identifier: MIT
"""Fixtures of the end-to-end suite: one program run per test, ended by the test."""

import os
import pathlib

import pytest

from desktop import Program, accessibility_bus_ready

HERE = pathlib.Path(__file__).resolve().parent


@pytest.fixture(scope="session", autouse=True)
def accessibility_bus():
    accessibility_bus_ready()


@pytest.fixture
def build_dir():
    path = os.environ.get("ZR_BUILD_DIR")
    if not path:
        pytest.fail("ZR_BUILD_DIR must name the build folder that holds zr410ab")
    return path


@pytest.fixture
def start(build_dir, tmp_path):
    """start(scenario) runs the program on a scenario of tests/e2e/scenarios or scenarios/."""
    started = []

    def run(scenario):
        path = HERE / "scenarios" / scenario
        if not path.exists():
            path = HERE.parent.parent / "scenarios" / scenario
        program = Program(build_dir, str(path), str(tmp_path))
        started.append(program)
        return program

    yield run
    for program in started:
        program.end()
