#!/usr/bin/env bash
# What installing Debian packages pulls into a minimal Debian 12: `apt-get install --dry-run` in a
# `debootstrap --variant=minbase bookworm` root, made once and kept in /var/tmp (needs root and
# Debian's archive the first time). For the first package alone, then the first two together, and
# so on (kestrix-nox, then kestrix-nox with kestrix), prints the packages and MiB apt would
# install, with the recommended packages (apt's default) and without them. The MiB are the
# Installed-Size of every package apt lists, the given ones included.
#   scripts/package-footprint.sh DEB...
set -euo pipefail
[ $# -gt 0 ] || { echo "usage: package-footprint.sh DEB..." >&2; exit 2; }
[ "$(id -u)" -eq 0 ] || { echo "package-footprint.sh: debootstrap and chroot need root" >&2; exit 2; }
minbase="${KESTRIX_MINBASE:-/var/tmp/kestrix-minbase-bookworm}"

if [ ! -d "$minbase" ]; then
  command -v debootstrap >/dev/null || apt-get install -y debootstrap >&2
  rm -rf "$minbase.partial"
  debootstrap --variant=minbase bookworm "$minbase.partial" http://deb.debian.org/debian >&2
  chroot "$minbase.partial" apt-get update >&2
  mv "$minbase.partial" "$minbase"
fi

debs="$(mktemp -d "$minbase/tmp/debs.XXXXXX")"
trap 'rm -rf "$debs"' EXIT
names=()
paths=()
for deb do
  cp "$deb" "$debs/"
  names+=("$(dpkg-deb -f "$deb" Package)")
  paths+=("/tmp/${debs##*/}/${deb##*/}")
done

# Prints "N packages, M MiB" for an install of the given paths with apt's extra options.
footprint() {
  local options="$1" deb
  shift
  chroot "$minbase" apt-get install --dry-run $options "$@" |
    sed -n 's/^Inst \([^ ]*\) (\([^ ]*\) .*/\1=\2/p' >"$debs/list"
  # The given packages are known to apt from their files only.
  for deb in "$debs"/*.deb; do
    dpkg-deb -f "$deb" Package Installed-Size
    echo
  done >"$debs/given"
  { chroot "$minbase" apt-cache show $(cat "$debs/list") 2>/dev/null || true; cat "$debs/given"; } |
    awk -v list="$debs/list" '
      BEGIN { while ((getline line < list) > 0) { split(line, p, "="); wanted[p[1]] = 1; count++ } }
      /^Package: / { name = $2 }
      /^Installed-Size: / && (name in wanted) { kib += $2; delete wanted[name] }
      END {
        for (name in wanted) { print "package-footprint.sh: no size for " name > "/dev/stderr"; exit 1 }
        printf "%d packages, %d MiB\n", count, (kib + 512) / 1024
      }'
}

for i in "${!paths[@]}"; do
  label="$(IFS=+; echo "${names[*]:0:i+1}")"
  printf '%s: %s; without Recommends: %s\n' "$label" \
    "$(footprint "" "${paths[@]:0:i+1}")" \
    "$(footprint --no-install-recommends "${paths[@]:0:i+1}")"
done
