# SPDX-License-Identifier: MIT
"""read_sav reads every shape of log the writer produces, whoever drove it, and refuses a file
that is not whole, naming the line."""

import pytest
import zr410ab
from conftest import cli, scenario

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
def test_round_trip(tmp_path, writer, chip, columns, names):
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
])
def test_malformed_file_names_its_line(tmp_path, content, line):
    path = tmp_path / "bad.sav"
    path.write_bytes(content)
    with pytest.raises(ValueError, match=f": line {line}: "):
        zr410ab.read_sav(path)
