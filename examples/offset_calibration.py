#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""Writes a few external offsets, reads the external temperature back after each, and fits the
slope of reading against offset (a chip applying its offset whole gives 1.00). The chip's
offset is put back afterwards.

    PYTHONPATH=build/python python3 examples/offset_calibration.py --chip A
"""

import argparse
from typing import Sequence, Tuple

import zr410ab


def fit(xs: Sequence[float], ys: Sequence[float]) -> Tuple[float, float]:
    """Least-squares slope and intercept."""
    n = len(xs)
    mx, my = sum(xs) / n, sum(ys) / n
    sxx = sum((x - mx) ** 2 for x in xs)
    slope = sum((x - mx) * (y - my) for x, y in zip(xs, ys)) / sxx
    return slope, my - slope * mx


def main() -> None:
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--board", default="sim", choices=["sim", "usb"])
    parser.add_argument("--scenario", help="scenario file for the simulated board")
    parser.add_argument("--chip", default="A", choices=["A", "B"])
    parser.add_argument("--offsets", default="-8,-4,0,4,8", help="comma-separated whole degrees")
    args = parser.parse_args()
    offsets = [int(text) for text in args.offsets.split(",")]

    with zr410ab.open_board(args.board, scenario=args.scenario) as board:
        chip = board.chip(args.chip)
        original = chip.external_offset
        readings = []
        try:
            for offset in offsets:
                chip.external_offset = offset
                external = chip.temperatures()[1]
                readings.append(external)
                print(f"offset {offset:>4} °C -> external {external:8.2f} °C")
        finally:
            chip.external_offset = original
        slope, intercept = fit(offsets, readings)
        print(f"slope {slope:.3f} °C per °C of offset, external at offset 0: {intercept:.2f} °C")


if __name__ == "__main__":
    main()
