#include "widgets/WidgetResources.h"

#include <gtest/gtest.h>
#include <QColor>
#include <QImage>
#include <QSet>

namespace {

QImage Picture(const char* name) {
    InitWidgetResources();
    return QImage(QStringLiteral(":/pictures/") + QLatin1String(name));
}

}  // namespace

TEST(Pictures, SizesOfTheWindowPictures) {
    EXPECT_EQ(Picture("logo.png").size(), QSize(115, 330));
    EXPECT_EQ(Picture("about_title.png").size(), QSize(330, 115));
    EXPECT_EQ(Picture("about_logo.png").size(), QSize(75, 90));
}

TEST(Pictures, TextureIsA32By32TileOfLightGreys) {
    const QImage tile = Picture("texture.png");
    ASSERT_EQ(tile.size(), QSize(32, 32));
    QSet<QRgb> colours;
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 32; ++x) {
            const QColor c = tile.pixelColor(x, y);
            ASSERT_EQ(c.red(), c.green());
            ASSERT_EQ(c.red(), c.blue());
            ASSERT_GE(c.red(), 185);
            ASSERT_LE(c.red(), 209);
            colours.insert(c.rgb());
        }
    }
    EXPECT_LE(colours.size(), 16);
    EXPECT_GE(colours.size(), 8);
    EXPECT_EQ(tile.pixelColor(0, 31), QColor(191, 191, 191));
}

TEST(Pictures, ButtonGlyphsAreKeyedOnTheirBottomLeftPixel) {
    const struct {
        const char* name;
        QSize size;
    } glyphs[] = {
        {"aide.png", {16, 16}},    {"suivant.png", {15, 14}},  {"precedent.png", {15, 14}},
        {"options.png", {20, 17}}, {"valider.png", {12, 10}},  {"demarrer.png", {12, 10}},
        {"rapport.png", {16, 16}}, {"quitter.png", {16, 16}},  {"optgen.png", {16, 16}},
        {"optaff.png", {16, 16}},  {"optenreg.png", {16, 16}}, {"html.png", {16, 16}},
        {"hlp.png", {16, 16}},
    };
    for (const auto& g : glyphs) {
        const QImage image = Picture(g.name);
        ASSERT_EQ(image.size(), g.size) << g.name;
        EXPECT_EQ(image.pixelColor(0, image.height() - 1), QColor(255, 0, 255)) << g.name;
        int drawn = 0;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                drawn += image.pixelColor(x, y) != QColor(255, 0, 255) ? 1 : 0;
            }
        }
        EXPECT_GT(drawn, image.width() * image.height() / 5) << g.name;
    }
}
