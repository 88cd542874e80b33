// The main window is built from the display components, each set up as the window's design
// and the settings say, and the colour boxes apply a user's choice at once.

#include <QImage>
#include <QLabel>
#include <QPixmap>
#include <QTest>

#include "FileBytes.h"
#include "WizardFixture.h"
#include "widgets/SystemColours.h"
#include "widgets/TGradProgress.h"
#include "widgets/TTintoColorComboBox.h"
#include "widgets/TZederuGradientButton.h"
#include "widgets/TZederuWallpaper.h"

namespace {

// Settings whose colours differ from every design value, so that each one is seen applied.
const char kColouredIni[] =
    "[Sauvegarde]\r\nAutoexec=Non\r\nChemin=/var/backups/Save\r\n"
    "[Options]\r\nTexture=Non\r\nVitesse=3\r\nBackColor=$00203040\r\n"
    "BarColorDebut=$00102030\r\nBarColorFin=clActiveCaption\r\n"
    "ButtonColorHaut=$00123456\r\nButtonColorBas=clBtnFace\r\n"
    "[Enregistrement]\r\nAutoexec=Oui\r\nChemin=Oui\r\nTexture=Oui\r\nVitesse=Oui\r\n"
    "BackColor=Oui\r\nBarColors=Oui\r\nBtnColors=Oui\r\n"
    "[Autres]\r\nCurrentRapportNo=00\r\n";

struct ButtonDesign {
    const char* name;
    int spacing;
    QSize glyph;  // empty: no picture
};

const ButtonDesign kButtons[] = {
    {"BtnAide", 25, QSize(16, 16)},         {"BtnDemarrer", 20, QSize(12, 10)},
    {"BtnOptions", 25, QSize(20, 17)},      {"BtnOptionsAff", 25, QSize(16, 16)},
    {"BtnOptionsGen", 25, QSize(16, 16)},   {"BtnOptionsDefault", 15, QSize()},
    {"BtnOptionsEnreg", 25, QSize(16, 16)}, {"BtnParcourir", 110, QSize()},
    {"BtnPrecedent", 25, QSize(15, 14)},    {"BtnSuivant", 25, QSize(15, 14)},
    {"BtnValider", 20, QSize(12, 10)},      {"BtnRapport", 25, QSize(16, 16)},
    {"BtnQuitter", 25, QSize(16, 16)},
};

class ComponentsTest : public WizardFixture {
protected:
    template <typename T>
    T* Find(const char* name) {
        T* control = Window().findChild<T*>(QLatin1String(name));
        EXPECT_NE(control, nullptr) << name << " is not the expected component";
        return control;
    }

    void StartColoured() {
        writeBytes(File(QStringLiteral("Data/Kestrix.ini")), QByteArray(kColouredIni));
        Start();
        ASSERT_TRUE(messages_.empty()) << Messages().join(QLatin1Char('\n')).toStdString();
    }

    void OpenDisplayOptions() {
        Click("BtnOptions");
        Tick();
        Click("BtnOptionsAff");
        Tick();
        ASSERT_EQ(Window().Etape(), WizardStep::DisplayOptions);
    }

    // A person picks the first colour of the list (black) with the keyboard.
    void PickBlack(const char* comboName) {
        auto* combo = Find<TTintoColorComboBox>(comboName);
        ASSERT_NE(combo, nullptr);
        ASSERT_TRUE(combo->isVisible());
        combo->setFocus();
        QTest::keyClick(combo, Qt::Key_Home);
        ASSERT_EQ(combo->colorValue(), clBlack);
    }
};

}  // namespace

TEST_F(ComponentsTest, WizardButtonsAreGradientButtonsWithTheirPicturesAndSettingsColours) {
    StartColoured();
    for (const ButtonDesign& design : kButtons) {
        SCOPED_TRACE(design.name);
        auto* button = Find<TZederuGradientButton>(design.name);
        ASSERT_NE(button, nullptr);
        EXPECT_EQ(button->lightColor(), 0x00123456);
        EXPECT_EQ(button->shadowColor(), clBtnFace);
        EXPECT_TRUE(button->isVertical());
        EXPECT_EQ(button->layout(), TZederuGradientButton::blGlyphLeft);
        EXPECT_EQ(button->spacing(), design.spacing);
        EXPECT_EQ(button->glyph().size(), design.glyph.isEmpty() ? QSize(0, 0) : design.glyph);
        if (!design.glyph.isEmpty()) {
            EXPECT_EQ(button->glyphTransparentColor(), qRgb(255, 0, 255));
        }
    }
}

