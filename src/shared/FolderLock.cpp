#include "shared/FolderLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>

namespace {

// The caller's lock folder, made when missing and opened without following a link; not open
// when the caller has none or it is not the caller's alone to write.
FileDescriptor OpenLockFolder() {
    std::string path;
    if (::geteuid() == 0) {
        path = FolderLock::kRootFolder;
    } else {
        const char* runtime = std::getenv("XDG_RUNTIME_DIR");
        if (runtime == nullptr || runtime[0] != '/') {
            return FileDescriptor();
        }
        // The runtime folder itself must be the caller's, as the session manager makes it.
        const FileDescriptor parent(
            ::open(runtime, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        struct stat st {};
        if (!parent || ::fstat(parent.Get(), &st) != 0 || st.st_uid != ::geteuid() ||
            (st.st_mode & (S_IWGRP | S_IWOTH)) != 0) {
            return FileDescriptor();
        }
        path = std::string(runtime) + "/kestrix";
    }
    if (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) {
        return FileDescriptor();
    }
    FileDescriptor folder(::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    struct stat st {};
    if (!folder || ::fstat(folder.Get(), &st) != 0 || st.st_uid != ::geteuid() ||
        (st.st_mode & (S_IWGRP | S_IWOTH)) != 0) {
        return FileDescriptor();
    }
    return folder;
}

}  // namespace

FolderLock::FolderLock(const FileDescriptor& folder, bool exclusive) {
    struct stat d {};
    locks_ = OpenLockFolder();
    if (!locks_ || ::fstat(folder.Get(), &d) != 0) {
        return;
    }
    char name[64];
    std::snprintf(name, sizeof name, "%jx-%jx", static_cast<std::uintmax_t>(d.st_dev),
                  static_cast<std::uintmax_t>(d.st_ino));
    name_ = name;
    // The holder of the exclusive lock removes its file when done: a lock taken on a file that
    // has meanwhile gone, or been replaced, is taken again on the one that stands there.
    for (int attempt = 0; attempt < 100; ++attempt) {
        FileDescriptor file(::openat(locks_.Get(), name,
                                     O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0600));
        struct stat st {};
        if (!file || ::fstat(file.Get(), &st) != 0 || !S_ISREG(st.st_mode) ||
            st.st_uid != ::geteuid()) {
            return;
        }
        if (::flock(file.Get(), (exclusive ? LOCK_EX : LOCK_SH) | LOCK_NB) != 0) {
            if (errno == EWOULDBLOCK) {
                outcome_ = Outcome::Busy;
            }
            return;
        }
        struct stat now {};
        if (::fstatat(locks_.Get(), name, &now, AT_SYMLINK_NOFOLLOW) == 0 &&
            now.st_dev == st.st_dev && now.st_ino == st.st_ino) {
            file_ = std::move(file);
            exclusive_ = exclusive;
            outcome_ = Outcome::Held;
            return;
        }
    }
}

FolderLock::~FolderLock() {
    if (file_ && exclusive_) {
        ::unlinkat(locks_.Get(), name_.c_str(), 0);
    }
}
