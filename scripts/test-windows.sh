#!/usr/bin/env bash
# Cross-builds the Windows programs and runs their tests under Wine, as on a
# Japanese Windows system: a private Wine prefix and a Japanese locale, both
# made once inside build-windows/ and left alone otherwise. The window tests
# get a virtual display of their own (Xvfb), stopped afterwards.
set -euo pipefail
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
"$top/scripts/build-windows.sh"
out="$top/build-windows"

# The tests' own settings, which ctest sets for them: the configure step
# writes them there, one a line. The prefix and the locale folder are theirs.
mapfile -t wine_settings <"$out/wine-environment"
wine_env=(env "${wine_settings[@]}")
for setting in "${wine_settings[@]}"; do
    case "$setting" in
        WINEPREFIX=*) prefix=${setting#*=} ;;
        LOCPATH=*) locales=${setting#*=} ;;
        TMPDIR=*) tmp=${setting#*=} ;;
    esac
done
mkdir -p "$tmp"

# Wine takes its code page from the locale, and its Japanese one (932) is what
# shows whether a name outside it still reaches its file. localedef writes the
# locale into the build folder; the system's locales stay as they are.
if [ ! -f "$locales/ja_JP.UTF-8/LC_CTYPE" ]; then
    mkdir -p "$locales"
    localedef -i ja_JP -f UTF-8 "$locales/ja_JP.UTF-8"
fi
if [ ! -f "$prefix/system.reg" ]; then
    echo "Making a Wine prefix for the tests (once)"
    "${wine_env[@]}" wineboot -i >/dev/null 2>&1
    "${wine_env[@]}" wineserver -w
fi
# For the window tests, once per prefix: windows that no window manager
# frames (each driven case then takes milliseconds instead of seconds), and
# the program's font, which Wine does not have, drawn with the proportional
# Japanese Gothic that fontconfig finds (fonts-ipafont-gothic).
if ! grep -q '"Managed"="N"' "$prefix/user.reg" || ! grep -q '"IPAPGothic"' "$prefix/user.reg"; then
    "${wine_env[@]}" wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
    "${wine_env[@]}" wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v 'ＭＳ Ｐゴシック' /d IPAPGothic /f \
        >/dev/null 2>&1
    "${wine_env[@]}" wineserver -w
fi

# One prefix serves every DPI (the tests set its LogPixels for each run):
# the copies per DPI that earlier versions made are not used any more.
rm -rf "$prefix"-[0-9]*

# A display of our own, on whatever number is free, reachable only here: no
# network, and only the abstract socket, so nothing of it lands in /tmp.
display_file=$(mktemp "$tmp/display.XXXXXX")
Xvfb -displayfd 3 -nolisten tcp -nolisten unix -screen 0 1024x768x24 3>"$display_file" >/dev/null 2>&1 &
xvfb=$!
stop_display() {
    kill "$xvfb" 2>/dev/null || true
    wait "$xvfb" 2>/dev/null || true
    rm -f "$display_file"
}
trap stop_display EXIT
for _ in $(seq 100); do
    [ -s "$display_file" ] && break
    sleep 0.05
done
[ -s "$display_file" ] || { echo "Xvfb did not start" >&2; exit 1; }
export DISPLAY=":$(head -n1 "$display_file")"
# A Wine left running from before would keep its own display.
stop_wine() {
    "${wine_env[@]}" wineserver -k 2>/dev/null || true
}
stop_wine

cd "$top"
status=0
ctest --preset windows || status=$?
# No Wine process outlives the tests.
stop_wine
exit "$status"
