#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "shared/CopyMap.h"

namespace {

// The bytes of a Kestrix.noms, the number of its first unreadable line (0: none), and what a
// record then finds: (record, copy, name), an empty copy when the record bears its own name.
struct MapCase {
    const char* name;
    std::string bytes;
    int bad;
    std::vector<std::vector<std::string>> finds;
};

void PrintTo(const MapCase& c, std::ostream* out) {
    *out << c.name;
}

class CopyMapTest : public ::testing::TestWithParam<MapCase> {};

TEST_P(CopyMapTest, ARecordFindsItsCopy) {
    const MapCase& c = GetParam();
    CopyMap map;
    EXPECT_EQ(map.Parse(c.bytes), c.bad);
    for (const std::vector<std::string>& find : c.finds) {
        const CopyMap::Entry* entry = map.Find(find[0]);
        if (find[1].empty()) {
            EXPECT_EQ(entry, nullptr) << find[0];
        } else {
            ASSERT_NE(entry, nullptr) << find[0];
            EXPECT_EQ(entry->copy, find[1]);
            EXPECT_EQ(entry->name, find[2]);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Files, CopyMapTest,
    ::testing::Values(
        MapCase{"Empty", "", 0, {{"grub.cfg,/boot/grub", ""}}},
        MapCase{"TwoCopies",
                "copie\tchemin\n"
                "Kestrix/grub~2.cfg\t/boot/efi/EFI/debian/grub.cfg\n"
                "Kestrix/modules~2\t/etc/initramfs-tools/modules\n",
                0,
                {{"grub.cfg,/boot/efi/EFI/debian", "grub~2.cfg", "grub.cfg"},
                 {"modules,/etc/initramfs-tools", "modules~2", "modules"},
                 {"grub.cfg,/boot/grub", ""}}},
        // The path is the last field: it may hold a tab, and commas.
        MapCase{"TabAndCommaInThePath",
                "copie\tchemin\nKestrix/a~2\t/x,y/a\tb/a\n",
                0,
                {{"a,/x,y/a\tb", "a~2", "a"}}},
        MapCase{"ALastLineWithoutLineEnd",
                "copie\tchemin\nKestrix/h~2\t/b/h",
                0,
                {{"h,/b", "h~2", "h"}}},
        MapCase{"FileAtTheRoot", "copie\tchemin\nKestrix/v~2\t/v\n", 0, {{"v,/", "v~2", "v"}}},
        // Nothing else is taken at its word.
        MapCase{"NotTheHeader", "copy\tpath\nKestrix/h~2\t/b/h\n", 1, {{"h,/b", ""}}},
        MapCase{"NoTab", "copie\tchemin\nKestrix/h~2 /b/h\n", 2, {}},
        MapCase{"NotACopy", "copie\tchemin\nautre/h~2\t/b/h\n", 2, {}},
        MapCase{"ACopyInAFolder", "copie\tchemin\nKestrix/../h\t/b/h\n", 2, {}},
        MapCase{"NoPath", "copie\tchemin\nKestrix/h~2\t\n", 2, {}},
        MapCase{"ACarriageReturn", "copie\tchemin\nKestrix/h~2\t/b/h\r\n", 2, {}},
        MapCase{"ANulByte", std::string("copie\tchemin\nKestrix/h~2\t/b/\0h\n", 31), 2, {}},
        MapCase{"TheThirdLineBad",
                "copie\tchemin\nKestrix/h~2\t/b/h\nKestrix/\t/c/h\n",
                3,
                {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CopyMapLine, IsTheCopyATabAndThePath) {
    EXPECT_EQ(CopyMap::Line("grub~2.cfg", "/boot/efi/EFI/debian/grub.cfg"),
              "Kestrix/grub~2.cfg\t/boot/efi/EFI/debian/grub.cfg\n");
}

}  // namespace
