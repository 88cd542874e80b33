#pragma once

#include <gtest/gtest.h>

#include <ostream>

#include <QDateTime>
#include <QStringList>
#include <deque>
#include <memory>
#include <vector>

#include "TempProgramFolder.h"
#include "report/UserInterface.h"
#include "wizard/TFormKestrix.h"

class TZederuGradientButton;

// A shipped program folder with a source list of files of its own, the window started in it
// with a fixed clock, a fixed free space, and a recorded person who answers every message box.
class WizardFixture : public ::testing::Test {
protected:
    struct Message {
        MessageIcon icon;
        MessageButtons buttons;
        QString text;
    };

    void SetUp() override;
    void TearDown() override;

    // Creates the window with these arguments after the program path, shown on screen.
    void Start(const QStringList& arguments = {});

    TFormKestrix& Window() { return *window_; }
    TZederuGradientButton* Button(const char* name);
    // Clicks a button of the main window, or any control, at its centre through its window.
    void Click(const char* name);
    static void ClickThroughWindow(QWidget* control);
    // Lets the step timer lay out the current page.
    void Tick();
    // Starts the window and goes to the Autoexec.bat page, the destination set to Dest().
    void StartOnAutoexecPage();
    // The names of the window's controls that are visible, sorted.
    QStringList VisibleControls();
    // The frame's controls that every page shows, texture on.
    static QStringList Frame();
    QStringList Messages() const;

    QString Source(const QString& name) const {
        return folder_->file(QStringLiteral("src/") + name);
    }
    QString Dest() const { return folder_->file(QStringLiteral("dest")); }
    QString File(const QString& relative) const { return folder_->file(relative); }
    QString ReportPath(const QString& number) const;

    std::unique_ptr<TempProgramFolder> folder_;
    std::unique_ptr<TFormKestrix> window_;
    std::vector<Message> messages_;
    std::deque<MessageAnswer> answers_;
    std::function<void(const QString&)> onMessage_;
    int dpi_ = 96;
    QList<QUrl> opened_;
    bool openSucceeds_ = true;
    qint64 freeSpace_ = 10LL * 1024 * 1024 * 1024;
    QDateTime now_{QDate(2026, 12, 7), QTime(11, 23, 8)};
};

// Readable failure output for the step number, Qt strings and line lists.
inline void PrintTo(WizardStep step, std::ostream* out) {
    *out << "Etape " << static_cast<int>(step);
}
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}
inline void PrintTo(const QStringList& lines, std::ostream* out) {
    *out << "\n";
    for (const QString& line : lines) {
        *out << "  |" << line.toStdString() << "|\n";
    }
}

// The lines that open a report section.
QStringList Section(const QString& title);
