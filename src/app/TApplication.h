#pragma once

#include <QApplication>

// The application object: it carries the program's title and help file, hands exceptions that
// escape an event handler to the installed handler, and honours the end-of-application request
// only when control is back in its own main loop.
class TApplication : public QApplication {
    Q_OBJECT
public:
    TApplication(int& argc, char** argv);

    bool notify(QObject* receiver, QEvent* event) override;

    // Runs the main event loop unless the end was already requested; returns when it ends.
    void Run();

private:
    int depth_ = 0;  // event dispatches in progress
    bool mainLoopRunning_ = false;
    bool quitAsked_ = false;
};
