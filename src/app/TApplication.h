#pragma once

#include <QApplication>

// The application object: it hands exceptions that escape an event handler to the installed
// handler, and honours the end-of-application request when control is back in the main loop.
class TApplication : public QApplication {
    Q_OBJECT
public:
    TApplication(int& argc, char** argv);

    bool notify(QObject* receiver, QEvent* event) override;

    // Runs the main event loop unless the end was already requested; returns when it ends.
    void Run();

private:
    int depth_ = 0;  // event dispatches in progress; 0 means control is in the main loop
    bool quitAsked_ = false;
};
