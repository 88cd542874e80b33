#!/usr/bin/env bash
# Shows, by booting them in QEMU, that a machine Kestrix backed up starts again once put back:
#
#   scripts/boot-test.sh [--program DIR] [--journaux DIR] [--skip-amorcage] [bios|efi]...
#
# As root. For each image (by default both): a BIOS/MBR disk with GRUB in its boot sectors, and an
# EFI/GPT disk with GRUB on its EFI system partition booted by OVMF. Each one is a loop disk whose
# root file system holds a /boot/grub/grub.cfg that prints a marker (with a token drawn for this
# run) on the serial console. Then, one line per step:
#   1. the image is built, GRUB put on it by grub-install;
#   2. it boots: the marker is seen;
#   3. Kestrix backs it up (`kestrix /rep D /nobat /auto`, the list holding its grub.cfg and
#      fstab, the disk record taken), its root seen at / as on the machine itself;
#   4. it is broken for real: the first and last MiB zeroed (the MBR or both GPTs), the root file
#      system made again (new UUID, no files), the EFI system partition made again empty;
#   5. it boots: no marker (the failure the firmware reports is shown);
#   6. `Restore.exe --disques` and the table and UUID commands it prints for this disk;
#   7. the root mounted, the files put back with `Restore.exe --oui --racine`;
#   8. the boot loader put back with `Restore.exe --amorcage --oui --racine`;
#   9. it boots: the marker is seen again, with this run's token, now from the restored grub.cfg.
# --skip-amorcage leaves step 8 out, as a repair that forgets the boot loader: the test must then
# fail at step 9. Exit status: 0 when every step of every image held, 1 when one did not, 2 when
# the test could not be set up.
#
# This machine kind has no udev daemon and no vfat in its kernel: grub-install finds a loop
# partition's disk through `udevadm info` (the udev package), and the EFI system partition is
# mounted through FUSE as a block device file system (fusefat, fuseblk) under the partition's own
# name, so that grub-install and the restore program see the partition mounted. Where the kernel
# has no vfat, step 8 mounts it so before the restore program, which finds it mounted, and says so.
#
# DIR is a program folder (kestrix, Data/Kestrix.res...); by default build/Kestrix/, built first.
# --journaux keeps each step's log (commands, their output, the serial consoles) in a folder.
# Everything happens in a temporary folder, removed at the end with its loop disks and mounts.
set -euo pipefail
export LC_ALL=C.UTF-8
umask 022

usage() {
  echo "usage: $0 [--program PROGRAM_FOLDER] [--journaux DIR] [--skip-amorcage] [bios|efi]..." >&2
  exit 2
}

root="$(cd "$(dirname "$0")/.." && pwd)"
program=""
journals=""
skip_amorcage=0
images=()
while [ $# -gt 0 ]; do
  case "$1" in
  --program)
    [ $# -ge 2 ] || usage
    program="$2"
    shift 2
    ;;
  --journaux)
    [ $# -ge 2 ] || usage
    mkdir -p "$2"
    journals="$(cd "$2" && pwd)"
    shift 2
    ;;
  --skip-amorcage)
    skip_amorcage=1
    shift
    ;;
  bios | efi)
    images+=("$1")
    shift
    ;;
  *) usage ;;
  esac
