#include "app/TApplication.h"

#include "platform/AppControl.h"

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv) {
    setProperty("HelpFile", QStringLiteral("./Aide/Kestrix.hlp"));
    // No display name: the window system would append it to every window title.
    setApplicationName(QStringLiteral("Kestrix - Version 1.1"));
    // Closing the main window ends the program through the end request, never through quit()
    // from inside a nested loop.
    setQuitOnLastWindowClosed(false);
}

bool TApplication::notify(QObject* receiver, QEvent* event) {
    ++depth_;
    bool handled = false;
    try {
        handled = QApplication::notify(receiver, event);
    } catch (...) {
        AppControl::HandleUncaughtException();
    }
    --depth_;
    // Only inside Run() and back at depth 0 has the main loop control. Before Run(), depth 0 is
    // also reached inside a message box of the start-up or of an unattended run: exit() there
    // would end that box unanswered and every later one at once. exit(), not quit(): quit()
    // would first close the windows, running the main window's close sequence.
    if (mainLoopRunning_ && depth_ == 0 && AppControl::EndRequested() && !quitAsked_) {
        quitAsked_ = true;
        exit(0);
    }
    return handled;
}

void TApplication::Run() {
    if (AppControl::EndRequested()) {
        return;
    }
    quitAsked_ = false;
    mainLoopRunning_ = true;
    exec();
    mainLoopRunning_ = false;
}
