#include "widgets/ButtonAccelerators.h"
#include "widgets/SystemColours.h"
#include "widgets/TZederuGradientButton.h"

#include "WidgetTestSupport.h"

#include <gtest/gtest.h>
#include <QFontMetrics>
#include <QMenu>
#include <QSignalSpy>
#include <QTest>

namespace {

const QColor kGlyphColour(200, 0, 0);
const QColor kKey(255, 0, 255);

bool IsBlueText(const QColor& c) {
    return c.blue() > 150 && c.red() < 120 && c.green() < 120;
}

// A wizard button: vertical gradient, glyph on the left, blue caption for easy detection.
void MakeWizardButton(TZederuGradientButton& button, const QString& caption, int w, int spacing,
                      const QImage& glyph) {
    button.resize(w, 25);
    button.setCaption(caption);
    button.setSpacing(spacing);
    button.setLayout(TZederuGradientButton::blGlyphLeft);
    button.setVertical(true);
    button.setLightColor(0xE0E0E0);
    button.setShadowColor(clSilver);
    button.setGlyph(glyph);
    QPalette p = button.palette();
    p.setColor(QPalette::WindowText, QColor(0, 0, 255));
    button.setPalette(p);
}

// The leftmost column holding caption pixels.
int LeftmostText(const QImage& image) {
    for (int x = 0; x < image.width(); ++x) {
        for (int y = 2; y < image.height() - 2; ++y) {
            if (IsBlueText(PixelAt(image, x, y))) {
                return x;
            }
        }
    }
    return -1;
}

int RightmostText(const QImage& image) {
    for (int x = image.width() - 1; x >= 0; --x) {
        for (int y = 2; y < image.height() - 2; ++y) {
            if (IsBlueText(PixelAt(image, x, y))) {
                return x;
            }
        }
    }
    return -1;
}

struct Shown {
    QWidget host;
    Shown() {
        host.resize(400, 200);
        host.move(50, 50);
    }
    void show() {
        host.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&host));
        Settle();
    }
};

}  // namespace

TEST(GradientButton, Defaults) {
    TZederuGradientButton button;
    EXPECT_EQ(button.size(), QSize(25, 25));
    EXPECT_EQ(button.lightColor(), clBtnHighlight);
    EXPECT_EQ(button.shadowColor(), clBtnShadow);
    EXPECT_TRUE(button.glyph().isNull());
    EXPECT_EQ(button.dropDownMenu(), nullptr);
    EXPECT_TRUE(button.grayedInactive());
    EXPECT_TRUE(button.caption().isEmpty());
    EXPECT_EQ(button.layout(), TZederuGradientButton::blGlyphTop);
    EXPECT_EQ(button.bevelWidth(), 1);
    EXPECT_FALSE(button.isDown());
    EXPECT_EQ(button.groupIndex(), 0);
    EXPECT_FALSE(button.allowAllUp());
    EXPECT_FALSE(button.isFlat());
    EXPECT_TRUE(button.markDropDown());
    EXPECT_EQ(button.spacing(), 1);
    EXPECT_FALSE(button.isVertical());
    EXPECT_FALSE(button.windowCaption());
    EXPECT_TRUE(button.isHot());
}

TEST(GradientButton, SuivantGlyphAndCaptionPositions) {
    TZederuGradientButton button;
    MakeWizardButton(button, QStringLiteral("&Suivant       "), 90, 25,
                     KeyedPicture(15, 14, kGlyphColour, kKey));
    const int tw = QFontMetrics(button.font()).horizontalAdvance(button.caption());
    const int th = QFontMetrics(button.font()).height();
    EXPECT_EQ(button.glyphPosition(), QPoint(45 - tw / 2, 12 - 7));
    EXPECT_EQ(button.captionPosition(), QPoint(45 - tw / 2 + 25, 12 - th / 2));

    const QImage image = button.grab().toImage();
    const QPoint g = button.glyphPosition();
    EXPECT_EQ(PixelAt(image, g.x(), g.y()), kGlyphColour);
    EXPECT_EQ(PixelAt(image, g.x() + 14, g.y() + 13), kGlyphColour);
    EXPECT_NE(PixelAt(image, g.x() - 1, g.y()), kGlyphColour);
    EXPECT_NE(PixelAt(image, g.x() + 15, g.y()), kGlyphColour);
    // The glyph's bottom-left pixel is its transparent colour: the gradient shows there.
    EXPECT_EQ(button.glyphTransparentColor(), kKey.rgb());
    EXPECT_NE(PixelAt(image, g.x(), g.y() + 13), kKey);
    EXPECT_NE(PixelAt(image, g.x(), g.y() + 13), kGlyphColour);
    // The visible text starts just right of the caption position (the "&" is not drawn).
    const int left = LeftmostText(image);
    EXPECT_GE(left, button.captionPosition().x());
    EXPECT_LE(left, button.captionPosition().x() + 2);
}

