#pragma once

// The screen's logical pixels per inch along the width (96 when there is no screen).
int ScreenLogicalDpiX();
