#!/usr/bin/env bash
# The Debian packages installed with dpkg into a temporary root. kestrix-nox alone: its launcher,
# run headless with "/rep DIR /auto" against a staged list, makes the backup and leaves its report
# in the installed program folder, with the journal lines of the missing file and of the run's end
# on stderr, also with a display announced but no window installed (without "/auto", one line
# names the window's package); a relative destination is taken from the caller's folder; "--help"
# prints the usage. With kestrix beside it, a reinstall
# of both over an edited Kestrix.ini and Kestrix.dat keeps both, byte for byte, and the next run
# uses them; the maintainer scripts, run as if systemd were running, never start, restart or stop
# the service; a purge of the window's package leaves the administrator's files and the timer; a
# removal of kestrix-nox keeps them, and its purge takes the program folder except a backup made
# there, and the links of the timer the administrator enabled. Then the upgrade from the single
# package kestrix 1.1: no question about the edited list, and the settings, list, reports, backups
# and timer kept.
# The installed paths are absolute (/usr/bin/kestrix enters /var/lib/kestrix), so the launcher
# runs in a private mount namespace where the temporary root is laid over /usr, /etc and /var/lib.
#   installed-package.sh BUILD_DIR
set -euo pipefail
source_dir="$(cd "$(dirname "$0")/../.." && pwd)"
build="$1"

skip() {
  echo "[  SKIPPED ] $*"
  exit 77
}
[ "$(id -u)" -eq 0 ] || skip "dpkg --root and mount namespaces need root"
grep -q '^CMAKE_INSTALL_PREFIX:PATH=/usr$' "$build/CMakeCache.txt" ||
  skip "this build folder does not install under /usr (configure with -DCMAKE_INSTALL_PREFIX=/usr)"
unshare --mount true 2>/dev/null || skip "no mount namespace here (unshare --mount refused)"
grep -qw overlay /proc/filesystems || skip "the kernel has no overlay file system"

work="$(mktemp -d)"
# Open to all, as a home or /srv is: a copy loses the bits that a folder on its way denies.
chmod 0755 "$work"
trap 'rm -rf "$work"' EXIT
failures=0
fail() {
  echo "FAILED: $*" >&2
  failures=$((failures + 1))
}

