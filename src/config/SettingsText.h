#pragma once

#include <QString>

#include "platform/TColor.h"

// The text forms of the values in Kestrix.ini. Conversions that fail throw Failure.
namespace SettingsText {

extern const QString kOui;  // "Oui"
extern const QString kNon;  // "Non"

// "Oui" and "Non" stay as they are (case included); any other text, empty included, is "Oui".
QString NormalisedBool(const QString& text);
QString BoolText(bool value);

// Decimal, or hexadecimal after "$", with an optional sign; a 32-bit value (hexadecimal up to
// eight digits, taken as the bits of the value).
int ToInteger(const QString& text);

// One of the 42 colour names (any case), else a number as ToInteger reads it.
TColor ToColour(const QString& text);

// The colour's name when it has one, else "$" and eight upper-case hexadecimal digits.
QString ColourText(TColor colour);

}  // namespace SettingsText
