// Faults staged for real: small tmpfs mounts (full, read-only) in a private mount namespace,
// missing and unreadable files, a changed root. The mounts vanish with the test's process.
#include <fcntl.h>
#include <linux/capability.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <cerrno>

#include "BackupFixture.h"
#include "FileBytes.h"
#include "Mounts.h"
#include "platform/FreeSpace.h"
#include "platform/SystemError.h"
#include "report/RunReport.h"

namespace {

const QString kDirectoryError = QStringLiteral(
    "Impossible de créer le répertoire spécifié. Vérifiez que le chemin indiqué soit valide.");
const QString kSettingsTitle = QStringLiteral("Ecriture des paramètres vers le fichier Ini");
const QString kSaveDat = QStringLiteral("Impossible de travailler sur le fichier Kestrix.dat !");
const QString kCopyFile = QStringLiteral(
    "Impossible de copier l'application de restauration des fichiers ! L'application ne peut pas "
    "continuer et va donc se terminer.");
const QString kSaveAutoexec = QStringLiteral(
    "Impossible d'écrire le fichier Autoexec.bat. Vérifiez que le disque de destination ne soit "
    "pas plein ou protégé en écriture.");
const QString kGetFreeSpaceBox = QStringLiteral(
    "Une erreur s'est produite alors que le logiciel tentait d'obtenir l'espace disque "
    "disponible ! Voulez-vous ignorer cette opération à l'avenir ?");
const QString kGetFreeSpaceReport = QStringLiteral(
    "Une erreur s'est produite alors que le logiciel tentait d'obtenir l'espace disque "
    "disponible !");

QString FileErrorText(const QString& path) {
    return QStringLiteral("Une erreur est survenue lors de la copie du fichier \"") + path +
           QStringLiteral(
               "\". Vérifiez que le disque de destination ne soit pas protégé en "
               "écriture. Kestrix termine la tâche en cours, puis va continuer avec le "
               "fichier suivant.");
}

// The two error lines of a code, with the location number written "N".
QStringList ErrorLines(const QString& label, int errorNumber, const QString& message) {
    return {QStringLiteral("  <!> ") + label + QStringLiteral(" : Code N - ") +
                SystemErrorMessage(errorNumber),
            QStringLiteral("  -> Message : \"") + message + QLatin1Char('"')};
}

QStringList WithoutLocations(QStringList lines) {
    static const QRegularExpression code(QStringLiteral("Code -?\\d+ - "));
    for (QString& line : lines) {
        line.replace(code, QStringLiteral("Code N - "));
    }
    return lines;
}

mode_t Mode(const QString& path) {
    struct stat st {};
    ::stat(QFile::encodeName(path).constData(), &st);
    return st.st_mode & 07777;
}

class StagedFaultTest : public BackupFixture {
protected:
    void SetUp() override {
        // The real query, with every value it gave kept for the expected lines.
        engine.SetFreeSpaceQuery([this](const QString& path) {
            const qint64 value = FreeSpace::Available(path);
            measured.push_back(value);
            return value;
        });
    }

    // The temporary folder can only go once the mounts in it are gone, the last first.
    void TearDown() override {
        while (!mounts.empty()) {
            mounts.pop_back();
        }
    }

    void MountTmpfs(const QString& where, qint64 bytes) {
        mounts.push_back(Mounts::Mount::Tmpfs(where, bytes));
        ASSERT_TRUE(mounts.back().ok()) << "cannot mount a tmpfs on " << where.toStdString();
    }

    void RemountReadOnly(const QString& where) {
        for (const Mounts::Mount& mount : mounts) {
            if (mount.target() == QFile::encodeName(where)) {
                ASSERT_TRUE(mount.MakeReadOnly(false)) << where.toStdString();
                return;
            }
        }
        FAIL() << "nothing mounted on " << where.toStdString();
    }

    QString Measured(std::size_t index) const {
        return index < measured.size() ? BackupEngine::FormatFreeSpace(measured[index])
                                       : QStringLiteral("(not measured)");
    }

    // The main window's close sequence as "FileError" runs it: settings stage, report saved.
    void SimulateCloseSequence() {
        ui.onShutdownStage = [this] {
            reporter.BeginStage(kSettingsTitle);
            reporter.EndStage();
            reporter.SaveReport();
        };
    }

    // The report from the backup section's first line to the end.
    QStringList FromBackupSection() const {
        const QStringList& lines = reporter.Report().Lines();
        const int title = lines.indexOf(QStringLiteral(" # Création de la sauvegarde"));
        return WithoutLocations(lines.mid(title - 3));
    }

    static QStringList SettingsSection() {
        return Heading(kSettingsTitle) << QString() << kNoError;
    }

    std::vector<qint64> measured;
    std::vector<Mounts::Mount> mounts;
};

}  // namespace

