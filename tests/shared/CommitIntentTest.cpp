// The intent file decides which files root moves into a backup and which copies it removes: only
// a whole intent of Kestrix's, naming plain file names, is read.
#include <gtest/gtest.h>

#include <string>

#include "shared/CommitIntent.h"

namespace {

const std::string kWhole =
    "Kestrix validation 1\ncopie\tfstab\ngarde\tshadow\nfichier\tKestrix.dat\ndossier\tDisques\n"
    "fin\n";

struct Refused {
    const char* why;
    std::string bytes;
};

class CommitIntentRefusal : public ::testing::TestWithParam<Refused> {};

TEST_P(CommitIntentRefusal, IsNoIntent) {
    CommitIntent intent;
    EXPECT_FALSE(CommitIntent::Parse(GetParam().bytes, intent)) << GetParam().why;
}

INSTANTIATE_TEST_SUITE_P(
    Rows, CommitIntentRefusal,
    ::testing::Values(
        Refused{"empty", ""}, Refused{"cut before its end", kWhole.substr(0, kWhole.size() - 4)},
        Refused{"cut inside its last line", kWhole.substr(0, kWhole.size() - 1)},
        Refused{"bytes after its end", kWhole + "copie\tpasswd\n"},
        Refused{"another header", "Kestrix validation 2\nfin\n"},
        Refused{"a path for a copy", "Kestrix validation 1\ncopie\t../../etc/passwd\nfin\n"},
        Refused{"a parent for a copy", "Kestrix validation 1\ngarde\t..\nfin\n"},
        Refused{"a path for a copy to remove", "Kestrix validation 1\nancienne\t../x\nfin\n"},
        Refused{"an earlier backup named otherwise than by its date",
                "Kestrix validation 1\nhistorique\tphotos\nfin\n"},
        Refused{"two names for the earlier backup",
                "Kestrix validation 1\nhistorique\t2026-12-01_03-00-00\nhistorique\t"
                "2026-12-01_03-00-00-02\nfin\n"},
        Refused{"a user's folder as an earlier backup to drop",
                "Kestrix validation 1\nefface\t2026-12-01_03-00-00-2\nfin\n"},
        Refused{"an empty name", "Kestrix validation 1\ncopie\t\nfin\n"},
        Refused{"a name of 256 bytes",
                "Kestrix validation 1\ncopie\t" + std::string(256, 'a') + "\nfin\n"},
        Refused{"a file of D that no backup has", "Kestrix validation 1\nfichier\t.bashrc\nfin\n"},
        Refused{"a folder of D that no backup has",
                "Kestrix validation 1\ndossier\tKestrix\nfin\n"},
        Refused{"a path for a folder", "Kestrix validation 1\ndossier\t../Disques\nfin\n"},
        Refused{"an unknown kind", "Kestrix validation 1\nretire\tfstab\nfin\n"},
        Refused{"a line without a tab", "Kestrix validation 1\ncopie fstab\nfin\n"},
        Refused{"over 16 MiB", "Kestrix validation 1\n" + std::string(16u << 20, '\n')}));

TEST(CommitIntent, WholeIntentReadsBackWithItsFolder) {
    CommitIntent intent;
    ASSERT_TRUE(CommitIntent::Parse(kWhole, intent));
    EXPECT_TRUE(intent.HoldsFolder("Disques"));
    EXPECT_EQ(intent.Serialize(), kWhole);
}

}  // namespace
