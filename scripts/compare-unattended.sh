#!/usr/bin/env bash
# Runs the same unattended backup with two program folders, as a scheduled job runs it (no
# DISPLAY, WAYLAND_DISPLAY or QT_QPA_PLATFORM), on a fixed clock and report number, and compares
# byte for byte what each left: the report, stderr, the exit status, the settings and the files
# in D with their modes. D is a tmpfs of its own for each run, so that both see the same free
# space.
#   scripts/compare-unattended.sh OLD_PROGRAM_FOLDER NEW_PROGRAM_FOLDER
# Each folder is copied first. Two runs: "/rep D /bat /auto" with a list of varied files, and
# "/rep D /auto" with a folder in place of the list (an error box on stderr, nothing committed).
set -euo pipefail
[ $# -ge 2 ] || { sed -n '2,7p' "$0" >&2; exit 2; }
old="$(realpath "$1")" new="$(realpath "$2")"
work="$(mktemp -d /tmp/kestrix-compare.XXXXXX)"
trap 'rm -rf "$work"' EXIT

# The sources: plain, empty and executable files, one missing, and a later file of a name taken.
mkdir -p "$work/src/other"
printf 'alpha\n' >"$work/src/a.conf"
: >"$work/src/empty"
head -c 300000 /dev/urandom >"$work/src/big.bin"
printf '#!/bin/sh\n' >"$work/src/run.sh" && chmod 755 "$work/src/run.sh"
printf 'other\n' >"$work/src/other/A.conf"
printf '%s\n' "$work/src/a.conf" "$work/src/empty" "$work/src/big.bin" "$work/src/run.sh" \
  "$work/src/absent" "$work/src/other/A.conf" >"$work/list"

run() {  # run NAME FOLDER
  rm -rf "$work/prog"
  cp -a "$2" "$work/prog"
  rm -rf "$work/prog/Rapports" "$work/prog/Rapport Important.txt" && mkdir "$work/prog/Rapports"
  # One restore program for both, so that only kestrix differs.
  cp "$old/Data/Kestrix.res" "$work/prog/Data/Kestrix.res"
  rm -f "$work/prog/Data/Kestrix.dat"
  if [ "$list" = folder ]; then mkdir "$work/prog/Data/Kestrix.dat"; else cp "$work/list" "$work/prog/Data/Kestrix.dat"; fi
  sed 's/^CurrentRapportNo=.*/CurrentRapportNo=41/' "$(dirname "$0")/../data/Data/Kestrix.ini" \
    >"$work/prog/Data/Kestrix.ini"
  mkdir -p "$work/D" "$work/$1.D"
  # A frozen clock; the monotonic one keeps running for the waits.
  unshare -m sh -c 'mount --make-rprivate / && mount -t tmpfs -o size=64m tmpfs "$1/D" &&
    cd "$1/prog" && { env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM DONT_FAKE_MONOTONIC=1 \
      faketime -f "2026-12-07 11:15:45" ./kestrix "$@" >"$1/$2.stdout" 2>"$1/$2.stderr"
      echo $? >"$1/$2.status"; cp -a "$1/D/." "$1/$2.D/"; }' sh "$work" "$1" "${options[@]}"
  cp -a "$work/prog/Rapports" "$work/$1.reports"
  cp "$work/prog/Data/Kestrix.ini" "$work/$1.ini"
  (cd "$work/$1.D" && find . -printf '%p %M %u %g %s\n' | sort) >"$work/$1.modes"
}
compare() {  # compare list|folder OPTIONS...
  list="$1"
  shift
  options=("$@")
  echo "== kestrix $* ($list)"
  rm -rf "$work"/before.* "$work"/after.*
  run before "$old"
  run after "$new"

  for part in status stdout stderr ini modes; do
    if cmp -s "$work/before.$part" "$work/after.$part"; then echo "same     $part"
    else echo "DIFFERENT $part"; diff "$work/before.$part" "$work/after.$part" | head -20; differ=1; fi
  done
  for part in reports D; do
    if diff -r "$work/before.$part" "$work/after.$part" >/dev/null; then
      echo "same     $part ($(find "$work/before.$part" -type f | wc -l) files)"
    else echo "DIFFERENT $part"; diff -r "$work/before.$part" "$work/after.$part" | head -20; differ=1; fi
  done
  echo "exit status $(cat "$work/after.status"); stderr:"
  sed 's/^/  /' "$work/after.stderr"
}
differ=0
compare list /rep "$work/D" /bat /auto
compare folder /rep "$work/D" /auto
exit "$differ"
