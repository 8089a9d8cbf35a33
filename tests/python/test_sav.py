# SPDX-License-Identifier: MIT
"""read_sav reads every shape of log the writer produces, whoever drove it, and refuses a file
that is not whole, naming the line."""

import faulthandler
import os
import re
import sys

import pytest
import zr410ab
from conftest import cli, scenario


@pytest.fixture(params=["lists", "numpy"])
def values_as(request, monkeypatch):
    """read_sav with numpy hidden (lists) and, where installed, with it (arrays)."""
    if request.param == "numpy":
        pytest.importorskip("numpy")
    else:
        monkeypatch.setitem(sys.modules, "numpy", None)
    return request.param

# two-chips: A 25.12 / 19.25 with offset -12; B -0.12 (in single precision, -0.1199951) / 40.25
# and 12.1, 5.02, 3.3, 2.5, 1.2 V.
READINGS = {
    "A": {"Internal": 25.12, "External": 19.25, "External Offset": -12},
    "B": {"Internal": -0.1199951, "External": 40.25, "External Offset": 0, "12V": 12.1, "5V": 5.02,
          "Vcc": 3.3, "2.5V": 2.5, "Vccp": 1.2},
}
COLUMN_SETS = [
    ("A", "internal,external", ["Internal", "External"]),
    ("A", "external", ["External"]),
    ("A", "offset", ["External Offset"]),
    ("A", "", []),
    ("B", "internal,external,offset,12v,5v,vcc,2.5v,vccp",
     ["Internal", "External", "External Offset", "12V", "5V", "Vcc", "2.5V", "Vccp"]),
    ("B", "external,vccp", ["External", "Vccp"]),
    ("B", "12v", ["12V"]),
    ("B", "", []),
]


@pytest.mark.parametrize("writer", ["tool", "python"])
@pytest.mark.parametrize("chip,columns,names", COLUMN_SETS)
def test_round_trip(tmp_path, values_as, writer, chip, columns, names):
    path = tmp_path / "log.sav"
    if writer == "tool":
        run = cli("--board", "sim", "--scenario", scenario("two-chips"), "log", chip, str(path),
                  "--columns", columns, "--count", "3", "--interval", "10")
        assert run.returncode == 0, run.stderr
    else:
        with zr410ab.open_board("sim", scenario=scenario("two-chips")) as board:
            board.log(path, chip, columns=[c for c in columns.split(",") if c], count=3,
                      interval=0.01)
    log = zr410ab.read_sav(path)
    assert (log.chip, log.columns, log.records) == ("ZR410" + chip, names, 3)
    for name in names:
        assert list(log.values[name]) == [READINGS[chip][name]] * 3
        # The offset is whole degrees: an int, not a float that merely compares equal.
        kind = int if name == "External Offset" else float
        if values_as == "numpy":
            assert log.values[name].dtype.kind == ("i" if kind is int else "f")
        else:
            assert {type(v) for v in log.values[name]} == {kind}


HEADER_B = b"ZR410B\r\nDate:,7/12/2026,Time:,18:20:00\r\n"
WORKED = [
    # The format's own examples, byte for byte.
    (HEADER_B + b"Internal,External,External Offset,,12V,5V,Vcc,2.5V,Vccp,\r\n"
     b" 25.25, 31.5, 0,,  12.1,  5.02,  3.3,  2.5,  1.2\r\n",
     {"Internal": 25.25, "External": 31.5, "External Offset": 0, "12V": 12.1, "Vccp": 1.2}),
    (b"ZR410A\r\nDate:,7/12/2026,Time:,18:20:00\r\nInternal,External,\r\n 25.25,-3.5,\r\n",
     {"Internal": 25.25, "External": -3.5}),
    (b"ZR410A\r\nDate:,d,Time:,t\r\nExternal,\r\n, 31.5,\r\n", {"External": 31.5}),
    (HEADER_B + b",12V,\r\n,,  12.1\r\n", {"12V": 12.1}),
    (HEADER_B + b"Internal,,\r\n-.25,\r\n .5,\r\n", {"Internal": -0.25}),
    (HEADER_B + b",\r\n,\r\n,\r\n", {}),
    (b"ZR410A\r\nDate:,d,Time:,t\r\n\r\n,\r\n", {}),
]


@pytest.mark.parametrize("content,first", WORKED)
def test_written_examples(tmp_path, content, first):
    path = tmp_path / "x.sav"
    path.write_bytes(content)
    log = zr410ab.read_sav(path)
    assert {name: log.values[name][0] for name in first} == first
    assert log.records == content.count(b"\r\n") - 3


