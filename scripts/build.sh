#!/usr/bin/env bash
# Installs what is missing, then configures and builds Kestrix, printing the time of each step.
#   scripts/build.sh [target...]              the normal build, in build/ (every target by default)
#   scripts/build.sh --sanitize [target...]   the clang build of the engine, the restore program,
#                                             their tests and the fuzz targets, with AddressSanitizer
#                                             and UndefinedBehaviorSanitizer, in build-asan/
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
builddir="$root/build"
options=()
if [ "${1:-}" = "--sanitize" ]; then
  shift
  builddir="$root/build-asan"
  options=(-DCMAKE_CXX_COMPILER=clang++ -DKESTRIX_SANITIZE=ON -DKESTRIX_FUZZ=ON)
  # A folder first configured with another compiler cannot switch in place.
  if [ -f "$builddir/CMakeCache.txt" ] && ! grep -q '^CMAKE_CXX_COMPILER:.*clang++$' "$builddir/CMakeCache.txt"; then
    rm -rf "$builddir/CMakeCache.txt" "$builddir/CMakeFiles"
  fi
fi
targets=()
[ $# -eq 0 ] || targets=(--target "$@")

bash "$root/scripts/install-deps.sh"
start=$SECONDS
cmake -S "$root" -B "$builddir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "${options[@]}" >/dev/null
echo "== configure: $((SECONDS - start)) s"
start=$SECONDS
cmake --build "$builddir" --parallel "$(nproc)" "${targets[@]}"
echo "== build: $((SECONDS - start)) s"
