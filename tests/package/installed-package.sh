#!/usr/bin/env bash
# The Debian package installed with dpkg into a temporary root: its launcher, run headless with
# "/rep DIR /auto" against a staged list, makes the backup and leaves its report in the installed
# program folder; a reinstall over an edited Kestrix.ini and Kestrix.dat keeps both, byte for
# byte, and the next run uses them; a removal keeps them and a purge takes the program folder.
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
trap 'rm -rf "$work"' EXIT
failures=0
fail() {
  echo "FAILED: $*" >&2
  failures=$((failures + 1))
}

deb="$(bash "$source_dir/scripts/package.sh" --no-build "$build" "$work")"
inst="$work/root"
mkdir -p "$inst/var/lib/dpkg/info" "$inst/var/lib/dpkg/updates" "$inst/var/lib/dpkg/triggers"
touch "$inst/var/lib/dpkg/status" "$inst/var/lib/dpkg/available"
dpkg_root() {
  dpkg --root="$inst" --force-script-chrootless --force-depends "$@" >"$work/dpkg.log" 2>&1 ||
    { cat "$work/dpkg.log" >&2; return 1; }
}
folder="$inst/var/lib/kestrix"

# Runs the installed launcher with the temporary root over the real paths; prints its exit status.
run_launcher() {
  mkdir -p "$work/overlay-work"
  set +e
  unshare --mount --propagation private bash -euc '
    inst="$1"; shift
    for dir in /usr/bin /usr/lib /usr/share /etc; do
      mount -t overlay overlay -o "lowerdir=$inst$dir:$dir" "$dir"
    done
    mount -t overlay overlay -o "lowerdir=/var/lib,upperdir=$inst/var/lib,workdir=$0" /var/lib
    cd /
    exec env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=offscreen LC_ALL=C /usr/bin/kestrix "$@"
  ' "$work/overlay-work" "$inst" "$@" >"$work/run.out" 2>&1
  echo $?
  set -e
}

# The staged list: two files, one of them with a blank in its name, and one absent.
mkdir "$work/sources"
printf 'UUID=1234 / ext4 defaults 0 1\n' >"$work/sources/fstab"
printf 'secret\n' >"$work/sources/mon shadow"
chmod 0640 "$work/sources/mon shadow"
printf 'terminal_output console\n' >"$work/sources/grub.cfg"

dpkg_root --install "$deb"
[ -L "$folder/Data/Kestrix.dat" ] || fail "Data/Kestrix.dat is not the link to /etc/kestrix"
[ -f "$folder/Data/Kestrix.ini" ] || fail "postinst did not put the shipped settings in place"
cmp -s "$folder/Data/Kestrix.ini" "$source_dir/data/Data/Kestrix.ini" ||
  fail "the installed settings are not the shipped ones"
printf '%s\n' "$work/sources/fstab" "$work/sources/mon shadow" "$work/sources/absent" \
  >"$inst/etc/kestrix/Kestrix.dat"

dest="$work/Save"
status="$(run_launcher /rep "$dest" /auto)"
[ "$status" = 0 ] || { cat "$work/run.out" >&2; fail "first run: exit status $status, not 0"; }
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

# The administrator edits both files, then the package is installed again over them.
sed -i 's/^Vitesse=3\(\r\?\)$/Vitesse=6\1/' "$folder/Data/Kestrix.ini"
grep -q '^Vitesse=6' "$folder/Data/Kestrix.ini" || fail "could not edit Kestrix.ini"
printf '%s\n' "$work/sources/grub.cfg" >>"$inst/etc/kestrix/Kestrix.dat"
cp "$folder/Data/Kestrix.ini" "$work/ini.before"
cp "$inst/etc/kestrix/Kestrix.dat" "$work/dat.before"
dpkg_root --install "$deb"
cmp -s "$folder/Data/Kestrix.ini" "$work/ini.before" || fail "reinstall changed Kestrix.ini"
cmp -s "$inst/etc/kestrix/Kestrix.dat" "$work/dat.before" || fail "reinstall changed Kestrix.dat"

status="$(run_launcher /rep "$dest" /auto)"
[ "$status" = 0 ] || { cat "$work/run.out" >&2; fail "second run: exit status $status, not 0"; }
cmp -s "$work/sources/grub.cfg" "$dest/Kestrix/grub.cfg" || fail "second run ignored the edited list"
[ -n "$(report_of 02)" ] || fail "second run: no report 02"
grep -q '^Vitesse=6' "$folder/Data/Kestrix.ini" || fail "second run lost the edited setting"

# Removed: the administrator's files stay; purged: they go.
dpkg_root --remove kestrix
[ -f "$folder/Data/Kestrix.ini" ] || fail "removal deleted Kestrix.ini"
cmp -s "$inst/etc/kestrix/Kestrix.dat" "$work/dat.before" || fail "removal changed Kestrix.dat"
[ -n "$(report_of 02)" ] || fail "removal deleted the reports"
[ ! -e "$inst/usr/lib/kestrix/kestrix" ] || fail "removal left the program"
dpkg_root --purge kestrix
[ ! -e "$folder" ] || fail "purge left /var/lib/kestrix"
[ ! -e "$inst/etc/kestrix/Kestrix.dat" ] || fail "purge left /etc/kestrix/Kestrix.dat"

[ "$failures" -eq 0 ] || exit 1
echo "installed package: backup, report, reinstall, removal and purge as expected"