TEST(GradientButton, ParcourirRightAlignsItsCaption) {
    TZederuGradientButton button;
    MakeWizardButton(button, QStringLiteral("&Parcourir..."), 289, 110, QImage());
    const int tw = QFontMetrics(button.font()).horizontalAdvance(button.caption());
    EXPECT_EQ(button.captionPosition().x(), 289 - tw - 110);
    const QImage image = button.grab().toImage();
    const int left = LeftmostText(image);
    EXPECT_GE(left, 289 - tw - 110);
    EXPECT_LE(left, 289 - tw - 110 + 2);
    // The "&" takes no room on screen, so the text ends a little before 110 pixels from the edge.
    const int ampersand = QFontMetrics(button.font()).horizontalAdvance(QLatin1Char('&'));
    EXPECT_LE(RightmostText(image), 289 - 110);
    EXPECT_GE(RightmostText(image), 289 - 110 - ampersand - 3);
}

TEST(GradientButton, OtherLayouts) {
    TZederuGradientButton button;
    button.resize(80, 60);
    button.setCaption(QStringLiteral("Texte"));
    button.setSpacing(4);
    button.setGlyph(KeyedPicture(10, 12, kGlyphColour, kKey));
    const QFontMetrics m(button.font());
    const int tw = m.horizontalAdvance(button.caption());
    const int th = m.height();
    const int t = 12 + th + 2 + 4;
    EXPECT_EQ(button.captionPosition(), QPoint(40 - tw / 2, 12 + (30 - t / 2) + 4));
    EXPECT_EQ(button.glyphPosition(), QPoint(40, button.captionPosition().y() - 12 - 4));
    button.setLayout(TZederuGradientButton::blGlyphBottom);
    EXPECT_EQ(button.captionPosition(), QPoint(40 - tw / 2, 30 - t / 2));
    EXPECT_EQ(button.glyphPosition(), QPoint(40, 30 - t / 2 + 12 + 4));
    button.setLayout(TZederuGradientButton::blGlyphRight);
    EXPECT_EQ(button.captionPosition(), QPoint(40 - tw / 2 - 4, 30 - th / 2));
    EXPECT_EQ(button.glyphPosition(), QPoint(40 + tw / 2 + 4, 30 - 6));
    button.setGlyph(QImage());
    EXPECT_EQ(button.captionPosition(), QPoint(4, 30 - th / 2));

    // A linked menu reserves four pixels at the right of the centred layouts.
    QMenu menu;
    button.setLayout(TZederuGradientButton::blGlyphTop);
    const int before = button.captionPosition().x();
    button.setDropDownMenu(&menu);
    EXPECT_EQ(button.captionPosition().x(), before - 4);
    button.setMarkDropDown(false);
    EXPECT_EQ(button.captionPosition().x(), before);
}

TEST(GradientButton, GradientEndsAndBankersRounding) {
    TZederuGradientButton button;
    button.resize(20, 10);
    button.setFlat(true);  // flat and not hot: no frame over the gradient
    button.setLightColor(0x000000);
    button.setShadowColor(0x00000A);  // red 0 -> 10 over 20 columns: 0.5 per column
    const QImage image = button.grab().toImage();
    // Halves go to the even neighbour: 0.5 -> 0, 1.5 -> 2, 2.5 -> 2, 3.5 -> 4.
    const int expected[] = {0, 0, 1, 2, 2, 2, 3, 4, 4};
    for (int i = 0; i < 9; ++i) {
        EXPECT_EQ(PixelAt(image, i, 5).red(), expected[i]) << i;
    }
    EXPECT_EQ(PixelAt(image, 19, 5).red(), 10);  // 9.5 -> 10

    // Falling channel, vertical: the wizard's top and bottom colours.
    button.resize(30, 25);
    button.setVertical(true);
    button.setLightColor(0xE0E0E0);
    button.setShadowColor(clSilver);
    const QImage wizard = button.grab().toImage();
    EXPECT_EQ(PixelAt(wizard, 10, 0), QColor(224, 224, 224));
    EXPECT_EQ(PixelAt(wizard, 10, 24), QColor(193, 193, 193));  // 224 - R(32 / 25 * 24)
    EXPECT_EQ(PixelAt(wizard, 10, 12), QColor(209, 209, 209));  // 224 - R(15.36)
}

