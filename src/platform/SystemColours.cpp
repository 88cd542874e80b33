#include "platform/SystemColours.h"

#include <QGuiApplication>
#include <QPalette>

namespace {

constexpr TColor Rgb(int red, int green, int blue) {
    return static_cast<TColor>(red | (green << 8) | (blue << 16));
}

// The classic Windows scheme, for the roles that Qt's palette does not have (and for every
// index when no application object exists yet).
TColor ClassicColour(int index) {
    switch (index) {
        case 0:
            return Rgb(212, 208, 200);  // scroll bar
        case 1:
            return Rgb(58, 110, 165);  // desktop
        case 2:
            return Rgb(10, 36, 106);  // active caption
        case 3:
            return Rgb(128, 128, 128);  // inactive caption
        case 4:
            return Rgb(212, 208, 200);  // menu
        case 5:
            return Rgb(255, 255, 255);  // window
        case 6:
            return Rgb(0, 0, 0);  // window frame
        case 7:
            return Rgb(0, 0, 0);  // menu text
        case 8:
            return Rgb(0, 0, 0);  // window text
        case 9:
            return Rgb(255, 255, 255);  // caption text
        case 10:
            return Rgb(212, 208, 200);  // active border
        case 11:
            return Rgb(212, 208, 200);  // inactive border
        case 12:
            return Rgb(128, 128, 128);  // application work space
        case 13:
            return Rgb(10, 36, 106);  // highlight
        case 14:
            return Rgb(255, 255, 255);  // highlighted text
        case 15:
            return Rgb(212, 208, 200);  // button face
        case 16:
            return Rgb(128, 128, 128);  // button shadow
        case 17:
            return Rgb(128, 128, 128);  // greyed text
        case 18:
            return Rgb(0, 0, 0);  // button text
        case 19:
            return Rgb(212, 208, 200);  // inactive caption text
        case 20:
            return Rgb(255, 255, 255);  // button highlight
        case 21:
            return Rgb(64, 64, 64);  // 3-D dark shadow
        case 22:
            return Rgb(212, 208, 200);  // 3-D light
        case 23:
            return Rgb(0, 0, 0);  // tooltip text
        case 24:
            return Rgb(255, 255, 225);  // tooltip background
        case 26:
            return Rgb(0, 0, 128);  // hot-tracked item
        case 27:
            return Rgb(166, 202, 240);  // active caption gradient
        case 28:
            return Rgb(192, 192, 192);  // inactive caption gradient
        case 29:
            return Rgb(10, 36, 106);  // menu highlight
        case 30:
            return Rgb(212, 208, 200);  // menu bar
        default:
            return 0;
    }
}

bool PaletteRole(int index, QPalette::ColorGroup* group, QPalette::ColorRole* role) {
    *group = QPalette::Active;
    switch (index) {
        case 5:
            *role = QPalette::Base;
            return true;
        case 8:
            *role = QPalette::WindowText;
            return true;
        case 13:
            *role = QPalette::Highlight;
            return true;
        case 14:
            *role = QPalette::HighlightedText;
            return true;
        case 15:
            *role = QPalette::Button;
            return true;
        case 16:
            *role = QPalette::Dark;
            return true;
        case 17:
            *group = QPalette::Disabled;
            *role = QPalette::Text;
            return true;
        case 18:
            *role = QPalette::ButtonText;
            return true;
        case 20:
            *role = QPalette::Light;
            return true;
        case 21:
            *role = QPalette::Shadow;
            return true;
        case 22:
            *role = QPalette::Midlight;
            return true;
        case 23:
            *role = QPalette::ToolTipText;
            return true;
        case 24:
            *role = QPalette::ToolTipBase;
            return true;
        default:
            return false;
    }
}

}  // namespace

TColor SystemColourRgb(int index) {
    QPalette::ColorGroup group;
    QPalette::ColorRole role;
    if (qGuiApp != nullptr && PaletteRole(index, &group, &role)) {
        return QColorToTColor(QGuiApplication::palette().color(group, role));
    }
    return ClassicColour(index);
}

TColor ColorToRGB(TColor colour) {
    if (IsSystemColour(colour)) {
        // As on Windows, the low byte is the index.
        return SystemColourRgb(colour & 0xFF);
    }
    return colour;
}

QColor TColorToQColor(TColor colour) {
    const TColor rgb = ColorToRGB(colour);
    return QColor(rgb & 0xFF, (rgb >> 8) & 0xFF, (rgb >> 16) & 0xFF);
}

TColor QColorToTColor(const QColor& colour) {
    const QColor c = colour.toRgb();
    return Rgb(c.red(), c.green(), c.blue());
}
