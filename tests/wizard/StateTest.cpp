// The state table, the browse page, the options pages, the accelerators and the idle tick.

#include <QApplication>
#include <QCheckBox>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QSlider>
#include <QTest>
#include <QTimer>
#include "widgets/TSystemTreeView.h"
#include "widgets/TZederuGradientButton.h"

#include "FileBytes.h"
#include "WizardFixture.h"
#include "platform/AppControl.h"

namespace {

QString L(const char* text) {
    return QString::fromUtf8(text);
}

// Counts the paint, show, hide, move and resize events of every control of a window.
class EventCounter : public QObject {
public:
    explicit EventCounter(QWidget* window) {
        for (QWidget* child : window->findChildren<QWidget*>()) {
            child->installEventFilter(this);
        }
    }
    int count = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        switch (event->type()) {
            case QEvent::Paint:
            case QEvent::Show:
            case QEvent::Hide:
            case QEvent::Move:
            case QEvent::Resize:
            case QEvent::UpdateRequest:
                ++count;
                break;
            default:
                break;
        }
        return false;
    }
};

}  // namespace

class StateTest : public WizardFixture {
protected:
    TSystemTreeView* Tree() {
        return Window().findChild<TSystemTreeView*>(QStringLiteral("SystemTreeViewParcourir"));
    }
};

TEST_F(StateTest, EveryTransitionOfTheBackupPath) {
    Start();
    EXPECT_EQ(Window().Etape(), WizardStep::Welcome);
    Click("BtnSuivant");
    EXPECT_EQ(Window().Etape(), WizardStep::Destination);
    Tick();
    Click("BtnPrecedent");
    EXPECT_EQ(Window().Etape(), WizardStep::Welcome);
    Tick();
    // "Précédent" is hidden on the welcome page: a click there does nothing.
    QTest::mouseClick(Button("BtnPrecedent"), Qt::LeftButton);
    EXPECT_EQ(Window().Etape(), WizardStep::Welcome);
    Tick();
    Click("BtnSuivant");
    Tick();
    Window().SetEditChemin(Dest());
    Click("BtnSuivant");
    EXPECT_EQ(Window().Etape(), WizardStep::Files);
    Tick();
    Click("BtnPrecedent");
    EXPECT_EQ(Window().Etape(), WizardStep::Destination);
    Tick();
    Click("BtnSuivant");
    Tick();
    Click("BtnSuivant");
    EXPECT_EQ(Window().Etape(), WizardStep::BootFile);
    Tick();
    Click("BtnPrecedent");
    EXPECT_EQ(Window().Etape(), WizardStep::Files);
    // Going back to the destination page and on again prepares and loads again.
    const int sections = Window().GetReporter().Report().Lines().count(
        L(" # Création de la liste des fichiers à sauvegarder"));
    EXPECT_EQ(sections, 2);
}

TEST_F(StateTest, AClickThatOnlyChangesTheStepShowsItsPageAtTheNextTick) {
    Start();
    // Held during the click, which delivers events: on a slow machine a tick could fall in it.
    auto* timer = Window().findChild<QTimer*>(QStringLiteral("TimerEtapes"));
    ASSERT_NE(timer, nullptr);
    timer->stop();
    Click("BtnSuivant");
    EXPECT_EQ(Window().Etape(), WizardStep::Destination);
    EXPECT_TRUE(Button("BtnOptions")->isVisibleTo(&Window()));
    EXPECT_FALSE(Button("BtnParcourir")->isVisibleTo(&Window()));
    timer->start();
    Tick();
    EXPECT_FALSE(Button("BtnOptions")->isVisibleTo(&Window()));
    EXPECT_TRUE(Button("BtnParcourir")->isVisibleTo(&Window()));
}

