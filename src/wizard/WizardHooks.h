#pragma once

#include <QString>
#include <QUrl>
#include <functional>

#include "report/Reporter.h"
#include "report/UserInterface.h"

// What a test or a benchmark puts in place of the person and of the machine when it creates the
// main window. Every empty member keeps the real behaviour.
struct WizardHooks {
    using MessageHook = std::function<MessageAnswer(MessageIcon, MessageButtons, const QString&)>;

    MessageHook answerMessage;                        // answers in place of the message box
    std::function<int()> screenDpi;                   // in place of the screen's logical DPI
    Reporter::Clock clock;                            // the date and time of the report
    std::function<qint64(const QString&)> freeSpace;  // the backup's free-space query
    std::function<bool(const QUrl&)> openUrl;         // in place of QDesktopServices::openUrl
};
