#include <QCoreApplication>
#include <QDir>
#include <QString>
#include <cstdio>

#include "config/CommandLine.h"
#include "controller/ProgramStart.h"
#include "controller/RunController.h"
#include "headless/HeadlessHost.h"
#include "headless/WindowProgram.h"
#include "platform/AppControl.h"

namespace {

// The unattended run on Qt Core alone: no window is built and no Gui code runs.
int RunHeadless(int argc, char** argv) {
    // Taken before the application object sees argv.
    const QStringList arguments = RawArguments(argc, argv);
    QCoreApplication app(argc, argv);
    AppControl::SetHeadless(true);
    HeadlessHost host;
    RunController controller(host);
    controller.Start(arguments);
    return controller.ExitStatus();
}

}  // namespace

// kestrix: the usage, the unattended run that nobody sees, or the window program.
int main(int argc, char** argv) {
    if (AsksForHelp(RawArguments(argc, argv))) {
        std::fputs(Usage(QDir::currentPath()).toUtf8().constData(), stdout);
        return 0;
    }
    KeepStderrForKestrix();
    if (RunsHeadless(argc, argv)) {
        return RunHeadless(argc, argv);
    }
    if (NoDisplay()) {
        return RefuseWithoutDisplay();
    }
    const QByteArray window = WindowProgramPath();
    StartWindowProgram(window, argv);
    // Without the window program an unattended run can still be made, unseen.
    if (HasAutoOption(argc, argv)) {
        return RunHeadless(argc, argv);
    }
    return RefuseWithoutWindow(window);
}
