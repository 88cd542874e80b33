// The about window: its controls, the look it takes from the main window on each showing, its
// links and its help buttons.

#include <QApplication>
#include <QEnterEvent>
#include <QFileInfo>
#include <QLabel>
#include <QScreen>
#include <QTest>

#include "WizardFixture.h"
#include "widgets/SystemColours.h"
#include "widgets/TLnkLabel.h"
#include "widgets/TZederuGradientButton.h"
#include "wizard/TFormKestrixAide.h"

namespace {

QString L(const char* text) {
    return QString::fromUtf8(text);
}

}  // namespace

class AboutTest : public WizardFixture {
protected:
    QWidget* About() {
        Click("BtnAide");
        Tick();
        QWidget* about = Window().findChild<QWidget*>(QStringLiteral("FormKestrixAide"));
        EXPECT_NE(about, nullptr);
        return about;
    }
    template <typename T>
    static T* Child(QWidget* about, const char* name) {
        T* child = about->findChild<T*>(QLatin1String(name));
        EXPECT_NE(child, nullptr) << name;
        return child;
    }
    void SetLook(TColor window, bool texture, TColor top, TColor bottom) {
        Window().SetWindowColour(window);
        Window().SetTextureShown(texture);
        Window().SetComboColour(ColourBox::ButtonHaut, top);
        Window().SetComboColour(ColourBox::ButtonBas, bottom);
        Window().ApplyButtonColours();
    }
    void ExpectLook(QWidget* about, TColor window, bool texture, TColor top, TColor bottom) {
        EXPECT_EQ(about->palette().color(QPalette::Window), TColorToQColor(window));
        EXPECT_EQ(Child<QWidget>(about, "ZederuWallpaperAide")->isVisibleTo(about), texture);
        for (const char* name : {"BtnHLP", "BtnHTML", "BtnOK"}) {
            EXPECT_EQ(Child<TZederuGradientButton>(about, name)->lightColor(), top) << name;
            EXPECT_EQ(Child<TZederuGradientButton>(about, name)->shadowColor(), bottom) << name;
        }
    }
};

TEST_F(AboutTest, EveryControlAtItsPlace) {
    Start();
    QWidget* about = About();
    EXPECT_EQ(about->windowTitle(), L("Aide - A propos de Kestrix"));
    EXPECT_EQ(about->size(), QSize(345, 353));
    const QRect screen = about->screen()->availableGeometry();
    EXPECT_LE((about->frameGeometry().center() - screen.center()).manhattanLength(), 2);
    const struct {
        const char* name;
        QRect place;  // an empty size: only the position is fixed
    } kPlaces[] = {
        {"ZederuWallpaperAide", QRect(0, 0, 345, 353)},
        {"ImageAboutTitle", QRect(8, 16, 330, 115)},
        {"BevelImage", QRect(8, 16, 330, 115)},
        {"LabelAboutTitle", QRect(40, 144, 265, 17)},
        {"BevelAboutHaut", QRect(8, 160, 329, 9)},
        {"ImageAboutLogo", QRect(12, 192, 75, 90)},
        {"LabelAbout1", QRect(104, 197, 0, 0)},
        {"LnkLabelWebSite", QRect(174, 197, 0, 0)},
        {"LabelAbout2", QRect(104, 229, 0, 0)},
        {"LnkLabelMail", QRect(184, 229, 0, 0)},
        {"LabelAbout3", QRect(104, 261, 0, 0)},
        {"LnkLabelWebPage", QRect(166, 261, 0, 0)},
        {"BevelAboutBas", QRect(8, 296, 329, 10)},
        {"LabelAboutAide", QRect(16, 325, 0, 0)},
        {"BtnHTML", QRect(56, 318, 105, 25)},
        {"BtnHLP", QRect(168, 318, 97, 25)},
        {"BtnOK", QRect(288, 318, 49, 25)},
    };
    for (const auto& control : kPlaces) {
        const QWidget* widget = Child<QWidget>(about, control.name);
        ASSERT_NE(widget, nullptr);
        if (control.place.isEmpty()) {
            EXPECT_EQ(widget->pos(), control.place.topLeft()) << control.name;
        } else {
            EXPECT_EQ(widget->geometry(), control.place) << control.name;
        }
    }
    // Our own pictures, and a notice that fits its one line.
    EXPECT_EQ(Child<QLabel>(about, "ImageAboutTitle")->pixmap().size(), QSize(330, 115));
    EXPECT_EQ(Child<QLabel>(about, "ImageAboutLogo")->pixmap().size(), QSize(75, 90));
    const QLabel* title = Child<QLabel>(about, "LabelAboutTitle");
    EXPECT_TRUE(title->text().startsWith(QStringLiteral("Kestrix 1.1")));
    EXPECT_LE(QFontMetrics(title->font())
                  .boundingRect(QRect(0, 0, 265, 1000), Qt::TextWordWrap, title->text())
                  .height(),
              17);
    // The links keep at least their width of the design, never pass the window's right margin
    // and show their whole address.
    const struct {
        const char* name;
        int width;
    } kLinks[] = {{"LnkLabelWebSite", 134}, {"LnkLabelMail", 123}, {"LnkLabelWebPage", 165}};
    for (const auto& link : kLinks) {
        const QLabel* label = Child<QLabel>(about, link.name);
        EXPECT_GE(label->width(), link.width) << link.name;
        EXPECT_LE(label->geometry().right(), 345 - 8) << link.name;
        EXPECT_GE(label->width(), QFontMetrics(label->font()).horizontalAdvance(label->text()))
            << link.name;
    }
    // Letters are drawn one by one: no ligature turns "TM" into one sign.
    const QFontMetrics metrics(Child<QWidget>(about, "BtnHTML")->font());
    EXPECT_EQ(
        metrics.horizontalAdvance(QStringLiteral("TM")),
        metrics.horizontalAdvance(QLatin1Char('T')) + metrics.horizontalAdvance(QLatin1Char('M')));
    EXPECT_EQ(Child<TZederuGradientButton>(about, "BtnHTML")->caption(), L("Format HTML       "));
    EXPECT_EQ(Child<TZederuGradientButton>(about, "BtnHLP")->caption(), L("Format HLP        "));
    EXPECT_EQ(Child<TZederuGradientButton>(about, "BtnOK")->caption(), L("OK     "));
}