TEST(GradientButton, SystemColourAsLightColour) {
    QPalette palette = QApplication::palette();
    palette.setColor(QPalette::Button, QColor(40, 80, 120));
    QApplication::setPalette(palette);
    TZederuGradientButton button;
    button.resize(30, 25);
    button.setFlat(true);
    button.setVertical(true);
    button.setLightColor(clBtnFace);
    button.setShadowColor(clBtnFace);
    const QImage image = button.grab().toImage();
    EXPECT_EQ(PixelAt(image, 5, 0), QColor(40, 80, 120));
    EXPECT_EQ(PixelAt(image, 5, 24), QColor(40, 80, 120));
}

TEST(GradientButton, ClassicFramesRaisedAndPressed) {
    Shown shown;
    TZederuGradientButton button(&shown.host);
    button.resize(40, 20);
    shown.show();
    const QColor dark = TColorToQColor(cl3DDkShadow);
    const QColor light = TColorToQColor(clBtnHighlight);
    const QColor shadow = TColorToQColor(clBtnShadow);
    QImage image = button.grab().toImage();
    EXPECT_EQ(PixelAt(image, 39, 10), dark);
    EXPECT_EQ(PixelAt(image, 20, 19), dark);
    EXPECT_EQ(PixelAt(image, 0, 10), light);
    EXPECT_EQ(PixelAt(image, 20, 0), light);
    EXPECT_EQ(PixelAt(image, 38, 10), shadow);
    EXPECT_EQ(PixelAt(image, 20, 18), shadow);

    QSignalSpy clicks(&button, &TZederuGradientButton::clicked);
    QTest::mousePress(&button, Qt::LeftButton, {}, QPoint(20, 10));
    EXPECT_TRUE(button.isPressed());
    image = button.grab().toImage();
    EXPECT_EQ(PixelAt(image, 20, 0), dark);
    EXPECT_EQ(PixelAt(image, 0, 10), dark);
    EXPECT_EQ(PixelAt(image, 20, 19), light);
    EXPECT_EQ(PixelAt(image, 39, 10), light);
    EXPECT_EQ(PixelAt(image, 20, 1), shadow);
    EXPECT_EQ(PixelAt(image, 1, 10), shadow);
    EXPECT_EQ(clicks.count(), 0);
    QTest::mouseRelease(&button, Qt::LeftButton, {}, QPoint(20, 10));
    EXPECT_FALSE(button.isPressed());
    EXPECT_EQ(clicks.count(), 1);
    EXPECT_EQ(PixelAt(button.grab().toImage(), 39, 10), dark);

    // Released outside: no click. Right button: no press.
    QTest::mousePress(&button, Qt::LeftButton, {}, QPoint(20, 10));
    QTest::mouseRelease(&button, Qt::LeftButton, {}, QPoint(60, 10));
    QTest::mouseClick(&button, Qt::RightButton, {}, QPoint(20, 10));
    EXPECT_EQ(clicks.count(), 1);

    // No classic bevel at width 0.
    button.setBevelWidth(0);
    image = button.grab().toImage();
    EXPECT_NE(PixelAt(image, 39, 10), dark);
}

