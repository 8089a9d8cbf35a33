#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""Reads both chips every second and prints a table, until Ctrl-C.

    PYTHONPATH=build/python python3 examples/temperature_sweep.py            # simulated board
    python3 examples/temperature_sweep.py --board usb                        # after make install
"""

import argparse
import time

import zr410ab


def main() -> None:
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--board", default="sim", choices=["sim", "usb"])
    parser.add_argument("--scenario", help="scenario file for the simulated board")
    parser.add_argument("--interval", type=float, default=1.0, help="seconds between rows")
    parser.add_argument("--rows", type=int, help="stop after this many rows")
    args = parser.parse_args()

    with zr410ab.open_board(args.board, scenario=args.scenario) as board:
        chips = [board.chip(name) for name in board.scan()]
        print("time      " + "".join(f"{c.name + ' int':>14}{c.name + ' ext':>14}" for c in chips))
        rows = 0
        try:
            while args.rows is None or rows < args.rows:
                cells = []
                for chip in chips:
                    cells += [f"{value:>14.2f}" for value in chip.temperatures()]
                print(time.strftime("%H:%M:%S  ") + "".join(cells), flush=True)
                rows += 1
                time.sleep(args.interval)
        except KeyboardInterrupt:
            pass


if __name__ == "__main__":
    main()
