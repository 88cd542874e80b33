// A whole interactive backup, twice, through the real buttons.

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QTest>
#include <QTimer>
#include "widgets/TGradProgress.h"
#include "widgets/TZederuGradientButton.h"

#include "FileBytes.h"
#include "WizardFixture.h"
#include "platform/AppControl.h"

namespace {

QString L(const char* text) {
    return QString::fromUtf8(text);
}

QStringList Header() {
    return {QString(), L("      Rapport Kestrix 1.1 - Créé le 07/12/2026 à 11:23:08     "),
            QStringLiteral("      ") + QString(51, QLatin1Char('=')) + QStringLiteral("     ")};
}

QStringList ConfigurationAndCommandLine() {
    QStringList lines = Section(L("Lecture de la configuration depuis le fichier \"Kestrix.ini\""));
    lines << L(" - Paramètres généraux et d'affichage") << L(" * Usage de la texture  : Oui")
          << L(" * Taille des blocs     : 3 (20 Ko - Normal)")
          << L(" * Couleurs de la barre : $00004000, $0080FF80")
          << L(" * Couleur des fenêtres : clBtnFace")
          << L(" * Couleurs des boutons : $00E0E0E0, clSilver") << QString()
          << L(" - Paramètres à enregistrer à la fermeture du programme")
          << L(" * Création d'Autoexec.bat   : Oui") << L(" * Nom du répertoire utilisé : Oui")
          << L(" * Couleurs des boutons      : Oui") << L(" * Couleurs de la barre      : Oui")
          << L(" * Couleur des fenêtres      : Oui") << L(" * Taille des blocs fichier  : Oui")
          << L(" * Utilisation de la texture : Oui") << QString()
          << L(" - Paramètres de la dernière sauvegarde") << L(" * Créer un Autoexec.bat  : Non")
          << L(" * Répertoire destination : /var/backups/Save") << QString()
          << L(" - Autres paramètres") << L(" * Numéro de rapport courant : 01") << QString()
          << L("  <i> Aucune erreur ne semble s'être produite.");
    lines << Section(L("Lecture et gestion des paramètres de la ligne de commandes"));
    lines << L(" * Répertoire destination  : Non spécifié")
          << L(" * Création d'Autoexec.bat : Non spécifié")
          << L(" * Sauvegarde automatique  : Non");
    return lines;
}

QStringList Preparation(bool exists) {
    QStringList lines = Section(L("Préparation du répertoire de destination"));
    if (exists) {
        lines << L(" <i> Vérification du répertoire indiqué...")
              << L("     -> Répertoire correct !") << QString()
              << L(" <i> Vérification du sous-répertoire \"Kestrix\" existant...")
              << L("     -> Sous-répertoire correct !");
    } else {
        lines << L(" <i> Le répertoire indiqué n'existe pas, il va donc être créé.")
              << L("     -> Création du répertoire effectuée") << QString()
              << L(" <i> Le sous-répertoire \"Kestrix\" n'existe pas, il va donc être créé.")
              << L("     -> Création du sous-répertoire effectuée");
    }
    lines << QString() << L("  <i> Aucune erreur ne semble s'être produite.");
    lines << Section(L("Création de la liste des fichiers à sauvegarder"));
    lines << L(" * Lecture du fichier \"Kestrix.dat\" et chargement de la liste")
          << L("   -> Chargement de la liste effectué") << QString()
          << L(" * Traitement des éléments de la liste")
          << L("   -> Traitement des données terminé") << QString()
          << L("  <i> Aucune erreur ne semble s'être produite.");
    return lines;
}

QStringList CopyLines(const QString& path, bool first) {
    QStringList lines{QString(),
                      L(" * Traitement du fichier \"") + path + QLatin1Char('"'),
                      L("    -> Modification des attributs..."),
                      L("    -> Ouverture du fichier source..."),
                      L("    -> Ouverture du fichier destination..."),
                      L("    -> Espace disque disponible : 10 Go (10240 Mo)")};
    if (first) {
        lines << L("    -> Lecture des données source...")
              << L("    -> Ecriture des données source...");
    }
    lines << L("    -> Fermeture des fichiers...")
          << L("    -> Ecriture des infos de configuration...")
          << L("    <!> Copie du fichier réussie !");
    return lines;
}

}  // namespace

