#include "platform/Directories.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <cerrno>

#include "platform/DirectoryHandle.h"
#include "platform/Failure.h"
#include "platform/FileSystem.h"
#include "shared/FileDescriptor.h"

namespace Directories {

QString Join(const QString& base, const QString& name) {
    if (base.endsWith(QLatin1Char('/'))) {
        return base + name;
    }
    return base + QLatin1Char('/') + name;
}

void CreateWithParents(const QString& path) {
    QString level = path;
    if (level.size() > 1 && level.endsWith(QLatin1Char('/'))) {
        level.chop(1);
    }
    if (level.isEmpty()) {
        errno = ENOENT;
        KESTRIX_FAIL("cannot create a directory without a name");
    }
    if (level == QStringLiteral("/") || FileSystem::DirectoryExists(level)) {
        return;
    }
    const int separator = level.lastIndexOf(QLatin1Char('/'));
    if (separator > 0) {
        CreateWithParents(level.left(separator));
    }
    const QByteArray native = FileSystem::NativePath(level);
    if (::mkdir(native.constData(), 0700) != 0) {
        if (errno == EEXIST && FileSystem::DirectoryExists(level)) {
            return;
        }
        KESTRIX_FAIL("cannot create directory " + level.toStdString());
    }
    const FileDescriptor created(
        ::open(native.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (created) {
        DirectoryHandle::SetCreatedMode(created.Get());
    }
}

}  // namespace Directories
