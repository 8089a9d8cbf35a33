#!/bin/sh
# SPDX-License-Identifier: MIT
# make install puts the package where the system's interpreter finds it: install into a scratch
# root, then import it from there and read the simulated board through it.
set -eu
build="$1"
python="$2"
root="$(mktemp -d)"
trap 'rm -rf "$root"' EXIT
DESTDIR="$root" cmake --install "$build" --prefix /usr/local > /dev/null
site="$(find "$root" -type d -name zr410ab -path '*dist-packages*' | head -n 1)"
[ -n "$site" ] || { echo "no zr410ab package under $root"; exit 1; }
cd "$root"
PYTHONPATH="$(dirname "$site")" "$python" -c '
import zr410ab
assert zr410ab.__file__.startswith("'"$root"'"), zr410ab.__file__
with zr410ab.open_board("sim") as board:
    print(board.scan())
'
