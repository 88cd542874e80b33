#!/usr/bin/env bash
# Installs the Debian packages that building, testing and running Kestrix need.
# Idempotent: packages already present are left as they are.
set -euo pipefail
packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-base-dev-tools libqt6test6 libqt6svg6-dev
  libgl-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  fonts-wine fonts-liberation
  xdg-utils
  dosfstools fusefat acl strace
  libfdisk-dev libblkid-dev libefivar-dev libefiboot-dev libcryptsetup-dev
  fdisk cryptsetup-bin e2fsprogs xfsprogs
  libxxhash-dev xxhash
  clang libclang-rt-14-dev
  dpkg-dev lintian desktop-file-utils appstream librsvg2-bin man-db systemd
  qemu-system-x86 ovmf grub-pc-bin grub-efi-amd64-bin grub2-common udev
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get update -qq
  $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
