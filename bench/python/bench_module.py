#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""Cost of one Chip.temperatures() call from Python, to hold against the tool's `bench` (the same
transaction from C++). Prints the median and p99 over N calls.

    PYTHONPATH=build/python python3 bench/python/bench_module.py [sim|usb] [N]
    build/usb_emulator_run -- env PYTHONPATH=build/python python3 bench/python/bench_module.py usb
"""

import statistics
import sys
import time

import zr410ab


def main() -> None:
    kind = sys.argv[1] if len(sys.argv) > 1 else "sim"
    calls = int(sys.argv[2]) if len(sys.argv) > 2 else (20000 if kind == "sim" else 200)
    with zr410ab.open_board(kind) as board:
        chip = board.chip("A")
        samples = []
        for _ in range(calls):
            start = time.perf_counter_ns()
            chip.temperatures()
            samples.append(time.perf_counter_ns() - start)
    samples.sort()
    median = statistics.median(samples) / 1000
    p99 = samples[int(len(samples) * 0.99) - 1] / 1000
    print(f"python board={kind} call=temperatures calls={calls} median_us={median:.2f} p99_us={p99:.2f}")


if __name__ == "__main__":
    main()
