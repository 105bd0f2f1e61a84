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
    esac
done

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

# The same system on screens of other DPIs, for the layout tests there: a
# copy of the prefix for each (wine-144 beside wine, ...), whose LogPixels is
# that DPI. Made once, and again when a copy lacks what the first has.
read -r -a scaled_dpis <"$out/wine-scaled-dpis"
scaled_prefixes=()
for dpi in "${scaled_dpis[@]}"; do
    scaled="$prefix-$dpi"
    scaled_prefixes+=("$scaled")
    logpixels=$(printf '"LogPixels"=dword:%08x' "$dpi")
    if [ -f "$scaled/user.reg" ] && grep -q "$logpixels" "$scaled/user.reg" &&
        grep -q '"Managed"="N"' "$scaled/user.reg" && grep -q '"IPAPGothic"' "$scaled/user.reg"; then
        continue
    fi
    echo "Making a Wine prefix at $dpi DPI for the tests (once)"
    rm -rf "$scaled"
    cp -a "$prefix" "$scaled"
    "${wine_env[@]}" WINEPREFIX="$scaled" wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD \
        /d "$dpi" /f >/dev/null 2>&1
    "${wine_env[@]}" WINEPREFIX="$scaled" wineserver -w
done

# A display of our own, on whatever number is free, reachable only here.
display_file=$(mktemp)
Xvfb -displayfd 3 -nolisten tcp -screen 0 1024x768x24 3>"$display_file" >/dev/null 2>&1 &
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
    for each in "$prefix" "${scaled_prefixes[@]}"; do
        "${wine_env[@]}" WINEPREFIX="$each" wineserver -k 2>/dev/null || true
    done
}
stop_wine

cd "$top"
status=0
ctest --preset windows || status=$?
# No Wine process outlives the tests.
stop_wine
exit "$status"
