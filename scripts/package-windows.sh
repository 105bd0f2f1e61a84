#!/usr/bin/env bash
# Makes build-windows/morvatix-windows-x64.zip: morvatix.exe, morvatix-cmp.exe
# and Readme.txt, statically linked, so that they run on a Windows machine
# with nothing else installed. Cross-builds them first (scripts/build-windows.sh).
set -euo pipefail
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
"$top/scripts/build-windows.sh" >/dev/null
cmake --build "$top/build-windows" --target windows_package >/dev/null
zip="$top/build-windows/morvatix-windows-x64.zip"
echo "$zip:"
(cd "$top/build-windows/package" && ls -l --time-style=+ -- *)
