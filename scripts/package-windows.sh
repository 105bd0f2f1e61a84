#!/usr/bin/env bash
# Makes build-windows/morvatix-windows-x64.zip: morvatix.exe, morvatix-cmp.exe
# and Readme.txt, statically linked, so that they run on a Windows machine
# with nothing else installed. Cross-builds them first (scripts/build-windows.sh);
# CPack packs what the install() rules name.
set -euo pipefail
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
"$top/scripts/build-windows.sh" >/dev/null
cd "$top"
cpack --preset windows-zip >/dev/null
zip="$top/build-windows/morvatix-windows-x64.zip"
echo "$zip:"
cmake -E tar tvf "$zip"
