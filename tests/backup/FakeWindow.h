#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

#include "RecordingUi.h"
#include "backup/BackupControls.h"

// The main window as the engine sees it, in memory: its controls, and (as RecordingUi) the
// message boxes it was asked to show and its end and close requests.
class FakeWindow : public RecordingUi, public BackupControls {
public:
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
    void SetFileAmount(qint64 copied, qint64 size) override {
        fileSizeTexts << FileAmountText(copied, size);
    }
    void SetProgressPosition(int position) override { progress.push_back(position); }
    void SetCopyControlsVisible(bool visible) override { copyControlsVisible.push_back(visible); }
    void PumpMessages() override;

    // Ticks the given paths, in order, enabled.
    void SetTicked(const QStringList& paths);

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
};
