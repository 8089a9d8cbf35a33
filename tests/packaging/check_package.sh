#!/usr/bin/env bash
# Installs the way a user would and checks the result from the outside:
#  1. make install with another prefix through DESTDIR: everything lands under the stage;
#  2. the Debian package of this build tree: its dependencies and maintainer scripts, then its
#     content unpacked into a scratch root, from where both programs run;
#  3. the desktop entry, the AppStream metadata and the man pages as installed pass their
#     validators.
# Usage: check_package.sh BUILD_DIR PREFIX UDEV_RULES_DIR VERSION
set -euo pipefail
build=$1 prefix=$2 udev_dir=$3 version=$4
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
need_file() { [[ -f "$1" ]] || fail "missing ${1#"$scratch"}"; }

desktop_files() { # ROOT PREFIX: the desktop files a full install must hold
    local share=$1$2/share
    echo "$share/applications/zr410ab.desktop"
    echo "$share/metainfo/com.example.zr410ab.metainfo.xml"
    echo "$share/icons/hicolor/scalable/apps/zr410ab.svg"
    for size in 16 22 24 32 48 64 128 256; do
        echo "$share/icons/hicolor/${size}x${size}/apps/zr410ab.png"
    done
    echo "$share/man/man1/zr410ab.1"
    echo "$share/man/man1/zr410ab-cli.1"
}

# 1. Another prefix, staged.
stage=$scratch/stage
DESTDIR=$stage cmake --install "$build" --prefix /opt/zr410ab > "$scratch/install.log"
while read -r f; do need_file "$f"; done < <(desktop_files "$stage" /opt/zr410ab)
need_file "$stage/opt/zr410ab/lib/zr410ab/SSTFW.hex"
"$stage/opt/zr410ab/bin/zr410ab-cli" --version > /dev/null || fail "staged zr410ab-cli does not run"

# 2. The package.
cpack --config "$build/CPackConfig.cmake" -B "$scratch/out" > "$scratch/cpack.log" 2>&1 ||
    { cat "$scratch/cpack.log"; exit 1; }
deb=$(echo "$scratch"/out/*.deb)
depends=$(dpkg-deb -f "$deb" Depends)
for dependency in libqt6widgets6 libusb-1.0-0 libc6 fonts-dejavu-core; do
    grep -q "$dependency" <<< "$depends" || fail "Depends lacks $dependency: $depends"
done
dpkg-deb -I "$deb" postinst | grep -q "udevadm control --reload-rules" ||
    fail "postinst does not reload the udev rules"
root=$scratch/root
dpkg -x "$deb" "$root"
while read -r f; do need_file "$f"; done < <(desktop_files "$root" "$prefix")
need_file "$root$udev_dir/70-zr410ab.rules"
need_file "$root$prefix/lib/zr410ab/SSTFW.hex"
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
    page=$(MANWIDTH=100 man -l -P cat "$share/man/man1/$program.1" 2> "$scratch/man.err")
    [[ ! -s "$scratch/man.err" ]] || { cat "$scratch/man.err"; fail "man -l $program.1 warns"; }
    grep -q -- "--version" <<< "$page" || fail "man page of $program lacks the options"
    grep -q "SEE ALSO" <<< "$page" || fail "man page of $program lacks its own sections"
done
png_width() { od -An -tu1 -j18 -N2 "$1" | awk '{ print $1 * 256 + $2 }'; }
for size in 16 256; do
    [[ "$(png_width "$share/icons/hicolor/${size}x${size}/apps/zr410ab.png")" == "$size" ]] ||
        fail "the ${size}x${size} icon has another size"
done

[[ $failures -eq 0 ]] || exit 1
echo "package $(basename "$deb"): all checks passed"
