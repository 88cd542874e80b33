#include "widgets/MulDiv.h"
#include "widgets/SystemColours.h"
#include "widgets/TGradProgress.h"

#include "WidgetTestSupport.h"

#include <gtest/gtest.h>
#include <QTest>

namespace {

constexpr TColor kBack = 0x00204060;  // RGB(0x60, 0x40, 0x20)
const QColor kBackQ(0x60, 0x40, 0x20);

// The wizard's bar: 289 x 25, black to red over a plain background.
void SetUpBar(TGradProgress& bar) {
    bar.resize(289, 25);
    bar.setBackColor(kBack);
    bar.setStartColor(0x000000);
    bar.setEndColor(0x0000FF);
}

int WhitePixels(const QImage& image, const QRect& area) {
    int n = 0;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            const QColor c = PixelAt(image, x, y);
            if (c.red() > 200 && c.green() > 200 && c.blue() > 200) {
                ++n;
            }
        }
    }
    return n;
}

}  // namespace

TEST(GradProgress, Defaults) {
    TGradProgress bar;
    EXPECT_EQ(bar.size(), QSize(150, 16));
    EXPECT_EQ(bar.style(), TGradProgress::gsHorizontal);
    EXPECT_EQ(bar.bevelStyle(), TGradProgress::bsLowered);
    EXPECT_EQ(bar.bevelWidth(), 1);
    EXPECT_EQ(bar.startColor(), 0xFF0000);
    EXPECT_EQ(bar.endColor(), 0x0000FF);
    EXPECT_EQ(bar.position(), 0);
    EXPECT_EQ(bar.maxValue(), 100);
    EXPECT_EQ(bar.step(), 1);
    EXPECT_TRUE(bar.showPercent());
    EXPECT_EQ(bar.backColor(), clBtnFace);
    EXPECT_EQ(bar.fontColor(), clWhite);
    EXPECT_EQ(bar.font().pointSize(), 8);
}

TEST(GradProgress, OneOfThreeFillsNinetySixPixels) {
    TGradProgress bar;
    SetUpBar(bar);
    bar.setMaxValue(3);
    bar.setPosition(1);
    EXPECT_EQ(bar.fillLength(), 96);
    EXPECT_EQ(bar.percentText(), QStringLiteral("33%"));
    const QImage image = bar.grab().toImage();
    // Column i has t = MulDiv(255, i, 96) and red = MulDiv(t, 255, 255).
    for (int x : {1, 40, 95}) {
        const int t = MulDiv(255, x, 96);
        EXPECT_EQ(PixelAt(image, x, 5), QColor(MulDiv(t, 255, 255), 0, 0)) << x;
    }
    EXPECT_EQ(PixelAt(image, 96, 5), kBackQ);
    EXPECT_EQ(PixelAt(image, 287, 23), kBackQ);
    // Lowered bevel: shadow on the top and left, highlight on the bottom and right.
    EXPECT_EQ(PixelAt(image, 10, 0), TColorToQColor(clBtnShadow));
    EXPECT_EQ(PixelAt(image, 0, 10), TColorToQColor(clBtnShadow));
    EXPECT_EQ(PixelAt(image, 10, 24), TColorToQColor(clBtnHighlight));
    EXPECT_EQ(PixelAt(image, 288, 10), TColorToQColor(clBtnHighlight));
    // The text, white, sits in the middle of the bar.
    EXPECT_GT(WhitePixels(image, QRect(120, 4, 50, 17)), 10);
}

TEST(GradProgress, PositionZeroShowsOnlyBackground) {
    TGradProgress bar;
    SetUpBar(bar);
    bar.setShowPercent(false);
    EXPECT_EQ(bar.percentText(), QStringLiteral("0%"));
    const QImage image = bar.grab().toImage();
    for (int x = 1; x < 288; ++x) {
        ASSERT_EQ(PixelAt(image, x, 12), kBackQ) << x;
    }
    EXPECT_EQ(WhitePixels(image, QRect(1, 1, 287, 23)), 0);
}

