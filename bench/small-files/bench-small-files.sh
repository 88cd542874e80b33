#!/usr/bin/env bash
# Pairs, round by round, an unattended backup of many small files with `cp --preserve=all` of the
# same files followed by `sync -f`, then `Restore.exe --verifier` of that backup with
# `xxh128sum -c` of its manifest, warm and cold; on ext4 in an image file on disk, through a loop
# device, as a USB disk or a backup partition would be.
#
#   bench/small-files/bench-small-files.sh [--program DIR] [FILES] [KIB] [ROUNDS]
#
# FILES files of KIB KiB each (default 2000 of 4), ROUNDS rounds (default 5). Each round times
# both sides of a pair one right after the other, in an order that alternates, so that a busy
# machine slows both; it prints each round's ratio, then the median, minimum and maximum.
# "Warm": the sources or the backup were just written or read. "Cold": the file system was
# unmounted and mounted again and the page cache dropped just before. As root (loop device); DIR is a program folder, by
# default build/Kestrix/, built first.
set -euo pipefail
export LC_ALL=C
root="$(cd "$(dirname "$0")/../.." && pwd)"
program=""
if [ "${1:-}" = "--program" ]; then
  program="$(cd "$2" && pwd)"
  shift 2
fi
files="${1:-2000}"
kib="${2:-4}"
rounds="${3:-5}"
if [ "$(id -u)" -ne 0 ]; then
  echo "$0: run as root (a loop device is mounted)" >&2
  exit 2
fi
if [ -z "$program" ]; then
  bash "$root/scripts/build.sh" kestrix kestrix_restore kestrix_program_folder >&2
  program="$root/build/Kestrix"
fi
command -v xxh128sum >/dev/null || {
  echo "$0: xxh128sum is missing (Debian package xxhash)" >&2
  exit 2
}

image="$(mktemp -d -p /var/tmp kestrix-bench.XXXXXX)"
loop=""
mnt="$image/mnt"
cleanup() {
  mountpoint -q "$mnt" && umount "$mnt"
  [ -z "$loop" ] || losetup -d "$loop" 2>/dev/null || true
  rm -rf -- "$image"
}
trap cleanup EXIT
bytes=$((files * (kib + 4) * 1024))
truncate -s $((128 * (1 << 20) + 4 * bytes)) "$image/ext4.img"
# Initialised whole now, as a medium formatted long ago is: no lazy initialisation writes
# behind the rounds.
mkfs.ext4 -q -F -N $((4 * files + 4096)) -E lazy_itable_init=0,lazy_journal_init=0 "$image/ext4.img"
loop="$(losetup -f --show "$image/ext4.img")"
mkdir "$mnt"
mount "$loop" "$mnt"
# The image file's own pages stay cached by the file system below it: drop them too.
drop=1
sync
echo 3 2>/dev/null >/proc/sys/vm/drop_caches || {
  drop=0
  echo "the page cache cannot be dropped here: the cold figures only remount" >&2
}
remount() {
  umount "$mnt"
  if [ "$drop" -eq 1 ]; then
    sync
    echo 3 >/proc/sys/vm/drop_caches
  fi
  mount "$loop" "$mnt"
}

# The sources, 500 to a folder, random bytes; the program folder beside them.
src="$mnt/src"
for ((i = 0; i < files; i++)); do
  folder="$src/d$((i / 500))"
  [ $((i % 500)) -ne 0 ] || mkdir -p "$folder"
  printf '%s/f%05d\n' "$folder" "$i"
done >"$image/list"
head -c $((files * kib * 1024)) /dev/urandom >"$image/bytes"
split -a 6 -b $((kib * 1024)) "$image/bytes" "$image/piece."
paste -d' ' <(ls "$image"/piece.* | sort) "$image/list" | while read -r from to; do mv "$from" "$to"; done
rm -f "$image/bytes"
cp -a "$program" "$mnt/program"
cp "$image/list" "$mnt/program/Data/Kestrix.dat"
ini="$mnt/program/Data/Kestrix.ini.bench"
cp "$mnt/program/Data/Kestrix.ini" "$ini"
sync -f "$mnt"

now() { echo "${EPOCHREALTIME/./}"; }
# The settings and reports of the previous round go before the clock starts.
kestrix_prepare() {
  cp "$ini" "$mnt/program/Data/Kestrix.ini"
  rm -rf "$mnt/program/Rapports" "$mnt/program/Rapport Important.txt"
  mkdir "$mnt/program/Rapports"
}
kestrix_run() {
  (
    cd "$mnt/program"
    unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM
    exec ./kestrix /rep "$mnt/D" /nobat /auto
  ) </dev/null >/dev/null 2>"$image/kestrix.err" || {
    echo "the backup failed:" >&2
    cat "$image/kestrix.err" >&2
    exit 2
  }
}
cp_run() {
  cp -a --preserve=all "$src" "$mnt/C"
  sync -f "$mnt/C"
}
verify_run() { "$mnt/D/Restore.exe" --verifier "$mnt/D" </dev/null >/dev/null; }
xxh_run() { (cd "$mnt/D" && xxh128sum -c --quiet Kestrix.xxh128 >/dev/null); }

timed() { # COMMAND: sets t, its time in µs
  local start
  start=$(now)
  "$@"
  t=$(($(now) - start))
}
ratios=()
report() { # LABEL: median, minimum and maximum of ratios
  printf '%-42s median %s  min %s  max %s\n' "$1" \
    "$(printf '%s\n' "${ratios[@]}" | sort -n | awk '{ a[NR] = $1 } END { print a[int((NR + 1) / 2)] }')" \
    "$(printf '%s\n' "${ratios[@]}" | sort -n | head -1)" "$(printf '%s\n' "${ratios[@]}" | sort -n | tail -1)"
  ratios=()
}
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }

echo "== $files files of $kib KiB, ext4 on $loop, $rounds rounds"
for ((r = 1; r <= rounds; r++)); do
  rm -rf "$mnt/D" "$mnt/C"
  kestrix_prepare
  sync -f "$mnt"
  if ((r % 2)); then
    timed kestrix_run; tk=$t
    timed cp_run; tc=$t
  else
    timed cp_run; tc=$t
    timed kestrix_run; tk=$t
  fi
  ratios+=("$(ratio "$tk" "$tc")")
  printf '  round %d: kestrix %6d ms, cp --preserve=all + sync -f %6d ms, ratio %s\n' \
    "$r" $((tk / 1000)) $((tc / 1000)) "${ratios[-1]}"
done
report "backup / cp --preserve=all + sync -f"

for temperature in warm cold; do
  for ((r = 1; r <= rounds; r++)); do
    [ "$temperature" = warm ] || remount
    if ((r % 2)); then
      timed verify_run; tv=$t
      [ "$temperature" = warm ] || remount
      timed xxh_run; tx=$t
    else
      timed xxh_run; tx=$t
      [ "$temperature" = warm ] || remount
      timed verify_run; tv=$t
    fi
    ratios+=("$(ratio "$tv" "$tx")")
    printf '  round %d (%s): --verifier %6d ms, xxh128sum -c %6d ms, ratio %s\n' \
      "$r" "$temperature" $((tv / 1000)) $((tx / 1000)) "${ratios[-1]}"
  done
  report "--verifier / xxh128sum -c, $temperature"
done
