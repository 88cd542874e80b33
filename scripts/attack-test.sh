#!/usr/bin/env bash
# Stages, on a program folder, what a hostile local user and bad inputs do to root's backups and
# restores, and says for each case whether Kestrix holds.
#
#   scripts/attack-test.sh [--program DIR] [CASE...]
#
# As root. Two throw-away accounts play the other users; every attack of theirs runs under their
# own identity (runuser). Each case prints the commands' exit statuses and the lines they wrote,
# then "held" or "NOT HELD"; the last line counts them. CASE names (1, 2, ... 11i) pick cases; by
# default every case runs. Exit status: 0 when every case held, 1 when one did not, 2 when the
# test could not be set up.
#
# DIR is a program folder (kestrix, Data/Kestrix.res...); by default build/Kestrix/, built first.
# Everything happens in a temporary folder, removed at the end with the accounts and the mounts.
set -euo pipefail
export LC_ALL=C.UTF-8
umask 022

usage() {
  echo "usage: $0 [--program PROGRAM_FOLDER] [CASE...]" >&2
  exit 2
}

root="$(cd "$(dirname "$0")/.." && pwd)"
program=""
only=()
while [ $# -gt 0 ]; do
  case "$1" in
  --program)
    [ $# -ge 2 ] || usage
    program="$2"
    shift 2
    ;;
  -h | --help) usage ;;
  *)
    only+=("$1")
    shift
    ;;
  esac
done
if [ "$(id -u)" -ne 0 ]; then
  echo "$0: run as root: the attacks need a second account and a run of root's" >&2
  exit 2
fi
# shellcheck source=scripts/program-folder.sh
. "$root/scripts/program-folder.sh"
program_folder "$root" "$program"
for tool in cc runuser flock setfacl; do
  command -v "$tool" >/dev/null || {
    echo "$0: $tool is missing (scripts/install-deps.sh installs it)" >&2
    exit 2
  }
done

