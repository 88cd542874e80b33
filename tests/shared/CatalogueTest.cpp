#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "shared/Catalogue.h"

namespace {

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

// Catalogue bytes, and the records the restore program reads from them by line number.
struct ParseCase {
    const char* what;
    std::string bytes;
    Catalogue::Status status;
    std::vector<std::pair<int, std::string>> records;
};

void PrintTo(const ParseCase& c, std::ostream* out) {
    *out << c.what;
}

class CatalogueParse : public ::testing::TestWithParam<ParseCase> {};

TEST_P(CatalogueParse, ReadsEachRecordWithItsLineNumber) {
    const ParseCase& c = GetParam();
    const Catalogue catalogue = Catalogue::Parse(c.bytes);
    EXPECT_EQ(catalogue.GetStatus(), c.status);
    std::vector<std::pair<int, std::string>> records;
    catalogue.ForEachRecord([&](const CatalogueLine& line) {
        records.emplace_back(line.number, std::string(line.text));
    });
    EXPECT_EQ(records, c.records);
    EXPECT_EQ(catalogue.HasRecords(), !c.records.empty());
    if (c.status == Catalogue::Status::Valid) {
        EXPECT_EQ(catalogue.Date(), "07/12/2026");
        EXPECT_EQ(catalogue.Time(), "11:15:45");
    }
}

const char kDate[] = "07/12/2026,11:15:45";
const auto kValid = Catalogue::Status::Valid;
const auto kNoDateLine = Catalogue::Status::NoDateLine;

INSTANTIATE_TEST_SUITE_P(
    Shapes, CatalogueParse,
    ::testing::Values(
        ParseCase{"the backup's own records",
                  std::string(kDate) + Catalogue::kLineEnd + Catalogue::Record("/etc/fstab") +
                      Catalogue::kLineEnd + Catalogue::Record("/vmlinuz") + Catalogue::kLineEnd +
                      Catalogue::Record("fstab") + Catalogue::kLineEnd +
                      Catalogue::Record("/srv/a,b/c,d.txt") + Catalogue::kLineEnd,
                  kValid,
                  {{2, "fstab,/etc"}, {3, "vmlinuz,/"}, {4, "fstab,"}, {5, "c,d.txt,/srv/a,b"}}},
        ParseCase{"LF, empty lines and no last line end",
                  std::string(kDate) + "\nfstab,/etc\n\r\n\nhosts,/etc\r\npasswd,/etc",
                  kValid,
                  {{2, "fstab,/etc"}, {5, "hosts,/etc"}, {6, "passwd,/etc"}}},
        // Only the CR right before the LF is a line end; UTF-8 names stay as they are.
        ParseCase{"an inner CR",
                  std::string(kDate) + "\r\nclé\r.conf,/etc/été\r\n",
                  kValid,
                  {{2, "clé\r.conf,/etc/été"}}},
        ParseCase{"the date line alone", std::string(kDate) + "\r\n", kValid, {}},
        ParseCase{"the date line and empty lines", std::string(kDate) + "\r\n\r\n\n\r", kValid, {}},
        ParseCase{"a record after an empty line",
                  std::string(kDate) + "\r\n\r\nfstab,",
                  kValid,
                  {{3, "fstab,"}}},
        ParseCase{"nothing", "", Catalogue::Status::Empty, {}},
        // The list of files to back up has the same name but no date line.
        ParseCase{"the list of files", "/etc/fstab\r\n/etc/hosts\r\n", kNoDateLine, {}},
        ParseCase{"an empty first line", "\r\nfstab,/etc\r\n", kNoDateLine, {}},
        ParseCase{
            "a NUL in the date line", std::string("07/12\0/2026,1\r\n", 16), kNoDateLine, {}}));

}  // namespace
