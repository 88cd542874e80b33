#include "widgets/SystemColours.h"
#include "widgets/TTintoColorComboBox.h"
#include "widgets/TintoColorNames.h"

#include "WidgetTestSupport.h"

#include <gtest/gtest.h>
#include <QAbstractItemView>
#include <QApplication>
#include <QColorDialog>
#include <QPainter>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <functional>

namespace {

// Answers the colour dialog as soon as it is shown (polling, since it opens inside the handler).
void AnswerColourDialog(std::function<void(QColorDialog*)> answer) {
    auto* timer = new QTimer(qApp);
    QObject::connect(timer, &QTimer::timeout, [timer, answer]() {
        if (auto* dialog = qobject_cast<QColorDialog*>(QApplication::activeModalWidget())) {
            timer->stop();
            timer->deleteLater();
            answer(dialog);
        }
    });
    timer->start(10);
}

QImage RenderEntry(const TTintoColorComboBox& box, int index, bool selected) {
    QImage image(135, 16, QImage::Format_RGB32);
    image.fill(Qt::black);
    QPainter painter(&image);
    box.drawEntry(painter, QRect(0, 0, 135, 16), index, selected);
    return image;
}

}  // namespace

TEST(ColorComboBox, Defaults) {
    TTintoColorComboBox box;
    EXPECT_EQ(box.width(), 135);
    EXPECT_EQ(box.language(), TTintoColorComboBox::lgSystem);
    EXPECT_EQ(box.htmlColor(), QStringLiteral("#000000"));
    EXPECT_EQ(box.colorValue(), 0);
    EXPECT_FALSE(box.showSysColors());
    EXPECT_EQ(box.count(), 17);
    EXPECT_EQ(box.currentIndex(), 0);
    EXPECT_EQ(box.customIndex(), 16);
    EXPECT_EQ(box.entryText(0), QStringLiteral("clBlack"));
    EXPECT_EQ(box.entryText(16), QStringLiteral("$00E6E6E6"));
    EXPECT_EQ(box.entryName(16), QStringLiteral("clCustom"));
}

TEST(ColorComboBox, FortyThreeEntriesInFiveLanguages) {
    TTintoColorComboBox box;
    box.setShowSysColors(true);
    ASSERT_EQ(box.count(), 43);
    EXPECT_EQ(box.entryText(31), QStringLiteral("clBtnFace"));
    EXPECT_EQ(box.entryText(23), QStringLiteral("clWindowText"));
    EXPECT_EQ(box.entryText(24), QStringLiteral("clMenuText"));
    EXPECT_EQ(box.entryText(35), QStringLiteral("clInactiveCaptionText"));
    EXPECT_EQ(box.entryText(41), QStringLiteral("clNone"));
    EXPECT_EQ(box.entryText(42), QStringLiteral("$00E6E6E6"));
    EXPECT_EQ(box.entryName(35), QStringLiteral("clCaptionText"));
    box.setLanguage(TTintoColorComboBox::lgFrench);
    EXPECT_EQ(box.entryName(18), QStringLiteral("Intitulé Actif"));
    EXPECT_EQ(box.entryName(31), QStringLiteral("Bouton"));
    EXPECT_EQ(box.entryName(35), box.entryName(25));
    EXPECT_EQ(box.entryName(42), QStringLiteral("Personnalisée..."));
    EXPECT_EQ(box.itemText(4), QStringLiteral("Bleu Marine"));
    box.setLanguage(TTintoColorComboBox::lgDanish);
    EXPECT_EQ(box.entryName(0), QStringLiteral("Sort"));
    EXPECT_EQ(box.entryName(15), QStringLiteral("Hvid"));
    EXPECT_EQ(box.entryName(19), QStringLiteral("Inact. Caption"));
    EXPECT_EQ(box.entryName(42), QStringLiteral("Andre..."));
    box.setLanguage(TTintoColorComboBox::lgPortuguese);
    EXPECT_EQ(box.entryName(6), QStringLiteral("Azul-petróleo"));
    EXPECT_EQ(box.entryName(28), QStringLiteral("Área de Trabalho"));
    EXPECT_EQ(box.entryName(42), QStringLiteral("Mais..."));
    box.setLanguage(TTintoColorComboBox::lgEnglish);
    EXPECT_EQ(box.entryName(36), QStringLiteral("Highlight Button"));
    EXPECT_EQ(box.entryName(42), QStringLiteral("More..."));
    box.setShowSysColors(false);
    EXPECT_EQ(box.count(), 17);
    EXPECT_EQ(box.entryName(16), QStringLiteral("More..."));
}

