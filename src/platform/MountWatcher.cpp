#include "platform/MountWatcher.h"

#include <fcntl.h>
#include <unistd.h>

#include "platform/CheckedIo.h"
#include "platform/Failure.h"

MountWatcher::MountWatcher(QObject* parent)
    : QObject(parent), fd_(::open("/proc/self/mountinfo", O_RDONLY | O_CLOEXEC)) {
    Read();
    if (fd_) {
        notifier_ = std::make_unique<QSocketNotifier>(fd_.Get(), QSocketNotifier::Exception);
        connect(notifier_.get(), &QSocketNotifier::activated, this, &MountWatcher::TableChanged);
    }
}

MountWatcher::~MountWatcher() = default;

void MountWatcher::Read() {
    QByteArray text;
    if (fd_ && ::lseek(fd_.Get(), 0, SEEK_SET) == 0) {
        try {
            char buffer[16384];
            for (std::int64_t got; (got = CheckedIo::Read(fd_, buffer, sizeof buffer)) > 0;) {
                text.append(buffer, static_cast<qsizetype>(got));
            }
        } catch (const Failure&) {
            text.clear();
        }
    }
    drives_ = MountTable::Drives(MountTable::Parse(text), MountTable::SystemDeviceFacts());
}

void MountWatcher::TableChanged() {
    const std::vector<MountTable::Drive> before = drives_;
    Read();
    if (drives_ != before) {
        emit drivesChanged();
    }
}
