#pragma once

#include <QStringList>

// True when no display server is there (no DISPLAY, no WAYLAND_DISPLAY) and the user chose no
// Qt platform: the program then runs on Qt's offscreen platform.
bool NoDisplay();

// "/auto" among the arguments, in any letter case.
bool HasAutoOption(int argc, char** argv);
