#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Installs the Debian packages of tools/packages.txt, or of the list given, that are missing (sudo
# when not root).
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
list="${1:-$here/packages.txt}"
missing=()
while read -r pkg; do
    [[ -z "$pkg" || "$pkg" == \#* ]] && continue
    if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$pkg")
    fi
done < "$list"
sudo=""
[[ "$(id -u)" -ne 0 ]] && sudo="sudo"
if [[ ${#missing[@]} -gt 0 ]]; then
    echo "Installing: ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    $sudo apt-get -o DPkg::Lock::Timeout=300 update -qq
    $sudo apt-get -o DPkg::Lock::Timeout=300 install -y -qq --no-install-recommends "${missing[@]}"
fi

# The tests format numbers and times on a German bench PC, whose locale a minimal Debian lacks:
# built from the locales package's sources once.
if [[ "$list" == "$here/packages.txt" ]] && command -v localedef > /dev/null &&
    ! locale -a 2> /dev/null | grep -qx "de_DE.utf8"; then
    echo "Generating the de_DE.UTF-8 locale"
    $sudo localedef -i de_DE -c -f UTF-8 de_DE.UTF-8
fi
