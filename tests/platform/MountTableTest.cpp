#include "platform/MountTable.h"

#include <gtest/gtest.h>

namespace {

struct DriveCase {
    const char* name;
    const char* line;  // without the leading ids
    bool drive;
};

class MountTableDriveTest : public ::testing::TestWithParam<DriveCase> {};

TEST_P(MountTableDriveTest, IsDrive) {
    const QByteArray line = QByteArray("36 35 98:0 ") + GetParam().line;
    const std::vector<MountTable::Mount> mounts = MountTable::Parse(line);
    ASSERT_EQ(mounts.size(), 1u);
    EXPECT_EQ(MountTable::IsDrive(mounts[0]), GetParam().drive);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, MountTableDriveTest,
    ::testing::Values(
        DriveCase{"Home", "/ /home rw shared:2 - ext4 /dev/sda2 rw", true},
        DriveCase{"Boot", "/ /boot rw - vfat /dev/sda1 rw", true},
        DriveCase{"Nfs", "/ /mnt/nas rw - nfs4 nas:/export rw", true},
        DriveCase{"Cifs", "/ /mnt/partage rw - cifs //srv/p rw", true},
        DriveCase{"StickUnderRunMedia", "/ /run/media/anne/CLE rw - exfat /dev/sdb1 rw", true},
        DriveCase{"TmpfsOfTheUser", "/ /tmp/x/stick rw - tmpfs t rw", true},
        DriveCase{"Proc", "/ /proc rw - proc proc rw", false},
        DriveCase{"Cgroup", "/ /sys/fs/cgroup rw - cgroup2 cgroup2 rw", false},
        DriveCase{"Devtmpfs", "/ /dev rw - devtmpfs udev rw", false},
        DriveCase{"RunTmpfs", "/ /run/user/1000 rw - tmpfs tmpfs rw", false},
        DriveCase{"TmpItself", "/ /tmp rw - tmpfs tmpfs rw", false},
        DriveCase{"Overlay", "/ /var/lib/x/merged rw - overlay overlay rw", false},
        DriveCase{"Snap", "/ /snap/core/1 ro - squashfs /dev/loop0 ro", false},
        DriveCase{"BindOfAFolder", "/srv/data /mnt/data rw - ext4 /dev/sda2 rw", false},
        DriveCase{"FileBind", "/x/hosts /etc/hosts rw - ext4 /dev/vda rw", false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(MountTable, MalformedLinesAreLeftOutAndEscapesDecoded) {
    const std::vector<MountTable::Mount> mounts = MountTable::Parse(
        "garbage\n"
        "1 2 3:4 / /media/anne/Ma\\040cl\\303\\251 rw - vfat /dev/sdb1 rw\n"
        "1 2 3:4 / /short rw -\n");
    ASSERT_EQ(mounts.size(), 1u);
    EXPECT_EQ(mounts[0].mountPoint, QString::fromUtf8("/media/anne/Ma clé"));
    EXPECT_EQ(mounts[0].type, QStringLiteral("vfat"));
    EXPECT_EQ(mounts[0].source, QStringLiteral("/dev/sdb1"));
}

TEST(MountTable, RootFirstEachPointOnceRemovableWithItsLabel) {
    const MountTable::DeviceFacts facts{
        [](const QString& source) { return source == QLatin1String("/dev/sdc1"); },
        [](const QString& source) {
            return source == QLatin1String("/dev/sdc1") ? QStringLiteral("PHOTOS") : QString();
        }};
    const auto drives = MountTable::Drives(
        MountTable::Parse("1 0 8:1 / /srv rw - ext4 /dev/sda3 rw\n"
                          "2 0 8:1 / / rw - ext4 /dev/sda1 rw\n"
                          "3 0 8:1 / /mnt/usb rw - vfat /dev/sdc1 rw\n"
                          "4 0 8:1 / /media/anne/NOLABEL rw - vfat /dev/sdd1 rw\n"
                          "5 0 8:1 / /srv rw - xfs /dev/sda4 rw\n"
                          "6 0 0:2 / /proc rw - proc proc rw\n"),
        facts);
    const std::vector<MountTable::Drive> expected{
        {QStringLiteral("/"), QStringLiteral("/"), false},
        {QStringLiteral("/media/anne/NOLABEL"), QStringLiteral("NOLABEL"), true},
        {QStringLiteral("/mnt/usb"), QStringLiteral("PHOTOS"), true},
        {QStringLiteral("/srv"), QStringLiteral("srv"), false},
    };
    EXPECT_EQ(drives, expected);
}

}  // namespace
