#!/usr/bin/env bash
# Installs what is missing, builds, and starts the catalogue on the sample
# database that the build puts next to the program.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh
scripts/build.sh
exe=build/release/app/catalog
if [ ! -x "$exe" ]; then
  echo "The catalogue window is not built yet: the engine and its tools are (see build/release/tools)."
  exit 0
fi
exec "$exe" "$@"
