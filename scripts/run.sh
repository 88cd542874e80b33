#!/usr/bin/env bash
# Builds what the program needs (the program, its window, the restore program and the program folder
# build/Kestrix/), then starts Kestrix there, passing the arguments on. The tests, benchmarks and
# tools are built by scripts/test.sh.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
bash "$root/scripts/build.sh" kestrix kestrix_fenetre kestrix_restore kestrix_program_folder >&2
cd "$root/build/Kestrix"
exec ./kestrix "$@"
