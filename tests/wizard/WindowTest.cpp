// The window as a person meets it: which control a click reaches, the rules under the title and
// above the buttons, and "Aide" during an unattended run.

#include <QApplication>
#include <QImage>
#include <QLabel>
#include <QTimer>

#include "FileBytes.h"
#include "WizardFixture.h"
#include "widgets/SystemColours.h"
#include "widgets/TZederuGradientButton.h"

namespace {

struct PageCase {
    WizardStep etape;
    std::vector<const char*> clicks;  // from the welcome page, with the destination set
    QStringList buttons;              // the gradient buttons the page shows
};

QStringList Names(std::initializer_list<const char*> names) {
    QStringList list;
    for (const char* name : names) {
        list << QLatin1String(name);
    }
    list.sort();
    return list;
}

const PageCase kPages[] = {
    {WizardStep::Welcome, {}, Names({"BtnAide", "BtnSuivant", "BtnOptions", "BtnQuitter"})},
    {WizardStep::Destination,
     {"BtnSuivant"},
     Names({"BtnAide", "BtnSuivant", "BtnPrecedent", "BtnParcourir", "BtnQuitter"})},
    {WizardStep::FolderBrowse,
     {"BtnSuivant", "BtnParcourir"},
     Names({"BtnAide", "BtnValider", "BtnQuitter"})},
    {WizardStep::Files,
     {"BtnSuivant", "BtnSuivant"},
     Names({"BtnAide", "BtnSuivant", "BtnPrecedent", "BtnQuitter"})},
    {WizardStep::BootFile,
     {"BtnSuivant", "BtnSuivant", "BtnSuivant"},
     Names({"BtnAide", "BtnDemarrer", "BtnPrecedent", "BtnQuitter"})},
    {WizardStep::End,
     {"BtnSuivant", "BtnSuivant", "BtnSuivant", "BtnDemarrer"},
     Names({"BtnAide", "BtnRapport", "BtnPrecedent", "BtnQuitter"})},
    {WizardStep::GeneralOptions,
     {"BtnOptions"},
     Names({"BtnAide", "BtnValider", "BtnOptionsGen", "BtnOptionsAff", "BtnOptionsEnreg",
            "BtnQuitter"})},
    {WizardStep::DisplayOptions,
     {"BtnOptions", "BtnOptionsAff"},
     Names({"BtnAide", "BtnValider", "BtnOptionsGen", "BtnOptionsAff", "BtnOptionsEnreg",
            "BtnOptionsDefault", "BtnQuitter"})},
    {WizardStep::SavingOptions,
     {"BtnOptions", "BtnOptionsEnreg"},
     Names({"BtnAide", "BtnValider", "BtnOptionsGen", "BtnOptionsAff", "BtnOptionsEnreg",
            "BtnQuitter"})},
};

// The visible gradient buttons of a window, each with the control that a click at its centre
// and one at each of its corners reaches ("" when that is the button itself).
QStringList ButtonsWithWhatTheMouseReaches(QWidget* window, QStringList* misses) {
    QStringList names;
    for (auto* button : window->findChildren<TZederuGradientButton*>()) {
        if (!button->isVisibleTo(window)) {
            continue;
        }
        names << button->objectName();
        const QRect r = button->geometry();
        for (const QPoint& at :
             {r.center(), r.topLeft() + QPoint(1, 1), r.bottomRight() - QPoint(1, 1)}) {
            QWidget* reached = window->childAt(at);
            if (reached != button) {
                *misses << button->objectName() + QStringLiteral(" covered by ") +
                               (reached ? reached->objectName() : QStringLiteral("nothing"));
            }
        }
    }
    names.sort();
    return names;
}

}  // namespace

class WindowTest : public WizardFixture {};

TEST_F(WindowTest, EveryButtonOfEveryPageTakesTheMouseAtItsPlace) {
    for (const PageCase& page : kPages) {
        SCOPED_TRACE(::testing::PrintToString(page.etape));
        Start();
        Window().SetEditChemin(Dest());
        for (const char* name : page.clicks) {
            Click(name);
            Tick();
        }
        ASSERT_EQ(Window().Etape(), page.etape);
        QStringList misses;
        EXPECT_EQ(ButtonsWithWhatTheMouseReaches(&Window(), &misses), page.buttons);
        EXPECT_EQ(misses, QStringList());
        window_.reset();
    }
}

