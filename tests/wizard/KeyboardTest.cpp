// The wizard without a mouse: the tab order of every page, a whole backup made with the keyboard
// alone, and what a screen reader is told about every visible control.

#include <QAccessible>
#include <QApplication>
#include <QLabel>
#include <QListWidget>
#include <QTest>

#include "FileBytes.h"
#include "WizardFixture.h"
#include "platform/AppControl.h"
#include "widgets/TZederuGradientButton.h"

namespace {

QString L(const char* text) {
    return QString::fromUtf8(text);
}

struct PageRoad {
    WizardStep etape;
    std::vector<const char*> clicks;
};

const PageRoad kPages[] = {
    {WizardStep::Welcome, {}},
    {WizardStep::Destination, {"BtnSuivant"}},
    {WizardStep::Files, {"BtnSuivant", "BtnSuivant"}},
    {WizardStep::BootFile, {"BtnSuivant", "BtnSuivant", "BtnSuivant"}},
    {WizardStep::FolderBrowse, {"BtnSuivant", "BtnParcourir"}},
    {WizardStep::End, {"BtnSuivant", "BtnSuivant", "BtnSuivant", "BtnDemarrer"}},
    {WizardStep::GeneralOptions, {"BtnOptions"}},
    {WizardStep::DisplayOptions, {"BtnOptions", "BtnOptionsAff"}},
    {WizardStep::SavingOptions, {"BtnOptions", "BtnOptionsEnreg"}},
};

// Rows overlap: the two controls stand side by side.
bool SameRow(const QRect& a, const QRect& b) {
    return a.top() <= b.bottom() && b.top() <= a.bottom();
}

}  // namespace

class KeyboardTest : public WizardFixture {
protected:
    QWindow* Handle() { return Window().windowHandle(); }
    QString Focused() const {
        QWidget* focus = QApplication::focusWidget();
        return focus ? focus->objectName() : QString();
    }
    void Key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::keyClick(Handle(), key, modifiers);
    }
    // Tabs until `name` has the focus; false when a whole round did not reach it.
    bool TabTo(const char* name) {
        for (int i = 0; i < 40 && Focused() != QLatin1String(name); ++i) {
            Key(Qt::Key_Tab);
        }
        return Focused() == QLatin1String(name);
    }
    void Activate() {
        Window().activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&Window()));
    }
    void ReachPage(const PageRoad& road) {
        Start();
        Window().SetEditChemin(Dest());
        for (const char* name : road.clicks) {
            Click(name);
            Tick();
        }
        ASSERT_EQ(Window().Etape(), road.etape);
    }
};

TEST_F(KeyboardTest, TabGoesThroughEachPageTopToBottomLeftToRight) {
    for (const PageRoad& road : kPages) {
        SCOPED_TRACE(::testing::PrintToString(road.etape));
        ReachPage(road);
        Activate();
        Button("BtnAide")->setFocus();
        QList<QWidget*> round;
        for (int i = 0; i < 40; ++i) {
            QWidget* focus = QApplication::focusWidget();
            if (!round.isEmpty() && focus == round.first()) {
                break;
            }
            round << focus;
            Key(Qt::Key_Tab);
        }
        QStringList expected;
        for (QWidget* child : Window().findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
            if (child->isVisibleTo(&Window()) && (child->focusPolicy() & Qt::TabFocus)) {
                expected << child->objectName();
            }
        }
        QStringList names;
        for (QWidget* w : round) {
            names << w->objectName();
        }
        QStringList sortedNames = names;
        sortedNames.sort();
        expected.sort();
        EXPECT_EQ(sortedNames, expected);
        for (int i = 0; i + 1 < round.size(); ++i) {
            const QRect a = round[i]->geometry();
            const QRect b = round[i + 1]->geometry();
            const bool inOrder = SameRow(a, b) ? a.left() < b.left() : a.top() < b.top();
            EXPECT_TRUE(inOrder) << names[i].toStdString() << " before "
                                 << names[i + 1].toStdString();
        }
        window_.reset();
    }
}

