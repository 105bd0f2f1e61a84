#!/usr/bin/env bash
# Cross-builds the Windows programs and their tests (Release, statically
# linked) into build-windows/, after installing whatever Debian packages are
# missing. GoogleTest is cross-built from Debian's sources, once.
set -euo pipefail
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
"$top/scripts/deps.sh" --windows
out="$top/build-windows"
toolchain="$top/cmake/mingw-w64.cmake"

gtest="$out/googletest"
if [ ! -f "$gtest/install/lib/cmake/GTest/GTestConfig.cmake" ]; then
    echo "Cross-building GoogleTest for Windows (once)"
    cmake -S /usr/src/googletest -B "$gtest/build" -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
        -DCMAKE_BUILD_TYPE=Release -DBUILD_GMOCK=OFF -DCMAKE_INSTALL_PREFIX="$gtest/install" >/dev/null
    cmake --build "$gtest/build" -j"$(nproc)" >/dev/null
    cmake --install "$gtest/build" >/dev/null
fi

cmake -S "$top" -B "$out" -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release \
    -DGTest_DIR="$gtest/install/lib/cmake/GTest" >/dev/null
cmake --build "$out" -j"$(nproc)"
