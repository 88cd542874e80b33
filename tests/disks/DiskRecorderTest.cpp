// What a backup records of a staged machine: real loop disks (a GPT one with an EFI system
// partition, an ext4 and a LUKS2 volume; an MBR one with an ext4 and a swap; one with a file
// system on the whole disk) seen through roots of their own, where RAID, LVM, EFI, the firmware
// and the boot loader's target are staged as files. Each row checks one part of the record.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <map>
#include <ostream>
#include <string>

#include "ShellOutput.h"
#include "disks/DiskRecorder.h"
#include "disks/RecordText.h"

namespace {

std::string Le(std::uint64_t value, int size) {
    std::string bytes;
    for (int i = 0; i < size; ++i) {
        bytes += static_cast<char>((value >> (8 * i)) & 0xff);
    }
    return bytes;
}

// A load option "debian" whose loader is \EFI\debian\shimx64.efi on partition 1, GPT signature
// `guid` (the 16 bytes as EFI stores them).
std::string LoadOption(const std::string& guid) {
    const std::string hd = std::string("\x04\x01", 2) + Le(42, 2) + Le(1, 4) + Le(2048, 8) +
                           Le(32768, 8) + guid + "\x02\x02";
    const std::string name = Ucs2("\\EFI\\debian\\shimx64.efi");
    const std::string file = std::string("\x04\x04", 2) + Le(4 + name.size(), 2) + name;
    const std::string path = hd + file + std::string("\x7f\xff\x04\x00", 4);
    return Le(1, 4) + Le(path.size(), 2) + Ucs2("debian") + path;
}

// The 16 bytes of a GUID as EFI stores them, from its text.
std::string GuidBytes(const std::string& text) {
    std::string hex;
    for (const char c : text) {
        if (c != '-') {
            hex += c;
        }
    }
    std::string bytes;
    for (std::size_t i = 0; i < 32; i += 2) {
        bytes += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
    }
    for (const auto& [from, length] : {std::pair<int, int>{0, 4}, {4, 2}, {6, 2}}) {
        std::reverse(bytes.begin() + from, bytes.begin() + from + length);
    }
    return bytes;
}

class StagedRecord : public ::testing::Test {
public:
    void SetUp() override {
        if (::geteuid() != 0 ||
            std::system("command -v sfdisk mkfs.ext4 mkfs.vfat mkswap cryptsetup >/dev/null") !=
                0) {
            GTEST_SKIP() << "needs root, sfdisk, mkfs.ext4, mkfs.vfat, mkswap and cryptsetup";
        }
        char pattern[] = "/tmp/kestrix-enregistrement-test.XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        work = pattern;
        gpt = Attach("96M",
                     "label: gpt\\nsize=16MiB, type=U, name=EFI\\nsize=32MiB, type=L, "
                     "name=racine\\ntype=L, name=coffre\\n");
        mbr = Attach("32M", "label: dos\\nsize=16MiB, type=83\\ntype=82\\n");
        whole = Attach("16M", "");
        Run("mkfs.vfat -n EFI " + gpt + "p1 >/dev/null && mkfs.ext4 -q -L racine " + gpt +
            "p2 && echo -n phrase | cryptsetup luksFormat --type luks2 -q --pbkdf pbkdf2 "
            "--pbkdf-force-iterations 1000 " +
            gpt + "p3 - && mkfs.ext4 -q " + mbr + "p1 && mkswap -q -L echange " + mbr +
            "p2 && mkfs.ext4 -q -F " + whole);
        roots.sys = work + "/sys";
        roots.dev = work + "/dev";
        roots.proc = work + "/proc";
        roots.files = work + "/racine";
        roots.efivars = work + "/efivars";
        for (const char* folder :
             {"/sys/block/zram0", "/sys/block/md0/md", "/sys/block/md0/slaves/sda2",
              "/sys/class/dmi/id", "/dev/disk/by-id", "/proc/self", "/proc/sys/kernel",
              "/racine/etc/lvm/backup", "/racine/var/cache/debconf", "/racine/boot", "/efivars"}) {
            Run("mkdir -p " + work + folder);
        }
        // The GPT disk stands as sda; the disk with a file system on the whole of it as sdc,
        // and again under its loop name, mounted too.
        Link(gpt, "sda");
        Link(mbr, mbr.substr(5));
        Link(whole, "sdc");
        Link(whole, whole.substr(5));
        Run("ln -s ../../sda " + roots.dev + "/disk/by-id/ata-KESTRIX_0001");
        Write(roots.sys + "/block/zram0/size", "2048\n");
        Write(roots.sys + "/block/md0/size", "2048\n");
        Write(roots.sys + "/block/md0/md/level", "raid1\n");
        Write(roots.sys + "/block/md0/md/metadata_version", "1.2\n");
        Write(roots.sys + "/block/md0/md/uuid", "3f8a1c2e-5b6d-4e7f-8091-a2b3c4d5e6f7\n");
        Write(roots.sys + "/class/dmi/id/product_uuid", "4c4c4544-0042-3510-8052-b4c04f4e3232\n");
        Write(roots.sys + "/class/dmi/id/product_name", "PowerEdge R640\n");
        Write(roots.proc + "/self/mountinfo",
              "30 1 " + Output("cat /sys/block/" + gpt.substr(5) + "/" + gpt.substr(5) + "p1/dev") +
                  " / /boot/efi rw,relatime - vfat x rw\n31 1 " +
                  Output("cat /sys/block/" + whole.substr(5) + "/dev") +
                  " / /srv\\040data rw,noatime - ext4 x rw\n");
        Write(roots.proc + "/sys/kernel/osrelease", "6.1.0-18-amd64\n");
        Write(roots.proc + "/cmdline", "BOOT_IMAGE=/boot/vmlinuz-6.1.0-18-amd64 ro quiet\n");
        Write(roots.files + "/etc/hostname", "serveur-01\n");
        Write(roots.files + "/boot/vmlinuz-6.1.0-18-amd64", "");
        Write(roots.files + "/boot/initrd.img-6.1.0-18-amd64", "");
        Write(roots.files + "/boot/grub.cfg", "");
        Write(roots.files + "/var/cache/debconf/config.dat",
              "Name: grub-pc/install_devices\nTemplate: grub-pc/install_devices\n"
              "Value: /dev/disk/by-id/ata-KESTRIX_0001\nOwners: grub-pc\n\n");
        Write(roots.files + "/etc/lvm/backup/vg0",
              "contents = \"Text Format Volume Group\"\nvg0 {\n\tid = \"Zk3q1W\"\n"
              "\tphysical_volumes {\n\t\tpv0 {\n\t\t\tid = \"h7Gf2k-LmNo\" # md0\n"
              "\t\t\tdevice = \"/dev/md0\"\n\t\t}\n\t\tpv1 {\n\t\t\tid = \"Qw12-Er34\"\n"
              "\t\t}\n\t}\n\tlogical_volumes {\n\t\tracine {\n\t\t\tid = \"not-a-pv\"\n"
              "\t\t}\n\t}\n}\n");
        espUuid = Output("blkid -s PARTUUID -o value " + gpt + "p1");
        const std::string suffix = kEfiGlobalSuffix;
        Write(roots.efivars + "/BootCurrent" + suffix, Le(7, 4) + Le(0, 2));
        Write(roots.efivars + "/BootOrder" + suffix, Le(7, 4) + Le(0, 2) + Le(1, 2));
        Write(roots.efivars + "/Boot0000" + suffix, Le(7, 4) + LoadOption(GuidBytes(espUuid)));
        record = DiskRecorder(roots).Record(files);
    }