TEST_F(StateTest, BrowsePageShownAtOnceAndAChosenFolderGoesIntoEditChemin) {
    QDir().mkpath(Dest());
    Start();
    Click("BtnSuivant");
    Tick();
    Click("BtnParcourir");
    EXPECT_EQ(Window().Etape(), WizardStep::FolderBrowse);
    QStringList page{"BtnAide", "BtnValider", "LabelStepParcourir", "SystemTreeViewParcourir"};
    page << Frame();
    page.sort();
    EXPECT_EQ(VisibleControls(), page);
    Tick();
    EXPECT_EQ(VisibleControls(), page) << "the tick leaves the browse page alone";

    auto* tree = Tree();
    EXPECT_EQ(tree->selection(), QStringLiteral("/"));
    // Keyboard only: type-ahead to "tmp" below "/", open it, type-ahead to the program folder,
    // open it, type-ahead to "dest".
    QApplication::setKeyboardInputInterval(100);
    const QString programFolder = QFileInfo(Dest()).dir().dirName();
    ASSERT_EQ(Dest(), QStringLiteral("/tmp/") + programFolder + QStringLiteral("/dest"))
        << "the walk assumes it";
    for (const QString& name : {QStringLiteral("tmp"), programFolder, QStringLiteral("dest")}) {
        QTest::qWait(150);
        QTest::keyClicks(tree, name);
        QTest::keyClick(tree, Qt::Key_Right);
    }
    EXPECT_EQ(tree->selection(), Dest());
    Click("BtnValider");
    EXPECT_EQ(Window().Etape(), WizardStep::Destination);
    EXPECT_EQ(Window().EditChemin(), Dest());
}

TEST_F(StateTest, TheRootChosenInTheTreeKeepsItsSeparator) {
    Start();
    Click("BtnSuivant");
    Tick();
    Click("BtnParcourir");
    Click("BtnValider");
    EXPECT_EQ(Window().EditChemin(), QStringLiteral("/"));
    EXPECT_TRUE(Messages().isEmpty());
}

TEST_F(StateTest, AnEmptySelectionWarnsAndKeepsTheBrowsePage) {
    Start();
    Click("BtnSuivant");
    Tick();
    Click("BtnParcourir");
    // Up from "/" is "Poste de travail", which has no path.
    QTest::keyClick(Tree(), Qt::Key_Up);
    ASSERT_EQ(Tree()->currentItem()->text(0), QStringLiteral("Poste de travail"));
    EXPECT_EQ(Tree()->selection(), QString());
    Click("BtnValider");
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_EQ(messages_[0].icon, MessageIcon::Warning);
    EXPECT_EQ(messages_[0].buttons, MessageButtons::Ok);
    EXPECT_EQ(messages_[0].text,
              L("Vous devez sélectionner un répertoire sur un de vos lecteurs !"));
    EXPECT_EQ(Window().Etape(), WizardStep::FolderBrowse);
    EXPECT_EQ(Window().EditChemin(), QStringLiteral("/var/backups/Save"));
}

TEST_F(StateTest, OptionsPagesAndTheirTabs) {
    Start();
    Click("BtnOptions");
    EXPECT_EQ(Window().Etape(), WizardStep::GeneralOptions);
    Tick();
    QStringList general{"BtnAide",           "BtnValider",        "BtnOptionsGen",
                        "BtnOptionsAff",     "BtnOptionsEnreg",   "BevelOptions",
                        "BevelTrackBar",     "TrackBarVitesse",   "LabelOptions1Num1",
                        "LabelOptions1Desc", "LabelOptions1Num2", "LabelOptions1Num3",
                        "LabelOptions1Num4"};
    general << Frame();
    general.sort();
    EXPECT_EQ(VisibleControls(), general);
    Click("BtnOptionsAff");
    EXPECT_EQ(Window().Etape(), WizardStep::DisplayOptions);
    Tick();
    EXPECT_TRUE(Button("BtnOptionsDefault")->isVisibleTo(&Window()));
    EXPECT_TRUE(Window()
                    .findChild<QWidget*>(QStringLiteral("TintoColorComboBoxBarFin"))
                    ->isVisibleTo(&Window()));
    Click("BtnOptionsEnreg");
    EXPECT_EQ(Window().Etape(), WizardStep::SavingOptions);
    Tick();
    EXPECT_TRUE(Window()
                    .findChild<QWidget*>(QStringLiteral("CheckBoxOptions3Vitesse"))
                    ->isVisibleTo(&Window()));
    EXPECT_FALSE(Button("BtnOptionsDefault")->isVisibleTo(&Window()));
    Click("BtnOptionsGen");
    EXPECT_EQ(Window().Etape(), WizardStep::GeneralOptions);
    Tick();
    Click("BtnValider");
    EXPECT_EQ(Window().Etape(), WizardStep::Welcome);
}

