#pragma once

#include "platform/TColor.h"

#include <QColor>

// Colour values as the drawing code needs them. A system colour (0x80000000 + index) takes the
// application palette's colour where Qt has a matching role, else the classic Windows default.

// The plain RGB value 0x00BBGGRR of a system colour index; 0 for an unknown index.
TColor SystemColourRgb(int index);

// A system colour resolved to its current RGB value; any other value is returned unchanged.
TColor ColorToRGB(TColor colour);

// The colour to paint with: system colours resolved, then the low 24 bits as red, green, blue.
QColor TColorToQColor(TColor colour);

// The RGB value 0x00BBGGRR of a Qt colour (alpha dropped).
TColor QColorToTColor(const QColor& colour);
