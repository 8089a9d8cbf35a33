#!/bin/sh
# SPDX-License-Identifier: MIT
# Writes a help2man include file with a COMMANDS section: every command the tool's --help lists,
# with its own --help (synopsis, description and options), so that the man page shows them all.
# Usage: command_sections.sh TOOL OUTPUT
set -eu
tool=$1
out=$2
roff() { # help text as preformatted roff: backslashes, hyphens and leading dots escaped
    sed -e 's/\\/\\e/g' -e 's/-/\\-/g' -e "s/^\([.']\)/\\\\\&\1/"
}
commands=$("$tool" --help | sed -n '/^Commands:/,/^$/p' | sed -n 's/^  \([a-z][a-z-]*\) .*/\1/p')
[ -n "$commands" ] || { echo "$0: no commands in '$tool --help'" >&2; exit 1; }
{
    echo "[COMMANDS]"
    echo "Each command's options, besides the common ones above."
    for command in $commands; do
        help=$("$tool" "$command" --help)
        synopsis=$(printf '%s\n' "$help" | sed -n '1s/^Usage: [^ ]* //p')
        echo ".SS \"$(printf '%s\n' "$synopsis" | roff)\""
        echo ".nf"
        # The synopsis is the heading; the reminder of the common options closes every help.
        printf '%s\n' "$help" | sed -e '1d' -e '/^Also:/,$d' | roff
        echo ".fi"
    done
} > "$out"