class WalkTest : public WizardFixture {
protected:
    QStringList Backup(bool bTicked) {
        QStringList lines = Section(L("Création de la sauvegarde"));
        lines << L(" * Ecriture de la date et de l'heure dans le fichier Dat")
              << L("   -> Création et écriture de \"Kestrix.dat\" effectuée") << QString()
              << L(" - Etape 1 sur 3 : Ecriture de l'application de restauration")
              << L(" * Espace disque disponible : 10 Go (10240 Mo)")
              << L(" * Copie du fichier \"Restore.exe\"...")
              << L("   -> 59 Ko copiés - Espace libre restant : 10 Go (10240 Mo)") << QString()
              << L(" - Etape 2 sur 3 : Copie des fichiers de la sauvegarde");
        lines << CopyLines(Source(QStringLiteral("a.txt")), true);
        if (bTicked) {
            lines << CopyLines(Source(QStringLiteral("b.txt")), false);
        } else {
            lines << L("    -> Ecriture des infos de configuration...");
        }
        lines << L("    -> Ecriture des infos de configuration...");  // the missing file
        lines << QString() << L(" - Etape 3 sur 3 : Création du fichier \"Autoexec.bat\"")
              << L("   -> Création du fichier effectuée") << QString()
              << L("  <i> Aucune erreur ne semble s'être produite.");
        return lines;
    }

    void ExpectPage(const QString& title, QStringList controls) {
        Tick();
        EXPECT_EQ(Window().findChild<QLabel*>(QStringLiteral("LabelTitre"))->text(), title);
        controls << Frame();
        controls.sort();
        EXPECT_EQ(VisibleControls(), controls) << title.toStdString();
    }

    void ToggleFile(int row) {
        auto* list = Window().findChild<QListWidget*>(QStringLiteral("CheckListBoxFiles"));
        QListWidgetItem* item = list->item(row);
        const QRect rect = list->visualItemRect(item);
        // The check indicator sits at the left of the row.
        QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier,
                          QPoint(rect.left() + 8, rect.center().y()));
    }

    QStringList WelcomePage() {
        return {QStringLiteral("BtnAide"),        QStringLiteral("BtnSuivant"),
                QStringLiteral("BtnOptions"),     QStringLiteral("LabelStep1Num1"),
                QStringLiteral("LabelStep1Num2"), QStringLiteral("LabelStep1Num3"),
                QStringLiteral("LabelStep1Num4")};
    }
};

TEST_F(WalkTest, AFolderIsOneEntryWithItsCountAndEachOfItsFilesIsCopied) {
    const QString sources = Source(QStringLiteral(""));
    writeBytes(File(QStringLiteral("Data/Kestrix.dat")), (sources + QStringLiteral("\r\n")).toUtf8());
    Start();
    Click("BtnSuivant");
    Tick();
    auto* edit = Window().findChild<QLineEdit*>(QStringLiteral("EditChemin"));
    edit->clear();
    QTest::keyClicks(edit, Dest());
    Click("BtnSuivant");
    Tick();
    auto* list = Window().findChild<QListWidget*>(QStringLiteral("CheckListBoxFiles"));
    ASSERT_EQ(list->count(), 1);
    EXPECT_EQ(list->item(0)->text(), sources + QStringLiteral(" (2 fichiers)"));
    // Ticked or not as a whole; the entry keeps the files it stands for.
    ToggleFile(0);
    EXPECT_FALSE(Window().FileEntry(0).ticked);
    ToggleFile(0);
    const JobLine entry = Window().FileEntry(0);
    EXPECT_TRUE(entry.ticked);
    EXPECT_EQ(entry.files,
              std::vector<JobFile>({JobFile{Source(QStringLiteral("a.txt")), QStringLiteral("a.txt")},
                                    JobFile{Source(QStringLiteral("b.txt")), QStringLiteral("b.txt")}}));
    Click("BtnSuivant");
    Tick();
    Click("BtnDemarrer");
    EXPECT_EQ(Window().Etape(), WizardStep::End);
    EXPECT_EQ(readBytes(Dest() + QStringLiteral("/Kestrix/a.txt")), QByteArray("alpha\n"));
    EXPECT_EQ(readBytes(Dest() + QStringLiteral("/Kestrix/b.txt")), QByteArray(3000, 'b'));
}

