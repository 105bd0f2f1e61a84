#!/usr/bin/env bash
# Builds Morvatix (Release) into build/, after installing whatever Debian
# packages are missing. Used by run.sh and test.sh.
set -euo pipefail
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
"$top/scripts/deps.sh"
cd "$top"
cmake --preset linux >/dev/null
cmake --build --preset linux -j"$(nproc)"