TEST_F(WindowTest, TheBackupPageButtonsTakeTheMouseDuringTheRun) {
    StartOnAutoexecPage();
    QStringList names;
    QStringList misses;
    QTimer::singleShot(0, [&] { names = ButtonsWithWhatTheMouseReaches(&Window(), &misses); });
    Click("BtnDemarrer");
    EXPECT_EQ(names, Names({"BtnAide", "BtnQuitter"}));
    EXPECT_EQ(misses, QStringList());
}

TEST_F(WindowTest, RaisedBottomLinesLieOnTheBottomEdgeOfTheirBox) {
    Start();
    Click("BtnOptions");
    Tick();
    Click("BtnOptionsEnreg");
    Tick();
    Click("BtnAide");
    Tick();
    QWidget* about = nullptr;
    for (QWidget* top : QApplication::topLevelWidgets()) {
        if (top->objectName() == QStringLiteral("FormKestrixAide")) {
            about = top;
        }
    }
    ASSERT_NE(about, nullptr);
    const QColor highlight = TColorToQColor(clBtnHighlight);
    const QColor shadow = TColorToQColor(clBtnShadow);
    const struct {
        QWidget* window;
        const char* name;
        QRect place;
    } kBevels[] = {
        {&Window(), "BevelHaut", QRect(152, 40, 289, 9)},
        {&Window(), "BevelBas", QRect(152, 288, 289, 9)},
        {&Window(), "BevelOptions3Num4", QRect(312, 208, 113, 9)},
        {about, "BevelAboutHaut", QRect(8, 160, 329, 9)},
        {about, "BevelAboutBas", QRect(8, 296, 329, 10)},
    };
    QImage mainPicture = Window().grab().toImage();
    QImage aboutPicture = about->grab().toImage();
    for (const auto& bevel : kBevels) {
        SCOPED_TRACE(bevel.name);
        auto* widget = bevel.window->findChild<QWidget*>(QLatin1String(bevel.name));
        ASSERT_NE(widget, nullptr);
        EXPECT_EQ(widget->geometry(), bevel.place);
        const QImage& picture = bevel.window == about ? aboutPicture : mainPicture;
        const QRect& r = bevel.place;
        int lit = 0;
        int dark = 0;
        int middleDark = 0;
        for (int x = r.left(); x <= r.right(); ++x) {
            lit += picture.pixelColor(x, r.bottom() - 1) == highlight;
            dark += picture.pixelColor(x, r.bottom()) == shadow;
            middleDark += picture.pixelColor(x, r.top() + r.height() / 2) == shadow;
        }
        EXPECT_EQ(lit, r.width());
        EXPECT_EQ(dark, r.width());
        EXPECT_EQ(middleDark, 0);
    }
}

TEST_F(WindowTest, AideDuringAnUnattendedRunShowsTheAboutWindow) {
    bool clicked = false;
    // Runs at the first pass of the backup's message pump, inside the window's creation.
    QTimer::singleShot(0, [&] {
        for (QWidget* top : QApplication::topLevelWidgets()) {
            if (top->objectName() == QStringLiteral("FormKestrix")) {
                auto* aide = top->findChild<TZederuGradientButton*>(QStringLiteral("BtnAide"));
                ASSERT_TRUE(aide->isVisibleTo(top));
                ClickThroughWindow(aide);
                clicked = true;
            }
        }
    });
    Start({QStringLiteral("/rep"), Dest(), QStringLiteral("/auto")});
    ASSERT_TRUE(clicked);
    auto* about = Window().findChild<QWidget*>(QStringLiteral("FormKestrixAide"));
    ASSERT_NE(about, nullptr);
    EXPECT_TRUE(about->isVisible());
    EXPECT_EQ(readBytes(Dest() + QStringLiteral("/Kestrix/a.txt")), QByteArray("alpha\n"));
}
