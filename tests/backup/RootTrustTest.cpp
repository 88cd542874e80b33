// A backup run as root beside users who are not: links, FIFOs and hard links planted in the
// destination, a swapped copies folder, the umask, group ownership, a FAT stick, names that are
// not UTF-8. Staged for real; a stuck run fails the test through an alarm instead of hanging.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <optional>

#include <QDir>
#include <QFile>
#include <cstdlib>

#include "BackupFixture.h"
#include "FileBytes.h"
#include "Mounts.h"
#include "ThrowAwayAccount.h"

namespace {

const QString kDirectoryError = QStringLiteral(
    "Impossible de créer le répertoire spécifié. Vérifiez que le chemin indiqué soit valide.");
const QString kWiderLine = QStringLiteral(
    "    <!> Attention : la copie est lisible par plus d'utilisateurs que l'original (le support "
    "ne garde pas les droits des fichiers).");
const QString kSuccessLine = QStringLiteral("    <!> Copie du fichier réussie !");

QByteArray Native(const QString& path) {
    return QFile::encodeName(path);
}

struct stat LinkStatus(const QString& path) {
    struct stat st {};
    if (::lstat(Native(path).constData(), &st) != 0) {
        st.st_mode = 0;
    }
    return st;
}

class RootTrustTest : public BackupFixture {
protected:
    void SetUp() override {
        ::alarm(30);
        FixFreeSpace(1 << 30);
        elsewhere = folder.file(QStringLiteral("elsewhere"));
        QDir().mkpath(elsewhere);
        writeBytes(Victim(), "victim");
    }
    void TearDown() override { ::alarm(0); }

    QString Victim() const { return elsewhere + QStringLiteral("/a"); }
    QStringList Elsewhere() const {
        return QDir(elsewhere).entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::Hidden);
    }
    void ReplaceCopiesFolderByLink(const QString& keptAs) {
        ASSERT_TRUE(QDir().rename(dest + QStringLiteral("/Kestrix"), keptAs));
        ASSERT_EQ(::symlink(Native(elsewhere).constData(),
                            Native(dest + QStringLiteral("/Kestrix")).constData()),
                  0);
    }

    QString elsewhere;
};

// A link put in the copies folder's place, at each moment a user who can write the destination
// could put it there: root never writes or removes anything through it.
enum class Swap { BeforePreparation, AfterPreparation, DuringTheRun };

void PrintTo(Swap swap, std::ostream* out) {
    switch (swap) {
        case Swap::BeforePreparation:
            *out << "before the preparation";
            break;
        case Swap::AfterPreparation:
            *out << "after the preparation";
            break;
        case Swap::DuringTheRun:
            *out << "during the run";
            break;
    }
}

class CopiesFolderLinkTest : public RootTrustTest, public ::testing::WithParamInterface<Swap> {};

TEST_P(CopiesFolderLinkTest, NothingIsWrittenOrRemovedThroughIt) {
    const QString a = Source(QStringLiteral("a"), Pattern(5000));
    writeBytes(dest + QStringLiteral("/Kestrix.dat"), "earlier\r\n");
    const QString moved = dest + QStringLiteral("/moved");
    if (GetParam() == Swap::BeforePreparation) {
        ReplaceCopiesFolderByLink(moved);
    }
    Prepare();
    if (GetParam() == Swap::AfterPreparation) {
        ReplaceCopiesFolderByLink(moved);
    }
    if (GetParam() == Swap::DuringTheRun) {
        progress.onPump = [&] {
            if (!QFileInfo(dest + QStringLiteral("/Kestrix")).isSymLink()) {
                ReplaceCopiesFolderByLink(moved);
            }
        };
    }
    Tick({a});

    engine.RunBackup(job);

    EXPECT_EQ(Elsewhere(), QStringList({QStringLiteral("a")}));
    EXPECT_EQ(readBytes(Victim()), QByteArray("victim"));
    EXPECT_TRUE(QFileInfo(dest + QStringLiteral("/Kestrix")).isSymLink());
    if (GetParam() == Swap::DuringTheRun) {
        // The new backup cannot reach its place: nothing is committed.
        EXPECT_EQ(ui.MessageTexts(),
                  QStringList({QStringLiteral("Impossible de travailler sur le fichier Kestrix.dat !")}));
        EXPECT_FALSE(QFile::exists(moved + QStringLiteral("/a")));
    } else {
        const int expectedErrors = GetParam() == Swap::BeforePreparation ? 2 : 1;
        EXPECT_EQ(ui.MessageTexts(),
                  QStringList(QVector<QString>(expectedErrors, kDirectoryError)));
    }
    // The run stopped before touching the earlier backup, and kept its report.
    EXPECT_EQ(readBytes(dest + QStringLiteral("/Kestrix.dat")), QByteArray("earlier\r\n"));
    EXPECT_EQ(readBytes(SavedReportPath()), reporter.Report().ToBytes());
    EXPECT_TRUE(engine.CopyIncomplete());
}