TEST(ColorComboBox, ColourNotInTheListGoesToTheCustomEntry) {
    TTintoColorComboBox box;
    box.setShowSysColors(true);
    box.setLanguage(TTintoColorComboBox::lgFrench);
    QSignalSpy changes(&box, &TTintoColorComboBox::changed);
    box.setColorValue(0xC8C8C8);
    EXPECT_EQ(box.currentIndex(), 42);
    EXPECT_EQ(box.entryText(42), QStringLiteral("$00C8C8C8"));
    EXPECT_EQ(box.colorValue(), 0xC8C8C8);
    EXPECT_EQ(box.htmlColor(), QStringLiteral("#C8C8C8"));
    EXPECT_EQ(changes.count(), 0);

    const QImage entry = RenderEntry(box, 42, false);
    const QColor base = box.palette().color(QPalette::Base);
    // Swatch from (4, 4) to x = 23 and y = 14: black outline, fill inside.
    EXPECT_EQ(PixelAt(entry, 10, 8), QColor(0xC8, 0xC8, 0xC8));
    EXPECT_EQ(PixelAt(entry, 4, 4), QColor(Qt::black));
    EXPECT_EQ(PixelAt(entry, 23, 14), QColor(Qt::black));
    EXPECT_EQ(PixelAt(entry, 15, 4), QColor(Qt::black));
    EXPECT_EQ(PixelAt(entry, 5, 5), QColor(0xC8, 0xC8, 0xC8));
    EXPECT_EQ(PixelAt(entry, 24, 8), base);
    EXPECT_EQ(PixelAt(entry, 10, 15), base);
    EXPECT_EQ(PixelAt(entry, 3, 8), base);

    // A selected entry uses the highlight colours; the swatch keeps its colour.
    const QImage selected = RenderEntry(box, 9, true);
    EXPECT_EQ(PixelAt(selected, 1, 1), box.palette().color(QPalette::Highlight));
    EXPECT_EQ(PixelAt(selected, 10, 8), QColor(255, 0, 0));

    // The swatch's right edge stays at x = 23 for an entry drawn further right.
    QImage shifted(135, 16, QImage::Format_RGB32);
    shifted.fill(Qt::black);
    {
        QPainter painter(&shifted);
        box.drawEntry(painter, QRect(3, 0, 132, 16), 12, false);
    }
    EXPECT_EQ(PixelAt(shifted, 7, 7), QColor(Qt::black));
    EXPECT_EQ(PixelAt(shifted, 8, 8), QColor(0, 0, 255));
    EXPECT_EQ(PixelAt(shifted, 23, 8), QColor(Qt::black));
}

TEST(ColorComboBox, SystemColourStaysAReference) {
    QPalette palette = QApplication::palette();
    palette.setColor(QPalette::Button, QColor(0xAB, 0xCD, 0xEF));
    QApplication::setPalette(palette);
    TTintoColorComboBox box;
    box.setShowSysColors(true);
    box.setColorValue(clBtnFace);
    EXPECT_EQ(box.currentIndex(), 31);
    EXPECT_EQ(box.colorValue(), clBtnFace);
    EXPECT_EQ(box.htmlColor(), QStringLiteral("#ABCDEF"));

    // Without the system colours, the reference goes to the custom entry by its identifier.
    TTintoColorComboBox basic;
    basic.setColorValue(clBtnFace);
    EXPECT_EQ(basic.currentIndex(), 16);
    EXPECT_EQ(basic.entryText(16), QStringLiteral("clBtnFace"));
    EXPECT_EQ(PixelAt(RenderEntry(basic, 16, false), 10, 8), QColor(0xAB, 0xCD, 0xEF));
}

TEST(ColorComboBox, HtmlColourRules) {
    TTintoColorComboBox box;
    box.setShowSysColors(true);
    box.setColorValue(clNone);
    EXPECT_EQ(box.currentIndex(), 41);
    EXPECT_EQ(box.htmlColor(), QStringLiteral("#FFFF1F"));

    box.setHtmlColor(QStringLiteral("#ff0000"));
    EXPECT_EQ(box.htmlColor(), QStringLiteral("#FF0000"));
    EXPECT_EQ(box.colorValue(), clRed);
    EXPECT_EQ(box.currentIndex(), 9);

    box.setHtmlColor(QStringLiteral("#GG0000"));
    EXPECT_EQ(box.htmlColor(), QStringLiteral("#FF0000"));
    EXPECT_EQ(box.colorValue(), clRed);
    EXPECT_EQ(box.currentIndex(), 9);
    box.setHtmlColor(QStringLiteral("#FF00"));
    box.setHtmlColor(QStringLiteral("#FF00 0"));
    EXPECT_EQ(box.htmlColor(), QStringLiteral("#FF0000"));

    box.setHtmlColor(QStringLiteral("x00ff80"));  // the first character is not examined
    EXPECT_EQ(box.htmlColor(), QStringLiteral("X00FF80"));
    EXPECT_EQ(box.colorValue(), 0x80FF00);
    EXPECT_EQ(box.currentIndex(), 42);

    box.setHtmlColor(QString());
    EXPECT_EQ(box.htmlColor(), QStringLiteral("#000000"));
    EXPECT_EQ(box.colorValue(), clBlack);
    EXPECT_EQ(box.currentIndex(), 0);
}

