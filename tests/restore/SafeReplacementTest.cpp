#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cstring>
#include <stdexcept>

#include <QTemporaryDir>

#include "Mounts.h"
#include "RestoreFiles.h"
#include "shared/FileDescriptor.h"
#include "restore/FrenchTexts.h"
#include "restore/Paths.h"
#include "restore/SafeReplacement.h"
#include "restore/SystemFailure.h"

using namespace RestoreFiles;

namespace {

class SafeReplacementTest : public ::testing::Test {
protected:
    SafeReplacementTest() {
        Paths::Real(temp_.path().toStdString(), base_);
        copy_ = base_ + "/copie";
        directory_ = base_ + "/etc";
        MakeDirectories(directory_);
    }

    std::string Target() const { return directory_ + "/shadow"; }

    SafeReplacement::Result Restore() const {
        const FileDescriptor copy(::open(copy_.c_str(), O_RDONLY | O_CLOEXEC));
        const FileDescriptor directory(
            ::open(directory_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (!copy || !directory) {
            throw std::runtime_error("cannot open the copy or the folder");
        }
        return SafeReplacement::Restore(copy, directory, "shadow");
    }

    QTemporaryDir temp_;
    std::string base_;
    std::string copy_;
    std::string directory_;
};

TEST_F(SafeReplacementTest, ANewFileIsCreatedWithTheCopysModeWhateverTheUmask) {
    const std::string bytes = Pattern(200000, 3);
    Write(copy_, bytes, 0644);
    for (const mode_t umask : {0u, 077u}) {
        ::unlink(Target().c_str());
        const mode_t previous = ::umask(umask);
        const SafeReplacement::Result result = Restore();
        ::umask(previous);
        EXPECT_EQ(result.outcome, SafeReplacement::Outcome::Created);
        EXPECT_TRUE(result.keptAs.empty());
        EXPECT_EQ(Read(Target()), bytes);
        EXPECT_EQ(StatusOf(Target()).mode, 0644u) << "umask " << umask;
        EXPECT_EQ(result.mode, 0644u);
        EXPECT_EQ(StatusOf(Target()).uid, ::geteuid());
        EXPECT_EQ(result.uid, ::geteuid());
        EXPECT_EQ(Names(directory_), std::vector<std::string>{"shadow"});
    }
}

// A missing file as root: the copy's owner, group and bits, less the set-ID bits.
struct NewFileCase {
    mode_t copyMode;
    uid_t uid;
    gid_t gid;
    mode_t expectedMode;
};

void PrintTo(const NewFileCase& c, std::ostream* out) {
    *out << FrenchTexts::Mode(c.copyMode) << " owned by " << c.uid << ':' << c.gid;
}

class NewFileTest : public SafeReplacementTest,
                    public ::testing::WithParamInterface<NewFileCase> {};

TEST_P(NewFileTest, TakesTheCopysOwnerGroupAndBits) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "giving a copy another owner needs root";
    }
    const NewFileCase& c = GetParam();
    Write(copy_, "root:*:19000::::::\n");
    ASSERT_EQ(::chown(copy_.c_str(), c.uid, c.gid), 0);
    ASSERT_EQ(::chmod(copy_.c_str(), c.copyMode), 0);
    // Owned by another group than the copy's, as a setgid folder would make it.
    ASSERT_EQ(::chown(directory_.c_str(), 0, 4242), 0);
    ASSERT_EQ(::chmod(directory_.c_str(), 02755), 0);
    const SafeReplacement::Result result = Restore();
    EXPECT_EQ(result.outcome, SafeReplacement::Outcome::Created);
    const Status restored = StatusOf(Target());
    EXPECT_EQ(restored.mode, c.expectedMode);
    EXPECT_EQ(restored.uid, c.uid);
    EXPECT_EQ(restored.gid, c.gid);
    EXPECT_EQ(result.mode, c.expectedMode);
    EXPECT_EQ(result.uid, c.uid);
    EXPECT_EQ(result.gid, c.gid);
    EXPECT_EQ(Read(Target()), "root:*:19000::::::\n");
}

INSTANTIATE_TEST_SUITE_P(
    Modes, NewFileTest,
    ::testing::Values(NewFileCase{0640, 0, 42, 0640}, NewFileCase{0600, 1234, 5678, 0600},
                      NewFileCase{0444, 0, 0, 0444}, NewFileCase{04755, 0, 0, 0755},
                      NewFileCase{02750, 0, 42, 0750}, NewFileCase{01644, 1234, 42, 01644}));

TEST_F(SafeReplacementTest, AReplacedFileKeepsOwnerModeAndItsOldContentBeside) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "giving a file another owner needs root";
    }
    Write(copy_, "root:$6$sauvegarde:19000::::::\n", 0600);
    Write(Target(), "root:*:endommagé\n", 04750);
    ASSERT_EQ(::chown(Target().c_str(), 1234, 5678), 0);
    ASSERT_EQ(::chmod(Target().c_str(), 04750), 0);  // chown cleared the set-user-ID bit

    const SafeReplacement::Result result = Restore();
    EXPECT_EQ(result.outcome, SafeReplacement::Outcome::Replaced);
    EXPECT_EQ(result.keptAs, "shadow.avant-restauration");
    EXPECT_EQ(Read(Target()), "root:$6$sauvegarde:19000::::::\n");
    const Status restored = StatusOf(Target());
    EXPECT_EQ(restored.mode, 04750u);
    EXPECT_EQ(restored.uid, 1234u);
    EXPECT_EQ(restored.gid, 5678u);
    const std::string kept = directory_ + "/shadow.avant-restauration";
    EXPECT_EQ(Read(kept), "root:*:endommagé\n");
    EXPECT_EQ(StatusOf(kept).uid, 1234u);
    EXPECT_EQ(StatusOf(kept).mode, 04750u);
    EXPECT_EQ(Names(directory_), (std::vector<std::string>{"shadow", "shadow.avant-restauration"}));
}

