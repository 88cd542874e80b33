// Where a run's copies are flushed: gathered into one syncfs on a disk file system that empties
// the disk's cache on it, one by one elsewhere; staged on real mounts.
#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>
#include <vector>

#include "FileBytes.h"
#include "Mounts.h"
#include "platform/CopyFlush.h"
#include "platform/PendingFile.h"
#include "shared/DurableSteps.h"

namespace {

enum class Medium { Ext4, Fat, Tmpfs };

struct FlushCase {
    const char* name;
    Medium medium;
    bool gathers;
};

class CopyFlushTest : public testing::TestWithParam<FlushCase> {
protected:
    void TearDown() override { DurableSteps::Observe({}); }
};

TEST_P(CopyFlushTest, EachCopyIsFlushedOnceBeforeWaitReturns) {
    const FlushCase& row = GetParam();
    QTemporaryDir scratch;
    const QString point = scratch.filePath(QStringLiteral("mnt"));
    std::string why;
    std::vector<Mounts::Mount> mounts;
    if (row.medium != Medium::Tmpfs) {
        const auto mount = row.medium == Medium::Ext4 ? &Mounts::Mount::Ext4 : &Mounts::Mount::Fat;
        mounts.push_back(mount(scratch.filePath(QStringLiteral("i")), point, 16 << 20, why));
    } else if ((why = Mounts::EnterPrivateNamespace()).empty() && QDir().mkpath(point)) {
        mounts.push_back(Mounts::Mount::Tmpfs(point, 1 << 20));
    }
    if (!why.empty()) {
        GTEST_SKIP() << why;
    }
    const DirectoryHandle folder = DirectoryHandle::Open(point);
    CopyFlush flush(folder.Descriptor());
    int flushes = 0;
    DurableSteps::Observe(
        [&](DurableSteps::Kind kind) { flushes += kind == DurableSteps::Kind::Flush ? 1 : 0; });
    for (const char* name : {"un", "deux", "trois"}) {
        PendingFile copy(folder, name, PendingFile::Naming::Staged);
        ASSERT_TRUE(copy.fd().WriteAll(name, 2));
        copy.Commit(flush, 2);
    }
    flush.Wait();
    EXPECT_EQ(flushes, row.gathers ? 1 : 3);
    EXPECT_EQ(readBytes(point + QStringLiteral("/deux")), "de");
}

INSTANTIATE_TEST_SUITE_P(Media, CopyFlushTest,
                         testing::Values(FlushCase{"ext4", Medium::Ext4, true},
                                         FlushCase{"fat", Medium::Fat, false},
                                         FlushCase{"tmpfs", Medium::Tmpfs, false}),
                         [](const testing::TestParamInfo<FlushCase>& info) {
                             return std::string(info.param.name);
                         });

}  // namespace
