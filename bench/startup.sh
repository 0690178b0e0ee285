#!/usr/bin/env bash
# Start-up of the catalogue program, as a whole process, to its first painted
# window on the sample catalogue, under a virtual X display with the Fusion
# style: the median of RUNS starts (default 20).
#   bench/startup.sh [RUNS]
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --build build/release --target catalog startup_probe >/dev/null
exec xvfb-run -a -s '-screen 0 1280x1024x24' \
  build/release/bench/startup_probe --runs "${1:-20}" "$PWD/build/release/app/catalog" -style Fusion
