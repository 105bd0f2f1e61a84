#!/usr/bin/env bash
# Cross-builds the Windows programs and their tests (Release, statically
# linked) into build-windows/, after installing whatever Debian packages are
# missing. GoogleTest is built for Windows from Debian's sources with them.
set -euo pipefail
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
"$top/scripts/deps.sh" --windows
cd "$top"
cmake --preset windows >/dev/null
cmake --build --preset windows -j"$(nproc)"
