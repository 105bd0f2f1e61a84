#!/usr/bin/env bash
# Builds the program alone (scripts/test.sh builds the tests) and starts it.
# Two paths, when given, fill its two fields.
set -euo pipefail
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
ending="It ends with its 終　了 button, its window's close box, or Ctrl-C in the terminal that started it."
if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
    cat >&2 <<TEXT
morvatix: there is no display here to show its window on (DISPLAY and WAYLAND_DISPLAY are unset).
To see the window, run scripts/run.sh
  - in a terminal of a desktop session on this machine, or
  - over ssh -X from a machine that has a desktop (its window then shows there).
$ending
Without a window, morvatix-cmp compares: scripts/build.sh morvatix-cmp, then build/morvatix-cmp SOURCE TARGET.
TEXT
    exit 1
fi
echo "Building the program (a first build takes one to four minutes on two cores)"
"$top/scripts/build.sh" ProjectMVX
echo "Starting build/morvatix. $ending"
exec "$top/build/morvatix" "$@"
