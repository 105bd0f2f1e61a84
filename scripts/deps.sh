#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing Morvatix need,
# but only those that are missing, so a machine that already has them is left alone.
#   --windows  also the mingw-w64 cross compiler and Wine, for building the
#              Windows programs and testing them under Wine, and NSIS for the
#              installer
#   --package  also what makes and judges the Debian package and installs it
#              on a fresh system (lintian, appstreamcli, debootstrap)
set -euo pipefail

packages=(
  g++ cmake make
  qt6-base-dev qt6-base-dev-tools libgl-dev
  libgtest-dev
  fonts-ipafont-gothic
  # What the running program hands Readme.txt to (ヘルプ).
  xdg-utils
  diffutils
  valgrind
  # The icons, rendered from their drawing.
  librsvg2-bin
  # A virtual X display, for the window-class test and the Windows window
  # tests; xauth, for a window shown over ssh -X.
  xvfb xauth x11-utils
  # The Wayland platform, the SVG icon engine for the window icon, and what
  # the second-start tests run on: a compositor and a client of their own.
  qt6-wayland libqt6svg6 libwayland-dev wayland-protocols libxcb1-dev sway weston
  # A click on the program's window from the X11 test, as a user's mouse makes it.
  libxcb-xtest0-dev
  # The fault file system that the device tests mount.
  fuse3 libfuse3-dev pkg-config
  # Real file systems on loop devices, whose medium the tests read and change.
  xfsprogs btrfs-progs squashfs-tools
  # The X11 test's own session bus, where it listens to the dock's progress.
  dbus-daemon
)
for option in "$@"; do
  case "$option" in
    # googletest brings the sources that are cross-built for Windows; locales the
    # Japanese locale's definition, compiled into a private folder for Wine;
    # icoutils the program's icon.
    --windows) packages+=(g++-mingw-w64-x86-64-posix wine wine64 fonts-wine googletest locales icoutils nsis) ;;
    --package) packages+=(dpkg-dev file lintian appstream desktop-file-utils debootstrap man-db) ;;
    *) echo "deps.sh: unknown option $option" >&2; exit 2 ;;
  esac
done

# Each package once, however often the options name it, so the count below is true.
declare -A named=()
missing=()
for p in "${packages[@]}"; do
  [ -z "${named[$p]:-}" ] || continue
  named[$p]=1
  status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
  [ "$status" = "install ok installed" ] || missing+=("$p")
done
[ ${#missing[@]} -gt 0 ] || exit 0

cannot_install() {
  echo "Morvatix needs these Debian packages, which are not installed: ${missing[*]}" >&2
  echo "Install them as root, then run this again:" >&2
  echo "    apt-get install --no-install-recommends ${missing[*]}" >&2
  exit 1
}
# sudo resets the environment: env carries the front end through it.
as_root=(env DEBIAN_FRONTEND=noninteractive)
if [ "$(id -u)" -ne 0 ]; then
  # Only a sudo that needs no password here; otherwise the user is told.
  command -v sudo >/dev/null && sudo -n true 2>/dev/null || cannot_install
  as_root=(sudo "${as_root[@]}")
fi

# What apt-get and dpkg say goes to a log; the screen gets a line a step.
log=$(mktemp "${TMPDIR:-/tmp}/morvatix-deps.XXXXXX.log")
step() {
  echo "$1"
  shift
  if ! "${as_root[@]}" "$@" >>"$log" 2>&1; then
    echo "deps.sh: that failed; what apt-get said is in $log" >&2
    exit 1
  fi
}
echo "Installing ${#missing[@]} missing Debian packages: ${missing[*]}"
echo "(what apt-get says goes to $log)"
step "  apt-get update: fetching the lists of packages" apt-get update
step "  apt-get install: fetching and unpacking them and what they need (minutes on a fresh system)" \
  apt-get install -y --no-install-recommends "${missing[@]}"
rm -f "$log"
