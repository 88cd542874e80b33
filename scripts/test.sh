#!/usr/bin/env bash
# Installs what is missing, builds Kestrix and runs every test (headless).
#   scripts/test.sh [ctest options]              the normal build, in build/
#   scripts/test.sh --sanitize [ctest options]   AddressSanitizer and UndefinedBehaviorSanitizer
#                                                build, in build-asan/
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
if [ "${1:-}" != "--sanitize" ]; then
  bash "$root/scripts/build.sh"
  cd "$root/build"
  QT_QPA_PLATFORM=offscreen ctest --output-on-failure --parallel "$(nproc)" "$@"
  exit
fi
shift
bash "$root/scripts/install-deps.sh"
cmake -S "$root" -B "$root/build-asan" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DKESTRIX_SANITIZE=ON >/dev/null
cmake --build "$root/build-asan" --parallel "$(nproc)"
cd "$root/build-asan"
# Leaks of Qt's own objects are suppressed by Qt's function names (scripts/lsan.supp), never
# ours; Qt is built without frame pointers, so only the slow unwinder sees those names.
export ASAN_OPTIONS="detect_stack_use_after_return=1:strict_string_checks=1:check_initialization_order=1:fast_unwind_on_malloc=0"
export LSAN_OPTIONS="suppressions=$root/scripts/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
# The sanitizer runtime cannot be linked statically, so this build's restore program is dynamic;
# and its shadow memory cannot live under the 64 MiB address-space limit of the memory tests.
QT_QPA_PLATFORM=offscreen ctest --output-on-failure --parallel "$(nproc)" \
  -E '^(RestoreProgramFile\.IsAStaticProgramInTheProgramFolder|RestoreSafetyTest\.(HostileRecordsStayWithinMemory|ACatalogueLargerThanMemoryEndsWithAMessage))$' "$@"
