#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, AddressSanitizer, UBSan), one for
# each reader of untrusted input, and runs them for $1 seconds in all
# (default 60), shared by weight, at least 1 second each, so that every
# target runs within the budget.  Each target is seeded from its small
# files in <folder>/fuzz/seeds/<target>, where the target lives (engine,
# host, zeraapp, zeragg/db); the imports and the theme table also from
# the test fixtures in engine/testdata and the samples.  The import runs
# most of its time on inputs of at most 4 kB, which run many times faster
# than its largest seeds, and the rest on inputs as large as those.  Any crash, overrun, leak or hang fails the
# script; the reproducer is kept in <build dir>/fuzz-artifacts.
# ZERA_FUZZ_BUILD_DIR names the build directory (default build-fuzz).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
seconds="${1:-60}"
build="${ZERA_FUZZ_BUILD_DIR:-build-fuzz}"
case "$build" in /*) ;; *) build="$root/$build" ;; esac

# target:weight
targets=(fuzz_import:4 fuzz_export:2 fuzz_designfile:2 fuzz_themetable:1 fuzz_symboltable:1 fuzz_resource:1
         fuzz_config:1 fuzz_keyin:1 fuzz_registry:1 fuzz_elementrecord:1 fuzz_workbook:1
         fuzz_header:1 fuzz_picture:1 fuzz_appfile:1 fuzz_jobbfil:1 fuzz_tagsett:1 fuzz_oppsett:1
         fuzz_importwriter:2 fuzz_eksport:2 fuzz_dbverdier:1)
names=()
total_weight=0
for t in "${targets[@]}"; do
  names+=("${t%%:*}")
  total_weight=$((total_weight + ${t##*:}))
done

CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DZERA_SANITIZE=ON -DZERA_FUZZ=ON -DZERA_TESTS=OFF \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" --target "${names[@]}"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
artifacts="$build/fuzz-artifacts"
mkdir -p "$artifacts"

# run TARGET SECONDS CORPUS [libFuzzer options]
run() {
  local target=$1 time=$2 corpus=$3
  shift 3
  (cd "$work" && "$build/bin/$target" -max_total_time="$time" -timeout=10 -rss_limit_mb=2048 \
     -artifact_prefix="$artifacts/$target-" -print_final_stats=1 "$@" "$corpus")
}

status=0
for t in "${targets[@]}"; do
  target=${t%%:*}
  time=$((seconds * ${t##*:} / total_weight))
  [ "$time" -ge 1 ] || time=1
  corpus="$work/$target"
  mkdir -p "$corpus"
  for seeds in engine/fuzz/seeds host/fuzz/seeds zeraapp/fuzz/seeds zeragg/db/fuzz/seeds; do
    if [ -d "$seeds/$target" ]; then
      cp "$seeds/$target"/* "$corpus/"
    fi
  done
  case "$target" in
    fuzz_import | fuzz_importwriter) find engine/testdata samples -type f -name '*.zer' -exec cp {} "$corpus/" \; ;;
    fuzz_themetable) find engine/testdata samples -type f -name '*.tem' -exec cp {} "$corpus/" \; ;;
  esac
  echo "== $target: ${time}s from $(ls "$corpus" | wc -l) seeds"
  ok=true
  # (-max_total_time=0 would mean no limit: both parts get a second.)
  if [ "$target" = fuzz_import ] && [ "$time" -ge 2 ]; then
    small=$((time * 3 / 4))
    run "$target" "$small" "$corpus" -max_len=4096 || ok=false
    $ok && { run "$target" $((time - small)) "$corpus" || ok=false; }
  else
    run "$target" "$time" "$corpus" || ok=false
  fi
  if ! $ok; then
    echo "== $target FAILED; reproducer in $artifacts" >&2
    status=1
  fi
done
exit $status
