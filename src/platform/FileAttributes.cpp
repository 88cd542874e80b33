#include "platform/FileAttributes.h"

#include <sys/stat.h>
#include <unistd.h>

#include "platform/FileSystem.h"

namespace FileAttributes {

bool IsReadOnly(const QString& path) {
    return ::access(FileSystem::NativePath(path).constData(), W_OK) != 0;
}

void RemoveReadOnly(const QString& path) {
    if (!IsReadOnly(path)) {
        return;
    }
    const QByteArray native = FileSystem::NativePath(path);
    struct stat st {};
    if (::stat(native.constData(), &st) != 0 || (st.st_mode & S_IWUSR) != 0) {
        return;
    }
    ::chmod(native.constData(), (st.st_mode & 07777) | S_IWUSR);
}

}  // namespace FileAttributes
