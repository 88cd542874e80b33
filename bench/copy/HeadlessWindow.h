#pragma once

#include <QString>
#include <vector>

#include "backup/BackupControls.h"
#include "report/UserInterface.h"

// The window interface of a backup without widgets: the controls hold their values, the pump
// is the application's event processing, message boxes are printed and answered OK.
class HeadlessWindow : public UserInterface, public BackupControls {
public:
    MessageAnswer ShowMessage(MessageIcon icon, MessageButtons buttons,
                              const QString& text) override;
    void RequestEnd() override {}
    void CloseMainWindow() override {}

    QString EditChemin() const override { return destination_; }
    void SetEditChemin(const QString& text) override { destination_ = text; }
    bool AutoexecChecked() const override { return false; }
    int TrackBarPosition() const override { return position_; }
    int FileCount() const override { return static_cast<int>(entries_.size()); }
    ListEntry FileEntry(int index) const override;
    void SetFileEntries(const std::vector<ListEntry>& entries) override { entries_ = entries; }
    void SetStatusText(const QString& text) override { status_ = text; }
    void SetCopyFileText(const QString& text) override { copyFile_ = text; }
    void SetFileSizeText(const QString& text) override { fileSize_ = text; }
    void SetProgressPosition(int position) override { progress_ = position; }
    void SetCopyControlsVisible(bool visible) override { visible_ = visible; }
    void PumpMessages() override;

    void SetTrackBarPosition(int position) { position_ = position; }
    int MessagesShown() const { return messages_; }

private:
    QString destination_;
    int position_ = 3;
    std::vector<ListEntry> entries_;
    QString status_;
    QString copyFile_;
    QString fileSize_;
    int progress_ = 0;
    bool visible_ = true;
    int messages_ = 0;
};
