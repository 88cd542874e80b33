#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "BackupFixture.h"
#include "FileBytes.h"
#include "platform/FileSystem.h"
#include "platform/SystemError.h"

namespace {

const QString kFree = QStringLiteral("4 Go (4768 Mo)");
constexpr qint64 kFreeBytes = 5000000000;

QString Record(const QString& path) {
    const QFileInfo info(path);
    return info.fileName() + QLatin1Char(',') + info.path();
}

}  // namespace

class BackupRunTest : public BackupFixture {
protected:
    std::pair<QString, QString> ListTwoOfOneName(const QString& name);
};

TEST_F(BackupRunTest, CleanRunWithoutBootFileWritesTheWholeSectionAndSavesTheReport) {
    const QString a = Source(QStringLiteral("a.cfg"), Pattern(3000));
    const QString b = Source(QStringLiteral("b.cfg"), Pattern(50000, 2));
    Tick({a, b});
    FixFreeSpace(kFreeBytes);

    engine.RunBackup(job);

    QStringList expected = Heading(QStringLiteral("Création de la sauvegarde"));
    expected << RunStart(QStringLiteral("2"), kFree) << CopiedFile(a, kFree, true)
             << CopiedFile(b, kFree, false) << QString() << kNoError;
    EXPECT_EQ(BackupSection(), expected);
    EXPECT_EQ(readBytes(SavedReportPath()), reporter.Report().ToBytes());
    EXPECT_EQ(
        progress.statusTexts,
        QStringList({QStringLiteral("Etape 1 sur 2 : Ecriture de l'application de restauration"),
                     QStringLiteral("Etape 2 sur 2 : Copie des fichiers de la sauvegarde")}));
    EXPECT_EQ(progress.fileShown, std::vector<bool>({false, true}));
    EXPECT_EQ(progress.fileTexts,
              QStringList({QStringLiteral("Copie de ") + a, QStringLiteral("Copie de ") + b}));
    EXPECT_TRUE(ui.boxes.empty());
    EXPECT_FALSE(engine.CopyIncomplete());
    EXPECT_TRUE(engine.LastRunSucceeded());
    EXPECT_EQ(engine.LastFreeSpace(), kFreeBytes);
    // The restore application is measured on the destination, each copy on its own path.
    EXPECT_EQ(queriedPaths, QStringList({dest, CopyPath(QStringLiteral("a.cfg")),
                                         CopyPath(QStringLiteral("b.cfg"))}));

    EXPECT_EQ(readBytes(CopyPath(QStringLiteral("a.cfg"))), Pattern(3000));
    EXPECT_EQ(readBytes(CopyPath(QStringLiteral("b.cfg"))), Pattern(50000, 2));
    EXPECT_EQ(readBytes(dest + QStringLiteral("/Restore.exe")), RestoreBytes());
    EXPECT_EQ(readBytes(dest + QStringLiteral("/Kestrix.dat")),
              QByteArray("07/12/2026,11:15:45\r\n") + QFile::encodeName(Record(a)) + "\r\n" +
                  QFile::encodeName(Record(b)) + "\r\n");
    EXPECT_FALSE(QFile::exists(dest + QStringLiteral("/Autoexec.bat")));
}

TEST_F(BackupRunTest, CleanRunWithBootFileHasThreeStages) {
    const QString a = Source(QStringLiteral("a.cfg"), Pattern(10));
    Tick({a});
    job.autoexec = true;
    FixFreeSpace(kFreeBytes);
    writeBytes(dest + QStringLiteral("/Autoexec.bat"), "@echo off\r\nwin\r\n");

    engine.RunBackup(job);

    QStringList expected = Heading(QStringLiteral("Création de la sauvegarde"));
    expected << RunStart(QStringLiteral("3"), kFree) << CopiedFile(a, kFree, true) << QString()
             << QStringLiteral(" - Etape 3 sur 3 : Création du fichier \"Autoexec.bat\"")
             << QStringLiteral("   -> Création du fichier effectuée") << QString() << kNoError;
    EXPECT_EQ(BackupSection(), expected);
    EXPECT_EQ(progress.statusTexts.last(),
              QStringLiteral("Etape 3 sur 3 : Création du fichier Autoexec.bat"));
    EXPECT_EQ(readBytes(dest + QStringLiteral("/Autoexec.bat")), QByteArray("Restore.exe\r\n"));
    EXPECT_TRUE(QFile::exists(SavedReportPath()));
}

