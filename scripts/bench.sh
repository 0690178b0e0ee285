#!/usr/bin/env bash
# Builds the Release tree, makes the synthetic catalogues (10^5 and 10^6
# devices, and the whole 10^6-device catalogue of mkcatalog) in
# build/bench-data when they are missing, and runs benchmarks.
#   scripts/bench.sh                 every bench/<name>_bench.cpp
#   scripts/bench.sh expr [...]      only the named ones
# Extra Google Benchmark flags go in BENCH_FLAGS, e.g.
#   BENCH_FLAGS=--benchmark_repetitions=5 scripts/bench.sh expr
# Results are also written as JSON to build/bench-results/<name>.json.
set -euo pipefail
cd "$(dirname "$0")/.."

# The shared reference scripts lie beside the project (../shared/bench); a
# worktree one level further down finds them at ../../shared/bench.
shared=${TALVERN_SHARED:-../shared}
[ -d "$shared/bench" ] || shared=../../shared
generator="$shared/bench/gen_catalog.py"

scripts/build.sh >/dev/null

data=build/bench-data
if [ ! -f "$data/n1000000/main.dbf" ] || [ ! -f "$data/n100000/main.dbf" ]; then
  if [ ! -f "$generator" ]; then
    echo "No $generator: cannot make the synthetic catalogues." >&2
    exit 1
  fi
  echo "Making the synthetic catalogues in $data (about a minute)..."
  /usr/bin/python3 "$generator" --out "$data" --n 100000 1000000 >/dev/null
fi

# The whole synthetic catalogue (every table, for the main window's timings).
if [ ! -f "$data/catalog1000000/main.dbf" ]; then
  echo "Making the synthetic catalogue of 10^6 devices in $data/catalog1000000..."
  build/release/tools/mkcatalog --synthetic 1000000 --out "$data/catalog1000000" >/dev/null
fi

names=("$@")
if [ ${#names[@]} -eq 0 ]; then
  for f in bench/*_bench.cpp; do
    [ -e "$f" ] || continue
    n=$(basename "$f" .cpp); names+=("${n%_bench}")
  done
fi
mkdir -p build/bench-results
for n in "${names[@]}"; do
  echo "== $n"
  TALVERN_BENCH_DATA="$PWD/$data" "build/release/bench/${n}_bench" \
    --benchmark_out="build/bench-results/$n.json" --benchmark_out_format=json \
    ${BENCH_FLAGS:-}
done
