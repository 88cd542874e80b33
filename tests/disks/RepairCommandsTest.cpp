// Every name and field of a record put in a printed command is one shell word, itself: no blank,
// quote, dollar or tilde of a label or a path is ever read by the shell.
#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "disks/RepairCommands.h"

namespace {

struct Row {
    std::string word;
    std::string quoted;
};

void PrintTo(const Row& row, std::ostream* out) {
    *out << row.word;
}

class QuoteRows : public ::testing::TestWithParam<Row> {};

TEST_P(QuoteRows, IsOneShellWord) {
    EXPECT_EQ(RepairCommands::Quote(GetParam().word), GetParam().quoted);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, QuoteRows,
    ::testing::Values(Row{"/dev/sda1", "/dev/sda1"},
                      Row{"3299dd36-019c-4bd8-974d-c18034603b5a",
                          "3299dd36-019c-4bd8-974d-c18034603b5a"},
                      Row{"", "''"}, Row{"Mes disques", "'Mes disques'"},
                      Row{"\\EFI\\debian\\shimx64.efi", "'\\EFI\\debian\\shimx64.efi'"},
                      Row{"l'étiquette", "'l'\\''étiquette'"}, Row{"$(reboot)", "'$(reboot)'"},
                      Row{"~root", "'~root'"}, Row{"a\nb", "'a\nb'"}, Row{"*", "'*'"}));

struct Place {
    std::string disk;
    int number;
    std::string partition;
};

class PartitionRows : public ::testing::TestWithParam<Place> {};

TEST_P(PartitionRows, NamesThePartitionAsTheKernelDoes) {
    EXPECT_EQ(RepairCommands::PartitionDevice(GetParam().disk, GetParam().number),
              GetParam().partition);
}

INSTANTIATE_TEST_SUITE_P(Rows, PartitionRows,
                         ::testing::Values(Place{"/dev/sda", 1, "/dev/sda1"},
                                           Place{"/dev/nvme0n1", 2, "/dev/nvme0n1p2"},
                                           Place{"/dev/loop0", 3, "/dev/loop0p3"},
                                           Place{"/dev/mmcblk0", 1, "/dev/mmcblk0p1"}));

TEST(RepairCommands, EachFileSystemGetsItsUuidBackWithItsOwnTool) {
    const auto line = [](const char* type) {
        RecordedFileSystem fs;
        fs.type = type;
        fs.uuid = "5588a1dd-12c8";
        fs.label = "racine";
        return RepairCommands::SetUuid(fs, "/dev/sdb2");
    };
    EXPECT_EQ(line("ext4"), "tune2fs -U 5588a1dd-12c8 /dev/sdb2");
    EXPECT_EQ(line("xfs"), "xfs_admin -U 5588a1dd-12c8 /dev/sdb2");
    EXPECT_EQ(line("swap"), "mkswap -U 5588a1dd-12c8 -L racine /dev/sdb2");
    EXPECT_EQ(line("crypto_LUKS"), "cryptsetup luksUUID --uuid 5588a1dd-12c8 /dev/sdb2");
    EXPECT_EQ(line("vfat"), "fatlabel -i /dev/sdb2 5588a1dd12c8");
    EXPECT_EQ(line("ntfs"), "");
}

}  // namespace
