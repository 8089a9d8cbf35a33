#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Runs every fuzz target of BUILD_DIR for SECONDS each, seeded from the project's own test inputs,
# and prints one line of figures per target. A crash, a leak, a sanitizer report or a broken
# property stops with the failing input saved under BUILD_DIR/fuzz-findings/TARGET/.
# Usage: tools/run-fuzz.sh BUILD_DIR SECONDS
set -uo pipefail
build=$(realpath "${1:?build folder}") # absolute: a target may change its working folder
seconds=${2:?seconds per target}
src=$(cd "$(dirname "$0")/.." && pwd)
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:allocator_may_return_null=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export LSAN_OPTIONS="suppressions=$src/tools/lsan.supp:print_suppressions=0"
export QT_QPA_PLATFORM=offscreen LC_ALL=C.UTF-8

# target | dictionary | seed folders beside its own checked-in seeds
targets=(
    "fuzz_scenario|scenario.dict|$src/scenarios $src/tests/cli/scenarios $src/tests/shell/data"
    "fuzz_intel_hex|intel_hex.dict|$src/firmware $src/tests/board/usb/data"
    "fuzz_sst_io||"
    "fuzz_text_rules||"
    "fuzz_cli|cli.dict|"
    "fuzz_sst_decoders||"
    "fuzz_sav_reader|sav.dict|"
)
failed=0
printf '%-18s %10s %8s %8s %s\n' target runs exec/s corpus findings
for entry in "${targets[@]}"; do
    IFS='|' read -r name dict seeds <<<"$entry"
    corpus=$build/fuzz-corpus/$name
    findings=$build/fuzz-findings/$name
    rm -rf "$findings" # the findings of this run only
    mkdir -p "$corpus" "$findings"
    args=(-max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=4096
          -print_final_stats=1 -artifact_prefix="$findings/")
    [ -n "$dict" ] && args+=(-dict="$src/fuzz/$dict")
    seedDirs=()
    [ -d "$src/fuzz/seeds/$name" ] && seedDirs+=("$src/fuzz/seeds/$name")
    for d in $seeds; do [ -d "$d" ] && seedDirs+=("$d"); done
    log=$build/fuzz-$name.log
    "$build/$name" "${args[@]}" "$corpus" "${seedDirs[@]}" >"$log" 2>&1
    status=$?
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
    speed=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -1)
    found=$(find "$findings" -type f | wc -l)
    printf '%-18s %10s %8s %8s %s\n' "$name" "${runs:-?}" "${speed:-?}" \
        "$(find "$corpus" -type f | wc -l)" "$found"
    if [ "$status" -ne 0 ] || [ "$found" -ne 0 ]; then
        failed=1
        echo "$name failed (status $status); see $log and $findings/" >&2
        grep -m5 -E 'ERROR|runtime error|property broken|SUMMARY' "$log" >&2
    fi
done
exit $failed