// The faults that need mounts of their own, skipped where this process may not mount.
class MountedFaultTest : public StagedFaultTest {
protected:
    void SetUp() override {
        StagedFaultTest::SetUp();
        const std::string why = Mounts::EnterPrivateNamespace();
        if (!why.empty()) {
            GTEST_SKIP() << why;
        }
    }
};

TEST_F(MountedFaultTest, FullDestinationSkipsWhatDoesNotFitAndKeepsItsEarlierCopy) {
    MountTmpfs(dest, 256 * 1024);
    QDir().mkpath(dest + QStringLiteral("/Kestrix"));
    // The previous backup holds "big" alone: its copy, record and manifest lines are carried
    // into the new backup, which has no room for a new copy.
    const QString sources = folder.file(QStringLiteral("src"));
    writeBytes(CopyPath(QStringLiteral("big")), Pattern(3000, 9));
    const QByteArray hashLine = QByteArray(32, 'a') + "  Kestrix/big\n";
    const QByteArray rightsLine = "0644\troot\troot\t0\t0\t3000\tKestrix/big\n";
    writeBytes(dest + QStringLiteral("/Kestrix.dat"),
               "01/01/2020,00:00:00\r\nbig," + QFile::encodeName(sources) + "\r\n");
    writeBytes(dest + QStringLiteral("/Kestrix.xxh128"), hashLine);
    writeBytes(dest + QStringLiteral("/Kestrix.droits"),
               "mode\tpropri\xC3\xA9taire\tgroupe\tuid\tgid\ttaille\tchemin\n" + rightsLine);
    const QString small = Source(QStringLiteral("small"), Pattern(20000, 1));
    const QString big = Source(QStringLiteral("big"), Pattern(300000, 2));
    const QString small2 = Source(QStringLiteral("small2"), Pattern(30000, 3));
    Tick({small, big, small2});

    engine.RunBackup(job);

    QStringList expected = Heading(QStringLiteral("Création de la sauvegarde"));
    expected << RunStart(QStringLiteral("2"), Measured(0)) << CopiedFile(small, Measured(1), true)
             << FileStart(big) << QStringLiteral("    -> Espace disque disponible : ") + Measured(2)
             << QStringLiteral(
                    "        <!> Espace libre insuffisant pour copier le fichier (292 Ko) !")
             << QStringLiteral("    -> Fermeture des fichiers...")
             << QStringLiteral("    -> Ecriture des infos de configuration...")
             << CopiedFile(small2, Measured(3), false) << QString() << kNoError;
    EXPECT_EQ(FromBackupSection(), expected);
    ASSERT_EQ(measured.size(), 4u);
    EXPECT_LT(measured[2], 300000);
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].icon, MessageIcon::Warning);
    EXPECT_EQ(readBytes(CopyPath(QStringLiteral("small"))), Pattern(20000, 1));
    EXPECT_EQ(readBytes(CopyPath(QStringLiteral("big"))), Pattern(3000, 9));
    EXPECT_EQ(readBytes(CopyPath(QStringLiteral("small2"))), Pattern(30000, 3));
    EXPECT_EQ(readBytes(dest + QStringLiteral("/Restore.exe")), RestoreBytes());
    EXPECT_EQ(
        readCrLfLines(dest + QStringLiteral("/Kestrix.dat")),
        QStringList({QStringLiteral("07/12/2026,11:15:45"), QStringLiteral("small,") + sources,
                     QStringLiteral("big,") + sources, QStringLiteral("small2,") + sources}));
    EXPECT_TRUE(readBytes(dest + QStringLiteral("/Kestrix.xxh128")).contains(hashLine));
    EXPECT_TRUE(readBytes(dest + QStringLiteral("/Kestrix.droits")).contains(rightsLine));
    EXPECT_EQ(readBytes(big), Pattern(300000, 2));
    EXPECT_EQ(readBytes(SavedReportPath()), reporter.Report().ToBytes());
    EXPECT_TRUE(engine.CopyIncomplete());
}

