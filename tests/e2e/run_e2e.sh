#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The end-to-end suite against a build: a private D-Bus session (so the accessibility bus is this
# run's own), a virtual X display, and pytest over AT-SPI.
# Usage: run_e2e.sh BUILD_DIR [pytest arguments]
# Exits 77 (CTest: skipped) when a piece is missing, unless ZR_REQUIRE_E2E=1 (CI), where a missing
# piece is a failure.
set -uo pipefail
build=$(cd "$1" && pwd)
shift
here=$(cd "$(dirname "$0")" && pwd)
python=/usr/bin/python3

missing=()
command -v Xvfb > /dev/null || missing+=(xvfb)
command -v dbus-run-session > /dev/null || missing+=(dbus)
command -v xdotool > /dev/null || missing+=(xdotool)
[[ -x /usr/libexec/at-spi-bus-launcher ]] || missing+=(at-spi2-core)
"$python" -c 'import gi; gi.require_version("Atspi", "2.0"); from gi.repository import Atspi' \
    2> /dev/null || missing+=(python3-gi gir1.2-atspi-2.0)
"$python" -c 'import pytest' 2> /dev/null || missing+=(python3-pytest)
if [[ ${#missing[@]} -gt 0 ]]; then
    echo "end-to-end suite: missing ${missing[*]} (tools/packages.txt lists them)"
    [[ "${ZR_REQUIRE_E2E:-0}" == 1 ]] && exit 1
    exit 77
fi

export ZR_BUILD_DIR=$build
export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
# Leaks are the unit tests' business; here a leak report would only change exit statuses.
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0"
unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM
# The accessibility bus puts its socket in the runtime folder: a folder of this run's own keeps
# runs that overlap (other checkouts, other users of the machine) off each other's bus.
XDG_RUNTIME_DIR=$(mktemp -d /tmp/zr410ab-e2e.XXXXXX)
export XDG_RUNTIME_DIR
# Xvfb picks a free display itself (-displayfd), so runs that start together cannot collide.
Xvfb -displayfd 5 -screen 0 1280x1024x24 -nolisten tcp 5> "$XDG_RUNTIME_DIR/display" \
    2> "$XDG_RUNTIME_DIR/xvfb.log" &
xvfb=$!
trap 'kill $xvfb 2> /dev/null; wait $xvfb 2> /dev/null; rm -rf "$XDG_RUNTIME_DIR"' EXIT
for _ in $(seq 100); do
    [[ -s "$XDG_RUNTIME_DIR/display" ]] && break
    sleep 0.1
done
if [[ ! -s "$XDG_RUNTIME_DIR/display" ]]; then
    echo "end-to-end suite: Xvfb did not start"
    cat "$XDG_RUNTIME_DIR/xvfb.log"
    exit 1
fi
export DISPLAY=":$(head -1 "$XDG_RUNTIME_DIR/display")"
dbus-run-session -- "$python" -m pytest -q -p no:cacheprovider "$here" "$@"
status=$?
# pytest says 5 when it collected nothing: a suite that lost its tests has failed.
if [[ $status -eq 5 ]]; then
    echo "end-to-end suite: no tests were collected"
    exit 1
fi
exit $status
