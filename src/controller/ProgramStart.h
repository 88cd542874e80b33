#pragma once

#include <QStringList>

// True when no display server is there (no DISPLAY, no WAYLAND_DISPLAY) and the user chose no
// Qt platform.
bool NoDisplay();

// True when QT_QPA_PLATFORM names a Qt platform that shows nothing (offscreen, minimal).
bool InvisiblePlatformChosen();

// "/auto" among the arguments, in any letter case.
bool HasAutoOption(int argc, char** argv);

// An unattended run that nobody can see: "/auto" without a display, or on a platform that shows
// nothing. It runs without any window.
bool RunsHeadless(int argc, char** argv);

// A scheduled job reads the program's stderr, and a window started from a terminal writes there
// too: only Kestrix's own lines go there, and the toolkit's notices (such as the missing
// XDG_RUNTIME_DIR) are dropped.
void KeepStderrForKestrix();

// The line and exit status 2 of a program started without a display and without "/auto".
int RefuseWithoutDisplay();
