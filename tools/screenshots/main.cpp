// kestrix_screenshots OUTPUT_FOLDER [PROGRAM_FOLDER]
//
// Renders the wizard's welcome, browse, file, backup and end pages, its three options pages and
// its about window offscreen into OUTPUT_FOLDER as welcome.png, browse.png, files.png,
// backup.png, end.png, options_general.png, options_display.png, options_saving.png and
// about.png. Without PROGRAM_FOLDER the wizard runs in the program folder /tmp/Kestrix (or a
// temporary one when that exists) over a small sample system; with it, in that folder and over
// its own source list. Either way the backup goes into a temporary destination, and the folder
// tree shows a staged home folder and, as root, a staged USB key in place of this machine's
// drives, in a mount namespace of the tool's own. Exit status 0 when the nine pictures were
// written from a run without any message box.

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QLibraryInfo>
#include <cstdio>

#include "SampleProgramFolder.h"
#include "ScreenshotSession.h"
#include "StagedDesktop.h"
#include "app/Fonts.h"

int main(int argc, char** argv) {
    // Before the toolkit starts any thread: the namespace is the calling thread's alone.
    const bool privateMounts = argc >= 2 && argc <= 3 && StagedDesktop::EnterPrivateMounts();
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
    // The drives that hold these stay mounted: the tool, its toolkit and its folders are there.
    const StagedDesktop desktop(
        privateMounts,
        {output, folder.programFolder(), folder.destination(), previous, QDir::tempPath(),
         QCoreApplication::applicationDirPath(), QStringLiteral(KESTRIX_SOURCE_DIR),
         QStringLiteral(KESTRIX_PROGRAM_DIR), QLibraryInfo::path(QLibraryInfo::PrefixPath),
         QLibraryInfo::path(QLibraryInfo::PluginsPath), QStringLiteral("/usr"),
         QStringLiteral("/etc"), QStringLiteral("/var")});
    if (!desktop.isValid()) {
        std::fprintf(stderr, "kestrix_screenshots: %s\n",
                     desktop.error().toLocal8Bit().constData());
        return 1;
    }
    // Kestrix works in its program folder.
    if (!QDir::setCurrent(folder.programFolder())) {
        std::fprintf(stderr, "kestrix_screenshots: cannot enter %s\n",
                     folder.programFolder().toLocal8Bit().constData());
        return 1;
    }
    bool done = false;
    {
        ScreenshotSession session(output, folder.destination(), desktop.selection());
        done = session.Run();
    }
    QDir::setCurrent(previous);
    return done ? 0 : 1;
}