TEST_F(MountedFaultTest, DiskFullWhileCopyingReportsFileErrorAndLeavesNoPartialCopy) {
    MountTmpfs(dest, 256 * 1024);
    QDir().mkpath(dest + QStringLiteral("/Kestrix"));
    const QString small = Source(QStringLiteral("small"), Pattern(20000, 1));
    const QString big = Source(QStringLiteral("big"), Pattern(300000, 2));
    Tick({small, big});
    job.autoexec = true;
    reporter.SetSkipFreeSpaceCheck(true);
    SimulateCloseSequence();

    engine.RunBackup(job);

    QStringList expected = Heading(QStringLiteral("Création de la sauvegarde"));
    expected << QStringLiteral(" * Ecriture de la date et de l'heure dans le fichier Dat")
             << QStringLiteral("   -> Création et écriture de \"Kestrix.dat\" effectuée")
             << QString()
             << QStringLiteral(" - Etape 1 sur 3 : Ecriture de l'application de restauration")
             << QStringLiteral(" * Copie du fichier \"Restore.exe\"...")
             << QStringLiteral("   -> 59 Ko copiés - Espace libre restant : ") << QString()
             << QStringLiteral(" - Etape 2 sur 3 : Copie des fichiers de la sauvegarde")
             << FileStart(small) << QStringLiteral("    -> Lecture des données source...")
             << QStringLiteral("    -> Ecriture des données source...")
             << QStringLiteral("    -> Fermeture des fichiers...")
             << QStringLiteral("    -> Ecriture des infos de configuration...")
             << QStringLiteral("    <!> Copie du fichier réussie !") << FileStart(big)
             << ErrorLines(QStringLiteral("Erreur"), ENOSPC, FileErrorText(big))
             << SettingsSection() << QStringLiteral("    -> Ecriture des infos de configuration...")
             << QString()
             << QStringLiteral(" - Etape 3 sur 3 : Création du fichier \"Autoexec.bat\"")
             << QStringLiteral("   -> Création du fichier effectuée");
    // The settings stage in the middle cleared the stage flag: the run still does not claim
    // to be free of errors, and the report is saved at its end.
    EXPECT_EQ(FromBackupSection(), expected);
    // The failed copy's bytes went with it, so the boot batch file found room.
    EXPECT_EQ(ui.MessageTexts(), QStringList({FileErrorText(big)}));
    EXPECT_EQ(QDir(dest + QStringLiteral("/Kestrix"))
                  .entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::Hidden),
              QStringList({QStringLiteral("small")}));
    EXPECT_EQ(readBytes(dest + QStringLiteral("/Autoexec.bat")), QByteArray("Restore.exe\r\n"));
    EXPECT_EQ(ui.shutdownStages, 1);
    EXPECT_EQ(ui.endRequests, 0);
    // The important report holds the report up to the error and the settings section after it.
    const QStringList important =
        readCrLfLines(folder.file(QStringLiteral("Rapport Important.txt")));
    EXPECT_EQ(important.mid(important.size() - SettingsSection().size()), SettingsSection());
    EXPECT_TRUE(measured.empty());
    EXPECT_EQ(readBytes(SavedReportPath()), reporter.Report().ToBytes());
    EXPECT_EQ(readBytes(CopyPath(QStringLiteral("small"))), Pattern(20000, 1));
    EXPECT_EQ(readCrLfLines(dest + QStringLiteral("/Kestrix.dat")),
              QStringList({QStringLiteral("07/12/2026,11:15:45"),
                           QStringLiteral("small,") + folder.file(QStringLiteral("src"))}));
    EXPECT_EQ(readBytes(big), Pattern(300000, 2));
    EXPECT_TRUE(engine.CopyIncomplete());
}

// A first backup's copies go in with the folder they were written in, which takes the place of
// the empty one in D with its mode; a folder that holds a name Kestrix did not write stays, and
// the copies go into it one by one. Another file system mounted there takes no copy: the run
// fails before its commit, and nothing stays half-switched for the next run.
TEST_F(StagedFaultTest, FirstBackupKeepsTheCopiesFolderThatStoodThere) {
    const struct {
        const char* name;
        mode_t mode;
        bool foreignName;
        bool mountPoint;
    } rows[] = {
        {"closed to others beforehand", 0750, false, false},
        {"holding another name", 0711, true, false},
        {"a mount point", 0750, false, true},
    };
    const QString a = Source(QStringLiteral("a"), Pattern(5000, 1));
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const QString destination = folder.file(QLatin1String(row.name));
        const QString copies = destination + QStringLiteral("/Kestrix");
        ASSERT_TRUE(QDir().mkpath(copies));
        if (row.mountPoint) {
            if (const std::string why = Mounts::EnterPrivateNamespace(); !why.empty()) {
                GTEST_SKIP() << why;
            }
            MountTmpfs(copies, 1 << 20);
        }
        if (row.foreignName) {
            writeBytes(copies + QStringLiteral("/notes.txt"), "mine");
        }
        ASSERT_EQ(::chmod(QFile::encodeName(copies).constData(), row.mode), 0);
        job.destination = destination;
        Prepare();
        Tick({a});

        engine.RunBackup(job);

        EXPECT_EQ(Mode(copies), row.mode);
        EXPECT_EQ(engine.LastRunSucceeded(), !row.mountPoint);
        EXPECT_EQ(QFileInfo::exists(copies + QStringLiteral("/a")), !row.mountPoint);
        EXPECT_EQ(QFileInfo::exists(copies + QStringLiteral("/notes.txt")), row.foreignName);
        // Refused before the commit: no intent or staging folder is left for the next run.
        EXPECT_EQ(QDir(destination)
                      .entryList({QStringLiteral(".kestrix-*")}, QDir::AllEntries | QDir::Hidden),
                  QStringList());
    }
}

