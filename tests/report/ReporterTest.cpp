#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <cerrno>

#include "FileBytes.h"
#include "RecordingUi.h"
#include "TempProgramFolder.h"
#include "platform/Failure.h"
#include "report/Reporter.h"

namespace {

const QDateTime kMonday(QDate(2026, 12, 7), QTime(11, 23, 8));
const QString kReportName = QStringLiteral("./Rapports/Rapport 01 - Lundi 07 Décembre 2026.txt");

struct ReporterTest : ::testing::Test {
    TempProgramFolder folder;
    RecordingUi ui;
    Reporter reporter{ui};

    void SetUp() override {
        reporter.SetClock([] { return kMonday; });
        reporter.StartReport();
        reporter.SetReportNumber(1);
    }

    QStringList lines() const { return reporter.Report().Lines(); }
    QStringList tail(int n) const { return lines().mid(lines().size() - n); }
};

TEST_F(ReporterTest, HeaderUsesTheLocaleDateAndTime) {
    const QStringList expected = {
        QString(), QStringLiteral("      Rapport Kestrix 1.1 - Créé le 07/12/2026 à 11:23:08     "),
        QStringLiteral("      ===================================================     ")};
    EXPECT_EQ(lines(), expected);
}

TEST_F(ReporterTest, NumberTextHasALeadingZeroBelowTen) {
    EXPECT_EQ(Reporter::NumberText(1), QStringLiteral("01"));
    EXPECT_EQ(Reporter::NumberText(9), QStringLiteral("09"));
    EXPECT_EQ(Reporter::NumberText(10), QStringLiteral("10"));
    EXPECT_EQ(Reporter::NumberText(100), QStringLiteral("100"));
    EXPECT_EQ(Reporter::NumberText(0), QStringLiteral("00"));
}

TEST_F(ReporterTest, SaveWritesTheNumberedDatedFileInCp1252WithCrLf) {
    reporter.Append(QStringLiteral("é"));
    reporter.SaveReport();
    EXPECT_EQ(reporter.ReportFileName(), kReportName);
    const QByteArray expected =
        "\r\n      Rapport Kestrix 1.1 - Cr\xE9\xE9 le 07/12/2026 \xE0 11:23:08     \r\n"
        "      ===================================================     \r\n\xE9\r\n";
    EXPECT_EQ(readBytes(kReportName), expected);

    // A second save under the same number replaces the file with the longer report.
    reporter.Append(QStringLiteral("suite"));
    reporter.SaveReport();
    EXPECT_EQ(readBytes(kReportName), expected + "suite\r\n");
    EXPECT_TRUE(ui.boxes.empty());
}

TEST_F(ReporterTest, SavesAfterMidnightGiveTwoFiles) {
    reporter.SaveReport();
    reporter.SetClock([] { return QDateTime(QDate(2026, 12, 8), QTime(0, 0, 1)); });
    reporter.SaveReport();
    EXPECT_TRUE(QFile::exists(kReportName));
    EXPECT_TRUE(
        QFile::exists(QStringLiteral("./Rapports/Rapport 01 - Mardi 08 Décembre 2026.txt")));
}

TEST_F(ReporterTest, SaveFailureShowsItsMessageAndTouchesNothingElse) {
    ASSERT_TRUE(QDir(QStringLiteral("Rapports")).removeRecursively());
    const int before = lines().size();
    reporter.SaveReport();
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].icon, MessageIcon::Error);
    EXPECT_EQ(ui.boxes[0].buttons, MessageButtons::Ok);
    EXPECT_EQ(ui.boxes[0].text,
              QStringLiteral("Impossible de sauvegarder le rapport vers le fichier \"") +
                  kReportName + QStringLiteral("\" !"));
    EXPECT_EQ(lines().size(), before);
    EXPECT_FALSE(reporter.ErrorOccurred());
    EXPECT_FALSE(reporter.ErrorReported());
    EXPECT_FALSE(QFile::exists(Reporter::kImportantReport));
    EXPECT_EQ(reporter.ReportFileName(), kReportName);
}

