// Restore.exe --disques on a staged machine: a real loop disk (GPT: an EFI system partition and an
// ext4) seen through roots of its own, with a firmware UUID and an EFI entry staged as files. Each
// row records the machine, changes it as a rescue day finds it, then compares: the exit status,
// what it says and the command it offers.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <ostream>
#include <sstream>
#include <string>

#include "ShellOutput.h"
#include "disks/DiskCheck.h"
#include "disks/StagedRecord.h"

namespace {

const char kGlobal[] = "-8be4df61-93ca-11d2-aa0d-00e098032b8c";

class StagedMachine : public ::testing::Test {
protected:
    void SetUp() override {
        if (::geteuid() != 0 ||
            std::system("command -v sfdisk mkfs.ext4 mkfs.vfat >/dev/null") != 0) {
            GTEST_SKIP() << "needs root, sfdisk, mkfs.ext4 and mkfs.vfat for a loop disk";
        }
        char pattern[] = "/tmp/kestrix-disques-test.XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        work_ = pattern;
        Run("truncate -s 64M " + work_ +
            "/disque.img && printf 'label: gpt\\nsize=16MiB, "
            "type=U\\ntype=L\\n' | sfdisk -q " +
            work_ + "/disque.img");
        disk_ = Output("losetup -f --show " + work_ + "/disque.img");
        ASSERT_EQ(disk_.compare(0, 9, "/dev/loop"), 0) << "no loop device: " << disk_;
        name_ = disk_.substr(5);
        // Without udev, the partitions' nodes come from the kernel's own scan.
        std::system(("partx -a " + disk_ + " 2>/dev/null").c_str());
        Run("test -b " + disk_ + "p2");
        Run("mkfs.vfat " + disk_ + "p1 >/dev/null && mkfs.ext4 -q " + disk_ + "p2");
        roots_.sys = work_ + "/sys";
        roots_.dev = work_ + "/dev";
        roots_.proc = work_ + "/proc";
        roots_.files = work_ + "/fichiers";
        roots_.efivars = work_ + "/efivars";
        Run("mkdir -p " + roots_.sys + "/block " + roots_.sys + "/class/dmi/id " + roots_.dev +
            " " + roots_.proc + "/self " + roots_.files + " " + roots_.efivars + " " + work_ +
            "/D && touch " + roots_.proc + "/self/mountinfo");
        Run("ln -s /sys/block/" + name_ + " " + roots_.sys + "/block/" + name_ + " && ln -s " +
            disk_ + " " + disk_ + "p1 " + disk_ + "p2 " + roots_.dev);
        Write(roots_.sys + "/class/dmi/id/product_uuid", "4c4c4544-0042-3510-8052-b4c04f4e3232\n");
        // Boot0000 "debian": a load option whose device path is only its end node.
        Write(roots_.efivars + "/Boot0000" + kGlobal,
              std::string("\x07\0\0\0\x01\0\0\0\x04\0d\0e\0b\0\0\0\x7f\xff\x04\0", 22));
        std::string problem;
        const FileDescriptor folder(::open((work_ + "/D").c_str(), O_RDONLY | O_DIRECTORY));
        ASSERT_TRUE(StagedRecord::Write(folder, problem, roots_)) << problem;
    }

    void TearDown() override {
        if (!disk_.empty()) {
            std::system(("losetup -d " + disk_).c_str());
        }
        if (!work_.empty()) {
            std::system(("rm -rf " + work_).c_str());
        }
    }

    static void Run(const std::string& command) {
        ASSERT_EQ(std::system(command.c_str()), 0) << command;
    }

    int Compare(std::string& out) {
        std::ostringstream printed;
        std::ostringstream errors;
        const RecordReader::Trust trust{[](uid_t owner) { return owner == 0; },
                                        [](uid_t owner) { return std::to_string(owner); },
                                        [](int error) { return std::string(std::strerror(error)); },
                                        false};
        const int status = DiskCheck(printed, errors, roots_).Run(work_ + "/D", trust);
        out = printed.str() + errors.str();
        return status;
    }

