#include <gtest/gtest.h>

#include "restore/AccountTable.h"

namespace {

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
