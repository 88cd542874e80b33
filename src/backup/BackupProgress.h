#pragma once

#include <QString>
#include <QtGlobal>

// What a backup run shows while it goes: the stage, the file being copied, its amount and the
// bar. Each call only shows; nothing the run does depends on it.
class BackupProgress {
public:
    virtual ~BackupProgress() = default;

    virtual void SetStatusText(const QString& text) = 0;
    virtual void SetFileText(const QString& text) = 0;
    // Shown as FileAmountText(copied, size).
    virtual void SetFileAmount(qint64 copied, qint64 size) = 0;
    // 0 to 100.
    virtual void SetPosition(int position) = 0;
    // The file text, amount and bar are shown or hidden together.
    virtual void SetFileShown(bool shown) { (void)shown; }
    // Called twice per block, so that a window stays answering during a long copy.
    virtual void Pump() {}

    // "N Ko / M Ko": the bytes copied of a file and its size, each in whole Ko plus one.
    static QString FileAmountText(qint64 copied, qint64 size) {
        return QString::number(copied / 1024 + 1) + QStringLiteral(" Ko / ") +
               QString::number(size / 1024 + 1) + QStringLiteral(" Ko");
    }
};
