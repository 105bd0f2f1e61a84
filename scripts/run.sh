#!/usr/bin/env bash
# Builds Morvatix and starts it. Two paths, when given, fill its two fields.
set -euo pipefail
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
    echo "morvatix: no display to open a window on; run it from a desktop session, or under a virtual one:" >&2
    echo "    scripts/deps.sh              # installs Xvfb with the rest" >&2
    echo "    xvfb-run scripts/run.sh" >&2
    exit 1
fi
"$top/scripts/deps.sh" --run
"$top/scripts/build.sh"
exec "$top/build/morvatix" "$@"
