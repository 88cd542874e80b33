#pragma once

// Loads the interface fonts: "MS Sans Serif" from Debian's metric-compatible outline, falling
// back to Liberation Sans, and "Times New Roman" as Liberation Serif.
void LoadInterfaceFonts();
