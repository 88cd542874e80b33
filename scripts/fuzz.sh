#!/usr/bin/env bash
# Builds the fuzz targets of fuzz/ (clang, libFuzzer, AddressSanitizer, UndefinedBehaviorSanitizer)
# into build-asan/, the sanitized build's folder, and runs each one for the given number of seconds
# (default 60), one per core at a time, on a temporary copy of its seeds from
# fuzz/corpus/<target>/ (the tree is never written). Exits non-zero when any target crashes; the
# input that crashed it is kept in build-asan/crashes/.
#   scripts/fuzz.sh [seconds] [target...]    (every target of fuzz/CMakeLists.txt by default)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
seconds="${1:-60}"
shift || true
targets=("$@")
[ ${#targets[@]} -gt 0 ] ||
  mapfile -t targets < <(sed -n 's/^kestrix_add_fuzzer(\([A-Za-z0-9_]*\).*/\1/p' "$root/fuzz/CMakeLists.txt")

bash "$root/scripts/build.sh" --sanitize "${targets[@]}"

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
crashes="$root/build-asan/crashes"
# AddressSanitizer keeps up to 256 MiB of freed memory aside by default, which alone would reach
# the 256 MiB limit below: a smaller quarantine keeps that limit about our own memory.
export ASAN_OPTIONS="quarantine_size_mb=32${ASAN_OPTIONS:+:$ASAN_OPTIONS}"
mkdir -p "$crashes"
fuzz() {
  local target=$1
  local options=(-max_total_time="$seconds" -rss_limit_mb=256 -timeout=20 -print_final_stats=1
    -artifact_prefix="$crashes/$target-")
  # Records longer than the restore program's bound must be tried too.
  [ "$target" != fuzz_catalogue ] || options+=(-max_len=65536)
  mkdir "$work/$target"
  [ ! -d "$root/fuzz/corpus/$target" ] || cp -r "$root/fuzz/corpus/$target/." "$work/$target"
  "$root/build-asan/fuzz/$target" "${options[@]}" "$work/$target" >"$work/$target.log" 2>&1
}
start=$SECONDS
for target in "${targets[@]}"; do
  while [ "$(jobs -rp | wc -l)" -ge "$(nproc)" ]; do wait -n || true; done
  echo "== $target: ${seconds}s"
  (fuzz "$target" && touch "$work/$target.passed") &
done
wait
failed=()
for target in "${targets[@]}"; do
  if [ ! -f "$work/$target.passed" ]; then
    failed+=("$target")
    echo "== $target crashed:"
    tail -n 60 "$work/$target.log"
  fi
  echo "== $target:"
  grep -E '^stat::(number_of_executed_units|average_exec_per_sec|peak_rss_mb)' "$work/$target.log" || true
done
echo "== fuzzing: $((SECONDS - start)) s"
if [ ${#failed[@]} -gt 0 ]; then
  echo "crashed: ${failed[*]} (inputs in $crashes)" >&2
  exit 1
fi
