#pragma once

#include <QColor>

#include "platform/TColor.h"

// The colour to paint a colour value with: RGB values as they are, system colours through the
// application palette where Qt has the role, else the classic Windows default.
QColor WizardColour(TColor colour);
