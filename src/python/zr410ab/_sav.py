# SPDX-License-Identifier: MIT
"""Reading the ``.sav`` log files that the save-data windows, ``zr410ab-cli log`` and
:meth:`zr410ab.Board.log` write, through the program's own reader.

A log is CR LF text: the chip name, ``Date:,<date>,Time:,<time>``, the column header, then one
record per reading.
"""

from __future__ import annotations

from dataclasses import dataclass, field
from typing import Dict, Iterator, List, Optional, Protocol

from . import _core
from ._paths import PathArg, fs_path


class Column(Protocol):
    """A column's readings: a list, or a numpy array when numpy is installed; what both give
    (length, index, iteration), so that numeric code type-checks either way."""

    def __len__(self) -> int: ...
    def __iter__(self) -> Iterator[float]: ...
    def __getitem__(self, index: int) -> float: ...


@dataclass
class SavFile:
    """One log: ``chip`` ("ZR410A" or "ZR410B"), ``date`` and ``time`` as written when it
    started, ``columns`` (the header's names) and ``values`` (column name to its readings: a
    list, or a numpy array when numpy is installed; External Offset holds ints)."""

    chip: str
    date: str
    time: str
    columns: List[str]
    values: Dict[str, Column] = field(default_factory=dict)
    #: Lines after the header; a log with no column still has one (a lone ",") per reading.
    records: int = 0
    #: partial=True only: the first line that is not a whole record, and why; None when every
    #: line after the header is one.
    problem_line: Optional[int] = None
    problem: Optional[str] = None
    #: Seconds from the start of the log for each record: from the log's events file when it is
    #: this log's (exact across skipped ticks and outages), otherwise 0.25 s a record.
    times: List[float] = field(default_factory=list)
    #: The markers of the events file: what the program did while the log ran and the user's
    #: notes, each a dict with ``record`` (the record it came before), ``event`` and ``text``.
    events: List[Dict[str, object]] = field(default_factory=list)
    #: For a log whose columns changed part-way (read with its events file): column name to the
    #: record number of each of its values; empty when every record holds every column.
    records_of: Dict[str, List[int]] = field(default_factory=dict)
    #: Whether an events file of this log was found and used.
    has_events: bool = False

    def stats(
        self, start: Optional[float] = None, end: Optional[float] = None
    ) -> Dict[str, Dict[str, Optional[float]]]:
        """The figures of each column over the records from ``start`` to ``end`` (seconds from
        the start of the log, as ``times`` gives them; either left out for the log's own end),
        as ``zr410ab-cli stats`` gives them: column name to ``count``, ``min``, ``max``,
        ``mean``, ``sd`` (the sample standard deviation), ``pp`` (max - min) and ``minTime``,
        ``maxTime`` (seconds from the start, of the first record holding each). A column with
        no value in the span has count 0 and None for the rest; ``sd`` needs two values."""
        for name, bound in (("start", start), ("end", end)):
            if bound is not None and (
                isinstance(bound, bool) or not isinstance(bound, (int, float)) or not bound >= 0
            ):
                raise ValueError(f"{name} is a number of seconds, at least 0, not {bound!r}")
        return _core.log_stats(self.columns, self.values, self.records_of, self.times, start, end)


def read_sav(path: PathArg, partial: bool = False) -> SavFile:
    """Reads a ``.sav`` log, with its events file (``<path>.events``) when there is one of this
    log: record times, markers, and the columns of records that changed shape part-way. A file
    that is not a log, or that is cut off mid-record, raises ValueError naming the line; with
    ``partial=True`` the records before the first such line are returned instead, with ``problem_line`` and ``problem`` saying where and why the reading
    stopped (a header that is not whole raises all the same). A folder, a named pipe or a device
    raises ValueError before anything is read; a file that cannot be opened raises OSError."""
    if not isinstance(partial, bool):
        raise TypeError(f"partial is True or False, not {partial!r}")
    (chip, date, time, columns, values, records, problem_line, problem, times, events,
     records_of, has_events) = _core.read_sav(fs_path(path), partial)
    try:
        import numpy
    except ImportError:
        pass
    else:
        values = {
            c: numpy.asarray(v, dtype=numpy.int64 if c == "External Offset" else numpy.float64)
            for c, v in values.items()
        }
    return SavFile(chip, date, time, columns, values, records, problem_line, problem, times,
                   events, records_of, has_events)
