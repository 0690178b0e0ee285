#!/usr/bin/env bash
# Builds the fuzz targets with clang and libFuzzer and runs each for a while.
#   scripts/fuzz.sh [seconds per target, default 60] [target names...]
# New inputs are kept in build/fuzz/corpus/<name>; crashes are written to
# build/fuzz/crashes/ and should become files in tests/fuzz/regressions/<name>/.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
shift || true

scripts/setup.sh --fuzz
dir=build/fuzz
if [ ! -f "$dir/CMakeCache.txt" ]; then
  CC=clang CXX=clang++ cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DTALVERN_FUZZ=ON -DTALVERN_BUILD_APP=OFF -DTALVERN_BUILD_BENCH=OFF
fi
cmake --build "$dir" -j "$(nproc)"

names=("$@")
if [ ${#names[@]} -eq 0 ]; then
  for f in tests/fuzz/*_fuzz.cpp; do
    [ -e "$f" ] || continue
    n=$(basename "$f" .cpp); names+=("${n%_fuzz}")
  done
fi
mkdir -p "$dir/crashes"
status=0
for n in "${names[@]}"; do
  mkdir -p "$dir/corpus/$n"
  seeds=()
  [ -d "tests/fuzz/corpus/$n" ] && seeds+=("tests/fuzz/corpus/$n")
  echo "== $n for ${seconds}s"
  "$dir/tests/fuzz/${n}_fuzz" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
    -artifact_prefix="$dir/crashes/$n-" "$dir/corpus/$n" "${seeds[@]}" || status=1
done
exit $status
