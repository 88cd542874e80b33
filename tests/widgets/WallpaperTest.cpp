#include "widgets/SystemColours.h"
#include "widgets/TZederuWallpaper.h"

#include "WidgetTestSupport.h"

#include <gtest/gtest.h>
#include <QGuiApplication>
#include <QScreen>
#include <QTest>

namespace {

// Every pixel of the tile differs from its neighbours.
QImage Tile(int w, int h) {
    QImage tile(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            tile.setPixelColor(x, y, QColor(x * 8, y * 8, 100));
        }
    }
    return tile;
}

void ColourWindow(QWidget& host, const QColor& colour) {
    host.setAutoFillBackground(true);
    QPalette p = host.palette();
    p.setColor(QPalette::Window, colour);
    host.setPalette(p);
}

// A 100 x 100 window covered with 30 x 30 tiles, shown and painted.
class ShownWallpaper : public ::testing::Test {
protected:
    void SetUp() override {
        host.resize(100, 100);
        wallpaper.setImage(Tile(30, 30));
        host.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&host));
        Settle();
    }

    QWidget host;
    TZederuWallpaper wallpaper{&host};
};

}  // namespace

TEST(Wallpaper, DefaultsAndAlignment) {
    TZederuWallpaper lone;
    EXPECT_EQ(lone.size(), QSize(100, 100));
    EXPECT_EQ(lone.transColor(), 0);
    EXPECT_TRUE(lone.alignClient());
    EXPECT_TRUE(lone.image().isNull());

    QWidget host;
    host.resize(458, 343);
    QWidget before(&host);
    TZederuWallpaper wallpaper(&host);
    EXPECT_EQ(wallpaper.geometry(), QRect(0, 0, 458, 343));
    EXPECT_EQ(host.children().first(), &wallpaper);  // behind every other control
    host.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&host));
    host.resize(345, 353);
    EXPECT_EQ(wallpaper.geometry(), QRect(0, 0, 345, 353));
    wallpaper.setAlignClient(false);
    host.resize(200, 200);
    EXPECT_EQ(wallpaper.size(), QSize(345, 353));
}

TEST(Wallpaper, TilesFourByFourCutAtTheEdges) {
    QWidget host;
    host.resize(100, 100);
    ColourWindow(host, QColor(255, 0, 255));
    TZederuWallpaper wallpaper(&host);
    const QImage tile = Tile(30, 30);
    wallpaper.setImage(tile);
    EXPECT_EQ(wallpaper.transColor(), 0x02000000 | QColorToTColor(QColor(0, 29 * 8, 100)));
    const QImage image = wallpaper.grab().toImage();
    for (int y = 0; y < 100; y += 7) {
        for (int x = 0; x < 100; x += 7) {
            ASSERT_EQ(PixelAt(image, x, y), PixelAt(tile, x % 30, y % 30)) << x << "," << y;
        }
    }
    EXPECT_EQ(PixelAt(image, 99, 99), PixelAt(tile, 9, 9));
    EXPECT_EQ(PixelAt(image, 90, 0), PixelAt(tile, 0, 0));
    // The transparent colour is not used in drawing: the bottom-left tile pixel is drawn.
    EXPECT_EQ(PixelAt(image, 0, 29), PixelAt(tile, 0, 29));
}

TEST_F(ShownWallpaper, TilesFollowANewPictureAndANewSize) {
    const QImage other = Tile(20, 25).mirrored(true, false);
    wallpaper.setImage(other);
    Settle();
    QImage image = host.grab().toImage();
    EXPECT_EQ(PixelAt(image, 50, 60), PixelAt(other, 10, 10));
    EXPECT_EQ(PixelAt(image, 99, 99), PixelAt(other, 19, 24));

    host.resize(170, 130);
    Settle();
    image = host.grab().toImage();
    EXPECT_EQ(PixelAt(image, 165, 127), PixelAt(other, 5, 2));
    EXPECT_EQ(PixelAt(image, 105, 40), PixelAt(other, 5, 15));
}

TEST(Wallpaper, EmptyImageLeavesTheParentVisible) {
    QWidget host;
    host.resize(100, 100);
    ColourWindow(host, QColor(255, 0, 255));
    TZederuWallpaper wallpaper(&host);
    wallpaper.setImage(Tile(30, 30));
    EXPECT_EQ(PixelAt(host.grab().toImage(), 50, 50), PixelAt(Tile(30, 30), 20, 20));
    wallpaper.setImage(QImage());
    EXPECT_TRUE(wallpaper.image().isNull());
    EXPECT_EQ(PixelAt(host.grab().toImage(), 50, 50), QColor(255, 0, 255));
}

TEST(Wallpaper, AssigningAPicturePaintsTheParentColourAtOnce) {
    QWidget host;
    host.resize(100, 100);
    ColourWindow(host, QColor(20, 200, 20));
    TZederuWallpaper wallpaper(&host);
    wallpaper.setImage(Tile(30, 30));
    host.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&host));
    Settle();
    QScreen* screen = QGuiApplication::primaryScreen();
    ASSERT_NE(screen, nullptr);
    ASSERT_EQ(PixelAt(screen->grabWindow(host.winId()).toImage(), 50, 50),
              PixelAt(Tile(30, 30), 20, 20));

    PaintCounter paints(&wallpaper);
    QImage other = Tile(30, 30).mirrored(true, true);
    wallpaper.setImage(other);
    // Painted once, synchronously, in the parent's colour; the tiles come with the event loop.
    EXPECT_EQ(paints.count, 1);
    EXPECT_EQ(PixelAt(screen->grabWindow(host.winId()).toImage(), 50, 50), QColor(20, 200, 20));
    Settle();
    EXPECT_EQ(paints.count, 2);
    EXPECT_EQ(PixelAt(screen->grabWindow(host.winId()).toImage(), 50, 50), PixelAt(other, 20, 20));
}

TEST_F(ShownWallpaper, TransColorRepaintsOnlyOnChange) {
    PaintCounter paints(&wallpaper);
    wallpaper.setTransColor(wallpaper.transColor());
    wallpaper.setAlignClient(true);
    Settle();
    EXPECT_EQ(paints.count, 0);
    wallpaper.setTransColor(0x02BFBFBF);
    Settle();
    EXPECT_EQ(paints.count, 1);
    EXPECT_EQ(wallpaper.transColor(), 0x02BFBFBF);
}
