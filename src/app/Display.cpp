#include "app/Display.h"

#include <QByteArray>
#include <QtGlobal>

bool NoDisplay() {
    return qEnvironmentVariableIsEmpty("DISPLAY") &&
           qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") &&
           qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM");
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

void DropToolkitMessage(QtMsgType, const QMessageLogContext&, const QString&) {}

}  // namespace

void KeepStderrForKestrix() {
    qInstallMessageHandler(DropToolkitMessage);
}