// The new backup is written beside the previous one in the destination itself: a writable
// Kestrix/ under a read-only destination takes no file, and the previous backup stays.
TEST_F(MountedFaultTest, ReadOnlyDestinationWithWritableSubfolder) {
    MountTmpfs(dest, 1024 * 1024);
    QDir().mkpath(dest + QStringLiteral("/Kestrix"));
    writeBytes(dest + QStringLiteral("/Kestrix.dat"), "01/01/2020,00:00:00\r\nold,/etc\r\n");
    writeBytes(dest + QStringLiteral("/Autoexec.bat"), "old\r\n");
    MountTmpfs(dest + QStringLiteral("/Kestrix"), 1024 * 1024);
    RemountReadOnly(dest);
    const QString a = Source(QStringLiteral("a"), Pattern(5000, 1));
    const QString b = Source(QStringLiteral("b"), Pattern(0, 2));
    Tick({a, b});
    job.autoexec = true;
    testing::internal::CaptureStderr();

    engine.RunBackup(job);

    // The staging folder could not be made: nothing was committed, and the journal says so.
    EXPECT_NE(
        testing::internal::GetCapturedStderr().find(
            "Kestrix : la sauvegarde précédente de \"" + QFile::encodeName(dest).toStdString() +
            "\" est gardée telle quelle : la nouvelle n'a pas pu être terminée."),
        std::string::npos);
    QStringList expected = Heading(QStringLiteral("Création de la sauvegarde"));
    expected << QStringLiteral(" * Ecriture de la date et de l'heure dans le fichier Dat")
             << ErrorLines(QStringLiteral("Erreur"), EROFS, kSaveDat) << QString()
             << QStringLiteral(" - Etape 1 sur 3 : Ecriture de l'application de restauration")
             << QStringLiteral(" * Espace disque disponible : ") + Measured(0)
             << QStringLiteral(" * Copie du fichier \"Restore.exe\"...")
             << ErrorLines(QStringLiteral("Erreur fatale"), EROFS, kCopyFile) << QString()
             << QStringLiteral(" - Etape 2 sur 3 : Copie des fichiers de la sauvegarde")
             << FileStart(a) << ErrorLines(QStringLiteral("Erreur"), EROFS, FileErrorText(a))
             << QStringLiteral("    -> Ecriture des infos de configuration...") << FileStart(b)
             << ErrorLines(QStringLiteral("Erreur"), EROFS, FileErrorText(b))
             << QStringLiteral("    -> Ecriture des infos de configuration...") << QString()
             << QStringLiteral(" - Etape 3 sur 3 : Création du fichier \"Autoexec.bat\"")
             << ErrorLines(QStringLiteral("Erreur"), EROFS, kSaveAutoexec);
    EXPECT_EQ(FromBackupSection(), expected);
    EXPECT_EQ(ui.MessageTexts(), QStringList({kSaveDat, kCopyFile, FileErrorText(a),
                                                  FileErrorText(b), kSaveAutoexec}));
    EXPECT_EQ(ui.endRequests, 1);
    EXPECT_EQ(ui.shutdownStages, 2);
    EXPECT_EQ(readBytes(dest + QStringLiteral("/Kestrix.dat")),
              QByteArray("01/01/2020,00:00:00\r\nold,/etc\r\n"));
    EXPECT_EQ(readBytes(dest + QStringLiteral("/Autoexec.bat")), QByteArray("old\r\n"));
    EXPECT_FALSE(QFile::exists(dest + QStringLiteral("/Restore.exe")));
    EXPECT_EQ(QDir(dest + QStringLiteral("/Kestrix"))
                  .entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::Hidden),
              QStringList());
    EXPECT_EQ(readBytes(SavedReportPath()), reporter.Report().ToBytes());
    EXPECT_EQ(readBytes(folder.file(QStringLiteral("Rapport Important.txt"))).size() > 0, true);
}

