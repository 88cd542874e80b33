#!/usr/bin/env bash
# Kills unattended backup runs at random instants and judges, as a user would, what each one left.
#
#   scripts/crash-test.sh [--program DIR] [N]
#
# N rounds (default 100). Each round puts back a good previous backup (version A of a few hundred
# MB of sources) in a destination D, starts `kestrix /rep D /nobat /auto` on version B of the same
# sources as a scheduled job would, and sends it `kill -9` after a delay drawn uniformly over the
# whole length of a run, start-up included. Then D's own Restore.exe checks D (--verifier) and
# restores it under an empty scratch root. The round is "old" when both exit 0 and the restore
# gave exactly A's files with A's bytes, "new" when they gave exactly B's, "other" otherwise; a
# whole backup must always be one of the first two. Exit status: 0 when every round was old or
# new, 1 when one was not, 2 when the test could not be set up.
#
# DIR is a program folder (kestrix, Data/Kestrix.res...); by default build/Kestrix/, built first.
# Everything happens in a temporary folder, removed at the end; nothing of the machine is read.
set -euo pipefail
export LC_ALL=C
umask 022

usage() {
  echo "usage: $0 [--program PROGRAM_FOLDER] [N]" >&2
  exit 2
}

root="$(cd "$(dirname "$0")/.." && pwd)"
program=""
rounds=100
while [ $# -gt 0 ]; do
  case "$1" in
  --program)
    [ $# -ge 2 ] || usage
    program="$2"
    shift 2
    ;;
  -h | --help) usage ;;
  *)
    [[ "$1" =~ ^[1-9][0-9]*$ ]] || usage
    rounds="$1"
    shift
    ;;
  esac
done

if [ -z "$program" ]; then
  # The repository's own build, configured as scripts/build.sh does when it is not yet.
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

# The sources: three large files and four small ones in three folders, random (incompressible)
# bytes. B rewrites every file of A, drops etc/ancien.cfg and adds etc/nouveau.cfg, so that a mix
# of the two backups shows in the bytes and in the set of files. Sizes are in bytes.
declare -A size_a=(
  [etc/fstab.conf]=3072 [images/systeme.img]=$((200 << 20)) [etc/ancien.cfg]=700
  [images/noyau.img]=$((120 << 20)) [boot/config.txt]=17408 [boot/initrd.img]=$((40 << 20))
  [boot/carte.map]=92160)
list_a=(etc/fstab.conf images/systeme.img etc/ancien.cfg images/noyau.img boot/config.txt
  boot/initrd.img boot/carte.map)
declare -A size_b=(
  [etc/fstab.conf]=3077 [images/systeme.img]=$((200 << 20)) [images/noyau.img]=$((120 << 20))
  [boot/config.txt]=17408 [boot/initrd.img]=$((40 << 20)) [etc/nouveau.cfg]=1024
  [boot/carte.map]=92160)
list_b=(etc/fstab.conf images/systeme.img images/noyau.img boot/config.txt boot/initrd.img
  etc/nouveau.cfg boot/carte.map)
source_bytes=0
for f in "${list_a[@]}"; do source_bytes=$((source_bytes + size_a[$f])); done

# The work folder: tmpfs when it has room for the sources twice, the template, D with both of its
# generations and the restored files (about six times the sources), and lets programs run there.
work=""
run_pid=""
trap '[ -z "$run_pid" ] || kill -9 "$run_pid" 2>/dev/null || true; rm -rf -- "$work"' EXIT
trap 'exit 130' INT
trap 'exit 143' TERM
if [ -d /dev/shm ] && [ "$(df --output=avail -B1 /dev/shm | tail -1)" -gt $((7 * source_bytes)) ]; then
  work="$(mktemp -d -p /dev/shm kestrix-crash.XXXXXX)"
  printf '#!/bin/sh\nexit 0\n' >"$work/probe"
  chmod +x "$work/probe"
  if ! "$work/probe" 2>/dev/null; then
    rm -rf -- "$work"
    work=""
  fi
fi
[ -n "$work" ] || work="$(mktemp -d)"
echo "== work folder $work" >&2

src="$work/sources" # where Kestrix reads: A for the template, then B
store_a="$work/a"   # A's files, kept to judge the restored bytes
prog="$work/program"
template="$work/template"
dest="$work/D"
scratch="$work/R"
logs="$work/logs"
mkdir -p "$logs"

