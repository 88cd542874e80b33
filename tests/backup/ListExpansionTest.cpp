#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <QTemporaryDir>
#include <vector>

#include "FileBytes.h"
#include "QtPrinters.h"
#include "backup/ListExpansion.h"

namespace {

// A staged tree, a line of the list (relative to the tree's root, "@" standing for it), and the
// files the line stands for (relative too), in their order.
//   "f:a/b"   a regular file        "d:a"    a folder
//   "l:a>t"   a link to t           "p:a"    a FIFO
//   "u:a>t"   a link to t owned by the user 1001, which a run as root does not follow
struct ExpansionCase {
    const char* name;
    std::vector<const char*> tree;
    const char* line;
    std::vector<const char*> files;
    const char* refusedLink = "";
    std::vector<const char*> unreadable = {};
};

// A file 65 folders below "deep": one folder more than a tree is walked.
const std::string kTooDeep = [] {
    std::string path = "deep";
    for (int i = 0; i < 65; ++i) {
        path += "/d";
    }
    return path;
}();
const std::string kTooDeepFile = "f:" + kTooDeep + "/x";

class ListExpansionTest : public ::testing::TestWithParam<ExpansionCase> {
protected:
    QString Path(const QString& relative) const { return root.path() + '/' + relative; }
    QTemporaryDir root;
};

TEST_P(ListExpansionTest, ALineStandsForItsFilesSorted) {
    const ExpansionCase& c = GetParam();
    if (::geteuid() != 0 && *c.refusedLink) {
        GTEST_SKIP() << "giving a link to another user needs root";
    }
    for (const char* entry : c.tree) {
        const QString row = QString::fromUtf8(entry + 2);
        const QString path = Path(row.section(QLatin1Char('>'), 0, 0));
        const QByteArray native = QFile::encodeName(path);
        QDir().mkpath(QFileInfo(path).path());
        switch (entry[0]) {
            case 'f':
                writeBytes(path, "x");
                break;
            case 'd':
                ASSERT_TRUE(QDir().mkpath(path));
                break;
            case 'p':
                ASSERT_EQ(::mkfifo(native.constData(), 0644), 0);
                break;
            case 'l':
            case 'u': {
                const QByteArray target = QFile::encodeName(row.section(QLatin1Char('>'), 1));
                ASSERT_EQ(::symlink(target.constData(), native.constData()), 0);
                if (entry[0] == 'u') {
                    ASSERT_EQ(::lchown(native.constData(), 1001, 1001), 0);
                }
                break;
            }
        }
    }
    const QString line = QString::fromUtf8(c.line).replace(QLatin1Char('@'), root.path());
    const ListExpansion::Result result = ListExpansion::Expand(line);
    QStringList expected;
    for (const char* file : c.files) {
        expected << Path(QString::fromUtf8(file));
    }
    EXPECT_EQ(QStringList(result.files.begin(), result.files.end()), expected);
    EXPECT_EQ(result.refusedLink,
              *c.refusedLink ? Path(QString::fromUtf8(c.refusedLink)) : QString());
    QStringList unreadable;
    for (const char* folder : c.unreadable) {
        unreadable << Path(QString::fromUtf8(folder));
    }
    EXPECT_EQ(result.unreadable, unreadable);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, ListExpansionTest,
    ::testing::Values(
        // A folder: its regular files, one level, in byte order; a link to a file is the file
        // (the copy follows or refuses it as a listed one).
        ExpansionCase{
            "FolderOneLevel",
            {"f:lvm/backup/vg1", "f:lvm/backup/Vg0", "f:lvm/backup/.hidden", "f:lvm/backup/old/vg9",
             "p:lvm/backup/fifo", "l:lvm/backup/alias>vg1", "l:lvm/backup/dangling>gone"},
            "@/lvm/backup",
            {"lvm/backup/.hidden", "lvm/backup/Vg0", "lvm/backup/alias", "lvm/backup/vg1"}},
        // The whole tree, never through a link to a folder.
        ExpansionCase{"Tree",
                      {"f:ssh/a", "f:ssh/d/b", "f:ssh/d/e/c", "d:ssh/f", "l:ssh/out>../other",
                       "f:other/secret"},
                      "@/ssh/**",
                      {"ssh/a", "ssh/d/b", "ssh/d/e/c"}},
        // As a shell matches, in a folder's place too: a leading dot only by a leading dot; a
        // folder is no file.
        ExpansionCase{"Pattern",
                      {"f:efi/debian/b.conf", "f:efi/debian/.a.conf", "f:efi/ubuntu/c.conf",
                       "f:efi/.hidden/d.conf", "f:efi/BOOT/x.efi", "d:efi/debian/e.conf"},
                      "@/efi/*/*.conf",
                      {"efi/debian/b.conf", "efi/ubuntu/c.conf"}},
        // Another user's link on the way is not followed: the folder is not read.
        ExpansionCase{"AnotherUsersLinkOnTheWay",
                      {"f:real/key", "u:planted>real"},
                      "@/planted/**",
                      {},
                      "planted"},
        // A tree deeper than it is walked: what lies below is named, not silently dropped.
        ExpansionCase{"TooDeep",
                      {"f:deep/top", kTooDeepFile.c_str()},
                      "@/deep/**",
                      {"deep/top"},
                      "",
                      {kTooDeep.c_str()}}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
