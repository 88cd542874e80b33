#include <QDir>
#include <QString>
#include <cstdio>

#include "app/Display.h"
#include "app/Fonts.h"
#include "app/TApplication.h"
#include "config/CommandLine.h"
#include "controller/ProgramStart.h"
#include "platform/AppControl.h"
#include "wizard/TFormKestrix.h"

// The window program: the wizard, and with "/auto" the minimised window that shows an
// unattended run. Without a display, kestrix runs "/auto" itself and never starts it.
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
            return RefuseWithoutDisplay();
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
