#include <gtest/gtest.h>

#include "restore/Catalogue.h"

namespace {

TEST(RestoreCatalogue, ReadsTheBackupsCrLfLines) {
    const Catalogue catalogue =
        Catalogue::Parse("07/12/2026,11:15:45\r\nfstab,/etc\r\nvmlinuz,/\r\nfstab,\r\n");
    ASSERT_EQ(catalogue.GetStatus(), Catalogue::Status::Valid);
    EXPECT_EQ(catalogue.Date(), "07/12/2026");
    EXPECT_EQ(catalogue.Time(), "11:15:45");
    ASSERT_EQ(catalogue.Records().size(), 3u);
    EXPECT_EQ(catalogue.Records()[0].text, "fstab,/etc");
    EXPECT_EQ(catalogue.Records()[0].number, 2);
    EXPECT_EQ(catalogue.Records()[1].text, "vmlinuz,/");
    EXPECT_EQ(catalogue.Records()[2].text, "fstab,");
    EXPECT_EQ(catalogue.Records()[2].number, 4);
}

TEST(RestoreCatalogue, AcceptsLfAMissingLastLineEndAndSkipsEmptyLines) {
    const Catalogue catalogue =
        Catalogue::Parse("07/12/2026,11:15:45\nfstab,/etc\n\r\n\nhosts,/etc\r\npasswd,/etc");
    ASSERT_EQ(catalogue.GetStatus(), Catalogue::Status::Valid);
    ASSERT_EQ(catalogue.Records().size(), 3u);
    EXPECT_EQ(catalogue.Records()[0].text, "fstab,/etc");
    EXPECT_EQ(catalogue.Records()[1].text, "hosts,/etc");
    EXPECT_EQ(catalogue.Records()[1].number, 5);
    EXPECT_EQ(catalogue.Records()[2].text, "passwd,/etc");
    EXPECT_EQ(catalogue.Records()[2].number, 6);
}

TEST(RestoreCatalogue, KeepsBytesAndInnerCarriageReturns) {
    // Only the CR right before the LF is a line end; UTF-8 names stay as they are.
    const Catalogue catalogue = Catalogue::Parse("07/12/2026,11:15:45\r\nclé\r.conf,/etc/été\r\n");
    ASSERT_EQ(catalogue.Records().size(), 1u);
    EXPECT_EQ(catalogue.Records()[0].text, "clé\r.conf,/etc/été");
}

TEST(RestoreCatalogue, DateLineOnlyMeansNoRecord) {
    const Catalogue catalogue = Catalogue::Parse("07/12/2026,11:15:45\r\n");
    EXPECT_EQ(catalogue.GetStatus(), Catalogue::Status::Valid);
    EXPECT_TRUE(catalogue.Records().empty());
}

TEST(RestoreCatalogue, RefusesWhatIsNoCatalogue) {
    EXPECT_EQ(Catalogue::Parse("").GetStatus(), Catalogue::Status::Empty);
    // The list of files to back up has the same name but no date line.
    EXPECT_EQ(Catalogue::Parse("/etc/fstab\r\n/etc/hosts\r\n").GetStatus(),
              Catalogue::Status::NoDateLine);
    EXPECT_EQ(Catalogue::Parse("\r\nfstab,/etc\r\n").GetStatus(), Catalogue::Status::NoDateLine);
    EXPECT_EQ(Catalogue::Parse(std::string("07/12\0/2026,1\r\n", 16)).GetStatus(),
              Catalogue::Status::NoDateLine);
}

}  // namespace
