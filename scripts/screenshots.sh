#!/usr/bin/env bash
# Makes the README's pictures of the windows, docs/images/main-window.png and
# docs/images/verdict-window.png, from the real windows checking two identical
# files, drawn without a display (Qt's offscreen platform).
set -euo pipefail
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
"$top/scripts/build.sh" mvx-window-pictures
mkdir -p "$top/docs/images"
# The verdict's time with a decimal point, as most readers write it.
QT_QPA_PLATFORM=offscreen LC_ALL=C.UTF-8 "$top/build/tests/mvx-window-pictures" \
    "$top/docs/images/main-window.png" "$top/docs/images/verdict-window.png"
ls "$top"/docs/images/*.png
