#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# dpkg in a scratch root: this system's /usr, /etc and /var under a writable overlay, in a mount
# namespace of its own, so the packages meet the libraries they depend on and nothing of the
# system changes. A fake systemctl stands for a running systemd and notes what it is asked.
#  - the packages one by one, in the order given (the order a user installs them), then purged:
#    nothing of them may stay behind, a user's exporter settings must;
#  - for the /usr prefix, an upgrade from the single zr410ab package of 1.0.2 (a stand-in with its
#    file list and maintainer scripts): every package configured, the files taken over, the
#    settings kept, the running exporters restarted, never stopped.
# Usage (as root): scratch_root.sh PREFIX VERSION DEB...
set -euo pipefail
if [[ -z "${ZR_SCRATCH_NAMESPACE:-}" ]]; then
    ZR_SCRATCH_NAMESPACE=1 exec unshare --mount --propagation private "$0" "$@"
fi
prefix=$1 version=$2
shift 2
debs=("$@")
work=$(mktemp -d /tmp/zr410ab-scratch.XXXXXX)
# --one-file-system: whatever stays mounted (the system's /dev above all) is never emptied.
unmount_all() {
    local dir
    for dir in run tmp dev proc var etc usr; do
        mountpoint -q "$work/root/$dir" && umount -R "$work/root/$dir"
    done
    return 0
}
trap 'unmount_all; rm -rf --one-file-system "$work"' EXIT
root=$work/root
failures=0
fail() { echo "FAIL (scratch root): $*"; failures=$((failures + 1)); }

mkdir -p "$root"
for dir in usr etc var; do
    mkdir -p "$work/upper/$dir" "$work/overlay-work/$dir" "$root/$dir"
    if ! mount -t overlay overlay -o "lowerdir=/$dir,upperdir=$work/upper/$dir,workdir=$work/overlay-work/$dir" \
        "$root/$dir" 2> "$work/mount.err"; then
        echo "NOTE: no overlay file system here ($(cat "$work/mount.err")): scratch-root installs left out"
        exit 0
    fi
done
for link in bin sbin lib lib64 lib32 libx32; do
    target=$(readlink "/$link" 2> /dev/null) && ln -s "$target" "$root/$link"
done
mkdir -p "$root/proc" "$root/dev" "$root/tmp" "$root/run" "$root/root"
mount -t proc proc "$root/proc"
mount --rbind /dev "$root/dev"
mount -t tmpfs tmpfs "$root/tmp"
mount -t tmpfs tmpfs "$root/run"
# Quicker: no man-db index, no policy-rc.d of this system's.
rm -f "$root/var/lib/man-db/auto-update" "$root/usr/sbin/policy-rc.d"
mkdir -p "$root/run/systemd/system" "$root/run/fake"
cat > "$root/run/fake/systemctl" << 'EOF'
#!/bin/sh
echo "systemctl $*" >> /run/systemctl.log
EOF
chmod 755 "$root/run/fake/systemctl"
fake_path=/run/fake:/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin
in_root() { chroot "$root" env -i PATH=$fake_path LC_ALL=C.UTF-8 "$@"; }
for deb in "${debs[@]}"; do cp "$deb" "$root/tmp/"; done
names=()
for deb in "${debs[@]}"; do names+=("$(dpkg-deb -f "$deb" Package)"); done
in_root dpkg --purge zr410ab "${names[@]}" > /dev/null 2>&1 || true

state_of() { in_root dpkg-query -W -f='${db:Status-Abbrev}' "$1" 2> /dev/null | tr -d ' '; }
settings=/etc/zr410ab/exporter-1-4.2.conf
write_settings() {
    mkdir -p "$root/etc/zr410ab"
    echo "ZR_LISTEN=127.0.0.1:9411" > "$root$settings"
}
check_purged() { # WHEN: nothing of the packages left, the user's settings untouched
    local left
    left=$(cd "$work/upper" && find . \( -path ./var/lib/dpkg -o -path ./var/log -o -path ./var/cache \) -prune \
        -o -path '*zr410ab*' -print |
        grep -v "^\./etc/zr410ab\$\|^\./etc/zr410ab/exporter-1-4\.2\.conf\$" || true)
    [[ -z "$left" ]] || fail "$1: left behind: $left"
    [[ "$(cat "$root$settings" 2> /dev/null)" == "ZR_LISTEN=127.0.0.1:9411" ]] ||
        fail "$1: the user's exporter settings are gone or changed"
}

# Fresh installs, one package after another, then purged.
for deb in "${debs[@]}"; do
    name=$(dpkg-deb -f "$deb" Package)
    in_root dpkg -i "/tmp/${deb##*/}" > "$work/dpkg.log" 2>&1 || { cat "$work/dpkg.log"; fail "dpkg -i $name"; }
    [[ "$(state_of "$name")" == ii ]] || fail "$name is not installed: $(state_of "$name")"
    [[ "$name" == zr410ab-tools ]] && write_settings
