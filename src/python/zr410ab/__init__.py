# SPDX-License-Identifier: MIT
"""Scripted access to the ZR410A and ZR410B temperature-sensor chips.

The same board link, SST routines, input rules and log writer as the ZR410A_B program and
``zr410ab-cli``: a script reads the numbers the windows show and writes the files they write.

    import zr410ab
    with zr410ab.open_board("sim") as board:
        internal, external = board.chip("A").temperatures()
"""

from __future__ import annotations

import os
from typing import Dict, Iterable, List, Optional, Tuple

from . import _core
from ._core import (
    BoardLostError,
    BoardNotFoundError,
    ChipNotFoundError,
    FailedReadError,
    LogWriteError,
    Zr410abError,
)
from ._paths import PathArg, fs_path
from ._sav import Column, SavFile, read_sav

#: The program's version, as ``zr410ab-cli --version`` prints it.
__version__: str = _core.VERSION

__all__ = [
    "Board",
    "CHIPS",
    "BoardLostError",
    "BoardNotFoundError",
    "Chip",
    "ChipNotFoundError",
    "Column",
    "FailedReadError",
    "LogWriteError",
    "RAILS",
    "SavFile",
    "Zr410abError",
    "list_boards",
    "open_board",
    "read_sav",
]

#: The supply rails of ZR410B, in the order of the voltage graph and the log columns.
RAILS: Tuple[str, ...] = tuple(name for name, _ in _core.RAILS)

#: Chip letter to chip name: {"A": "ZR410A", "B": "ZR410B"}.
CHIPS: Dict[str, str] = {letter: name for letter, name, _ in _core.CHIPS}
_HAS_RAILS = {letter: has_rails for letter, _, has_rails in _core.CHIPS}

#: The columns a save-data window logs when it opens.
DEFAULT_COLUMNS = {
    letter: ("internal", "external") + (RAILS if _HAS_RAILS[letter] else ()) for letter in CHIPS
}

_FIRMWARE_FOLDER = os.path.dirname(os.path.abspath(__file__))


def _whole(name: str, value: object) -> int:
    """An int that is not a bool: True is no count or length."""
    if isinstance(value, bool) or not isinstance(value, int):
        raise TypeError(f"{name} is a whole number, not {value!r}")
    return value


def _chip_letter(chip: str) -> str:
    """"A", "a" or "ZR410A" -> "A"."""
    for letter, name in CHIPS.items():
        if chip in (letter, letter.lower(), name):
            return letter
    raise ValueError(f"unknown chip {chip!r} (use one of {', '.join(CHIPS)})")


class Chip:
    """One chip found by the scan. Get it with :meth:`Board.chip`."""

    def __init__(self, board: "Board", letter: str) -> None:
        self._board = board
        self._letter = letter

    @property
    def name(self) -> str:
        """"ZR410A" or "ZR410B"."""
        return CHIPS[self._letter]

    @property
    def address(self) -> int:
        """The SST address the scan found the chip at (64 to 95)."""
        address = self._board._handle.address(self._letter)
        if address is None:
            raise ChipNotFoundError(f"{self.name} is no longer on the board")
        return address

    def dib(self) -> Dict[str, int]:
        """The Device Identifier Block as named fields."""
        return self._board._handle.dib(self._letter)

    def temperatures(self) -> Tuple[float, float]:
        """(internal, external) in degrees Celsius, as the windows show them."""
        return self._board._handle.temperatures(self._letter)

    def voltages(self) -> Dict[str, float]:
        """Rail name to volts (ZR410B only; ZR410A raises ValueError)."""
        return dict(zip(RAILS, self._board._handle.voltages(self._letter)))

    @property
    def external_offset(self) -> int:
        """The external-temperature offset in whole degrees. Assigning writes it to the chip;
        a value outside -512..1023 raises ValueError and nothing is sent."""
        return self._board._handle.external_offset(self._letter)

    @external_offset.setter
    def external_offset(self, value: int) -> None:
        if isinstance(value, bool) or not isinstance(value, int):
            raise TypeError(f"the external offset is a whole number of degrees, not {value!r}")
        if not -512 <= value <= 1023:
            raise ValueError(
                f"External Offset {value} is out of range; allowed are -512 to 1023."
            )
        self._board._handle.set_external_offset(self._letter, value)

    def ping(self) -> int:
        """Pings the chip; returns its response status byte."""
        return self._board._handle.ping(self._letter)

    def transaction(
        self, write: bytes, read_length: int, write_length: Optional[int] = None
    ) -> bytes:
        """Any SST transaction, as the General SST IO panel sends it.

        ``write`` holds the command byte and the data bytes (1 to 61; only the first four travel
        in the 7-byte request frame). ``write_length`` defaults to ``len(write)`` (0..255),
        ``read_length`` is 0..62. Returns the ``read_length + 2`` reply bytes. Input beyond those
        limits raises ValueError and nothing is sent.
        """
        data = bytes(write)
        if write_length is None:
            write_length = len(data)
        return self._board._handle.transaction(
            self._letter,
            data,
            _whole("read_length", read_length),
            _whole("write_length", write_length),
        )

    def __repr__(self) -> str:
        return f"<zr410ab.Chip {self.name}>"


