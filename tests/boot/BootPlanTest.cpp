// The boot repair's plan from a record and what the machine shows: each row is a rescue day
// and the exact mounts and commands it leads to, or the refusal.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "boot/BootPlan.h"

namespace {

// A machine with one disk: an EFI system partition and the root.
DiskRecord Recorded(const std::string& firmware) {
    DiskRecord record;
    record.disks.push_back(RecordedDisk{});
    record.disks[0].name = "sda";
    record.disks[0].table = "gpt";
    record.disks[0].partitions = {{"sda", "sda1", 1, 2048, 1024, kEspType, "part-esp", "EFI"},
                                  {"sda", "sda2", 2, 4096, 8192, "linux", "part-root", ""}};
    record.fileSystems = {{"sda1", "vfat", "ABCD-0001", "", "part-esp", "", "/boot/efi", ""},
                          {"sda2", "ext4", "root-uuid", "", "part-root", "", "/", ""}};
    record.boot.firmware = firmware;
    record.boot.efiId = "debian";
    record.boot.order = {"0001", "0000"};
    record.boot.entries = {{"0001", "debian", "part-esp", 1, "\\EFI\\debian\\shimx64.efi", "00"},
                           {"0000", "PXE", "", 0, "", "01"}};
    return record;
}

BootFacts Found() {
    BootFacts facts;
    facts.root = "/mnt";
    facts.rootUuid = "root-uuid";
    facts.disk = "/dev/sdb";
    facts.diskHow = "par son WWN";
    facts.diskFound = true;
    facts.diskHasEsp = true;
    facts.espDevice = "/dev/sdb1";
    facts.efiVariables = true;
    facts.rootTools = {{"grub-install", "/usr/sbin/grub-install"},
                       {"update-grub", "/usr/sbin/update-grub"},
                       {"update-initramfs", "/usr/sbin/update-initramfs"},
                       {"efibootmgr", "/bin/efibootmgr"}};
    facts.rescueTools = {{"grub-install", "/usr/sbin/grub-install"}};
    return facts;
}

// The plan as lines: the refusal, or each mount then each step.
std::vector<std::string> Lines(const BootPlan& plan) {
    if (!plan.refusal.empty()) {
        return {"refus : " + plan.refusal};
    }
    std::vector<std::string> lines = {plan.efi ? "EFI" : "BIOS"};
    for (const BootMount& mount : plan.mounts) {
        lines.push_back("monter " + mount.source + " " + mount.target);
    }
    for (const BootStep& step : plan.steps) {
        if (!step.skipped.empty()) {
            lines.push_back("<i> " + step.skipped.substr(0, step.skipped.find(':')));
            continue;
        }
        std::string line = step.command.inRoot ? "chroot" : "";
        for (const std::string& word : step.command.arguments) {
            line += (line.empty() ? "" : " ") + word;
        }
        lines.push_back(line);
    }
    return lines;
}

struct Row {
    const char* what;
    const char* firmware;
    std::function<void(DiskRecord&, BootFacts&)> change;
    std::vector<std::string> expected;
};

void PrintTo(const Row& row, std::ostream* out) {
    *out << row.what;
}

class BootPlanRows : public ::testing::TestWithParam<Row> {};

TEST_P(BootPlanRows, MountsAndCommands) {
    DiskRecord record = Recorded(GetParam().firmware);
    BootFacts facts = Found();
    GetParam().change(record, facts);
    EXPECT_EQ(Lines(BootPlan::Make(record, facts)), GetParam().expected);
}

const std::vector<std::string> kBind = {"monter /dev /dev", "monter /proc /proc",
                                        "monter /sys /sys"};
const std::string kEfiGrub =
    "chroot /usr/sbin/grub-install --target=x86_64-efi "
    "--efi-directory=/boot/efi --bootloader-id=debian";
const std::string kAsk = " : donnez le disque où installer le chargeur avec --disque /dev/sdX";

// The mode, the bind mounts, then `lines`.
std::vector<std::string> Bound(const char* mode, std::vector<std::string> lines) {
    lines.insert(lines.begin(), kBind.begin(), kBind.end());
    lines.insert(lines.begin(), mode);
    return lines;
}

// As Bound, the system's own grub and initramfs updates between `before` and `after`.
std::vector<std::string> With(const char* mode, std::vector<std::string> before,
                              const std::vector<std::string>& after = {}) {
    before.insert(before.end(),
                  {"chroot /usr/sbin/update-grub", "chroot /usr/sbin/update-initramfs -u -k all"});
    before.insert(before.end(), after.begin(), after.end());
    return Bound(mode, before);
}

const std::vector<std::string> kBios =
    With("BIOS", {"chroot /usr/sbin/grub-install --target=i386-pc /dev/sdb"});

INSTANTIATE_TEST_SUITE_P(
    Rows, BootPlanRows,
    ::testing::Values(
        Row{"BIOS: the system's own grub-install onto the disk found", "bios",
            [](DiskRecord&, BootFacts&) {}, kBios},
        Row{"EFI with the firmware's variables: the ESP mounted, the entry and the order put back",
            "efi", [](DiskRecord&, BootFacts&) {},
            With("EFI",
                 {"monter efivarfs /sys/firmware/efi/efivars", "monter /dev/sdb1 /boot/efi",
                  kEfiGrub},
                 {"chroot /bin/efibootmgr --create --disk /dev/sdb --part 1 --label debian "
                  "--loader \\EFI\\debian\\shimx64.efi",
                  "chroot /bin/efibootmgr --bootorder 0001,0000"})},
        Row{"EFI from a BIOS-started rescue system: no variables, the removable path too", "efi",
            [](DiskRecord&, BootFacts& f) {
                f.efiVariables = false;
                f.espMountedAt = "/boot/efi";
            },
            With("EFI",
                 {kEfiGrub + " --no-nvram",
                  "chroot /usr/sbin/grub-install --target=x86_64-efi --efi-directory=/boot/efi "
                  "--removable --no-nvram"},
                 {"<i> ce système de secours n'a pas démarré en EFI "})},
        Row{"a restored system without grub-install: the rescue system's, with its paths", "efi",
            [](DiskRecord&, BootFacts& f) {
                f.rootTools = {{"grub-mkconfig", "/usr/sbin/grub-mkconfig"},
                               {"dracut", "/usr/bin/dracut"}};
            },
            Bound("EFI",
                  {"monter efivarfs /sys/firmware/efi/efivars", "monter /dev/sdb1 /boot/efi",
                   "/usr/sbin/grub-install --boot-directory=/mnt/boot --target=x86_64-efi "
                   "--efi-directory=/mnt/boot/efi --bootloader-id=debian",
                   "chroot /usr/sbin/grub-mkconfig -o /boot/grub/grub.cfg",
                   "chroot /usr/bin/dracut --regenerate-all --force",
                   "<i> efibootmgr manque au système restauré et à ce système de secours "})},
        Row{"grub-install nowhere: said, and the rest still planned", "bios",
            [](DiskRecord&, BootFacts& f) {
                f.rootTools = {};
                f.rescueTools = {};
            },
            Bound("BIOS",
                  {"<i> grub-install manque au système restauré et à ce système de secours ",
                   "<i> le système restauré n'a ni update-grub ni grub-mkconfig ",
                   "<i> le système restauré n'a pas d'outil d'initramfs (ni update-initramfs ni "
                   "dracut) "})},
        Row{"a root on LVM: the disk is that of the recorded EFI system partition", "bios",
            [](DiskRecord& r, BootFacts&) { r.fileSystems[1].device = "dm-0"; }, kBios},
        Row{"a root on LVM with no partition of the machine recorded: refused",
            "bios",
            [](DiskRecord& r, BootFacts&) {
                r.fileSystems[1].device = "dm-0";
                r.fileSystems[0].mountPoint.clear();
            },
            {"refus : le système de fichiers monté sur /mnt (UUID root-uuid) ne mène à aucun "
             "disque de l'enregistrement" +
             kAsk}},
        Row{"the recorded disk found by its size alone: refused",
            "bios",
            [](DiskRecord&, BootFacts& f) { f.diskBySize = true; },
            {"refus : le disque enregistré /dev/sda n'est pas identifié sur cette machine "
             "(/dev/sdb n'a que sa taille)" +
             kAsk}},
        Row{"the recorded disk absent: refused",
            "bios",
            [](DiskRecord&, BootFacts& f) { f.disk.clear(); },
            {"refus : le disque enregistré /dev/sda n'est pas sur cette machine" + kAsk}},
        Row{"a root the record does not hold: refused without --disque",
            "bios",
            [](DiskRecord&, BootFacts& f) { f.rootUuid = "other"; },
            {"refus : le système de fichiers monté sur /mnt (UUID other) ne mène à aucun disque "
             "de l'enregistrement" +
             kAsk}},
        Row{"nothing mounted at the root: refused",
            "bios",
            [](DiskRecord&, BootFacts& f) { f.rootUuid.clear(); },
            {"refus : aucun système de fichiers n'est monté sur /mnt : montez-y d'abord la "
             "racine du système restauré"}},
        Row{"another root onto a given disk with an ESP: EFI from the disk, no recorded entries",
            "bios",
            [](DiskRecord&, BootFacts& f) {
                f.rootUuid = "other";
                f.diskGiven = true;
                f.espMountedAt = "/boot/efi";
            },
            With("EFI", {"monter efivarfs /sys/firmware/efi/efivars", kEfiGrub})},
        Row{"a given disk with a BIOS boot partition as well: BIOS", "efi",
            [](DiskRecord&, BootFacts& f) {
                f.rootUuid = "other";
                f.diskGiven = true;
                f.diskHasBiosBoot = true;
            },
            kBios},
        Row{"a partition given as the disk: refused",
            "bios",
            [](DiskRecord&, BootFacts& f) {
                f.diskGiven = true;
                f.disk = "/dev/sdb2";
                f.diskFound = false;
            },
            {"refus : /dev/sdb2 n'est pas un disque de cette machine (une partition ne convient "
             "pas) : lsblk -d montre les disques"}},
        Row{"EFI whose system partition is nowhere: refused before anything is mounted",
            "efi",
            [](DiskRecord&, BootFacts& f) { f.espDevice.clear(); },
            {"refus : la partition système EFI (/boot/efi) n'est pas sur /dev/sdb : remettez "
             "d'abord sa table et son système de fichiers (Restore.exe --disques dit comment)"}}));

}  // namespace
