#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the fuzzers need.
set -euo pipefail
packages=(cmake ninja-build g++ clang libclang-rt-14-dev pkg-config
          libgtest-dev libgmock-dev libbenchmark-dev
          libxml2-dev libxml2-utils libsqlite3-dev
          libgeos-dev libproj-dev gdal-bin libxlsxwriter-dev zlib1g-dev
          libpq-dev postgresql)
missing=()
for p in "${packages[@]}"; do
  dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  SUDO=""; [ "$(id -u)" -ne 0 ] && SUDO=sudo
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${missing[@]}"
fi
