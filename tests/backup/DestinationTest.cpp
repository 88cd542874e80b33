#include <QDir>
#include <QFile>

#include "BackupFixture.h"
#include "FileBytes.h"
#include "platform/Directories.h"
#include "platform/Failure.h"

namespace {

const QString kTitle = QStringLiteral("Préparation du répertoire de destination");
const QString kBoxText = QStringLiteral(
    "Impossible de créer le répertoire spécifié. Vérifiez que le chemin indiqué soit valide.");

}  // namespace

TEST(DirectoriesJoin, OneSeparatorBetween) {
    EXPECT_EQ(Directories::Join("/", "Kestrix"), QStringLiteral("/Kestrix"));
    EXPECT_EQ(Directories::Join("/var/Save", "Kestrix"), QStringLiteral("/var/Save/Kestrix"));
    EXPECT_EQ(Directories::Join("Save", "Kestrix"), QStringLiteral("Save/Kestrix"));
}

using PrepareDestinationTest = BackupFixture;

TEST_F(PrepareDestinationTest, BothDirectoriesPresent) {
    Prepare();
    QStringList expected = Heading(kTitle);
    expected << QStringLiteral(" <i> Vérification du répertoire indiqué...")
             << QStringLiteral("     -> Répertoire correct !") << QString()
             << QStringLiteral(" <i> Vérification du sous-répertoire \"Kestrix\" existant...")
             << QStringLiteral("     -> Sous-répertoire correct !") << QString() << kNoError;
    EXPECT_EQ(Section(kTitle), expected);
    EXPECT_EQ(job.destination, dest);
}

TEST_F(PrepareDestinationTest, MissingLevelsAreCreatedFromTheTop) {
    job.destination = folder.file(QStringLiteral("A/B/C"));
    Prepare();
    QStringList expected = Heading(kTitle);
    expected << QStringLiteral(" <i> Le répertoire indiqué n'existe pas, il va donc être créé.")
             << QStringLiteral("     -> Création du répertoire effectuée") << QString()
             << QStringLiteral(
                    " <i> Le sous-répertoire \"Kestrix\" n'existe pas, il va donc être créé.")
             << QStringLiteral("     -> Création du sous-répertoire effectuée") << QString()
             << kNoError;
    EXPECT_EQ(Section(kTitle), expected);
    EXPECT_TRUE(QDir(folder.file(QStringLiteral("A/B/C/Kestrix"))).exists());
}

TEST_F(PrepareDestinationTest, RelativeDestinationWithTrailingSeparatorIsShortened) {
    job.destination = QStringLiteral("Rel/");
    Prepare();
    EXPECT_EQ(job.destination, QStringLiteral("Rel"));
    const QStringList section = Section(kTitle);
    ASSERT_GE(section.size(), 7);
    EXPECT_EQ(section[6], QStringLiteral(" * Répertoire sélectionné : Rel"));
    EXPECT_TRUE(QDir(folder.file(QStringLiteral("Rel/Kestrix"))).exists());
    EXPECT_EQ(section.last(), kNoError);
}

TEST_F(PrepareDestinationTest, TwoSeparatorsStayAsWritten) {
    job.destination = dest + QLatin1Char('/');
    Prepare();
    EXPECT_EQ(job.destination, dest + QLatin1Char('/'));
    EXPECT_EQ(Section(kTitle)[6], QStringLiteral(" <i> Vérification du répertoire indiqué..."));
}

TEST_F(PrepareDestinationTest, EmptyDestinationReportsRepertoire) {
    job.destination.clear();
    Prepare();
    QStringList expected = Heading(kTitle);
    expected << QStringLiteral(" * Répertoire sélectionné : ")
             << QStringLiteral(" <i> Le répertoire indiqué n'existe pas, il va donc être créé.")
             << QStringLiteral("  <!> Erreur : ") + reporter.LastErrorText()
             << QStringLiteral("  -> Message : \"") + kBoxText + QLatin1Char('"');
    EXPECT_EQ(Section(kTitle), expected);
    EXPECT_EQ(ui.MessageTexts(), QStringList({kBoxText}));
    EXPECT_EQ(ui.endRequests, 0);
    EXPECT_FALSE(QDir(QStringLiteral("/Kestrix")).exists() &&
                 !QFileInfo(QStringLiteral("/Kestrix")).isDir());
}

TEST_F(PrepareDestinationTest, FileInTheWayReportsRepertoireAndKeepsTheFile) {
    writeBytes(folder.file(QStringLiteral("A")), "file");
    job.destination = folder.file(QStringLiteral("A/B"));
    Prepare();
    const QStringList section = Section(kTitle);
    ASSERT_EQ(section.size(), 9);
    EXPECT_EQ(section[6],
              QStringLiteral(" <i> Le répertoire indiqué n'existe pas, il va donc être créé."));
    EXPECT_EQ(section[8], QStringLiteral("  -> Message : \"") + kBoxText + QLatin1Char('"'));
    EXPECT_EQ(readBytes(folder.file(QStringLiteral("A"))), QByteArray("file"));
}

TEST_F(PrepareDestinationTest, SubdirectoryBlockedByAFileReportsRepertoire) {
    QDir(dest).rmdir(QStringLiteral("Kestrix"));
    writeBytes(dest + QStringLiteral("/Kestrix"), "file");
    Prepare();
    QStringList expected = Heading(kTitle);
    expected << QStringLiteral(" <i> Vérification du répertoire indiqué...")
             << QStringLiteral("     -> Répertoire correct !") << QString()
             << QStringLiteral(
                    " <i> Le sous-répertoire \"Kestrix\" n'existe pas, il va donc être créé.")
             << QStringLiteral("  <!> Erreur : ") + reporter.LastErrorText()
             << QStringLiteral("  -> Message : \"") + kBoxText + QLatin1Char('"');
    EXPECT_EQ(Section(kTitle), expected);
    EXPECT_TRUE(reporter.LastErrorText().startsWith(QStringLiteral("Code ")));
}

TEST(DirectoriesCreate, ShortPathsAreReallyCreated) {
    QTemporaryDir temp;
    QDir::setCurrent(temp.path());
    Directories::CreateWithParents(QStringLiteral("a"));
    EXPECT_TRUE(QDir(temp.filePath(QStringLiteral("a"))).exists());
    Directories::CreateWithParents(QStringLiteral("b/"));
    EXPECT_TRUE(QDir(temp.filePath(QStringLiteral("b"))).exists());
    Directories::CreateWithParents(QStringLiteral("/"));
    EXPECT_THROW(Directories::CreateWithParents(QString()), Failure);
}