make_version() { # $1 folder, $2 name of the size table, then the list
  local folder="$1" f
  local -n sizes="$2"
  shift 2
  for f in "$@"; do
    mkdir -p "$folder/$(dirname "$f")"
    head -c "${sizes[$f]}" /dev/urandom >"$folder/$f"
  done
}

write_list() { # the program's source list, one path per line
  local f
  rm -f "$prog/Data/Kestrix.dat"
  for f in "$@"; do printf '%s\n' "$src/$f"; done >"$prog/Data/Kestrix.dat"
}

# The program folder's own state (settings, numbered reports) goes back to what it was before each
# run: a killed run may leave it as it likes, and only what D holds is judged here.
cp -a "$program" "$prog"
cp "$prog/Data/Kestrix.ini" "$work/Kestrix.ini"
reset_program() {
  cp "$work/Kestrix.ini" "$prog/Data/Kestrix.ini"
  rm -rf "$prog/Rapports" "$prog/Rapport Important.txt"
  mkdir "$prog/Rapports"
}

# Starts the unattended run in the background, as cron would: no display, so Kestrix answers
# each box by its default button on stderr (a set QT_QPA_PLATFORM would count as a display).
start_run() {
  (
    cd "$prog"
    unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM
    exec ./kestrix /rep "$dest" /nobat /auto
  ) </dev/null >"$logs/kestrix" 2>&1 &
  run_pid=$!
}

wait_run() { # sets run_status
  run_status=0
  # Quiet: bash would report the kill of its job on stderr.
  { wait "$run_pid" || run_status=$?; } 2>/dev/null
  run_pid=""
}

listing() { # names, types, sizes and modes below $1, one per line
  (cd "$1" && find . -printf '%P %y %s %m\n' | sort)
}

reset_destination() {
  rm -rf -- "$dest"
  cp -a "$template" "$dest"
  if [ "$(listing "$dest")" != "$template_listing" ]; then
    echo "D is not an exact copy of the template" >&2
    exit 2
  fi
}

# Judges D as a user would, with its own restore program (the program folder's when the run left
# none). Sets verdict (old/new/other), verify_status, restore_status, states (each file's origin
# in the restored tree: A, B, "?" for bytes of neither, "-" when absent) and verify_summary.
judge() {
  local restore="$dest/Restore.exe"
  [ -f "$restore" ] || restore="$prog/Data/Kestrix.res"
  verify_status=0
  timeout 300 "$restore" --verifier "$dest" </dev/null >"$logs/verifier" 2>&1 || verify_status=$?
  verify_summary="$(grep -v '^[[:space:]]*$' "$logs/verifier" | tail -1 || true)"

  rm -rf -- "$scratch"
  local folder
  for folder in "${list_a[@]%/*}" "${list_b[@]%/*}"; do mkdir -p "$scratch$src/$folder"; done
  restore_status=0
  timeout 300 "$restore" --oui --racine "$scratch" "$dest" </dev/null >"$logs/restore" 2>&1 ||
    restore_status=$?

  # Every name the restore left, then each file of A or B by where its bytes come from.
  local -A found=() known=()
  local name f
  while IFS= read -r -d '' name; do found[$name]=1; done < <(cd "$scratch" && find . ! -type d -printf '%P\0')
  local is_old=1 is_new=1 state
  states=""
  for f in "${list_a[@]}" "${list_b[@]}"; do
    [ -z "${known[$f]:-}" ] || continue
    known[$f]=1
    name="${src#/}/$f"
    if [ -z "${found[$name]:-}" ]; then
      state="-"
    elif [ -n "${size_a[$f]:-}" ] && cmp -s "$scratch/$name" "$store_a/$f"; then
      state="A"
    elif [ -n "${size_b[$f]:-}" ] && cmp -s "$scratch/$name" "$src/$f"; then
      state="B"
    else
      state="?"
    fi
    unset "found[$name]"
    if [ -n "${size_a[$f]:-}" ]; then [ "$state" = A ] || is_old=0; else [ "$state" = - ] || is_old=0; fi
    if [ -n "${size_b[$f]:-}" ]; then [ "$state" = B ] || is_new=0; else [ "$state" = - ] || is_new=0; fi
    states+=" $f=$state"
  done
  for name in "${!found[@]}"; do # anything else the restore wrote
    is_old=0
    is_new=0
    states+=" /${name}=extra"
  done
  verdict=other
  if [ "$verify_status" -eq 0 ] && [ "$restore_status" -eq 0 ]; then
    [ "$is_old" -eq 0 ] || verdict=old
    [ "$is_new" -eq 0 ] || verdict=new
  fi
}