INSTANTIATE_TEST_SUITE_P(Moments, CopiesFolderLinkTest,
                         ::testing::Values(Swap::BeforePreparation, Swap::AfterPreparation,
                                           Swap::DuringTheRun));

// Whatever stands at a name the backup writes is replaced by a regular file, never opened; a
// name it does not write stays, and the run names it; a lock held on D by a user who can read
// it holds nothing up.
enum class Planted { SymbolicLink, Fifo, HardLink, File, UserLock };

struct PlantCase {
    const char* name;  // relative to the destination
    Planted what;
    // File rows: the name stays with its bytes, or is gone after the run.
    bool stays = false;
};

void PrintTo(const PlantCase& c, std::ostream* out) {
    const char* const kinds[] = {"a symbolic link", "a FIFO", "a hard link", "a file",
                                 "a user's lock on the destination"};
    *out << c.name << ", " << kinds[static_cast<int>(c.what)];
}

class PlantedEntryTest : public RootTrustTest, public ::testing::WithParamInterface<PlantCase> {};

TEST_P(PlantedEntryTest, IsReplacedByARegularFile) {
    const PlantCase& c = GetParam();
    const QString a = Source(QStringLiteral("a"), Pattern(3000));
    const QString planted = dest + QLatin1Char('/') + QLatin1String(c.name);
    std::optional<ThrowAwayAccount> user;
    switch (c.what) {
        case Planted::SymbolicLink:
            ASSERT_EQ(::symlink(Native(Victim()).constData(), Native(planted).constData()), 0);
            break;
        case Planted::Fifo:
            ASSERT_EQ(::mkfifo(Native(planted).constData(), 0644), 0);
            break;
        case Planted::HardLink:
            ASSERT_EQ(::link(Native(Victim()).constData(), Native(planted).constData()), 0);
            break;
        case Planted::File:
            writeBytes(planted, "planted");
            break;
        case Planted::UserLock:
            if (!user.emplace().Made()) {
                GTEST_SKIP() << "staging another account's lock needs root and useradd";
            }
            ASSERT_EQ(::chmod(Native(folder.path()).constData(), 0755), 0);
            ASSERT_TRUE(user->LockFolder(dest.toStdString()));
            break;
    }
    Tick({a});
    job.autoexec = true;

    ::testing::internal::CaptureStderr();
    engine.RunBackup(job);
    const std::string err = ::testing::internal::GetCapturedStderr();

    EXPECT_TRUE(engine.LastRunSucceeded());
    EXPECT_EQ(readBytes(Victim()), QByteArray("victim"));
    const struct stat st = LinkStatus(planted);
    if (c.what == Planted::File && !c.stays) {
        EXPECT_EQ(st.st_mode, 0u) << "no file of D's own names stays";
        return;
    }
    EXPECT_TRUE(S_ISREG(st.st_mode));
    EXPECT_EQ(st.st_nlink, 1u);
    if (c.stays) {
        EXPECT_EQ(readBytes(planted), QByteArray("planted"));
        EXPECT_NE(err.find(" ne vient pas de Kestrix et n'est pas dans la sauvegarde : il est "
                           "laissé en place : \"" +
                           QString::fromLatin1(c.name).section(QLatin1Char('/'), -1).toStdString() +
                           "\"."),
                  std::string::npos)
            << err;
        return;
    }
    const QByteArray expected =
        QString::fromLatin1(c.name) == QStringLiteral("Restore.exe") ? RestoreBytes()
        : QString::fromLatin1(c.name) == QStringLiteral("Autoexec.bat")
            ? QByteArray("Restore.exe\r\n")
        : QString::fromLatin1(c.name) == QStringLiteral("Kestrix/a")
            ? Pattern(3000)
            : QByteArray("07/12/2026,11:15:45\r\n") + Native(a.section(QLatin1Char('/'), -1)) +
                  "," + Native(folder.file(QStringLiteral("src"))) + "\r\n";
    EXPECT_EQ(readBytes(planted), expected);
}

