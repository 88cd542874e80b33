#!/usr/bin/env bash
# Kills unattended backup runs and judges, as a user would, what each one left.
#
#   scripts/crash-test.sh [--program DIR] [N]        N kills at random instants (default 100)
#   scripts/crash-test.sh [--program DIR] --steps    a kill just before each durable step in turn
#
# Each round puts back a good previous backup (version A of the sources) in a destination D,
# starts `kestrix /rep D /nobat /auto` on version B of the same sources as a scheduled job would,
# and kills it (SIGKILL). Then D's own Restore.exe checks D (--verifier) and restores it under an
# empty scratch root, and so does each earlier backup in D/Kestrix.historique/ with its own. The
# round is "old" when both exit 0, the restore gave exactly A's files with A's bytes and D holds
# no earlier backup (and, as root, A's disk record: an 8 MiB loop disk is added after A's backup,
# so that B's record differs), "new" when they gave exactly B's and D's one earlier backup gives
# A's (and D holds B's record), "other" otherwise; a whole set of backups must always be one of
# the first two. Exit status: 0 when every round was old or new, 1 when one was not, 2 when the
# test could not be set up.
#
# Random kills: a few hundred MB of sources; each delay is drawn uniformly over a typical run (the
# median of five whole runs, start-up included). A run that ended before its kill is counted
# apart, and judged like the others.
#
# Steps: a few MB of sources on ext4 in a loop-mounted image file. A first run counts its durable
# steps (every fsync, fdatasync, rename, unlink, mkdir and link call, whatever thread makes it,
# through tools/crash-steps/stop_before_step.c loaded with LD_PRELOAD); then round N kills a run
# just before its N-th step, for every N, so that each crash point of a run is reached once.
#
# DIR is a program folder (kestrix, Data/Kestrix.res...); by default build/Kestrix/, built first.
# Everything happens in a temporary folder, removed at the end; of the machine, only its disks are
# read (by the runs' disk record), and the loop disk added is detached at the end.
set -euo pipefail
export LC_ALL=C
umask 022

usage() {
  echo "usage: $0 [--program PROGRAM_FOLDER] [N | --steps]" >&2
  exit 2
}

root="$(cd "$(dirname "$0")/.." && pwd)"
program=""
rounds=100
steps=0
while [ $# -gt 0 ]; do
  case "$1" in
  --program)
    [ $# -ge 2 ] || usage
    program="$2"
    shift 2
    ;;
  --steps)
    steps=1
    shift
    ;;
  -h | --help) usage ;;
  *)
    [[ "$1" =~ ^[1-9][0-9]*$ ]] || usage
    rounds="$1"
    shift
    ;;
  esac
done

# shellcheck source=scripts/program-folder.sh
. "$root/scripts/program-folder.sh"
program_folder "$root" "$program"

# The sources: three large files and four small ones in three folders, random (incompressible)
# bytes. B rewrites every file of A, drops etc/ancien.cfg and adds etc/nouveau.cfg, so that a mix
# of the two backups shows in the bytes and in the set of files. Sizes are in bytes.
# The steps need no large file: each step is one run, and a few MB reach every step.
mib=$((1 << 20))
[ "$steps" -eq 0 ] || mib=$((1 << 10))
declare -A size_a=(
  [etc/fstab.conf]=3072 [images/systeme.img]=$((200 * mib)) [etc/ancien.cfg]=700
  [images/noyau.img]=$((120 * mib)) [boot/config.txt]=17408 [boot/initrd.img]=$((40 * mib))
  [boot/carte.map]=92160)
list_a=(etc/fstab.conf images/systeme.img etc/ancien.cfg images/noyau.img boot/config.txt
  boot/initrd.img boot/carte.map)
declare -A size_b=(
  [etc/fstab.conf]=3077 [images/systeme.img]=$((200 * mib)) [images/noyau.img]=$((120 * mib))
  [boot/config.txt]=17408 [boot/initrd.img]=$((40 * mib)) [etc/nouveau.cfg]=1024
  [boot/carte.map]=92160)
list_b=(etc/fstab.conf images/systeme.img images/noyau.img boot/config.txt boot/initrd.img
  etc/nouveau.cfg boot/carte.map)
