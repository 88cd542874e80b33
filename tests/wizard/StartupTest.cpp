// Start-up: the large-fonts question, the important report, the missing settings file, and the
// unattended backup run from inside start-up.

#include <QLabel>
#include <QLineEdit>

#include "FileBytes.h"
#include "WizardFixture.h"
#include "platform/AppControl.h"

namespace {

QString L(const char* text) {
    return QString::fromUtf8(text);
}

const char* const kLargeFonts =
    "Vous utilisez actuellement le mode Grandes Polices de Windows. Kestrix est optimisé pour "
    "fonctionner en Petites Polices et apparaîtra fortement disproportionné si vous le lancez avec "
    "le mode Grandes Polices. Voulez-vous continuer malgré tout ?";

}  // namespace

using StartupTest = WizardFixture;

TEST_F(StartupTest, LargeFontsAnsweredNoStillReadsEverythingThenEnds) {
    dpi_ = 120;
    answers_ = {MessageAnswer::No};
    Start();
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_EQ(messages_[0].text, L(kLargeFonts));
    EXPECT_EQ(messages_[0].icon, MessageIcon::Warning);
    EXPECT_EQ(messages_[0].buttons, MessageButtons::YesNo);
    EXPECT_TRUE(AppControl::EndRequested());
    EXPECT_FALSE(Window().isVisible()) << "not shown when the end is already requested";
    const QStringList lines = Window().GetReporter().Report().Lines();
    EXPECT_EQ(lines.last(), L(" * Sauvegarde automatique  : Non"));
    EXPECT_TRUE(QDir(File(QStringLiteral("Rapports"))).isEmpty());
}

TEST_F(StartupTest, LargeFontsAnsweredYesGoesOn) {
    dpi_ = 120;
    Start();
    EXPECT_EQ(Messages(), QStringList{L(kLargeFonts)});
    EXPECT_FALSE(AppControl::EndRequested());
    EXPECT_TRUE(Window().isVisible());
}

TEST_F(StartupTest, OtherResolutionsAskNothing) {
    for (const int dpi : {96, 119, 121, 144}) {
        dpi_ = dpi;
        Start();
        EXPECT_TRUE(messages_.empty()) << dpi;
    }
}

TEST_F(StartupTest, AnImportantReportIsAnnouncedAndLeftInPlace) {
    writeBytes(File(QStringLiteral("Rapport Important.txt")), "ancien\r\n");
    Start();
    EXPECT_EQ(Messages(),
              QStringList{L("Un fichier rapport important a été détecté dans le répertoire du "
                            "logiciel, ce qui signifie qu'il y a eu des erreurs lors de la "
                            "dernière exécution du logiciel. Déplacez-le dans un autre "
                            "répertoire, sinon il sera écrasé si un autre rapport est créé.")});
    EXPECT_EQ(readBytes(File(QStringLiteral("Rapport Important.txt"))), QByteArray("ancien\r\n"));
}

TEST_F(StartupTest, WithoutTheSettingsFileEveryDefaultAndNoNoErrorLine) {
    QFile::remove(File(QStringLiteral("Data/Kestrix.ini")));
    Start();
    EXPECT_EQ(Messages(), QStringList{L("Le fichier \"Kestrix.ini\" n'a pas été trouvé dans le "
                                        "répertoire Data du logiciel !")});
    EXPECT_TRUE(QFile::exists(File(QStringLiteral("Rapport Important.txt"))));
    const QStringList lines = Window().GetReporter().Report().Lines();
    const int commandLine =
        lines.indexOf(L(" # Lecture et gestion des paramètres de la ligne de commandes"));
    ASSERT_GT(commandLine, 0);
    EXPECT_EQ(lines.mid(commandLine - 5, 5),
              (QStringList{L(" - Autres paramètres"), L(" * Numéro de rapport courant : 01"),
                           QString(), QString(62, QLatin1Char('~')), QString()}))
        << "the configuration section ends without the no-error line";
    EXPECT_FALSE(lines.contains(L("  <i> Aucune erreur ne semble s'être produite.")));
    EXPECT_EQ(Window().EditChemin(), QStringLiteral("/var/backups/Save"));
    EXPECT_EQ(Window().ExitStatus(), 1);
}