TEST(GradProgress, FullBarAndMaxValueZero) {
    TGradProgress bar;
    SetUpBar(bar);
    bar.setPosition(100);
    EXPECT_EQ(bar.percentText(), QStringLiteral("100%"));
    QImage image = bar.grab().toImage();
    EXPECT_EQ(PixelAt(image, 287, 3), QColor(MulDiv(MulDiv(255, 287, 289), 255, 255), 0, 0));

    bar.setMaxValue(0);
    EXPECT_EQ(bar.position(), 0);
    EXPECT_EQ(bar.fillLength(), -1);
    EXPECT_EQ(bar.percentText(), QStringLiteral("0%"));
    bar.setShowPercent(false);
    image = bar.grab().toImage();
    EXPECT_EQ(PixelAt(image, 1, 12), kBackQ);
    EXPECT_EQ(PixelAt(image, 287, 12), kBackQ);
}

TEST(GradProgress, PositionRules) {
    TGradProgress bar;
    bar.setPosition(40);
    bar.setPosition(-5);
    EXPECT_EQ(bar.position(), 40);
    bar.setPosition(150);
    EXPECT_EQ(bar.position(), 100);
    bar.setMaxValue(60);
    EXPECT_EQ(bar.position(), 60);
    bar.setMaxValue(200);
    EXPECT_EQ(bar.position(), 60);
    bar.setStep(30);
    bar.Stepit();
    EXPECT_EQ(bar.position(), 90);
    bar.setMaxValue(100);
    bar.Stepit();
    EXPECT_EQ(bar.position(), 100);
}

TEST(GradProgress, BevelWidthMustLeaveRoom) {
    TGradProgress bar;  // 150 x 16: at most 6
    bar.setBevelWidth(7);
    EXPECT_EQ(bar.bevelWidth(), 1);
    bar.setBevelWidth(6);
    EXPECT_EQ(bar.bevelWidth(), 6);
    bar.setBevelWidth(0);
    bar.setBevelWidth(11);
    EXPECT_EQ(bar.bevelWidth(), 6);
    bar.resize(289, 25);
    bar.setBevelWidth(10);  // 20 <= 21
    EXPECT_EQ(bar.bevelWidth(), 10);
}

TEST(GradProgress, RefusedBevelWidthStillRepaints) {
    QWidget host;
    TGradProgress bar(&host);
    host.resize(200, 50);
    host.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&host));
    Settle();
    PaintCounter paints(&bar);
    bar.setBevelWidth(7);
    Settle();
    EXPECT_EQ(bar.bevelWidth(), 1);
    EXPECT_GE(paints.count, 1);
    const int before = paints.count;
    bar.setBevelWidth(1);
    Settle();
    EXPECT_EQ(paints.count, before);
}

TEST(GradProgress, WiderBevelDrawsRingsAndShrinksTheBar) {
    TGradProgress bar;
    SetUpBar(bar);
    bar.setBevelStyle(TGradProgress::bsRaised);
    bar.setBevelWidth(3);
    bar.setShowPercent(false);
    const QImage image = bar.grab().toImage();
    for (int ring = 0; ring < 3; ++ring) {
        EXPECT_EQ(PixelAt(image, 100, ring), TColorToQColor(clBtnHighlight));
        EXPECT_EQ(PixelAt(image, ring, 12), TColorToQColor(clBtnHighlight));
        EXPECT_EQ(PixelAt(image, 100, 24 - ring), TColorToQColor(clBtnShadow));
        EXPECT_EQ(PixelAt(image, 288 - ring, 12), TColorToQColor(clBtnShadow));
    }
    EXPECT_EQ(PixelAt(image, 3, 3), kBackQ);
    EXPECT_EQ(PixelAt(image, 285, 21), kBackQ);
}

TEST(GradProgress, BsNoneLeavesAOnePixelMargin) {
    QWidget host;
    host.resize(320, 60);
    host.setAutoFillBackground(true);
    QPalette p = host.palette();
    p.setColor(QPalette::Window, QColor(255, 0, 255));
    host.setPalette(p);
    TGradProgress bar(&host);
    SetUpBar(bar);
    bar.move(10, 10);
    bar.setBevelStyle(TGradProgress::bsNone);
    bar.setShowPercent(false);
    const QImage image = host.grab().toImage();
    const QColor parent(255, 0, 255);
    for (const QPoint corner : {QPoint(0, 0), QPoint(288, 0), QPoint(0, 24), QPoint(288, 24),
                                QPoint(150, 0), QPoint(150, 24), QPoint(0, 12), QPoint(288, 12)}) {
        EXPECT_EQ(PixelAt(image, 10 + corner.x(), 10 + corner.y()), parent) << corner.x();
    }
    EXPECT_EQ(PixelAt(image, 11, 11), kBackQ);
    EXPECT_EQ(PixelAt(image, 10 + 287, 10 + 23), kBackQ);
}