@pytest.mark.parametrize("content,line", [
    (HEADER_B + b"Internal,External,,12V,\r\n 25.25, 31.5,,  12.1\r\n 25.25, 31", 5),
    (HEADER_B + b"Internal,External,,12V,\r\n 25.25, 31.5,,  12.1", 4),
    (b"ZR410A\r\nDate:,d,Time:,t\r\n", 3),
    (b"ZR410C\r\nDate:,d,Time:,t\r\n\r\n", 1),
    (b"ZR410A\r\nWhen:,d\r\n\r\n", 2),
    (b"ZR410A\r\nDate:,d,Time:,t\r\nInternal,Bogus,\r\n", 3),
    (HEADER_B + b"Internal,External,\r\n", 3),
    (b"ZR410A\r\nDate:,d,Time:,t\r\nInternal,\r\n 25.25,\r\n 25.25, 3,\r\n", 5),
    (b"ZR410A\r\nDate:,d,Time:,t\r\nInternal,\r\n 25,25,\r\n", 4),
    (b"ZR410A\r\nDate:,d,Time:,t\r\nInternal,\r\n25.5,\r\n", 4),
    (HEADER_B + b"12V,,\r\n", 3),
    (b"ZR410A\r\nDate:,d,Time:,t\r\nInternal,Internal,\r\n", 3),
    (HEADER_B + b",12V,12V,\r\n", 3),
    (b"ZR410A\r\nDate:,d,Time:,t\r\nExternal Offset,\r\n, 1,\r\n, 1.5,\r\n", 5),
    (b"ZR410A\r\nDate:,d,Time:,t\r\nInternal,\r\n 1,\r\n 2,\n 3,\r\n", 5),
    (b"ZR410A\r\nDate:,d,Time:,t\r\nInternal,\r\n 1\r,\r\n", 4),
    (b"ZR410A\nDate:,d,Time:,t\nInternal,\n", 1),
])
def test_malformed_file_names_its_line(tmp_path, content, line):
    path = tmp_path / "bad.sav"
    path.write_bytes(content)
    with pytest.raises(ValueError, match=f": line {line}: "):
        zr410ab.read_sav(path)


@pytest.mark.parametrize("content,line,reason", [
    (b"ZR410A\r\nDate:,d,Time:,t\r\nInternal,\r\n 1,\r\n 2,\n 3,\r\n", 5,
     "LF line end where the log has CR LF"),
    (b"ZR410A\r\nDate:,d,Time:,t\r\nExternal Offset,\r\n, 1,\r\n, 1.5,\r\n", 5,
     "' 1.5' is not a whole number (External Offset)"),
    (b"ZR410A\r\nDate:,d,Time:,t\r\nInternal,Internal,\r\n", 3, "repeated column 'Internal'"),
])
def test_errors_say_why(tmp_path, content, line, reason):
    path = tmp_path / "bad.sav"
    path.write_bytes(content)
    with pytest.raises(ValueError) as refused:
        zr410ab.read_sav(path)
    assert str(refused.value) == f"{path}: line {line}: {reason}"


@pytest.mark.parametrize("content,records,problem_line", [
    (HEADER_B + b"Internal,,\r\n 1,\r\n 2,\r\n 3", 2, 6),              # cut off mid-record
    (HEADER_B + b"Internal,,\r\n 1,\r\n 2,\r\n", 2, None),             # whole
    (HEADER_B + b"Internal,,\r\n 1,\r\n x,\r\n 3,\r\n", 1, 5),      # stops at the first bad
    (HEADER_B + b"Internal,,\r\n 1,\n", 0, 4),                          # LF only
])
def test_partial_returns_the_whole_records(tmp_path, content, records, problem_line):
    path = tmp_path / "growing.sav"
    path.write_bytes(content)
    log = zr410ab.read_sav(path, partial=True)
    assert (log.records, len(log.values["Internal"]), log.problem_line) == (
        records, records, problem_line)
    assert list(log.values["Internal"]) == [1.0, 2.0][:records]
    assert (log.problem is None) == (problem_line is None)
    if problem_line is not None:
        with pytest.raises(ValueError, match=re.escape(f": line {problem_line}: {log.problem}")):
            zr410ab.read_sav(path)


def test_partial_still_needs_the_header(tmp_path):
    path = tmp_path / "x.sav"
    path.write_bytes(b"ZR410A\r\nDate:,d")
    with pytest.raises(ValueError, match=": line 2: cut off"):
        zr410ab.read_sav(path, partial=True)


@pytest.mark.parametrize("kind", ["folder", "named pipe", "device"])
def test_only_plain_files_are_read(tmp_path, kind):
    # Before, a named pipe blocked for good and /dev/zero read until memory ran out.
    path = {"folder": tmp_path, "named pipe": tmp_path / "fifo", "device": "/dev/zero"}[kind]
    if kind == "named pipe":
        os.mkfifo(path)
    faulthandler.dump_traceback_later(30, exit=True, file=sys.__stderr__)
    try:
        with pytest.raises(ValueError, match=f"{path}: not a log: a {kind}, not a plain file"):
            zr410ab.read_sav(path)
    finally:
        faulthandler.cancel_dump_traceback_later()
    with pytest.raises(FileNotFoundError):
        zr410ab.read_sav(tmp_path / "absent.sav")