mapfile -t debs < <(bash "$source_dir/scripts/package.sh" --no-build "$build" "$work")
[ ${#debs[@]} -eq 2 ] || { echo "package.sh did not make two packages" >&2; exit 1; }
nox_deb="${debs[0]}"
window_deb="${debs[1]}"
# Makes an empty dpkg database in $1 and takes it as the root the functions below work on.
use_root() {
  inst="$1"
  folder="$inst/var/lib/kestrix"
  mkdir -p "$inst/var/lib/dpkg/info" "$inst/var/lib/dpkg/updates" "$inst/var/lib/dpkg/triggers"
  touch "$inst/var/lib/dpkg/status" "$inst/var/lib/dpkg/available"
}
# No standard input: a configuration file question fails dpkg instead of waiting.
dpkg_root() {
  dpkg --root="$inst" --force-script-chrootless --force-depends "$@" </dev/null >"$work/dpkg.log" 2>&1 ||
    { cat "$work/dpkg.log" >&2; return 1; }
}
use_root "$work/root"

# Runs a command with the temporary root over the real paths, from the folder $caller (default /),
# with /run as where systemd runs.
in_root() {
  mkdir -p "$work/overlay-work"
  unshare --mount --propagation private bash -euc '
    inst="$1"; caller="$2"; shift 2
    for dir in /usr/bin /usr/lib /usr/share /etc; do
      mount -t overlay overlay -o "lowerdir=$inst$dir:$dir" "$dir"
    done
    mount -t overlay overlay -o "lowerdir=/var/lib,upperdir=$inst/var/lib,workdir=$0" /var/lib
    mount -t tmpfs tmpfs /run
    mkdir -p /run/systemd/system
    cd "$caller"
    exec "$@"
  ' "$work/overlay-work" "$inst" "${caller:-/}" "$@"
}

# Runs the installed launcher headless, or with the display $display; its output in run.out
# (stdout) and run.err; prints its exit status.
run_launcher() {
  set +e
  if [ -n "${display:-}" ]; then
    in_root env -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM DISPLAY="$display" LC_ALL=C /usr/bin/kestrix \
      "$@" >"$work/run.out" 2>"$work/run.err"
  else
    in_root env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=offscreen LC_ALL=C /usr/bin/kestrix \
      "$@" >"$work/run.out" 2>"$work/run.err"
  fi
  echo $?
  set -e
}

# The staged list: two files, one of them with a blank in its name, and one absent.
mkdir "$work/sources"
printf 'UUID=1234 / ext4 defaults 0 1\n' >"$work/sources/fstab"
printf 'secret\n' >"$work/sources/mon shadow"
chmod 0640 "$work/sources/mon shadow"
printf 'terminal_output console\n' >"$work/sources/grub.cfg"

dpkg_root --install "$nox_deb"
# A relative line would name a file of whatever folder the run starts in.
relative="$(grep -v '^/' "$inst/etc/kestrix/Kestrix.dat" || true)"
[ -z "$relative" ] || fail "the shipped list has lines that are no absolute paths: $relative"
[ -L "$folder/Data/Kestrix.dat" ] || fail "Data/Kestrix.dat is not the link to /etc/kestrix"
[ -f "$folder/Data/Kestrix.ini" ] || fail "postinst did not put the shipped settings in place"
cmp -s "$folder/Data/Kestrix.ini" "$source_dir/data/Data/Kestrix.ini" ||
  fail "the installed settings are not the shipped ones"
printf '%s\n' "$work/sources/fstab" "$work/sources/mon shadow" "$work/sources/absent" \
  >"$inst/etc/kestrix/Kestrix.dat"

dest="$work/Save"
status="$(run_launcher /rep "$dest" /auto)"
[ "$status" = 0 ] || { cat "$work/run.err" >&2; fail "first run: exit status $status, not 0"; }
for name in fstab "mon shadow"; do
  cmp -s "$work/sources/$name" "$dest/Kestrix/$name" || fail "first run: no exact copy of $name"
done
[ "$(stat -c %a "$dest/Kestrix/mon shadow")" = 640 ] || fail "the copy of a 0640 file is not 0640"
cmp -s "$inst/usr/lib/kestrix/kestrix-restauration" "$dest/Restore.exe" ||
  fail "Restore.exe is not the installed restore program"
printf 'fstab,%s\r\nmon shadow,%s\r\n' "$work/sources" "$work/sources" >"$work/records"
tail -n +2 "$dest/Kestrix.dat" | cmp -s - "$work/records" || fail "catalogue records differ"
report_of() { ls "$folder/Rapports/" | grep "^Rapport $1 - " || true; }
report="$(report_of 01)"
[ -n "$report" ] || fail "first run: no report 01 in the installed Rapports/"
[ "$(ls "$folder/Rapports" | wc -l)" = 1 ] || fail "first run: not exactly one report"
# Converted into a file first: grep -q leaving a pipe early would kill iconv with SIGPIPE.
if [ -n "$report" ]; then
  iconv -f CP1252 -t UTF-8 "$folder/Rapports/$report" >"$work/report.txt" ||
    fail "report: not Windows-1252"
  grep -qxF $' * Répertoire destination   : '"$dest"$'\r' "$work/report.txt" ||
    fail "report: no destination line"
fi
[ ! -e "$folder/Rapport Important.txt" ] || fail "first run: an important report was written"
printf '%s\n' \
  "Kestrix : 1 fichier de la liste est absent de cette machine et n'est pas sauvegardé : \"$work/sources/absent\"." \
  "Kestrix : fin de la sauvegarde : 2 fichiers copiés, 0 non copié, code de sortie 0, rapport \"/var/lib/kestrix/Rapports/$report\"." \
  >"$work/journal"
# What the disk record could not read depends on the machine (a container may refuse its disks):
# that line is the record's own, checked with it.
grep -v "^Kestrix : les disques n'ont pas tous été enregistrés : " "$work/run.err" >"$work/run.journal" || true
cmp -s "$work/run.journal" "$work/journal" || { diff "$work/journal" "$work/run.journal" >&2 || true; fail "first run: stderr is not the two journal lines"; }

# From the caller's folder: a relative destination is made absolute there before the launcher
# enters the program folder.
mkdir "$work/appelant"
status="$(caller="$work/appelant" run_launcher /REP Save /nobat /auto)"
[ "$status" = 0 ] || { cat "$work/run.err" >&2; fail "relative destination: exit status $status"; }
cmp -s "$work/sources/fstab" "$work/appelant/Save/Kestrix/fstab" ||
  fail "relative destination: no copy in the caller's Save"
iconv -f CP1252 -t UTF-8 "$folder/Rapports/$(report_of 02)" >"$work/report.txt"
grep -qxF $' * Répertoire destination   : '"$work/appelant/Save"$'\r' "$work/report.txt" ||
  fail "relative destination: the report does not show the absolute path"
for option in --help -h; do
  status="$(caller="$work/appelant" run_launcher "$option")"
  [ "$status" = 0 ] || fail "$option: exit status $status, not 0"
  head -n 1 "$work/run.out" | grep -qxF 'Utilisation : kestrix [/rep RÉPERTOIRE] [/bat | /nobat] [/auto]' ||
    fail "$option: no usage on stdout"
  grep -qF 'Rapports : /var/lib/kestrix/Rapports/' "$work/run.out" || fail "$option: no reports folder"
  [ ! -s "$work/run.err" ] || fail "$option: stderr is not empty"
done
[ "$(ls "$folder/Rapports" | wc -l)" = 2 ] || fail "--help wrote a report"

# A display announced (an ssh session forwarding X) without the window's package: the backup runs
# headless all the same.
status="$(display=:99 run_launcher /rep "$work/Affichage" /nobat /auto)"
[ "$status" = 0 ] || { cat "$work/run.err" >&2; fail "display without the window: exit status $status"; }
cmp -s "$work/sources/fstab" "$work/Affichage/Kestrix/fstab" || fail "display without the window: no copy"
[ -n "$(report_of 03)" ] || fail "display without the window: no report 03"
status="$(display=:99 run_launcher /rep "$work/Affichage")"
[ "$status" = 2 ] || fail "the window asked for, not installed: exit status $status, not 2"
printf '%s\n' "Kestrix : la fenêtre de Kestrix (/usr/lib/kestrix/kestrix-fenetre) manque, car elle n'est pas installée (paquet kestrix). Sans elle, seule une sauvegarde automatique est possible (kestrix /auto)." >"$work/journal"
cmp -s "$work/run.err" "$work/journal" || { diff "$work/journal" "$work/run.err" >&2 || true; fail "the window asked for, not installed: not the one line that names its package"; }

# The window's package joins it.
dpkg_root --install "$window_deb"
[ "$(readlink "$folder/Aide")" = /usr/share/kestrix/Aide ] && [ -f "$inst/usr/share/kestrix/Aide/HTML/Index.htm" ] ||
  fail "the window's package: no help"

# The administrator enables the timer, edits both files, then the package is installed again over
# them.
systemctl --root="$inst" enable kestrix-sauvegarde.timer >"$work/systemctl.log" 2>&1 ||
  { cat "$work/systemctl.log" >&2; fail "could not enable the timer"; }
timer_link="$inst/etc/systemd/system/timers.target.wants/kestrix-sauvegarde.timer"
[ -L "$timer_link" ] || fail "enable made no link"

sed -i 's/^Vitesse=3\(\r\?\)$/Vitesse=6\1/' "$folder/Data/Kestrix.ini"
grep -q '^Vitesse=6' "$folder/Data/Kestrix.ini" || fail "could not edit Kestrix.ini"
printf '%s\n' "$work/sources/grub.cfg" >>"$inst/etc/kestrix/Kestrix.dat"
cp "$folder/Data/Kestrix.ini" "$work/ini.before"
cp "$inst/etc/kestrix/Kestrix.dat" "$work/dat.before"
dpkg_root --install "$nox_deb" "$window_deb"
cmp -s "$folder/Data/Kestrix.ini" "$work/ini.before" || fail "reinstall changed Kestrix.ini"
cmp -s "$inst/etc/kestrix/Kestrix.dat" "$work/dat.before" || fail "reinstall changed Kestrix.dat"

[ -L "$timer_link" ] || fail "reinstall removed the timer's link"

status="$(run_launcher /rep "$dest" /auto)"
[ "$status" = 0 ] || { cat "$work/run.err" >&2; fail "second run: exit status $status, not 0"; }
# On a machine with its own /boot/grub/grub.cfg, the added one is copied under a name of its own.
copy="$(awk -F'\t' -v p="$work/sources/grub.cfg" '$2 == p { print substr($1, 9) }' \
  "$dest/Kestrix.noms" 2>/dev/null || true)"
cmp -s "$work/sources/grub.cfg" "$dest/Kestrix/${copy:-grub.cfg}" || fail "second run ignored the edited list"
[ -n "$(report_of 04)" ] || fail "second run: no report 04"
grep -q '^Vitesse=6' "$folder/Data/Kestrix.ini" || fail "second run lost the edited setting"

# The maintainer scripts as if systemd were running: an install and an upgrade start nothing and
# never touch the service (a start or a stop would start or cut a backup); only the timer is
# reloaded on upgrade and stopped at removal.
mkdir "$work/control" "$work/stubs"
dpkg-deb -e "$nox_deb" "$work/control"
for command in systemctl deb-systemd-invoke deb-systemd-helper; do
  printf '#!/bin/sh\necho "%s $*" >>"%s"\n' "$command" "$work/calls" >"$work/stubs/$command"
  chmod +x "$work/stubs/$command"
done
scripted() {
  : >"$work/calls"
  in_root env PATH="$work/stubs:$PATH" sh "$work/control/$1" "$2" "${3:-}" ||
    echo "exit status $?"
  grep '^deb-systemd-invoke\|^systemctl' "$work/calls" | grep -v '^systemctl --system daemon-reload$' || true
}
[ -z "$(scripted postinst configure)" ] || fail "install: $(scripted postinst configure)"
[ "$(scripted postinst configure 1.1)" = "deb-systemd-invoke try-restart kestrix-sauvegarde.timer" ] ||
  fail "upgrade postinst: $(scripted postinst configure 1.1)"
[ -z "$(scripted prerm upgrade 1.1)" ] || fail "upgrade prerm: $(scripted prerm upgrade 1.1)"
[ "$(scripted prerm remove)" = "deb-systemd-invoke stop kestrix-sauvegarde.timer" ] ||
  fail "removal prerm: $(scripted prerm remove)"

# A backup made in the program folder (a destination typed relative in the window).
status="$(run_launcher /rep /var/lib/kestrix/Save /auto)"
[ "$status" = 0 ] || { cat "$work/run.err" >&2; fail "run into the program folder: status $status"; }

# The window's package purged: the program folder, the list and the timer are kestrix-nox's.
dpkg_root --purge kestrix
[ ! -e "$folder/Aide" ] && [ ! -L "$folder/Aide" ] || fail "the window's purge left the help"
[ -f "$folder/Data/Kestrix.ini" ] || fail "the window's purge deleted Kestrix.ini"
cmp -s "$inst/etc/kestrix/Kestrix.dat" "$work/dat.before" || fail "the window's purge changed Kestrix.dat"
[ -n "$(report_of 04)" ] || fail "the window's purge deleted the reports"
[ -L "$timer_link" ] || fail "the window's purge removed the timer's link"

# Removed: the administrator's files stay; purged: they go, but the backup stays.
dpkg_root --remove kestrix-nox
[ -f "$folder/Data/Kestrix.ini" ] || fail "removal deleted Kestrix.ini"
cmp -s "$inst/etc/kestrix/Kestrix.dat" "$work/dat.before" || fail "removal changed Kestrix.dat"
[ -n "$(report_of 04)" ] || fail "removal deleted the reports"
[ ! -e "$inst/usr/lib/kestrix/kestrix" ] || fail "removal left the program"
[ -L "$timer_link" ] || fail "removal removed the timer's link"
dpkg_root --purge kestrix-nox
[ "$(ls -A "$folder" 2>&1)" = Save ] || fail "purge did not leave only the backup: $(ls -A "$folder" 2>&1)"
cmp -s "$work/sources/fstab" "$folder/Save/Kestrix/fstab" || fail "purge changed the backup"
[ ! -e "$timer_link" ] && [ ! -L "$timer_link" ] || fail "purge left the timer's link"
[ ! -e "$inst/etc/kestrix/Kestrix.dat" ] || fail "purge left /etc/kestrix/Kestrix.dat"

# The upgrade from the single package kestrix 1.1: its files (without the window program) and its
# maintainer scripts and conffiles as that release shipped them, from the history of this tree.
single=a84f7fc7a2cb692bce19642b9c6a60763137cc8f
if ! git -C "$source_dir" cat-file -e "$single^{commit}" 2>/dev/null; then
  echo "[  SKIPPED ] the upgrade from kestrix 1.1: the commit $single is not in this clone"
else
  old="$work/single"
  dpkg-deb -R "$nox_deb" "$old"
  dpkg-deb -x "$window_deb" "$old"
  rm "$old/usr/lib/kestrix/kestrix-fenetre" "$old/usr/share/lintian/overrides/kestrix-nox" \
    "$old/DEBIAN/md5sums"
  mv "$old/usr/share/doc/kestrix-nox/examples" "$old/usr/share/doc/kestrix/"
  rm -r "$old/usr/share/doc/kestrix-nox"
  for file in postinst prerm postrm conffiles; do
    git -C "$source_dir" show "$single:packaging/debian/$file" >"$old/DEBIAN/$file"
  done
  sed -i -e 's/^Package: .*/Package: kestrix/' -e 's/^Version: .*/Version: 1.1/' \
    -e '/^Source:\|^Replaces:\|^Breaks:/d' "$old/DEBIAN/control"
  dpkg-deb --root-owner-group --build "$old" "$work/kestrix_1.1.deb" >/dev/null

  use_root "$work/upgrade"
  dpkg_root --install "$work/kestrix_1.1.deb"
  printf '%s\n' "$work/sources/fstab" "$work/sources/mon shadow" >"$inst/etc/kestrix/Kestrix.dat"
  status="$(run_launcher /rep /var/lib/kestrix/Save /auto)"
  [ "$status" = 0 ] || { cat "$work/run.err" >&2; fail "kestrix 1.1: exit status $status"; }
  sed -i 's/^Vitesse=3\(\r\?\)$/Vitesse=6\1/' "$folder/Data/Kestrix.ini"
  systemctl --root="$inst" enable kestrix-sauvegarde.timer >"$work/systemctl.log" 2>&1 ||
    { cat "$work/systemctl.log" >&2; fail "kestrix 1.1: could not enable the timer"; }
  timer_link="$inst/etc/systemd/system/timers.target.wants/kestrix-sauvegarde.timer"
  (cd "$inst" && find etc var/lib/kestrix -path var/lib/kestrix/Aide -prune -o -print0 | LC_ALL=C sort -z |
    xargs -0 md5sum -- 2>/dev/null) >"$work/upgrade.before" || true

  # Both packages at once, as apt upgrades them: kestrix-nox breaks the old kestrix, so apt lets
  # dpkg deconfigure it until its own upgrade.
  dpkg_root --auto-deconfigure --install "$nox_deb" "$window_deb" ||
    fail "the upgrade from kestrix 1.1 failed (a configuration file question?)"
  (cd "$inst" && find etc var/lib/kestrix -path var/lib/kestrix/Aide -prune -o -print0 | LC_ALL=C sort -z |
    xargs -0 md5sum -- 2>/dev/null) >"$work/upgrade.after" || true
  diff "$work/upgrade.before" "$work/upgrade.after" >&2 ||
    fail "the upgrade changed the settings, the list, the reports, the backup or the timer"
  [ -L "$timer_link" ] || fail "the upgrade removed the timer's link"
  [ "$(dpkg-query --admindir="$inst/var/lib/dpkg" -S /etc/kestrix/Kestrix.dat)" = \
    "kestrix-nox: /etc/kestrix/Kestrix.dat" ] || fail "the list is not kestrix-nox's after the upgrade"
  status="$(run_launcher /rep /var/lib/kestrix/Save /auto)"
  [ "$status" = 0 ] || { cat "$work/run.err" >&2; fail "after the upgrade: exit status $status"; }
  [ -n "$(report_of 02)" ] || fail "after the upgrade: no report 02"
  grep -q '^Vitesse=6' "$folder/Data/Kestrix.ini" || fail "after the upgrade: the edited setting is lost"

  # A server keeps kestrix-nox alone: the window's package, upgraded, purges nothing of the rest
  # (the single package's purge rules went with its upgrade).
  dpkg_root --purge kestrix
  grep -q '^Vitesse=6' "$folder/Data/Kestrix.ini" || fail "purging kestrix after the upgrade: settings lost"
  [ -n "$(report_of 02)" ] || fail "purging kestrix after the upgrade: reports lost"
  [ -L "$timer_link" ] || fail "purging kestrix after the upgrade: the timer's link is lost"
fi

[ "$failures" -eq 0 ] || exit 1
echo "installed packages: backup, journal, launcher, reinstall, units, removal, purge and upgrade as expected"
