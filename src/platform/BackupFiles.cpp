#include "platform/BackupFiles.h"

#include <fcntl.h>
#include <sys/xattr.h>
#include <unistd.h>
#include <cerrno>
#include <string>

#include <QList>

#include "platform/Failure.h"
#include "platform/FileSystem.h"
#include "platform/NativeNames.h"
#include "shared/LinkWalk.h"

namespace BackupFiles {

namespace {

// True when `copy` lets someone read it whom `source` does not.
bool ReadByMore(const struct stat& copy, const struct stat& source) {
    if ((source.st_mode & S_IROTH) != 0) {
        return false;
    }
    if ((copy.st_mode & S_IROTH) != 0) {
        return true;
    }
    if ((copy.st_mode & S_IRGRP) != 0 &&
        ((source.st_mode & S_IRGRP) == 0 || copy.st_gid != source.st_gid)) {
        return true;
    }
    return (copy.st_mode & S_IRUSR) != 0 && copy.st_uid != source.st_uid && copy.st_uid != 0;
}

// A POSIX access control list, which the system keeps only when it gives more than the mode.
constexpr const char* kAccessList = "system.posix_acl_access";

// An absolute path without empty, "." or ".." names: opened with no link followed, it is the
// file's real path as it was then.
bool IsRealPath(const QByteArray& path) {
    if (!path.startsWith('/') || path.size() < 2 || path.endsWith('/')) {
        return false;
    }
    for (const QByteArray& name : path.mid(1).split('/')) {
        if (name.isEmpty() || name == "." || name == "..") {
            return false;
        }
    }
    return true;
}

}  // namespace

mode_t ReachableMode(const FileDescriptor& source, const QByteArray& opened,
                     const struct stat& status, SourceFolders& folders) {
    const mode_t owner = status.st_mode & 0700;
    if (::fgetxattr(source.Get(), kAccessList, nullptr, 0) > 0) {
        return owner;
    }
    std::string path;
    if (IsRealPath(opened)) {
        path = opened.toStdString();
    } else if (!LinkWalk::PathOf(source, path) || path.empty() || path[0] != '/') {
        return owner;
    }
    mode_t mode = status.st_mode & 0777;
    for (std::size_t slash = path.rfind('/'); slash != std::string::npos;
         slash = slash == 0 ? std::string::npos : path.rfind('/', slash - 1)) {
        const SourceFolders::Folder& st =
            folders.Look(slash == 0 ? std::string("/") : path.substr(0, slash));
        if (!st.known || st.accessList) {
            return owner;
        }
        if ((st.mode & S_IXOTH) == 0) {
            mode &= ~S_IRWXO;
        }
        if ((st.mode & S_IXGRP) == 0 || ((st.mode & S_IXOTH) == 0 && st.gid != status.st_gid)) {
            mode &= ~S_IRWXG;
        }
    }
    return mode;
}

FileDescriptor OpenSource(const QString& path) {
    RefusedLink refused;
    FileDescriptor fd = OpenSource(path, refused);
    if (!fd) {
        errno = ELOOP;
        KESTRIX_FAIL("a link on the way to " + path.toStdString() + " was not followed");
    }
    return fd;
}

FileDescriptor OpenSource(const QString& path, RefusedLink& refused) {
    struct stat status {};
    return OpenSource(path, refused, status);
}

FileDescriptor OpenSource(const QString& path, RefusedLink& refused, struct stat& st) {
    LinkWalk::Refusal refusal;
    // Non-blocking, so that a FIFO put in a source's place cannot hold the run at the open.
    FileDescriptor fd =
        LinkWalk::Open(FileSystem::NativePath(path).toStdString(), LinkWalk::Last::Read, refusal);
    if (!fd) {
        if (!refusal.link.empty()) {
            refused = RefusedLink{NativeNames::Decode(QByteArray::fromStdString(refusal.link)),
                                  QString::fromStdString(LinkWalk::Why(refusal))};
            return fd;
        }
        KESTRIX_FAIL("cannot open " + path.toStdString());
    }
    if (::fstat(fd.Get(), &st) != 0) {
        KESTRIX_FAIL("cannot read the status of " + path.toStdString());
    }
    if (!S_ISREG(st.st_mode)) {
        errno = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
        KESTRIX_FAIL("not a regular file: " + path.toStdString());
    }
    // O_NONBLOCK is the only status flag the walk set.
    if (::fcntl(fd.Get(), F_SETFL, 0) != 0) {
        KESTRIX_FAIL("cannot set up the reading of " + path.toStdString());
    }
    return fd;
}

struct stat Status(const FileDescriptor& fd) {
    struct stat st {};
    if (::fstat(fd.Get(), &st) != 0) {
        KESTRIX_FAIL("cannot read the status of a file");
    }
    return st;
}

bool MatchOwnerAndMode(const FileDescriptor& copy, const FileDescriptor& original,
                       const QByteArray& opened, const struct stat& status,
                       SourceFolders& folders) {
    // Compared with the copy as if the source had only the bits that anyone can use.
    struct stat source = status;
    source.st_mode = (status.st_mode & ~07777) | ReachableMode(original, opened, status, folders);
    mode_t mode = source.st_mode & 0755;
    // Refusals are not failures: the check below tells what the medium really kept.
    static const bool root = ::geteuid() == 0;
    if (root) {
        ::fchown(copy.Get(), source.st_uid, source.st_gid);
    } else if (Status(copy).st_gid != source.st_gid) {
        mode &= 0700;
    }
    ::fchmod(copy.Get(), mode);
    return ReadByMore(Status(copy), source);
}

}  // namespace BackupFiles