INSTANTIATE_TEST_SUITE_P(Names, PlantedEntryTest,
                         ::testing::Values(PlantCase{"Kestrix.dat", Planted::SymbolicLink},
                                           PlantCase{"Kestrix.dat", Planted::Fifo},
                                           PlantCase{"Kestrix.dat", Planted::HardLink},
                                           PlantCase{"Autoexec.bat", Planted::SymbolicLink},
                                           PlantCase{"Autoexec.bat", Planted::Fifo},
                                           PlantCase{"Autoexec.bat", Planted::HardLink},
                                           PlantCase{"Restore.exe", Planted::SymbolicLink},
                                           PlantCase{"Restore.exe", Planted::Fifo},
                                           PlantCase{"Restore.exe", Planted::HardLink},
                                           PlantCase{"Kestrix/a", Planted::SymbolicLink},
                                           PlantCase{"Kestrix/a", Planted::Fifo},
                                           PlantCase{"Kestrix/a", Planted::HardLink},
                                           // A first run into a folder that holds no backup.
                                           PlantCase{"Kestrix/notes.txt", Planted::File, true},
                                           PlantCase{"Kestrix/kestrix", Planted::File, true},
                                           PlantCase{"Kestrix/.kestrix-0123456789abcdef",
                                                     Planted::File, true},
                                           // A damaged intent is replaced by the run's own.
                                           PlantCase{".kestrix-validation", Planted::File},
                                           PlantCase{"Kestrix.dat", Planted::UserLock}));

// A link on the way to a source, in a user's folder: whose it is and where it stands.
struct SourceLinkCase {
    const char* what;
    const char* command;    // run as the other account in its home, which holds its file "own"
    const char* rootsLink;  // where root makes a link to the victim under the home, or null;
                            // a folder on its way is root's
    const char* source;     // under the home
    const char* link;       // the link refused, under the home; null when the file is copied
    QByteArray copied = {};
};

void PrintTo(const SourceLinkCase& c, std::ostream* out) {
    *out << c.what;
}

class SourceLinkTest : public RootTrustTest,
                       public ::testing::WithParamInterface<SourceLinkCase> {};

