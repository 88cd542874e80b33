#include "widgets/MulDiv.h"
#include "widgets/SystemColours.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QPalette>
#include <climits>

TEST(MulDiv, RoundsHalvesAwayFromZero) {
    EXPECT_EQ(MulDiv(1, 289, 3), 96);
    EXPECT_EQ(MulDiv(3, 1, 2), 2);
    EXPECT_EQ(MulDiv(5, 1, 2), 3);
    EXPECT_EQ(MulDiv(-3, 1, 2), -2);
    EXPECT_EQ(MulDiv(3, -1, 2), -2);
    EXPECT_EQ(MulDiv(-3, -1, -2), -2);
    EXPECT_EQ(MulDiv(-1, 100, 289), 0);
    EXPECT_EQ(MulDiv(2, 1, 3), 1);
    EXPECT_EQ(MulDiv(1, 1, 3), 0);
}

TEST(MulDiv, DivisorZeroAndOverflowGiveMinusOne) {
    EXPECT_EQ(MulDiv(1, 1, 0), -1);
    EXPECT_EQ(MulDiv(0, 0, 0), -1);
    EXPECT_EQ(MulDiv(INT_MAX, 2, 1), -1);
    // The product needs 64 bits, the quotient does not.
    EXPECT_EQ(MulDiv(1 << 30, 1 << 4, 1 << 4), 1 << 30);
    EXPECT_EQ(MulDiv(INT_MAX, INT_MAX, INT_MAX), INT_MAX);
}

TEST(MulDiv, RoundHalfEven) {
    EXPECT_EQ(RoundHalfEven(0.5), 0);
    EXPECT_EQ(RoundHalfEven(1.5), 2);
    EXPECT_EQ(RoundHalfEven(2.5), 2);
    EXPECT_EQ(RoundHalfEven(2.51), 3);
    EXPECT_EQ(RoundHalfEven(-0.5), 0);
    EXPECT_EQ(RoundHalfEven(-1.5), -2);
    EXPECT_EQ(RoundHalfEven(-2.4), -2);
}

TEST(SystemColours, PlainValuesPassUnchanged) {
    EXPECT_EQ(ColorToRGB(clRed), clRed);
    EXPECT_EQ(ColorToRGB(0x00C8C8C8), 0x00C8C8C8);
    EXPECT_EQ(ColorToRGB(clNone), clNone);
    EXPECT_EQ(TColorToQColor(0x0000FF), QColor(255, 0, 0));
    EXPECT_EQ(TColorToQColor(0x123456), QColor(0x56, 0x34, 0x12));
    EXPECT_EQ(QColorToTColor(QColor(1, 2, 3)), 0x030201);
}

TEST(SystemColours, CaptionsUseClassicValues) {
    EXPECT_EQ(ColorToRGB(clActiveCaption), 0x6A240A);
    EXPECT_EQ(ColorToRGB(clInactiveCaption), 0x808080);
    EXPECT_EQ(ColorToRGB(clBackground), 0xA56E3A);
    EXPECT_EQ(ColorToRGB(cl3DDkShadow),
              QColorToTColor(QApplication::palette().color(QPalette::Shadow)));
    EXPECT_EQ(SystemColourRgb(200), 0);
}

TEST(SystemColours, PaletteRolesFollowTheApplication) {
    QPalette palette = QApplication::palette();
    palette.setColor(QPalette::Button, QColor(1, 2, 3));
    palette.setColor(QPalette::Highlight, QColor(4, 5, 6));
    palette.setColor(QPalette::Light, QColor(7, 8, 9));
    palette.setColor(QPalette::Disabled, QPalette::Text, QColor(10, 11, 12));
    QApplication::setPalette(palette);
    EXPECT_EQ(ColorToRGB(clBtnFace), 0x030201);
    EXPECT_EQ(ColorToRGB(clHighlight), 0x060504);
    EXPECT_EQ(ColorToRGB(clBtnHighlight), 0x090807);
    EXPECT_EQ(ColorToRGB(clGrayText), 0x0C0B0A);
    EXPECT_EQ(TColorToQColor(clBtnFace), QColor(1, 2, 3));
}
