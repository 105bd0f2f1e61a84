#!/usr/bin/env bash
# Runs a Windows program under Wine on a screen of the given DPI, in the
# tests' one prefix: its LogPixels (HKCU\Control Panel\Desktop), which a
# program reads when it starts, set before the program and back to 96 after
# it, whatever the program's end.
#   at-screen-dpi.sh WINE DPI PROGRAM [ARGUMENTS...]
set -uo pipefail
wine=$1
dpi=$2
shift 2
screen_dpi() {
    "$wine" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$1" /f >/dev/null 2>&1
}
screen_dpi "$dpi" || { echo "cannot set the Wine prefix's screen to $dpi DPI"; exit 1; }
"$wine" "$@"
status=$?
screen_dpi 96 || { echo "cannot set the Wine prefix's screen back to 96 DPI"; exit 1; }
exit "$status"
