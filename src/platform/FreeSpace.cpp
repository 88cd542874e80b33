#include "platform/FreeSpace.h"

#include <sys/statvfs.h>

#include <cerrno>

#include <QDir>
#include <QFileInfo>

#include "platform/FileSystem.h"

namespace FreeSpace {

namespace {

qint64 Bytes(const struct statvfs& vfs) {
    return static_cast<qint64>(vfs.f_bavail) * static_cast<qint64>(vfs.f_frsize);
}

}  // namespace

qint64 Available(const QString& path) {
    QString probe = path.isEmpty() ? QStringLiteral(".") : path;
    for (;;) {
        struct statvfs vfs {};
        if (::statvfs(FileSystem::NativePath(probe).constData(), &vfs) == 0) {
            return Bytes(vfs);
        }
        if (errno != ENOENT && errno != ENOTDIR) {
            return -1;
        }
        const QString parent = QFileInfo(probe).path();
        if (parent == probe) {
            return -1;
        }
        probe = parent;
    }
}

qint64 Available(const FileDescriptor& file) {
    struct statvfs vfs {};
    return ::fstatvfs(file.Get(), &vfs) == 0 ? Bytes(vfs) : -1;
}

}  // namespace FreeSpace
