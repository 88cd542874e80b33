#!/usr/bin/env bash
# Builds the two Debian packages of packaging/debian/control: kestrix-nox (the headless program,
# the restore program, the list, the units, the manual pages) and kestrix (the window and its menu
# entry). Installs what is missing, configures and builds the programs into the build folder
# (default build/), lays out each install component of the same name there with
# `cmake --install --component`, and packs it with dpkg-deb. Prints the packages' paths, one a
# line, kestrix-nox first.
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
packages=(kestrix-nox kestrix)

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

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
# dpkg-shlibdeps and dpkg-gencontrol read debian/control and debian/changelog from where they run.
source="$work/source"
mkdir -p "$source/debian"
cp "$root/packaging/debian/control" "$root/packaging/debian/changelog" "$source/debian/"

# Each package is its install component; the settings are made by postinst where none exist:
# Kestrix rewrites them at every run, so dpkg must never own them. The source list, installed by
# the "settings" component of a source install, is kestrix-nox's conffile.
stage_of() { echo "$work/stage-$1"; }
lay_out() {
  local stage="$1"
  shift
  mkdir -m 0755 "$stage"
  for component do
    DESTDIR="$stage" cmake --install "$builddir" --strip ${component:+--component "$component"} >/dev/null
  done
  rm -f "$stage/var/lib/kestrix/Data/Kestrix.ini"
}
lay_out "$(stage_of kestrix-nox)" kestrix-nox settings
lay_out "$(stage_of kestrix)" kestrix
# A file installed in no package's component, or in both, would be lost or clash at install.
lay_out "$work/stage-all" ""
files_of() { (cd "$1" && find . ! -type d | LC_ALL=C sort); }
files_of "$work/stage-all" >"$work/files-all"
cat <(files_of "$(stage_of kestrix-nox)") <(files_of "$(stage_of kestrix)") | LC_ALL=C sort >"$work/files-packed"
if ! cmp -s "$work/files-all" "$work/files-packed"; then
  echo "package.sh: these files are in no package (-) or in both (+):" >&2
  diff "$work/files-all" "$work/files-packed" | sed -n 's/^< /- /p;s/^> /+ /p' >&2 || true
  exit 1
fi

for package in "${packages[@]}"; do
  stage="$(stage_of "$package")"
  doc="$stage/usr/share/doc/$package"
  install -D -m 0644 "$root/packaging/debian/copyright" "$doc/copyright"
  gzip -9 -n -c "$root/packaging/debian/changelog" >"$doc/changelog.gz"
  install -D -m 0644 "$root/packaging/debian/$package.lintian-overrides" \
    "$stage/usr/share/lintian/overrides/$package"

  # Dependencies from the shared libraries its programs link (the restore program is static).
  programs=()
  while IFS= read -r -d '' file; do
    if readelf -d "$file" 2>/dev/null | grep -q '(NEEDED)'; then
      programs+=("$file")
    fi
  done < <(find "$stage" -type f -perm -u+x -print0)
  [ ${#programs[@]} -eq 0 ] ||
    (cd "$source" && dpkg-shlibdeps -T"debian/$package.substvars" "${programs[@]/#/-e}") \
      2>"$work/shlibs.log" || { cat "$work/shlibs.log" >&2; exit 1; }

  mkdir -m 0755 "$stage/DEBIAN"
  for script in postinst prerm postrm; do
    file="$root/packaging/debian/$package.$script"
    [ ! -e "$file" ] || install -m 0755 "$file" "$stage/DEBIAN/$script"
  done
  file="$root/packaging/debian/$package.conffiles"
  [ ! -e "$file" ] || install -m 0644 "$file" "$stage/DEBIAN/conffiles"
  touch "$source/debian/$package.substvars"
  (cd "$source" && dpkg-gencontrol -p"$package" -P"$stage" -T"debian/$package.substvars" \
    -f"$work/files") 2>"$work/gencontrol.log" || { cat "$work/gencontrol.log" >&2; exit 1; }
  (cd "$stage" && find . -path ./DEBIAN -prune -o -type f -printf '%P\0' | LC_ALL=C sort -z |
    xargs -0 md5sum >DEBIAN/md5sums)
  chmod 0644 "$stage/DEBIAN/md5sums"
done

mkdir -p "$outdir"
for package in "${packages[@]}"; do
  stage="$(stage_of "$package")"
  version="$(sed -n 's/^Version: //p' "$stage/DEBIAN/control")"
  arch="$(sed -n 's/^Architecture: //p' "$stage/DEBIAN/control")"
  deb="$outdir/${package}_${version}_${arch}.deb"
  dpkg-deb --root-owner-group -Zxz --build "$stage" "$deb" >/dev/null
  echo "$deb"
done