TEST_F(MountedFaultTest, ReadOnlyDestinationEverywhereReportsFileErrorPerFile) {
    MountTmpfs(dest, 1024 * 1024);
    QDir().mkpath(dest + QStringLiteral("/Kestrix"));
    writeBytes(CopyPath(QStringLiteral("a")), "old copy");
    RemountReadOnly(dest);
    const QString a = Source(QStringLiteral("a"), Pattern(5000, 1));
    const QString b = Source(QStringLiteral("b"), Pattern(7000, 2));
    Tick({a, b});
    job.autoexec = true;
    SimulateCloseSequence();

    engine.RunBackup(job);

    QStringList expected = Heading(QStringLiteral("Création de la sauvegarde"));
    expected << QStringLiteral(" * Ecriture de la date et de l'heure dans le fichier Dat")
             << ErrorLines(QStringLiteral("Erreur"), EROFS, kSaveDat) << QString()
             << QStringLiteral(" - Etape 1 sur 3 : Ecriture de l'application de restauration")
             << QStringLiteral(" * Espace disque disponible : ") + Measured(0)
             << QStringLiteral(" * Copie du fichier \"Restore.exe\"...")
             << ErrorLines(QStringLiteral("Erreur fatale"), EROFS, kCopyFile) << QString()
             << QStringLiteral(" - Etape 2 sur 3 : Copie des fichiers de la sauvegarde")
             << FileStart(a) << ErrorLines(QStringLiteral("Erreur"), EROFS, FileErrorText(a))
             << SettingsSection() << QStringLiteral("    -> Ecriture des infos de configuration...")
             << FileStart(b) << ErrorLines(QStringLiteral("Erreur"), EROFS, FileErrorText(b))
             << SettingsSection() << QStringLiteral("    -> Ecriture des infos de configuration...")
             << QString()
             << QStringLiteral(" - Etape 3 sur 3 : Création du fichier \"Autoexec.bat\"")
             << ErrorLines(QStringLiteral("Erreur"), EROFS, kSaveAutoexec);
    EXPECT_EQ(FromBackupSection(), expected);
    EXPECT_EQ(ui.MessageTexts(), QStringList({kSaveDat, kCopyFile, FileErrorText(a),
                                                  FileErrorText(b), kSaveAutoexec}));
    EXPECT_EQ(ui.shutdownStages, 2);
    EXPECT_EQ(ui.endRequests, 1);
    EXPECT_EQ(readBytes(CopyPath(QStringLiteral("a"))), QByteArray("old copy"));
    EXPECT_FALSE(QFile::exists(CopyPath(QStringLiteral("b"))));
    EXPECT_EQ(QDir(dest).entryList(QDir::NoDotAndDotDot | QDir::AllEntries),
              QStringList({QStringLiteral("Kestrix")}));
    EXPECT_EQ(readBytes(SavedReportPath()), reporter.Report().ToBytes());
    EXPECT_EQ(readBytes(a), Pattern(5000, 1));
    EXPECT_TRUE(engine.CopyIncomplete());
}

TEST_F(MountedFaultTest, BackupFromAReadOnlyFileSystemLeavesSourcesAlone) {
    const QString system = folder.file(QStringLiteral("system"));
    QDir().mkpath(system);
    MountTmpfs(system, 1024 * 1024);
    const QString locked = system + QStringLiteral("/grub.cfg");
    const QString open = system + QStringLiteral("/fstab");
    writeBytes(locked, Pattern(3000, 1));
    writeBytes(open, Pattern(4000, 2));
    ::chmod(QFile::encodeName(locked).constData(), 0444);
    ::chmod(QFile::encodeName(open).constData(), 0644);
    // The restore application too may sit on the read-only system.
    RemountReadOnly(system);
    Tick({locked, open});

    engine.RunBackup(job);

    EXPECT_EQ(BackupSection().last(), kNoError);
    EXPECT_TRUE(ui.boxes.empty());
    EXPECT_EQ(Mode(locked), 0444u);
    EXPECT_EQ(Mode(open), 0644u);
    EXPECT_EQ(readBytes(CopyPath(QStringLiteral("grub.cfg"))), Pattern(3000, 1));
    EXPECT_EQ(Mode(CopyPath(QStringLiteral("grub.cfg"))), 0444u);
    EXPECT_EQ(readBytes(CopyPath(QStringLiteral("fstab"))), Pattern(4000, 2));
}

