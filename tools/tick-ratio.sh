#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Prints what a tick of the program costs against a bare Qt tick that repaints a small area, from
# the lines tick_bench and floor_bench printed (make bench): the figure the tick's cost is judged
# by, since both move together with the machine's speed.
# Usage: tools/tick-ratio.sh TICK_BENCH_OUTPUT FLOOR_BENCH_OUTPUT
set -euo pipefail
cpu_of() { sed -n "s/^$1.* cpu_ms=\([0-9.]*\).*/\1/p" "$2" | head -n 1; }
tick=$(cpu_of 'tick spacing=real' "$1")
floor=$(cpu_of 'floor kind=qt-repaint spacing=real' "$2")
if [[ -z "$tick" || -z "$floor" ]]; then
    echo "tick-ratio: no real-spacing figures in $1 or $2" >&2
    exit 1
fi
awk -v t="$tick" -v f="$floor" 'BEGIN {
    printf "tick CPU %.3f ms / qt-repaint floor %.3f ms = %.2fx (goal: at most 2.5x)\n", t, f, t / f
}'