TEST_F(ReporterTest, RestartStartsTheNextReportWithTheNotice) {
    reporter.Append(QStringLiteral("ancienne ligne"));
    reporter.RestartReport();
    EXPECT_EQ(reporter.ReportNumber(), 2);
    EXPECT_EQ(reporter.ReportNumberText(), QStringLiteral("02"));
    const QStringList expected = {
        QString(),
        QStringLiteral("      Rapport Kestrix 1.1 - Créé le 07/12/2026 à 11:23:08     "),
        QStringLiteral("      ===================================================     "),
        QString(),
        QString(62, QLatin1Char('~')),
        QString(),
        QStringLiteral(" Ce rapport a été créé après qu'une sauvegarde ait été faite, "),
        QStringLiteral("  car vous avez cliqué sur le bouton \"Précédent\" à la fin de  "),
        QStringLiteral("  celle-ci afin d'en recommencer une autre. Les informations  "),
        QStringLiteral(" concernant la lecture du fichier Ini et des paramètres de la "),
        QStringLiteral("       ligne de commande ne seront donc pas enregistrés.      ")};
    EXPECT_EQ(lines(), expected);
    for (int i = 6; i < expected.size(); ++i) {
        EXPECT_EQ(expected[i].size(), 62) << i;
    }
}

TEST_F(ReporterTest, StageProtocolClosesOnlyCleanStages) {
    reporter.BeginStage(QStringLiteral("Création de la sauvegarde"));
    reporter.EndStage();
    EXPECT_EQ(
        tail(2),
        (QStringList{QString(), QStringLiteral("  <i> Aucune erreur ne semble s'être produite.")}));

    reporter.BeginStage(QStringLiteral("Création de la sauvegarde"));
    reporter.ReportError(ErrorCode::SaveDat);
    reporter.EndStage();
    EXPECT_TRUE(tail(1)[0].startsWith(QStringLiteral("  -> Message : ")));

    // The next stage clears the flag again.
    reporter.BeginStage(QStringLiteral("Ecriture des paramètres vers le fichier Ini"));
    EXPECT_FALSE(reporter.ErrorOccurred());
    EXPECT_TRUE(reporter.ErrorReported());
}

struct CodeCase {
    const char16_t* name;
    ErrorCode code;
    ErrorOutcome outcome;  // for "GetFreeSpace", answered "Oui"
    MessageButtons buttons;
    const char16_t* box;
    const char16_t* errorLine;  // after "  <!> ", with %1 for LastErrorText
    const char16_t* message;
};

