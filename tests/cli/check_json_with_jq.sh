#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Every read command's --json output goes through jq, and its numbers are JSON numbers.
# Usage: check_json_with_jq.sh ZR410AB_CLI SCENARIO_FOLDER
set -euo pipefail
tool=$1
sim=(--board sim --scenario "$2/two-chips.json")
log=$(mktemp -d)
trap 'rm -rf "$log"' EXIT
unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM

check() { # FILTER COMMAND...
    local filter=$1
    shift
    local out
    out=$("$tool" "${sim[@]}" --json "$@")
    if ! jq -e "$filter" >/dev/null <<<"$out"; then
        echo "FAIL: $* --json gave: $out (filter: $filter)" >&2
        exit 1
    fi
    echo "ok: $*"
}

check '.chips | length == 2 and (.[0].address | type == "number")' scan
check '.vendorId == 4564 and .clientAddress == 72' dib A
check '.internal == 25.12 and .external == 19.25' temps A
check '.internal == -0.1199951' temps B
check '.["12V"] == 12.1 and .Vccp == 1.2' volts
check '.offset == -12' offset A
check '.set == -5' offset A --set -5
check '.fcs | type == "number"' ping B
check '.reply | length == 18' xfer A --write 1 --read 16 F7
check '.records == 2' log B "$log/x.sav" --count 2 --interval 1
check '.tick.requests == 16 and (.tick.medianMs | type == "number")' bench --count 5
# watch: one document per line.
"$tool" "${sim[@]}" --json watch --count 3 --interval 1 | jq -e -s 'length == 3 and .[2].sample == 3' >/dev/null
echo "ok: watch"