TEST(ColorComboBox, TextForms) {
    EXPECT_EQ(ColorToText(0x00E6E6E6), QStringLiteral("$00E6E6E6"));
    EXPECT_EQ(ColorToText(0x02BFBFBF), QStringLiteral("$02BFBFBF"));
    EXPECT_EQ(ColorToText(clSilver), QStringLiteral("clSilver"));
    TColor c = 0;
    EXPECT_TRUE(TextToColor(QStringLiteral("$00C8C8C8"), &c));
    EXPECT_EQ(c, 0xC8C8C8);
    EXPECT_TRUE(TextToColor(QStringLiteral("clInfoBk"), &c));
    EXPECT_EQ(c, clInfoBk);
    EXPECT_FALSE(TextToColor(QStringLiteral("$"), &c));
    EXPECT_FALSE(TextToColor(QStringLiteral("clNothing"), &c));
    EXPECT_EQ(WebNotation(0x123456), QStringLiteral("#563412"));
    EXPECT_EQ(WebNotation(0x000001), QStringLiteral("#010000"));
}

TEST(ColorComboBox, UserChoiceFiresChanged) {
    TTintoColorComboBox box;
    box.setShowSysColors(true);
    box.setLanguage(TTintoColorComboBox::lgFrench);
    box.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&box));
    QSignalSpy changes(&box, &TTintoColorComboBox::changed);
    box.showPopup();
    QAbstractItemView* view = box.view();
    ASSERT_TRUE(view->isVisible());
    const QModelIndex entry = box.model()->index(18, 0);
    view->scrollTo(entry);
    const QPoint at = view->visualRect(entry).center();
    QTest::mouseMove(view->viewport(), at);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, at);
    Settle();
    EXPECT_EQ(changes.count(), 1);
    EXPECT_EQ(box.currentIndex(), 18);
    EXPECT_EQ(box.colorValue(), clActiveCaption);
}

TEST(ColorComboBox, CancelledDialogKeepsTheColourAndStillFiresChanged) {
    TTintoColorComboBox box;
    box.setShowSysColors(true);
    box.setColorValue(clRed);
    QSignalSpy changes(&box, &TTintoColorComboBox::changed);
    QColor offered;
    AnswerColourDialog([&offered](QColorDialog* dialog) {
        offered = dialog->currentColor();
        dialog->reject();
    });
    emit box.activated(42);
    EXPECT_EQ(changes.count(), 1);
    EXPECT_EQ(offered, QColor(0xE6, 0xE6, 0xE6));
    EXPECT_EQ(box.colorValue(), clRed);
    EXPECT_EQ(box.currentIndex(), 9);
    EXPECT_EQ(box.htmlColor(), QStringLiteral("#FF0000"));
}

TEST(ColorComboBox, ConfirmedDialogSetsTheColour) {
    TTintoColorComboBox box;
    QSignalSpy changes(&box, &TTintoColorComboBox::changed);
    AnswerColourDialog([](QColorDialog* dialog) {
        dialog->setCurrentColor(QColor(1, 2, 3));
        dialog->accept();
    });
    emit box.activated(16);
    EXPECT_EQ(changes.count(), 1);
    EXPECT_EQ(box.colorValue(), 0x030201);
    EXPECT_EQ(box.entryText(16), QStringLiteral("$00030201"));
    EXPECT_EQ(box.currentIndex(), 16);
    EXPECT_EQ(box.htmlColor(), QStringLiteral("#010203"));

    // The next dialog starts from the custom entry's colour.
    QColor offered;
    AnswerColourDialog([&offered](QColorDialog* dialog) {
        offered = dialog->currentColor();
        dialog->reject();
    });
    emit box.activated(16);
    EXPECT_EQ(offered, QColor(1, 2, 3));
    EXPECT_EQ(changes.count(), 2);
}

TEST(ColorComboBox, SettingCurrentValuesPaintsNothing) {
    TTintoColorComboBox box;
    box.setShowSysColors(true);
    box.setColorValue(0x123456);
    box.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&box));
    Settle();
    PaintCounter paints(&box);
    box.setColorValue(0x123456);
    box.setLanguage(box.language());
    box.setShowSysColors(true);
    box.setHtmlColor(box.htmlColor());
    Settle();
    EXPECT_EQ(paints.count, 0);
    EXPECT_EQ(box.currentIndex(), 42);
    box.setColorValue(clGreen);
    Settle();
    EXPECT_GE(paints.count, 1);
    EXPECT_EQ(box.currentIndex(), 2);
    // The closed box shows the chosen entry's swatch.
    const QImage image = box.grab().toImage();
    bool green = false;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < 30; ++x) {
            green = green || PixelAt(image, x, y) == QColor(0, 0x80, 0);
        }
    }
    EXPECT_TRUE(green);
}
