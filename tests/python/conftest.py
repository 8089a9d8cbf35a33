# SPDX-License-Identifier: MIT
"""Where the built tool, the package and the scenario files are: CTest passes them in."""

import json
import os
import subprocess
from pathlib import Path

import pytest

CLI = os.environ.get("ZR410AB_CLI", "")
HERE = Path(__file__).resolve().parent
SCENARIOS = {
    path.stem: path
    for folder in (HERE / "scenarios", HERE.parent / "cli" / "scenarios", HERE.parents[1] / "scenarios")
    for path in folder.glob("*.json")
}


def scenario(name: str) -> str:
    return str(SCENARIOS[name])


def cli_json(scenario_name: str, *args: str) -> dict:
    """What `zr410ab-cli --board sim --scenario S ARGS --json` prints."""
    if not CLI:
        pytest.skip("ZR410AB_CLI is not set (run through ctest)")
    run = subprocess.run(
        [CLI, "--board", "sim", "--scenario", scenario(scenario_name), *args, "--json"],
        capture_output=True, text=True, timeout=30, check=True,
    )
    return json.loads(run.stdout)


def cli(*args: str) -> subprocess.CompletedProcess:
    if not CLI:
        pytest.skip("ZR410AB_CLI is not set (run through ctest)")
    return subprocess.run([CLI, *args], capture_output=True, text=True, timeout=60)
