#!/usr/bin/env bash
# Builds the Debian package kestrix_<version>_<arch>.deb: installs what is missing, configures and
# builds the program into the build folder (default build/), lays out the install there with
# `cmake --install`, and packs it with dpkg-deb. Prints the package's path.
#   scripts/package.sh [--no-build] [BUILD_DIR [OUTPUT_DIR]]
#   --no-build   the build folder is already built (the install-layout test uses it)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build=yes
if [ "${1:-}" = "--no-build" ]; then
  build=no
  shift
fi
builddir="$(realpath -m "${1:-$root/build}")"
outdir="$(realpath -m "${2:-$builddir}")"
umask 022

if [ $build = yes ]; then
  bash "$root/scripts/install-deps.sh" >&2
  cmake -S "$root" -B "$builddir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  cmake --build "$builddir" --parallel "$(nproc)" \
    --target kestrix kestrix_fenetre kestrix_restore kestrix_program_folder kestrix_install_files >&2
fi
prefix="$(sed -n 's/^CMAKE_INSTALL_PREFIX:PATH=//p' "$builddir/CMakeCache.txt")"
if [ "$prefix" != /usr ]; then
  echo "package.sh: $builddir installs under $prefix; a package needs -DCMAKE_INSTALL_PREFIX=/usr" >&2
  exit 2
fi
version="$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$builddir/CMakeCache.txt")"
arch="$(dpkg --print-architecture)"

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
stage="$work/stage"
mkdir -m 0755 "$stage"
DESTDIR="$stage" cmake --install "$builddir" --strip >/dev/null
# The settings are made by postinst where none exist: Kestrix rewrites them at every run, so
# dpkg must never own them.
rm "$stage/var/lib/kestrix/Data/Kestrix.ini"
install -D -m 0644 "$root/packaging/debian/copyright" "$stage/usr/share/doc/kestrix/copyright"
gzip -9 -n -c "$root/packaging/debian/changelog" >"$stage/usr/share/doc/kestrix/changelog.gz"
install -D -m 0644 "$root/packaging/debian/lintian-overrides" \
  "$stage/usr/share/lintian/overrides/kestrix"

# Dependencies from the shared libraries the two programs link (the restore program is static).
mkdir "$work/shlibs" "$work/shlibs/debian"
printf 'Source: kestrix\n\nPackage: kestrix\nArchitecture: any\n' >"$work/shlibs/debian/control"
depends="$(cd "$work/shlibs" && dpkg-shlibdeps -O -e"$stage/usr/lib/kestrix/kestrix" \
  -e"$stage/usr/lib/kestrix/kestrix-fenetre" 2>"$work/shlibs.log" |
  sed -n 's/^shlibs:Depends=//p')" || { cat "$work/shlibs.log" >&2; exit 1; }
[ -n "$depends" ] || { cat "$work/shlibs.log" >&2; exit 1; }

mkdir -m 0755 "$stage/DEBIAN"
sed -e "s/@VERSION@/$version/" -e "s/@ARCH@/$arch/" -e "s/@DEPENDS@/$depends/" \
  -e "s/@INSTALLED_SIZE@/$(du -sk --apparent-size "$stage" | cut -f1)/" \
  "$root/packaging/debian/control.in" >"$stage/DEBIAN/control"
install -m 0644 "$root/packaging/debian/conffiles" "$stage/DEBIAN/conffiles"
install -m 0755 "$root/packaging/debian/postinst" "$root/packaging/debian/prerm" \
  "$root/packaging/debian/postrm" "$stage/DEBIAN/"
(cd "$stage" && find . -path ./DEBIAN -prune -o -type f -printf '%P\0' | LC_ALL=C sort -z |
  xargs -0 md5sum >DEBIAN/md5sums)
chmod 0644 "$stage/DEBIAN/md5sums"

mkdir -p "$outdir"
deb="$outdir/kestrix_${version}_${arch}.deb"
dpkg-deb --root-owner-group -Zxz --build "$stage" "$deb" >/dev/null
echo "$deb"
