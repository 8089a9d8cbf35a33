# SPDX-License-Identifier: MIT
"""Each failure raises its own exception with the board's words, and input that does not fit is
refused before anything reaches the board."""

import json
import os

import pytest
import zr410ab
from conftest import scenario


def test_absent_chip_and_missing_board():
    with zr410ab.open_board("sim", scenario=scenario("only-b")) as board:
        with pytest.raises(zr410ab.ChipNotFoundError, match="ZR410A did not answer"):
            board.chip("A")
    with pytest.raises(zr410ab.BoardNotFoundError) as refused:
        zr410ab.open_board("sim", scenario=scenario("firmware-fails"))
    assert "could not be found" in refused.value.reason
    assert isinstance(refused.value, zr410ab.Zr410abError)


REFUSED = [
    ("offset above the register", lambda c: setattr(c, "external_offset", 1024), ValueError),
    ("offset below the register", lambda c: setattr(c, "external_offset", -513), ValueError),
    ("offset not whole", lambda c: setattr(c, "external_offset", 2.5), TypeError),
    ("no command byte", lambda c: c.transaction(b"", 2), ValueError),
    ("62 data bytes", lambda c: c.transaction(bytes(62), 2), ValueError),
    ("read length 63", lambda c: c.transaction(b"\xf7", 63), ValueError),
    ("read length True", lambda c: c.transaction(b"\xf7", True), TypeError),
    ("write length False", lambda c: c.transaction(b"\xf7", 2, write_length=False), TypeError),
    ("write length 256", lambda c: c.transaction(b"\xf7", 2, write_length=256), ValueError),
    ("rails of chip A", lambda c: c.voltages(), ValueError),
]


def test_refused_input_sends_nothing_and_a_pulled_cable_raises_board_lost():
    # The board allows exactly one more transaction after the scan: every refusal must leave it
    # for the read that follows, and the read after that meets the pulled cable.
    with zr410ab.open_board("sim", scenario=scenario("one-transaction-left")) as board:
        chip = board.chip("A")
        for what, call, error in REFUSED:
            with pytest.raises(error):
                call(chip)
        assert chip.temperatures() == (25.0, 31.0)
        with pytest.raises(zr410ab.BoardLostError) as lost:
            chip.temperatures()
        assert "lost" in lost.value.reason


def test_lost_board_during_a_log_keeps_the_records_written(tmp_path):
    path = tmp_path / "lost.sav"
    with zr410ab.open_board("sim", scenario=scenario("pulled-after-scan")) as board:
        with pytest.raises(zr410ab.BoardLostError):
            board.log(path, "A", interval=0.01, count=10)
    assert zr410ab.read_sav(path).records == 1  # three transactions: one whole record
    events = [json.loads(line) for line in (tmp_path / "lost.sav.events").read_text().splitlines()]
    assert [(e["kind"], e.get("text")) for e in events[-3:]] == [
        ("marker", "Board lost"), ("marker", "Log stopped"), ("stop", None)]
    assert events[-1]["record"] == 1


def test_closed_board():
    board = zr410ab.open_board("sim")
    chip = board.chip("B")
    board.close()
    assert board.closed
    with pytest.raises(zr410ab.ChipNotFoundError, match="closed"):
        chip.temperatures()
    with pytest.raises(zr410ab.ChipNotFoundError, match="closed"):
        with board:
            pass


LOG_REFUSED = [
    ("no record", "x.sav", {"count": 0}, ValueError),
    ("count and duration", "x.sav", {"count": 2, "duration": 1.0}, ValueError),
    ("count True", "x.sav", {"count": True}, TypeError),
    ("NUL in the name", "a\0b.sav", {}, ValueError),
    ("NUL in a bytes name", b"a\0b.sav", {}, ValueError),
    ("empty name", "", {}, ValueError),
    ("a folder", ".", {}, zr410ab.LogWriteError),
    ("a device", "/dev/full", {}, zr410ab.LogWriteError),
]


@pytest.mark.parametrize("what,name,options,error", LOG_REFUSED, ids=[r[0] for r in LOG_REFUSED])
def test_log_arguments_the_tool_refuses(tmp_path, monkeypatch, what, name, options, error):
    monkeypatch.chdir(tmp_path)
    with zr410ab.open_board("sim") as board:
        with pytest.raises(error) as refused:
            board.log(name, "A", interval=0.01, **{"count": 1, **options})
    if error is zr410ab.LogWriteError:
        assert isinstance(refused.value, OSError) and refused.value.reason
    assert os.listdir(tmp_path) == []


def test_undecodable_names_are_the_system_bytes(tmp_path):
    # os.listdir hands such a name out as a str with surrogate escapes: it must name the same file.
    name = bytes(tmp_path) + b"/caf\xe9.sav"
    with zr410ab.open_board("sim") as board:
        board.log(os.fsdecode(name), "A", count=2, interval=0.01)
    assert sorted(os.listdir(bytes(tmp_path))) == [b"caf\xe9.sav", b"caf\xe9.sav.events"]
    assert zr410ab.read_sav(os.fsdecode(name)).records == zr410ab.read_sav(name).records == 2
    with pytest.raises(ValueError, match="null byte"):
        zr410ab.read_sav(bytes(tmp_path) + b"/caf\0.sav")


@pytest.mark.parametrize("options", [
    {"kind": "serial"},
    {"kind": "usb", "scenario": "x.json"},
    {"kind": "sim", "usb_ids": "04b4:8613,04b4:1004"},
    {"kind": "usb", "usb_ids": "04b4"},
    {"kind": "sim", "device": "1-4.2"},
    {"kind": "usb", "device": "port 4"},
])
def test_options_the_program_refuses(options):
    with pytest.raises(ValueError):
        zr410ab.open_board(**options)
