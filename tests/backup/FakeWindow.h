#pragma once

#include <QString>
#include <QStringList>
#include <deque>
#include <functional>
#include <vector>

#include "backup/BackupControls.h"
#include "report/UserInterface.h"

// The main window as the engine sees it, in memory: its controls, the message boxes it was
// asked to show (answered from a queue, OK or Yes by default), and its end and close requests.
class FakeWindow : public UserInterface, public BackupControls {
public:
    struct Message {
        MessageIcon icon;
        MessageButtons buttons;
        QString text;
    };

    MessageAnswer ShowMessage(MessageIcon icon, MessageButtons buttons,
                              const QString& text) override;
    void RequestEnd() override { ++endRequests; }
    void CloseMainWindow() override;

    QString EditChemin() const override { return editChemin; }
    void SetEditChemin(const QString& text) override { editChemin = text; }
    bool AutoexecChecked() const override { return autoexec; }
    int TrackBarPosition() const override { return trackBar; }
    int FileCount() const override { return static_cast<int>(entries.size()); }
    ListEntry FileEntry(int index) const override {
        return entries.at(static_cast<std::size_t>(index));
    }
    void SetFileEntries(const std::vector<ListEntry>& list) override { entries = list; }
    void SetStatusText(const QString& text) override { statusTexts << text; }
    void SetCopyFileText(const QString& text) override { copyFileTexts << text; }
    void SetFileSizeText(const QString& text) override { fileSizeTexts << text; }
    void SetProgressPosition(int position) override { progress.push_back(position); }
    void SetCopyControlsVisible(bool visible) override { copyControlsVisible.push_back(visible); }
    void PumpMessages() override;

    // Ticks the given paths, in order, enabled.
    void SetTicked(const QStringList& paths);

    QStringList MessageTexts() const;

    QString editChemin;
    bool autoexec = false;
    int trackBar = 3;
    std::vector<ListEntry> entries;
    QStringList statusTexts;
    QStringList copyFileTexts;
    QStringList fileSizeTexts;
    std::vector<int> progress;
    std::vector<bool> copyControlsVisible;
    int pumps = 0;
    std::function<void()> onPump;
    std::function<void()> onClose;
    std::deque<MessageAnswer> answers;
    std::vector<Message> messages;
    int endRequests = 0;
    int closeRequests = 0;
};
