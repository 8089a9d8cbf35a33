#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Installs the way a user would and checks the result from the outside:
#  1. make install with another prefix through DESTDIR: everything lands under the stage;
#  2. the Debian packages of this build tree (zr410ab, zr410ab-tools, python3-zr410ab): what each
#     holds and depends on, then their content unpacked into one folder, from where the programs
#     run;
#  3. the desktop entry, the AppStream metadata and the man pages as installed pass their
#     validators, and the man pages show every command's options;
#  4. as root, dpkg in a scratch root (the system overlaid, so nothing of it changes): the
#     packages in the order a user installs them, then purged; for the /usr prefix also the
#     upgrade from the single zr410ab package of 1.0.2;
#  5. lintian, when installed, on packages for the /usr prefix: no error and no warning.
# Usage: check_package.sh BUILD_DIR PREFIX UDEV_RULES_DIR VERSION [DEB_DIR]
#   DEB_DIR: packages already made from BUILD_DIR (make package); otherwise cpack makes them.
set -euo pipefail
build=$1 prefix=$2 udev_dir=$3 version=$4 deb_dir=${5:-}
here=$(cd "$(dirname "$0")" && pwd)
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
need_file() { [[ -f "$1" ]] || fail "missing ${1#"$scratch"}"; }
cache_value() { sed -n "s/^$1:[A-Z]*=//p" "$build/CMakeCache.txt"; }
python_built=$(cache_value ZR_PYTHON)
python_dir=$(cache_value ZR_PYTHON_INSTALL_DIR)
[[ "$python_built" == ON ]] && python=true || python=false

desktop_files() { # ROOT PREFIX: the desktop files a full install must hold
    local share=$1$2/share
    echo "$share/applications/zr410ab.desktop"
    echo "$share/metainfo/com.example.zr410ab.metainfo.xml"
    echo "$share/icons/hicolor/scalable/apps/zr410ab.svg"
    for size in 16 22 24 32 48 64 128 256; do
        echo "$share/icons/hicolor/${size}x${size}/apps/zr410ab.png"
    done
    echo "$share/man/man1/zr410ab.1.gz"
}

# 1. Another prefix, staged.
stage=$scratch/stage
DESTDIR=$stage cmake --install "$build" --prefix /opt/zr410ab > "$scratch/install.log"
while read -r f; do need_file "$f"; done < <(desktop_files "$stage" /opt/zr410ab)
need_file "$stage/opt/zr410ab/lib/zr410ab/SSTFW.hex"
"$stage/opt/zr410ab/bin/zr410ab-cli" --version > /dev/null || fail "staged zr410ab-cli does not run"

# 2. The packages.
if [[ -z "$deb_dir" ]]; then
    deb_dir=$scratch/out
    cpack --config "$build/CPackConfig.cmake" -B "$deb_dir" > "$scratch/cpack.log" 2>&1 ||
        { cat "$scratch/cpack.log"; exit 1; }
fi
deb_of() { compgen -G "$deb_dir/$1_*.deb" | head -n1 || true; } # none: not built here
desktop_deb=$(deb_of zr410ab) tools_deb=$(deb_of zr410ab-tools) python_deb=$(deb_of python3-zr410ab)
# In the order a user installs them.
debs=("$tools_deb" "$desktop_deb")
if $python; then
    debs=("$tools_deb" "$python_deb" "$desktop_deb")
fi
for deb in "${debs[@]}"; do [[ -f "$deb" ]] || { ls "$deb_dir"; fail "a package is missing"; exit 1; }; done
deb_version=$(dpkg-deb -f "$tools_deb" Version)
field() { dpkg-deb -f "$1" "$2"; }
has_dependency() { # DEB FIELD PATTERN
    grep -Eq "(^|, )$3(,|$)" <<< "$(field "$1" "$2")" || fail "$(field "$1" Package) $2 lacks '$3': $(field "$1" "$2")"
}
for deb in "${debs[@]}"; do
    [[ "$(dpkg-deb -c "$deb" | awk '{ print $6 }' | grep -c "^.$prefix/share/doc/$(field "$deb" Package)/\(copyright\|changelog.Debian.gz\)$")" == 2 ]] ||
        fail "$(field "$deb" Package) lacks its copyright file or its changelog"