TEST_F(StartupTest, AutoMakesTheWholeBackupBeforeTheWindowIsShown) {
    Start({QStringLiteral("/rep"), Dest(), QStringLiteral("/bat"), QStringLiteral("/auto"),
           QStringLiteral("/nobat")});
    EXPECT_TRUE(AppControl::EndRequested());
    EXPECT_EQ(Window().Etape(), WizardStep::Backup);
    EXPECT_EQ(readBytes(Dest() + QStringLiteral("/Kestrix/a.txt")), QByteArray("alpha\n"));
    EXPECT_EQ(readBytes(Dest() + QStringLiteral("/Kestrix/b.txt")), QByteArray(3000, 'b'));
    EXPECT_EQ(readBytes(Dest() + QStringLiteral("/Autoexec.bat")), QByteArray("Restore.exe\r\n"));
    const QStringList saved = readCrLfLines(ReportPath(QStringLiteral("01")));
    ASSERT_GE(saved.size(), 2);
    EXPECT_EQ(saved.last(), L("  <!> Aucune erreur ne semble s'être produite."));
    EXPECT_TRUE(saved.contains(L(" * Sauvegarde automatique  : Oui")));
    EXPECT_FALSE(saved.contains(L(" * Création d'Autoexec.bat : Non")))
        << "lines after the last save are never written";
    // The later "/nobat" is still examined, after the backup.
    EXPECT_FALSE(Window().AutoexecChecked());
    EXPECT_EQ(Window().GetReporter().Report().Lines().last(),
              L(" * Création d'Autoexec.bat : Non"));
    const QStringList ini = readCrLfLines(File(QStringLiteral("Data/Kestrix.ini")));
    EXPECT_TRUE(ini.contains(QStringLiteral("Chemin=") + Dest()));
    EXPECT_TRUE(ini.contains(QStringLiteral("Autoexec=Oui")));
    EXPECT_TRUE(Messages().isEmpty());
    EXPECT_EQ(Window().ExitStatus(), 0);
}

TEST_F(StartupTest, DressListDuringAutoLetsTheSequenceRunToItsEnd) {
    QFile::remove(File(QStringLiteral("Data/Kestrix.dat")));
    QDir().mkpath(File(QStringLiteral("Data/Kestrix.dat")));  // a folder cannot be read as a list
    std::vector<bool> endRequestedAtBox;
    onMessage_ = [&](const QString&) { endRequestedAtBox.push_back(AppControl::EndRequested()); };
    Start({QStringLiteral("/rep"), Dest(), QStringLiteral("/auto")});
    ASSERT_EQ(Messages().size(), 1);
    EXPECT_TRUE(Messages().at(0).startsWith(L("Kestrix n'a pas pu établir la liste")));
    EXPECT_EQ(endRequestedAtBox, std::vector<bool>{false});
    EXPECT_TRUE(AppControl::EndRequested());
    // The run with the empty list, the settings and the report were still made; the run
    // committed nothing.
    EXPECT_FALSE(QFile::exists(Dest() + QStringLiteral("/Restore.exe")));
    const QStringList saved = readCrLfLines(ReportPath(QStringLiteral("01")));
    EXPECT_TRUE(saved.contains(L(" # Création de la sauvegarde")));
    EXPECT_TRUE(saved.contains(L(" # Ecriture des paramètres vers le fichier Ini")));
    EXPECT_TRUE(QFile::exists(File(QStringLiteral("Rapport Important.txt"))));
    EXPECT_EQ(Window().ExitStatus(), 1);
}
