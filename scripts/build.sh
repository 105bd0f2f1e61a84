#!/usr/bin/env bash
# Builds Morvatix (Release) into build/, after installing whatever Debian
# packages are missing: everything, the tests included, or only the targets
# named (run.sh builds the program alone).
#     scripts/build.sh [TARGET...]
set -euo pipefail
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
"$top/scripts/deps.sh"
cd "$top"
cmake --preset linux >/dev/null
targets=()
[ $# -eq 0 ] || targets=(--target "$@")
cmake --build --preset linux -j"$(nproc)" "${targets[@]}"
