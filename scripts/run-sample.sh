#!/usr/bin/env bash
# Sets everything up, builds, and imports the bundled sample: report and
# LandXML surface land in out/.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake -S . -B build-release -G Ninja -DZERA_TESTS=OFF -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build-release --target kartimport
mkdir -p out
build-release/bin/kartimport samples/eksempel.zer samples/tema.tem out/eksempel.log out/eksempel.xml
