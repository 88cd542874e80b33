#include "app/TApplication.h"

#include "platform/AppControl.h"

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv) {
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
    // Back at depth 0, no handler and so no nested loop is running: the main loop has control.
    // exit(), not quit(): quit() would first close the windows, running the main window's
    // close sequence, which an end request must not do.
    if (depth_ == 0 && AppControl::EndRequested() && !quitAsked_) {
        quitAsked_ = true;
        exit(0);
    }
    return handled;
}

void TApplication::Run() {
    if (!AppControl::EndRequested()) {
        quitAsked_ = false;
        exec();
    }
}
