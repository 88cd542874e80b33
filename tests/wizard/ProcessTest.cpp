// The built program run as a process without a display, from a copy of its program folder.

#include <gtest/gtest.h>

#include <QDir>
#include <QProcess>
#include <QProcessEnvironment>

#include "FileBytes.h"
#include "TempProgramFolder.h"
#include "WizardFixture.h"

#ifndef KESTRIX_PROGRAM_DIR
#error "KESTRIX_PROGRAM_DIR is needed"
#endif

namespace {

QString L(const char* text) {
    return QString::fromUtf8(text);
}

struct ProcessRun {
    int status = -1;
    QString errors;
};

class ProcessTest : public ::testing::Test {
protected:
    void SetUp() override {
        writeBytes(folder.file(QStringLiteral("Data/Kestrix.res")), "RESTORE");
        QDir(folder.path()).mkpath(QStringLiteral("src"));
        writeBytes(folder.file(QStringLiteral("src/a.txt")), "alpha\n");
        writeBytes(folder.file(QStringLiteral("Data/Kestrix.dat")),
                   (folder.file(QStringLiteral("src/a.txt")) + QStringLiteral("\r\n")).toUtf8());
    }

    ProcessRun Kestrix(const QStringList& arguments) {
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
            environment.remove(QLatin1String(name));
        }
        process.setProcessEnvironment(environment);
        process.setWorkingDirectory(folder.path());
        process.start(folder.file(QStringLiteral("kestrix")), arguments);
        EXPECT_TRUE(process.waitForFinished(60000));
        EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
        return {process.exitCode(), QString::fromLocal8Bit(process.readAllStandardError())};
    }

    QStringList Report(const char* number) {
        const QDir reports(folder.file(QStringLiteral("Rapports")));
        const QStringList names =
            reports.entryList({QStringLiteral("Rapport ") + QLatin1String(number) + " - *.txt"});
        EXPECT_EQ(names.size(), 1) << number;
        return names.isEmpty() ? QStringList() : readCrLfLines(reports.filePath(names.first()));
    }

    TempProgramFolder folder{TempProgramFolder::Contents::Shipped};
    QString dest = folder.file(QStringLiteral("Sauvegardes/Lundi"));
};

}  // namespace

TEST_F(ProcessTest, AnUnattendedBackupWithoutADisplayExitsWithZero) {
    ASSERT_TRUE(QFile::exists(folder.file(QStringLiteral("kestrix"))));
    const ProcessRun run =
        Kestrix({QStringLiteral("/rep"), dest, QStringLiteral("/bat"), QStringLiteral("/auto")});
    EXPECT_EQ(run.status, 0) << run.errors.toStdString();
    EXPECT_FALSE(run.errors.contains(QStringLiteral("Erreur"))) << run.errors.toStdString();
    EXPECT_EQ(readBytes(dest + QStringLiteral("/Kestrix/a.txt")), QByteArray("alpha\n"));
    EXPECT_EQ(readBytes(dest + QStringLiteral("/Restore.exe")), QByteArray("RESTORE"));
    EXPECT_EQ(readBytes(dest + QStringLiteral("/Autoexec.bat")), QByteArray("Restore.exe\r\n"));
    const QStringList report = Report("01");
    EXPECT_TRUE(report.contains(L(" * Répertoire destination   : ") + dest));
    EXPECT_TRUE(report.contains(L(" * Sauvegarde automatique  : Oui")));
    EXPECT_EQ(report.last(), L("  <!> Aucune erreur ne semble s'être produite."));
    const QStringList ini = readCrLfLines(folder.file(QStringLiteral("Data/Kestrix.ini")));
    EXPECT_TRUE(ini.contains(QStringLiteral("Chemin=") + dest));
    EXPECT_TRUE(ini.contains(QStringLiteral("CurrentRapportNo=01")));
    EXPECT_FALSE(QFile::exists(folder.file(QStringLiteral("Rapport Important.txt"))));

    // The next run gets the next number.
    EXPECT_EQ(Kestrix({QStringLiteral("/AUTO")}).status, 0);
    EXPECT_EQ(Report("02").count(L(" # Création de la sauvegarde")), 1);
}

TEST_F(ProcessTest, ABoxNobodyCanSeeTakesItsDefaultAndGoesToStderrThenExitOne) {
    QFile::remove(folder.file(QStringLiteral("Data/Kestrix.dat")));
    ASSERT_TRUE(QDir().mkpath(folder.file(QStringLiteral("Data/Kestrix.dat"))));
    const ProcessRun run = Kestrix({QStringLiteral("/rep"), dest, QStringLiteral("/auto")});
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(run.errors.contains(
        L("Erreur : Kestrix n'a pas pu établir la liste des fichiers à sauvegarder depuis le "
          "fichier Kestrix.dat. Le programme ne peut pas continuer et va donc se terminer.")))
        << run.errors.toStdString();
    // The unattended sequence ran to its end all the same.
    const QStringList report = Report("01");
    EXPECT_TRUE(report.contains(L(" # Création de la sauvegarde")));
    EXPECT_TRUE(report.contains(L(" # Ecriture des paramètres vers le fichier Ini")));
    EXPECT_EQ(readBytes(dest + QStringLiteral("/Restore.exe")), QByteArray("RESTORE"));
    EXPECT_TRUE(QFile::exists(folder.file(QStringLiteral("Rapport Important.txt"))));
}

TEST_F(ProcessTest, AFileNotCopiedExitsWithOne) {
    writeBytes(folder.file(QStringLiteral("Data/Kestrix.dat")),
               (folder.file(QStringLiteral("src/a.txt")) + QStringLiteral("\r\n")).toUtf8());
    // A folder stands where the copy goes: the copy cannot be written ("FileError").
    QDir().mkpath(dest + QStringLiteral("/Kestrix/a.txt"));
    const ProcessRun run = Kestrix({QStringLiteral("/rep"), dest, QStringLiteral("/auto")});
    EXPECT_EQ(run.status, 1) << run.errors.toStdString();
    EXPECT_TRUE(run.errors.contains(L("Une erreur est survenue lors de la copie du fichier")))
        << run.errors.toStdString();
}

TEST_F(ProcessTest, WithoutADisplayAndWithoutAutoNothingStartsAndExitTwo) {
    const ProcessRun run = Kestrix({QStringLiteral("/rep"), dest});
    EXPECT_EQ(run.status, 2);
    EXPECT_TRUE(run.errors.contains(QStringLiteral("Kestrix"))) << run.errors.toStdString();
    EXPECT_FALSE(QDir(dest).exists());
    EXPECT_TRUE(QDir(folder.file(QStringLiteral("Rapports"))).isEmpty());
}
