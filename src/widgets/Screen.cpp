#include "widgets/Screen.h"

#include <QGuiApplication>
#include <QScreen>
#include <cmath>

int ScreenLogicalDpiX() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? static_cast<int>(std::lround(screen->logicalDotsPerInchX())) : 96;
}
