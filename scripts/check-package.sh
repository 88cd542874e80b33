#!/usr/bin/env bash
# The checks of the Debian packages, as CI runs them: builds kestrix-nox and kestrix
# (scripts/package.sh), then runs lintian on both, desktop-file-validate and appstreamcli validate
# on the window's, systemd-analyze verify (also with the fleet drop-in), systemd-analyze security
# and man --warnings on the headless one's, and the install test (dpkg into a temporary root, the launcher's headless backup, reinstall, units, removal,
# purge, the upgrade from the single package). Each part is timed; any finding fails.
#   scripts/check-package.sh [--no-install-test] [BUILD_DIR]    (default build/)
#   --no-install-test   leaves out the install test (CI has just run it in the suite)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
install_test=yes
if [ "${1:-}" = "--no-install-test" ]; then
  install_test=no
  shift
fi
builddir="$(realpath -m "${1:-$root/build}")"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
part() {
  local start=$SECONDS
  echo "== $1"
  shift
  "$@"
  echo "== $((SECONDS - start)) s"
}

mapfile -t debs < <(bash "$root/scripts/package.sh" "$builddir" "$work")
echo "== built ${debs[*]}"
# kestrix-nox's files in nox/, kestrix's in window/: the units and manual pages must work with the
# headless package alone.
nox="$work/nox"
window="$work/window"
dpkg-deb -x "${debs[0]}" "$nox"
dpkg-deb -x "${debs[1]}" "$window"

part lintian lintian --allow-root --fail-on error,warning --tag-display-limit 0 "${debs[@]}"
part desktop-file-validate desktop-file-validate "$window/usr/share/applications/kestrix.desktop"
part "appstreamcli validate" appstreamcli validate --no-net --strict \
  "$window/usr/share/metainfo/org.kestrix.kestrix.metainfo.xml"
# The units name /usr/bin/kestrix and man:kestrix(8): verified with kestrix-nox's tree laid
# over /usr in a private mount namespace, so that both are the package's own.
verify_units() {
  unshare --mount --propagation private bash -euc '
    for dir in /usr/bin /usr/lib /usr/share; do
      mount -t overlay overlay -o "lowerdir=$0$dir:$dir" "$dir"
    done
    systemd-analyze verify "$0/lib/systemd/system/kestrix-sauvegarde.service" \
      "$0/lib/systemd/system/kestrix-sauvegarde.timer"
    # The fleet drop-in, as the administrator installs it beside the unit.
    units="$(mktemp -d)"
    cp "$0/lib/systemd/system/kestrix-sauvegarde.service" "$units/"
    mkdir "$units/kestrix-sauvegarde.service.d"
    cp "$0/usr/share/doc/kestrix-nox/examples/flotte.conf" "$units/kestrix-sauvegarde.service.d/"
    systemd-analyze verify "$units/kestrix-sauvegarde.service"
    rm -r "$units"' "$nox"
}
part "systemd-analyze verify" verify_units
# The sandbox of a root backup: an exposure of at most 3.0 ("OK").
part "systemd-analyze security" systemd-analyze security --offline=true --threshold=30 \
  --no-pager "$nox/lib/systemd/system/kestrix-sauvegarde.service"
manual_pages() {
  local page warnings
  for page in "$nox"/usr/share/man/man8/*.8.gz; do
    warnings="$(LC_ALL=C.UTF-8 MANROFFSEQ='' man --warnings -E UTF-8 -l "$page" 2>&1 >/dev/null)"
    [ -z "$warnings" ] || { echo "$page: $warnings" >&2; return 1; }
  done
}
part "man --warnings" manual_pages
[ $install_test = no ] || part "install test" bash "$root/tests/package/installed-package.sh" "$builddir"
