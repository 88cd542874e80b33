// kestrix_screenshots OUTPUT_FOLDER [PROGRAM_FOLDER]
//
// Renders the wizard's welcome, browse, file, backup and end pages, its three options pages and
// its about window offscreen into OUTPUT_FOLDER as welcome.png, browse.png, files.png,
// backup.png, end.png, options_general.png, options_display.png, options_saving.png and
// about.png. Without PROGRAM_FOLDER the wizard runs in a temporary program folder over a small
// sample system; with it, in that folder and over its own source list. Either way the backup
// goes into a temporary destination. Exit status 0 when the nine pictures were written from a
// run without any message box.

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <cstdio>

#include "SampleProgramFolder.h"
#include "ScreenshotSession.h"
#include "app/Fonts.h"

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    const QStringList arguments = app.arguments();
    if (arguments.size() < 2 || arguments.size() > 3) {
        std::fputs("usage: kestrix_screenshots OUTPUT_FOLDER [PROGRAM_FOLDER]\n", stderr);
        return 2;
    }
    LoadInterfaceFonts();

    const QString output = QFileInfo(arguments.at(1)).absoluteFilePath();
    const SampleProgramFolder folder(arguments.size() == 3 ? arguments.at(2) : QString());
    if (!folder.isValid()) {
        std::fprintf(stderr, "kestrix_screenshots: %s\n", folder.error().toLocal8Bit().constData());
        return 1;
    }
    const QString previous = QDir::currentPath();
    // Kestrix works in its program folder.
    if (!QDir::setCurrent(folder.programFolder())) {
        std::fprintf(stderr, "kestrix_screenshots: cannot enter %s\n",
                     folder.programFolder().toLocal8Bit().constData());
        return 1;
    }
    bool done = false;
    {
        ScreenshotSession session(output, folder.destination());
        done = session.Run();
    }
    QDir::setCurrent(previous);
    return done ? 0 : 1;
}