leftovers() { # whether D holds a temporary name of Kestrix's
  [ -n "$(find "$dest" -name '.kestrix-*' -print -quit)" ]
}

# The previous backup: version A, saved by one whole unattended run into the template.
echo "== sources: $((source_bytes >> 20)) MiB in ${#list_a[@]} files" >&2
make_version "$src" size_a "${list_a[@]}"
write_list "${list_a[@]}"
reset_program
start_run
wait_run
if [ "$run_status" -ne 0 ]; then
  echo "the backup of A failed (status $run_status):" >&2
  cat "$logs/kestrix" >&2
  exit 2
fi
mv "$dest" "$template"
template_listing="$(listing "$template")"
mv "$src" "$store_a"
make_version "$src" size_b "${list_b[@]}"
write_list "${list_b[@]}"

# The judge's own check, and the length of a whole run: a few whole runs of B over the template
# must each be judged "new", and the template alone "old".
reset_destination
judge
if [ "$verdict" != old ]; then
  echo "the template is not judged the backup of A ($verdict:$states)" >&2
  cat "$logs/verifier" "$logs/restore" >&2
  exit 2
fi
longest=0
lengths=""
for _ in 1 2 3 4 5; do
  reset_destination
  reset_program
  start=${EPOCHREALTIME/./}
  start_run
  wait_run
  length=$((${EPOCHREALTIME/./} - start))
  judge
  if [ "$run_status" -ne 0 ] || [ "$verdict" != new ]; then
    echo "a whole run on B is not judged new (status $run_status, $verdict:$states)" >&2
    cat "$logs/kestrix" "$logs/verifier" "$logs/restore" >&2
    exit 2
  fi
  [ "$length" -le "$longest" ] || longest=$length
  lengths+=" $((length / 1000))"
done
# A bit more than the longest, so that the end of a run is reached too.
span=$((longest * 11 / 10))
echo "== whole runs:$lengths ms; kills drawn uniformly between 0 and $((span / 1000)) ms" >&2

old=0 new=0 other=0 ended=0 left_after_kill=0 left_after_restore=0
began=${EPOCHREALTIME/./}
for ((round = 1; round <= rounds; round++)); do
  reset_destination
  reset_program
  delay=$((((RANDOM << 15) | RANDOM) % (span + 1)))
  start=${EPOCHREALTIME/./}
  start_run
  remaining=$((delay - (${EPOCHREALTIME/./} - start)))
  [ "$remaining" -le 0 ] || sleep "$(printf '%d.%06d' $((remaining / 1000000)) $((remaining % 1000000)))"
  kill -9 "$run_pid" 2>/dev/null || true
  killed_at=$((${EPOCHREALTIME/./} - start))
  wait_run
  # 137 is the kill; any other status is a run that ended before it.
  how="killed at $((killed_at / 1000)) ms"
  if [ "$run_status" -ne 137 ]; then
    ended=$((ended + 1))
    how="ended by itself (status $run_status) before the kill at $((killed_at / 1000)) ms"
  fi
  ! leftovers || left_after_kill=$((left_after_kill + 1))
  judge
  ! leftovers || left_after_restore=$((left_after_restore + 1))
  case "$verdict" in
  old) old=$((old + 1)) ;;
  new) new=$((new + 1)) ;;
  *)
    other=$((other + 1))
    echo "round $round: $how; --verifier $verify_status ($verify_summary); restore $restore_status;$states"
    ;;
  esac
  if ((round % 25 == 0)) && ((round < rounds)); then
    echo "== $round rounds: old $old, new $new, other $other" >&2
  fi
done

echo "Runs finished before their kill: $ended; rounds leaving .kestrix-* in D: $left_after_kill" \
  "after the kill, $left_after_restore after the restore"
echo "Time: $(((${EPOCHREALTIME/./} - began) / 1000000)) s for $rounds rounds"
echo "old: $old  new: $new  other: $other  ($rounds kills)"
[ "$other" -eq 0 ]