TEST_F(BackupRunTest, NothingTickedWritesOneLinePerEntryAndADateOnlyCatalogue) {
    const QString a = Source(QStringLiteral("a.cfg"), Pattern(10));
    job.lines = {JobLine{a, false, true},
                      JobLine{QStringLiteral("<Fichier non trouvé : \"/nope\">"), false, false}};
    FixFreeSpace(kFreeBytes);
    writeBytes(dest + QStringLiteral("/Kestrix.dat"), "old catalogue with many lines\r\nx\r\n");

    engine.RunBackup(job);

    QStringList expected = Heading(QStringLiteral("Création de la sauvegarde"));
    expected << RunStart(QStringLiteral("2"), kFree)
             << QStringLiteral("    -> Ecriture des infos de configuration...")
             << QStringLiteral("    -> Ecriture des infos de configuration...") << QString()
             << kNoError;
    EXPECT_EQ(BackupSection(), expected);
    EXPECT_EQ(readBytes(dest + QStringLiteral("/Kestrix.dat")),
              QByteArray("07/12/2026,11:15:45\r\n"));
    EXPECT_FALSE(QFile::exists(CopyPath(QStringLiteral("a.cfg"))));
    EXPECT_FALSE(engine.CopyIncomplete());
}

// A ticked source that its owner changes during the run, once the staging folder shows that a
// run has begun (inotify tells), or while it is read: a copy that failed, and the run goes on.
// Missing when the list was read, it keeps its previous copy too.
enum class SourceChange {
    Removed,
    RenamedAway,
    ReplacedByAFifo,
    WrittenWhileRead,
    MissingFromTheList
};

class SourceChangeTest : public BackupRunTest,
                         public ::testing::WithParamInterface<SourceChange> {};

TEST_P(SourceChangeTest, IsACopyThatFailedAndKeepsItsPreviousCopy) {
    const QString a = Source(QStringLiteral("a.cfg"), Pattern(100));
    const QString changed = Source(QStringLiteral("changed.cfg"), Pattern(300000, 2));
    const QString c = Source(QStringLiteral("c.cfg"), Pattern(100, 3));
    Tick({a, changed, c});
    const bool listed = GetParam() == SourceChange::MissingFromTheList;
    if (listed) {
        writeBytes(folder.file(QStringLiteral("Data/Kestrix.dat")),
                   QFile::encodeName(QStringList({a, changed, c}).join(QLatin1Char('\n'))));
        QFile::remove(changed);
        Load();
    }
    FixFreeSpace(kFreeBytes);
    writeBytes(CopyPath(QStringLiteral("changed.cfg")), "old");
    writeBytes(dest + QStringLiteral("/Kestrix.dat"),
               "01/01/2020,00:00:00\r\n" + QFile::encodeName(Record(changed)) + "\r\n");
    writeBytes(dest + QStringLiteral("/Kestrix.xxh128"),
               QByteArray(32, 'b') + "  Kestrix/changed.cfg\n");
    writeBytes(dest + QStringLiteral("/Kestrix.droits"),
               "mode\tpropri\xC3\xA9taire\tgroupe\tuid\tgid\ttaille\tchemin\n"
               "0644\troot\troot\t0\t0\t3\tKestrix/changed.cfg\n");
    const bool whileRead = GetParam() == SourceChange::WrittenWhileRead;
    progress.onPump = [&, done = false]() mutable {
        if (done || whileRead != progress.fileTexts.last().endsWith(changed)) {
            return;
        }
        done = true;
        if (GetParam() == SourceChange::RenamedAway) {
            QFile::rename(changed, changed + QStringLiteral(".moved"));
        } else if (!whileRead) {
            QFile::remove(changed);
        }
        if (GetParam() == SourceChange::ReplacedByAFifo) {
            ::mkfifo(QFile::encodeName(changed).constData(), 0644);
        } else if (whileRead) {
            writeBytes(changed, Pattern(300000, 5));
        }
    };

    engine.RunBackup(job);

    QStringList expected = Heading(QStringLiteral("Création de la sauvegarde"));
    expected << RunStart(QStringLiteral("2"), kFree) << CopiedFile(a, kFree, true);
    QString box = QStringLiteral("Le fichier \"") + changed + QStringLiteral("\" n'existe pas !");
    if (whileRead) {
        box = QStringLiteral("Une erreur est survenue lors de la copie du fichier \"") + changed +
              QStringLiteral(
                  "\". Vérifiez que le disque de destination ne soit pas protégé en "
                  "écriture. Kestrix termine la tâche en cours, puis va continuer avec "
                  "le fichier suivant.");
        expected << FileStart(changed)
                 << QStringLiteral("    -> Espace disque disponible : ") + kFree
                 << QStringLiteral("  <!> Erreur : ") + reporter.LastErrorText()
                 << QStringLiteral("  -> Message : \"") + box + QLatin1Char('"');
        EXPECT_TRUE(reporter.LastErrorText().endsWith(SystemErrorMessage(EBUSY)));
    } else if (!listed) {
        expected << QStringLiteral(" <!> ") + changed +
                        QStringLiteral(" : Le fichier n'existe pas !");
    }
    expected << QStringLiteral("    -> Ecriture des infos de configuration...")
             << CopiedFile(c, kFree, false);
    if (!whileRead) {
        expected << QString() << kNoError;
    }
    EXPECT_EQ(BackupSection(), expected);
    EXPECT_EQ(ui.MessageTexts(), listed ? QStringList() : QStringList({box}));
    // The rest of the backup is committed, with the previous copy of the file that failed.
    EXPECT_EQ(readBytes(CopyPath(QStringLiteral("c.cfg"))), Pattern(100, 3));
    EXPECT_EQ(readBytes(CopyPath(QStringLiteral("changed.cfg"))), QByteArray("old"));
    EXPECT_EQ(readCrLfLines(dest + QStringLiteral("/Kestrix.dat")).mid(1),
              QStringList({Record(a), Record(changed), Record(c)}));
    EXPECT_TRUE(engine.CopyIncomplete());
}

