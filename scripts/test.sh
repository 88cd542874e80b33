#!/usr/bin/env bash
# Installs what is missing, builds Kestrix and runs every test (headless), then prints the time of
# each stage and the ten slowest test cases.
#   scripts/test.sh [ctest options]              the normal build, in build/
#   scripts/test.sh --sanitize [ctest options]   the engine, the restore program and their tests
#                                                with AddressSanitizer and UndefinedBehaviorSanitizer
#                                                (clang, with the fuzz targets), in build-asan/
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
excluded=()
if [ "${1:-}" = "--sanitize" ]; then
  shift
  bash "$root/scripts/build.sh" --sanitize
  cd "$root/build-asan"
  export ASAN_OPTIONS="detect_stack_use_after_return=1:strict_string_checks=1:check_initialization_order=1"
  export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
  # The sanitizer runtime cannot be linked statically, so this build's restore program is dynamic;
  # its shadow memory cannot live under the address-space limits of the memory tests (the files
  # too large to be read among them); and the 4 GiB copy, the same code as any other copy,
  # is left to the normal suite.
  excluded=(-E '^(RestoreProgramFile\.IsAStaticProgramInTheProgramFolder|RestoreSafetyTest\.(HostileRecordsStayWithinMemory|TheLargestCatalogueStaysWithinTwiceItsSize|ACatalogueLargerThanMemoryEndsWithAMessage)|Files/TooLargeTest\..*|LargeFileTest\..*)$')
else
  bash "$root/scripts/build.sh"
  cd "$root/build"
fi

mkdir -p Testing
results="$PWD/Testing/cases.xml"
rm -f "$results"
start=$SECONDS
status=0
QT_QPA_PLATFORM=offscreen ctest --output-on-failure --parallel "$(nproc)" --output-junit "$results" \
  "${excluded[@]}" "$@" || status=$?
echo "== tests: $((SECONDS - start)) s"
# One line per case (each runs in its own process): "seconds name". awk reads the whole list, so
# that no command of the pipe is cut off early (pipefail would take that for a failure).
if [ -f "$results" ]; then
  echo "== ten slowest test cases (s):"
  grep -o '<testcase name="[^"]*"[^>]* time="[^"]*"' "$results" |
    sed -E -e 's/^<testcase name="([^"]*)".* time="([^"]*)"$/\2 \1/' \
      -e 's/&lt;/</g; s/&gt;/>/g; s/&quot;/"/g; s/&apos;/'"'"'/g; s/&amp;/\&/g' |
    sort -rn | awk 'NR <= 10 { printf "  %7.2f  %s\n", $1, substr($0, length($1) + 2) }'
fi
exit $status
