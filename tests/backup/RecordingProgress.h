#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

#include "backup/BackupProgress.h"

// Records what a run shows, in order.
class RecordingProgress : public BackupProgress {
public:
    void SetStatusText(const QString& text) override { statusTexts << text; }
    void SetFileText(const QString& text) override { fileTexts << text; }
    void SetFileAmount(qint64 copied, qint64 size) override {
        amountTexts << FileAmountText(copied, size);
    }
    void SetPosition(int position) override { positions.push_back(position); }
    void SetFileShown(bool shown) override { fileShown.push_back(shown); }
    void Pump() override {
        ++pumps;
        if (onPump) {
            onPump();
        }
    }

    QStringList statusTexts;
    QStringList fileTexts;
    QStringList amountTexts;
    std::vector<int> positions;
    std::vector<bool> fileShown;
    int pumps = 0;
    std::function<void()> onPump;
};