TEST_F(StateTest, TheSliderDescriptionFollowsWithinOneTick) {
    Start();
    Click("BtnOptions");
    Tick();
    auto* slider = Window().findChild<QSlider*>(QStringLiteral("TrackBarVitesse"));
    auto* desc = Window().findChild<QLabel*>(QStringLiteral("LabelOptions1Desc"));
    const QStringList texts{L("2 Ko - Minimum"),  L("5 Ko - Très Faible"), L("10 Ko - Faible"),
                            L("20 Ko - Normal"),  L("50 Ko - Elevé"),      L("100 Ko - Très élevé"),
                            L("200 Ko - Maximum")};
    slider->setFocus();
    QTest::keyClick(slider, Qt::Key_Home);
    for (int position = 0; position <= 6; ++position) {
        Tick();
        EXPECT_EQ(desc->text(), texts.at(position));
        EXPECT_EQ(desc->width(), 110);
        QTest::keyClick(slider, Qt::Key_Right);
    }
    EXPECT_EQ(Window().TrackBarPosition(), 6);
}

TEST_F(StateTest, TheTextureBoxShowsAndHidesTheWallpaper) {
    Start();
    Click("BtnOptions");
    Tick();
    Click("BtnOptionsAff");
    Tick();
    auto* box = Window().findChild<QCheckBox*>(QStringLiteral("CheckBoxOptions2Texture"));
    QTest::mouseClick(box, Qt::LeftButton);
    EXPECT_FALSE(Window().TextureShown());
    QTest::mouseClick(box, Qt::LeftButton);
    EXPECT_TRUE(Window().TextureShown());
}

TEST_F(StateTest, SharedAcceleratorsActOnTheFirstButtonInControlOrder) {
    Start();
    Window().activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&Window()));
    QTest::keyClick(&Window(), Qt::Key_S, Qt::AltModifier);
    EXPECT_EQ(Window().Etape(), WizardStep::Destination);
    Tick();
    QTest::keyClick(&Window(), Qt::Key_P, Qt::AltModifier);
    EXPECT_EQ(Window().Etape(), WizardStep::FolderBrowse) << "P is Parcourir's, not Précédent's";
    Click("BtnValider");
    Tick();
    QTest::keyClick(&Window(), Qt::Key_P, Qt::AltModifier);
    EXPECT_EQ(Window().Etape(), WizardStep::FolderBrowse);
    Click("BtnValider");
    Tick();
    Click("BtnPrecedent");
    Tick();
    QTest::keyClick(&Window(), Qt::Key_O, Qt::AltModifier);
    EXPECT_EQ(Window().Etape(), WizardStep::GeneralOptions);
    Tick();
    QTest::keyClick(&Window(), Qt::Key_A, Qt::AltModifier);
    EXPECT_EQ(Window().Etape(), WizardStep::DisplayOptions) << "A is Affichage's, not Aide's";
    Tick();
    QTest::keyClick(&Window(), Qt::Key_P, Qt::AltModifier);
    EXPECT_EQ(Window().Etape(), WizardStep::SavingOptions);
    Tick();
    QTest::keyClick(&Window(), Qt::Key_V, Qt::AltModifier);
    EXPECT_EQ(Window().Etape(), WizardStep::Welcome);
}

TEST_F(StateTest, PrecedentOnTheEndPageRestartsTheReportAndNeverReachesZero) {
    StartOnAutoexecPage();
    Click("BtnDemarrer");
    Tick();
    EXPECT_EQ(Window().GetReporter().ReportNumberText(), QStringLiteral("01"));
    Click("BtnPrecedent");
    EXPECT_EQ(Window().Etape(), WizardStep::Welcome);
    EXPECT_EQ(Window().GetReporter().ReportNumberText(), QStringLiteral("02"));
    EXPECT_TRUE(Window().GetReporter().Report().Lines().contains(
        L(" Ce rapport a été créé après qu'une sauvegarde ait été faite, ")));
}