TEST_F(WalkTest, TwoBackupsWithARestartedReportThenQuitter) {
    Start();
    ExpectPage(L("Bienvenue !"), WelcomePage());

    Click("BtnSuivant");
    ExpectPage(L("Sélectionnez un répertoire"),
               {"BtnAide", "BtnSuivant", "BtnPrecedent", "BtnParcourir", "EditChemin",
                "LabelStep2Num1", "LabelStep2Num2"});
    auto* edit = Window().findChild<QLineEdit*>(QStringLiteral("EditChemin"));
    EXPECT_EQ(edit->text(), QStringLiteral("/var/backups/Save"));
    edit->clear();
    QTest::keyClicks(edit, Dest());

    Click("BtnSuivant");
    ExpectPage(L("Fichiers à sauvegarder"),
               {"BtnAide", "BtnSuivant", "BtnPrecedent", "CheckListBoxFiles", "LabelStep3"});
    auto* list = Window().findChild<QListWidget*>(QStringLiteral("CheckListBoxFiles"));
    ASSERT_EQ(list->count(), 3);
    EXPECT_EQ(Window().FileEntry(2),
              (JobLine{L("<Fichier non trouvé : \"") + Source(QStringLiteral("missing.txt")) +
                           QStringLiteral("\">"),
                       false, false}));
    ToggleFile(0);
    EXPECT_FALSE(Window().FileEntry(0).ticked);
    ToggleFile(0);
    ToggleFile(1);
    EXPECT_TRUE(Window().FileEntry(0).ticked);
    EXPECT_FALSE(Window().FileEntry(1).ticked);
    ToggleFile(2);  // greyed: stays unticked
    EXPECT_FALSE(Window().FileEntry(2).ticked);

    Click("BtnSuivant");
    ExpectPage(L("Création d'Autoexec.bat"),
               {"BtnAide", "BtnDemarrer", "BtnPrecedent", "CheckBoxAutoexec", "LabelStep4Num1",
                "LabelStep4Num2", "LabelStep4Num3", "LabelStep4Num4", "LabelStep4Num5"});
    QTest::mouseClick(Window().findChild<QCheckBox*>(QStringLiteral("CheckBoxAutoexec")),
                      Qt::LeftButton);
    EXPECT_TRUE(Window().AutoexecChecked());

    // The backup page during the run, as the run's first message pump shows it.
    QStringList duringRun;
    QTimer::singleShot(0, [&] { duringRun = VisibleControls(); });
    Click("BtnDemarrer");
    QStringList backupPage{"BtnAide",     "GradProgressFile", "LabelStep5Num1",
                           "LabelStatus", "LabelCopyFile",    "LabelFileSize"};
    backupPage << Frame();
    backupPage.sort();
    EXPECT_EQ(duringRun, backupPage);
    EXPECT_EQ(Window().Etape(), WizardStep::End);
    EXPECT_EQ(Button("BtnQuitter")->geometry(), QRect(350, 310, 90, 25));
    ExpectPage(L("Sauvegarde terminée"), {"BtnAide", "BtnRapport", "BtnPrecedent", "LabelStep6Num1",
                                          "LabelStep6Num2", "LabelStep6Num3", "LabelStep6Num4"});
    EXPECT_EQ(Window().findChild<QLabel*>(QStringLiteral("LabelStep6Num1"))->text(),
              L("Votre sauvegarde a été créée avec succès !"));
    // The amount shown last is the last file's, complete ("alpha\n": 6 bytes, plus one Ko).
    EXPECT_EQ(Window().findChild<QLabel*>(QStringLiteral("LabelFileSize"))->text(),
              QStringLiteral("1 Ko / 1 Ko"));
    EXPECT_EQ(Window().findChild<TGradProgress*>(QStringLiteral("GradProgressFile"))->position(),
              100);

    // The destination.
    EXPECT_EQ(readBytes(Dest() + QStringLiteral("/Restore.exe")), QByteArray("RESTORE"));
    EXPECT_EQ(readBytes(Dest() + QStringLiteral("/Kestrix/a.txt")), QByteArray("alpha\n"));
    EXPECT_FALSE(QFile::exists(Dest() + QStringLiteral("/Kestrix/b.txt")));
    EXPECT_EQ(readBytes(Dest() + QStringLiteral("/Autoexec.bat")), QByteArray("Restore.exe\r\n"));
    EXPECT_EQ(readCrLfLines(Dest() + QStringLiteral("/Kestrix.dat")),
              (QStringList{QStringLiteral("07/12/2026,11:23:08"),
                           QStringLiteral("a.txt,") + folder_->file(QStringLiteral("src"))}));

    // The first report, saved at the end of the run; "Rapport" saves it again and opens it.
    const QStringList first =
        Header() + ConfigurationAndCommandLine() + Preparation(false) + Backup(false);
    EXPECT_EQ(readCrLfLines(ReportPath(QStringLiteral("01"))), first);
    Click("BtnRapport");
    ASSERT_EQ(opened_.size(), 1);
    EXPECT_EQ(opened_.at(0), QUrl::fromLocalFile(ReportPath(QStringLiteral("01"))));
    EXPECT_EQ(readCrLfLines(ReportPath(QStringLiteral("01"))), first);

    // Précédent: the welcome page and a new report.
    Click("BtnPrecedent");
    EXPECT_EQ(Window().Etape(), WizardStep::Welcome);
    ExpectPage(L("Bienvenue !"), WelcomePage());
    Click("BtnSuivant");
    Tick();
    Click("BtnSuivant");
    Tick();
    EXPECT_TRUE(Window().FileEntry(1).ticked) << "the list is loaded again, every file ticked";
    Click("BtnSuivant");
    Tick();
    Click("BtnDemarrer");
    Tick();
    EXPECT_EQ(Window().Etape(), WizardStep::End);
    EXPECT_EQ(readBytes(Dest() + QStringLiteral("/Kestrix/b.txt")), QByteArray(3000, 'b'));

    Click("BtnQuitter");
    EXPECT_TRUE(AppControl::EndRequested());
    EXPECT_FALSE(Window().isVisible());

    QStringList second = Header();
    second << QString() << QString(62, QLatin1Char('~')) << QString()
           << L(" Ce rapport a été créé après qu'une sauvegarde ait été faite, ")
           << L("  car vous avez cliqué sur le bouton \"Précédent\" à la fin de  ")
           << L("  celle-ci afin d'en recommencer une autre. Les informations  ")
           << L(" concernant la lecture du fichier Ini et des paramètres de la ")
           << L("       ligne de commande ne seront donc pas enregistrés.      ");
    second << Preparation(true) << Backup(true);
    second << Section(L("Ecriture des paramètres vers le fichier Ini"));
    second << L(" - Paramètres de la sauvegarde") << L(" * Création d'Autoexec.bat   : Enregistré")
           << L(" * Nom du répertoire utilisé : Enregistré") << QString()
           << L(" - Paramètres généraux et d'affichage")
           << L(" * Utilisation de la texture : Enregistré")
           << L(" * Taille des blocs fichier  : Enregistré")
           << L(" * Couleur des fenêtres      : Enregistré")
           << L(" * Couleur de la barre       : Enregistré")
           << L(" * Couleur des boutons       : Enregistré") << QString()
           << L(" - Paramètres d'enregistrement") << L(" * Création d'Autoexec.bat   : Oui")
           << L(" * Nom du répertoire utilisé : Oui") << L(" * Couleurs des boutons      : Oui")
           << L(" * Couleurs de la barre      : Oui") << L(" * Couleur de la fenêtre     : Oui")
           << L(" * Utilisation de la texture : Oui") << L(" * Taille des blocs fichier  : Oui")
           << QString() << L(" - Autres paramètres") << L(" * Numéro de rapport courant : 02")
           << QString() << L("  <!> Aucune erreur ne semble s'être produite.");
    EXPECT_EQ(readCrLfLines(ReportPath(QStringLiteral("02"))), second);
    EXPECT_EQ(readCrLfLines(ReportPath(QStringLiteral("01"))), first);

    const QStringList ini = readCrLfLines(File(QStringLiteral("Data/Kestrix.ini")));
    EXPECT_TRUE(ini.contains(QStringLiteral("Autoexec=Oui")));
    EXPECT_TRUE(ini.contains(QStringLiteral("Chemin=") + Dest()));
    EXPECT_TRUE(ini.contains(QStringLiteral("CurrentRapportNo=02")));
    EXPECT_TRUE(Messages().isEmpty()) << Messages().join(QLatin1Char('\n')).toStdString();
    EXPECT_FALSE(QFile::exists(File(QStringLiteral("Rapport Important.txt"))));
    EXPECT_EQ(Window().ExitStatus(), 0);
}