TEST_F(SafeReplacementTest, AnEarlierKeptContentIsNeverOverwritten) {
    Write(copy_, "sauvegarde\n");
    Write(Target(), "premier\n");
    EXPECT_EQ(Restore().keptAs, "shadow.avant-restauration");
    Write(Target(), "second\n", 0640);
    EXPECT_EQ(Restore().keptAs, "shadow.avant-restauration.2");
    EXPECT_EQ(Read(directory_ + "/shadow.avant-restauration"), "premier\n");
    EXPECT_EQ(Read(directory_ + "/shadow.avant-restauration.2"), "second\n");
    EXPECT_EQ(Read(Target()), "sauvegarde\n");
    EXPECT_EQ(StatusOf(Target()).mode, 0640u);
}

TEST_F(SafeReplacementTest, AnIdenticalFileIsLeftAlone) {
    Write(copy_, "même contenu\n");
    Write(Target(), "même contenu\n", 0444);
    const auto before = Snapshot(directory_);
    const SafeReplacement::Result result = Restore();
    EXPECT_EQ(result.outcome, SafeReplacement::Outcome::Unchanged);
    EXPECT_EQ(Snapshot(directory_), before);
    // Same length, other bytes: replaced.
    Write(copy_, "même contenU\n");
    EXPECT_EQ(Restore().outcome, SafeReplacement::Outcome::Replaced);
}

TEST_F(SafeReplacementTest, FailuresLeaveTheTargetAndNoTemporaryFile) {
    Write(copy_, "sauvegarde\n");
    MakeDirectories(Target());
    try {
        Restore();
        FAIL() << "a directory was replaced";
    } catch (const SystemFailure& failure) {
        EXPECT_EQ(failure.GetStep(), SystemFailure::Step::TargetNotRegular);
    }
    ::rmdir(Target().c_str());
    ASSERT_EQ(::symlink("/etc/passwd", Target().c_str()), 0);
    try {
        Restore();
        FAIL() << "a link was followed or replaced";
    } catch (const SystemFailure& failure) {
        EXPECT_EQ(failure.GetStep(), SystemFailure::Step::TargetNotRegular);
    }
    ::unlink(Target().c_str());
    EXPECT_TRUE(Names(directory_).empty());
}

TEST_F(SafeReplacementTest, AReadOnlyFileSystemRefusesCleanly) {
    const std::string why = Mounts::EnterPrivateNamespace();
    if (!why.empty()) {
        GTEST_SKIP() << why;
    }
    const Mounts::Mount memory = Mounts::Mount::Tmpfs(QString::fromStdString(directory_), 65536);
    ASSERT_TRUE(memory.ok()) << "cannot mount a tmpfs: " << std::strerror(errno);
    Write(copy_, "sauvegarde\n");
    Write(Target(), "endommagé\n", 0640);
    ASSERT_TRUE(memory.MakeReadOnly(false));
    try {
        Restore();
        FAIL() << "wrote to a read-only file system";
    } catch (const SystemFailure& failure) {
        EXPECT_EQ(failure.GetStep(), SystemFailure::Step::CreateTemporary);
        EXPECT_EQ(failure.Error(), EROFS);
    }
    EXPECT_EQ(Read(Target()), "endommagé\n");
    EXPECT_EQ(Names(directory_), std::vector<std::string>{"shadow"});
}

TEST_F(SafeReplacementTest, AFullDiskRefusesCleanly) {
    const std::string why = Mounts::EnterPrivateNamespace();
    if (!why.empty()) {
        GTEST_SKIP() << why;
    }
    const Mounts::Mount memory = Mounts::Mount::Tmpfs(QString::fromStdString(directory_), 65536);
    ASSERT_TRUE(memory.ok()) << "cannot mount a tmpfs: " << std::strerror(errno);
    Write(copy_, Pattern(300000, 5));
    Write(Target(), "endommagé\n", 0640);
    try {
        Restore();
        FAIL() << "300 000 bytes fitted in 64 KiB";
    } catch (const SystemFailure& failure) {
        EXPECT_EQ(failure.GetStep(), SystemFailure::Step::WriteTemporary);
        EXPECT_EQ(failure.Error(), ENOSPC);
    }
    EXPECT_EQ(Read(Target()), "endommagé\n");
    EXPECT_EQ(Names(directory_), std::vector<std::string>{"shadow"});
}

}  // namespace
