// Backups made by the real backup engine, checked by xxh128sum and by the restore program, then
// restored by it.
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>

#include "BackupFixture.h"
#include "FileBytes.h"
#include "Mounts.h"
#include "RestoreFiles.h"
#include "SudoCaller.h"
#include "restore/FrenchTexts.h"

namespace {

using RestoreFiles::HasLine;
using RestoreFiles::ProcessRun;
using RestoreFiles::RunProgram;

std::string Native(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

class EndToEndTest : public BackupFixture {
protected:
    void SetUp() override {
        if (::geteuid() != 0) {
            GTEST_SKIP() << "backing up and restoring owners and groups needs root";
        }
        FixFreeSpace(1 << 30);
        if (RunProgram({"-c", "command -v xxh128sum"}, {}, "/bin/sh").status != 0) {
            GTEST_SKIP() << "xxh128sum (package xxhash) is not installed";
        }
    }

    // A source file with its mode, owner and group.
    QString Staged(const QString& name, const QByteArray& bytes, mode_t mode, uid_t uid,
                   gid_t gid) {
        const QString path = Source(name, bytes);
        EXPECT_EQ(::chown(Native(path).c_str(), uid, gid), 0);
        EXPECT_EQ(::chmod(Native(path).c_str(), mode), 0);
        return path;
    }

    void Backup(const QStringList& sources) {
        Tick(sources);
        engine.RunBackup(job);
        ASSERT_TRUE(engine.LastRunSucceeded());
    }

    // A shell command run in the backup folder, as a user would.
    ProcessRun InBackup(const std::string& command) const {
        return RestoreFiles::RunInFolder(Native(dest), command);
    }
};

// A backup as it was made, or with one byte of a copy flipped afterwards.
struct FlipCase {
    const char* what;
    bool flip;
    int status;  // of xxh128sum -c, --verifier and --oui
    std::string checkOut;
};

void PrintTo(const FlipCase& c, std::ostream* out) {
    *out << c.what;
}

class FlippedByteTest : public EndToEndTest, public ::testing::WithParamInterface<FlipCase> {};

TEST_P(FlippedByteTest, Xxh128sumAndTheRestoreProgramAgree) {
    const FlipCase& c = GetParam();
    const QString fstab = Staged(QStringLiteral("fstab"), Pattern(3000, 1), 0644, 0, 0);
    const QString hosts = Staged(QStringLiteral("hosts"), Pattern(70000, 2), 0644, 0, 0);
    const QString shadow = Staged(QStringLiteral("shadow"), Pattern(100, 3), 0640, 0, 42);
    Backup({fstab, hosts, shadow});
    const std::string expected = InBackup("xxh128sum Kestrix/hosts").out.substr(0, 32);
    if (c.flip) {
        QByteArray bytes = readBytes(CopyPath(QStringLiteral("hosts")));
        bytes[40000] = static_cast<char>(bytes[40000] ^ 0x10);
        writeBytes(CopyPath(QStringLiteral("hosts")), bytes);
    }
    const std::string found = InBackup("xxh128sum Kestrix/hosts").out.substr(0, 32);

    const ProcessRun check = InBackup("xxh128sum -c Kestrix.xxh128");
    EXPECT_EQ(check.status, c.status) << check.err;
    EXPECT_EQ(check.out, c.checkOut);

    // The system damaged: two files changed, one removed.
    writeBytes(fstab, "abîmé\n");
    writeBytes(hosts, "abîmé\n");
    ASSERT_EQ(::unlink(Native(shadow).c_str()), 0);

    const ProcessRun verify = RunProgram({"--verifier", Native(dest)});
    EXPECT_EQ(verify.status, c.status) << verify.out << verify.err;
    EXPECT_TRUE(HasLine(verify.out, " * Kestrix/fstab : conforme")) << verify.out;
    EXPECT_TRUE(HasLine(verify.out, " * Kestrix/shadow : conforme")) << verify.out;
    EXPECT_TRUE(HasLine(verify.out, c.flip
                                        ? " * Kestrix/hosts : abîmée (empreinte XXH128 attendue " +
                                              expected + ", trouvée " + found + ")"
                                        : " * Kestrix/hosts : conforme"))
        << verify.out;

    const ProcessRun restore = RunProgram({"--oui", Native(dest)});
    EXPECT_EQ(restore.status, c.status) << restore.out << restore.err;
    EXPECT_EQ(readBytes(fstab), Pattern(3000, 1));
    EXPECT_EQ(readBytes(hosts), c.flip ? QByteArray("abîmé\n") : Pattern(70000, 2));
    EXPECT_EQ(readBytes(shadow), Pattern(100, 3));
    const RestoreFiles::Status restored = RestoreFiles::StatusOf(Native(shadow));
    EXPECT_EQ(restored.mode, 0640u);
    EXPECT_EQ(restored.gid, 42u);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FlippedByteTest,
    ::testing::Values(FlipCase{"as made", false, 0,
                               "Kestrix/fstab: OK\nKestrix/hosts: OK\nKestrix/shadow: OK\n"},
                      FlipCase{"one byte flipped", true, 1,
                               "Kestrix/fstab: OK\nKestrix/hosts: FAILED\nKestrix/shadow: OK\n"
                               "1 computed checksum did NOT match\n"}));

TEST_F(EndToEndTest, AFatBackupBringsBackAMissingFilesModeOwnerAndGroup) {
    std::string why;
    const QString stick = folder.file(QStringLiteral("stick"));
    Mounts::Mount fat =
        Mounts::Mount::Fat(folder.file(QStringLiteral("fat.img")), stick, 8 << 20, why);
    if (!fat.ok()) {
        GTEST_SKIP() << why;
    }
    // Files whose mode, owner and group the stick cannot keep.
    struct File {
        QString name;
        mode_t mode;
        uid_t uid;
        gid_t gid;
    };
    const std::vector<File> files = {{QStringLiteral("shadow"), 0640, 0, 42},
                                     {QStringLiteral("secret"), 0600, 1000, 100},
                                     {QStringLiteral("group-only"), 0460, 0, 100}};
    QStringList sources;
    for (std::size_t i = 0; i < files.size(); ++i) {
        const File& f = files[i];
        sources << Staged(f.name, Pattern(500, static_cast<int>(i)), f.mode, f.uid, f.gid);
    }
    job.destination = stick;
    Prepare();
    Backup(sources);
    const RestoreFiles::Status copy =
        RestoreFiles::StatusOf(Native(stick + QStringLiteral("/Kestrix/shadow")));
    EXPECT_EQ(copy.uid, 1000u);
    EXPECT_EQ(copy.gid, 1000u);
    for (const QString& source : sources) {
        ASSERT_EQ(::unlink(Native(source).c_str()), 0);
    }

    const SudoCaller stickOwner(1000);
    const ProcessRun run = RunProgram({"--oui", Native(stick)});
    EXPECT_EQ(run.status, 0) << run.out << run.err;
    for (std::size_t i = 0; i < files.size(); ++i) {
        const File& f = files[i];
        const std::string path = Native(sources[static_cast<int>(i)]);
        EXPECT_EQ(readBytes(sources[static_cast<int>(i)]), Pattern(500, static_cast<int>(i)));
        const RestoreFiles::Status restored = RestoreFiles::StatusOf(path);
        EXPECT_EQ(restored.mode, f.mode) << path;
        EXPECT_EQ(restored.uid, f.uid) << path;
        EXPECT_EQ(restored.gid, f.gid) << path;
        EXPECT_TRUE(
            HasLine(run.out, " * " + path +
                                 " : restauré ; il n'existait plus et a été recréé avec les "
                                 "droits " +
                                 FrenchTexts::Mode(f.mode) + " (" +
                                 RestoreFiles::Owners(f.uid, f.gid) + ")"))
            << run.out;
    }
}

}  // namespace
