#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, AddressSanitizer, UBSan) and runs each
# for $1 seconds (default 60), seeded from the test fixtures in
# engine/testdata and the samples.  Any crash, overrun, leak or hang fails
# the script; the reproducer is kept in <build dir>/fuzz-artifacts.
# ZERA_FUZZ_BUILD_DIR names the build directory (default build-fuzz).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
seconds="${1:-60}"
build="${ZERA_FUZZ_BUILD_DIR:-build-fuzz}"
case "$build" in /*) ;; *) build="$root/$build" ;; esac

CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DZERA_SANITIZE=ON -DZERA_FUZZ=ON -DZERA_TESTS=OFF \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" --target fuzz_import fuzz_themetable

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
artifacts="$build/fuzz-artifacts"
mkdir -p "$artifacts"

status=0
for target in fuzz_import fuzz_themetable; do
  corpus="$work/$target"
  mkdir -p "$corpus"
  case "$target" in
    fuzz_import) pattern='*.zer' ;;
    fuzz_themetable) pattern='*.tem' ;;
  esac
  find engine/testdata samples -type f -name "$pattern" -exec cp {} "$corpus/" \;
  echo "== $target: ${seconds}s from $(ls "$corpus" | wc -l) seeds"
  if ! (cd "$work" && "$build/bin/$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
        -artifact_prefix="$artifacts/$target-" -print_final_stats=1 "$corpus"); then
    echo "== $target FAILED; reproducer in $artifacts" >&2
    status=1
  fi
done
exit $status