TEST_F(KeyboardTest, AWholeBackupWithTheKeyboardAlone) {
    Start();
    Activate();
    ASSERT_TRUE(TabTo("BtnSuivant"));
    Key(Qt::Key_Space);
    Tick();
    ASSERT_EQ(Window().Etape(), WizardStep::Destination);

    ASSERT_TRUE(TabTo("EditChemin"));
    Key(Qt::Key_A, Qt::ControlModifier);
    for (const QChar c : Dest()) {
        QTest::keyClick(Handle(), c.toLatin1());
    }
    EXPECT_EQ(Window().EditChemin(), Dest());
    Key(Qt::Key_S, Qt::AltModifier);  // "&Suivant"
    Tick();
    ASSERT_EQ(Window().Etape(), WizardStep::Files);

    // Unticks the second file of the list.
    ASSERT_TRUE(TabTo("CheckListBoxFiles"));
    Key(Qt::Key_Home);
    Key(Qt::Key_Down);
    Key(Qt::Key_Space);
    auto* list = Window().findChild<QListWidget*>(QStringLiteral("CheckListBoxFiles"));
    EXPECT_EQ(list->item(1)->checkState(), Qt::Unchecked);
    ASSERT_TRUE(TabTo("BtnSuivant"));
    Key(Qt::Key_Return);
    Tick();
    ASSERT_EQ(Window().Etape(), WizardStep::BootFile);

    ASSERT_TRUE(TabTo("CheckBoxAutoexec"));
    Key(Qt::Key_Space);
    EXPECT_TRUE(Window().AutoexecChecked());
    ASSERT_TRUE(TabTo("BtnDemarrer"));
    Key(Qt::Key_Enter);
    Tick();
    ASSERT_EQ(Window().Etape(), WizardStep::End);
    EXPECT_EQ(readBytes(Dest() + QStringLiteral("/Kestrix/a.txt")), QByteArray("alpha\n"));
    EXPECT_FALSE(QFile::exists(Dest() + QStringLiteral("/Kestrix/b.txt")));
    EXPECT_EQ(readBytes(Dest() + QStringLiteral("/Autoexec.bat")), QByteArray("Restore.exe\r\n"));
    EXPECT_EQ(Messages(), QStringList());

    Key(Qt::Key_Q, Qt::AltModifier);  // "&Quitter"
    EXPECT_TRUE(AppControl::EndRequested());
    EXPECT_TRUE(QFile::exists(ReportPath(QStringLiteral("01"))));
}

