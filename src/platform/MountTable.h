#pragma once

#include <QByteArray>
#include <QString>
#include <functional>
#include <vector>

// The mounted file systems, as /proc/self/mountinfo lists them, and which of them a user sees
// as drives.
namespace MountTable {

struct Mount {
    QString root;        // the folder of the file system mounted there ("/" unless a bind)
    QString mountPoint;  // where it is mounted
    QString type;        // ext4, vfat, tmpfs, proc...
    QString source;      // /dev/sda1, server:/share, or a pseudo name
};

struct Drive {
    QString path;     // the mount point
    QString caption;  // its name, or the label of removable media
    bool removable = false;

    bool operator==(const Drive& other) const {
        return path == other.path && caption == other.caption && removable == other.removable;
    }
};

// What the system knows of a device, asked only for sources that are device nodes.
struct DeviceFacts {
    std::function<bool(const QString& source)> removable;
    std::function<QString(const QString& source)> label;
};

// The lines of a mountinfo text; malformed lines are left out. Names keep their exact bytes.
std::vector<Mount> Parse(const QByteArray& text);

// Whether a mount is a file system the user keeps files on: not a kernel or container pseudo
// file system, not a bind of a folder shown elsewhere, not mounted in a system place.
bool IsDrive(const Mount& mount);

// "/" first, then every other drive once (the last mount on a point wins), by path.
std::vector<Drive> Drives(const std::vector<Mount>& mounts, const DeviceFacts& facts);

// The facts of this machine: /sys/class/block and /dev/disk/by-label.
DeviceFacts SystemDeviceFacts();

}  // namespace MountTable
