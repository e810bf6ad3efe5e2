#!/usr/bin/env bash
# Sets everything up, builds with AddressSanitizer and UndefinedBehaviorSanitizer,
# runs every test, checks that every room keeps to what it may see, then
# runs the fuzz targets for a minute in all.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake -S . -B build-test -G Ninja -DZERA_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug >/dev/null
cmake --build build-test
ctest --test-dir build-test --output-on-failure -j"$(nproc)"
scripts/check-rooms.sh build-test
if [ -x .ci/fuzz.sh ]; then
  .ci/fuzz.sh "${ZERA_FUZZ_SECONDS:-60}"
fi
