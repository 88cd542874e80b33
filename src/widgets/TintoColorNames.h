#pragma once

#include "platform/TColor.h"

#include <QString>

// The entries of the colour combo box and the text forms of colour values.

constexpr int kTintoEntryCount = 43;  // with the system colours
constexpr int kTintoBasicCount = 16;  // without them (the custom entry follows)
constexpr TColor kTintoCustomStart = 0xE6E6E6;

// The colour of entry 0..41 of the full list (entry 42, the custom entry, starts as
// kTintoCustomStart).
TColor TintoEntryValue(int entry);

// The displayed name of entry 0..42 in a language (the TTintoColorComboBox::TCLanguage value).
QString TintoEntryName(int language, int entry);

// The text form of a colour: its identifier ("clBlack", "clBtnFace", "clNone") when it has one,
// else "$" and eight upper-case hexadecimal digits of the value.
QString ColorToText(TColor colour);

// Parses a text form (identifier, "$" + hexadecimal, or decimal). False when it is neither.
bool TextToColor(const QString& text, TColor* colour);

// The web notation "#RRGGBB" of a colour, system colours resolved to their current value.
QString WebNotation(TColor colour);