const CodeCase kCases[] = {
    {u"FichierIni", ErrorCode::FichierIni, ErrorOutcome::GoOn, MessageButtons::Ok,
     u"Impossible de travailler sur le fichier Kestrix.ini !", u"Erreur : %1",
     u"Impossible de travailler sur le fichier Kestrix.ini !"},
    {u"NoFichierIni", ErrorCode::NoFichierIni, ErrorOutcome::GoOn, MessageButtons::Ok,
     u"Le fichier \"Kestrix.ini\" n'a pas été trouvé dans le répertoire Data du logiciel !",
     u"Erreur : le fichier \"Kestrix.ini\" n'existe pas.",
     u"Le fichier Kestrix.ini n'a pas été trouvé dans le répertoire du logiciel !"},
    {u"Répertoire", ErrorCode::Repertoire, ErrorOutcome::GoOn, MessageButtons::Ok,
     u"Impossible de créer le répertoire spécifié. Vérifiez que le chemin indiqué soit valide.",
     u"Erreur : %1",
     u"Impossible de créer le répertoire spécifié. Vérifiez que le chemin indiqué soit valide."},
    {u"DressList", ErrorCode::DressList, ErrorOutcome::EndProgram, MessageButtons::Ok,
     u"Kestrix n'a pas pu établir la liste des fichiers à sauvegarder depuis le fichier "
     u"Kestrix.dat. "
     u"Le programme ne peut pas continuer et va donc se terminer.",
     u"Erreur fatale : %1",
     u"Kestrix n'a pas pu établir la liste des fichiers à sauvegarder depuis le fichier "
     u"Kestrix.dat. "
     u"Le programme ne peut pas continuer et va donc se terminer."},
    {u"SaveDat", ErrorCode::SaveDat, ErrorOutcome::GoOn, MessageButtons::Ok,
     u"Impossible de travailler sur le fichier Kestrix.dat !", u"Erreur : %1",
     u"Impossible de travailler sur le fichier Kestrix.dat !"},
    {u"GetFreeSpace", ErrorCode::GetFreeSpace, ErrorOutcome::SkipFreeSpaceChecks,
     MessageButtons::YesNo,
     u"Une erreur s'est produite alors que le logiciel tentait d'obtenir l'espace disque "
     u"disponible "
     u"! Voulez-vous ignorer cette opération à l'avenir ?",
     u"Erreur : %1",
     u"Une erreur s'est produite alors que le logiciel tentait d'obtenir l'espace disque "
     u"disponible !"},
    {u"CopyFile", ErrorCode::CopyFile, ErrorOutcome::EndProgram, MessageButtons::Ok,
     u"Impossible de copier l'application de restauration des fichiers ! L'application ne peut pas "
     u"continuer et va donc se terminer.",
     u"Erreur fatale : %1",
     u"Impossible de copier l'application de restauration des fichiers ! L'application ne peut pas "
     u"continuer et va donc se terminer."},
    {u"FileError", ErrorCode::FileError, ErrorOutcome::RunShutdownStage, MessageButtons::Ok,
     u"Une erreur est survenue lors de la copie du fichier \"/etc/fstab\". Vérifiez que le disque "
     u"de "
     u"destination ne soit pas protégé en écriture. Kestrix termine la tâche en cours, puis va "
     u"continuer avec le fichier suivant.",
     u"Erreur : %1",
     u"Une erreur est survenue lors de la copie du fichier \"/etc/fstab\". Vérifiez que le disque "
     u"de "
     u"destination ne soit pas protégé en écriture. Kestrix termine la tâche en cours, puis va "
     u"continuer avec le fichier suivant."},
    {u"SaveAutoexec", ErrorCode::SaveAutoexec, ErrorOutcome::GoOn, MessageButtons::Ok,
     u"Impossible d'écrire le fichier Autoexec.bat. Vérifiez que le disque de destination ne soit "
     u"pas "
     u"plein ou protégé en écriture.",
     u"Erreur : %1",
     u"Impossible d'écrire le fichier Autoexec.bat. Vérifiez que le disque de destination ne soit "
     u"pas "
     u"plein ou protégé en écriture."},
    {u"WriteIni", ErrorCode::WriteIni, ErrorOutcome::GoOn, MessageButtons::Ok,
     u"Impossible d'écrire la configuration des paramètres dans le fichier Kestrix.ini ! Vérifiez "
     u"que "
     u"le disque ne soit pas plein ou protégé en écriture et rééssayez.",
     u"Erreur : %1",
     u"Impossible d'écrire la configuration des paramètres dans le fichier Kestrix.ini ! Vérifiez "
     u"que "
     u"le disque ne soit pas plein ou protégé en écriture et rééssayez."},
};