INSTANTIATE_TEST_SUITE_P(Changes, SourceChangeTest,
                         ::testing::Values(SourceChange::Removed, SourceChange::RenamedAway,
                                           SourceChange::ReplacedByAFifo,
                                           SourceChange::WrittenWhileRead,
                                           SourceChange::MissingFromTheList));

TEST_F(BackupRunTest, RestoreApplicationThatDoesNotFitEndsTheRun) {
    const QString a = Source(QStringLiteral("a.cfg"), Pattern(100));
    Tick({a});
    job.autoexec = true;
    FixFreeSpace(59999);

    engine.RunBackup(job);

    QStringList expected = Heading(QStringLiteral("Création de la sauvegarde"));
    expected << QStringLiteral(" * Ecriture de la date et de l'heure dans le fichier Dat")
             << QStringLiteral("   -> Création et écriture de \"Kestrix.dat\" effectuée")
             << QString()
             << QStringLiteral(" - Etape 1 sur 3 : Ecriture de l'application de restauration")
             << QStringLiteral(" * Espace disque disponible : 58 Ko")
             << QStringLiteral(
                    "   -> Pas assez d'espace libre (58 Ko) pour copier l'application "
                    "de restauration (59 Ko) !");
    EXPECT_EQ(BackupSection(), expected);
    EXPECT_EQ(ui.MessageTexts(),
              QStringList({QStringLiteral(
                  "Il n'y a pas assez d'espace libre disponible sur le lecteur de destination pour "
                  "copier l'application de restauration des fichiers. Redémarrez la sauvegarde sur "
                  "un lecteur ayant assez d'espace libre. La création de la sauvegarde va être "
                  "arrêtée.")}));
    EXPECT_EQ(ui.boxes[0].icon, MessageIcon::Error);
    EXPECT_EQ(QDir(dest).entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::Hidden),
              QStringList({QStringLiteral("Kestrix")}));
    EXPECT_FALSE(QFile::exists(CopyPath(QStringLiteral("a.cfg"))));
    EXPECT_EQ(readBytes(SavedReportPath()), reporter.Report().ToBytes());
    EXPECT_TRUE(engine.CopyIncomplete());
}

