#include <QDir>
#include <QString>
#include <cstdio>

#include "app/Display.h"
#include "app/Fonts.h"
#include "app/TApplication.h"
#include "config/CommandLine.h"
#include "platform/AppControl.h"
#include "wizard/TFormKestrix.h"

int main(int argc, char** argv) {
    // The usage needs no display, and starts neither the window nor a report.
    if (AsksForHelp(RawArguments(argc, argv))) {
        std::fputs(Usage(QDir::currentPath()).toUtf8().constData(), stdout);
        return 0;
    }
    KeepStderrForKestrix();
    const bool unattended = HasAutoOption(argc, argv);
    if (NoDisplay()) {
        if (!unattended) {
            std::fputs(
                "Kestrix : aucun affichage disponible. Sans écran, seule une sauvegarde "
                "automatique est possible (kestrix /auto).\n",
                stderr);
            return 2;
        }
        qputenv("QT_QPA_PLATFORM", "offscreen");
        AppControl::SetHeadless(true);
    }

    // Taken before the application object removes the options it knows from argv.
    const QStringList arguments = RawArguments(argc, argv);
    TApplication app(argc, argv);
    // A job run from cron with QT_QPA_PLATFORM=offscreen has no one to answer a box either.
    if (unattended && InvisiblePlatform()) {
        AppControl::SetHeadless(true);
    }
    LoadInterfaceFonts();

    TFormKestrix window(arguments);
    window.ShowAtLoopStart();
    app.Run();
    return window.ExitStatus();
}