TEST_F(ReporterTest, EveryCodeShowsItsBoxWritesItsLinesAndTheImportantReport) {
    reporter.SetCurrentSourcePath(QStringLiteral("/etc/fstab"));
    for (const CodeCase& c : kCases) {
        SCOPED_TRACE(QString::fromUtf16(c.name).toStdString());
        ui.boxes.clear();
        reporter.ClearErrorOccurred();
        errno = ENOENT;
        EXPECT_EQ(reporter.ReportError(c.code), c.outcome);

        // What follows is the caller's to carry out: the report neither ends nor closes anything.
        EXPECT_EQ(ui.endRequests + ui.shutdownStages, 0);
        EXPECT_FALSE(reporter.SkipFreeSpaceCheck());
        EXPECT_TRUE(reporter.ErrorOccurred());
        ASSERT_EQ(ui.boxes.size(), 1u);
        EXPECT_EQ(ui.boxes[0].icon, MessageIcon::Error);
        EXPECT_EQ(ui.boxes[0].buttons, c.buttons);
        EXPECT_EQ(ui.boxes[0].text, QString::fromUtf16(c.box));
        EXPECT_EQ(reporter.LastErrorText(), QStringLiteral("Code 0 - No such file or directory"));
        const QStringList expected = {
            QStringLiteral("  <!> ") + QString::fromUtf16(c.errorLine)
                                           .replace(QStringLiteral("%1"), reporter.LastErrorText()),
            QStringLiteral("  -> Message : \"") + QString::fromUtf16(c.message) + QLatin1Char('"')};
        EXPECT_EQ(tail(2), expected);
        EXPECT_EQ(readBytes(Reporter::kImportantReport), reporter.Report().ToBytes());
    }
}

TEST_F(ReporterTest, FreeSpaceQuestionAnsweredNoKeepsTheChecks) {
    ui.answers = {MessageAnswer::No};
    EXPECT_EQ(reporter.ReportError(ErrorCode::GetFreeSpace), ErrorOutcome::GoOn);
    EXPECT_EQ(ui.boxes.size(), 1u);
}

TEST_F(ReporterTest, LastErrorTextQuotesTheFailureBeingHandled) {
    int line = 0;
    try {
        errno = EACCES;
        line = __LINE__ + 1;
        KESTRIX_FAIL("refused");
    } catch (const Failure&) {
        errno = 0;  // the failure's own errno is quoted, not what came after
        reporter.ReportError(ErrorCode::SaveDat);
    }
    EXPECT_EQ(reporter.LastErrorText(), QStringLiteral("Code ") +
                                            QString::number(FailureLocation(__FILE__, line)) +
                                            QStringLiteral(" - Permission denied"));
    EXPECT_EQ(FailureLocation("a/b/Reporter.cpp", 12), FailureLocation("c/Reporter.cpp", 12));
    EXPECT_NE(FailureLocation("Reporter.cpp", 12), FailureLocation("Reporter.cpp", 13));
    EXPECT_GT(FailureLocation("Reporter.cpp", 12), 0);
}

TEST_F(ReporterTest, ApplicationExceptionRecordsAndEndsWithoutAMessage) {
    try {
        throw std::logic_error("bug");
    } catch (...) {
        errno = 0;
        reporter.ApplicationException();
    }
    EXPECT_TRUE(ui.boxes.empty());
    EXPECT_EQ(ui.endRequests, 1);
    EXPECT_TRUE(reporter.ErrorOccurred());
    const QStringList expected = {
        QString(), QStringLiteral("  <!> Une erreur inconnue s'est produite !"),
        QStringLiteral("  <!> Code 0 - Success"),
        QStringLiteral("  Il s'agit certainement d'un bug dans le programme !"),
        QStringLiteral("  Pour m'aider à le résoudre, envoyez-moi ce rapport à une des adresses "
                       "indiquées dans le fichier Kestrix.txt !")};
    EXPECT_EQ(tail(5), expected);
    EXPECT_EQ(readBytes(Reporter::kImportantReport), reporter.Report().ToBytes());
    EXPECT_FALSE(QFile::exists(kReportName));
}

TEST_F(ReporterTest, UnwritableImportantReportNeitherLoopsNorStopsTheRun) {
    // A directory in its place cannot be opened for writing, not even by root.
    ASSERT_TRUE(QDir().mkdir(QStringLiteral("Rapport Important.txt")));
    reporter.ReportError(ErrorCode::SaveDat);
    EXPECT_EQ(reporter.ReportError(ErrorCode::DressList), ErrorOutcome::EndProgram);
    EXPECT_EQ(ui.boxes.size(), 2u);
    EXPECT_TRUE(QFileInfo(QStringLiteral("Rapport Important.txt")).isDir());
    EXPECT_TRUE(tail(1)[0].startsWith(QStringLiteral("  -> Message : \"Kestrix n'a pas pu")));
}

}  // namespace