TEST_F(BackupRunTest, FileLargerThanFreeSpaceIsSkippedAndTheRunGoesOn) {
    const QString big = Source(QStringLiteral("big.cfg"), Pattern(70000));
    const QString equal = Source(QStringLiteral("equal.cfg"), Pattern(65000, 4));
    Tick({big, equal});
    FixFreeSpace(65000);

    engine.RunBackup(job);

    const QString freeText = QStringLiteral("63 Ko");
    QStringList expected = Heading(QStringLiteral("Création de la sauvegarde"));
    expected << RunStart(QStringLiteral("2"), freeText) << QString()
             << QStringLiteral(" * Traitement du fichier \"") + big + QLatin1Char('"')
             << QStringLiteral("    -> Modification des attributs...")
             << QStringLiteral("    -> Ouverture du fichier source...")
             << QStringLiteral("    -> Ouverture du fichier destination...")
             << QStringLiteral("    -> Espace disque disponible : 63 Ko")
             << QStringLiteral(
                    "        <!> Espace libre insuffisant pour copier le fichier (68 Ko) !")
             << QStringLiteral("    -> Fermeture des fichiers...")
             << QStringLiteral("    -> Ecriture des infos de configuration...")
             // A file exactly as large as the free space is copied.
             << CopiedFile(equal, freeText, true) << QString() << kNoError;
    EXPECT_EQ(BackupSection(), expected);
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].icon, MessageIcon::Warning);
    EXPECT_EQ(ui.boxes[0].text,
              QStringLiteral("Il n'y a plus assez d'espace libre disponible sur le lecteur de "
                             "destination pour copier le fichier \"") +
                  big +
                  QStringLiteral("\". Le programme va donc passer directement au fichier suivant "
                                 "sans se préoccuper de celui-ci."));
    EXPECT_FALSE(QFile::exists(CopyPath(QStringLiteral("big.cfg"))));
    EXPECT_EQ(QDir(dest + QStringLiteral("/Kestrix"))
                  .entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::Hidden),
              QStringList({QStringLiteral("equal.cfg")}));
    EXPECT_EQ(readBytes(CopyPath(QStringLiteral("equal.cfg"))), Pattern(65000, 4));
    EXPECT_EQ(readCrLfLines(dest + QStringLiteral("/Kestrix.dat")),
              QStringList({QStringLiteral("07/12/2026,11:15:45"), Record(equal)}));
    EXPECT_TRUE(QFile::exists(SavedReportPath()));
    EXPECT_FALSE(reporter.ErrorOccurred());
    EXPECT_TRUE(engine.CopyIncomplete());
    EXPECT_FALSE(engine.LastRunSucceeded());

    // A later complete run succeeds; the program still remembers the file left behind.
    Tick({equal});
    engine.RunBackup(job);
    EXPECT_TRUE(engine.LastRunSucceeded());
    EXPECT_TRUE(engine.CopyIncomplete());
}

TEST_F(BackupRunTest, FailedQueryShowsTheLargestThirtyTwoBitValue) {
    Tick({});
    FixFreeSpace(-1);
    engine.RunBackup(job);
    EXPECT_EQ(engine.LastFreeSpace(), 2147483647);
    EXPECT_TRUE(
        BackupSection().contains(QStringLiteral(" * Espace disque disponible : 1 Go (2047 Mo)")));
}