done
[ ${#images[@]} -gt 0 ] || images=(bios efi)
if [ "$(id -u)" -ne 0 ]; then
  echo "$0 : il faut être root (disques en boucle, montages)" >&2
  exit 2
fi
for tool in qemu-system-x86_64 grub-install udevadm fusefat sfdisk partx losetup mkfs.ext4 \
  mkfs.vfat tune2fs fatlabel unshare blkid; do
  command -v "$tool" >/dev/null || {
    echo "$0 : $tool manque (scripts/install-deps.sh l'installe)" >&2
    exit 2
  }
done
ovmf_code=/usr/share/OVMF/OVMF_CODE_4M.fd
ovmf_vars=/usr/share/OVMF/OVMF_VARS_4M.fd
for f in "$ovmf_code" "$ovmf_vars" /usr/lib/grub/i386-pc/boot.img /usr/lib/grub/x86_64-efi/kernel.img; do
  [ -f "$f" ] || {
    echo "$0 : $f manque (scripts/install-deps.sh l'installe)" >&2
    exit 2
  }
done
# The backup reads the image's files at their own paths, bound over this machine's.
if [ ! -d /boot ] || [ ! -f /etc/fstab ]; then
  echo "$0 : /boot ou /etc/fstab manque sur cette machine : la sauvegarde ne peut y lire ceux de l'image" >&2
  exit 2
fi
# shellcheck source=scripts/program-folder.sh
. "$root/scripts/program-folder.sh"
program_folder "$root" "$program"

work="$(mktemp -d /tmp/kestrix-amorce.XXXXXX)"
loop=""
qemu_pid=""
cleanup() {
  set +e
  [ -z "$qemu_pid" ] || kill "$qemu_pid" 2>/dev/null || true
  if [ -n "$work" ]; then
    # Deepest first: the EFI system partition lies inside the root.
    findmnt -rn -o TARGET | grep -F "$work/" | sort -r | while read -r m; do
      umount "$m" 2>/dev/null || umount -l "$m" 2>/dev/null
    done
  fi
  [ -z "$loop" ] || losetup -d "$loop" 2>/dev/null || true
  [ -z "$work" ] || rm -rf -- "$work"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

accel=(-accel tcg)
[ -w /dev/kvm ] && accel=(-accel kvm)
token="$(head -c 6 /dev/urandom | od -An -tx1 | tr -d ' \n')"
marker="KESTRIX-MARQUEUR-$token"
failed=0
setup_failed=0

# One line per image and step; the step's log (the commands and their output) is shown only when
# the step did not hold.
say() { # $1 image, $2 step, $3 what was seen
  local step="$2"
  while [ ${#step} -lt 30 ]; do step+=" "; done # in characters, not bytes
  printf '%-4s %s %s\n' "$1" "$step" "$3"
}
show_log() { # $1 log
  # The consoles' escape sequences out, so that the lines read as the screen showed them.
  tail -n 15 "$1" | sed -e 's/\x1b\[[0-9;?=]*[A-Za-z]//g' -e 's/^/     | /'
}
fail() { # $1 image, $2 step, $3 what was seen, $4 log
  say "$1" "$2" "ÉCHEC : $3"
  show_log "$4"
  failed=1
}

part() { echo "${1}p$2"; }

# Waits for the kernel to show a partition of the loop disk (no udev makes the node here).
wait_partition() {
  for _ in $(seq 50); do
    [ -b "$1" ] && return 0
    sleep 0.1
  done
  return 1
}

# The EFI system partition through FUSE, as a block device's file system (fuseblk: the mount
# point's device number is the partition's) under the partition's name. The daemon runs in the
# foreground of a background job, so that its last writes are known to be on the disk.
esp_pid=""
mount_esp() { # $1 mount point, then fusefat's options
  local point="$1"
  shift
  fusefat -f "$@" -o blkdev,fsname="$espdev" "$espdev" "$point" >/dev/null 2>&1 &
  esp_pid=$!
  for _ in $(seq 50); do
    findmnt -rn "$point" >/dev/null && return 0
    sleep 0.1
  done
  return 1
}
umount_esp() { # $1 mount point
  umount "$1" || return 1
  wait "$esp_pid" || true
  esp_pid=""
}

# Rereads the loop disk's table; partx adds what the kernel's reread did not.
reread() {
  blockdev --rereadpt "$loop" 2>/dev/null || partx -u "$loop" 2>/dev/null || true
  partx -a "$loop" 2>/dev/null || true
}

# Boots the image file read-only (a snapshot) and watches the serial console until the marker,
# a firmware's failure, the machine's halt or the time limit. Sets boot_seen (marker or what
# failed) and boot_seconds.
boot() { # $1 bios|efi, $2 image file, $3 log
  local kind="$1" image="$2" log="$3" limit=30 start
  local args=(qemu-system-x86_64 "${accel[@]}" -m 256 -nographic -nic none -no-reboot)
  if [ "$kind" = efi ]; then
    cp "$ovmf_vars" "$work/vars.fd" # fresh variables: no boot entry to help
    args+=(-machine q35 -drive "if=pflash,format=raw,readonly=on,file=$ovmf_code"
      -drive "if=pflash,format=raw,file=$work/vars.fd"
      -drive "file=$image,format=raw,if=virtio,snapshot=on")
    limit=120
  else
    args+=(-machine pc -boot c -drive "file=$image,format=raw,if=ide,snapshot=on")
  fi
  : >"$log"
  start=$(date +%s%N)
  "${args[@]}" </dev/null >"$log" 2>&1 &
  qemu_pid=$!
  boot_seen=""
  local alive
  while [ -z "$boot_seen" ]; do
    # Whether QEMU still runs is asked before its console is read: its last lines count.
    alive=1
    kill -0 "$qemu_pid" 2>/dev/null || alive=0
    if grep -aq "$marker" "$log"; then
      boot_seen="marqueur"
    elif grep -aq "No bootable device" "$log"; then
      boot_seen="« No bootable device. » (SeaBIOS)"
    elif grep -aq "UEFI Interactive Shell\|Shell> " "$log"; then
      boot_seen="le shell UEFI (OVMF n'a trouvé aucun chargeur)"
    elif grep -aq "grub rescue>" "$log"; then
      boot_seen="« grub rescue> » (GRUB sans ses modules)"
    elif [ "$alive" -eq 0 ]; then
      boot_seen="QEMU arrêté sans marqueur"
    elif [ $((($(date +%s%N) - start) / 1000000000)) -ge "$limit" ]; then
      boot_seen="rien en $limit s après « $(tr -d '\r' <"$log" | sed 's/\x1b[[0-9;?=]*[A-Za-z]//g; s/\x1bc//g' |
        grep -av '^[[:space:]]*$' | tail -1) »"
    else
      sleep 0.2
    fi
  done
  boot_seconds="$(awk -v n=$(($(date +%s%N) - start)) 'BEGIN { printf "%.1f", n / 1e9 }')"
  kill "$qemu_pid" 2>/dev/null || true
  wait "$qemu_pid" 2>/dev/null || true
  qemu_pid=""
}

# Builds the image and its loop disk; sets loop, rootdev, espdev (EFI) and uuid. Called in a
# condition, where errexit does not hold: each step says when it failed.
build_image() { # $1 bios|efi, $2 image file, $3 mount point
  local kind="$1" image="$2" mnt="$3"
  if [ "$kind" = efi ]; then
    truncate -s 98M "$image" &&
      printf 'label: gpt\nsize=34MiB, type=U, name="EFI"\ntype=L, name="racine"\n' | sfdisk -q "$image"
  else
    truncate -s 70M "$image" &&
      printf 'label: dos\nstart=2048, type=83, bootable\n' | sfdisk -q "$image"
  fi || return 1
  loop="$(losetup -P -f --show "$image")" || return 1
  reread
  espdev=""
  if [ "$kind" = efi ]; then
    espdev="$(part "$loop" 1)"
    rootdev="$(part "$loop" 2)"
    wait_partition "$espdev" || return 1
    # No volume label: FUSE would show it as a file in the root folder.
    mkfs.vfat -F 16 "$espdev" >/dev/null || return 1
  else
    rootdev="$(part "$loop" 1)"
  fi
  wait_partition "$rootdev" && mkfs.ext4 -q -L racine "$rootdev" || return 1
  uuid="$(blkid -s UUID -o value "$rootdev")"
  mount "$rootdev" "$mnt" && mkdir -p "$mnt/boot/grub" "$mnt/etc" || return 1
  {
    echo "UUID=$uuid / ext4 errors=remount-ro 0 1"
    [ -z "$espdev" ] || echo "UUID=$(blkid -s UUID -o value "$espdev") /boot/efi vfat umask=0077 0 1"
  } >"$mnt/etc/fstab"
  # The root is named by its UUID, as update-grub writes it: a root made again is not found
  # until its UUID is put back, nor the marker shown until its fstab is.
  cat >"$mnt/boot/grub/grub.cfg" <<GRUB
serial --unit=0 --speed=115200
terminal_input serial
terminal_output serial
search --no-floppy --fs-uuid --set=root $uuid
if [ -f /etc/fstab ]; then
  echo "$marker"
fi
halt
GRUB
  local status=0
  if [ "$kind" = efi ]; then
    mkdir -p "$mnt/boot/efi" && mount_esp "$mnt/boot/efi" -o rw+ || return 1
    grub-install --target=x86_64-efi --efi-directory="$mnt/boot/efi" --boot-directory="$mnt/boot" \
      --removable --no-nvram || status=1
    umount_esp "$mnt/boot/efi" || status=1
  else
    grub-install --target=i386-pc --boot-directory="$mnt/boot" "$loop" || status=1
  fi
  umount "$mnt" && sync || status=1
  return $status
}

# Backs the image up as the machine itself would be: in a mount namespace of its own, the image's
# /boot and /etc/fstab are bound over this machine's (and its EFI system partition mounted at
# /boot/efi), so that the list names /boot/grub/grub.cfg and /etc/fstab.
backup() { # $1 mount point, $2 program folder copy, $3 D, $4 log
  local mnt="$1" prog="$2" dest="$3"
  printf '%s\n' /boot/grub/grub.cfg /etc/fstab >"$prog/Data/Kestrix.dat"
  mount "$rootdev" "$mnt" || return 1
  local status=0
  unshare -m --propagation private -- bash -euc '
    mount --bind "$1/boot" /boot
    mount --bind "$1/etc/fstab" /etc/fstab
    if [ -n "$4" ]; then fusefat -o ro,blkdev,fsname="$4" "$4" /boot/efi >/dev/null; fi
    status=0
    (cd "$2" && unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM && exec ./kestrix /rep "$3" /nobat /auto) \
      </dev/null || status=$?
    [ -z "$4" ] || umount /boot/efi
    exit $status
  ' backup "$mnt" "$prog" "$dest" "$espdev" || status=$?
  umount "$mnt"
  return $status
} >>"$4" 2>&1

# Breaks the disk for real: the file systems made again first (through the partitions), then
# the table's sectors at both ends zeroed and the kernel's partitions dropped.
break_disk() {
  mkfs.ext4 -q -F -L racine "$rootdev" || return 1
  new_uuid="$(blkid -s UUID -o value "$rootdev")"
  if [ -n "$espdev" ]; then mkfs.vfat -F 16 "$espdev" >/dev/null || return 1; fi
  local sectors
  sectors="$(blockdev --getsz "$loop")" &&
    dd if=/dev/zero of="$loop" bs=1M count=1 conv=fsync status=none &&
    dd if=/dev/zero of="$loop" bs=512 seek=$((sectors - 2048)) count=2048 conv=fsync status=none ||
    return 1
  reread
  partx -d "$loop" 2>/dev/null
  blockdev --flushbufs "$loop"
  [ ! -b "$rootdev" ] && [ -z "$(blkid -p -s PTTYPE -o value "$loop")" ]
}

# Runs Restore.exe --disques until it prints no more table or UUID command for this disk (at
# most three times), running those commands; sets disk_commands (what was run) and
# disk_refusal. A command for another disk, or a table recorded for another, is never run.
restore_disks() { # $1 D, $2 log
  local dest="$1" log="$2" round out line name
  disk_commands=()
  disk_refusal=""
  for round in 1 2 3; do
    out="$work/disques-$round.txt"
    "$dest/Restore.exe" --disques "$dest" >"$out" 2>&1 || true
    {
      echo "=== Restore.exe --disques (tour $round)"
      cat "$out"
    } >>"$log"
    local ran=0
    while IFS= read -r line; do
      line="${line#  }"
      if [[ "$line" =~ ^sfdisk\ --backup-file\ ([^\ \']+)\ ([^\ \']+)\ \<\ ([^\ \']+)$ ]]; then
        name="${BASH_REMATCH[3]##*/}"
        if [ "${BASH_REMATCH[2]}" != "$loop" ] || [ "$name" != "disque-${loop#/dev/}.sfdisk" ]; then
          disk_refusal="« $line » ne vise pas ce disque ($loop) avec sa table : pas lancée"
          return 1
        fi
        # The backup of the table it replaces goes to the work folder, not to /root.
        echo "\$ sfdisk --backup-file $work/table-avant $loop < ${BASH_REMATCH[3]}" >>"$log"
        sfdisk --backup-file "$work/table-avant" "$loop" <"${BASH_REMATCH[3]}" >>"$log" 2>&1 || return 1
        reread
        wait_partition "$rootdev" || return 1
        disk_commands+=("sfdisk")
        ran=1
      elif [[ "$line" =~ ^(tune2fs\ -U|fatlabel\ -i)\ ([^\ \']+)\ ([^\ \']+)$ ]]; then
        local device
        if [ "${BASH_REMATCH[1]}" = "tune2fs -U" ]; then device="${BASH_REMATCH[3]}"; else device="${BASH_REMATCH[2]}"; fi
        case "$device" in
        "$loop"p[0-9]*) ;;
        *) continue ;;
        esac
        echo "\$ $line" >>"$log"
        # shellcheck disable=SC2086 # the words were checked above: none is quoted
        ${BASH_REMATCH[0]} >>"$log" 2>&1 || return 1
        disk_commands+=("${BASH_REMATCH[1]}")
        ran=1
      fi
    done <"$out"
    [ "$ran" -eq 1 ] || return 0
  done
  disk_refusal="encore des commandes pour ce disque après trois tours"
  return 1
}

run_image() { # $1 bios|efi
  local kind="$1" name
  name="${kind^^}"
  local dir="$work/$kind"
  local image="$dir/disque.img" mnt="$dir/racine" dest="$dir/D" prog="$dir/programme" logs="$dir/journaux"
  mkdir -p "$mnt" "$logs"
  local firmware="SeaBIOS" table="MBR"
  [ "$kind" = bios ] || { firmware="OVMF"; table="GPT"; }

  if ! build_image "$kind" "$image" "$mnt" >>"$logs/1" 2>&1; then
    say "$name" "1 image et grub-install" "PAS FAIT : l'image n'a pu être faite sur cette machine"
    show_log "$logs/1"
    setup_failed=1
    return
  fi
  say "$name" "1 image et grub-install" "disque $table de $(($(blockdev --getsize64 "$loop") >> 20)) Mio en $loop, grub-install --target=$([ "$kind" = bios ] && echo i386-pc || echo x86_64-efi)"

  boot "$kind" "$image" "$logs/2"
  if [ "$boot_seen" != marqueur ]; then
    fail "$name" "2 démarrage de l'image" "$boot_seen ($boot_seconds s)" "$logs/2"
    return
  fi
  say "$name" "2 démarrage de l'image" "marqueur vu en $boot_seconds s ($firmware, ${accel[1]})"

  cp -a "$program" "$prog"
  local status=0
  backup "$mnt" "$prog" "$dest" "$logs/3" || status=$?
  local record="$dest/Disques/disque-${loop#/dev/}.sfdisk"
  if [ "$status" -ne 0 ] || [ ! -f "$dest/Restore.exe" ] || [ ! -f "$record" ] ||
    ! (cd "$dest/Disques" && xxh128sum --quiet -c Disques.xxh128) >>"$logs/3" 2>&1; then
    fail "$name" "3 sauvegarde par Kestrix" "kestrix /auto : code $status, Restore.exe ou $(basename "$record") absent" "$logs/3"
    return
  fi
  say "$name" "3 sauvegarde par Kestrix" "kestrix /auto : code 0, grub.cfg et fstab copiés, Disques/$(basename "$record") enregistré"

  if ! break_disk >>"$logs/4" 2>&1; then
    fail "$name" "4 panne" "le disque n'a pu être cassé" "$logs/4"
    return
  fi
  say "$name" "4 panne" "1er et dernier Mio mis à zéro, racine refaite (UUID $new_uuid)$([ "$kind" = efi ] && echo ", partition EFI refaite vide")"

  boot "$kind" "$image" "$logs/5"
  if [ "$boot_seen" = marqueur ]; then
    fail "$name" "5 démarrage du disque cassé" "le marqueur est encore vu : la panne n'en est pas une" "$logs/5"
    return
  fi
  say "$name" "5 démarrage du disque cassé" "pas de marqueur : $boot_seen ($boot_seconds s)"

  if ! restore_disks "$dest" "$logs/6"; then
    fail "$name" "6 Restore.exe --disques" "${disk_refusal:-une commande a échoué}" "$logs/6"
    return
  fi
  local ran
  ran="$(printf '%s, ' "${disk_commands[@]}")"
  if [ "$(blkid -s UUID -o value "$rootdev")" != "$uuid" ]; then
    fail "$name" "6 Restore.exe --disques" "la racine n'a pas retrouvé son UUID $uuid (lancé : ${ran%, })" "$logs/6"
    return
  fi
  say "$name" "6 Restore.exe --disques" "lancé ce qu'il imprime pour $loop : ${ran%, } ; racine UUID $uuid"

  if ! mount "$rootdev" "$mnt" 2>>"$logs/7"; then
    fail "$name" "7 Restore.exe --racine" "la racine remise n'a pu être montée" "$logs/7"
    return
  fi
  # A file system made again holds no folder: the restore program writes files into folders
  # that exist, as a rescuer makes them.
  mkdir -p "$mnt/etc" "$mnt/boot/grub"
  status=0
  "$dest/Restore.exe" --oui --racine "$mnt" "$dest" >"$logs/7" 2>&1 || status=$?
  if [ "$status" -ne 0 ] || ! grep -q "$marker" "$mnt/boot/grub/grub.cfg" 2>/dev/null ||
    ! grep -q "UUID=$uuid " "$mnt/etc/fstab" 2>/dev/null; then
    fail "$name" "7 Restore.exe --racine" "code $status, grub.cfg ou fstab pas remis" "$logs/7"
    return
  fi
  say "$name" "7 Restore.exe --racine" "code 0 : $(grep -v '^[[:space:]]*$' "$logs/7" | tail -1)"

  if [ "$skip_amorcage" -eq 1 ]; then
    say "$name" "8 Restore.exe --amorcage" "SAUTÉ (--skip-amorcage) : le démarrage doit échouer"
  else
    local esp_note=""
    if [ "$kind" = efi ] && ! grep -qw vfat /proc/filesystems; then
      if ! mkdir -p "$mnt/boot/efi" || ! mount_esp "$mnt/boot/efi" -o rw+ >>"$logs/8" 2>&1; then
        fail "$name" "8 Restore.exe --amorcage" "la partition EFI n'a pu être montée par fusefat" "$logs/8"
        umount "$mnt"
        return
      fi
      esp_note=" ; partition EFI montée avant par fusefat en fuseblk (pas de vfat dans ce noyau)"
    fi
    status=0
    "$dest/Restore.exe" --amorcage --oui --racine "$mnt" "$dest" >>"$logs/8" 2>&1 || status=$?
    if [ -n "$esp_note" ]; then umount_esp "$mnt/boot/efi" >>"$logs/8" 2>&1 || status=$?; fi
    # Whatever is still mounted under the root now, the restore program left.
    local left
    left="$(findmnt -rn -o TARGET | grep -F "$mnt/" || true)"
    if [ "$status" -ne 0 ] || [ -n "$left" ]; then
      fail "$name" "8 Restore.exe --amorcage" "code $status${left:+, montages laissés : $left}" "$logs/8"
      umount "$mnt" 2>/dev/null || true
      return
    fi
    local target
    target="$(sed -n 's/^Disque cible : //p' "$logs/8")"
    if [ "${target%%,*}" != "$loop" ]; then
      fail "$name" "8 Restore.exe --amorcage" "disque cible « $target » au lieu de $loop" "$logs/8"
      umount "$mnt"
      return
    fi
    say "$name" "8 Restore.exe --amorcage" "disque cible $target ; code 0, tout démonté ; $(
      grep '^\$ [^ ]*/grub-install ' "$logs/8" |
        sed -e 's|^\$ [^ ]*/grub-install|grub-install|' -e 's| --boot-directory=[^ ]*||' -e 's| --efi-directory=[^ ]*||' |
        paste -sd ',' | sed 's/,/, /g')$esp_note"
  fi
  umount "$mnt"
  sync

  boot "$kind" "$image" "$logs/9"
  if [ "$boot_seen" != marqueur ]; then
    fail "$name" "9 démarrage du disque remis" "$boot_seen ($boot_seconds s)" "$logs/9"
    return
  fi
  say "$name" "9 démarrage du disque remis" "marqueur $token vu en $boot_seconds s : celui du grub.cfg restauré"
}

start=$SECONDS
for kind in "${images[@]}"; do
  run_image "$kind"
  [ -z "$journals" ] || cp -r "$work/$kind/journaux" "$journals/$kind"
  # Each image leaves nothing behind: the next one gets its own loop disk.
  { findmnt -rn -o TARGET | grep -F "$work/$kind/" || true; } | sort -r | while read -r m; do umount "$m"; done
  [ -z "$loop" ] || losetup -d "$loop"
  loop=""
done
if [ "$failed" -eq 1 ]; then
  echo "ÉCHOUÉ : ${images[*]} en $((SECONDS - start)) s"
  exit 1
elif [ "$setup_failed" -eq 1 ]; then
  echo "PAS FAIT : une image n'a pu être faite sur cette machine (${images[*]}, $((SECONDS - start)) s)"
  exit 2
fi
echo "réussi : ${images[*]} en $((SECONDS - start)) s"
