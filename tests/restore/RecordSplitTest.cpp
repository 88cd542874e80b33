#include <gtest/gtest.h>

#include <set>

#include "restore/RecordSplit.h"

namespace {

RecordSplit SplitWith(const std::string& record, const std::set<std::string>& copies) {
    return RecordSplit::Of(record,
                           [&copies](const std::string& name) { return copies.count(name) > 0; });
}

TEST(RestoreRecordSplit, SplitsAtTheOnlyComma) {
    const RecordSplit split = SplitWith("fstab,/etc", {"fstab"});
    EXPECT_EQ(split.kind, RecordSplit::Kind::Found);
    EXPECT_EQ(split.name, "fstab");
    EXPECT_EQ(split.directory, "/etc");
    const RecordSplit root = SplitWith("vmlinuz,/", {"vmlinuz"});
    EXPECT_EQ(root.directory, "/");
    const RecordSplit bare = SplitWith("fstab,", {"fstab"});
    EXPECT_EQ(bare.kind, RecordSplit::Kind::Found);
    EXPECT_EQ(bare.directory, "");
}

TEST(RestoreRecordSplit, CommasInTheNameOrTheDirectory) {
    const RecordSplit inName = SplitWith("a,b.conf,/etc", {"a,b.conf"});
    EXPECT_EQ(inName.kind, RecordSplit::Kind::Found);
    EXPECT_EQ(inName.name, "a,b.conf");
    EXPECT_EQ(inName.directory, "/etc");
    const RecordSplit inDirectory = SplitWith("hosts,/srv/a,b", {"hosts"});
    EXPECT_EQ(inDirectory.kind, RecordSplit::Kind::Found);
    EXPECT_EQ(inDirectory.name, "hosts");
    EXPECT_EQ(inDirectory.directory, "/srv/a,b");
    // A name never holds '/', so "x,/y" cannot be a name.
    const RecordSplit both = SplitWith("x,y,/d,e", {"x,y", "x"});
    EXPECT_EQ(both.kind, RecordSplit::Kind::Found);
    EXPECT_EQ(both.name, "x,y");
    EXPECT_EQ(both.directory, "/d,e");
}

TEST(RestoreRecordSplit, AmbiguousWhenTwoSplitsFitEqually) {
    // Both "a" (into "b,") and "a,b" (into "") are copies, and neither directory is absolute.
    const RecordSplit split = SplitWith("a,b,", {"a", "a,b"});
    EXPECT_EQ(split.kind, RecordSplit::Kind::Ambiguous);
    EXPECT_EQ(split.candidates, (std::vector<std::string>{"a", "a,b"}));
    EXPECT_TRUE(split.name.empty());
}

TEST(RestoreRecordSplit, WithoutACopyGivesTheLikeliestSplit) {
    const RecordSplit split = SplitWith("a,b,/etc", {});
    EXPECT_EQ(split.kind, RecordSplit::Kind::NoCopy);
    EXPECT_EQ(split.name, "a,b");
    EXPECT_EQ(split.directory, "/etc");
    const RecordSplit relative = SplitWith("a,b,c", {});
    EXPECT_EQ(relative.kind, RecordSplit::Kind::NoCopy);
    EXPECT_EQ(relative.name, "a");
}

TEST(RestoreRecordSplit, Malformed) {
    EXPECT_EQ(SplitWith("fstab", {"fstab"}).kind, RecordSplit::Kind::Malformed);
    EXPECT_EQ(SplitWith(",/etc", {""}).kind, RecordSplit::Kind::Malformed);
    EXPECT_EQ(SplitWith("etc/fstab,/x", {"etc/fstab"}).kind, RecordSplit::Kind::Malformed);
    EXPECT_EQ(SplitWith(std::string("fs\0tab,/etc", 11), {"fs"}).kind,
              RecordSplit::Kind::Malformed);
}

// Records and names at their limits, and the names asked about: none longer than a name.
struct BoundCase {
    const char* what;
    std::string record;
    RecordSplit::Kind kind;
    std::size_t asked;  // how many names copyExists is asked about
};

void PrintTo(const BoundCase& c, std::ostream* out) {
    *out << c.what;
}

class RecordSplitBounds : public ::testing::TestWithParam<BoundCase> {};

TEST_P(RecordSplitBounds, LongRecordsAndNamesAreMalformed) {
    const BoundCase& c = GetParam();
    std::size_t asked = 0;
    const RecordSplit split = RecordSplit::Of(c.record, [&asked](const std::string& name) {
        ++asked;
        EXPECT_LE(name.size(), RecordSplit::kMaxName);
        return name.size() <= 2 && name.find(',') == std::string::npos;
    });
    EXPECT_EQ(split.kind, c.kind) << c.what;
    EXPECT_EQ(asked, c.asked) << c.what;
}

const std::string kDirectory4096 = "/" + std::string(4096 - 4, 'd');  // "ab," + it: 4096 bytes

INSTANTIATE_TEST_SUITE_P(
    Cases, RecordSplitBounds,
    ::testing::Values(
        BoundCase{"4096 bytes", "ab," + kDirectory4096.substr(0, 4093), RecordSplit::Kind::Found,
                  1},
        BoundCase{"4097 bytes", "ab," + kDirectory4096.substr(0, 4093) + "d",
                  RecordSplit::Kind::Malformed, 0},
        BoundCase{"5000 bytes", "ab,/" + std::string(4996, 'd'), RecordSplit::Kind::Malformed, 0},
        BoundCase{"a 255-byte name", std::string(255, 'n') + ",/etc", RecordSplit::Kind::NoCopy, 1},
        BoundCase{"a 256-byte name", std::string(256, 'n') + ",/etc", RecordSplit::Kind::Malformed,
                  0},
        BoundCase{"a 300-byte name", std::string(300, 'n') + ",/etc", RecordSplit::Kind::Malformed,
                  0},
        // Only the commas within a name's length make names: 255 of 4000.
        BoundCase{"4000 commas", std::string(4000, ','), RecordSplit::Kind::NoCopy, 255},
        BoundCase{"200 000 commas", std::string(200000, ','), RecordSplit::Kind::Malformed, 0},
        BoundCase{"a short name, then a long directory with commas",
                  "ab," + std::string(300, ',') + "/etc", RecordSplit::Kind::Found, 254}));

}  // namespace
