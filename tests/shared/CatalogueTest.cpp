#include <gtest/gtest.h>

#include <vector>

#include "shared/Catalogue.h"

namespace {

std::vector<CatalogueLine> Records(const Catalogue& catalogue) {
    std::vector<CatalogueLine> records;
    catalogue.ForEachRecord([&](const CatalogueLine& line) { records.push_back(line); });
    return records;
}

// A list entry, the record the backup writes for it and the name of its copy.
struct RecordCase {
    const char* entryPath;
    const char* record;
    const char* fileName;
};

void PrintTo(const RecordCase& c, std::ostream* out) {
    *out << c.entryPath;
}

class CatalogueRecord : public ::testing::TestWithParam<RecordCase> {};

TEST_P(CatalogueRecord, NameCommaDirectoryAndTheCopysName) {
    const RecordCase& c = GetParam();
    EXPECT_EQ(Catalogue::Record(c.entryPath), c.record);
    EXPECT_EQ(Catalogue::FileName(c.entryPath), c.fileName);
}

INSTANTIATE_TEST_SUITE_P(
    PathShapes, CatalogueRecord,
    ::testing::Values(RecordCase{"/etc/fstab", "fstab,/etc", "fstab"},
                      // A root keeps its separator.
                      RecordCase{"/vmlinuz", "vmlinuz,/", "vmlinuz"},
                      RecordCase{"//fstab", "fstab,//", "fstab"},
                      RecordCase{"fstab", "fstab,", "fstab"},
                      RecordCase{"etc/fstab", "fstab,etc", "fstab"},
                      RecordCase{"/boot/grub/grub.cfg", "grub.cfg,/boot/grub", "grub.cfg"},
                      // Commas, blanks and bytes that are not UTF-8 are written unchanged.
                      RecordCase{"/srv/a,b/c,d.txt", "c,d.txt,/srv/a,b", "c,d.txt"},
                      RecordCase{" /etc/hosts ", "hosts , /etc", "hosts "},
                      RecordCase{"/donn\xE9"
                                 "es/\xE9t\xE9",
                                 "\xE9t\xE9,/donn\xE9"
                                 "es",
                                 "\xE9t\xE9"}));

// The backup's records read back as the restore program reads them.
TEST(CatalogueParse, ReadsBackTheRecordsTheBackupWrites) {
    std::string bytes = std::string("07/12/2026,11:15:45") + Catalogue::kLineEnd;
    for (const char* path : {"/etc/fstab", "/vmlinuz", "fstab", "/srv/a,b/c,d.txt"}) {
        bytes += Catalogue::Record(path) + Catalogue::kLineEnd;
    }
    const Catalogue catalogue = Catalogue::Parse(bytes);
    ASSERT_EQ(catalogue.GetStatus(), Catalogue::Status::Valid);
    ASSERT_EQ(Records(catalogue).size(), 4u);
    EXPECT_EQ(Records(catalogue)[1].text, "vmlinuz,/");
    EXPECT_EQ(Records(catalogue)[3].text, "c,d.txt,/srv/a,b");
    EXPECT_EQ(Records(catalogue)[3].number, 5);
}

TEST(CatalogueParse, ReadsTheBackupsCrLfLines) {
    const Catalogue catalogue =
        Catalogue::Parse("07/12/2026,11:15:45\r\nfstab,/etc\r\nvmlinuz,/\r\nfstab,\r\n");
    ASSERT_EQ(catalogue.GetStatus(), Catalogue::Status::Valid);
    EXPECT_EQ(catalogue.Date(), "07/12/2026");
    EXPECT_EQ(catalogue.Time(), "11:15:45");
    ASSERT_EQ(Records(catalogue).size(), 3u);
    EXPECT_EQ(Records(catalogue)[0].text, "fstab,/etc");
    EXPECT_EQ(Records(catalogue)[0].number, 2);
    EXPECT_EQ(Records(catalogue)[1].text, "vmlinuz,/");
    EXPECT_EQ(Records(catalogue)[2].text, "fstab,");
    EXPECT_EQ(Records(catalogue)[2].number, 4);
}

TEST(CatalogueParse, AcceptsLfAMissingLastLineEndAndSkipsEmptyLines) {
    const Catalogue catalogue =
        Catalogue::Parse("07/12/2026,11:15:45\nfstab,/etc\n\r\n\nhosts,/etc\r\npasswd,/etc");
    ASSERT_EQ(catalogue.GetStatus(), Catalogue::Status::Valid);
    ASSERT_EQ(Records(catalogue).size(), 3u);
    EXPECT_EQ(Records(catalogue)[0].text, "fstab,/etc");
    EXPECT_EQ(Records(catalogue)[1].text, "hosts,/etc");
    EXPECT_EQ(Records(catalogue)[1].number, 5);
    EXPECT_EQ(Records(catalogue)[2].text, "passwd,/etc");
    EXPECT_EQ(Records(catalogue)[2].number, 6);
}

TEST(CatalogueParse, KeepsBytesAndInnerCarriageReturns) {
    // Only the CR right before the LF is a line end; UTF-8 names stay as they are.
    const Catalogue catalogue = Catalogue::Parse("07/12/2026,11:15:45\r\nclé\r.conf,/etc/été\r\n");
    ASSERT_EQ(Records(catalogue).size(), 1u);
    EXPECT_EQ(Records(catalogue)[0].text, "clé\r.conf,/etc/été");
}

TEST(CatalogueParse, DateLineOnlyMeansNoRecord) {
    for (const char* bytes : {"07/12/2026,11:15:45\r\n", "07/12/2026,11:15:45\r\n\r\n\n\r"}) {
        const Catalogue catalogue = Catalogue::Parse(bytes);
        EXPECT_EQ(catalogue.GetStatus(), Catalogue::Status::Valid);
        EXPECT_FALSE(catalogue.HasRecords()) << bytes;
        EXPECT_TRUE(Records(catalogue).empty());
    }
    EXPECT_TRUE(Catalogue::Parse("07/12/2026,11:15:45\r\n\r\nfstab,").HasRecords());
    EXPECT_FALSE(Catalogue::Parse("/etc/fstab\r\n/etc/hosts\r\n").HasRecords());
}

TEST(CatalogueParse, RefusesWhatIsNoCatalogue) {
    EXPECT_EQ(Catalogue::Parse("").GetStatus(), Catalogue::Status::Empty);
    // The list of files to back up has the same name but no date line.
    EXPECT_EQ(Catalogue::Parse("/etc/fstab\r\n/etc/hosts\r\n").GetStatus(),
              Catalogue::Status::NoDateLine);
    EXPECT_EQ(Catalogue::Parse("\r\nfstab,/etc\r\n").GetStatus(), Catalogue::Status::NoDateLine);
    EXPECT_EQ(Catalogue::Parse(std::string("07/12\0/2026,1\r\n", 16)).GetStatus(),
              Catalogue::Status::NoDateLine);
}

}  // namespace
