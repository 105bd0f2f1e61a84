#!/usr/bin/env bash
# The desktop knows the program's windows by their class: the real program on
# X11 (a virtual display of this test's own) shows a window whose WM_CLASS
# names the class that the desktop entry's StartupWMClass gives.
#   window-class.sh PROGRAM DESKTOP_ENTRY
set -euo pipefail
program=$1
entry=$2
for tool in Xvfb:xvfb xwininfo:x11-utils xprop:x11-utils; do
    command -v "${tool%%:*}" >/dev/null || { echo "${tool%%:*} is missing: install Debian's ${tool#*:}"; exit 1; }
done
expected=$(sed -n 's/^StartupWMClass=//p' "$entry")
[ -n "$expected" ] || { echo "$entry has no StartupWMClass"; exit 1; }

work=$(mktemp -d)
chmod 700 "$work"
# On its abstract socket alone: nothing of it lands in /tmp.
Xvfb -displayfd 3 -nolisten tcp -nolisten unix -screen 0 800x600x24 3>"$work/display" >/dev/null 2>&1 &
xvfb=$!
started=""
cleanup() {
    [ -z "$started" ] || kill "$started" 2>/dev/null || true
    kill "$xvfb" 2>/dev/null || true
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
for _ in $(seq 100); do
    [ -s "$work/display" ] && break
    sleep 0.05
done
[ -s "$work/display" ] || { echo "Xvfb did not start"; exit 1; }
export DISPLAY=":$(head -n1 "$work/display")"

# A runtime folder of its own, so that no running Morvatix takes the start.
XDG_RUNTIME_DIR="$work" QT_QPA_PLATFORM=xcb "$program" &
started=$!
# Qt's own helper windows carry the title but no class; the program's
# windows all carry one.
classes=""
for _ in $(seq 200); do
    for window in $(xwininfo -root -tree 2>/dev/null | awk '/"Morvatix": \(/ { print $1 }'); do
        class=$(xprop -id "$window" WM_CLASS)
        case "$class" in *"not found"*) ;; *) classes+="$class"$'\n' ;; esac
    done
    [ -n "$classes" ] && break
    sleep 0.05
done
[ -n "$classes" ] || { echo "no window titled Morvatix with a class showed"; exit 1; }
# WM_CLASS(STRING) = "instance", "class"
while read -r class; do
    [ -n "$class" ] || continue
    case "$class" in
        *", \"$expected\"") echo "ok: $class" ;;
        *) echo "a window's class is $class, the desktop entry's StartupWMClass $expected"; exit 1 ;;
    esac
done <<<"$classes"