TEST_P(SourceLinkTest, IsFollowedOnlyWhenRootOrItsTargetsOwnerMadeIt) {
    const SourceLinkCase& c = GetParam();
    const ThrowAwayAccount other;
    if (!other.Made()) {
        GTEST_SKIP() << "staging another account's links needs root and useradd";
    }
    const QString home = folder.file(QStringLiteral("home"));
    ASSERT_TRUE(QDir().mkpath(home));
    if (c.rootsLink != nullptr) {
        const QString link = home + QLatin1Char('/') + QLatin1String(c.rootsLink);
        ASSERT_TRUE(QDir().mkpath(QFileInfo(link).path()));
        ASSERT_EQ(::symlink(Native(Victim()).constData(), Native(link).constData()), 0);
    }
    ASSERT_EQ(::chown(Native(home).constData(), other.Uid(), 0), 0);
    ASSERT_EQ(::chmod(Native(folder.path()).constData(), 0711), 0);
    ASSERT_EQ(::chmod(Native(Victim()).constData(), 0600), 0);
    ASSERT_EQ(other.Run(Native(home).toStdString(), "echo own > own && " + std::string(c.command)),
              0);
    const QString source = home + QLatin1Char('/') + QLatin1String(c.source);
    Tick({source});

    engine.RunBackup(job);
    // What the account made goes with it, whatever rights the test process kept.
    ASSERT_EQ(::chown(Native(home).constData(), 0, 0), 0);

    EXPECT_TRUE(ui.MessageTexts().isEmpty()) << ui.MessageTexts().join(QLatin1Char('\n')).toStdString();
    const QString name = QFileInfo(source).fileName();
    EXPECT_EQ(engine.CopyIncomplete(), c.link != nullptr);
    if (c.link == nullptr) {
        EXPECT_EQ(readBytes(CopyPath(name)), c.copied);
        return;
    }
    EXPECT_FALSE(QFile::exists(CopyPath(name)));
    // Root's link stands in the account's home, which it could have been moved into.
    const QString why =
        c.rootsLink != nullptr
            ? QStringLiteral("est dans un dossier que d'autres que root ou le propriétaire de ce "
                             "vers quoi il mène peuvent modifier (dossier de l'utilisateur ") +
                  QString::number(other.Uid()) + QStringLiteral(", droits 0755)")
            : QStringLiteral("appartient à l'utilisateur ") + QString::number(other.Uid()) +
                  QStringLiteral(", ni root ni le propriétaire de ce vers quoi il mène");
    EXPECT_TRUE(BackupSection().contains(QStringLiteral(" <!> ") + source +
                                         QStringLiteral(" : le lien \"") + home + QLatin1Char('/') +
                                         QLatin1String(c.link) + QStringLiteral("\" ") + why +
                                         QStringLiteral(" : le fichier n'est pas copié.")))
        << BackupSection().join(QLatin1Char('\n')).toStdString();
    // The run went on to its end: the catalogue holds the date line only.
    EXPECT_EQ(readCrLfLines(dest + QStringLiteral("/Kestrix.dat")).size(), 1);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SourceLinkTest,
    ::testing::Values(
        SourceLinkCase{"a user's link to root's file", "ln -s ../elsewhere/a notes", nullptr,
                       "notes", "notes"},
        SourceLinkCase{"a user's link as a folder of the path", "ln -s ../elsewhere docs",
                       nullptr, "docs/a", "docs"},
        SourceLinkCase{"a user's link to a user's link", "ln -s ../elsewhere/a x && ln -s x y",
                       nullptr, "y", "x"},
        SourceLinkCase{"root's link in root's folder", "true", "etc/rootlink", "etc/rootlink",
                       nullptr, "victim"},
        SourceLinkCase{"root's link in the user's folder", "true", "rootlink", "rootlink",
                       "rootlink"},
        SourceLinkCase{"a user's link to the user's own file", "ln -s own alias", nullptr, "alias",
                       nullptr, "own\n"}));

TEST_F(RootTrustTest, FifoAsSourceOrRestoreProgramDoesNotHoldTheRun) {
    const QString fifo = folder.file(QStringLiteral("src/fifo"));
    ASSERT_EQ(::mkfifo(Native(fifo).constData(), 0644), 0);
    QFile::remove(folder.file(QStringLiteral("Data/Kestrix.res")));
    ASSERT_EQ(::mkfifo(Native(folder.file(QStringLiteral("Data/Kestrix.res"))).constData(), 0644),
              0);
    Tick({fifo});

    engine.RunBackup(job);

    EXPECT_FALSE(QFile::exists(dest + QStringLiteral("/Restore.exe")));
    EXPECT_FALSE(QFile::exists(CopyPath(QStringLiteral("fifo"))));
    EXPECT_TRUE(engine.CopyIncomplete());
}

// The modes of what a backup creates do not depend on the umask.
TEST_F(RootTrustTest, ModesIgnoreTheUmask) {
    const QString a = Source(QStringLiteral("a"), Pattern(100));
    ::chmod(Native(a).constData(), 0640);
    ::chmod(Native(folder.file(QStringLiteral("Data/Kestrix.res"))).constData(), 0600);
    const QString top = folder.file(QStringLiteral("new"));
    job.destination = top + QStringLiteral("/deeper");
    const mode_t old = ::umask(0);
    Prepare();
    Tick({a});
    job.autoexec = true;
    engine.RunBackup(job);
    ::umask(old);

    const struct {
        QString path;
        mode_t mode;
    } cases[] = {
        {top, 0755},
        {top + QStringLiteral("/deeper"), 0755},
        {top + QStringLiteral("/deeper/Kestrix"), 0755},
        {top + QStringLiteral("/deeper/Kestrix.dat"), 0644},
        {top + QStringLiteral("/deeper/Autoexec.bat"), 0644},
        {top + QStringLiteral("/deeper/Restore.exe"), 0755},
        {top + QStringLiteral("/deeper/Kestrix/a"), 0640},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path.toStdString());
        EXPECT_EQ(LinkStatus(c.path).st_mode & 07777, c.mode);
    }
}

