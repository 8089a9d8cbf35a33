# SPDX-License-Identifier: MIT
"""Reading the ``.sav`` log files that the save-data windows, ``zr410ab-cli log`` and
:meth:`zr410ab.Board.log` write.

A log is CR LF text: the chip name, ``Date:,<date>,Time:,<time>``, the column header, then one
record per reading. Every number has a space in front unless it is negative; ZR410A records end
in ",", ZR410B records put a lone "," between the temperature columns and the rails, and ", "
before each rail.
"""

from __future__ import annotations

import os
import re
from dataclasses import dataclass, field
from typing import Dict, List, Sequence, Union

from . import _core

_NUMBER = re.compile(r"[ -](?:[0-9]+(?:\.[0-9]+)?|\.[0-9]+)")
_DATE_TIME = re.compile(r"Date:,(.*),Time:,(.*)")
_TEMPERATURE_COLUMNS = ("Internal", "External", "External Offset")
_RAIL_COLUMNS = tuple(column for _, column in _core.RAILS)
_CHIPS_WITH_RAILS = {name: has_rails for _, name, has_rails in _core.CHIPS}


@dataclass
class SavFile:
    """One log: ``chip`` ("ZR410A" or "ZR410B"), ``date`` and ``time`` as written when it
    started, ``columns`` (the header's names) and ``values`` (column name to its readings: a
    list, or a numpy array when numpy is installed)."""

    chip: str
    date: str
    time: str
    columns: List[str]
    values: Dict[str, Union[list, "object"]] = field(default_factory=dict)
    #: Lines after the header; a log with no column still has one (a lone ",") per reading.
    records: int = 0


class _Malformed(ValueError):
    def __init__(self, path: str, line: int, problem: str) -> None:
        super().__init__(f"{path}: line {line}: {problem}")
        self.line = line


def _names(tokens: List[str], allowed: Sequence[str], path: str) -> List[str]:
    if any(t not in allowed for t in tokens) or tokens != sorted(tokens, key=allowed.index):
        raise _Malformed(path, 3, f"unknown or misplaced column among {tokens!r}")
    return tokens


def _header(text: str, chip: str, path: str):
    """The temperature columns and the rails of line 3; every name ends in ','."""
    if not _CHIPS_WITH_RAILS[chip] and text == "":
        return [], []
    tokens = text.split(",")
    if tokens[-1] != "":
        raise _Malformed(path, 3, "the column header does not end in ','")
    tokens.pop()
    if not _CHIPS_WITH_RAILS[chip]:
        return _names(tokens, _TEMPERATURE_COLUMNS, path), []
    if "" not in tokens:
        raise _Malformed(path, 3, f"the {chip} header has no ',' between temperatures and rails")
    gap = tokens.index("")
    return (_names(tokens[:gap], _TEMPERATURE_COLUMNS, path),
            _names(tokens[gap + 1:], _RAIL_COLUMNS, path))


def _number(token: str, column: str, path: str, line: int):
    if not _NUMBER.fullmatch(token):
        raise _Malformed(path, line, f"{token!r} is not a number ({column})")
    return int(token) if column == "External Offset" else float(token)


def _record(text: str, temperatures: List[str], rails: List[str], chip: str, path: str, line: int):
    if not _CHIPS_WITH_RAILS[chip]:
        if not text.endswith(","):
            raise _Malformed(path, line, f"a {chip} record ends in ','")
        group, rail_tokens = text[:-1], []
    else:
        # Commas inside the temperature group: one before each column but the internal one.
        commas = len(temperatures) - (1 if temperatures[:1] == ["Internal"] else 0)
        # The record is the temperature group, ",", then ", " and a number per rail.
        tokens = text.split(",")
        if len(tokens) < commas + 2 or tokens[commas + 1] != "":
            raise _Malformed(path, line, "no ',' between the temperatures and the rails")
        group = ",".join(tokens[: commas + 1])
        rail_tokens = tokens[commas + 2:]
        if any(not token.startswith(" ") for token in rail_tokens):
            raise _Malformed(path, line, "a rail value is not preceded by ', '")
        rail_tokens = [token[1:] for token in rail_tokens]
    group_tokens = group.split(",") if group else []
    if temperatures and temperatures[0] != "Internal":
        if group_tokens[:1] != [""]:
            raise _Malformed(path, line, "the record's first value lacks its ','")
        group_tokens = group_tokens[1:]
    if len(group_tokens) != len(temperatures) or len(rail_tokens) != len(rails):
        raise _Malformed(
            path, line,
            f"{len(group_tokens) + len(rail_tokens)} values where the header has "
            f"{len(temperatures) + len(rails)} columns",
        )
    return [_number(t, c, path, line) for t, c in zip(group_tokens + rail_tokens, temperatures + rails)]


def read_sav(path: "os.PathLike[str] | str") -> SavFile:
    """Reads a ``.sav`` log. A file that is not one, or that is cut off mid-record, raises
    ValueError naming the line."""
    name = os.fspath(path)
    with open(name, "rb") as f:
        data = f.read().decode("latin-1")
    lines = data.split("\r\n")
    if lines[-1] != "":
        raise _Malformed(name, len(lines), "cut off: the last line has no line end")
    lines.pop()
    for number, text in enumerate(lines, 1):
        if "\r" in text or "\n" in text:
            raise _Malformed(name, number, "a line ends without CR LF")
    if len(lines) < 3:
        raise _Malformed(name, len(lines) + 1, "the log's three header lines are not all there")
    chip = lines[0]
    if chip not in _CHIPS_WITH_RAILS:
        raise _Malformed(name, 1, f"{chip!r} is no chip name")
    when = _DATE_TIME.fullmatch(lines[1])
    if not when:
        raise _Malformed(name, 2, "expected 'Date:,<date>,Time:,<time>'")
    temperatures, rails = _header(lines[2], chip, name)
    columns = temperatures + rails
    values: Dict[str, list] = {column: [] for column in columns}
    for number, text in enumerate(lines[3:], 4):
        for column, value in zip(columns, _record(text, temperatures, rails, chip, name, number)):
            values[column].append(value)
    try:
        import numpy
    except ImportError:
        pass
    else:
        values = {c: numpy.asarray(v, dtype=numpy.int64 if c == "External Offset" else numpy.float64)
                  for c, v in values.items()}
    return SavFile(chip, when.group(1), when.group(2), columns, values, len(lines) - 3)
