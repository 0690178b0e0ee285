#!/usr/bin/env bash
# Installs what is missing, builds, and starts the catalogue on the sample
# database that the build puts next to the program. The window needs a
# display; under QT_QPA_PLATFORM=offscreen nobody could see or close it, so
# the program is only started, checked to come up, and stopped again.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh
scripts/build.sh
exe=build/release/app/catalog

if [ "${QT_QPA_PLATFORM:-}" = offscreen ]; then
  seconds=5
  status=0
  timeout "$seconds" "$exe" "$@" || status=$?
  if [ "$status" -eq 124 ]; then
    echo "The catalogue started (offscreen, stopped after $seconds s)."
    exit 0
  fi
  echo "The catalogue ended by itself with status $status." >&2
  exit 1
fi
if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}${QT_QPA_PLATFORM:-}" ]; then
  echo "No display: set DISPLAY (for example run under xvfb-run), or QT_QPA_PLATFORM=offscreen to check that it starts." >&2
  exit 1
fi
exec "$exe" "$@"
