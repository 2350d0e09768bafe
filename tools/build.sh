#!/usr/bin/env bash
# Builds the deliverables (build/bin), the tests and the fixtures.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/tools/bootstrap.sh"
# Not CMakeCache.txt: a failed configure leaves it behind, but no Makefile.
if [ ! -f "$top/build/Makefile" ]; then
  cmake -S "$top" -B "$top/build" -DCMAKE_TOOLCHAIN_FILE="$top/cmake/mingw-w64-x86_64.cmake" \
        -DCMAKE_BUILD_TYPE=Release >/dev/null
fi
cmake --build "$top/build" -j"$(nproc)" -- --no-print-directory
