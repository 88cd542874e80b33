// The three colour presets under "Paramètres par défaut": the menu, what each applies, and what
// the settings file keeps.

#include <QMenu>
#include <QTest>

#include "FileBytes.h"
#include "WizardFixture.h"
#include "widgets/SystemColours.h"
#include "widgets/TGradProgress.h"
#include "widgets/TTintoColorComboBox.h"
#include "widgets/TZederuGradientButton.h"

namespace {

struct PresetCase {
    const char* item;
    const char* caption;
    TColor window, top, bottom, start, end;
    const char* ini;  // BackColor, ButtonColorHaut, ButtonColorBas, BarColorDebut, BarColorFin
};

const PresetCase kPresets[] = {
    {"MenuItemKestrix", "Couleurs par défaut de Kestrix", 0x00C8C8C8, 0x00E0E0E0, clSilver, clGreen,
     clLime, "$00C8C8C8 $00E0E0E0 clSilver clGreen clLime"},
    {"MenuItemWinD", "Couleurs de Windows avec dégradés", clBtnFace, clBtnHighlight, clBtnFace,
     clActiveCaption, clInactiveCaption,
     "clBtnFace clBtnHighlight clBtnFace clActiveCaption clInactiveCaption"},
    {"MenuItemWinN", "Couleurs de Windows sans dégradés", clBtnFace, clBtnFace, clBtnFace,
     clActiveCaption, clActiveCaption,
     "clBtnFace clBtnFace clBtnFace clActiveCaption clActiveCaption"},
};

// Row i of a vertical gradient of n rows from light to shadow, one channel at a time.
QColor GradientRow(TColor light, TColor shadow, int n, int i) {
    const QColor l = TColorToQColor(light);
    const QColor s = TColorToQColor(shadow);
    const auto channel = [&](int a, int b) {
        const double step = static_cast<double>(b - a) / n * i;
        return a + static_cast<int>(std::nearbyint(step));
    };
    return QColor(channel(l.red(), s.red()), channel(l.green(), s.green()),
                  channel(l.blue(), s.blue()));
}

bool Near(const QColor& a, const QColor& b, int tolerance) {
    return std::abs(a.red() - b.red()) <= tolerance &&
           std::abs(a.green() - b.green()) <= tolerance &&
           std::abs(a.blue() - b.blue()) <= tolerance;
}

QString Name(const QColor& c) {
    return c.name();
}

}  // namespace

class PresetsTest : public WizardFixture, public ::testing::WithParamInterface<PresetCase> {};

TEST_P(PresetsTest, TheMenuUnderTheButtonAppliesItsRow) {
    const PresetCase& c = GetParam();
    Start();
    Click("BtnOptions");
    Tick();
    Click("BtnOptionsAff");
    Tick();
    // A change handler that ran would show here: every box is first set to another colour.
    std::vector<int> changes(5, 0);
    const char* boxes[] = {"TintoColorComboBoxFond", "TintoColorComboBoxButtonHaut",
                           "TintoColorComboBoxButtonBas", "TintoColorComboBoxBarDebut",
                           "TintoColorComboBoxBarFin"};
    std::vector<TTintoColorComboBox*> combos;
    for (int i = 0; i < 5; ++i) {
        combos.push_back(Window().findChild<TTintoColorComboBox*>(QLatin1String(boxes[i])));
        ASSERT_NE(combos.back(), nullptr);
        QObject::connect(combos.back(), &TTintoColorComboBox::changed,
                         [&changes, i] { ++changes[i]; });
    }

    TZederuGradientButton* button = Button("BtnOptionsDefault");
    auto* menu = Window().findChild<QMenu*>(QStringLiteral("MenuOptionsAffichage"));
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(button->dropDownMenu(), menu);
    Click("BtnOptionsDefault");
    ASSERT_TRUE(menu->isVisible());
    EXPECT_EQ(menu->pos(), button->mapToGlobal(QPoint(0, button->height())));
    QStringList captions;
    for (QAction* action : menu->actions()) {
        captions << action->text();
    }
    EXPECT_EQ(captions, (QStringList{QString::fromUtf8(kPresets[0].caption),
                                     QString::fromUtf8(kPresets[1].caption),
                                     QString::fromUtf8(kPresets[2].caption)}));
    QAction* item = menu->findChild<QAction*>(QLatin1String(c.item));
    ASSERT_NE(item, nullptr);
    QTest::mouseClick(menu->windowHandle(), Qt::LeftButton, Qt::NoModifier,
                      menu->actionGeometry(item).center());
    Tick();
    EXPECT_FALSE(menu->isVisible());

    const TColor values[] = {c.window, c.top, c.bottom, c.start, c.end};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(combos[i]->colorValue(), values[i]) << boxes[i];
        EXPECT_EQ(changes[i], 0) << boxes[i];
    }
    EXPECT_EQ(Window().palette().color(QPalette::Window), TColorToQColor(c.window));

    // BtnSuivant: the first and last rows inside its two-pixel bevel.
    const QImage suivant = Button("BtnSuivant")->grab().toImage();
    const int h = suivant.height();
    EXPECT_EQ(Name(suivant.pixelColor(4, 2)), Name(GradientRow(c.top, c.bottom, h, 2)));
    EXPECT_EQ(Name(suivant.pixelColor(4, h - 3)), Name(GradientRow(c.top, c.bottom, h, h - 3)));
    for (const char* name : {"BtnAide", "BtnQuitter", "BtnOptionsDefault", "BtnValider"}) {
        EXPECT_EQ(Button(name)->lightColor(), c.top) << name;
        EXPECT_EQ(Button(name)->shadowColor(), c.bottom) << name;
    }

    // The bar, full, from its start colour to its end colour.
    auto* bar = Window().findChild<TGradProgress*>(QStringLiteral("GradProgressFile"));
    bar->setPosition(100);
    const QImage barPicture = bar->grab().toImage();
    const int middle = barPicture.height() / 2;
    EXPECT_TRUE(Near(barPicture.pixelColor(2, middle), TColorToQColor(c.start), 6))
        << Name(barPicture.pixelColor(2, middle)).toStdString();
    EXPECT_TRUE(
        Near(barPicture.pixelColor(barPicture.width() - 3, middle), TColorToQColor(c.end), 6))
        << Name(barPicture.pixelColor(barPicture.width() - 3, middle)).toStdString();

    Click("BtnQuitter");
    const QStringList ini = readCrLfLines(File(QStringLiteral("Data/Kestrix.ini")));
    const QStringList names = QString::fromUtf8(c.ini).split(QLatin1Char(' '));
    const char* keys[] = {"BackColor", "ButtonColorHaut", "ButtonColorBas", "BarColorDebut",
                          "BarColorFin"};
    for (int i = 0; i < 5; ++i) {
        EXPECT_TRUE(ini.contains(QLatin1String(keys[i]) + QLatin1Char('=') + names[i]))
            << keys[i] << " " << names[i].toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(Menu, PresetsTest, ::testing::ValuesIn(kPresets),
                         [](const auto& info) { return std::string(info.param.item); });
