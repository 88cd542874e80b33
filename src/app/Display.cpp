#include "app/Display.h"

#include <QByteArray>
#include <QGuiApplication>
#include <QtGlobal>
#include <cstdio>

bool NoDisplay() {
    return qEnvironmentVariableIsEmpty("DISPLAY") &&
           qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") &&
           qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM");
}

bool InvisiblePlatform() {
    const QString platform = QGuiApplication::platformName();
    return platform == QLatin1String("offscreen") || platform == QLatin1String("minimal");
}

bool HasAutoOption(int argc, char** argv) {
    for (int i = 0; i < argc; ++i) {
        if (QByteArray(argv[i]).toLower() == "/auto") {
            return true;
        }
    }
    return false;
}

namespace {

// The toolkit's notices say nothing an administrator can act on (a missing XDG_RUNTIME_DIR under
// pkexec or a job, a platform without some window feature); only what ends the program is said.
void DropToolkitMessage(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type == QtCriticalMsg || type == QtFatalMsg) {
        std::fprintf(stderr, "Kestrix : %s\n", message.toLocal8Bit().constData());
    }
}

}  // namespace

void KeepStderrForKestrix() {
    qInstallMessageHandler(DropToolkitMessage);
}
