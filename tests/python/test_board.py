# SPDX-License-Identifier: MIT
"""Every call on the simulated board gives what the command-line tool prints for the same
scenario: one core, the same numbers, down to the single-precision cases."""

import threading
import time

import pytest
import zr410ab
from conftest import cli_json, scenario

DIB_KEYS = {
    "device_capability": "deviceCapability", "version_revision": "versionRevision",
    "vendor_id": "vendorId", "device_id": "deviceId", "device_interface": "deviceInterface",
    "function_interface": "functionInterface", "client_address": "clientAddress",
    "silicon_revision": "siliconRevisionId",
}


@pytest.mark.parametrize("name", ["fixed-readings", "two-chips", "single-precision", "only-b"])
def test_every_call_matches_the_tool(name):
    with zr410ab.open_board("sim", scenario=scenario(name)) as board:
        tool_scan = cli_json(name, "scan")["chips"]
        assert board.scan() == {c["kind"]: c["address"] for c in tool_scan}
        for letter in (c["chip"] for c in tool_scan):
            chip = board.chip(letter)
            temps = cli_json(name, "temps", letter)
            assert chip.temperatures() == (temps["internal"], temps["external"])
            assert chip.address == temps["address"]
            assert chip.external_offset == cli_json(name, "offset", letter)["offset"]
            assert chip.ping() == cli_json(name, "ping", letter)["fcs"]
            dib = cli_json(name, "dib", letter)
            assert chip.dib() == {ours: dib[theirs] for ours, theirs in DIB_KEYS.items()}
            xfer = cli_json(name, "xfer", letter, "--write", "1", "--read", "16", "F7")
            assert list(chip.transaction(bytes([0xF7]), 16)) == xfer["reply"]
            if letter == "B":
                volts = cli_json(name, "volts")
                assert chip.voltages() == {rail: volts[rail] for rail in zr410ab.RAILS}


def test_single_precision_values_carry_their_shown_digits():
    with zr410ab.open_board("sim", scenario=scenario("single-precision")) as board:
        # Below zero the reading is rounded before 1024 is taken off, in single precision.
        assert board.chip("A").temperatures() == (25.02, -0.02001953)
        assert list(board.chip("B").voltages().values()) == [2.495, 1.125, 3.305, 0.005, 0.015]


def test_offset_write_reads_back_and_moves_the_external_reading():
    with zr410ab.open_board("sim", scenario=scenario("fixed-readings")) as board:
        chip = board.chip("A")
        chip.external_offset = -5
        assert chip.external_offset == -5
        assert chip.temperatures() == (25.0, 26.0)
        # The register holds -512..511: 512..1023 are written as the value minus 1024.
        for written, read in [(511, 511), (512, -512), (600, -424), (1023, -1), (-512, -512)]:
            chip.external_offset = written
            assert chip.external_offset == read


def test_a_log_in_a_thread_leaves_the_interpreter_to_the_others(tmp_path):
    # The log waits 0.4 s on its schedule. Were the interpreter lock held meanwhile, this thread
    # could not wake from its sleep before the log returned.
    with zr410ab.open_board("sim") as board:
        started, ended = threading.Event(), []
        worker = threading.Thread(target=lambda: (
            started.set(),
            board.log(tmp_path / "t.sav", "A", count=3, interval=0.2),
            ended.append(time.monotonic())))
        worker.start()
        started.wait()
        time.sleep(0.1)
        woke = time.monotonic()
        worker.join()
        assert woke < ended[0]
        assert zr410ab.read_sav(tmp_path / "t.sav").records == 3


@pytest.mark.parametrize("example,args", [
    ("temperature_sweep.py", ["--rows", "2", "--interval", "0.01"]),
    ("offset_calibration.py", ["--scenario", scenario("fixed-readings")]),
])
def test_examples_run(example, args):
    import os, subprocess, sys
    from pathlib import Path
    script = Path(__file__).resolve().parents[2] / "examples" / example
    run = subprocess.run([sys.executable, str(script), *args], capture_output=True, text=True,
                         timeout=60, env=os.environ)
    assert run.returncode == 0, run.stderr
    if example == "offset_calibration.py":
        assert "slope 1.000" in run.stdout