TEST_F(ComponentsTest, SuivantDrawsItsGradientAndItsPicture) {
    StartColoured();
    auto* button = Find<TZederuGradientButton>("BtnSuivant");
    ASSERT_NE(button, nullptr);
    const QImage face = button->grab().toImage();
    // Inside the two-pixel bevel, left of the picture, each row has the gradient's colour from
    // the top colour 0x00123456 to the (resolved) button face colour at the bottom.
    const QColor light(0x56, 0x34, 0x12);
    const QColor shadow = TColorToQColor(clBtnFace);
    const int n = button->height();
    for (const int y : {2, n / 2, n - 3}) {
        SCOPED_TRACE(y);
        const QColor row = face.pixelColor(3, y);
        const auto expected = [&](int l, int s) {
            return l + (s - l) * y / static_cast<double>(n);
        };
        EXPECT_NEAR(row.red(), expected(light.red(), shadow.red()), 1.0);
        EXPECT_NEAR(row.green(), expected(light.green(), shadow.green()), 1.0);
        EXPECT_NEAR(row.blue(), expected(light.blue(), shadow.blue()), 1.0);
    }
    // Every opaque pixel of the picture is on the face where the layout puts it.
    const QImage glyph = button->glyph().convertToFormat(QImage::Format_RGB32);
    const QPoint at = button->glyphPosition();
    int drawn = 0;
    for (int y = 0; y < glyph.height(); ++y) {
        for (int x = 0; x < glyph.width(); ++x) {
            if (glyph.pixel(x, y) != button->glyphTransparentColor()) {
                EXPECT_EQ(face.pixel(at.x() + x, at.y() + y), glyph.pixel(x, y)) << x << "," << y;
                ++drawn;
            }
        }
    }
    EXPECT_GT(drawn, 20);
}

TEST_F(ComponentsTest, BarWallpaperComboBoxesAndSidePictureFollowTheDesignAndSettings) {
    StartColoured();
    auto* bar = Find<TGradProgress>("GradProgressFile");
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(bar->startColor(), 0x00102030);
    EXPECT_EQ(bar->endColor(), clActiveCaption);
    EXPECT_EQ(bar->bevelStyle(), TGradProgress::bsRaised);
    EXPECT_EQ(bar->bevelWidth(), 1);
    EXPECT_EQ(bar->maxValue(), 100);
    EXPECT_EQ(bar->backColor(), clBtnFace);
    EXPECT_EQ(bar->fontColor(), clWhite);
    EXPECT_TRUE(bar->showPercent());

    auto* wallpaper = Find<TZederuWallpaper>("ZederuWallpaper");
    ASSERT_NE(wallpaper, nullptr);
    EXPECT_EQ(wallpaper->image().size(), QSize(32, 32));
    EXPECT_EQ(wallpaper->transColor(), 0x02BFBFBF);
    EXPECT_FALSE(wallpaper->isVisibleTo(&Window())) << "the settings switch the texture off";
    EXPECT_EQ(Window().palette().color(QPalette::Window), QColor(0x40, 0x30, 0x20));

    const std::pair<const char*, TColor> combos[] = {
        {"TintoColorComboBoxFond", 0x00203040},        {"TintoColorComboBoxButtonHaut", 0x00123456},
        {"TintoColorComboBoxButtonBas", clBtnFace},    {"TintoColorComboBoxBarDebut", 0x00102030},
        {"TintoColorComboBoxBarFin", clActiveCaption},
    };
    for (const auto& [name, colour] : combos) {
        SCOPED_TRACE(name);
        auto* combo = Find<TTintoColorComboBox>(name);
        ASSERT_NE(combo, nullptr);
        EXPECT_EQ(combo->language(), TTintoColorComboBox::lgFrench);
        EXPECT_TRUE(combo->showSysColors());
        EXPECT_EQ(combo->colorValue(), colour);
    }
    EXPECT_EQ(Find<TTintoColorComboBox>("TintoColorComboBoxButtonBas")->currentText(),
              QStringLiteral("Bouton"));

    auto* logo = Find<QLabel>("ImageLogo");
    ASSERT_NE(logo, nullptr);
    EXPECT_EQ(logo->pixmap().size(), QSize(115, 330));
}

TEST_F(ComponentsTest, PickingAColourAppliesItAtOnce) {
    StartColoured();
    OpenDisplayOptions();

    PickBlack("TintoColorComboBoxButtonHaut");
    for (const ButtonDesign& design : kButtons) {
        SCOPED_TRACE(design.name);
        auto* button = Find<TZederuGradientButton>(design.name);
        EXPECT_EQ(button->lightColor(), clBlack);
        EXPECT_EQ(button->shadowColor(), clBtnFace) << "the bottom colour stays";
    }

    PickBlack("TintoColorComboBoxBarDebut");
    EXPECT_EQ(Find<TGradProgress>("GradProgressFile")->startColor(), clBlack);
    EXPECT_EQ(Find<TGradProgress>("GradProgressFile")->endColor(), clActiveCaption);
    PickBlack("TintoColorComboBoxBarFin");
    EXPECT_EQ(Find<TGradProgress>("GradProgressFile")->endColor(), clBlack);

    PickBlack("TintoColorComboBoxFond");
    EXPECT_EQ(Window().palette().color(QPalette::Window), QColor(Qt::black));

    // Only a person's choice runs a handler: a value set by the program applies nothing.
    Window().SetComboColour(ColourBox::ButtonBas, clWhite);
    EXPECT_EQ(Find<TZederuGradientButton>("BtnSuivant")->shadowColor(), clBtnFace);

    // The choices are the settings written at close.
    Click("BtnValider");
    Tick();
    Click("BtnQuitter");
    const QStringList ini = readCrLfLines(File(QStringLiteral("Data/Kestrix.ini")));
    EXPECT_TRUE(ini.contains(QStringLiteral("BackColor=clBlack")));
    EXPECT_TRUE(ini.contains(QStringLiteral("ButtonColorHaut=clBlack")));
    EXPECT_TRUE(ini.contains(QStringLiteral("BarColorDebut=clBlack")));
    EXPECT_TRUE(ini.contains(QStringLiteral("BarColorFin=clBlack")));
}
