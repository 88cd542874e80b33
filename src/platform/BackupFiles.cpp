#include "platform/BackupFiles.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>

#include "platform/Failure.h"
#include "platform/FileSystem.h"

namespace BackupFiles {

namespace {

void RemoveLink(const QByteArray& native) {
    struct stat st {};
    if (::lstat(native.constData(), &st) == 0 && S_ISLNK(st.st_mode) &&
        ::unlink(native.constData()) != 0) {
        KESTRIX_FAIL("cannot remove the link " + native.toStdString());
    }
}

}  // namespace

UniqueFd CreateDestination(const QString& path) {
    const QByteArray native = FileSystem::NativePath(path);
    RemoveLink(native);
    UniqueFd fd(
        ::open(native.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0666));
    if (!fd) {
        KESTRIX_FAIL("cannot create " + native.toStdString());
    }
    return fd;
}

UniqueFd ReplaceDestination(const QString& path, mode_t mode) {
    const QByteArray native = FileSystem::NativePath(path);
    if (::unlink(native.constData()) != 0 && errno != ENOENT) {
        KESTRIX_FAIL("cannot delete " + native.toStdString());
    }
    const mode_t bits = mode & 0777;
    UniqueFd fd(
        ::open(native.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, bits));
    if (!fd) {
        KESTRIX_FAIL("cannot create " + native.toStdString());
    }
    // The umask may have narrowed the bits; a file system without modes (FAT) refuses, harmlessly.
    ::fchmod(fd.get(), bits);
    return fd;
}

UniqueFd OpenSource(const QString& path) {
    UniqueFd fd(::open(FileSystem::NativePath(path).constData(), O_RDONLY | O_CLOEXEC));
    if (!fd) {
        KESTRIX_FAIL("cannot open " + path.toStdString());
    }
    return fd;
}

qint64 Size(const UniqueFd& fd) {
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0) {
        KESTRIX_FAIL("cannot read the size of a file");
    }
    return static_cast<qint64>(st.st_size);
}

mode_t PermissionBits(const UniqueFd& fd) {
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0) {
        KESTRIX_FAIL("cannot read the mode of a file");
    }
    return st.st_mode & 0777;
}

}  // namespace BackupFiles