TEST(GradientButton, FlatFrameOnlyWhileHot) {
    Shown shown;
    TZederuGradientButton button(&shown.host);
    button.resize(40, 20);
    button.setFlat(true);
    button.setBevelWidth(2);
    button.setLightColor(0x00FF00);   // green
    button.setShadowColor(0xFF0000);  // blue
    shown.show();
    EXPECT_FALSE(button.isHot());
    QImage image = button.grab().toImage();
    EXPECT_NE(PixelAt(image, 20, 0), QColor(0, 255, 0));

    QSignalSpy entered(&button, &TZederuGradientButton::mouseEntered);
    QSignalSpy left(&button, &TZederuGradientButton::mouseLeft);
    QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
    QCoreApplication::sendEvent(&button, &enter);
    EXPECT_TRUE(button.isHot());
    EXPECT_EQ(entered.count(), 1);
    image = button.grab().toImage();
    for (int ring : {0, 1}) {
        EXPECT_EQ(PixelAt(image, 20, ring), QColor(0, 255, 0));
        EXPECT_EQ(PixelAt(image, ring, 10), QColor(0, 255, 0));
        EXPECT_EQ(PixelAt(image, 20, 19 - ring), QColor(0, 0, 255));
        EXPECT_EQ(PixelAt(image, 39 - ring, 10), QColor(0, 0, 255));
    }
    EXPECT_NE(PixelAt(image, 20, 2), QColor(0, 255, 0));

    QTest::mousePress(&button, Qt::LeftButton, {}, QPoint(20, 10));
    image = button.grab().toImage();
    EXPECT_EQ(PixelAt(image, 20, 0), QColor(0, 0, 255));
    EXPECT_EQ(PixelAt(image, 20, 19), QColor(0, 255, 0));
    QTest::mouseRelease(&button, Qt::LeftButton, {}, QPoint(20, 10));

    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(&button, &leave);
    EXPECT_FALSE(button.isHot());
    EXPECT_EQ(left.count(), 1);
    EXPECT_NE(PixelAt(button.grab().toImage(), 20, 0), QColor(0, 255, 0));
}

