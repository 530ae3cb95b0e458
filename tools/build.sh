#!/usr/bin/env bash
# Installs what is missing, then configures and builds the DLL, every test
# executable and every benchmark into ./build.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${VELTO_BUILD_DIR:-$root/build}"

"$root/tools/install_deps.sh"
if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S "$root" -B "$build" \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" >/dev/null
fi
cmake --build "$build" -j "$(nproc)"
