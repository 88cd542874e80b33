#include "widgets/SystemColours.h"

#include <QGuiApplication>
#include <QPalette>
#include <iterator>

namespace {

constexpr TColor Rgb(int red, int green, int blue) {
    return static_cast<TColor>(red | (green << 8) | (blue << 16));
}

// The classic Windows scheme, for the roles that Qt's palette does not have (and for every
// index when no application object exists yet).
constexpr TColor kClassic[] = {
    Rgb(212, 208, 200),  // 0 scroll bar
    Rgb(58, 110, 165),   // 1 desktop
    Rgb(10, 36, 106),    // 2 active caption
    Rgb(128, 128, 128),  // 3 inactive caption
    Rgb(212, 208, 200),  // 4 menu
    Rgb(255, 255, 255),  // 5 window
    Rgb(0, 0, 0),        // 6 window frame
    Rgb(0, 0, 0),        // 7 menu text
    Rgb(0, 0, 0),        // 8 window text
    Rgb(255, 255, 255),  // 9 caption text
    Rgb(212, 208, 200),  // 10 active border
    Rgb(212, 208, 200),  // 11 inactive border
    Rgb(128, 128, 128),  // 12 application work space
    Rgb(10, 36, 106),    // 13 highlight
    Rgb(255, 255, 255),  // 14 highlighted text
    Rgb(212, 208, 200),  // 15 button face
    Rgb(128, 128, 128),  // 16 button shadow
    Rgb(128, 128, 128),  // 17 greyed text
    Rgb(0, 0, 0),        // 18 button text
    Rgb(212, 208, 200),  // 19 inactive caption text
    Rgb(255, 255, 255),  // 20 button highlight
    Rgb(64, 64, 64),     // 21 3-D dark shadow
    Rgb(212, 208, 200),  // 22 3-D light
    Rgb(0, 0, 0),        // 23 tooltip text
    Rgb(255, 255, 225),  // 24 tooltip background
    0,                   // 25 (none)
    Rgb(0, 0, 128),      // 26 hot-tracked item
    Rgb(166, 202, 240),  // 27 active caption gradient
    Rgb(192, 192, 192),  // 28 inactive caption gradient
    Rgb(10, 36, 106),    // 29 menu highlight
    Rgb(212, 208, 200),  // 30 menu bar
};

TColor ClassicColour(int index) {
    return index >= 0 && index < static_cast<int>(std::size(kClassic)) ? kClassic[index] : 0;
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
