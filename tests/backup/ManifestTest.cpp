// The manifests beside the catalogue: checked by the real xxh128sum, in step with the records.
#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QProcess>

#include "BackupFixture.h"
#include "FileBytes.h"

namespace {

class ManifestTest : public BackupFixture {
protected:
    ManifestTest() { FixFreeSpace(1 << 30); }

    // Runs `xxh128sum` with `arguments` in the destination; its exit status, or -1 without it.
    int Xxh128sum(const QStringList& arguments, QByteArray* output = nullptr) const {
        QProcess process;
        process.setWorkingDirectory(dest);
        process.start(QStringLiteral("xxh128sum"), arguments);
        if (!process.waitForFinished(30000) || process.exitStatus() != QProcess::NormalExit) {
            return -1;
        }
        if (output != nullptr) {
            *output = process.readAllStandardOutput();
        }
        return process.exitCode();
    }
};

TEST_F(ManifestTest, Xxh128sumChecksTheBackupAndCatchesAFlippedByte) {
    const QString a = Source(QStringLiteral("a.cfg"), Pattern(3000));
    const QString b = Source(QStringLiteral("b.cfg"), Pattern(2500000, 2));
    const QString empty = Source(QStringLiteral("empty"), QByteArray());
    Tick({a, b, empty});

    engine.RunBackup(job);

    QByteArray sums;
    if (Xxh128sum({CopyPath(QStringLiteral("a.cfg")), CopyPath(QStringLiteral("b.cfg")),
                   CopyPath(QStringLiteral("empty"))},
                  &sums) != 0) {
        GTEST_SKIP() << "xxh128sum (package xxhash) cannot run here";
    }
    // The same hashes as the tool's, with the paths relative to the destination.
    EXPECT_EQ(readBytes(dest + QStringLiteral("/Kestrix.xxh128")),
              sums.replace(QFile::encodeName(dest + QLatin1Char('/')), QByteArray()));
    EXPECT_EQ(Xxh128sum({QStringLiteral("-c"), QStringLiteral("Kestrix.xxh128")}), 0);

    QByteArray copy = readBytes(CopyPath(QStringLiteral("b.cfg")));
    copy[1234567] = static_cast<char>(copy[1234567] ^ 0x10);
    writeBytes(CopyPath(QStringLiteral("b.cfg")), copy);
    QByteArray report;
    EXPECT_NE(Xxh128sum({QStringLiteral("-c"), QStringLiteral("Kestrix.xxh128")}, &report), 0);
    EXPECT_TRUE(report.contains("Kestrix/b.cfg: FAILED")) << report.toStdString();
}

TEST_F(ManifestTest, RightsTellTheSourcesModeOwnerGroupAndSizeInStepWithTheRecords) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "giving a source to another group needs root";
    }
    const QString secret = Source(QStringLiteral("shadow"), Pattern(100));
    ASSERT_EQ(::chown(QFile::encodeName(secret).constData(), 0, 42), 0);
    ASSERT_EQ(::chmod(QFile::encodeName(secret).constData(), 0640), 0);
    const QString big = Source(QStringLiteral("big"), Pattern(70000, 2));
    QDir().mkpath(folder.file(QStringLiteral("src/sub")));
    const QString again = Source(QStringLiteral("sub/shadow"), Pattern(7, 3));
    ASSERT_EQ(::chmod(QFile::encodeName(again).constData(), 0664), 0);
    Tick({secret, big, again});
    engine.SetFreeSpaceQuery([](const QString& path) -> qint64 {
        return path.endsWith(QStringLiteral("/big")) ? 1000 : 1 << 30;
    });

    engine.RunBackup(job);

    const struct group* group = ::getgrgid(42);
    const QByteArray shadowGroup = group != nullptr ? QByteArray(group->gr_name) : "42";
    // The file skipped for lack of room has no line; the later file of a name has its own
    // copy, and its line comes last, like its record.
    EXPECT_EQ(readBytes(dest + QStringLiteral("/Kestrix.droits")),
              "mode\tpropri\xC3\xA9taire\tgroupe\tuid\tgid\ttaille\tchemin\n"
              "0640\troot\t" +
                  shadowGroup +
                  "\t0\t42\t100\tKestrix/shadow\n"
                  "0664\troot\troot\t0\t0\t7\tKestrix/shadow~2\n");
    // The copy is writable by its owner alone: the manifest keeps the source's bits.
    struct stat copy {};
    ASSERT_EQ(::stat(QFile::encodeName(CopyPath(QStringLiteral("shadow~2"))).constData(), &copy),
              0);
    EXPECT_EQ(copy.st_mode & 07777, 0644u);
    const QList<QByteArray> hashes =
        readBytes(dest + QStringLiteral("/Kestrix.xxh128")).split('\n');
    ASSERT_EQ(hashes.size(), 3);
    EXPECT_TRUE(hashes[0].endsWith("  Kestrix/shadow"));
    EXPECT_TRUE(hashes[1].endsWith("  Kestrix/shadow~2"));
    EXPECT_NE(hashes[0], hashes[1]);
    EXPECT_EQ(hashes[2], QByteArray());
    EXPECT_EQ(readCrLfLines(dest + QStringLiteral("/Kestrix.dat")).size(), 3);
    for (const char* name : {"/Kestrix.xxh128", "/Kestrix.droits"}) {
        struct stat st {};
        ASSERT_EQ(::stat(QFile::encodeName(dest + QLatin1String(name)).constData(), &st), 0);
        EXPECT_EQ(st.st_mode & 07777, 0644u) << name;
    }
}

// A manifest that cannot take its name in the destination (a folder stands there) leaves the
// previous backup as it was: no catalogue without its manifests, no copy without its record.
TEST_F(ManifestTest, AManifestThatCannotBeCreatedLeavesNoRecordWithoutItsLines) {
    const QString a = Source(QStringLiteral("a.cfg"), Pattern(100));
    QDir().mkpath(dest + QStringLiteral("/Kestrix.droits"));
    Tick({a});

    engine.RunBackup(job);

    EXPECT_EQ(ui.MessageTexts(),
              QStringList({QStringLiteral("Impossible de travailler sur le fichier Kestrix.dat !")}));
    EXPECT_EQ(QDir(dest).entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::Hidden),
              QStringList({QStringLiteral("Kestrix"), QStringLiteral("Kestrix.droits")}));
    EXPECT_EQ(QDir(dest + QStringLiteral("/Kestrix"))
                  .entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::Hidden),
              QStringList());
    EXPECT_TRUE(engine.CopyIncomplete());
}

}  // namespace