// A copy is readable by nobody who could not reach its source: the folders on the way count,
// and an access control list, which no mode can carry, leaves the owner alone.
TEST_F(RootTrustTest, CopyIsReadableOnlyByWhoeverCanReachItsSource) {
    const struct {
        const char* name;
        mode_t folder;
        mode_t file;
        const char* acl;  // given to the folder, or to the file when it begins with "file:"
        mode_t copy;
    } cases[] = {
        {"open", 0755, 0644, nullptr, 0644},
        {"closed", 0700, 0644, nullptr, 0600},
        {"group", 0750, 0644, nullptr, 0640},
        {"search", 0711, 0640, nullptr, 0640},
        {"aclfolder", 0755, 0644, "u:nobody:rx", 0600},
        {"aclfile", 0755, 0640, "file:u:nobody:r", 0600},
    };
    QStringList sources;
    for (const auto& c : cases) {
        const QString holder = folder.file(QStringLiteral("src/") + QLatin1String(c.name));
        sources << holder + QStringLiteral("/") + QLatin1String(c.name);
        ASSERT_TRUE(QDir().mkpath(holder));
        writeBytes(sources.last(), "secret");
        ASSERT_EQ(::chmod(Native(holder).constData(), c.folder), 0);
        ASSERT_EQ(::chmod(Native(sources.last()).constData(), c.file), 0);
        const bool onFile = c.acl != nullptr && std::string(c.acl).rfind("file:", 0) == 0;
        if (c.acl != nullptr &&
            std::system(("setfacl -m " + std::string(c.acl + (onFile ? 5 : 0)) + " '" +
                         Native(onFile ? sources.last() : holder).toStdString() + "'")
                            .c_str()) != 0) {
            GTEST_SKIP() << "no access control lists here (setfacl from the acl package)";
        }
    }
    Tick(sources);

    engine.RunBackup(job);

    const QByteArray rights = readBytes(dest + QStringLiteral("/Kestrix.droits"));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(LinkStatus(CopyPath(QLatin1String(c.name))).st_mode & 07777, c.copy);
        // The restore gives back the source's own mode.
        EXPECT_TRUE(rights.contains("0" + QByteArray::number(c.file, 8) +
                                    "\troot\troot\t0\t0\t6\tKestrix/" + c.name));
    }
}

// Run as root, a destination that the restore program would refuse fails the exit status and says
// why: whoever owns or may change D or Kestrix/ could choose what a restore writes.
TEST_F(RootTrustTest, DestinationThatTheRestoreWouldRefuseIsNamed) {
    const ThrowAwayAccount other;
    if (!other.Made()) {
        GTEST_SKIP() << "staging another user's destination needs root and useradd";
    }
    const struct {
        const char* folder;  // under the destination
        uid_t owner;
        mode_t mode;
        const char* why;
    } cases[] = {
        {"", 0, 0755, nullptr},
        {"", 0, 01777, nullptr},
        {"", other.Uid(), 0755, "Save\" appartient à l'utilisateur "},
        {"", 0, 0777, "Save\" (droits 0777)"},
        {"/Kestrix", other.Uid(), 0755, "Kestrix\" appartient à l'utilisateur "},
        {"/Kestrix", 0, 0775, "Kestrix\" (droits 0775)"},
    };
    Tick({Source(QStringLiteral("a"), Pattern(100))});
    for (const auto& c : cases) {
        const QByteArray path = Native(dest + QLatin1String(c.folder));
        ASSERT_EQ(::chown(path.constData(), c.owner, 0), 0);
        ASSERT_EQ(::chmod(path.constData(), c.mode), 0);
        testing::internal::CaptureStderr();
        engine.RunBackup(job);
        const QString journal = QString::fromStdString(testing::internal::GetCapturedStderr());
        ASSERT_EQ(::chown(path.constData(), 0, 0), 0);
        ASSERT_EQ(::chmod(path.constData(), 0755), 0);
        EXPECT_EQ(readBytes(CopyPath(QStringLiteral("a"))), Pattern(100));
        EXPECT_EQ(engine.Distrust().isEmpty(), c.why == nullptr) << journal.toStdString();
        if (c.why != nullptr) {
            EXPECT_TRUE(engine.Distrust().contains(QString::fromUtf8(c.why)));
            EXPECT_TRUE(journal.contains(QStringLiteral("Kestrix : ") + engine.Distrust()));
        }
    }
}

