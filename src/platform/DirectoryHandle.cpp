#include "platform/DirectoryHandle.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>

#include "platform/Failure.h"
#include "platform/FileSystem.h"

DirectoryHandle DirectoryHandle::Open(const QString& path) {
    DirectoryHandle handle;
    handle.fd_ = UniqueFd(
        ::open(FileSystem::NativePath(path).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!handle.fd_) {
        KESTRIX_FAIL("cannot open the directory " + path.toStdString());
    }
    return handle;
}

DirectoryHandle DirectoryHandle::Failed(int errorNumber) {
    DirectoryHandle handle;
    handle.openError_ = errorNumber != 0 ? errorNumber : EBADF;
    return handle;
}

void DirectoryHandle::RequireOpen() const {
    if (!fd_) {
        errno = openError_ != 0 ? openError_ : EBADF;
        KESTRIX_FAIL("the directory is not open");
    }
}

DirectoryHandle::Entry DirectoryHandle::Find(const QByteArray& name) const {
    struct stat st {};
    if (!fd_ || ::fstatat(fd_.get(), name.constData(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
        return Entry::Missing;
    }
    return S_ISDIR(st.st_mode) ? Entry::Directory : Entry::Other;
}

DirectoryHandle DirectoryHandle::OpenSubdirectory(const QByteArray& name) const {
    RequireOpen();
    DirectoryHandle handle;
    handle.fd_ = UniqueFd(
        ::openat(fd_.get(), name.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!handle.fd_) {
        KESTRIX_FAIL("cannot open the directory " + name.toStdString());
    }
    return handle;
}

void DirectoryHandle::CreateSubdirectory(const QByteArray& name) const {
    RequireOpen();
    if (::mkdirat(fd_.get(), name.constData(), 0700) != 0) {
        KESTRIX_FAIL("cannot create the directory " + name.toStdString());
    }
    SetCreatedMode(OpenSubdirectory(name).get());
}

UniqueFd DirectoryHandle::CreateFile(const QByteArray& name, mode_t mode) const {
    RequireOpen();
    if (::unlinkat(fd_.get(), name.constData(), 0) != 0 && errno != ENOENT) {
        KESTRIX_FAIL("cannot remove " + name.toStdString());
    }
    UniqueFd file(::openat(fd_.get(), name.constData(),
                           O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (!file) {
        KESTRIX_FAIL("cannot create " + name.toStdString());
    }
    // A file system without modes refuses, harmlessly.
    ::fchmod(file.get(), mode);
    return file;
}

void DirectoryHandle::Sync() const {
    RequireOpen();
    if (::fsync(fd_.get()) != 0) {
        KESTRIX_FAIL("cannot flush a directory");
    }
}

void DirectoryHandle::SetCreatedMode(int fd) {
    struct stat st {};
    const mode_t inherited = ::fstat(fd, &st) == 0 ? (st.st_mode & S_ISGID) : 0;
    // A file system without modes refuses; its directories are what they are.
    ::fchmod(fd, 0755 | inherited);
}
