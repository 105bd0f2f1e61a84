#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing Morvatix need,
# but only those that are missing, so a machine that already has them is left alone.
#   --run      also what the running program hands files to (Readme.txt from ヘルプ)
#   --display  also a virtual display, for a machine without one (xvfb-run)
#   --windows  also the mingw-w64 cross compiler, Wine and a virtual display,
#              for building the Windows programs and testing them under Wine
set -euo pipefail

packages=(
  g++ cmake make
  qt6-base-dev qt6-base-dev-tools libgl-dev
  libgtest-dev
  fonts-ipafont-gothic
  diffutils
  valgrind
  fuse3 libfuse3-dev pkg-config
)
for option in "$@"; do
  case "$option" in
    --run) packages+=(xdg-utils) ;;
    --display) packages+=(xvfb xauth) ;;
    # googletest brings the sources that are cross-built for Windows; locales the
    # Japanese locale's definition, compiled into a private folder for Wine.
    --windows) packages+=(g++-mingw-w64-x86-64-posix wine wine64 fonts-wine googletest locales xvfb xauth) ;;
    *) echo "deps.sh: unknown option $option" >&2; exit 2 ;;
  esac
done

missing=()
for p in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
  [ "$status" = "install ok installed" ] || missing+=("$p")
done
[ ${#missing[@]} -gt 0 ] || exit 0

sudo=()
if [ "$(id -u)" -ne 0 ]; then
  if ! command -v sudo >/dev/null; then
    echo "Morvatix needs these Debian packages, which are not installed: ${missing[*]}" >&2
    echo "Install them as root, then run this again:" >&2
    echo "    apt-get install --no-install-recommends ${missing[*]}" >&2
    exit 1
  fi
  sudo=(sudo)
fi
echo "Installing missing packages: ${missing[*]}"
"${sudo[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
