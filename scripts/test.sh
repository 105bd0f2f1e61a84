#!/usr/bin/env bash
# Builds Morvatix and runs every test, without a display: the Linux tests, the
# Debian package's (made, judged by lintian and the desktop's validators, and
# installed on a fresh Debian system, which needs root), then the Windows
# programs' tests under Wine with the installer's (scripts/test-windows.sh).
# It ends with one line per part and the overall result, so that a part that
# failed does not hide above the output of the parts after it.
#   --linux-only   runs the Linux tests alone, without Wine and the packages
set -euo pipefail
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
everything=1
for option in "$@"; do
    case "$option" in
        --linux-only) everything=0 ;;
        *) echo "test.sh: unknown option $option (--linux-only is the one there is)" >&2; exit 2 ;;
    esac
done

# One round of installing for every part.
if [ "$everything" = 1 ]; then
    "$top/scripts/deps.sh" --windows --package
fi
"$top/scripts/build.sh"

cd "$top"
results=()
failed=0
# Each part opens with its name as a heading; the summary names it the same.
heading() {
    printf '\n== %s ==\n' "$1"
}
# part NAME COMMAND...: runs one part under its heading and notes how it went.
part() {
    local name=$1
    shift
    heading "$name"
    if "$@"; then
        results+=("$name: passed")
    else
        results+=("$name: FAILED")
        failed=1
    fi
}
# The round under memcheck apart, so that it can say before it starts what
# it waits for.
linux_tests() {
    local status=0
    ctest --preset linux-plain || status=1
    echo
    echo "The window and start-up tests again, under valgrind's memcheck: a few minutes, two to four of them"
    echo "without a word while memcheck_startup_tests runs"
    ctest --preset linux-memcheck || status=1
    return "$status"
}
package_tests() {
    echo "Made, judged by lintian and the desktop's validators, then installed on a fresh Debian system:"
    echo "that install says nothing for one and a half to four minutes, the longest the first time, when"
    echo "debootstrap downloads and makes the system"
    "$@" ctest --preset debian
}
part "Linux" linux_tests
if [ "$everything" = 1 ]; then
    if [ "$(id -u)" -eq 0 ]; then
        part "The Debian package" package_tests
    elif command -v sudo >/dev/null && sudo -n true 2>/dev/null; then
        part "The Debian package" package_tests sudo
    else
        heading "The Debian package"
        echo "test.sh: the package tests install it on a fresh system, which needs root; run" >&2
        echo "    sudo ctest --preset debian" >&2
        results+=("The Debian package: NOT RUN (it needs root: sudo ctest --preset debian)")
        failed=1
    fi
    part "Windows, under Wine" "$top/scripts/test-windows.sh"
fi

echo
printf '%s\n' "${results[@]}"
if [ "$failed" = 0 ]; then
    echo "Overall: passed"
else
    echo "Overall: FAILED"
fi
exit "$failed"
