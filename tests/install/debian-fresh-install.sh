#!/usr/bin/env bash
# The Debian package on a fresh Debian system of the same release: a minimal
# one that debootstrap makes, where apt-get installs the package and what it
# depends on, the programs answer without a display, man shows the page, and
# a purge with autoremove leaves the file system as it was.
#   debian-fresh-install.sh FOLDER CACHE
# FOLDER holds the package (DebianPackage.cmake). CACHE keeps, between runs,
# the fresh system as debootstrap left it and the packages apt-get fetched;
# each run starts from an untouched copy of that system.
set -euo pipefail
package=$(ls "$1"/morvatix_*.deb)
cache=$2
if [ "$(id -u)" -ne 0 ]; then
    echo "this test needs root, for debootstrap, chroot and mount: run it as root or through sudo"
    exit 1
fi
command -v debootstrap >/dev/null || { echo "debootstrap is missing: install Debian's debootstrap"; exit 1; }
# shellcheck source=/dev/null
suite=$(. /etc/os-release && echo "$VERSION_CODENAME")
mirror=http://deb.debian.org/debian

mkdir -p "$cache/archives/partial"
base="$cache/$suite-minbase.tar"
if [ ! -f "$base" ]; then
    echo "Making a minimal $suite system (once)"
    rm -rf "$cache/making"
    debootstrap --variant=minbase "$suite" "$cache/making" "$mirror" >"$cache/debootstrap.log" 2>&1 || {
        echo "debootstrap failed; see $cache/debootstrap.log"
        exit 1
    }
    rm -rf "$cache/making/var/cache/apt/archives/"*.deb
    tar -C "$cache/making" -cf "$base.part" . && mv "$base.part" "$base"
    rm -rf "$cache/making"
fi

root=$(mktemp -d "$cache/root.XXXXXX")
log="$cache/apt.log"
: >"$log"
cleanup() {
    for mount in "$root/var/cache/apt/archives" "$root/proc"; do
        mountpoint -q "$mount" && umount "$mount"
    done
    rm -rf "$root"
}
trap cleanup EXIT
tar -C "$root" -xf "$base"
mount -t proc proc "$root/proc"
mount --bind "$cache/archives" "$root/var/cache/apt/archives"
cp /etc/resolv.conf "$root/etc/resolv.conf"
in_root() { chroot "$root" env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin LANG=C.UTF-8 DEBIAN_FRONTEND=noninteractive "$@"; }
step() {
    echo "$1"
    shift
    "$@" >>"$log" 2>&1 || { echo "failed; see $log"; exit 1; }
}

step "apt-get update" in_root apt-get update
# man is the system's, not the package's: it comes before the snapshot.
step "apt-get install man-db" in_root apt-get install -y --no-install-recommends man-db
snapshot() {
    (cd "$root" && find . -xdev \( -path ./proc -o -path ./tmp -o -path ./var/cache/apt -o -path ./var/lib/apt \
        -o -path ./var/lib/dpkg -o -path ./var/log -o -path ./var/cache/debconf -o -path ./var/cache/man \) -prune \
        -o -print | sort)
}
snapshot >"$cache/before.txt"

cp "$package" "$root/tmp/"
step "apt-get install ./$(basename "$package")" in_root apt-get install -y "./tmp/$(basename "$package")"
rm "$root/tmp/$(basename "$package")"

status=0
expect() {
    local what=$1 expected=$2
    shift 2
    local got
    got=$(in_root "$@" 2>&1) || true
    if [ "$got" = "$expected" ]; then
        echo "ok: $what"
    else
        echo "FAILED: $what: expected '$expected', got '$got'"
        status=1
    fi
}
version=$(in_root morvatix-cmp --version) || true
case "$version" in
    "Morvatix  Ver "*) echo "ok: morvatix-cmp --version: $version" ;;
    *) echo "FAILED: morvatix-cmp --version says '$version'"; status=1 ;;
esac
expect "morvatix --version, without a display" "$version" morvatix --version
in_root sh -c 'printf a >/tmp/a; printf a >/tmp/b; printf b >/tmp/c'
expect "morvatix-cmp finds identical files" "同一のファイルです" sh -c 'morvatix-cmp /tmp/a /tmp/b | head -n 1'
expect "with status 0" "0" sh -c 'morvatix-cmp /tmp/a /tmp/b >/dev/null; echo $?'
expect "morvatix-cmp finds different files" "1" sh -c 'morvatix-cmp /tmp/a /tmp/c >/dev/null; echo $?'
expect "Help finds Readme.txt beside the program" "yes" sh -c \
    'test -f "$(dirname "$(readlink -f /usr/bin/morvatix)")/Readme.txt" && echo yes'
page=$(in_root env MANPAGER=cat MANWIDTH=80 man morvatix-cmp 2>&1) || true
if grep -q "morvatix-cmp - tell whether two files, or two folder trees" <<<"$page" && grep -q "EXIT STATUS" <<<"$page"; then
    echo "ok: man morvatix-cmp shows the page"
else
    echo "FAILED: man morvatix-cmp shows: $page"
    status=1
fi

step "apt-get purge --autoremove morvatix" in_root apt-get purge -y --autoremove morvatix
snapshot >"$cache/after.txt"
# What the removal leaves that was not there before. The packages it depends
# on leave their own traces (system users, D-Bus's machine id, folders under
# /run), which are theirs; none may be the package's or carry its name.
comm -13 "$cache/before.txt" "$cache/after.txt" >"$cache/left.txt"
dpkg-deb -c "$package" | awk '{ print $6 }' | sed 's|/$||' | sort >"$cache/package.txt"
ours=$(comm -12 "$cache/package.txt" "$cache/left.txt"; grep -i morvatix "$cache/left.txt" || true)
files=$(dpkg-deb -c "$package" | awk '$1 !~ /^d/ { print $6 }' | sort | comm -12 - "$cache/after.txt")
if [ -z "$ours$files" ]; then
    echo "ok: the removal leaves nothing of the package behind"
    [ ! -s "$cache/left.txt" ] || echo "   (its dependencies leave $(wc -l <"$cache/left.txt") paths of their own)"
else
    echo "FAILED: the removal leaves behind:"
    sort -u <<<"$ours"$'\n'"$files" | sed '/^$/d'
    status=1
fi
exit "$status"
