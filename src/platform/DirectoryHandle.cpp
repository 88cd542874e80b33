#include "platform/DirectoryHandle.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>

#include "platform/Failure.h"
#include "platform/FileSystem.h"
#include "shared/DurableSteps.h"

DirectoryHandle DirectoryHandle::Open(const QString& path) {
    DirectoryHandle handle;
    handle.fd_ = FileDescriptor(
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
    if (!fd_ || ::fstatat(fd_.Get(), name.constData(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
        return Entry::Missing;
    }
    return S_ISDIR(st.st_mode) ? Entry::Directory : Entry::Other;
}

DirectoryHandle DirectoryHandle::OpenSubdirectory(const QByteArray& name) const {
    RequireOpen();
    DirectoryHandle handle;
    handle.fd_ = FileDescriptor(
        ::openat(fd_.Get(), name.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!handle.fd_) {
        KESTRIX_FAIL("cannot open the directory " + name.toStdString());
    }
    return handle;
}

void DirectoryHandle::CreateSubdirectory(const QByteArray& name) const {
    RequireOpen();
    if (::mkdirat(fd_.Get(), name.constData(), 0700) != 0) {
        KESTRIX_FAIL("cannot create the directory " + name.toStdString());
    }
    DurableSteps::Done(DurableSteps::Kind::MakeDirectory);
    SetCreatedMode(OpenSubdirectory(name).get());
}

FileDescriptor DirectoryHandle::CreateFile(const QByteArray& name, mode_t mode) const {
    RequireOpen();
    if (::unlinkat(fd_.Get(), name.constData(), 0) == 0) {
        DurableSteps::Done(DurableSteps::Kind::Unlink);
    } else if (errno != ENOENT) {
        KESTRIX_FAIL("cannot remove " + name.toStdString());
    }
    FileDescriptor file(::openat(fd_.Get(), name.constData(),
                                 O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (!file) {
        KESTRIX_FAIL("cannot create " + name.toStdString());
    }
    DurableSteps::Done(DurableSteps::Kind::Create);
    // A file system without modes refuses, harmlessly.
    ::fchmod(file.Get(), mode);
    return file;
}

void DirectoryHandle::Sync() const {
    RequireOpen();
    if (::fsync(fd_.Get()) != 0) {
        KESTRIX_FAIL("cannot flush a directory");
    }
    DurableSteps::Done(DurableSteps::Kind::Flush);
}

void DirectoryHandle::SetCreatedMode(int fd) {
    struct stat st {};
    const mode_t inherited = ::fstat(fd, &st) == 0 ? (st.st_mode & S_ISGID) : 0;
    // A file system without modes refuses; its directories are what they are.
    ::fchmod(fd, 0755 | inherited);
}