TEST_F(StateTest, QuitterDuringARunWritesAtOnceAndTheRunGoesOn) {
    StartOnAutoexecPage();
    QStringList reportAtQuit;
    bool quitterVisible = false;
    QTimer::singleShot(0, [&] {
        quitterVisible = Button("BtnQuitter")->isVisible();
        EXPECT_EQ(Button("BtnQuitter")->geometry(), QRect(148, 310, 296, 25));
        QTest::mouseClick(Button("BtnQuitter"), Qt::LeftButton);
        reportAtQuit = readCrLfLines(ReportPath(QStringLiteral("01")));
    });
    Click("BtnDemarrer");
    EXPECT_TRUE(quitterVisible);
    // Written at once, in the middle of the run.
    EXPECT_TRUE(reportAtQuit.contains(L(" # Ecriture des paramètres vers le fichier Ini")));
    EXPECT_FALSE(reportAtQuit.contains(L(" * Traitement du fichier \"") +
                                       Source(QStringLiteral("b.txt")) + QLatin1Char('"')));
    EXPECT_TRUE(readCrLfLines(File(QStringLiteral("Data/Kestrix.ini")))
                    .contains(QStringLiteral("Chemin=") + Dest()));
    // The copy went on to its end; the program ends without the end page.
    EXPECT_EQ(readBytes(Dest() + QStringLiteral("/Kestrix/b.txt")), QByteArray(3000, 'b'));
    EXPECT_TRUE(readCrLfLines(ReportPath(QStringLiteral("01")))
                    .contains(L(" * Traitement du fichier \"") + Source(QStringLiteral("b.txt")) +
                              QLatin1Char('"')));
    EXPECT_TRUE(AppControl::EndRequested());
    EXPECT_FALSE(Window().isVisible());
}

TEST_F(StateTest, ARunWithAnErrorDoesNotClaimSuccess) {
    StartOnAutoexecPage();
    freeSpace_ = 100;  // no room for any file
    Click("BtnDemarrer");
    Tick();
    EXPECT_EQ(Window().Etape(), WizardStep::End);
    auto* label = Window().findChild<QLabel*>(QStringLiteral("LabelStep6Num1"));
    EXPECT_EQ(label->text(),
              L("La sauvegarde n'a pas pu être terminée correctement. Consultez le rapport."));
    EXPECT_EQ(Window().ExitStatus(), 1);

    // A later run that goes well says so again.
    freeSpace_ = 10LL * 1024 * 1024 * 1024;
    Click("BtnPrecedent");
    Tick();
    Click("BtnSuivant");
    Tick();
    Click("BtnSuivant");
    Tick();
    Click("BtnSuivant");
    Tick();
    Click("BtnDemarrer");
    Tick();
    EXPECT_EQ(label->text(), L("Votre sauvegarde a été créée avec succès !"));
    EXPECT_EQ(Window().ExitStatus(), 1) << "the first run's missing files still count";
}

TEST_F(StateTest, AMessageDuringTheRunComesWithTheAmountCopiedSoFar) {
    StartOnAutoexecPage();
    freeSpace_ = 1000;  // a.txt (6 bytes) fits, b.txt (3000 bytes) does not
    QStringList amounts;
    onMessage_ = [&](const QString&) {
        amounts << Window().findChild<QLabel*>(QStringLiteral("LabelFileSize"))->text();
    };
    Click("BtnDemarrer");
    Tick();
    ASSERT_EQ(amounts.size(), 1) << Messages().join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(Messages().first().contains(QStringLiteral("b.txt")));
    EXPECT_EQ(amounts.first(), QStringLiteral("1 Ko / 1 Ko"));
}

