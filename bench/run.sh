#!/usr/bin/env bash
# Builds Morvatix for speed (Release, into build/ like scripts/build.sh) and
# runs its benchmark against cmp -s. Every option goes to the benchmark itself:
# --size 256M for a quicker run, --help for the others. The files live in a
# temporary folder that is removed however the run ends; TMPDIR chooses where.
set -euo pipefail

top="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${MVX_BENCH_BUILD_DIR:-$top/build}"

"$top/scripts/deps.sh"
cmake -S "$top" -B "$build" -DCMAKE_BUILD_TYPE=Release -DMVX_BUILD_BENCH=ON >/dev/null
cmake --build "$build" --target mvx-bench --parallel "$(nproc 2>/dev/null || echo 2)" >/dev/null

work="$(mktemp -d "${TMPDIR:-/tmp}/mvx-bench.XXXXXX")"
trap 'rm -rf "$work"' EXIT
trap 'exit 130' INT TERM
"$build/bench/mvx-bench" --dir "$work" "$@"