source_bytes=0
for f in "${list_a[@]}"; do source_bytes=$((source_bytes + size_a[$f])); done

# The work folder: tmpfs when it has room for the sources twice, the template, D with both of its
# generations and the restored files (about six times the sources), and lets programs run there.
work=""
run_pid=""
image=""
added_disk=""
cleanup() {
  [ -z "$run_pid" ] || kill -9 "$run_pid" 2>/dev/null || true
  [ -z "$added_disk" ] || losetup -d "$added_disk" 2>/dev/null || true
  if [ -n "$image" ]; then
    umount "$work" 2>/dev/null || umount -l "$work" 2>/dev/null || true
    rm -rf -- "$image"
  fi
  [ -z "$work" ] || rm -rf -- "$work"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM
if [ "$steps" -eq 1 ]; then
  # ext4 in an image file on disk, as a USB disk or a backup partition would be.
  if [ "$(id -u)" -ne 0 ]; then
    echo "--steps mounts an ext4 image: run it as root" >&2
    exit 2
  fi
  image="$(mktemp -d -p /var/tmp kestrix-steps.XXXXXX)"
  # The program folder is copied there too: room for it beside the backups.
  program_bytes="$(du -sb "$program" | cut -f1)"
  truncate -s $((64 * (1 << 20) + program_bytes + 10 * source_bytes)) "$image/ext4.img"
  mkfs.ext4 -q -F "$image/ext4.img"
  work="$image/mnt"
  mkdir "$work"
  if ! mount -o loop "$image/ext4.img" "$work"; then
    echo "cannot mount a loop device here" >&2
    work=""
    exit 2
  fi
  cc -shared -fPIC -O2 -o "$image/stop_before_step.so" "$root/tools/crash-steps/stop_before_step.c" -ldl
elif [ -d /dev/shm ] && [ "$(df --output=avail -B1 /dev/shm | tail -1)" -gt $((7 * source_bytes)) ]; then
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
# run_env: more of the run's environment (NAME=VALUE...).
run_env=()
start_run() {
  (
    cd "$prog"
    unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM
    exec env "${run_env[@]}" ./kestrix /rep "$dest" /nobat /auto
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

# Judges the backup in folder $1 as a user would, with its own restore program (the program
# folder's when the run left none). Sets verdict (old/new/other), verify_status, restore_status,
# states (each file's origin in the restored tree: A, B, "?" for bytes of neither, "-" when
# absent) and verify_summary.
judge_backup() {
  local backup="$1"
  local restore="$backup/Restore.exe"
  [ -f "$restore" ] || restore="$prog/Data/Kestrix.res"
  verify_status=0
  timeout 300 "$restore" --verifier "$backup" </dev/null >"$logs/verifier" 2>&1 || verify_status=$?
  verify_summary="$(grep -v '^[[:space:]]*$' "$logs/verifier" | tail -1 || true)"

  rm -rf -- "$scratch"
  local folder
  for folder in "${list_a[@]%/*}" "${list_b[@]%/*}"; do mkdir -p "$scratch$src/$folder"; done
  restore_status=0
  timeout 300 "$restore" --oui --racine "$scratch" "$backup" </dev/null >"$logs/restore" 2>&1 ||
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
  # D's disk record goes with its backup: A's names no added disk, B's does.
  if [ -n "$added_disk" ] && [ "$backup" = "$dest" ]; then
    if ! cmp -s "$dest/Disques/Enregistrement.txt" "$template/Disques/Enregistrement.txt"; then
      is_old=0
    fi
    grep -q "^disque	nom=${added_disk#/dev/}	" "$dest/Disques/Enregistrement.txt" 2>/dev/null || is_new=0
  fi
  verdict=other
  if [ "$verify_status" -eq 0 ] && [ "$restore_status" -eq 0 ]; then
    [ "$is_old" -eq 0 ] || verdict=old
    [ "$is_new" -eq 0 ] || verdict=new
  fi
}

# Judges every backup in D: the set is old when D holds A and no earlier backup, new when it holds
# B and, as its one earlier backup in Kestrix.historique/, A; each is checked and restored.
judge() {
  local -a earlier=()
  judge_backup "$dest"
  if [ -d "$dest/Kestrix.historique" ]; then
    mapfile -t earlier < <(find "$dest/Kestrix.historique" -mindepth 1 -maxdepth 1 -printf '%P\n')
  fi
  case "$verdict" in
  old) [ "${#earlier[@]}" -eq 0 ] || verdict=other ;;
  new)
    if [ "${#earlier[@]}" -ne 1 ]; then
      verdict=other
    else
      judge_backup "$dest/Kestrix.historique/${earlier[0]}"
      earlier_judged=$((earlier_judged + 1))
      if [ "$verdict" = old ]; then verdict=new; else verdict=other; fi
    fi
    ;;
  esac
  states+=" earlier=${#earlier[@]}"
}
earlier_judged=0

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
# A disk added between the two versions (a loop device with a partition table, as root), so that
# the old and the new disk records differ and a mix would show.
if [ "$(id -u)" -eq 0 ] && truncate -s 8M "$work/disque.img" &&
  echo 'label: gpt' | sfdisk -q "$work/disque.img" 2>/dev/null; then
  added_disk="$(losetup -f --show "$work/disque.img" 2>/dev/null || true)"
fi
[ -n "$added_disk" ] && echo "== disk added after the old backup: $added_disk" >&2
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
lengths=()
for _ in 1 2 3 4 5; do
  reset_destination
  reset_program
  rm -f "$logs/steps"
  [ "$steps" -eq 0 ] || run_env=(LD_PRELOAD="$image/stop_before_step.so" KESTRIX_STEP_LOG="$logs/steps")
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
  lengths+=("$length")
  [ "$steps" -eq 0 ] || break
done
if [ "$steps" -eq 1 ]; then
  rounds=$(wc -l <"$logs/steps")
  echo "== a whole run makes $rounds durable steps:" \
    "$(awk '{ n[$2]++ } END { for (c in n) printf "%s %d, ", c, n[c] }' "$logs/steps" | sed 's/, $//')" >&2
  cp "$logs/steps" "$logs/steps-of-a-whole-run"
else
  # The median run: drawing over the longest of a few runs spends many kills after the end.
  span=$(printf '%s\n' "${lengths[@]}" | sort -n | sed -n 3p)
  echo "== whole runs: $(printf '%s ' "${lengths[@]}" | awk '{ for (i = 1; i <= NF; i++) printf "%d ", $i / 1000 }')ms;" \
    "kills drawn uniformly between 0 and $((span / 1000)) ms (the median)" >&2
fi

old=0 new=0 other=0 ended=0 left_after_kill=0 left_after_restore=0
began=${EPOCHREALTIME/./}
for ((round = 1; round <= rounds; round++)); do
  reset_destination
  reset_program
  start=${EPOCHREALTIME/./}
  if [ "$steps" -eq 1 ]; then
    step="$(sed -n "${round}p" "$logs/steps-of-a-whole-run" | cut -d' ' -f2)"
    run_env=(LD_PRELOAD="$image/stop_before_step.so" KESTRIX_STOP_BEFORE="$round")
    start_run
    how="killed before step $round ($step)"
  else
    delay=$((((RANDOM << 15) | RANDOM) % (span + 1)))
    start_run
    remaining=$((delay - (${EPOCHREALTIME/./} - start)))
    [ "$remaining" -le 0 ] || sleep "$(printf '%d.%06d' $((remaining / 1000000)) $((remaining % 1000000)))"
    kill -9 "$run_pid" 2>/dev/null || true
    how="killed at $((((${EPOCHREALTIME/./} - start)) / 1000)) ms"
  fi
  wait_run
  # 137 is the kill; any other status is a run that ended before it.
  if [ "$run_status" -ne 137 ]; then
    ended=$((ended + 1))
    how="ended by itself (status $run_status) before it was $how"
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
if [ "$steps" -eq 1 ]; then
  echo "old: $old  new: $new  other: $other  ($rounds steps, each killed once)"
else
  echo "old: $old  new: $new  other: $other  ($((rounds - ended)) kills during a run, $ended after its end)"
fi
echo "Earlier backups judged: $earlier_judged"
[ "$other" -eq 0 ]
