#include <QString>
#include <cstdio>

#include "app/Display.h"
#include "app/Fonts.h"
#include "app/TApplication.h"
#include "config/CommandLine.h"
#include "platform/AppControl.h"
#include "wizard/TFormKestrix.h"

int main(int argc, char** argv) {
    if (NoDisplay()) {
        if (!HasAutoOption(argc, argv)) {
            std::fputs(
                "Kestrix : aucun affichage disponible. Sans écran, seule une sauvegarde "
                "automatique est possible (kestrix /auto).\n",
                stderr);
            return 2;
        }
        qputenv("QT_QPA_PLATFORM", "offscreen");
        AppControl::SetHeadless(true);
        KeepStderrForKestrix();
    }

    // Taken before the application object removes the options it knows from argv.
    const QStringList arguments = RawArguments(argc, argv);
    TApplication app(argc, argv);
    LoadInterfaceFonts();

    TFormKestrix window(arguments);
    window.ShowAtLoopStart();
    app.Run();
    return window.ExitStatus();
}
