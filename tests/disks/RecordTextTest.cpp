// The record is input to root: only a whole record of Kestrix's is read, and what the recorder
// writes, odd names included, reads back the same.
#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "disks/RecordText.h"

namespace {

const std::string kHeader = "Kestrix disques 1\n";
const std::string kDisk =
    "disque\tnom=sda\tfichier=disque-sda\tsecteurs=2048\ttaille-secteur=512\ttable=gpt\t"
    "zone=0+512\n";

DiskRecord FullRecord() {
    DiskRecord record;
    record.systemUuid = "4c4c4544-0042-3510-8052-b4c04f4e3232";
    record.host = "serveur\t01\n%";
    record.date = "2026-12-09 12:00:00";
    RecordedDisk disk;
    disk.name = "nvme0n1";
    disk.file = "disque-nvme0n1";
    disk.sectors = 1000215216;
    disk.sectorSize = 512;
    disk.physicalSectorSize = 4096;
    disk.serial = "S4EWNX0N";
    disk.byId = {"nvme-Samsung_SSD_970_S4EWNX0N", "nvme-eui.0025385b71b1c2a3"};
    disk.table = "gpt";
    disk.tableId = "9E37211F-E34B-C544-9749-7978434BBBE1";
    disk.regions = {{0, 512}, {512, 512}, {1024, 16384}};
    disk.partitions.push_back({"nvme0n1", "nvme0n1p1", 1, 2048, 1050624,
                               "C12A7328-F81F-11D2-BA4B-00A0C93EC93B", "AB", "EFI system"});
    record.disks.push_back(disk);
    record.fileSystems.push_back(
        {"nvme0n1p1", "vfat", "7E8B-D4C2", "EFI", "ab", "EFI system", "/boot/efi", "rw,relatime"});
    record.luks.push_back({"nvme0n1p3", "LUKS2", "6e93", "aes-xts-plain64", 512, 32768, {0, 3}});
    record.raids.push_back(
        {"md0", "raid1", "3f8a1c2e:5b6d4e7f:8091a2b3:c4d5e6f7", "1.2", {"sda1", "sdb1"}});
    record.volumeGroups.push_back({"vg0", "lvm-1.txt", {"h7Gf2k-LmNo"}});
    record.boot.firmware = "efi";
    record.boot.current = "0000";
    record.boot.order = {"0000", "0001"};
    record.boot.entries.push_back(
        {"0000", "debian", "92234475", 1, "\\EFI\\debian\\shimx64.efi", "0100"});
    record.boot.commandLine = "root=UUID=5588 ro quiet";
    record.gaps = {"pas root : les entrées EFI ne sont pas lues"};
    return record;
}

TEST(RecordText, WhatIsWrittenReadsBackTheSame) {
    const std::string bytes = RecordText::Serialize(FullRecord());
    DiskRecord read;
    std::string reason;
    ASSERT_TRUE(RecordText::Parse(bytes, read, reason)) << reason;
    EXPECT_EQ(read.host, "serveur\t01\n%");
    EXPECT_EQ(read.disks.at(0).partitions.at(0).label, "EFI system");
    EXPECT_EQ(RecordText::Serialize(read), bytes);
    EXPECT_EQ(bytes.find("serveur\t"), std::string::npos) << "a tab inside a value";
}

struct Row {
    const char* what;
    std::string bytes;
    bool read;
};

void PrintTo(const Row& row, std::ostream* out) {
    *out << row.what;
}

class RecordTextRows : public ::testing::TestWithParam<Row> {};

TEST_P(RecordTextRows, IsReadOnlyWhenWhole) {
    DiskRecord record;
    std::string reason;
    EXPECT_EQ(RecordText::Parse(GetParam().bytes, record, reason), GetParam().read)
        << GetParam().what << " : " << reason;
    EXPECT_EQ(reason.empty(), GetParam().read);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, RecordTextRows,
    ::testing::Values(
        Row{"a disk", kHeader + kDisk + "fin\n", true},
        Row{"a kind of a later recorder", kHeader + "bande\tnom=st0\nfin\n", true},
        Row{"a key of a later recorder", kHeader + "machine\tcouleur=bleu\nfin\n", true},
        Row{"empty", "", false}, Row{"another header", "Kestrix disques 2\nfin\n", false},
        Row{"no end", kHeader + kDisk, false},
        Row{"cut inside its last line", kHeader + "fi", false},
        Row{"bytes after its end", kHeader + "fin\n" + kDisk, false},
        Row{"a field without =", kHeader + "machine\tuuid\nfin\n", false},
        Row{"an empty key", kHeader + "machine\t=x\nfin\n", false},
        Row{"a bad escape", kHeader + "machine\thote=%G1\nfin\n", false},
        Row{"an escape cut short", kHeader + "machine\thote=%4\nfin\n", false},
        Row{"a raw control byte", kHeader + "machine\thote=a\rb\nfin\n", false},
        Row{"a partition before its disk", kHeader + "partition\tdisque=sda\tnom=sda1\nfin\n",
            false},
        Row{"a number over 64 bits",
            kHeader + "disque\tnom=sda\tsecteurs=18446744073709551616\nfin\n", false},
        Row{"a negative number", kHeader + "disque\tnom=sda\tsecteurs=-1\nfin\n", false},
        Row{"a sector size of 0", kHeader + "disque\tnom=sda\ttaille-secteur=0\nfin\n", false},
        Row{"a table without its sectors", kHeader + "disque\tnom=sda\ttable=gpt\nfin\n", false},
        Row{"a zone without a length", kHeader + "disque\tnom=sda\ttable=gpt\tzone=512\nfin\n",
            false},
        Row{"a zone past the end of a disk",
            kHeader + "disque\tnom=sda\ttable=gpt\tzone=18446744073709551615+512\nfin\n", false},
        Row{"a disk without a name", kHeader + "disque\tsecteurs=8\nfin\n", false},
        Row{"key slots that are no numbers", kHeader + "luks\tnom=sda2\templacements=0,x\nfin\n",
            false},
        Row{"over 4 MiB", kHeader + std::string(4u << 20, '\n'), false}));

}  // namespace