user1="kxa$$"
user2="kxb$$"
work=""
mounts=()
background=()
cleanup() {
  local pid m
  for pid in "${background[@]}"; do kill "$pid" 2>/dev/null || true; done
  pkill -u "$user1" 2>/dev/null || true
  pkill -u "$user2" 2>/dev/null || true
  sleep 0.2
  for ((m = ${#mounts[@]} - 1; m >= 0; m--)); do umount -l "${mounts[$m]}" 2>/dev/null || true; done
  userdel "$user1" 2>/dev/null || true
  userdel "$user2" 2>/dev/null || true
  [ -z "$work" ] || rm -rf -- "$work"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM
useradd -M -N "$user1" && useradd -M -N "$user2" || {
  echo "$0: useradd failed" >&2
  exit 2
}
work="$(mktemp -d)"
chmod 755 "$work"
prog="$work/program"
cp -a "$program" "$prog"
cp "$prog/Data/Kestrix.ini" "$work/Kestrix.ini"

# A small program of the attacker's: `swap A B` exchanges two names until killed (a link and a
# file, so that a reader who checked one may open the other); `watch F` counts the openings of F
# and prints the count when killed.
cat >"$work/attacker.c" <<'EOF'
#define _GNU_SOURCE
#include <fcntl.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/inotify.h>
#include <unistd.h>
static volatile sig_atomic_t stop;
static void on_term(int s) { (void)s; stop = 1; }
int main(int argc, char** argv) {
    struct sigaction sa;
    memset(&sa, 0, sizeof sa);
    sa.sa_handler = on_term;
    sigaction(SIGTERM, &sa, NULL);
    if (argc == 4 && strcmp(argv[1], "swap") == 0) {
        while (!stop) renameat2(AT_FDCWD, argv[2], AT_FDCWD, argv[3], RENAME_EXCHANGE);
        return 0;
    }
    if (argc == 3 && strcmp(argv[1], "watch") == 0) {
        int fd = inotify_init();
        if (fd < 0 || inotify_add_watch(fd, argv[2], IN_OPEN) < 0) return 2;
        char buffer[4096];
        long opened = 0;
        puts("ready");
        fflush(stdout);
        while (!stop) {
            ssize_t n = read(fd, buffer, sizeof buffer);
            for (ssize_t at = 0; n > 0 && at < n;) {
                struct inotify_event* e = (struct inotify_event*)(buffer + at);
                if (e->mask & IN_OPEN) ++opened;
                at += sizeof *e + e->len;
            }
        }
        printf("%ld\n", opened);
        return 0;
    }
    return 2;
}
EOF
cc -O2 -o "$work/attacker" "$work/attacker.c"
chmod 755 "$work/attacker"

held=0
failed=0
logs="$work/logs"
mkdir "$logs"

wanted() {
  [ ${#only[@]} -eq 0 ] && return 0
  local c
  for c in "${only[@]}"; do [ "$c" = "$1" ] && return 0; done
  return 1
}

# verdict CASE TEXT CONDITION...: "held" when the command CONDITION succeeds.
verdict() {
  local name="$1" text="$2"
  shift 2
  if "$@"; then
    held=$((held + 1))
    printf '  -> case %s held: %s\n\n' "$name" "$text"
  else
    failed=$((failed + 1))
    printf '  -> case %s NOT HELD: %s\n\n' "$name" "$text"
  fi
}

as_user() { # USER COMMAND...
  local who="$1"
  shift
  runuser -u "$who" -- "$@"
}

write_list() { # the sources, one per line
  printf '%s\n' "$@" >"$prog/Data/Kestrix.dat"
}

reset_program() {
  cp "$work/Kestrix.ini" "$prog/Data/Kestrix.ini"
  rm -rf "$prog/Rapports" "$prog/Rapport Important.txt"
  mkdir "$prog/Rapports"
}

# kestrix D [more arguments]: an unattended run as a timer starts it; sets status, shows stderr.
kestrix() {
  local dest="$1"
  shift
  status=0
  (
    cd "$prog"
    unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM
    exec timeout 60 ./kestrix /rep "$dest" /nobat /auto "$@"
  ) </dev/null >"$logs/out" 2>"$logs/err" || status=$?
  echo "  \$ kestrix /rep $dest /nobat /auto $*  -> exit $status"
  sed 's/^/    | /' "$logs/err"
}

# restore MODE... D: D's own restore program; sets rstatus, shows what it wrote.
restore() {
  local args=("$@") dest="${*: -1}"
  rstatus=0
  timeout 60 "$dest/Restore.exe" "${args[@]}" </dev/null >"$logs/rout" 2>&1 || rstatus=$?
  echo "  \$ Restore.exe ${args[*]}  -> exit $rstatus"
  grep -v '^[[:space:]]*$' "$logs/rout" | tail -n 6 | sed 's/^/    | /'
}

stderr_has() { grep -qF -- "$1" "$logs/err"; }

case_1() {
  echo "== 1. a first run into a folder whose Kestrix/ holds files Kestrix did not write"
  local x="$work/c1" src="$work/c1src"
  mkdir -p "$x/Kestrix" "$src"
  echo notes >"$x/Kestrix/notes.txt"
  printf '#!/bin/sh\n' >"$x/Kestrix/kestrix"
  echo lisez-moi >"$x/Kestrix/Kestrix.txt"
  echo config >"$src/app.conf"
  write_list "$src/app.conf"
  reset_program
  kestrix "$x"
  ls "$x/Kestrix" | sed 's/^/    ls: /'
  verdict 1 "the run keeps notes.txt, kestrix and Kestrix.txt, says so, and copies app.conf" \
    eval '[ "$status" -eq 0 ] && [ "$(cat "$x/Kestrix/notes.txt")" = notes ] &&
      [ -f "$x/Kestrix/kestrix" ] && [ -f "$x/Kestrix/Kestrix.txt" ] &&
      cmp -s "$x/Kestrix/app.conf" "$src/app.conf" && stderr_has notes.txt'
}

case_2() {
  echo "== 2. another user holds a lock on D, its Kestrix/ and its catalogue"
  local d="$work/c2" src="$work/c2src" pid
  mkdir -p "$src"
  echo v1 >"$src/a.conf"
  write_list "$src/a.conf"
  reset_program
  kestrix "$d"
  for f in "$d" "$d/Kestrix" "$d/Kestrix.dat" "$d/Restore.exe"; do
    as_user "$user1" flock -x -n "$f" sleep 120 &
    pid=$!
    background+=("$pid")
  done
  sleep 0.5
  echo "  (held by $user1: $(pgrep -u "$user1" -c flock || true) locks)"
  echo v2 >"$src/a.conf"
  kestrix "$d"
  local run=$status
  restore --verifier "$d"
  local verify=$rstatus
  restore --liste "$d"
  verdict 2 "the run and the restore program go on as if nobody held a lock" \
    eval '[ "$run" -eq 0 ] && [ "$verify" -eq 0 ] && [ "$rstatus" -eq 0 ] &&
      [ "$(cat "$d/Kestrix/a.conf")" = v2 ]'
  pkill -u "$user1" flock 2>/dev/null || true
}

case_3() {
  echo "== 3. the owner of one listed file moves it away and back during every run"
  local d="$work/c3" src="$work/c3src" i saved=0 pid
  mkdir -p "$src/user"
  chown "$user1" "$src/user"
  echo mine >"$src/user/mine.conf"
  chown "$user1" "$src/user/mine.conf"
  echo r0 >"$src/root.conf"
  write_list "$src/user/mine.conf" "$src/root.conf"
  reset_program
  kestrix "$d"
  as_user "$user1" sh -c 'cd "$1" && while :; do mv mine.conf x; mv x mine.conf; done' sh "$src/user" &
  pid=$!
  background+=("$pid")
  for i in 1 2 3 4 5; do
    echo "r$i" >"$src/root.conf"
    reset_program
    kestrix "$d" >/dev/null
    echo "  run $i: exit $status, D/Kestrix/root.conf holds $(cat "$d/Kestrix/root.conf")"
    [ "$(cat "$d/Kestrix/root.conf")" != "r$i" ] || saved=$((saved + 1))
  done
  kill "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  # The loop's last mv may still be on its way.
  pkill -u "$user1" 2>/dev/null || true
  sleep 0.2
  [ -f "$src/user/mine.conf" ] || mv "$src/user/x" "$src/user/mine.conf"
  restore --verifier "$d"
  verdict 3 "every run saved the change of root.conf ($saved of 5), the user's copy kept" \
    eval '[ "$saved" -eq 5 ] && [ -f "$d/Kestrix/mine.conf" ] && [ "$rstatus" -eq 0 ]'
}

case_4() {
  echo "== 4. the owner of a source makes its copy writable by all"
  local d="$work/c4" src="$work/c4src" r="$work/c4root" s1 s2 s3 s4
  mkdir -p "$src/user" "$r"
  chown "$user1" "$src/user"
  echo app >"$src/user/app.conf"
  chown "$user1" "$src/user/app.conf"
  echo sys >"$src/sys.conf"
  write_list "$src/user/app.conf" "$src/sys.conf"
  reset_program
  kestrix "$d"
  as_user "$user1" chmod 666 "$d/Kestrix/app.conf"
  restore --liste "$d"
  s1=$rstatus
  restore --verifier "$d"
  s2=$rstatus
  restore --comparer "$d"
  s3=$rstatus
  mkdir -p "$r$src/user"
  restore --oui --racine "$r" "$d"
  s4=$rstatus
  verdict 4 "each mode skips app.conf with exit 1 (not 2) and sys.conf is restored" \
    eval '[ "$s1$s2$s3$s4" = 1111 ] && cmp -s "$r$src/sys.conf" "$src/sys.conf" &&
      [ ! -e "$r$src/user/app.conf" ]'
}

case_5() {
  echo "== 5. files protected only by their folder (0700, 0750, an access control list)"
  local d="$work/c5" src="$work/c5src" m1 m2 m3 reads
  mkdir -p "$src/private" "$src/group" "$src/acl"
  chown "$user1" "$src/private" "$src/group"
  chmod 0700 "$src/private"
  chmod 0750 "$src/group"
  echo secret >"$src/private/a.key"
  echo team >"$src/group/b.key"
  echo acl >"$src/acl/c.key"
  chmod 0644 "$src/private/a.key" "$src/group/b.key" "$src/acl/c.key"
  chmod 0711 "$src/acl"
  setfacl -m "u:$user2:r" "$src/acl/c.key"
  write_list "$src/private/a.key" "$src/group/b.key" "$src/acl/c.key"
  reset_program
  kestrix "$d"
  m1=$(stat -c %a "$d/Kestrix/a.key")
  m2=$(stat -c %a "$d/Kestrix/b.key")
  m3=$(stat -c %a "$d/Kestrix/c.key")
  reads=0
  as_user "$user2" cat "$d/Kestrix/a.key" >/dev/null 2>&1 && reads=1
  echo "  copies: a.key $m1 (folder 0700), b.key $m2 (folder 0750), c.key $m3 (ACL); $user2 reads a.key: $reads"
  verdict 5 "no copy is readable by a user who could not reach its source" \
    eval '[ "$m1" = 600 ] && [ "$m2" = 640 ] && [ "$m3" = 600 ] && [ "$reads" -eq 0 ]'
}

case_6() {
  echo "== 6. --comparer while the owner of a source swaps it with a link to a root-only file"
  local d="$work/c6" src="$work/c6src" secret="$work/c6secret/shadow" i watcher swapper opened
  mkdir -p "$src" "$(dirname "$secret")"
  chown "$user1" "$src"
  echo "root only" >"$secret"
  chmod 600 "$secret"
  echo mine >"$src/mine.conf"
  chown "$user1" "$src/mine.conf"
  write_list "$src/mine.conf"
  reset_program
  kestrix "$d"
  as_user "$user1" ln -s "$secret" "$src/link"
  "$work/attacker" watch "$secret" >"$logs/watch" &
  watcher=$!
  background+=("$watcher")
  for i in $(seq 100); do [ -s "$logs/watch" ] && break || sleep 0.05; done
  as_user "$user1" "$work/attacker" swap "$src/mine.conf" "$src/link" &
  swapper=$!
  background+=("$swapper")
  for i in $(seq 60); do
    timeout 60 "$d/Restore.exe" --comparer "$d" </dev/null >/dev/null 2>&1 || true
  done
  kill "$swapper" 2>/dev/null || true
  wait "$swapper" 2>/dev/null || true
  kill "$watcher"
  wait "$watcher" 2>/dev/null || true
  opened=$(tail -n 1 "$logs/watch")
  echo "  60 runs of --comparer: the root-only file was opened $opened times"
  verdict 6 "--comparer never opens what a swapped-in link points to" eval '[ "$opened" = 0 ]'
}

case_7() {
  echo "== 7. an empty intent file beside a whole backup"
  local d="$work/c7" src="$work/c7src" v
  mkdir -p "$src"
  echo one >"$src/a.conf"
  write_list "$src/a.conf"
  reset_program
  kestrix "$d"
  : >"$d/.kestrix-validation"
  restore --verifier "$d"
  v=$rstatus
  restore --liste "$d"
  echo two >"$src/a.conf"
  reset_program
  kestrix "$d"
  verdict 7 "the backup stays usable, the intent file is named, the next run saves" \
    eval '[ "$v" -eq 0 ] && grep -qF .kestrix-validation "$logs/rout" "$logs/err" &&
      [ "$status" -eq 0 ] && [ "$(cat "$d/Kestrix/a.conf")" = two ]'
}

case_8() {
  echo "== 8. a source named .kestrix-*"
  local d="$work/c8" src="$work/c8src" r="$work/c8root"
  mkdir -p "$src" "$r$src"
  echo hidden >"$src/.kestrix-notes"
  write_list "$src/.kestrix-notes"
  reset_program
  kestrix "$d"
  kestrix "$d"
  restore --verifier "$d"
  local v=$rstatus
  restore --oui --racine "$r" "$d"
  verdict 8 "its copy survives two runs and a restore, and comes back" \
    eval '[ "$status" -eq 0 ] && [ "$v" -eq 0 ] && [ "$rstatus" -eq 0 ] &&
      cmp -s "$d/Kestrix/.kestrix-notes" "$src/.kestrix-notes" &&
      cmp -s "$r$src/.kestrix-notes" "$src/.kestrix-notes"'
}

case_9() {
  echo "== 9. a root-owned link moved by a user into the path of the user's own file"
  local d="$work/c9" home="$work/c9home" victim="$work/c9victim"
  mkdir -p "$home/cfg" "$victim"
  chown "$user1" "$home" "$home/cfg"
  echo mine >"$home/cfg/app.conf"
  chown "$user1" "$home/cfg/app.conf"
  ln -s "$victim" "$home/rootlink"
  write_list "$home/cfg/app.conf"
  reset_program
  kestrix "$d"
  as_user "$user1" sh -c 'rm -rf "$1/cfg" && mv "$1/rootlink" "$1/cfg"' sh "$home"
  restore --oui "$d"
  ls -A "$victim" | sed 's/^/    victim: /'
  verdict 9 "the restore writes nothing into the folder the link points to" \
    eval '[ ! -e "$victim/app.conf" ]'
}

case_10() {
  echo "== 10. a run as root into a D that another user owns"
  local d="$work/c10" src="$work/c10src"
  mkdir -p "$d" "$src"
  chown "$user1" "$d"
  echo one >"$src/a.conf"
  write_list "$src/a.conf"
  reset_program
  kestrix "$d"
  verdict 10 "the run exits 1 and says why on stderr" eval '[ "$status" -eq 1 ] && stderr_has "$d"'
}

case_11a() {
  echo "== 11a. a NUL byte in the list"
  local d="$work/c11a" src="$work/c11asrc"
  mkdir -p "$src"
  echo a >"$src/a"
  echo c >"$src/c"
  printf '%s\n%s\0x\n%s\n' "$src/a" "$src/b" "$src/c" >"$prog/Data/Kestrix.dat"
  reset_program
  kestrix "$d"
  verdict 11a "the lines after it are read and the line is named" \
    eval 'cmp -s "$d/Kestrix/c" "$src/c" && cmp -s "$d/Kestrix/a" "$src/a" && stderr_has "$src/b"'
}

case_11b() {
  echo "== 11b. the list a link to /dev/zero, then a FIFO"
  local d="$work/c11b" s1
  rm -f "$prog/Data/Kestrix.dat"
  ln -s /dev/zero "$prog/Data/Kestrix.dat"
  reset_program
  kestrix "$d"
  s1=$status
  local e1
  e1=$(wc -l <"$logs/err")
  rm -f "$prog/Data/Kestrix.dat"
  mkfifo "$prog/Data/Kestrix.dat"
  kestrix "$d"
  rm -f "$prog/Data/Kestrix.dat"
  verdict 11b "each is refused at once with a message, not run out of memory or hung" \
    eval '[ "$s1" -ne 0 ] && [ "$s1" -ne 124 ] && [ "$s1" -lt 128 ] && [ "$e1" -gt 0 ] &&
      [ "$status" -ne 0 ] && [ "$status" -ne 124 ] && [ -s "$logs/err" ]'
}

case_11c() {
  echo "== 11c. report numbers out of range in Kestrix.ini"
  local d="$work/c11c" src="$work/c11csrc" s1
  mkdir -p "$src"
  echo a >"$src/a"
  write_list "$src/a"
  reset_program
  sed -i 's/^CurrentRapportNo=.*/CurrentRapportNo=2147483647/' "$prog/Data/Kestrix.ini"
  kestrix "$d"
  s1=$status
  kestrix "$d"
  local s2=$status
  reset_program
  sed -i 's|^CurrentRapportNo=.*|CurrentRapportNo=../../evade|' "$prog/Data/Kestrix.ini"
  kestrix "$d"
  find "$work" -name '*evade*' | sed 's/^/    found: /'
  verdict 11c "the number is replaced by its default and named; no report outside Rapports" \
    eval '[ "$s1" -eq 0 ] && [ "$s2" -eq 0 ] && [ "$status" -eq 0 ] &&
      [ -z "$(find "$work" -name "*evade*")" ] && stderr_has CurrentRapportNo'
}

case_11d() {
  echo "== 11d. /rep /"
  local src="$work/c11dsrc" before after
  mkdir -p "$src"
  echo a >"$src/a"
  write_list "$src/a"
  reset_program
  before=$(ls -A /)
  kestrix /
  after=$(ls -A /)
  verdict 11d "refused, nothing written into /" \
    eval '[ "$status" -ne 0 ] && [ "$before" = "$after" ] && [ -s "$logs/err" ]'
}

case_11e() {
  echo "== 11e. a destination under a read-only mount"
  local ro="$work/c11e" src="$work/c11esrc"
  mkdir -p "$ro" "$src"
  mount -t tmpfs -o size=4m tmpfs "$ro"
  mounts+=("$ro")
  mount -o remount,ro "$ro"
  echo a >"$src/a"
  write_list "$src/a"
  reset_program
  kestrix "$ro/sub"
  verdict 11e "stderr names the path and the read-only file system" \
    eval '[ "$status" -ne 0 ] && stderr_has "$ro/sub" && grep -qi "lecture seule" "$logs/err"'
}

case_11f() {
  echo "== 11f. the same path listed twice"
  local d="$work/c11f" src="$work/c11fsrc"
  mkdir -p "$src"
  echo a >"$src/a"
  write_list "$src/a" "$src/a"
  reset_program
  kestrix "$d"
  verdict 11f "one source, copied once, exit 0" \
    eval '[ "$status" -eq 0 ] && ! grep -qE "[1-9][0-9]* non copi" "$logs/err" &&
      cmp -s "$d/Kestrix/a" "$src/a"'
}

case_11g() {
  echo "== 11g. a previous backup on a medium that became read-only"
  local d="$work/c11g" src="$work/c11gsrc"
  mkdir -p "$d" "$src"
  mount -t tmpfs -o size=8m tmpfs "$d"
  mounts+=("$d")
  echo a >"$src/a"
  write_list "$src/a"
  reset_program
  kestrix "$d"
  mount -o remount,ro "$d"
  echo b >"$src/a"
  reset_program
  kestrix "$d"
  verdict 11g "the run fails and says that the previous backup is kept as it is" \
    eval '[ "$status" -ne 0 ] && grep -q "gardée telle quelle" "$logs/err"'
}

for c in 1 2 3 4 5 6 7 8 9 10 11a 11b 11c 11d 11e 11f 11g; do
  wanted "$c" || continue
  "case_$c"
done
echo "attacks: $held passed, $failed failed"
[ "$failed" -eq 0 ]
