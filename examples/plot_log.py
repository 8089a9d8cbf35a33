#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""Plots every column of a .sav log against the record number (records are 250 ms apart when
the program wrote them). Needs matplotlib (Debian: python3-matplotlib).

    PYTHONPATH=build/python python3 examples/plot_log.py run.sav [--output run.png]
"""

import argparse
import sys

import zr410ab


def main() -> None:
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("log", help="a .sav file")
    parser.add_argument("--output", help="write the plot to this image instead of showing it")
    parser.add_argument("--interval", type=float, default=0.25, help="seconds between records")
    args = parser.parse_args()
    try:
        import matplotlib
        if args.output:
            matplotlib.use("Agg")
        import matplotlib.pyplot as plt
    except ImportError:
        sys.exit("plot_log.py needs matplotlib: sudo apt-get install python3-matplotlib")

    log = zr410ab.read_sav(args.log)
    temperatures = [c for c in log.columns if c not in zr410ab.RAILS]
    rails = [c for c in log.columns if c in zr410ab.RAILS]
    groups = [(temperatures, "°C"), (rails, "V")]
    groups = [(columns, unit) for columns, unit in groups if columns]
    if not groups:
        sys.exit(f"{args.log}: the log has no columns")
    figure, axes = plt.subplots(len(groups), 1, sharex=True, squeeze=False)
    seconds = [i * args.interval for i in range(log.records)]
    for (columns, unit), ax in zip(groups, axes[:, 0]):
        for column in columns:
            ax.plot(seconds, log.values[column], label=column)
        ax.set_ylabel(unit)
        ax.legend()
    axes[-1, 0].set_xlabel("seconds since the start")
    figure.suptitle(f"{log.chip}, started {log.date} {log.time}")
    if args.output:
        figure.savefig(args.output)
    else:
        plt.show()


if __name__ == "__main__":
    main()