    void TearDown() override {
        for (const std::string& disk : {gpt, mbr, whole}) {
            if (!disk.empty()) {
                std::system(("losetup -d " + disk).c_str());
            }
        }
        if (!work.empty()) {
            std::system(("rm -rf " + work).c_str());
        }
    }

    static void Run(const std::string& command) {
        ASSERT_EQ(std::system(command.c_str()), 0) << command;
    }

    std::string Attach(const std::string& size, const std::string& table) {
        const std::string image = work + "/" + std::to_string(++images_) + ".img";
        Run("truncate -s " + size + " " + image);
        if (!table.empty()) {
            Run("printf '" + table + "' | sfdisk -q " + image);
        }
        const std::string device = Output("losetup -P -f --show " + image);
        // Without udev, the partitions' nodes come from the kernel's scan, a moment later.
        if (!table.empty()) {
            Run("for i in $(seq 50); do [ -b " + device + "p1 ] && break; partx -a " + device +
                " 2>/dev/null; sleep 0.1; done; [ -b " + device + "p1 ]");
        }
        return device;
    }

    // `device` seen as `name` in the staged /sys and /dev, with its partitions.
    void Link(const std::string& device, const std::string& name) {
        const std::string kernel = device.substr(5);
        Run("ln -s /sys/block/" + kernel + " " + roots.sys + "/block/" + name + " && ln -s " +
            device + " " + roots.dev + "/" + name);
        for (int part = 1; part <= 3; ++part) {
            const std::string node = device + "p" + std::to_string(part);
            if (::access(node.c_str(), F_OK) == 0) {
                Run("ln -s " + node + " " + roots.dev + "/" + kernel + "p" + std::to_string(part));
            }
        }
    }

