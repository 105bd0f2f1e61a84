#!/usr/bin/env bash
# Builds Morvatix and runs every test, without a display: the Linux tests,
# then the Windows programs' tests under Wine (scripts/test-windows.sh).
#   --linux-only   runs the Linux tests alone, without installing Wine
set -euo pipefail
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
windows=1
for option in "$@"; do
    case "$option" in
        --linux-only) windows=0 ;;
        *) echo "test.sh: unknown option $option (--linux-only is the one there is)" >&2; exit 2 ;;
    esac
done

# One round of installing for both parts.
if [ "$windows" = 1 ]; then
    "$top/scripts/deps.sh" --windows
fi
"$top/scripts/build.sh"

status=0
(cd "$top" && ctest --preset linux) || status=$?
if [ "$windows" = 1 ]; then
    echo "Windows programs, under Wine:"
    "$top/scripts/test-windows.sh" || status=$?
fi
exit "$status"
