# SPDX-License-Identifier: MIT
"""Numeric code as a lab writes it over the package: mypy --strict must accept it as it stands,
whether or not numpy is installed (the values are typed by what lists and arrays both give)."""

import statistics
from typing import List

import zr410ab


def summary(path: str) -> List[float]:
    log = zr410ab.read_sav(path, partial=True)
    internal = log.values["Internal"]
    offsets = log.values["External Offset"]
    first: float = internal[0]
    return [statistics.mean(internal), max(internal), min(offsets), first, float(len(internal))]


def one_reading() -> float:
    with zr410ab.open_board("sim") as board:
        internal, external = board.chip("A").temperatures()
        board.chip("A").external_offset = -4
        ports = [b["port"] for b in zr410ab.list_boards()]
        return internal - external + len(ports) + len(zr410ab.__version__)