class Board:
    """An evaluation board, brought up as the program does. Use :func:`open_board`.

    A context manager: leaving the ``with`` block releases the board (its USB interface).
    Calls from several threads are taken one at a time; board I/O releases the interpreter
    lock, so other threads stay live while a call waits on the board.
    """

    def __init__(self, handle: "_core.BoardHandle") -> None:
        self._handle = handle

    def scan(self) -> Dict[str, int]:
        """Probes SST addresses 64 to 95 again; returns chip name to address for every chip
        that answered, e.g. ``{"ZR410A": 72, "ZR410B": 76}``."""
        return self._handle.scan()

    def chip(self, chip: str) -> Chip:
        """"A" or "B" (or "ZR410A", "ZR410B"). Raises ChipNotFoundError when the scan did not
        find that chip."""
        letter = _chip_letter(chip)
        if self._handle.address(letter) is None:
            raise ChipNotFoundError(
                f"{CHIPS[letter]} did not answer at SST addresses 64 to 95."
                if not self.closed
                else "the board is closed"
            )
        return Chip(self, letter)

    def log(
        self,
        path: PathArg,
        chip: str,
        columns: Optional[Iterable[str]] = None,
        interval: float = 0.25,
        count: Optional[int] = None,
        duration: Optional[float] = None,
    ) -> Dict[str, int]:
        """Writes a ``.sav`` log through the program's writer, one record every ``interval``
        seconds, until ``count`` records are written, ``duration`` seconds have passed, or
        Ctrl-C (the file is closed with every record kept, then KeyboardInterrupt is raised).

        ``columns``: "internal", "external", "offset" and, on ZR410B, the rail names, in any
        case; the default is what a save-data window starts with. A failed reading leaves no
        record and the log goes on. Returns ``{"records": n, "failed_readings": m}``.
        ``count`` (1 or more) and ``duration`` exclude each other, as on the tool's command line.
        A file that cannot be created or written raises LogWriteError.
        """
        letter = _chip_letter(chip)
        names = list(DEFAULT_COLUMNS[letter] if columns is None else columns)
        if not 0.01 <= interval <= 86400:
            raise ValueError(f"interval {interval} s is out of range; allowed are 0.01 to 86400")
        if count is not None and _whole("count", count) < 1:
            raise ValueError(f"count {count} is out of range; a log writes at least one record")
        if duration is not None and not 0 <= duration <= 366 * 86400:
            raise ValueError(f"duration {duration} s is out of range")
        if count is not None and duration is not None:
            raise ValueError("count and duration exclude each other")
        name = fs_path(path)
        self.chip(letter)
        return self._handle.log(name, letter, names, interval, count, duration)

    def close(self) -> None:
        """Releases the board; later calls raise ChipNotFoundError."""
        self._handle.close()

    @property
    def closed(self) -> bool:
        return self._handle.closed

    def __enter__(self) -> "Board":
        if self.closed:
            raise ChipNotFoundError("the board is closed")
        return self

    def __exit__(self, *exc_info: object) -> None:
        self.close()

    def __repr__(self) -> str:
        return f"<zr410ab.Board {'closed' if self.closed else 'open'}>"


def list_boards(usb_ids: Optional[str] = None) -> List[Dict[str, str]]:
    """The evaluation boards attached over USB, as ``zr410ab-cli boards --json`` lists them: one
    dict per board with ``port`` (the port path ``open_board(device=...)`` takes), ``usbId``
    ("04B4:1004"), ``state`` ("running" its firmware or "waiting" for it) and, when the board
    has one, ``serial``. An empty list when none is attached; BoardNotFoundError when USB
    cannot be used."""
    return _core.list_boards(usb_ids or "")


def open_board(
    kind: str = "sim",
    scenario: "Optional[os.PathLike[str] | str]" = None,
    usb_ids: Optional[str] = None,
    device: Optional[str] = None,
    firmware_folder: "Optional[os.PathLike[str] | str]" = None,
) -> Board:
    """Brings up a board as the program does: loads the firmware, then scans 64 to 95.

    ``kind``: "sim" (the simulated board, optionally fixed by a ``scenario`` JSON file) or
    "usb" (the evaluation board; ``usb_ids`` "VID:PID,VID:PID" overrides the ids, ``device``
    picks one board by its USB port path such as "1-4.2", as ``zr410ab-cli boards`` lists them;
    needed when several boards are attached). Options that do not fit raise ValueError, as the
    program's command line refuses them; a board that cannot be brought up raises
    BoardNotFoundError with the reason.
    """
    handle = _core.BoardHandle(
        kind,
        "" if scenario is None else os.fspath(scenario),
        usb_ids or "",
        device or "",
        _FIRMWARE_FOLDER if firmware_folder is None else os.fspath(firmware_folder),
    )
    return Board(handle)