TEST_F(BackupRunTest, SkippedChecksMeasureNothingAndStillCopy) {
    const QString a = Source(QStringLiteral("a.cfg"), Pattern(5000));
    Tick({a});
    FixFreeSpace(kFreeBytes);
    reporter.SetSkipFreeSpaceCheck(true);

    engine.RunBackup(job);

    QStringList expected = Heading(QStringLiteral("Création de la sauvegarde"));
    expected << QStringLiteral(" * Ecriture de la date et de l'heure dans le fichier Dat")
             << QStringLiteral("   -> Création et écriture de \"Kestrix.dat\" effectuée")
             << QString()
             << QStringLiteral(" - Etape 1 sur 2 : Ecriture de l'application de restauration")
             << QStringLiteral(" * Copie du fichier \"Restore.exe\"...")
             << QStringLiteral("   -> 59 Ko copiés - Espace libre restant : ") << QString()
             << QStringLiteral(" - Etape 2 sur 2 : Copie des fichiers de la sauvegarde")
             << QString() << QStringLiteral(" * Traitement du fichier \"") + a + QLatin1Char('"')
             << QStringLiteral("    -> Modification des attributs...")
             << QStringLiteral("    -> Ouverture du fichier source...")
             << QStringLiteral("    -> Ouverture du fichier destination...")
             << QStringLiteral("    -> Lecture des données source...")
             << QStringLiteral("    -> Ecriture des données source...")
             << QStringLiteral("    -> Fermeture des fichiers...")
             << QStringLiteral("    -> Ecriture des infos de configuration...")
             << QStringLiteral("    <!> Copie du fichier réussie !") << QString() << kNoError;
    EXPECT_EQ(BackupSection(), expected);
    EXPECT_TRUE(queriedPaths.isEmpty());
    // LastFreeSpace was never measured (0), yet the file is copied: the user chose to ignore it.
    EXPECT_EQ(engine.LastFreeSpace(), 0);
    EXPECT_EQ(readBytes(CopyPath(QStringLiteral("a.cfg"))), Pattern(5000));
}

TEST_F(BackupRunTest, BlockLoopShowsAmountsAndProgressAndPumpsTwicePerBlock) {
    const QString a = Source(QStringLiteral("a.cfg"), Pattern(3000));
    const QString empty = Source(QStringLiteral("empty.cfg"), QByteArray());
    Tick({a, empty});
    job.trackBarPosition = 0;
    FixFreeSpace(kFreeBytes);

    engine.RunBackup(job);

    // Each change once: 2048 and 3000 bytes are both "3 Ko", and the empty pass changes nothing.
    EXPECT_EQ(progress.amountTexts,
              QStringList({QStringLiteral("3 Ko / 3 Ko"), QStringLiteral("1 Ko / 1 Ko")}));
    EXPECT_EQ(progress.positions, std::vector<int>({68, 100, 100}));
    EXPECT_EQ(progress.pumps, 8);
    EXPECT_EQ(readBytes(CopyPath(QStringLiteral("a.cfg"))), Pattern(3000));
    EXPECT_TRUE(QFile::exists(CopyPath(QStringLiteral("empty.cfg"))));
    EXPECT_EQ(readBytes(CopyPath(QStringLiteral("empty.cfg"))), QByteArray());
    EXPECT_EQ(readCrLfLines(dest + QStringLiteral("/Kestrix.dat")).size(), 3);
}

TEST_F(BackupRunTest, BlockSizeFollowsTheTrackBarWhileCopying) {
    // 4 blocks of 2 Ko, then the bar moves to 200 Ko: the rest goes in one block.
    const QByteArray bytes = Pattern(300000, 5);
    const QString a = Source(QStringLiteral("a.bin"), bytes);
    Tick({a});
    job.trackBarPosition = 0;
    progress.onPump = [this] {
        if (progress.pumps == 8) {
            job.trackBarPosition = 6;
        }
    };
    FixFreeSpace(kFreeBytes);

    engine.RunBackup(job);

    // 4 small blocks, then 2 large ones.
    EXPECT_EQ(progress.amountTexts,
              QStringList({QStringLiteral("3 Ko / 293 Ko"), QStringLiteral("5 Ko / 293 Ko"),
                           QStringLiteral("7 Ko / 293 Ko"), QStringLiteral("9 Ko / 293 Ko"),
                           QStringLiteral("209 Ko / 293 Ko"), QStringLiteral("293 Ko / 293 Ko")}));
    EXPECT_EQ(readBytes(CopyPath(QStringLiteral("a.bin"))), bytes);
}

