#!/usr/bin/env bash
# Checks that every room keeps to what it may see: builds each deliberate
# violation listed by cmake/ZeraRooms.cmake in a configured build directory
# ($1, default build-test) and fails when one of them builds, or when a
# header its room may see does not.  No source may reach another folder's
# header by a relative path ("../"), which no include directory can stop.
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build-test}"
list="$build/rooms/checks.txt"
[ -s "$list" ] || { echo "check-rooms: no $list; configure $build first" >&2; exit 2; }

status=0
relative=$(grep -rnE '^[[:space:]]*#[[:space:]]*include[[:space:]]*"[^"]*\.\./' \
             engine host zvlib zeraapp zeragg --include='*.cpp' --include='*.h' || true)
if [ -n "$relative" ]; then
  echo "check-rooms: includes that climb out of their folder:" >&2
  echo "$relative" >&2
  status=1
fi

# Stale objects would pass for a build: every check compiles afresh.
targets=()
while read -r target _; do
  targets+=("$target")
  rm -rf "$build/CMakeFiles/$target.dir"
done <"$list"
log=$(mktemp)
trap 'rm -f "$log"' EXIT
cmake --build "$build" --target "${targets[@]}" -- -k 0 >"$log" 2>&1 || true

built() { compgen -G "$build/CMakeFiles/$1.dir/rooms/*.o" >/dev/null; }
walls=0
while read -r target expect room header; do
  if built "$target"; then
    if [ "$expect" = FAILS ]; then
      echo "check-rooms: $room reaches $header, which lies outside its room" >&2
      status=1
    fi
  elif [ "$expect" = BUILDS ]; then
    echo "check-rooms: $room cannot build with $header, which it may see:" >&2
    grep -A3 "$target" "$log" | head -8 >&2
    status=1
  else
    walls=$((walls + 1))
  fi
done <"$list"
[ $status -eq 0 ] && echo "check-rooms: every room holds ($walls walls, $(wc -l <"$list") checks)"
exit $status
