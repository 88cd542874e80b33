#include <gtest/gtest.h>

#include <QHash>
#include <QString>
#include <QStringList>
#include <vector>

#include "QtPrinters.h"
#include "backup/CopyNames.h"

namespace {

// The sources of a run, what stands in D/Kestrix/, the copy names the previous backup gave
// (source, copy), and the copy name each source gets.
struct NamingCase {
    const char* name;
    std::vector<const char*> sources;
    std::vector<const char*> standing;
    std::vector<std::pair<const char*, const char*>> previous;
    std::vector<const char*> copies;
};

template <typename Strings>
Strings FromUtf8(const std::vector<const char*>& texts) {
    Strings strings;
    for (const char* text : texts) {
        strings.push_back(QString::fromUtf8(text));
    }
    return strings;
}

class CopyNamesTest : public ::testing::TestWithParam<NamingCase> {};

TEST_P(CopyNamesTest, TheFirstKeepsItsNameALaterOneGetsAFreeOne) {
    const NamingCase& c = GetParam();
    QHash<QString, QString> previous;
    for (const auto& [source, copy] : c.previous) {
        previous.insert(QString::fromUtf8(source), QString::fromUtf8(copy));
    }
    EXPECT_EQ(CopyNames::Allocate(FromUtf8<std::vector<QString>>(c.sources),
                                  FromUtf8<QStringList>(c.standing),
                                  [&](const QString& source) { return previous.value(source); }),
              FromUtf8<std::vector<QString>>(c.copies));
}

INSTANTIATE_TEST_SUITE_P(
    Lists, CopyNamesTest,
    ::testing::Values(
        // A list without two sources of one name is laid out as it always was, whatever stands.
        NamingCase{"NoClash",
                   {"/etc/fstab", "/boot/grub/grub.cfg"},
                   {"fstab", "grub.cfg", "notes.txt"},
                   {},
                   {"fstab", "grub.cfg"}},
        // A FAT medium ignores the case of names, accented letters' too.
        NamingCase{"Case", {"/un/Été.txt", "/deux/été.TXT"}, {}, {}, {"Été.txt", "été~2.TXT"}},
        NamingCase{"StandingNamesAvoided",
                   {"/a/hosts", "/b/hosts"},
                   {"hosts~2", "HOSTS~3"},
                   {},
                   {"hosts", "hosts~4"}},
        // A later source's own name is a first name too: no number takes it.
        NamingCase{"ALaterFirstNameIsKept",
                   {"/a/x.conf", "/b/x.conf", "/c/x~2.conf"},
                   {},
                   {},
                   {"x.conf", "x~3.conf", "x~2.conf"}},
        // From run to run, a source keeps the copy name it had.
        NamingCase{"PreviousNameKept",
                   {"/a/hosts", "/b/hosts", "/c/hosts"},
                   {"hosts", "hosts~2", "hosts~3"},
                   {{"/c/hosts", "hosts~2"}, {"/b/hosts", "hosts~3"}},
                   {"hosts", "hosts~3", "hosts~2"}},
        NamingCase{"PreviousNameNowAFirstName",
                   {"/a/hosts~2", "/a/hosts", "/b/hosts"},
                   {"hosts", "hosts~2"},
                   {{"/b/hosts", "hosts~2"}},
                   {"hosts~2", "hosts", "hosts~3"}},
        // The number goes before the extension, never into a hidden file's name; a tab, which
        // would end the copy's field of Kestrix.noms, becomes '_'.
        NamingCase{"HiddenFileAndTab",
                   {"/a/.bashrc", "/b/.bashrc", "/a/x\ty.cfg", "/b/x\ty.cfg"},
                   {},
                   {},
                   {".bashrc", ".bashrc~2", "x\ty.cfg", "x_y~2.cfg"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(NumberedNames, ALongNameIsShortenedToFitAFileName) {
    const QString name = QString(250, QLatin1Char('a')) + QStringLiteral(".cfg");
    const QString numbered = CopyNames::Numbered(name, 12);
    EXPECT_EQ(numbered.toUtf8().size(), 255);
    EXPECT_TRUE(numbered.endsWith(QStringLiteral("a~12.cfg")));
    // A letter of two bytes is never cut in half.
    const QString accents = QString(200, QChar(0xE9));
    EXPECT_EQ(CopyNames::Numbered(accents, 2), QString(126, QChar(0xE9)) + QStringLiteral("~2"));
}

}  // namespace
