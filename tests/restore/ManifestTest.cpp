#include <gtest/gtest.h>

#include "restore/AccountTable.h"
#include "restore/Manifest.h"

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
    const ManifestEntry* fstab = manifest.Find("fstab");
    EXPECT_EQ(fstab != nullptr && fstab->hasHash ? fstab->hash : "", c.fstabHash) << c.what;
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
    const ManifestEntry* entry = manifest.Find(c.name);
    ASSERT_EQ(entry != nullptr, c.read) << c.what;
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
        EXPECT_EQ(manifest.Find("x"), nullptr) << header;
    }
}

// The third field of passwd and group lines, by name.
struct AccountCase {
    const char* what;
    std::string bytes;
    const char* name;
    bool found;
    unsigned id;
};

void PrintTo(const AccountCase& c, std::ostream* out) {
    *out << c.what;
}

class AccountTableParse : public ::testing::TestWithParam<AccountCase> {};

TEST_P(AccountTableParse, FindsTheNumberOfANameByHand) {
    const AccountCase& c = GetParam();
    unsigned id = 12345;
    EXPECT_EQ(AccountTable::Parse(c.bytes).Find(c.name, id), c.found) << c.what;
    EXPECT_EQ(id, c.found ? c.id : 12345u) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, AccountTableParse,
    ::testing::Values(
        AccountCase{"group", "root:x:0:\nshadow:x:42:\n", "shadow", true, 42},
        AccountCase{"passwd", "daemon:x:1:1:daemon:/usr/sbin:/usr/sbin/nologin", "daemon", true, 1},
        AccountCase{"the first line of a name holds", "adm:x:4:\nadm:x:5:\n", "adm", true, 4},
        AccountCase{"absent", "root:x:0:\n", "shadow", false, 0},
        AccountCase{"a name is whole", "shadowy:x:9:\n", "shadow", false, 0},
        AccountCase{"no number", "shadow:x::\n", "shadow", false, 0},
        AccountCase{"a letter in the number", "shadow:x:4a:\n", "shadow", false, 0},
        AccountCase{"eleven digits", "shadow:x:10000000000:\n", "shadow", false, 0},
        AccountCase{"-1 is no id", "shadow:x:4294967295:\n", "shadow", false, 0},
        AccountCase{"the number on the next line", "shadow:x:\n42:\n", "shadow", false, 0},
        AccountCase{"after a long line without colons",
                    std::string(1 << 20, 'x') + "\nshadow:x:42:", "shadow", true, 42},
        AccountCase{"a line longer than any",
                    "shadow:x:42:" + std::string(AccountTable::kMaxLine, 'm'), "shadow", false,
                    0}));

}  // namespace
