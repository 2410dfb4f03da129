#!/usr/bin/env bash
# Configures and builds one tree: build.sh x86_64 | i686 | native
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
arch=$1
case "$arch" in
  x86_64|i686)
    args=(-DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-$arch-w64-mingw32.cmake" -DCMAKE_BUILD_TYPE=RelWithDebInfo) ;;
  native)
    args=(-DPELMO_NATIVE_DATA=ON -DCMAKE_BUILD_TYPE=Debug) ;;
  *) echo "build.sh: unknown tree $arch" >&2; exit 2 ;;
esac
cmake -S . -B "build/$arch" -G Ninja "${args[@]}" >/dev/null
cmake --build "build/$arch" -j "$(nproc)"
