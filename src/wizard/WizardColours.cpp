#include "wizard/WizardColours.h"

#include <QGuiApplication>
#include <QPalette>

namespace {

// Classic Windows defaults of the 25 system colours, 0x00BBGGRR.
constexpr TColor kClassic[] = {
    0xC8C8C8, 0x984E00, 0x6A240A, 0x808080, 0xC0C0C0, 0xFFFFFF, 0x000000, 0x000000, 0x000000,
    0xFFFFFF, 0xC0C0C0, 0xC0C0C0, 0x808080, 0x6A240A, 0xFFFFFF, 0xC0C0C0, 0x808080, 0x808080,
    0x000000, 0xC0C0C0, 0xFFFFFF, 0x404040, 0xC0C0C0, 0x000000, 0xE1FFFF,
};

QColor FromRgb(TColor colour) {
    return QColor(colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF);
}

}  // namespace

QColor WizardColour(TColor colour) {
    if (!IsSystemColour(colour)) {
        return FromRgb(colour);
    }
    const int index = colour & 0xFF;
    const QPalette palette = QGuiApplication::palette();
    switch (index) {
        case 5:
            return palette.color(QPalette::Base);
        case 8:
            return palette.color(QPalette::WindowText);
        case 13:
            return palette.color(QPalette::Highlight);
        case 14:
            return palette.color(QPalette::HighlightedText);
        case 15:
            return palette.color(QPalette::Button);
        case 16:
            return palette.color(QPalette::Mid);
        case 17:
            return palette.color(QPalette::Disabled, QPalette::Text);
        case 18:
            return palette.color(QPalette::ButtonText);
        case 20:
            return palette.color(QPalette::Light);
        case 21:
            return palette.color(QPalette::Shadow);
        case 22:
            return palette.color(QPalette::Midlight);
        case 23:
            return palette.color(QPalette::ToolTipText);
        case 24:
            return palette.color(QPalette::ToolTipBase);
        default:
            break;
    }
    return index < static_cast<int>(sizeof kClassic / sizeof kClassic[0]) ? FromRgb(kClassic[index])
                                                                          : QColor(Qt::black);
}
