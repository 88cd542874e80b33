#include "platform/FileSystem.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <limits>
#include <string>

#include "platform/CheckedIo.h"
#include "platform/Failure.h"
#include "platform/NativeNames.h"
#include "shared/FileDescriptor.h"

namespace FileSystem {

QByteArray NativePath(const QString& path) {
    return NativeNames::Encode(path);
}

bool FileExists(const QString& path) {
    struct stat st {};
    return !path.isEmpty() && ::stat(NativePath(path).constData(), &st) == 0 && S_ISREG(st.st_mode);
}

bool DirectoryExists(const QString& path) {
    struct stat st {};
    return !path.isEmpty() && ::stat(NativePath(path).constData(), &st) == 0 && S_ISDIR(st.st_mode);
}

void WriteWholeFile(const QString& path, const QByteArray& bytes) {
    FileDescriptor fd(
        ::open(NativePath(path).constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
    if (!fd) {
        KESTRIX_FAIL("cannot create " + path.toStdString());
    }
    CheckedIo::WriteAll(fd, bytes.constData(), bytes.size());
    CheckedIo::Close(fd);
}

QByteArray ReadWholeFile(const QString& path) {
    FileDescriptor fd(::open(NativePath(path).constData(), O_RDONLY | O_CLOEXEC));
    if (!fd) {
        KESTRIX_FAIL("cannot open " + path.toStdString());
    }
    return ReadAll(fd, std::numeric_limits<qint64>::max());
}

QByteArray ReadAll(const FileDescriptor& fd, qint64 maxBytes) {
    QByteArray bytes;
    char buffer[65536];
    for (;;) {
        const qint64 n = CheckedIo::Read(fd, buffer, sizeof buffer);
        if (n == 0) {
            return bytes;
        }
        if (bytes.size() + n > maxBytes) {
            errno = EFBIG;
            KESTRIX_FAIL("a file larger than " + std::to_string(maxBytes) + " bytes");
        }
        bytes.append(buffer, n);
    }
}

}  // namespace FileSystem