TEST_F(BackupRunTest, CopiesAreExactForEveryShapeOfSizeAndBlock) {
    for (int position = 0; position <= 6; ++position) {
        static const int kBlocks[] = {2048, 5120, 10240, 20480, 51200, 102400, 204800};
        const int block = kBlocks[position];
        // The last size takes four pieces: each of the two buffers is read into again while
        // the other is written.
        const std::vector<qint64> sizes = {0,         1,         block - 1,     block,
                                           block + 1, 3 * block, 3 * block + 7, 1048576 + 3,
                                           3 * 1048576 + 5};
        job.trackBarPosition = position;
        QStringList paths;
        for (std::size_t i = 0; i < sizes.size(); ++i) {
            paths << Source(QStringLiteral("f%1_%2").arg(position).arg(i),
                            Pattern(sizes[i], position * 10 + static_cast<int>(i)));
        }
        Tick(paths);
        FixFreeSpace(kFreeBytes);
        engine.RunBackup(job);
        for (std::size_t i = 0; i < sizes.size(); ++i) {
            EXPECT_EQ(readBytes(CopyPath(QStringLiteral("f%1_%2").arg(position).arg(i))),
                      Pattern(sizes[i], position * 10 + static_cast<int>(i)))
                << "position " << position << " size " << sizes[i];
        }
    }
}