done
[[ "$(in_root zr410ab-cli --version)" == "zr410ab-cli $version" ]] || fail "zr410ab-cli does not run"
if [[ " ${names[*]} " == *" python3-zr410ab "* ]]; then
    in_root dpkg -L python3-zr410ab | grep -q "__pycache__" && fail "the package ships byte-code"
    # Debian's py3compile compiles the packages in its own Python folders, under /usr.
    [[ "$prefix" != /usr || -n "$(find "$work/upper/usr" -path '*/zr410ab/__pycache__/*.pyc')" ]] ||
        fail "python3-zr410ab was not byte-compiled on install"
    module_dir=$(in_root dpkg -L python3-zr410ab | grep '/zr410ab$' | head -n1)
    in_root env PYTHONPATH="$(dirname "$module_dir")" python3 -c '
import zr410ab
with zr410ab.open_board("sim") as board:
    assert board.scan(), "no chips"' || fail "the installed module does not read the simulated board"
fi
: > "$root/run/systemctl.log"
in_root dpkg --purge "${names[@]}" > "$work/dpkg.log" 2>&1 || { cat "$work/dpkg.log"; fail "dpkg --purge"; }
grep -q "stop zr410ab-exporter@\*.service" "$root/run/systemctl.log" ||
    fail "removing the tools does not stop the exporters"
check_purged "after purge"

# The upgrade from the single package, for the prefix it was built for.
if [[ "$prefix" != /usr ]]; then
    echo "NOTE: the upgrade from the single package of 1.0.2 is checked for the /usr prefix only"
else
    old=$work/old
    mkdir -p "$old/DEBIAN"
    while read -r path; do
        mkdir -p "$old$(dirname "$path")"
        case "$path" in
        /usr/bin/*) ln -s "../lib/zr410ab/${path##*/}" "$old$path" ;;
        *) echo "1.0.2" > "$old$path" ;;
        esac
    done < "$(dirname "$0")/zr410ab-1.0.2.files"
    cat > "$old/DEBIAN/control" << EOF
Package: zr410ab
Version: 1.0.2
Architecture: $(dpkg --print-architecture)
Maintainer: ZR410A_B maintainers <maintainers@example.com>
Section: electronics
Priority: optional
Description: evaluation program for the ZR410A and ZR410B temperature-sensor chips
 A stand-in for the single package of 1.0.2, with its files and maintainer scripts.
EOF
    printf '#!/bin/sh\nset -e\nif [ "$1" = configure ] && [ -d /run/udev ]; then udevadm control --reload-rules || true; fi\n' \
        > "$old/DEBIAN/postinst"
    printf '#!/bin/sh\nset -e\nif [ "$1" = remove ] && [ -d /run/udev ]; then udevadm control --reload-rules || true; fi\n' \
        > "$old/DEBIAN/postrm"
    chmod 755 "$old/DEBIAN/postinst" "$old/DEBIAN/postrm"
    dpkg-deb --root-owner-group -b "$old" "$root/tmp/zr410ab_1.0.2.deb" > /dev/null
    in_root dpkg -i /tmp/zr410ab_1.0.2.deb > "$work/dpkg.log" 2>&1 || { cat "$work/dpkg.log"; fail "dpkg -i zr410ab 1.0.2"; }
    write_settings
    : > "$root/run/systemctl.log"
    # As a user upgrades: apt with every new package.
    files=()
    for deb in "${debs[@]}"; do files+=("/tmp/${deb##*/}"); done
    in_root apt-get install -y --no-install-recommends -o DPkg::Path="$fake_path" "${files[@]}" > "$work/dpkg.log" 2>&1 ||
        { cat "$work/dpkg.log"; fail "the upgrade"; }
    for name in "${names[@]}"; do
        [[ "$(state_of "$name")" == ii ]] || fail "after the upgrade $name is $(state_of "$name")"
    done
    [[ "$(in_root dpkg -S /usr/lib/zr410ab/zr410ab-cli)" == "zr410ab-tools: /usr/lib/zr410ab/zr410ab-cli" ]] ||
        fail "zr410ab-tools did not take over zr410ab-cli"
    [[ "$(in_root zr410ab-cli --version)" == "zr410ab-cli $version" ]] || fail "zr410ab-cli after the upgrade"
    grep -q "stop" "$root/run/systemctl.log" && fail "the upgrade stops the exporters"
    grep -q "try-restart zr410ab-exporter@\*.service" "$root/run/systemctl.log" ||
        fail "the upgrade leaves the exporters on the old tool: $(cat "$root/run/systemctl.log")"
    in_root dpkg --purge "${names[@]}" > "$work/dpkg.log" 2>&1 || { cat "$work/dpkg.log"; fail "dpkg --purge after the upgrade"; }
    check_purged "after the upgrade and purge"
fi
[[ $failures -eq 0 ]] || exit 1
echo "scratch root: the installs in order and the purges passed"
