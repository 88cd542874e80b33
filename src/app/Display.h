#pragma once

// True on the Qt platforms that show nothing (offscreen, minimal). Needs the application object.
bool InvisiblePlatform();