TEST_F(StateTest, RapportThatCannotOpenShowsTheBlocNotesError) {
    StartOnAutoexecPage();
    Click("BtnDemarrer");
    Tick();
    openSucceeds_ = false;
    Click("BtnRapport");
    EXPECT_EQ(Messages(), QStringList{L("Impossible de lancer le Bloc-Notes avec le rapport ! "
                                        "Vérifiez que le fichier \"Notepad.exe\" se trouve bien "
                                        "dans votre répertoire Windows.")});
    EXPECT_EQ(messages_.at(0).icon, MessageIcon::Error);
    EXPECT_EQ(Window().Etape(), WizardStep::End);
}

TEST_F(StateTest, AideShowsOneAboutWindowHoweverOftenAsked) {
    Start();
    Click("BtnAide");
    Click("BtnAide");
    QList<QWidget*> shown;
    for (QWidget* top : QApplication::topLevelWidgets()) {
        if (top->windowTitle() == QStringLiteral("Aide - A propos de Kestrix") &&
            top->isVisible()) {
            shown << top;
        }
    }
    ASSERT_EQ(shown.size(), 1);
    EXPECT_EQ(shown[0]->size(), QSize(345, 353));
    EXPECT_EQ(Window().Etape(), WizardStep::Welcome);
    QTest::mouseClick(shown[0]->findChild<TZederuGradientButton*>(QStringLiteral("BtnOK")),
                      Qt::LeftButton);
    EXPECT_FALSE(shown[0]->isVisible());
    EXPECT_TRUE(Window().isVisible());
    EXPECT_FALSE(AppControl::EndRequested());
}

TEST_F(StateTest, TheSamePageLaidOutAgainChangesAndRepaintsNothing) {
    for (const int etape : {1, 71}) {
        SCOPED_TRACE(etape);
        Start();
        if (etape == 71) {
            Click("BtnOptions");
        }
        QTest::qWait(50);
        EventCounter counter(&Window());
        QTest::qWait(200);
        EXPECT_EQ(counter.count, 0);
    }
}

TEST_F(StateTest, FrameAndButtonsAtTheirPlaces) {
    Start();
    EXPECT_EQ(Window().size(), QSize(458, 343));
    EXPECT_EQ(Window().windowTitle(), QStringLiteral("Kestrix - Version 1.1"));
    EXPECT_EQ(Button("BtnSuivant")->caption(), QStringLiteral("&Suivant       "));
    EXPECT_EQ(Button("BtnSuivant")->toolTip(), L("Passer à l'étape suivante"));
    EXPECT_EQ(Button("BtnSuivant")->geometry(), QRect(250, 310, 90, 25));
    EXPECT_EQ(Button("BtnPrecedent")->caption(), L("&Précédent       "));
    EXPECT_EQ(Button("BtnAide")->geometry(), QRect(384, 10, 57, 25));
    EXPECT_EQ(Button("BtnValider")->geometry(), QRect(148, 310, 192, 25));
    EXPECT_EQ(Button("BtnOptionsEnreg")->caption(), L("&Paramètres       "));
    EXPECT_EQ(Button("BtnOptionsDefault")->geometry(), QRect(296, 252, 133, 21));
    EXPECT_EQ(Window().findChild<QWidget*>(QStringLiteral("EditChemin"))->geometry(),
              QRect(152, 136, 289, 21));
    EXPECT_EQ(Window().findChild<QWidget*>(QStringLiteral("CheckListBoxFiles"))->geometry(),
              QRect(152, 120, 289, 153));
    EXPECT_EQ(Window().findChild<QWidget*>(QStringLiteral("GradProgressFile"))->geometry(),
              QRect(152, 184, 289, 25));
    EXPECT_EQ(Window().findChild<QWidget*>(QStringLiteral("CheckBoxAutoexec"))->geometry(),
              QRect(152, 176, 13, 13));
    EXPECT_EQ(Window().findChild<QWidget*>(QStringLiteral("ZederuWallpaper"))->geometry(),
              QRect(0, 0, 458, 343));
    EXPECT_EQ(Window().findChild<QWidget*>(QStringLiteral("LabelStep1Num4"))->geometry(),
              QRect(152, 248, 248, 13));
}
