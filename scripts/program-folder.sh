# Sourced by the scripts that run a Kestrix program folder. program_folder ROOT [DIR] sets
# $program to DIR, or to ROOT's build/Kestrix/ built first (configured as scripts/build.sh does
# when it is not yet), and exits 2 when that is no program folder.
program_folder() {
  local root="$1"
  program="${2:-}"
  if [ -z "$program" ]; then
    if [ ! -f "$root/build/build.ninja" ]; then
      bash "$root/scripts/install-deps.sh" >&2
      cmake -S "$root" -B "$root/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >&2
    fi
    cmake --build "$root/build" --target kestrix kestrix_restore kestrix_program_folder >&2
    program="$root/build/Kestrix"
  fi
  program="$(cd "$program" && pwd)"
  if [ ! -x "$program/kestrix" ] || [ ! -f "$program/Data/Kestrix.res" ]; then
    echo "$program is not a Kestrix program folder (kestrix, Data/Kestrix.res)" >&2
    exit 2
  fi
}