    std::string work_;
    std::string disk_;
    std::string name_;
    SystemRoots roots_;
};

struct Case {
    const char* what;
    std::function<void(StagedMachine&, std::string& expected)> change;
    int status;
};

void PrintTo(const Case& row, std::ostream* out) {
    *out << row.what;
}

class DiskCheckRows : public StagedMachine, public ::testing::WithParamInterface<Case> {
public:
    std::string Disk() const { return disk_; }
    std::string Work() const { return work_; }
    const SystemRoots& Roots() const { return roots_; }
    std::string Name() const { return name_; }
};

TEST_P(DiskCheckRows, SaysWhatDiffersAndHowToPutItBack) {
    std::string expected;
    GetParam().change(*this, expected);
    std::string out;
    EXPECT_EQ(Compare(out), GetParam().status) << GetParam().what << "\n" << out;
    EXPECT_NE(out.find(expected), std::string::npos) << "expected: " << expected << "\n" << out;
}

std::string Uuid(const std::string& device) {
    return Output("blkid -s UUID -o value " + device);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, DiskCheckRows,
    ::testing::Values(
        Case{"the same machine",
             [](StagedMachine&, std::string& expected) {
                 expected = "La machine correspond à l'enregistrement.";
             },
             0},
        Case{"a table wiped",
             [](StagedMachine& m, std::string& expected) {
                 const auto& row = static_cast<DiskCheckRows&>(m);
                 ASSERT_EQ(std::system(("wipefs -q -a " + row.Disk() + " 2>/dev/null").c_str()), 0);
                 expected = "sfdisk --backup-file /root/table-avant-" + row.Name() + " " +
                            row.Disk() + " < " + row.Work() + "/D/Disques/disque-" + row.Name() +
                            ".sfdisk";
             },
             1},
        Case{"a table overwritten by a file system on the whole disk",
             [](StagedMachine& m, std::string& expected) {
                 const auto& row = static_cast<DiskCheckRows&>(m);
                 ASSERT_EQ(std::system(("wipefs -q -a " + row.Disk() +
                                        " 2>/dev/null && "
                                        "mkfs.ext4 -q -F " +
                                        row.Disk())
                                           .c_str()),
                           0);
                 expected = "(le disque porte maintenant un ext4 : la table n'y sera pas remise)";
             },
             1},
        Case{"a file system made again",
             [](StagedMachine& m, std::string& expected) {
                 const auto& row = static_cast<DiskCheckRows&>(m);
                 const std::string part = row.Disk() + "p2";
                 const std::string before = Uuid(part);
                 ASSERT_EQ(std::system(("mkfs.ext4 -q -F " + part).c_str()), 0);
                 expected = "tune2fs -U " + before + " " + part;
             },
             1},
        Case{"a disk missing",
             [](StagedMachine& m, std::string& expected) {
                 const auto& row = static_cast<DiskCheckRows&>(m);
                 ASSERT_EQ(::unlink((row.Roots().sys + "/block/" + row.Name()).c_str()), 0);
                 expected = "/dev/" + row.Name() + " (67108864 octets) : absent de cette machine";
             },
             1},
        Case{"another machine",
             [](StagedMachine& m, std::string& expected) {
                 const auto& row = static_cast<DiskCheckRows&>(m);
                 Write(row.Roots().sys + "/class/dmi/id/product_uuid", "00000000-1111\n");
                 expected =
                     "Cet enregistrement a été fait sur une autre machine (UUID système "
                     "4c4c4544-0042-3510-8052-b4c04f4e3232, cette machine : 00000000-1111)";
             },
             1},
        Case{"an EFI entry lost",
             [](StagedMachine& m, std::string& expected) {
                 const auto& row = static_cast<DiskCheckRows&>(m);
                 ASSERT_EQ(::unlink((row.Roots().efivars + "/Boot0000" + kGlobal).c_str()), 0);
                 Write(row.Roots().efivars + "/Boot0003" + kGlobal,
                       std::string("\x07\0\0\0\x01", 5));
                 expected = " * Boot0000 deb : absente";
             },
             1},
        Case{"a record others may write",
             [](StagedMachine& m, std::string& expected) {
                 const auto& row = static_cast<DiskCheckRows&>(m);
                 ASSERT_EQ(::chmod((row.Work() + "/D/Disques/Enregistrement.txt").c_str(), 0666),
                           0);
                 expected = "peut être modifié par d'autres que son propriétaire (droits 0666)";
             },
             2},
        Case{"a record that nobody trusted owns",
             [](StagedMachine& m, std::string& expected) {
                 const auto& row = static_cast<DiskCheckRows&>(m);
                 ASSERT_EQ(::chown((row.Work() + "/D/Disques").c_str(), 1234, 0), 0);
                 expected = "le dossier Disques appartient à l'utilisateur 1234";
             },
             2},
        Case{"a record changed after the backup",
             [](StagedMachine& m, std::string& expected) {
                 const auto& row = static_cast<DiskCheckRows&>(m);
                 std::ofstream(row.Work() + "/D/Disques/Resume.txt", std::ios::app) << "x";
                 expected = "Disques/Resume.txt ne correspond pas à son fichier de contrôle";
             },
             2},
        Case{"a link in the record",
             [](StagedMachine& m, std::string& expected) {
                 const auto& row = static_cast<DiskCheckRows&>(m);
                 const std::string file = row.Work() + "/D/Disques/Resume.txt";
                 ASSERT_EQ(::unlink(file.c_str()), 0);
                 ASSERT_EQ(::symlink("/etc/passwd", file.c_str()), 0);
                 expected = "Disques/Resume.txt est illisible";
             },
             2},
        Case{"no record",
             [](StagedMachine& m, std::string& expected) {
                 const auto& row = static_cast<DiskCheckRows&>(m);
                 ASSERT_EQ(std::system(("rm -r " + row.Work() + "/D/Disques").c_str()), 0);
                 expected = "n'a pas d'enregistrement des disques";
             },
             2}));

}  // namespace