done
# Only the tools depend on nothing graphical, and they take over the single package's files.
has_dependency "$desktop_deb" Depends "zr410ab-tools \(= $deb_version\)"
has_dependency "$desktop_deb" Depends "libqt6widgets6 [^,]*"
has_dependency "$desktop_deb" Depends "fonts-dejavu-core [^,]*"
has_dependency "$tools_deb" Depends "libusb-1.0-0 [^,]*"
has_dependency "$tools_deb" Replaces "zr410ab \(<< $deb_version\)"
has_dependency "$tools_deb" Breaks "zr410ab \(<< $deb_version\)"
if grep -q "libqt6gui6\|libqt6widgets6" <<< "$(field "$tools_deb" Depends)"; then
    fail "zr410ab-tools depends on the Qt GUI: $(field "$tools_deb" Depends)"
fi
# Everything the tools pull in, as apt resolves it, lacks the Qt GUI too.
tools_depends=$(field "$tools_deb" Depends | tr ',|' '\n\n' | sed 's/(.*//; s/ //g' | grep .)
# shellcheck disable=SC2086 # one package name a word
pulled=$(apt-cache depends --recurse --no-recommends --no-suggests --no-conflicts --no-breaks \
    --no-replaces --no-enhances $tools_depends 2> /dev/null | grep -v '^ ' | sort -u)
grep -q "^libqt6core6" <<< "$pulled" || fail "apt-cache cannot resolve zr410ab-tools' dependencies"
grep -x "libqt6gui6\|libqt6widgets6" <<< "$pulled" && fail "zr410ab-tools pulls in the Qt GUI"
if $python; then
    has_dependency "$python_deb" Depends "zr410ab-tools \(= $deb_version\)"
    has_dependency "$python_deb" Recommends "python3-numpy"
    has_dependency "$python_deb" Replaces "zr410ab \(<< $deb_version\)"
    # The interpreter range is the one the extension module's name says it was built for.
    abi=$(dpkg-deb -c "$python_deb" | sed -n 's/.*_core\.cpython-\([0-9]\)\([0-9]*\)-.*/\1.\2/p')
    has_dependency "$python_deb" Depends "python3 \(>= $abi~\)"
    has_dependency "$python_deb" Depends "python3 \(<< ${abi%.*}.$((${abi#*.} + 1))\)"
    dpkg-deb -I "$python_deb" postinst | grep -q "py3compile -p python3-zr410ab" ||
        fail "python3-zr410ab's postinst does not compile its byte-code"
    dpkg-deb -I "$python_deb" prerm | grep -q "py3clean -p python3-zr410ab" ||
        fail "python3-zr410ab's prerm does not remove its byte-code"
fi
dpkg-deb -I "$tools_deb" postinst | grep -q "udevadm control --reload-rules" ||
    fail "zr410ab-tools' postinst does not reload the udev rules"

root=$scratch/root
for deb in "${debs[@]}"; do dpkg -x "$deb" "$root"; done
while read -r f; do need_file "$f"; done < <(desktop_files "$root" "$prefix")
for doc in README.md cli.md usb-board.md lab-monitoring.md alarms.md events-file.md zr410ab.json scenarios/cable-pulled.json; do
    need_file "$root$prefix/share/doc/zr410ab-tools/$doc"