TEST_F(StagedFaultTest, MissingRestoreApplicationAnsweredYesSkipsLaterChecks) {
    QFile::remove(folder.file(QStringLiteral("Data/Kestrix.res")));
    const QString a = Source(QStringLiteral("a"), Pattern(3000, 1));
    Tick({a});
    ui.answers = {MessageAnswer::Yes};

    engine.RunBackup(job);

    QStringList expected = Heading(QStringLiteral("Création de la sauvegarde"));
    expected << QStringLiteral(" * Ecriture de la date et de l'heure dans le fichier Dat")
             << QStringLiteral("   -> Création et écriture de \"Kestrix.dat\" effectuée")
             << QString()
             << QStringLiteral(" - Etape 1 sur 2 : Ecriture de l'application de restauration")
             << ErrorLines(QStringLiteral("Erreur"), ENOENT, kGetFreeSpaceReport)
             << QStringLiteral(" * Copie du fichier \"Restore.exe\"...")
             << ErrorLines(QStringLiteral("Erreur fatale"), ENOENT, kCopyFile) << QString()
             << QStringLiteral(" - Etape 2 sur 2 : Copie des fichiers de la sauvegarde")
             << FileStart(a) << QStringLiteral("    -> Lecture des données source...")
             << QStringLiteral("    -> Ecriture des données source...")
             << QStringLiteral("    -> Fermeture des fichiers...")
             << QStringLiteral("    -> Ecriture des infos de configuration...")
             << QStringLiteral("    <!> Copie du fichier réussie !");
    EXPECT_EQ(FromBackupSection(), expected);
    ASSERT_EQ(ui.boxes.size(), 2u);
    EXPECT_EQ(ui.boxes[0].buttons, MessageButtons::YesNo);
    EXPECT_EQ(ui.boxes[0].text, kGetFreeSpaceBox);
    EXPECT_EQ(ui.boxes[1].text, kCopyFile);
    EXPECT_TRUE(reporter.SkipFreeSpaceCheck());
    EXPECT_EQ(measured.size(), 1u);
    EXPECT_EQ(ui.endRequests, 1);
    EXPECT_EQ(readBytes(CopyPath(QStringLiteral("a"))), Pattern(3000, 1));
    EXPECT_FALSE(QFile::exists(dest + QStringLiteral("/Restore.exe")));
    EXPECT_EQ(readBytes(SavedReportPath()), reporter.Report().ToBytes());
}

TEST_F(StagedFaultTest, MissingRestoreApplicationAnsweredNoKeepsMeasuring) {
    QFile::remove(folder.file(QStringLiteral("Data/Kestrix.res")));
    const QString a = Source(QStringLiteral("a"), Pattern(3000, 1));
    Tick({a});
    ui.answers = {MessageAnswer::No};

    engine.RunBackup(job);
    EXPECT_FALSE(reporter.SkipFreeSpaceCheck());
    ASSERT_EQ(measured.size(), 2u);
    EXPECT_TRUE(FromBackupSection().contains(QStringLiteral("    -> Espace disque disponible : ") +
                                             Measured(1)));
    // The next run asks again.
    engine.RunBackup(job);
    EXPECT_EQ(ui.boxes.size(), 4u);
    EXPECT_EQ(ui.boxes[2].text, kGetFreeSpaceBox);
}

TEST_F(StagedFaultTest, UnreadableSourcesReportFileErrorAndTheRunGoesOn) {
    const QString locked = Source(QStringLiteral("locked"), Pattern(3000, 1));
    ::chmod(QFile::encodeName(locked).constData(), 0);
    if (::geteuid() == 0) {
        // Root reads any file: drop the capabilities that allow it, for this process only.
        __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
        __user_cap_data_struct data[2]{};
        ASSERT_EQ(::syscall(SYS_capget, &header, data), 0);
        const quint32 dac = (1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH);
        data[0].effective &= ~dac;
        if (::syscall(SYS_capset, &header, data) != 0) {
            GTEST_SKIP() << "cannot drop the file-access capabilities";
        }
    }
    // Opens, but every read fails (EIO): a read error in the middle of the block loop.
    const QString unreadable = QStringLiteral("/proc/self/mem");
    const QString fine = Source(QStringLiteral("fine"), Pattern(3000, 2));
    Tick({locked, unreadable, fine});
    FixFreeSpace(5000000000);

    engine.RunBackup(job);

    const QString freeText = QStringLiteral("4 Go (4768 Mo)");
    QStringList expected = Heading(QStringLiteral("Création de la sauvegarde"));
    expected << QStringLiteral(" * Ecriture de la date et de l'heure dans le fichier Dat")
             << QStringLiteral("   -> Création et écriture de \"Kestrix.dat\" effectuée")
             << QString()
             << QStringLiteral(" - Etape 1 sur 2 : Ecriture de l'application de restauration")
             << QStringLiteral(" * Espace disque disponible : ") + freeText
             << QStringLiteral(" * Copie du fichier \"Restore.exe\"...")
             << QStringLiteral("   -> 59 Ko copiés - Espace libre restant : ") + freeText
             << QString()
             << QStringLiteral(" - Etape 2 sur 2 : Copie des fichiers de la sauvegarde")
             << FileStart(locked).mid(0, 4)
             << ErrorLines(QStringLiteral("Erreur"), EACCES, FileErrorText(locked))
             << QStringLiteral("    -> Ecriture des infos de configuration...")
             << FileStart(unreadable)
             << QStringLiteral("    -> Espace disque disponible : ") + freeText
             // The read fails before the first write: the writing line comes with the next file.
             << QStringLiteral("    -> Lecture des données source...")
             << ErrorLines(QStringLiteral("Erreur"), EIO, FileErrorText(unreadable))
             << QStringLiteral("    -> Ecriture des infos de configuration...") << FileStart(fine)
             << QStringLiteral("    -> Espace disque disponible : ") + freeText
             << QStringLiteral("    -> Ecriture des données source...")
             << QStringLiteral("    -> Fermeture des fichiers...")
             << QStringLiteral("    -> Ecriture des infos de configuration...")
             << QStringLiteral("    <!> Copie du fichier réussie !");
    EXPECT_EQ(FromBackupSection(), expected);
    EXPECT_EQ(ui.MessageTexts(),
              QStringList({FileErrorText(locked), FileErrorText(unreadable)}));
    EXPECT_EQ(ui.shutdownStages, 2);
    EXPECT_FALSE(QFile::exists(CopyPath(QStringLiteral("locked"))));
    EXPECT_EQ(readBytes(CopyPath(QStringLiteral("fine"))), Pattern(3000, 2));
    EXPECT_EQ(readCrLfLines(dest + QStringLiteral("/Kestrix.dat")),
              QStringList({QStringLiteral("07/12/2026,11:15:45"),
                           QStringLiteral("fine,") + folder.file(QStringLiteral("src"))}));
    EXPECT_EQ(Mode(locked), 0u);
    EXPECT_EQ(readBytes(SavedReportPath()), reporter.Report().ToBytes());
}

