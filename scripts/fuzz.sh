#!/usr/bin/env bash
# Builds the fuzz targets (clang, libFuzzer, AddressSanitizer, UndefinedBehaviorSanitizer) into
# build-fuzz/ and runs each one for the given number of seconds (default 60), on a temporary copy
# of its seeds from fuzz/corpus/<target>/ (the tree is never written). Exits non-zero when any
# target crashes; the input that crashed it is kept in build-fuzz/crashes/.
#   scripts/fuzz.sh [seconds] [target...]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
seconds="${1:-60}"
shift || true
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(fuzz_cp1252 fuzz_source_list fuzz_ini_file fuzz_catalogue)

bash "$root/scripts/install-deps.sh"
cmake -S "$root" -B "$root/build-fuzz" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_COMPILER=clang++ -DKESTRIX_FUZZ=ON >/dev/null
cmake --build "$root/build-fuzz" --parallel "$(nproc)" --target "${targets[@]}"

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
crashes="$root/build-fuzz/crashes"
# AddressSanitizer keeps up to 256 MiB of freed memory aside by default, which alone would reach
# the 256 MiB limit below: a smaller quarantine keeps that limit about our own memory.
export ASAN_OPTIONS="quarantine_size_mb=32${ASAN_OPTIONS:+:$ASAN_OPTIONS}"
mkdir -p "$crashes"
failed=()
for target in "${targets[@]}"; do
  cp -r "$root/fuzz/corpus/$target" "$work/$target"
  options=(-max_total_time="$seconds" -rss_limit_mb=256 -timeout=20 -print_final_stats=1
    -artifact_prefix="$crashes/$target-")
  # Records longer than the restore program's bound must be tried too.
  [ "$target" != fuzz_catalogue ] || options+=(-max_len=65536)
  echo "== $target: ${seconds}s"
  if ! "$root/build-fuzz/fuzz/$target" "${options[@]}" "$work/$target" >"$work/$target.log" 2>&1; then
    failed+=("$target")
    tail -n 60 "$work/$target.log"
  fi
  grep -E '^stat::(number_of_executed_units|average_exec_per_sec|peak_rss_mb)' "$work/$target.log" || true
done
if [ ${#failed[@]} -gt 0 ]; then
  echo "crashed: ${failed[*]} (inputs in $crashes)" >&2
  exit 1
fi
