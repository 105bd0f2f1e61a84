#!/usr/bin/env bash
# Makes the Windows packages in build-windows/: the zip
# morvatix-windows-x64.zip (morvatix.exe, morvatix-cmp.exe, Readme.txt and the
# licence, statically linked, so that they run on a Windows machine with
# nothing else installed; unpack anywhere) and the installer
# morvatix-<version>-windows-x64-setup.exe (the same files for the user who
# runs it, without administrator rights, with a Start-menu entry and an
# uninstaller). Cross-builds first (scripts/build-windows.sh); CPack packs
# what the install() rules name.
set -euo pipefail
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
"$top/scripts/build-windows.sh" >/dev/null
cd "$top"
cpack --preset windows-zip >/dev/null
cpack --preset windows-installer >/dev/null
zip="$top/build-windows/morvatix-windows-x64.zip"
echo "$zip:"
cmake -E tar tvf "$zip"
ls "$top"/build-windows/morvatix-*-windows-x64-setup.exe