done
need_file "$root$prefix/share/man/man1/zr410ab-cli.1.gz"
need_file "$root$udev_dir/70-zr410ab.rules"
need_file "$root$prefix/lib/zr410ab/SSTFW.hex"
# One firmware file among the packages: the module's folder links to the tools' one.
firmware_copies=$(for deb in "${debs[@]}"; do dpkg-deb -c "$deb"; done | grep -c '^-.*/SSTFW\.hex$')
[[ "$firmware_copies" == 1 ]] || fail "$firmware_copies firmware files among the packages"
if $python; then
    need_file "$root$prefix/share/doc/python3-zr410ab/python.md"
    need_file "$root$prefix/share/doc/python3-zr410ab/examples/plot_log.py"
    [[ "$(readlink -f "$root$prefix/$python_dir/zr410ab/SSTFW.hex")" == "$root$prefix/lib/zr410ab/SSTFW.hex" ]] ||
        fail "the module's firmware is not the tools' one"
fi
# The tool links no Qt GUI library.
readelf -d "$root$prefix/lib/zr410ab/zr410ab-cli" | grep -i "NEEDED.*libQt6\(Gui\|Widgets\)" &&
    fail "zr410ab-cli links the Qt GUI"
[[ "$("$root$prefix/bin/zr410ab-cli" --version)" == "zr410ab-cli $version" ]] ||
    fail "zr410ab-cli --version from the package"
"$root$prefix/bin/zr410ab" --help | grep -q "^Usage: zr410ab" || fail "zr410ab --help from the package"
# The firmware file is found beside the installed tool.
"$root$prefix/bin/zr410ab-cli" --board sim scan | grep -q "ZR410A" ||
    fail "zr410ab-cli --board sim scan from the package"

# 3. Validators, on the files as installed.
share=$root$prefix/share
desktop-file-validate "$share/applications/zr410ab.desktop" || fail "desktop-file-validate"
appstreamcli validate --no-net --pedantic "$share/metainfo/com.example.zr410ab.metainfo.xml" ||
    fail "appstreamcli validate"
for program in zr410ab zr410ab-cli; do
    page=$(MANWIDTH=100 man -l -P cat "$share/man/man1/$program.1.gz" 2> "$scratch/man.err")
    [[ ! -s "$scratch/man.err" ]] || { cat "$scratch/man.err"; fail "man -l $program.1 warns"; }
    grep -q -- "--version" <<< "$page" || fail "man page of $program lacks the options"
    grep -q "SEE ALSO" <<< "$page" || fail "man page of $program lacks its own sections"
    [[ $program == zr410ab-cli ]] || continue
    # Every command, and every option a command's help names, is in the page.
    while read -r command; do
        grep -q "^   $command\b" <<< "$page" || fail "the man page lacks the command $command"
        for option in $("$root$prefix/bin/zr410ab-cli" "$command" --help | sed -n '/^Options:/,/^$/s/^  \(--[a-z-]*\).*/\1/p'); do
            sed -n "/^   $command\b/,/^   [a-z]/p" <<< "$page" | grep -q -- "$option" ||
                fail "the man page lacks $command $option"
        done
    done < <("$root$prefix/bin/zr410ab-cli" --help | sed -n '/^Commands:/,/^$/s/^  \([a-z-]*\) .*/\1/p')
done
png_width() { od -An -tu1 -j18 -N2 "$1" | awk '{ print $1 * 256 + $2 }'; }
for size in 16 256; do
    [[ "$(png_width "$share/icons/hicolor/${size}x${size}/apps/zr410ab.png")" == "$size" ]] ||
        fail "the ${size}x${size} icon has another size"
done

# 4. dpkg in a scratch root.
if [[ "$(id -u)" -eq 0 ]] && command -v unshare > /dev/null; then
    "$here/scratch_root.sh" "$prefix" "$version" "${debs[@]}" || fail "installing into a scratch root"
else
    echo "NOTE: not root: the installs into a scratch root are left out"
fi

# 5. lintian.
if [[ "$prefix" == /usr ]] && command -v lintian > /dev/null; then
    lintian --fail-on error,warning --display-info "${debs[@]}" || fail "lintian reports errors or warnings"
else
    echo "NOTE: lintian runs on packages for /usr when installed (make package, CI)"
fi

[[ $failures -eq 0 ]] || exit 1
echo "packages $(cd "$deb_dir" && echo "${debs[@]##*/}"): all checks passed"
