#pragma once

#include <QString>
#include <vector>

// One entry of CheckListBoxFiles: a path (or the missing-file marker), ticked, enabled.
struct ListEntry {
    QString text;
    bool ticked = false;
    bool enabled = true;

    bool operator==(const ListEntry& other) const {
        return text == other.text && ticked == other.ticked && enabled == other.enabled;
    }
};

// The main window's controls that the backup engine reads and drives.
class BackupControls {
public:
    virtual ~BackupControls() = default;

    // EditChemin, the destination directory D.
    virtual QString EditChemin() const = 0;
    virtual void SetEditChemin(const QString& text) = 0;

    // CheckBoxAutoexec: write Autoexec.bat with the backup.
    virtual bool AutoexecChecked() const = 0;

    // TrackBarVitesse, 0 to 6.
    virtual int TrackBarPosition() const = 0;

    // CheckListBoxFiles.
    virtual int FileCount() const = 0;
    virtual ListEntry FileEntry(int index) const = 0;
    virtual void SetFileEntries(const std::vector<ListEntry>& entries) = 0;

    // LabelStatus, LabelCopyFile (left 152, top 228, 169 × 17), LabelFileSize (left 304,
    // top 228, 136 × 13), GradProgressFile's position; the last three shown or hidden together.
    virtual void SetStatusText(const QString& text) = 0;
    virtual void SetCopyFileText(const QString& text) = 0;
    // LabelFileSize shows FileAmountText(copied, size).
    virtual void SetFileAmount(qint64 copied, qint64 size) = 0;
    virtual void SetProgressPosition(int position) = 0;
    virtual void SetCopyControlsVisible(bool visible) = 0;

    // Processes all pending window messages.
    virtual void PumpMessages() = 0;

    // "N Ko / M Ko": the bytes copied of a file and its size, each in whole Ko plus one.
    static QString FileAmountText(qint64 copied, qint64 size) {
        return QString::number(copied / 1024 + 1) + QStringLiteral(" Ko / ") +
               QString::number(size / 1024 + 1) + QStringLiteral(" Ko");
    }
};