TEST_F(KeyboardTest, EveryVisibleControlHasItsNameAndRoleForAScreenReader) {
    using R = QAccessible::Role;
    const std::map<QString, std::pair<R, QString>> kExpected = {
        {"BtnAide", {R::Button, "Aide"}},
        {"BtnSuivant", {R::Button, "Suivant"}},
        {"BtnPrecedent", {R::Button, L("Précédent")}},
        {"BtnOptions", {R::Button, "Options"}},
        {"BtnParcourir", {R::Button, "Parcourir..."}},
        {"BtnValider", {R::Button, "Valider"}},
        {"BtnDemarrer", {R::Button, L("Démarrer")}},
        {"BtnRapport", {R::Button, "Rapport"}},
        {"BtnQuitter", {R::Button, "Quitter"}},
        {"BtnOptionsGen", {R::Button, L("Général")}},
        {"BtnOptionsAff", {R::Button, "Affichage"}},
        {"BtnOptionsEnreg", {R::Button, L("Paramètres")}},
        {"BtnOptionsDefault", {R::Button, L("Paramètres par défaut")}},
        {"EditChemin",
         {R::EditableText, L("Indiquez ci-dessous le répertoire où créer la sauvegarde. Ce "
                             "répertoire sera automatiquement créé s'il n'existe pas.")}},
        {"SystemTreeViewParcourir",
         {R::Tree, L("Sélectionnez ci-dessous le répertoire où créer la sauvegarde.")}},
        {"CheckListBoxFiles",
         {R::List, L("Cochez dans la liste ci-dessous les fichiers que vous voulez placer dans "
                     "la sauvegarde et décochez les autres.")}},
        {"CheckBoxAutoexec", {R::CheckBox, L("Créer un fichier Autoexec.bat avec la sauvegarde")}},
        {"TrackBarVitesse", {R::Slider, L("Taille des blocs fichier")}},
        {"TintoColorComboBoxFond", {R::ComboBox, L("Couleur des fenêtres")}},
        {"TintoColorComboBoxButtonHaut", {R::ComboBox, L("Couleur des boutons (haut)")}},
        {"TintoColorComboBoxButtonBas", {R::ComboBox, L("Couleur des boutons (bas)")}},
        {"TintoColorComboBoxBarDebut", {R::ComboBox, L("Couleur de la barre (début)")}},
        {"TintoColorComboBoxBarFin", {R::ComboBox, L("Couleur de la barre (fin)")}},
        {"CheckBoxOptions2Texture", {R::CheckBox, L("Texture de fond")}},
        {"CheckBoxOptions3RepName", {R::CheckBox, L("Nom du répertoire")}},
        {"CheckBoxOptions3Autoexec", {R::CheckBox, L("Création Autoexec.bat")}},
        {"CheckBoxOptions3Vitesse", {R::CheckBox, L("Taille des blocs fichier")}},
        {"CheckBoxOptions3WinColor", {R::CheckBox, L("Couleur des fenêtres")}},
        {"CheckBoxOptions3Texture", {R::CheckBox, L("Utilisation de texture")}},
        {"CheckBoxOptions3BtnColor", {R::CheckBox, L("Couleur des boutons")}},
        {"CheckBoxOptions3BarColor", {R::CheckBox, L("Couleur de la barre")}},
    };
    for (const PageRoad& road : kPages) {
        SCOPED_TRACE(::testing::PrintToString(road.etape));
        ReachPage(road);
        for (QWidget* child : Window().findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
            if (!child->isVisibleTo(&Window())) {
                continue;
            }
            const QString name = child->objectName();
            QAccessibleInterface* face = QAccessible::queryAccessibleInterface(child);
            ASSERT_NE(face, nullptr) << name.toStdString();
            if (auto* label = qobject_cast<QLabel*>(child); label && !label->text().isEmpty()) {
                EXPECT_EQ(face->role(), R::StaticText) << name.toStdString();
                EXPECT_EQ(face->text(QAccessible::Name), label->text()) << name.toStdString();
                continue;
            }
            const auto expected = kExpected.find(name);
            if (expected == kExpected.end()) {
                continue;  // frames, pictures, the wallpaper: nothing to read
            }
            EXPECT_EQ(face->role(), expected->second.first) << name.toStdString();
            if (face->role() == R::ComboBox) {
                EXPECT_EQ(child->accessibleName(), expected->second.second) << name.toStdString();
                // On Linux a combo box reads its value as its name; the reader names it by the
                // label that the relation gives.
                QStringList labels;
                for (const auto& relation : face->relations(QAccessible::Label)) {
                    labels << relation.first->text(QAccessible::Name);
                }
                EXPECT_EQ(labels, QStringList{expected->second.second + QStringLiteral(" :")})
                    << name.toStdString();
            } else {
                EXPECT_EQ(face->text(QAccessible::Name), expected->second.second)
                    << name.toStdString();
            }
            EXPECT_EQ(face->text(QAccessible::Description), child->toolTip()) << name.toStdString();
            if (face->role() == R::Button) {
                QAccessibleActionInterface* actions = face->actionInterface();
                ASSERT_NE(actions, nullptr) << name.toStdString();
                EXPECT_TRUE(
                    actions->actionNames().contains(QAccessibleActionInterface::pressAction()))
                    << name.toStdString();
            }
        }
        window_.reset();
    }
}

TEST_F(KeyboardTest, ThePressActionPressesTheButtonAndFollowsTheLink) {
    Start();
    QAccessibleInterface* options = QAccessible::queryAccessibleInterface(Button("BtnOptions"));
    options->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_EQ(Window().Etape(), WizardStep::GeneralOptions);
    Click("BtnAide");
    auto* about = Window().findChild<QWidget*>(QStringLiteral("FormKestrixAide"));
    const struct {
        const char* name;
        QAccessible::Role role;
    } kAbout[] = {{"BtnHTML", QAccessible::Button},    {"BtnHLP", QAccessible::Button},
                  {"BtnOK", QAccessible::Button},      {"LnkLabelWebSite", QAccessible::Link},
                  {"LnkLabelMail", QAccessible::Link}, {"LnkLabelWebPage", QAccessible::Link}};
    for (const auto& c : kAbout) {
        QAccessibleInterface* face =
            QAccessible::queryAccessibleInterface(about->findChild<QWidget*>(c.name));
        EXPECT_EQ(face->role(), c.role) << c.name;
        EXPECT_FALSE(face->text(QAccessible::Name).isEmpty()) << c.name;
    }
    QAccessible::queryAccessibleInterface(about->findChild<QWidget*>("LnkLabelMail"))
        ->actionInterface()
        ->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_EQ(opened_, QList<QUrl>{QUrl(QStringLiteral("mailto:contact@kestrix.example"))});
}
