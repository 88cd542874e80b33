#include "controller/ProgramStart.h"

#include <QByteArray>
#include <QtGlobal>
#include <cstdio>

bool NoDisplay() {
    return qEnvironmentVariableIsEmpty("DISPLAY") &&
           qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") &&
           qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM");
}

bool InvisiblePlatformChosen() {
    // "offscreen:fontengine=freetype": the platform name comes before its options.
    const QByteArray platform = qgetenv("QT_QPA_PLATFORM").split(':').first();
    return platform == "offscreen" || platform == "minimal";
}

bool HasAutoOption(int argc, char** argv) {
    for (int i = 0; i < argc; ++i) {
        if (QByteArray(argv[i]).toLower() == "/auto") {
            return true;
        }
    }
    return false;
}

bool RunsHeadless(int argc, char** argv) {
    return HasAutoOption(argc, argv) && (NoDisplay() || InvisiblePlatformChosen());
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

int RefuseWithoutDisplay() {
    std::fputs(
        "Kestrix : aucun affichage disponible. Sans écran, seule une sauvegarde "
        "automatique est possible (kestrix /auto).\n",
        stderr);
    return 2;
}