TEST_F(BackupRunTest, CopiesKeepTheirSourcePermissionBitsAndSourcesStayUnchanged) {
    const QString secret = Source(QStringLiteral("shadow"), Pattern(100));
    const QString script = Source(QStringLiteral("run.sh"), Pattern(100, 2));
    ::chmod(QFile::encodeName(secret).constData(), 0640);
    ::chmod(QFile::encodeName(script).constData(), 0755);
    // An older, world-readable copy is replaced, not reused with its wider mode.
    writeBytes(CopyPath(QStringLiteral("shadow")), "old");
    ::chmod(QFile::encodeName(CopyPath(QStringLiteral("shadow"))).constData(), 0666);
    Tick({secret, script});
    FixFreeSpace(kFreeBytes);

    engine.RunBackup(job);

    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(CopyPath(QStringLiteral("shadow"))).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    ASSERT_EQ(::stat(QFile::encodeName(CopyPath(QStringLiteral("run.sh"))).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0755u);
    ASSERT_EQ(::stat(QFile::encodeName(secret).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(readBytes(CopyPath(QStringLiteral("shadow"))), Pattern(100));
    EXPECT_EQ(readBytes(secret), Pattern(100));
}

TEST_F(BackupRunTest, SymbolicLinksAtDestinationPathsAreReplacedNotFollowed) {
    const QString a = Source(QStringLiteral("a.cfg"), Pattern(100));
    const QString victim = folder.file(QStringLiteral("victim"));
    writeBytes(victim, "precious");
    for (const QString& name : {QStringLiteral("Kestrix.dat"), QStringLiteral("Restore.exe"),
                                QStringLiteral("Autoexec.bat"), QStringLiteral("Kestrix/a.cfg")}) {
        ASSERT_TRUE(QFile::link(victim, dest + QLatin1Char('/') + name));
    }
    Tick({a});
    job.autoexec = true;
    FixFreeSpace(kFreeBytes);

    engine.RunBackup(job);

    EXPECT_EQ(readBytes(victim), QByteArray("precious"));
    for (const QString& name : {QStringLiteral("Kestrix.dat"), QStringLiteral("Restore.exe"),
                                QStringLiteral("Autoexec.bat"), QStringLiteral("Kestrix/a.cfg")}) {
        EXPECT_FALSE(QFileInfo(dest + QLatin1Char('/') + name).isSymLink()) << name.toStdString();
    }
    EXPECT_EQ(readBytes(CopyPath(QStringLiteral("a.cfg"))), Pattern(100));
    EXPECT_EQ(readBytes(dest + QStringLiteral("/Autoexec.bat")), QByteArray("Restore.exe\r\n"));
    EXPECT_EQ(readBytes(dest + QStringLiteral("/Restore.exe")), RestoreBytes());
    EXPECT_EQ(BackupSection().last(), kNoError);
}

TEST_F(BackupRunTest, ReadOnlyBitIsRemovedOnlyWhenTheFileIsReadOnlyForTheUser) {
    const QString mine = Source(QStringLiteral("mine.cfg"), Pattern(100));
    ::chmod(QFile::encodeName(mine).constData(), 0444);
    const bool root = ::geteuid() == 0;
    Tick({mine});
    FixFreeSpace(kFreeBytes);

    engine.RunBackup(job);

    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(mine).constData(), &st), 0);
    // Root may write any file: it is not read-only for root, and its mode stays as it was.
    EXPECT_EQ(st.st_mode & 07777, root ? 0444u : 0644u);
    EXPECT_EQ(readBytes(mine), Pattern(100));
    EXPECT_EQ(readBytes(CopyPath(QStringLiteral("mine.cfg"))), Pattern(100));
}

// The list one/hosts, then two/<name>: two sources of one name, made.
std::pair<QString, QString> BackupRunTest::ListTwoOfOneName(const QString& name) {
    QDir().mkpath(folder.file(QStringLiteral("src/one")));
    QDir().mkpath(folder.file(QStringLiteral("src/two")));
    const QString first = Source(QStringLiteral("one/hosts"), Pattern(100, 1));
    const QString second = Source(QStringLiteral("two/") + name, Pattern(200, 2));
    writeBytes(folder.file(QStringLiteral("Data/Kestrix.dat")),
               QFile::encodeName(first) + "\r\n" + QFile::encodeName(second) + "\r\n");
    FixFreeSpace(kFreeBytes);
    return {first, second};
}

// Two sources of one name (in any case): the later one gets a copy name of its own, which it
// keeps from run to run and which is carried over while it is missing.
TEST_F(BackupRunTest, SameNameTwiceGivesTheLaterSourceACopyOfItsOwnKeptFromRunToRun) {
    const auto [first, second] = ListTwoOfOneName(QStringLiteral("HOSTS"));
    const QByteArray names = "copie\tchemin\nKestrix/HOSTS~2\t" + QFile::encodeName(second) + "\n";
    const QStringList records = {Record(first), Record(second)};

    Load();
    engine.RunBackup(job);
    EXPECT_EQ(readBytes(CopyPath(QStringLiteral("hosts"))), Pattern(100, 1));
    EXPECT_EQ(readBytes(CopyPath(QStringLiteral("HOSTS~2"))), Pattern(200, 2));
    EXPECT_FALSE(QFile::exists(CopyPath(QStringLiteral("HOSTS"))));
    EXPECT_EQ(readCrLfLines(dest + QStringLiteral("/Kestrix.dat")),
              QStringList({QStringLiteral("07/12/2026,11:15:45")}) + records);
    ASSERT_EQ(readBytes(dest + QStringLiteral("/Kestrix.noms")), names);
    EXPECT_EQ(BackupSection().filter(QStringLiteral(" * Traitement du fichier")).size(), 2);
    EXPECT_FALSE(engine.CopyIncomplete());
    // Run again: the name that stands is the file's own, not one to avoid.
    writeBytes(second, Pattern(250, 3));
    Load();
    engine.RunBackup(job);
    EXPECT_EQ(readBytes(dest + QStringLiteral("/Kestrix.noms")), names);
    EXPECT_EQ(readBytes(CopyPath(QStringLiteral("HOSTS~2"))), Pattern(250, 3));
    EXPECT_FALSE(QFile::exists(CopyPath(QStringLiteral("HOSTS~3"))));
    // Missing since: its copy, record and line of Kestrix.noms are carried over.
    QFile::remove(second);
    Load();
    engine.RunBackup(job);
    EXPECT_EQ(readBytes(dest + QStringLiteral("/Kestrix.noms")), names);
    EXPECT_EQ(readBytes(CopyPath(QStringLiteral("HOSTS~2"))), Pattern(250, 3));
    EXPECT_EQ(readCrLfLines(dest + QStringLiteral("/Kestrix.dat")).mid(1), records);
    EXPECT_TRUE(engine.CopyIncomplete());
    // Once no copy needs a name of its own, the backup is laid out as it always was.
    Tick({first});
    engine.RunBackup(job);
    EXPECT_FALSE(QFile::exists(dest + QStringLiteral("/Kestrix.noms")));
    EXPECT_FALSE(QFile::exists(CopyPath(QStringLiteral("HOSTS~2"))));
}

TEST_F(BackupRunTest, TheSameFileAsSourceAndCopyKeepsItsBytes) {
    // A list entry that names a copy of an earlier backup: the copy is written fresh, the bytes
    // read from the old one.
    writeBytes(CopyPath(QStringLiteral("self.cfg")), Pattern(9000));
    Tick({CopyPath(QStringLiteral("self.cfg"))});
    FixFreeSpace(kFreeBytes);

    engine.RunBackup(job);

    EXPECT_EQ(readBytes(CopyPath(QStringLiteral("self.cfg"))), Pattern(9000));
}
