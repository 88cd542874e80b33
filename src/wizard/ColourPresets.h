#pragma once

#include <QString>

#include "platform/TColor.h"

// The three colour schemes of the menu under "Paramètres par défaut", in menu order.
struct ColourPreset {
    const char* name;  // the menu item's object name
    const char16_t* caption;
    TColor window;
    TColor buttonTop;
    TColor buttonBottom;
    TColor barStart;
    TColor barEnd;
};

namespace ColourPresets {

constexpr int kCount = 3;
const ColourPreset& At(int index);

}  // namespace ColourPresets