TEST_F(StagedFaultTest, RootDestinationIsRefused) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "changing the root directory needs root";
    }
    // The program folder becomes "/" for this process; the real root comes back at the end.
    const int realRoot = ::open("/", O_RDONLY | O_DIRECTORY);
    ASSERT_GE(realRoot, 0);
    QDir(dest).removeRecursively();
    writeBytes(folder.file(QStringLiteral("Data/Kestrix.dat")), "/src/a\n");
    Source(QStringLiteral("a"), Pattern(200, 8));
    // Its file is made in the real /tmp, before the change of root.
    testing::internal::CaptureStderr();
    ASSERT_EQ(::chroot(QFile::encodeName(folder.path()).constData()), 0);
    ASSERT_EQ(::chdir("/"), 0);
    job.destination = QStringLiteral("/");
    FixFreeSpace(5000000000);

    Prepare();
    Load();
    engine.RunBackup(job);

    const QStringList root =
        QDir(QStringLiteral("/")).entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::Hidden);
    ASSERT_EQ(::fchdir(realRoot), 0);
    ASSERT_EQ(::chroot("."), 0);
    ::close(realRoot);
    QDir::setCurrent(folder.path());
    const std::string journal = testing::internal::GetCapturedStderr();
    // The root "/" is not shortened, and refused: nothing is written there.
    EXPECT_EQ(job.destination, QStringLiteral("/"));
    EXPECT_EQ(root, QStringList({QStringLiteral("Data"), QStringLiteral("Rapport Important.txt"),
                                 QStringLiteral("Rapports"), QStringLiteral("src")}));
    EXPECT_EQ(ui.MessageTexts(), QStringList({kDirectoryError, kDirectoryError}));
    const std::string refusal =
        "Kestrix : le répertoire de destination \"/\" est la racine du système : choisissez un "
        "dossier qui ne sert qu'aux sauvegardes, par exemple /var/backups/Save.\n";
    EXPECT_EQ(journal.find(refusal), 0u) << journal;
    EXPECT_EQ(journal.find(refusal, 1), std::string::npos) << journal;
    EXPECT_TRUE(engine.CopyIncomplete());
}

// Earlier backups kept by successive runs: how many (the key read from Kestrix.ini), unchanged
// copies shared by hard links, and on a nearly full medium the oldest removed first.
struct EarlierCase {
    const char* what;
    const char* ini;     // the [Historique] section, or nullptr
    int runs;
    qint64 medium;       // a tmpfs of this size for D, or 0
    bool changing;       // each run backs up new bytes
    int earlier;         // earlier backups left
    int droppedForRoom;  // stderr lines of earlier backups removed for room
    bool fileInTheWay = false;  // a file of a user's at Kestrix.historique
    bool fat = false;           // D on a FAT stick: no hard links, full copies
};

void PrintTo(const EarlierCase& c, std::ostream* out) {
    *out << c.what;
}

class EarlierBackupTest : public MountedFaultTest,
                          public ::testing::WithParamInterface<EarlierCase> {};

