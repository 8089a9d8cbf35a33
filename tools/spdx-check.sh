#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Every C++, Python, CMake and shell file of the tree opens with its licence line:
#   // SPDX-License-Identifier: MIT      (C++, before #pragma once)
#   # SPDX-License-Identifier: MIT       (the others, after the #! line of a script)
# Lists the files that lack it and fails; --fix writes the line into them instead.
# Usage: tools/spdx-check.sh [--fix] [SOURCE_DIR]
set -euo pipefail
fix=false
if [[ "${1:-}" == --fix ]]; then
    fix=true
    shift
fi
cd "${1:-$(dirname "$0")/..}"
licence="SPDX-License-Identifier: MIT"

tree_files() { # the tracked files, or in an unpacked source tree every file outside build trees
    if git rev-parse --is-inside-work-tree > /dev/null 2>&1; then
        git ls-files
    else
        find . -path './build*' -prune -o -path './.git' -prune -o -type f -print | sed 's|^\./||'
    fi
}

comment_of() { # FILE: the comment leader its licence line takes, nothing when none is wanted
    case "$1" in
    *.cpp | *.h | *.h.in) echo "//" ;;
    *.py | *.pyi | *.cmake | CMakeLists.txt | */CMakeLists.txt | *.sh) echo "#" ;;
    *) head -n1 "$1" 2> /dev/null | grep -Eq '^#!.*[/ ](ba)?sh( |$)' && echo "#" ;;
    esac
}

has_licence() { # FILE: the line opens the file, or follows its #! line
    local first
    first=$(head -n1 "$1")
    if [[ "$first" == '#!'* ]]; then
        sed -n 2p "$1" | grep -qF "$licence"
    else
        grep -qF "$licence" <<< "$first"
    fi
}

add_licence() { # FILE LEADER
    local tmp
    tmp=$(mktemp)
    if [[ "$(head -n1 "$1")" == '#!'* ]]; then
        { head -n1 "$1"; echo "$2 $licence"; tail -n +2 "$1"; } > "$tmp"
    else
        { echo "$2 $licence"; cat "$1"; } > "$tmp"
    fi
    cat "$tmp" > "$1" # keeps the file's mode
    rm -f "$tmp"
}

lacking=0
while IFS= read -r file; do
    [[ -f "$file" && ! -L "$file" ]] || continue
    leader=$(comment_of "$file") || true
    [[ -n "$leader" ]] || continue
    has_licence "$file" && continue
    if $fix; then
        add_licence "$file" "$leader"
        echo "added: $file"
    else
        echo "no licence line: $file"
        lacking=$((lacking + 1))
    fi
done < <(tree_files)
if [[ $lacking -gt 0 ]]; then
    echo "$lacking file(s) lack '$licence' (tools/spdx-check.sh --fix adds it)"
    exit 1
fi
