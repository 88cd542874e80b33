#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "shared/Manifest.h"

namespace {

const std::string kHash = "25eae88783d0180fa18ac8e65b35c6a2";
const std::string kOther = "e74903c4de51357f0a857d1345a0e214";
const std::string kHeader = Manifest::kRightsHeader;

// One Kestrix.xxh128: the hash it gives for "fstab" (empty when none), and its bad lines.
struct HashCase {
    const char* what;
    std::string bytes;
    std::string fstabHash;
    int badCount;
    int firstBad;
};

void PrintTo(const HashCase& c, std::ostream* out) {
    *out << c.what;
}

class ManifestHashes : public ::testing::TestWithParam<HashCase> {};

TEST_P(ManifestHashes, ReadsOnlyTheFormatOfXxh128sum) {
    const HashCase& c = GetParam();
    Manifest manifest;
    manifest.ParseHashes(c.bytes);
    const std::optional<ManifestEntry> fstab = manifest.Find("fstab");
    EXPECT_EQ(fstab && fstab->hasHash ? fstab->hash : "", c.fstabHash) << c.what;
    EXPECT_EQ(manifest.HashBadLines().count, c.badCount) << c.what;
    EXPECT_EQ(manifest.HashBadLines().first, c.firstBad) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ManifestHashes,
    ::testing::Values(
        HashCase{"one line", kHash + "  Kestrix/fstab\n", kHash, 0, 0},
        HashCase{"no final line end", kHash + "  Kestrix/fstab", kHash, 0, 0},
        HashCase{"the last line of a path holds",
                 kHash + "  Kestrix/fstab\n" + kOther + "  Kestrix/fstab\n", kOther, 0, 0},
        HashCase{"the last line of a path holds among others",
                 kHash + "  Kestrix/zz\n" + kHash + "  Kestrix/fstab\n" + kOther +
                     "  Kestrix/fstab2\n" + kOther + "  Kestrix/fstab\n" + kHash + "  Kestrix/a\n",
                 kOther, 0, 0},
        HashCase{"upper-case digits", "25EAE88783D0180FA18AC8E65B35C6A2  Kestrix/fstab\n", "", 1,
                 1},
        HashCase{"one blank", kHash + " Kestrix/fstab\n", "", 1, 1},
        HashCase{"31 digits", kHash.substr(1) + "  Kestrix/fstab\n", "", 1, 1},
        HashCase{"outside Kestrix/", "\n" + kHash + "  etc/fstab\n", "", 1, 2},
        HashCase{"a folder below Kestrix/", kHash + "  Kestrix/../fstab\n", "", 1, 1},
        HashCase{"a name too long",
                 kHash + "  Kestrix/" + std::string(256, 'n') + "\n" + kHash + "  Kestrix/fstab",
                 kHash, 1, 1},
        HashCase{"a line too long", std::string(5000, 'a') + "\n" + kHash + "  Kestrix/fstab\n",
                 kHash, 1, 1},
        HashCase{"CR LF line ends", kHash + "  Kestrix/fstab\r\n", "", 0, 0},
        HashCase{"a NUL byte in the name", kHash + "  Kestrix/fs" + std::string(1, '\0') + "tab",
                 "", 1, 1},
        HashCase{"a megabyte without a line end", std::string(1 << 20, 'x'), "", 1, 1}));

// One line of Kestrix.droits after the header, and what is read from it.
struct RightsCase {
    const char* what;
    std::string line;
    bool read;
    mode_t mode;
    uid_t uid;
    gid_t gid;
    std::uint64_t size;
    std::string name;
};

void PrintTo(const RightsCase& c, std::ostream* out) {
    *out << c.what;
}

RightsCase Rejected(const char* what, const std::string& line) {
    return RightsCase{what, line, false, 0, 0, 0, 0, "x"};
}

class ManifestRights : public ::testing::TestWithParam<RightsCase> {};

TEST_P(ManifestRights, ReadsEachColumnWithinItsBounds) {
    const RightsCase& c = GetParam();
    Manifest manifest;
    manifest.ParseRights(kHeader + "\n" + c.line + "\n");
    EXPECT_FALSE(manifest.RightsBadLines().badHeader);
    EXPECT_EQ(manifest.RightsBadLines().count, c.read ? 0 : 1) << c.what;
    const std::optional<ManifestEntry> entry = manifest.Find(c.name);
    ASSERT_EQ(entry.has_value(), c.read) << c.what;
    if (c.read) {
        EXPECT_TRUE(entry->hasRights);
        EXPECT_FALSE(entry->hasHash);
        EXPECT_EQ(entry->mode, c.mode) << c.what;
        EXPECT_EQ(entry->uid, c.uid) << c.what;
        EXPECT_EQ(entry->gid, c.gid) << c.what;
        EXPECT_EQ(entry->size, c.size) << c.what;
        EXPECT_EQ(entry->owner, "root");
        EXPECT_EQ(entry->group, "shadow");
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ManifestRights,
    ::testing::Values(
        RightsCase{"a file", "0640\troot\tshadow\t0\t42\t1234\tKestrix/shadow", true, 0640, 0, 42,
                   1234, "shadow"},
        RightsCase{"sticky and set-ID bits", "7777\troot\tshadow\t0\t42\t0\tKestrix/x", true, 07777,
                   0, 42, 0, "x"},
        RightsCase{"a tab in the name", "0644\troot\tshadow\t1\t2\t3\tKestrix/a\tb", true, 0644, 1,
                   2, 3, "a\tb"},
        RightsCase{"largest id and size",
                   "0644\troot\tshadow\t4294967294\t4294967294\t9223372036854775807\tKestrix/x",
                   true, 0644, 4294967294u, 4294967294u, 9223372036854775807ull, "x"},
        Rejected("three mode digits", "640\troot\tshadow\t0\t42\t1\tKestrix/x"),
        Rejected("a digit 8 in the mode", "0680\troot\tshadow\t0\t42\t1\tKestrix/x"),
        Rejected("the id chown reads as no change",
                 "0640\troot\tshadow\t4294967295\t42\t1\tKestrix/x"),
        Rejected("a size beyond 64 bits",
                 "0640\troot\tshadow\t0\t42\t99999999999999999999\tKestrix/x"),
        Rejected("a negative size", "0640\troot\tshadow\t0\t42\t-1\tKestrix/x"),
        Rejected("no owner", "0640\t\tshadow\t0\t42\t1\tKestrix/x"),
        Rejected("an owner name too long",
                 "0640\t" + std::string(256, 'u') + "\tshadow\t0\t42\t1\tKestrix/x"),
        Rejected("a column missing", "0640\troot\t0\t42\t1\tKestrix/x"),
        Rejected("no path", "0640\troot\tshadow\t0\t42\t1\t")));

TEST(ManifestRightsHeader, WithoutItsHeaderNoLineIsRead) {
    const std::string line = "0640\troot\tshadow\t0\t42\t1\tKestrix/x\n";
    for (const std::string& header :
         {std::string(), std::string("mode\tgroupe\tpropriétaire\tuid\tgid\ttaille\tchemin"),
          kHeader + "\r", "\n" + kHeader}) {
        Manifest manifest;
        manifest.ParseRights(header + "\n" + line);
        EXPECT_TRUE(manifest.RightsBadLines().badHeader) << header;
        EXPECT_FALSE(manifest.Find("x")) << header;
    }
}

TEST(ManifestNames, TheCopiesOfBothFilesOnceEachInByteOrder) {
    Manifest manifest;
    manifest.ParseHashes(kHash + "  Kestrix/b\n" + kHash + "  Kestrix/\xE9t\xE9\n" + kOther +
                         "  Kestrix/a\n");
    manifest.ParseRights(kHeader + "\n0640\troot\tshadow\t0\t42\t1\tKestrix/c\n" +
                         "0600\troot\troot\t0\t0\t2\tKestrix/a\n");
    ASSERT_EQ(manifest.Size(), 4u);
    const std::vector<std::string> names = {"a", "b", "c", "\xE9t\xE9"};
    for (std::size_t i = 0; i < names.size(); ++i) {
        EXPECT_EQ(manifest.Name(i), names[i]);
        EXPECT_EQ(manifest.IndexOf(names[i]), i);
    }
    EXPECT_EQ(manifest.IndexOf("ab"), 4u);
    const ManifestEntry a = manifest.Entry(0);
    EXPECT_TRUE(a.hasHash && a.hasRights);
    EXPECT_EQ(a.hash, kOther);
    EXPECT_EQ(a.size, 2u);
    EXPECT_FALSE(manifest.Entry(1).hasRights);
    EXPECT_FALSE(manifest.Entry(2).hasHash);
    EXPECT_EQ(manifest.Entry(2).gid, 42u);
}

// One copy's rights as the backup writes them, and as they are read back.
struct LineCase {
    const char* what;
    ManifestEntry entry;
    std::string name;
    std::string line;
    std::string owner;  // as read back
    std::string group;
};

void PrintTo(const LineCase& c, std::ostream* out) {
    *out << c.what;
}

ManifestEntry Rights(mode_t mode, const std::string& owner, const std::string& group, uid_t uid,
                     gid_t gid, std::uint64_t size) {
    ManifestEntry entry;
    entry.mode = mode;
    entry.owner = owner;
    entry.group = group;
    entry.uid = uid;
    entry.gid = gid;
    entry.size = size;
    return entry;
}

class ManifestLines : public ::testing::TestWithParam<LineCase> {};

TEST_P(ManifestLines, TheBackupsLinesReadBackAsWritten) {
    const LineCase& c = GetParam();
    EXPECT_EQ(Manifest::RightsLine(c.name, c.entry), c.line) << c.what;
    EXPECT_EQ(Manifest::HashLine(c.name, kHash), kHash + "  Kestrix/" + c.name + "\n") << c.what;

    Manifest manifest;
    manifest.ParseHashes(Manifest::HashLine(c.name, kHash));
    manifest.ParseRights(kHeader + "\n" + Manifest::RightsLine(c.name, c.entry));
    EXPECT_EQ(manifest.HashBadLines().count + manifest.RightsBadLines().count, 0) << c.what;
    const std::optional<ManifestEntry> entry = manifest.Find(c.name);
    ASSERT_TRUE(entry) << c.what;
    EXPECT_EQ(entry->hash, kHash);
    EXPECT_EQ(entry->mode, c.entry.mode & 07777) << c.what;
    EXPECT_EQ(entry->owner, c.owner) << c.what;
    EXPECT_EQ(entry->group, c.group) << c.what;
    EXPECT_EQ(entry->uid, c.entry.uid) << c.what;
    EXPECT_EQ(entry->gid, c.entry.gid) << c.what;
    EXPECT_EQ(entry->size, c.entry.size) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ManifestLines,
    ::testing::Values(
        LineCase{"a file", Rights(0100640, "root", "shadow", 0, 42, 1234), "shadow",
                 "0640\troot\tshadow\t0\t42\t1234\tKestrix/shadow\n", "root", "shadow"},
        LineCase{"sticky and set-ID bits, the file type dropped",
                 Rights(0107755, "root", "root", 0, 0, 0), "x",
                 "7755\troot\troot\t0\t0\t0\tKestrix/x\n", "root", "root"},
        LineCase{"no name on this system: the number", Rights(0600, "", "", 1001, 1002, 7), "x",
                 "0600\t1001\t1002\t1001\t1002\t7\tKestrix/x\n", "1001", "1002"},
        LineCase{"a name that would break the line: the number",
                 Rights(0600, "a\tb", "c\nd", 5, 6, 7), "x", "0600\t5\t6\t5\t6\t7\tKestrix/x\n",
                 "5", "6"},
        LineCase{"a tab and bytes that are not UTF-8 in the copy's name",
                 Rights(0644, "root", "root", 0, 0, 3), "a\t\xE9t\xE9",
                 "0644\troot\troot\t0\t0\t3\tKestrix/a\t\xE9t\xE9\n", "root", "root"}));

}  // namespace
