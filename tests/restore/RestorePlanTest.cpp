#include <gtest/gtest.h>

#include <unistd.h>

#include <QTemporaryDir>
#include <algorithm>
#include <deque>

#include "RestoreFiles.h"
#include "restore/Paths.h"
#include "restore/RestorePlan.h"

using namespace RestoreFiles;

namespace {

// A backup folder "bk" with copies, and a restore root "root" with /etc, beside each other.
class RestorePlanTest : public ::testing::Test {
protected:
    RestorePlanTest() {
        Paths::Real(temp_.path().toStdString(), base_);
        folder_ = base_ + "/bk";
        root_ = base_ + "/root";
        MakeDirectories(folder_ + "/Kestrix");
        MakeDirectories(root_ + "/etc");
    }

    void Copy(const std::string& name) { Write(folder_ + "/Kestrix/" + name, "copie " + name); }

    // The item of each record, in order.
    std::vector<PlanItem> Plan(const std::vector<std::string>& records, bool underRoot = true) {
        BackupFolder folder(folder_);
        folder.Prepare(false);
        folder.OpenCopies(false);
        // The items' records are views into their catalogue.
        const Catalogue& catalogue =
            catalogues_.emplace_back(Catalogue::Parse(CatalogueBytes(records)));
        const RestorePlan plan(catalogue, folder, underRoot ? root_ : std::string());
        std::vector<PlanItem> items;
        plan.ForEachItem([&](const PlanItem& item) { items.push_back(item); });
        copies_ = plan.Copies();
        return items;
    }

    static int Count(const std::vector<PlanItem>& items, bool (PlanItem::*is)() const) {
        return static_cast<int>(std::count_if(items.begin(), items.end(),
                                              [is](const PlanItem& item) { return (item.*is)(); }));
    }

    QTemporaryDir temp_;
    std::string base_;
    std::string folder_;
    std::string root_;
    std::deque<Catalogue> catalogues_;
    std::vector<PlanItem> copies_;  // of the last plan
};

TEST_F(RestorePlanTest, TargetsUnderTheRootAndInPlace) {
    Copy("fstab");
    Copy("vmlinuz");
    Write(root_ + "/etc/fstab", "ancien");
    const std::vector<PlanItem> items = Plan({"fstab,/etc", "vmlinuz,/"});
    ASSERT_EQ(items.size(), 2u);
    const PlanItem& fstab = items[0];
    EXPECT_TRUE(fstab.Restorable());
    EXPECT_EQ(fstab.line, 2);
    EXPECT_EQ(fstab.name, "fstab");
    EXPECT_EQ(fstab.directory, "/etc");
    EXPECT_EQ(fstab.targetPath, root_ + "/etc/fstab");
    EXPECT_EQ(fstab.RealTarget(), root_ + "/etc/fstab");
    EXPECT_TRUE(fstab.targetExists);
    const PlanItem& vmlinuz = items[1];
    EXPECT_TRUE(vmlinuz.Restorable());
    EXPECT_EQ(vmlinuz.targetPath, root_ + "/vmlinuz");
    EXPECT_FALSE(vmlinuz.targetExists);
    EXPECT_EQ(Count(items, &PlanItem::Restorable), 2);
    EXPECT_EQ(Count(items, &PlanItem::Ignored), 0);

    // In place, the record's directory is the target's.
    const std::vector<PlanItem> inPlace = Plan({"fstab," + root_ + "/etc"}, false);
    EXPECT_TRUE(inPlace[0].Restorable());
    EXPECT_EQ(inPlace[0].targetPath, root_ + "/etc/fstab");
}

TEST_F(RestorePlanTest, OnlyTheLastRecordOfANameHasItsCopy) {
    Copy("hosts");
    Copy("fstab");
    const std::vector<PlanItem> items =
        Plan({"hosts,/old", "fstab,/etc", "hosts,/etc", "fstab,/etc"});
    EXPECT_EQ(items[0].skip, PlanItem::Skip::Superseded);
    EXPECT_EQ(items[0].laterLine, 4);
    EXPECT_EQ(items[0].laterDirectory, "/etc");
    EXPECT_TRUE(items[0].Ignored());
    EXPECT_EQ(items[1].skip, PlanItem::Skip::Duplicate);
    EXPECT_EQ(items[1].laterLine, 5);
    EXPECT_FALSE(items[1].Ignored());
    EXPECT_TRUE(items[2].Restorable());
    EXPECT_TRUE(items[3].Restorable());
    EXPECT_EQ(Count(items, &PlanItem::Restorable), 2);
    EXPECT_EQ(Count(items, &PlanItem::Ignored), 1);
    // What is restored is what was shown: each copy once, by its last record.
    ASSERT_EQ(copies_.size(), 2u);
    EXPECT_EQ(copies_[0].line, 4);
    EXPECT_EQ(copies_[1].line, 5);
}

TEST_F(RestorePlanTest, RecordsThatCannotBePlaced) {
    Copy("rel");
    Copy("sub");
    Copy("nodir");
    Copy("link");
    Copy("dir");
    ASSERT_EQ(::symlink("/etc/hostname", (root_ + "/etc/link").c_str()), 0);
    MakeDirectories(root_ + "/etc/dir");
    ASSERT_EQ(::symlink("/etc/passwd", (folder_ + "/Kestrix/passwd").c_str()), 0);
    const std::vector<PlanItem> items =
        Plan({"rel,", "sub,etc", "nodir,/etc/absent", "link,/etc", "dir,/etc", "missing,/etc",
              "passwd,/etc", "sans virgule", "..,/etc"});
    const std::vector<PlanItem::Skip> expected = {PlanItem::Skip::NoDirectory,
                                                  PlanItem::Skip::RelativeDirectory,
                                                  PlanItem::Skip::NoTargetDirectory,
                                                  PlanItem::Skip::TargetIsLink,
                                                  PlanItem::Skip::TargetNotRegular,
                                                  PlanItem::Skip::NoCopy,
                                                  PlanItem::Skip::NoCopy,
                                                  PlanItem::Skip::Malformed,
                                                  PlanItem::Skip::NoCopy};
    ASSERT_EQ(items.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(items[i].skip, expected[i]) << items[i].record;
        EXPECT_TRUE(items[i].Ignored());
    }
    EXPECT_EQ(items[2].targetDirectory, root_ + "/etc/absent");
}

TEST_F(RestorePlanTest, NothingLeadsOutOfTheRoot) {
    Copy("passwd");
    Copy("libc");
    Copy("up");
    MakeDirectories(base_ + "/outside");
    MakeDirectories(root_ + "/usr/lib");
    // An absolute link, as a mounted system holds, points into the rescue system.
    ASSERT_EQ(::symlink((base_ + "/outside").c_str(), (root_ + "/var").c_str()), 0);
    // A relative link stays inside.
    ASSERT_EQ(::symlink("usr/lib", (root_ + "/lib").c_str()), 0);
    const std::vector<PlanItem> items = Plan({"passwd,/var", "libc,/lib", "up,/.."});
    EXPECT_EQ(items[0].skip, PlanItem::Skip::OutsideRoot);
    EXPECT_EQ(items[0].realDirectory, base_ + "/outside");
    EXPECT_TRUE(items[1].Restorable());
    EXPECT_EQ(items[1].realDirectory, root_ + "/usr/lib");
    EXPECT_EQ(items[1].targetPath, root_ + "/lib/libc");
    EXPECT_EQ(items[2].skip, PlanItem::Skip::OutsideRoot);
}

}  // namespace