TEST_F(RootTrustTest, CopyKeepsItsSourceOwnerGroupAndBitsInASetgidFolderOfAnotherGroup) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "giving files to other owners needs root";
    }
    const QString secret = Source(QStringLiteral("shadow"), Pattern(100));
    ASSERT_EQ(::chown(Native(secret).constData(), 0, 42), 0);
    ASSERT_EQ(::chmod(Native(secret).constData(), 0640), 0);
    const QByteArray copies = Native(dest + QStringLiteral("/Kestrix"));
    ASSERT_EQ(::chown(copies.constData(), 0, 100), 0);
    ASSERT_EQ(::chmod(copies.constData(), 02775), 0);
    Tick({secret});

    engine.RunBackup(job);

    const struct stat st = LinkStatus(CopyPath(QStringLiteral("shadow")));
    EXPECT_EQ(st.st_uid, 0u);
    EXPECT_EQ(st.st_gid, 42u);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_FALSE(reporter.Report().Lines().contains(kWiderLine));
}

TEST_F(RootTrustTest, FatStickKeepsTheBackupAndWarnsAfterTheSecretFile) {
    std::string why;
    const QString stick = folder.file(QStringLiteral("stick"));
    Mounts::Mount fat =
        Mounts::Mount::Fat(folder.file(QStringLiteral("fat.img")), stick, 8 << 20, why);
    if (!fat.ok()) {
        GTEST_SKIP() << why;
    }
    const QString secret = Source(QStringLiteral("shadow"), Pattern(100));
    ::chmod(Native(secret).constData(), 0640);
    const QString open = Source(QStringLiteral("hosts"), Pattern(200, 2));
    ::chmod(Native(open).constData(), 0644);
    job.destination = stick;
    Prepare();
    Tick({secret, open});

    ::testing::internal::CaptureStderr();
    engine.RunBackup(job);
    engine.LogEnd(0, QStringLiteral("/r"));
    const std::string journal = ::testing::internal::GetCapturedStderr();

    // The journal names the file and counts it too.
    const QString logged = QString::fromLocal8Bit(journal.c_str());
    EXPECT_TRUE(logged.startsWith(
        QStringLiteral("Kestrix : la copie de \"") + secret +
        QStringLiteral("\" est lisible par plus d'utilisateurs que l'original (le support ne garde "
                       "pas les droits des fichiers).\nKestrix : ")))
        << journal;
    EXPECT_TRUE(logged.contains(QStringLiteral("\nKestrix : fin de la sauvegarde : 2 fichiers "
                                               "copiés, 0 non copié, 1 copie lisible par plus "
                                               "d'utilisateurs que l'original, code de sortie 0")))
        << journal;
    const QStringList lines = BackupSection();
    const int success = lines.indexOf(kSuccessLine);
    ASSERT_GT(success, 0);
    EXPECT_EQ(lines.value(success + 1), kWiderLine);
    EXPECT_EQ(lines.count(kWiderLine), 1);
    EXPECT_EQ(lines.last(), kNoError);
    EXPECT_EQ(readBytes(stick + QStringLiteral("/Kestrix/shadow")), Pattern(100));
    EXPECT_EQ(readBytes(stick + QStringLiteral("/Kestrix/hosts")), Pattern(200, 2));
    EXPECT_EQ(readBytes(stick + QStringLiteral("/Restore.exe")), RestoreBytes());
    EXPECT_TRUE(engine.LastRunSucceeded());
}

TEST_F(RootTrustTest, NameThatIsNotUtf8IsCopiedAndRecordedWithItsOwnBytes) {
    const QByteArray sources = Native(folder.file(QStringLiteral("src")));
    const QByteArray path = sources + "/caf\xE9.conf";
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_EXCL, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::write(fd, "caf", 3), 3);
    ::close(fd);
    writeBytes(folder.file(QStringLiteral("Data/Kestrix.dat")), path + "\r\n");

    Load();
    ASSERT_EQ(job.lines.size(), 1u);
    EXPECT_TRUE(job.lines[0].ticked);
    engine.RunBackup(job);

    const QByteArray copy = Native(dest) + "/Kestrix/caf\xE9.conf";
    struct stat st {};
    ASSERT_EQ(::stat(copy.constData(), &st), 0);
    EXPECT_EQ(st.st_size, 3);
    EXPECT_EQ(readBytes(dest + QStringLiteral("/Kestrix.dat")),
              QByteArray("07/12/2026,11:15:45\r\ncaf\xE9.conf,") + sources + "\r\n");
}

}  // namespace
