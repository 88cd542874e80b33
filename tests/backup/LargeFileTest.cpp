#include <fcntl.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <optional>

#include "BackupFixture.h"
#include "FileBytes.h"
#include "Mounts.h"

namespace {

constexpr qint64 kGiB = 1073741824;

// Compares two files chunk by chunk; true when their bytes are the same.
bool SameBytes(const QString& a, const QString& b, QString& where) {
    QFile fa(a);
    QFile fb(b);
    if (!fa.open(QIODevice::ReadOnly) || !fb.open(QIODevice::ReadOnly)) {
        where = QStringLiteral("cannot open");
        return false;
    }
    if (fa.size() != fb.size()) {
        where = QStringLiteral("sizes %1 and %2").arg(fa.size()).arg(fb.size());
        return false;
    }
    qint64 offset = 0;
    for (;;) {
        const QByteArray ca = fa.read(8 << 20);
        const QByteArray cb = fb.read(8 << 20);
        if (ca != cb) {
            where = QStringLiteral("chunk at %1").arg(offset);
            return false;
        }
        if (ca.isEmpty()) {
            return true;
        }
        offset += ca.size();
    }
}

}  // namespace

using LargeFileTest = BackupFixture;

TEST_F(LargeFileTest, FileLargerThanFourGibibytesIsCopiedExactly) {
    const qint64 size = 4 * kGiB + 3 * 1024 + 5;
    // The copy is written in full: in memory when a tmpfs can be had, else on the disk.
    std::optional<Mounts::Mount> memory;
    if (Mounts::EnterPrivateNamespace().empty()) {
        memory.emplace(Mounts::Mount::Tmpfs(dest, 6 * kGiB));
        QDir().mkpath(dest + QStringLiteral("/Kestrix"));
    }
    struct statvfs vfs {};
    ASSERT_EQ(::statvfs(QFile::encodeName(dest).constData(), &vfs), 0);
    const qint64 available = static_cast<qint64>(vfs.f_bavail) * static_cast<qint64>(vfs.f_frsize);
    if (available < size + kGiB) {
        // The source is sparse and costs nothing; the copy needs room.
        GTEST_SKIP() << "needs " << (size + kGiB) / kGiB << " GiB free beside the tests, has "
                     << available / kGiB;
    }
    const QString source = folder.file(QStringLiteral("src/huge.img"));
    {
        const int fd = ::open(QFile::encodeName(source).constData(), O_WRONLY | O_CREAT, 0600);
        ASSERT_GE(fd, 0);
        // Marks around the 2 GiB and 4 GiB limits and at both ends.
        const qint64 marks[] = {0, 2 * kGiB - 3, 4 * kGiB - 2, 4 * kGiB + 1000, size - 7};
        int seed = 1;
        for (const qint64 mark : marks) {
            const QByteArray bytes = Pattern(7, seed++);
            ASSERT_EQ(::pwrite(fd, bytes.constData(), 7, mark), 7);
        }
        ASSERT_EQ(::ftruncate(fd, size), 0);
        ::close(fd);
    }
    Tick({source});
    job.trackBarPosition = 6;
    FixFreeSpace(size);

    engine.RunBackup(job);

    QString where;
    EXPECT_TRUE(SameBytes(source, CopyPath(QStringLiteral("huge.img")), where))
        << where.toStdString();
    EXPECT_EQ(progress.amountTexts.last(),
              QString::number(size / 1024 + 1) + QStringLiteral(" Ko / ") +
                  QString::number(size / 1024 + 1) + QStringLiteral(" Ko"));
    EXPECT_EQ(progress.positions.back(), 100);
    EXPECT_EQ(BackupSection().last(),
              QStringLiteral("  <i> Aucune erreur ne semble s'être produite."));
    EXPECT_FALSE(engine.CopyIncomplete());
    QFile::remove(CopyPath(QStringLiteral("huge.img")));
}
