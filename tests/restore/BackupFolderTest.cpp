#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <filesystem>
#include <functional>
#include <optional>

#include <QTemporaryDir>

#include "RestoreFiles.h"
#include "StagedBackupTest.h"
#include "SudoCaller.h"
#include "restore/BackupFolder.h"
#include "restore/SystemFailure.h"

using namespace RestoreFiles;
using Step = SystemFailure::Step;

namespace {

// What is staged in a sound backup folder (catalogue 0644, Kestrix/ 0755, copy "hosts" 0644),
// and what reading it through BackupFolder gives: the first refusal, or the bytes.
struct TrustCase {
    const char* what;
    std::function<void(const std::string& folder)> stage;
    bool force;
    std::optional<Step> step;
    int error;
    std::string found;
    // Run as root: the user that owns the whole stick, and whether they called through sudo.
    uid_t stickOwner = 0;
    bool throughSudo = false;
};

void PrintTo(const TrustCase& c, std::ostream* out) {
    *out << c.what;
}

void Chmod(const std::string& path, mode_t mode) {
    ASSERT_EQ(::chmod(path.c_str(), mode), 0) << path;
}

void Replace(const std::string& path, const std::function<int(const char*)>& make) {
    ASSERT_EQ(::unlink(path.c_str()), 0) << path;
    ASSERT_EQ(make(path.c_str()), 0) << path;
}

class BackupFolderTest : public StagedBackupTest,
                         public ::testing::WithParamInterface<TrustCase> {};

TEST_P(BackupFolderTest, RefusesWhatOthersMayWrite) {
    const TrustCase& c = GetParam();
    if ((c.stickOwner != 0 || c.step == Step::ForeignOwner) && ::geteuid() != 0) {
        GTEST_SKIP() << "giving the backup to another user needs root";
    }
    if (c.stickOwner != 0) {
        for (const char* p : {"", "/Kestrix.dat", "/Kestrix", "/Kestrix/hosts"}) {
            ASSERT_EQ(::chown((save_ + p).c_str(), c.stickOwner, c.stickOwner), 0);
        }
    }
    std::optional<SudoCaller> caller;
    if (c.throughSudo) {
        caller.emplace(c.stickOwner);
    }
    Write(base_ + "/other", "autre\n", 0644);
    MakeDirectories(base_ + "/elsewhere");
    Write(base_ + "/elsewhere/hosts", "ailleurs\n", 0644);
    c.stage(save_);

    std::string catalogue;
    std::string copy;
    try {
        BackupFolder backup(save_);
        backup.Vouch(c.force);
        ASSERT_EQ(backup.Prepare(false), BackupFolder::Recovery::None);
        catalogue = backup.ReadCatalogue(c.force);
        backup.OpenCopies(c.force);
        const FileDescriptor fd = backup.OpenCopy("hosts", c.force);
        char buffer[64];
        const long n = fd.Read(buffer, sizeof buffer);
        ASSERT_GE(n, 0);
        copy.assign(buffer, static_cast<std::size_t>(n));
    } catch (const SystemFailure& failure) {
        ASSERT_TRUE(c.step.has_value())
            << c.what << ": refused at step " << static_cast<int>(failure.GetStep());
        EXPECT_EQ(failure.GetStep(), *c.step) << c.what;
        EXPECT_EQ(failure.Error(), c.error) << c.what;
        EXPECT_EQ(failure.Found(), c.found) << c.what;
        return;
    }
    ASSERT_FALSE(c.step.has_value()) << c.what << ": accepted";
    EXPECT_EQ(catalogue, CatalogueBytes({"fstab,/etc", "hosts,/etc"})) << c.what;
    EXPECT_EQ(copy, kHosts) << c.what;
}

const auto kLink = [](const char* target) {
    return [target](const char* path) { return ::symlink(target, path); };
};
const auto kFifo = [](const char* path) { return ::mkfifo(path, 0644); };
const auto kAsItIs = [](const std::string&) {};

INSTANTIATE_TEST_SUITE_P(
    Cases, BackupFolderTest,
    ::testing::Values(
        TrustCase{"sound", [](const std::string&) {}, false, std::nullopt, 0, ""},
        TrustCase{"catalogue 0666",
                  [](const std::string& f) { Chmod(f + "/Kestrix.dat", 0666); }, false,
                  Step::CatalogueWritable, 0, "0666"},
        TrustCase{"catalogue 0664",
                  [](const std::string& f) { Chmod(f + "/Kestrix.dat", 0664); }, false,
                  Step::CatalogueWritable, 0, "0664"},
        TrustCase{"catalogue 0666, forced",
                  [](const std::string& f) { Chmod(f + "/Kestrix.dat", 0666); }, true,
                  std::nullopt, 0, ""},
        TrustCase{"catalogue a link",
                  [](const std::string& f) { Replace(f + "/Kestrix.dat", kLink("../other")); },
                  true, Step::ReadCatalogue, ELOOP, ""},
        TrustCase{"catalogue a FIFO",
                  [](const std::string& f) { Replace(f + "/Kestrix.dat", kFifo); }, false,
                  Step::ReadCatalogue, EINVAL, ""},
        TrustCase{"Kestrix 0777", [](const std::string& f) { Chmod(f + "/Kestrix", 0777); },
                  false, Step::CopiesWritable, 0, "0777"},
        TrustCase{"Kestrix 01775", [](const std::string& f) { Chmod(f + "/Kestrix", 01775); },
                  false, Step::CopiesWritable, 0, "1775"},
        TrustCase{"Kestrix 0777, forced",
                  [](const std::string& f) { Chmod(f + "/Kestrix", 0777); }, true, std::nullopt,
                  0, ""},
        TrustCase{"Kestrix a link",
                  [](const std::string& f) {
                      ASSERT_EQ(::rename((f + "/Kestrix").c_str(), (f + "/moved").c_str()), 0);
                      ASSERT_EQ(::symlink("../elsewhere", (f + "/Kestrix").c_str()), 0);
                  },
                  true, Step::OpenCopies, ENOTDIR, ""},
        TrustCase{"Kestrix missing",
                  [](const std::string& f) {
                      std::filesystem::remove_all(f + "/Kestrix");
                  },
                  false, Step::OpenCopy, ENOENT, ""},
        TrustCase{"copy 0666",
                  [](const std::string& f) { Chmod(f + "/Kestrix/hosts", 0666); }, false,
                  Step::CopyWritable, 0, "0666"},
        TrustCase{"copy 0620",
                  [](const std::string& f) { Chmod(f + "/Kestrix/hosts", 0620); }, false,
                  Step::CopyWritable, 0, "0620"},
        TrustCase{"copy 0666, forced",
                  [](const std::string& f) { Chmod(f + "/Kestrix/hosts", 0666); }, true,
                  std::nullopt, 0, ""},
        TrustCase{"copy a link",
                  [](const std::string& f) {
                      Replace(f + "/Kestrix/hosts", kLink("../../elsewhere/hosts"));
                  },
                  true, Step::OpenCopy, ELOOP, ""},
        TrustCase{"copy a FIFO",
                  [](const std::string& f) { Replace(f + "/Kestrix/hosts", kFifo); }, false,
                  Step::CopyNotRegular, EINVAL, ""},
        TrustCase{"copy missing",
                  [](const std::string& f) { ::unlink((f + "/Kestrix/hosts").c_str()); }, false,
                  Step::OpenCopy, ENOENT, ""},
        // A FAT stick mounted by the desktop: the user's files 0644, folders 0755. Its user
        // (4242: in no passwd file) vouches for it only as the administrator who called sudo.
        TrustCase{"a user's stick, through sudo", kAsItIs, false, std::nullopt, 0, "", 4242,
                  true},
        TrustCase{"a user's stick", kAsItIs, false, Step::ForeignOwner, 0, "4242", 4242},
        TrustCase{"a user's stick, forced", kAsItIs, true, std::nullopt, 0, "", 4242},
        TrustCase{"backup folder 0777", [](const std::string& f) { Chmod(f, 0777); }, false,
                  Step::BackupWritable, 0, "0777"},
        TrustCase{"backup folder 01777, root's", [](const std::string& f) { Chmod(f, 01777); },
                  false, std::nullopt, 0, ""},
        TrustCase{"backup folder 0770, forced", [](const std::string& f) { Chmod(f, 0770); },
                  true, std::nullopt, 0, ""},
        // Checked before anything would finish the switch that the intent names.
        TrustCase{"an intent of another user",
                  [](const std::string& f) {
                      Write(f + "/.kestrix-validation", "Kestrix validation 1\nfin\n");
                      if (::geteuid() == 0) {
                          ASSERT_EQ(::chown((f + "/.kestrix-validation").c_str(), 4242, 4242), 0);
                      }
                  },
                  false, Step::ForeignOwner, 0, "4242"}));

TEST(BackupFolderCopies, OnlyRegularFilesAreCopies) {
    QTemporaryDir temp;
    const std::string folder = temp.path().toStdString();
    MakeDirectories(folder + "/Kestrix/dir");
    Write(folder + "/Kestrix/hosts", "x");
    ASSERT_EQ(::symlink("hosts", (folder + "/Kestrix/link").c_str()), 0);
    // Asked name by name, then from the listing of the folder.
    for (const bool listed : {false, true}) {
        BackupFolder backup(folder);
        ASSERT_EQ(backup.Prepare(false), BackupFolder::Recovery::None);
        backup.OpenCopies(false);
        if (listed) {
            backup.ListCopies();
        }
        EXPECT_TRUE(backup.HasCopy("hosts"));
        for (const char* name : {"link", "dir", ".", "..", "absent"}) {
            EXPECT_FALSE(backup.HasCopy(name)) << name << (listed ? " listed" : "");
        }
    }
}

}  // namespace