TEST(GradientButton, GroupsAndDown) {
    QWidget host;
    TZederuGradientButton a(&host);
    TZederuGradientButton b(&host);
    TZederuGradientButton other(&host);
    a.setDown(true);
    EXPECT_FALSE(a.isDown());  // no group: nothing happens
    a.setGroupIndex(1);
    b.setGroupIndex(1);
    other.setGroupIndex(2);
    a.setDown(true);
    other.setDown(true);
    EXPECT_TRUE(a.isDown());
    b.setDown(true);
    EXPECT_TRUE(b.isDown());
    EXPECT_FALSE(a.isDown());
    EXPECT_TRUE(other.isDown());
    // Clicking does not change Down.
    QTest::mouseClick(&b, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_TRUE(b.isDown());
    // A down button draws sunken.
    EXPECT_EQ(PixelAt(b.grab().toImage(), 12, 0), TColorToQColor(cl3DDkShadow));
    EXPECT_EQ(PixelAt(a.grab().toImage(), 12, 0), TColorToQColor(clBtnHighlight));
    b.setGroupIndex(0);
    EXPECT_FALSE(b.isDown());
}

TEST(GradientButton, WindowCaptionNeverLooksPressedButClicks) {
    Shown shown;
    TZederuGradientButton button(&shown.host);
    button.setWindowCaption(true);
    shown.show();
    QSignalSpy clicks(&button, &TZederuGradientButton::clicked);
    QTest::mousePress(&button, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_FALSE(button.isPressed());
    EXPECT_EQ(PixelAt(button.grab().toImage(), 12, 0), TColorToQColor(clBtnHighlight));
    QTest::mouseRelease(&button, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(clicks.count(), 1);
}

TEST(GradientButton, DropDownMenuOpensAtBottomLeft) {
    Shown shown;
    TZederuGradientButton button(&shown.host);
    button.setGeometry(30, 40, 133, 21);
    QMenu menu;
    menu.addAction(QStringLiteral("Couleurs par défaut de Kestrix"));
    button.setDropDownMenu(&menu);
    shown.show();

    // Record the press state of every paint: pressed for a moment, then normal.
    struct Recorder : QObject {
        TZederuGradientButton* button;
        QList<bool> states;
        bool eventFilter(QObject*, QEvent* e) override {
            if (e->type() == QEvent::Paint) {
                states.append(button->isPressed());
            }
            return false;
        }
    } recorder;
    recorder.button = &button;
    button.installEventFilter(&recorder);

    QSignalSpy clicks(&button, &TZederuGradientButton::clicked);
    QTest::mousePress(&button, Qt::LeftButton, {}, QPoint(10, 10));
    ASSERT_TRUE(menu.isVisible());
    EXPECT_EQ(menu.pos(), button.mapToGlobal(QPoint(0, 21)));
    EXPECT_FALSE(button.isPressed());
    ASSERT_GE(recorder.states.size(), 2);
    EXPECT_TRUE(recorder.states.first());
    EXPECT_FALSE(recorder.states.last());
    menu.close();
    EXPECT_EQ(clicks.count(), 0);

    // A destroyed menu unlinks itself.
    {
        QMenu temporary;
        button.setDropDownMenu(&temporary);
        EXPECT_EQ(button.dropDownMenu(), &temporary);
    }
    EXPECT_EQ(button.dropDownMenu(), nullptr);
}

TEST(GradientButton, AcceleratorPressesReleasesAndClicks) {
    Shown shown;
    TZederuGradientButton suivant(&shown.host);
    suivant.setCaption(QStringLiteral("&Suivant       "));
    TZederuGradientButton parcourir(&shown.host);
    parcourir.setCaption(QStringLiteral("&Parcourir..."));
    TZederuGradientButton precedent(&shown.host);
    precedent.setCaption(QStringLiteral("&Précédent       "));
    TZederuGradientButton hidden(&shown.host);
    hidden.setCaption(QStringLiteral("&Quitter"));
    parcourir.move(30, 0);
    precedent.move(60, 0);
    hidden.move(90, 0);
    shown.show();
    hidden.hide();
    EXPECT_EQ(suivant.acceleratorLetter(), QLatin1Char('S'));
    EXPECT_EQ(precedent.acceleratorLetter(), QLatin1Char('P'));

    QSignalSpy s(&suivant, &TZederuGradientButton::clicked);
    QSignalSpy p1(&parcourir, &TZederuGradientButton::clicked);
    QSignalSpy p2(&precedent, &TZederuGradientButton::clicked);
    QSignalSpy q(&hidden, &TZederuGradientButton::clicked);
    PaintCounter paints(&suivant);
    QTest::keyClick(&shown.host, Qt::Key_S, Qt::AltModifier);
    EXPECT_EQ(s.count(), 1);
    EXPECT_GE(paints.count, 2);  // pressed, then released
    EXPECT_FALSE(suivant.isPressed());
    // The first button in control order takes a shared letter.
    QTest::keyClick(&shown.host, Qt::Key_P, Qt::AltModifier);
    EXPECT_EQ(p1.count(), 1);
    EXPECT_EQ(p2.count(), 0);
    parcourir.hide();
    QTest::keyClick(&shown.host, Qt::Key_P, Qt::AltModifier);
    EXPECT_EQ(p2.count(), 1);
    // Hidden or disabled buttons and plain letters do nothing.
    QTest::keyClick(&shown.host, Qt::Key_Q, Qt::AltModifier);
    EXPECT_EQ(q.count(), 0);
    suivant.setEnabled(false);
    QTest::keyClick(&shown.host, Qt::Key_S, Qt::AltModifier);
    suivant.setEnabled(true);
    QTest::keyClick(&shown.host, Qt::Key_S);
    EXPECT_EQ(s.count(), 1);
}

TEST(GradientButton, AmpersandsAndAccentedLetters) {
    QWidget host;
    TZederuGradientButton button;
    button.setCaption(QStringLiteral("R && D"));
    EXPECT_TRUE(button.acceleratorLetter().isNull());
    button.setCaption(QStringLiteral("A && &Démarrer"));
    EXPECT_EQ(button.acceleratorLetter(), QLatin1Char('D'));
    button.setCaption(QStringLiteral("&élan"));
    button.setParent(&host);
    host.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&host));
    EXPECT_EQ(ButtonAccelerators::Target(&host, QChar(0xC9)), &button);  // É
}

TEST(GradientButton, SettingCurrentValuesPaintsNothing) {
    Shown shown;
    TZederuGradientButton button(&shown.host);
    button.setCaption(QStringLiteral("&Aide       "));
    shown.show();
    PaintCounter paints(&button);
    button.setLightColor(button.lightColor());
    button.setShadowColor(button.shadowColor());
    button.setCaption(button.caption());
    button.setLayout(button.layout());
    button.setBevelWidth(button.bevelWidth());
    button.setSpacing(button.spacing());
    button.setFlat(button.isFlat());
    button.setVertical(button.isVertical());
    button.setMarkDropDown(button.markDropDown());
    button.setGrayedInactive(button.grayedInactive());
    button.setDown(true);  // no group
    button.setDropDownMenu(nullptr);
    Settle();
    EXPECT_EQ(paints.count, 0);
    button.setSpacing(7);
    Settle();
    EXPECT_EQ(paints.count, 1);
    button.setVertical(true);  // repaints at once
    EXPECT_EQ(paints.count, 2);
}