TEST(GradProgress, EqualColoursGiveAFlatFill) {
    TGradProgress bar;
    SetUpBar(bar);
    bar.setStartColor(0x336699);
    bar.setEndColor(0x336699);
    bar.setShowPercent(false);
    bar.setPosition(100);
    const QImage image = bar.grab().toImage();
    for (int x = 1; x < 288; ++x) {
        ASSERT_EQ(PixelAt(image, x, 12), QColor(0x99, 0x66, 0x33)) << x;
    }
}

TEST(GradProgress, SystemColoursDrawInTheirCurrentValue) {
    QPalette palette = QApplication::palette();
    palette.setColor(QPalette::Highlight, QColor(12, 34, 56));
    QApplication::setPalette(palette);
    TGradProgress bar;
    SetUpBar(bar);
    bar.setStartColor(clActiveCaption);
    bar.setEndColor(clHighlight);
    bar.setShowPercent(false);
    bar.setPosition(100);
    const QImage image = bar.grab().toImage();
    EXPECT_EQ(PixelAt(image, 1, 12), QColor(10, 36, 106));  // classic active caption, t = 1
    const QColor last = PixelAt(image, 287, 12);
    EXPECT_NEAR(last.red(), 12, 1);
    EXPECT_NEAR(last.green(), 34, 1);
    EXPECT_NEAR(last.blue(), 56, 1);
}

TEST(GradProgress, VerticalFillsFromTheBottom) {
    TGradProgress bar;
    bar.resize(25, 100);
    bar.setStyle(TGradProgress::gsVertical);
    bar.setBackColor(kBack);
    bar.setStartColor(0x000000);
    bar.setEndColor(0x00FF00);
    bar.setShowPercent(false);
    bar.setPosition(50);
    EXPECT_EQ(bar.fillLength(), 50);
    const QImage image = bar.grab().toImage();
    EXPECT_EQ(PixelAt(image, 12, 49), kBackQ);
    // Row 50 is line i = 50 (t = 255), row 98 is line i = 2.
    EXPECT_EQ(PixelAt(image, 12, 50), QColor(0, 255, 0));
    EXPECT_EQ(PixelAt(image, 12, 98), QColor(0, MulDiv(MulDiv(255, 2, 50), 255, 255), 0));
    EXPECT_EQ(PixelAt(image, 12, 99), TColorToQColor(clBtnHighlight));
}

TEST(GradProgress, VerticalTextIsDrawnTurnedWhenTooNarrow) {
    TGradProgress bar;
    bar.resize(12, 100);
    bar.setStyle(TGradProgress::gsVertical);
    bar.setBackColor(0x000000);
    bar.setPosition(100);
    bar.setStartColor(0x000000);
    bar.setEndColor(0x000000);
    const QImage image = bar.grab().toImage();
    // "100%" runs down the middle: white pixels spread over many rows but few columns.
    int top = 100, bottom = -1;
    for (int y = 0; y < 100; ++y) {
        for (int x = 1; x < 11; ++x) {
            const QColor c = PixelAt(image, x, y);
            if (c.red() > 128 && c.green() > 128) {
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
        }
    }
    ASSERT_GE(bottom, 0);
    EXPECT_GT(bottom - top, 14);
}

TEST(GradProgress, PositionPaintsAtOnceAndOnlyOnChange) {
    QWidget host;
    host.resize(320, 60);
    TGradProgress bar(&host);
    SetUpBar(bar);
    host.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&host));
    Settle();
    PaintCounter paints(&bar);
    bar.setPosition(50);
    EXPECT_EQ(paints.count, 1);  // synchronous, no event loop needed
    bar.setPosition(50);
    bar.setPosition(-1);
    Settle();
    EXPECT_EQ(paints.count, 1);

    bar.setStartColor(bar.startColor());
    bar.setEndColor(bar.endColor());
    bar.setBackColor(bar.backColor());
    bar.setStyle(bar.style());
    bar.setBevelStyle(bar.bevelStyle());
    bar.setShowPercent(bar.showPercent());
    bar.setMaxValue(bar.maxValue());
    bar.setBevelWidth(bar.bevelWidth());
    bar.setFontColor(bar.fontColor());
    bar.setStep(5);
    Settle();
    EXPECT_EQ(paints.count, 1);

    bar.setEndColor(0x00FF00);
    Settle();
    EXPECT_EQ(paints.count, 2);
}
