#!/usr/bin/env bash
# Configures and builds everything into build/ and leaves dist/tavrino and dist/tavrino.zip.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="${BUILD_DIR:-$root/build}"
cmake -S "$root" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-mingw64.cmake" >/dev/null
cmake --build "$build" -j"$(nproc)" "$@"
