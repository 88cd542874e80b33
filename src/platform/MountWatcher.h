#pragma once

#include <QObject>
#include <QSocketNotifier>
#include <memory>
#include <vector>

#include "platform/MountTable.h"
#include "shared/FileDescriptor.h"

// The drives of this process's mount table, followed without polling: the kernel marks
// /proc/self/mountinfo with a priority event at each mount and unmount. Where the table cannot
// be read, "/" is the only drive and nothing is followed.
class MountWatcher : public QObject {
    Q_OBJECT
public:
    explicit MountWatcher(QObject* parent = nullptr);
    ~MountWatcher() override;

    const std::vector<MountTable::Drive>& Drives() const { return drives_; }

signals:
    void drivesChanged();

private:
    void Read();
    void TableChanged();

    FileDescriptor fd_;
    std::unique_ptr<QSocketNotifier> notifier_;
    std::vector<MountTable::Drive> drives_;
};