    std::string work;
    std::string gpt;
    std::string mbr;
    std::string whole;
    std::string espUuid;
    SystemRoots roots;
    DiskRecord record;
    std::map<std::string, std::string> files;

private:
    int images_ = 0;
};

struct Row {
    const char* what;
    std::function<void(const StagedRecord&)> check;
};

void PrintTo(const Row& row, std::ostream* out) {
    *out << row.what;
}

class RecorderRows : public StagedRecord, public ::testing::WithParamInterface<Row> {};

TEST_P(RecorderRows, RecordsTheStagedMachine) {
    GetParam().check(*this);
}

std::string WithoutDevices(const std::string& script) {
    std::string kept;
    std::size_t start = 0;
    while (start < script.size()) {
        std::size_t end = script.find('\n', start);
        end = end == std::string::npos ? script.size() : end + 1;
        std::string line = script.substr(start, end - start);
        start = end;
        if (line.compare(0, 7, "device:") == 0) {
            continue;
        }
        const std::size_t colon = line.find(" : start=");
        kept += colon == std::string::npos ? line : line.substr(colon);
    }
    return kept;
}

INSTANTIATE_TEST_SUITE_P(
    Rows, RecorderRows,
    ::testing::Values(
        Row{"a GPT table as sfdisk dumps it, and its own sectors",
            [](const StagedRecord& m) {
                const RecordedDisk* disk = m.record.FindDisk("sda");
                ASSERT_NE(disk, nullptr);
                EXPECT_EQ(disk->table, "gpt");
                EXPECT_EQ(disk->byId, std::vector<std::string>{"ata-KESTRIX_0001"});
                EXPECT_EQ(WithoutDevices(m.files.at("disque-sda.sfdisk")),
                          WithoutDevices(Output("sfdisk --dump " + m.gpt) + "\n"));
                // Protective MBR, header, entries, backup entries and backup header.
                ASSERT_EQ(disk->regions.size(), 5u);
                const std::uint64_t end = 96u << 20;
                EXPECT_EQ(disk->regions[0].offset, 0u);
                EXPECT_EQ(disk->regions[1].offset, 512u);
                EXPECT_EQ(disk->regions[4].offset, end - 512);
                std::string sectors;
                for (const TableRegion& region : disk->regions) {
                    sectors += Output("dd if=" + m.gpt +
                                      " bs=512 skip=" + std::to_string(region.offset / 512) +
                                      " count=" + std::to_string(region.size / 512) +
                                      " status=none | xxd -p | tr -d '\\n'");
                }
                EXPECT_EQ(RecordText::Hex(m.files.at("disque-sda.secteurs")), sectors);
            }},
        Row{"each partition of a GPT disk",
            [](const StagedRecord& m) {
                const RecordedDisk* disk = m.record.FindDisk("sda");
                ASSERT_NE(disk, nullptr);
                ASSERT_EQ(disk->partitions.size(), 3u);
                const RecordedPartition& esp = disk->partitions[0];
                EXPECT_EQ(esp.number, 1);
                EXPECT_EQ(esp.start, 2048u);
                EXPECT_EQ(esp.size, 32768u);
                EXPECT_EQ(esp.type, "C12A7328-F81F-11D2-BA4B-00A0C93EC93B");
                EXPECT_EQ(esp.label, "EFI");
                EXPECT_EQ(RecordText::IdDigits(esp.uuid), RecordText::IdDigits(m.espUuid));
                EXPECT_EQ(disk->partitions[2].label, "coffre");
            }},
        Row{"an MBR disk, its partitions named by the disk's id",
            [](const StagedRecord& m) {
                const RecordedDisk* disk = m.record.FindDisk(m.mbr.substr(5));
                ASSERT_NE(disk, nullptr);
                EXPECT_EQ(disk->table, "dos");
                ASSERT_EQ(disk->partitions.size(), 2u);
                EXPECT_EQ(disk->partitions[1].type, "82");
                EXPECT_EQ(disk->partitions[0].uuid,
                          Output("blkid -s PARTUUID -o value " + m.mbr + "p1"));
                EXPECT_EQ(disk->regions.size(), 1u);
            }},
        Row{"file systems with their labels, ids and mounts",
            [](const StagedRecord& m) {
                const RecordedFileSystem* esp = m.record.FindFileSystem(m.gpt.substr(5) + "p1");
                ASSERT_NE(esp, nullptr);
                EXPECT_EQ(esp->type, "vfat");
                EXPECT_EQ(esp->label, "EFI");
                EXPECT_EQ(esp->partLabel, "EFI");
                EXPECT_EQ(esp->mountPoint, "/boot/efi");
                EXPECT_EQ(esp->options, "rw,relatime");
                const RecordedFileSystem* swap = m.record.FindFileSystem(m.mbr.substr(5) + "p2");
                ASSERT_NE(swap, nullptr);
                EXPECT_EQ(swap->type, "swap");
                EXPECT_EQ(swap->uuid, Output("blkid -s UUID -o value " + m.mbr + "p2"));
            }},
        Row{"a LUKS2 header's public fields, and nothing of the header",
            [](const StagedRecord& m) {
                ASSERT_EQ(m.record.luks.size(), 1u);
                const RecordedLuks& luks = m.record.luks[0];
                EXPECT_EQ(luks.version, "LUKS2");
                EXPECT_EQ(luks.uuid, Output("blkid -s UUID -o value " + m.gpt + "p3"));
                EXPECT_EQ(luks.cipher, "aes-xts-plain64");
                EXPECT_EQ(luks.keyBits, 512u);
                EXPECT_EQ(luks.slots, std::vector<int>{0});
                for (const auto& file : m.files) {
                    EXPECT_EQ(file.second.find("LUKS\xba\xbe"), std::string::npos) << file.first;
                }
            }},
        Row{"a disk without a table, for its mounted file system; not as a loop device",
            [](const StagedRecord& m) {
                const RecordedDisk* disk = m.record.FindDisk("sdc");
                ASSERT_NE(disk, nullptr);
                EXPECT_TRUE(disk->table.empty());
                EXPECT_EQ(m.files.count("disque-sdc.sfdisk"), 0u);
                ASSERT_NE(m.record.FindFileSystem("sdc"), nullptr);
                EXPECT_EQ(m.record.FindFileSystem("sdc")->mountPoint, "/srv data");
                EXPECT_EQ(m.record.FindDisk(m.whole.substr(5)), nullptr);
                EXPECT_EQ(m.record.FindDisk("zram0"), nullptr);
                EXPECT_EQ(m.record.FindDisk("md0"), nullptr);
            }},
        Row{"a RAID array as mdadm names it",
            [](const StagedRecord& m) {
                ASSERT_EQ(m.record.raids.size(), 1u);
                EXPECT_EQ(m.record.raids[0].uuid, "3f8a1c2e:5b6d4e7f:8091a2b3:c4d5e6f7");
                EXPECT_EQ(m.record.raids[0].level, "raid1");
                EXPECT_EQ(m.record.raids[0].metadata, "1.2");
                EXPECT_EQ(m.record.raids[0].members, std::vector<std::string>{"sda2"});
            }},
        Row{"an LVM volume group's own metadata and its physical volumes",
            [](const StagedRecord& m) {
                ASSERT_EQ(m.record.volumeGroups.size(), 1u);
                const RecordedVolumeGroup& group = m.record.volumeGroups[0];
                EXPECT_EQ(group.name, "vg0");
                EXPECT_EQ(group.pvIds, (std::vector<std::string>{"h7Gf2k-LmNo", "Qw12-Er34"}));
                EXPECT_EQ(m.files.at(group.file).substr(0, 10), "contents =");
            }},
        Row{"the EFI entries and the loader's id",
            [](const StagedRecord& m) {
                const BootChain& boot = m.record.boot;
                EXPECT_EQ(boot.firmware, "efi");
                EXPECT_EQ(boot.current, "0000");
                EXPECT_EQ(boot.order, (std::vector<std::string>{"0000", "0001"}));
                ASSERT_EQ(boot.entries.size(), 1u);
                EXPECT_EQ(boot.entries[0].label, "debian");
                EXPECT_EQ(boot.entries[0].loader, "\\EFI\\debian\\shimx64.efi");
                EXPECT_EQ(boot.entries[0].partition, 1u);
                EXPECT_EQ(boot.entries[0].partUuid, m.espUuid);
                EXPECT_EQ(boot.efiId, "debian");
            }},
        Row{"the machine, the boot loader's target, the kernel and its images",
            [](const StagedRecord& m) {
                EXPECT_EQ(m.record.systemUuid, "4c4c4544-0042-3510-8052-b4c04f4e3232");
                EXPECT_EQ(m.record.product, "PowerEdge R640");
                EXPECT_EQ(m.record.host, "serveur-01");
                const BootChain& boot = m.record.boot;
                EXPECT_EQ(boot.grubPcDevices, "/dev/disk/by-id/ata-KESTRIX_0001");
                EXPECT_EQ(boot.kernel, "6.1.0-18-amd64");
                EXPECT_EQ(boot.commandLine, "BOOT_IMAGE=/boot/vmlinuz-6.1.0-18-amd64 ro quiet");
                EXPECT_EQ(boot.images, (std::vector<std::string>{"initrd.img-6.1.0-18-amd64",
                                                                 "vmlinuz-6.1.0-18-amd64"}));
                EXPECT_TRUE(m.record.gaps.empty()) << m.record.gaps.front();
            }}));

}  // namespace
