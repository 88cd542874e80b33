#pragma once

#include <QStringList>

// True when no display server is there (no DISPLAY, no WAYLAND_DISPLAY) and the user chose no
// Qt platform: the program then runs on Qt's offscreen platform.
bool NoDisplay();

// True on the Qt platforms that show nothing (offscreen, minimal). Needs the application object.
bool InvisiblePlatform();

// "/auto" among the arguments, in any letter case.
bool HasAutoOption(int argc, char** argv);

// A scheduled job reads the program's stderr, and a window started from a terminal writes there
// too: only Kestrix's own lines go there, and the toolkit's notices (such as the missing
// XDG_RUNTIME_DIR) are dropped.
void KeepStderrForKestrix();
