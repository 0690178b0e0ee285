#!/usr/bin/env bash
# Installs, from Debian, whatever the build, the tests and the peers used as
# test oracles need. Quick when everything is already there.
set -euo pipefail

packages=(
  g++ cmake ninja-build pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev libgif-dev
  qt6-base-dev libgl-dev fonts-dejavu-core xvfb xauth
  python3 python3-dbfread python3-dbf libdbd-xbase-perl
  imagemagick giflib-tools
)
# scripts/fuzz.sh builds the fuzz targets with clang and libFuzzer.
if [ "${1:-}" = "--fuzz" ]; then packages+=(clang libclang-rt-14-dev); fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
if ! $sudo apt-get install -y --no-install-recommends "${missing[@]}"; then
  $sudo apt-get update
  $sudo apt-get install -y --no-install-recommends "${missing[@]}"
fi
