#!/usr/bin/env bash
# Debian's own tools judge the package: lintian with no error and no warning
# (the overrides it carries say why), appstreamcli and desktop-file-validate
# on the metainfo and the desktop entry inside it, and what Help and the
# command line need: Readme.txt beside the program, the command a link to it.
#   debian-checks.sh FOLDER   (where DebianPackage.cmake put the package)
set -euo pipefail
for tool in lintian:lintian appstreamcli:appstream desktop-file-validate:desktop-file-utils dpkg-deb:dpkg; do
    command -v "${tool%%:*}" >/dev/null || { echo "${tool%%:*} is missing: install Debian's ${tool#*:}"; exit 1; }
done
package=$(ls "$1"/morvatix_*.deb)
status=0
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

echo "lintian $(basename "$package"):"
# Information tags are shown but do not fail the package. lintian leaves
# files in its temporary folder (mldbm-elf-*): this one goes with the rest.
TMPDIR="$work" lintian --fail-on error,warning --display-info "$package" || status=1

unpacked="$work/unpacked"
dpkg-deb -x "$package" "$unpacked"
for metainfo in "$unpacked"/usr/share/metainfo/*.metainfo.xml; do
    appstreamcli validate --no-net --pedantic "$metainfo" || status=1
done
desktop=$(ls "$unpacked"/usr/share/applications/*.desktop)
desktop-file-validate "$desktop" || status=1
# Software centres find the desktop entry by the metainfo's launchable.
grep -q "<launchable type=\"desktop-id\">$(basename "$desktop")</launchable>" "$metainfo" || {
    echo "the metainfo launches no $(basename "$desktop")"
    status=1
}

[ -f "$unpacked/usr/lib/morvatix/Readme.txt" ] || { echo "no Readme.txt beside the program"; status=1; }
[ "$(readlink "$unpacked/usr/bin/morvatix")" = ../lib/morvatix/morvatix ] || {
    echo "usr/bin/morvatix is no relative link to the program"
    status=1
}
# The package writes nothing when it is installed or removed, no settings
# included: no maintainer scripts and no configuration files.
control="$work/control"
dpkg-deb -e "$package" "$control"
extra=$(ls "$control" | grep -v -x -e control -e md5sums || true)
[ -z "$extra" ] || { echo "the package has more than its files: $extra"; status=1; }
exit "$status"