TEST_P(EarlierBackupTest, KeepsTheLatestAndDropsTheOldestFirst) {
    const EarlierCase& c = GetParam();
    if (c.medium > 0) {
        MountTmpfs(dest, c.medium);
        QDir().mkpath(dest + QStringLiteral("/Kestrix"));
        // The room left must not depend on the disks attached to this machine at the time
        // (another test's loop disk grows the record): a machine without disks.
        SystemRoots none;
        none.sys = QFile::encodeName(folder.file(QStringLiteral("sys"))).toStdString();
        QDir().mkpath(folder.file(QStringLiteral("sys/block")));
        engine.SetDiskRoots(none);
    }
    if (c.fat) {
        std::string why;
        mounts.push_back(
            Mounts::Mount::Fat(folder.file(QStringLiteral("fat.img")), dest, 8 << 20, why));
        if (!mounts.back().ok()) {
            GTEST_SKIP() << why;
        }
    }
    if (c.ini != nullptr) {
        QFile ini(folder.file(QStringLiteral("Data/Kestrix.ini")));
        ASSERT_TRUE(ini.open(QIODevice::Append));
        ini.write(c.ini);
    }
    // A folder of a user's own there is no earlier backup: never counted, never removed.
    const QString all = dest + QStringLiteral("/Kestrix.historique");
    const QString photo = c.fileInTheWay ? all : all + QStringLiteral("/photos/a.jpg");
    QDir().mkpath(c.fileInTheWay ? dest : all + QStringLiteral("/photos"));
    writeBytes(photo, "jpeg");
    std::string err;
    for (int run = 0; run < c.runs; ++run) {
        const QString source = Source(QStringLiteral("f"), Pattern(300000, c.changing ? run : 0));
        Tick({source});
        ::testing::internal::CaptureStderr();
        engine.RunBackup(job);
        err += ::testing::internal::GetCapturedStderr();
        ASSERT_TRUE(engine.LastRunSucceeded()) << run << err;
    }
    EXPECT_EQ(readBytes(photo), QByteArray("jpeg"));
    const QStringList earlier =
        QDir(all).entryList({QStringLiteral("2*")}, QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    ASSERT_EQ(earlier.size(), c.earlier) << earlier.join(QLatin1Char(' ')).toStdString();
    int dropped = 0;
    for (std::size_t at = 0; (at = err.find("la plus ancienne, est supprimée", at)) !=
                             std::string::npos;
         ++at) {
        ++dropped;
    }
    EXPECT_EQ(dropped, c.droppedForRoom) << err;
    if (c.earlier == 0) {
        return;
    }
    // Same date every run here: the later ones get a suffix, and sort after.
    EXPECT_EQ(earlier.back().left(19), QStringLiteral("2026-12-07_11-15-45"));
    const QString latest = all + QLatin1Char('/') + earlier.back() + QStringLiteral("/Kestrix/f");
    EXPECT_EQ(readBytes(latest), Pattern(300000, c.changing ? c.runs - 2 : 0));
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(CopyPath(QStringLiteral("f"))).constData(), &st), 0);
    // The FUSE driver of FAT reports link counts of its own.
    if (!c.fat) {
        EXPECT_EQ(st.st_nlink, c.changing ? 1u : static_cast<nlink_t>(c.earlier + 1));
    }
    // Each earlier backup holds all of its files, also where they are copies.
    for (const QString& name : earlier) {
        const QString kept = all + QLatin1Char('/') + name;
        EXPECT_EQ(QDir(kept).entryList(QDir::Files, QDir::Name),
                  QStringList({QStringLiteral("Kestrix.dat"), QStringLiteral("Kestrix.droits"),
                               QStringLiteral("Kestrix.xxh128"), QStringLiteral("Restore.exe")}))
            << name.toStdString();
        if (!c.changing) {
            EXPECT_EQ(readBytes(kept + QStringLiteral("/Kestrix/f")), Pattern(300000, 0));
        }
        // The disk record goes with the backup it was taken with.
        const QString record = QStringLiteral("/Disques/Disques.xxh128");
        EXPECT_EQ(QFileInfo::exists(kept + record), QFileInfo::exists(dest + record))
            << name.toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(
    Keep, EarlierBackupTest,
    ::testing::Values(
        EarlierCase{"four by default", nullptr, 6, 0, false, 4, 0},
        EarlierCase{"none", "\r\n[Historique]\r\nGarder=0\r\n", 3, 0, false, 0, 0},
        EarlierCase{"two", "\r\n[Historique]\r\nGarder=2\r\n", 4, 0, true, 2, 0},
        EarlierCase{"not a number", "\r\n[Historique]\r\nGarder=quatre\r\n", 6, 0, false, 4, 0},
        EarlierCase{"a nearly full medium", nullptr, 5, (1 << 20) + (64 << 10), true, 2, 2},
        EarlierCase{"a file in the way", nullptr, 3, 0, true, 0, 0, true},
        EarlierCase{"a FAT stick", nullptr, 3, 0, false, 2, 0, false, true}));