TEST_F(AboutTest, TakesTheMainLookOnEachShowingOnly) {
    Start();
    SetLook(0x00336699, false, 0x00112233, 0x00445566);
    QWidget* about = About();
    ExpectLook(about, 0x00336699, false, 0x00112233, 0x00445566);
    // Changed while it stays open: it keeps its look, and there is still one window.
    SetLook(clBtnFace, true, clBtnFace, clBtnFace);
    EXPECT_EQ(About(), about);
    int shown = 0;
    for (QWidget* top : QApplication::topLevelWidgets()) {
        shown += top->isVisible() && top->windowTitle() == L("Aide - A propos de Kestrix");
    }
    EXPECT_EQ(shown, 1);
    ExpectLook(about, 0x00336699, false, 0x00112233, 0x00445566);
    ClickThroughWindow(Child<QWidget>(about, "BtnOK"));
    EXPECT_FALSE(about->isVisible());
    EXPECT_EQ(About(), about);
    ExpectLook(about, clBtnFace, true, clBtnFace, clBtnFace);
    // Each showing starts on OK, so that Enter closes it.
    EXPECT_EQ(about->focusWidget(), Child<QWidget>(about, "BtnOK"));
    QTest::keyClick(about->focusWidget(), Qt::Key_Return);
    EXPECT_FALSE(about->isVisible());
    // Escape closes it too, from whichever of its buttons has the focus.
    for (const char* button : {"BtnOK", "BtnHTML"}) {
        EXPECT_EQ(About(), about);
        QTest::keyClick(Child<QWidget>(about, button), Qt::Key_Escape);
        EXPECT_FALSE(about->isVisible()) << button;
    }
}

TEST_F(AboutTest, LinksChangeColourAndOpenTheirAddress) {
    Start();
    QWidget* about = About();
    const QUrl help = QUrl::fromLocalFile(
        QFileInfo(File(QStringLiteral("Aide/HTML/Index.htm"))).absoluteFilePath());
    ASSERT_TRUE(QFileInfo::exists(help.toLocalFile()));
    const struct {
        const char* name;
        QString text;
        QUrl link;
    } kLinks[] = {
        {"LnkLabelWebSite", QStringLiteral("www.kestrix.example"),
         QUrl(QStringLiteral("https://www.kestrix.example/"))},
        {"LnkLabelMail", QStringLiteral("contact@kestrix.example"),
         QUrl(QStringLiteral("mailto:contact@kestrix.example"))},
        {"LnkLabelWebPage", QString(), help},
    };
    for (const auto& c : kLinks) {
        SCOPED_TRACE(c.name);
        auto* label = Child<TLnkLabel>(about, c.name);
        if (!c.text.isEmpty()) {
            EXPECT_EQ(label->text(), c.text);
        }
        EXPECT_EQ(label->fontColor(), clBlue);
        EXPECT_TRUE(label->font().underline());
        const auto enter = [label] {
            QEnterEvent event(QPointF(2, 2), QPointF(2, 2), label->mapToGlobal(QPointF(2, 2)));
            QApplication::sendEvent(label, &event);
        };
        const auto leave = [label] {
            QEvent event(QEvent::Leave);
            QApplication::sendEvent(label, &event);
        };
        enter();
        EXPECT_EQ(label->fontColor(), clRed);
        leave();
        EXPECT_EQ(label->fontColor(), clBlue);
        opened_.clear();
        enter();
        ClickThroughWindow(label);
        EXPECT_EQ(opened_, QList<QUrl>{c.link});
        leave();
        EXPECT_EQ(label->fontColor(), clNavy);
        enter();
        EXPECT_EQ(label->fontColor(), clRed);
    }
}

TEST_F(AboutTest, HelpButtonsOpenTheHtmlHelp) {
    Start();
    QWidget* about = About();
    const QUrl help = QUrl::fromLocalFile(
        QFileInfo(File(QStringLiteral("Aide/HTML/Index.htm"))).absoluteFilePath());
    QUrl atTopic = help;
    atTopic.setFragment(QStringLiteral("Presentation"));
    ClickThroughWindow(Child<QWidget>(about, "BtnHTML"));
    ClickThroughWindow(Child<QWidget>(about, "BtnHLP"));
    EXPECT_EQ(opened_, (QList<QUrl>{help, atTopic}));
    EXPECT_TRUE(about->isVisible());
}
