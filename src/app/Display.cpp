#include "app/Display.h"

#include <QGuiApplication>

bool InvisiblePlatform() {
    const QString platform = QGuiApplication::platformName();
    return platform == QLatin1String("offscreen") || platform == QLatin1String("minimal");
}
