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
# part NAME COMMAND...: runs one part and notes how it went.
part() {
    local name=$1
    shift
    if "$@"; then
        results+=("$name: passed")
    else
        results+=("$name: FAILED")
        failed=1
    fi
}
part "Linux" ctest --preset linux
if [ "$everything" = 1 ]; then
    echo "The Debian package:"
    if [ "$(id -u)" -eq 0 ]; then
        part "The Debian package" ctest --preset debian
    elif command -v sudo >/dev/null && sudo -n true 2>/dev/null; then
        part "The Debian package" sudo ctest --preset debian
    else
        echo "test.sh: the package tests install it on a fresh system, which needs root; run" >&2
        echo "    sudo ctest --preset debian" >&2
        results+=("The Debian package: NOT RUN (it needs root: sudo ctest --preset debian)")
        failed=1
    fi
    echo "Windows programs, under Wine:"
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
