#!/usr/bin/env bash
# Configures and builds one build tree.
#   scripts/build.sh            Release build in build/release
#   scripts/build.sh --sanitize Debug build with ASan and UBSan in build/asan
set -euo pipefail
cd "$(dirname "$0")/.."

dir=build/release
args=(-DCMAKE_BUILD_TYPE=Release)
if [ "${1:-}" = "--sanitize" ]; then
  dir=build/asan
  args=(-DCMAKE_BUILD_TYPE=Debug -DTALVERN_SANITIZE=ON -DTALVERN_BUILD_BENCH=OFF)
fi
generator=()
# ccache, when the machine has it, shares objects between work trees of the
# same repository (paths are hashed relative to the tree).
if command -v ccache >/dev/null; then
  args+=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
  export CCACHE_BASEDIR="$PWD" CCACHE_NOHASHDIR=1
fi
if command -v ninja >/dev/null; then generator=(-G Ninja); fi
if [ ! -f "$dir/CMakeCache.txt" ]; then
  cmake -S . -B "$dir" "${generator[@]}" "${args[@]}"
fi
cmake --build "$dir" -j "$(nproc)"
