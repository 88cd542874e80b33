#include "platform/Directories.h"

#include <sys/stat.h>
#include <cerrno>

#include "platform/Failure.h"
#include "platform/FileSystem.h"

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
    if (::mkdir(FileSystem::NativePath(level).constData(), 0777) != 0 &&
        !(errno == EEXIST && FileSystem::DirectoryExists(level))) {
        KESTRIX_FAIL("cannot create directory " + level.toStdString());
    }
}

}  // namespace Directories
