#!/usr/bin/env bash
# Cross-builds the Windows programs and runs their tests under Wine, as on a
# Japanese Windows system: a private Wine prefix and a Japanese locale, both
# made once inside build-windows/ and left alone otherwise. No display needed.
set -euo pipefail
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
"$top/scripts/build-windows.sh"
out="$top/build-windows"

# Wine takes its code page from the locale, and its Japanese one (932) is what
# shows whether a name outside it still reaches its file. localedef writes the
# locale into the build folder; the system's locales stay as they are.
if [ ! -f "$out/locale/ja_JP.UTF-8/LC_CTYPE" ]; then
    mkdir -p "$out/locale"
    localedef -i ja_JP -f UTF-8 "$out/locale/ja_JP.UTF-8"
fi

# The same settings as the tests' own (tests/CMakeLists.txt), which ctest sets.
wine_env=(env WINEPREFIX="$out/wine" WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
          LOCPATH="$out/locale" LC_ALL=ja_JP.UTF-8 LANG=ja_JP.UTF-8)
if [ ! -f "$out/wine/system.reg" ]; then
    echo "Making a Wine prefix for the tests (once)"
    "${wine_env[@]}" wineboot -i >/dev/null 2>&1
    "${wine_env[@]}" wineserver -w
fi

cd "$out"
status=0
ctest --output-on-failure --timeout 600 || status=$?
# No Wine process outlives the tests.
"${wine_env[@]}" wineserver -k 2>/dev/null || true
exit "$status"
