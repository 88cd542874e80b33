#include "shared/LinkWalk.h"

#include <fcntl.h>
#include <limits.h>
#include <linux/openat2.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <vector>

namespace {

// Links followed on the way to one path, at most, as the system's own limit.
constexpr int kMaxLinks = 40;

// The names of a path, without empty ones and ".".
std::vector<std::string> NamesOf(const std::string& path) {
    std::vector<std::string> names;
    for (std::size_t start = 0; start <= path.size();) {
        std::size_t end = path.find('/', start);
        if (end == std::string::npos) {
            end = path.size();
        }
        if (end > start && path.compare(start, end - start, ".") != 0) {
            names.push_back(path.substr(start, end - start));
        }
        start = end + 1;
    }
    return names;
}

// Whether nobody but root or `owner`, the owner of what a link points to, may replace the link
// in `folder`: in a sticky folder others may add names, never move one of someone else's.
bool KeepsLinks(const struct stat& folder, uid_t owner) {
    return (folder.st_uid == 0 || folder.st_uid == owner) &&
           ((folder.st_mode & (S_IWGRP | S_IWOTH)) == 0 || (folder.st_mode & S_ISVTX) != 0);
}

// What `path` names from the folder `at` (the working folder when `at` is closed; `shownAt` as
// shown). The last name is opened for reading when `read` (no reopening through /proc, which a
// chroot may lack), as a place otherwise.
FileDescriptor Walk(const FileDescriptor& at, const std::string& shownAt, const std::string& path,
                    bool read, int& links, LinkWalk::Refusal& refusal) {
    const bool absolute = path.compare(0, 1, "/") == 0;
    FileDescriptor current(::openat(absolute || !at ? AT_FDCWD : at.Get(), absolute ? "/" : ".",
                                    O_PATH | O_DIRECTORY | O_CLOEXEC));
    // The path walked so far, as a refused link is shown.
    std::string walked = absolute ? "" : shownAt;
    const std::vector<std::string> names = NamesOf(path);
    for (std::size_t i = 0; current && i < names.size(); ++i) {
        const std::string& name = names[i];
        const bool last = i + 1 == names.size();
        const std::string folder = walked;
        walked += "/" + name;
        FileDescriptor next(::openat(current.Get(), name.c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC));
        struct stat st {};
        if (!next || ::fstat(next.Get(), &st) != 0) {
            return FileDescriptor();
        }
        if (S_ISLNK(st.st_mode)) {
            if (++links > kMaxLinks) {
                errno = ELOOP;
                return FileDescriptor();
            }
            char text[PATH_MAX];
            const ssize_t n = ::readlinkat(next.Get(), "", text, sizeof text);
            if (n <= 0 || static_cast<std::size_t>(n) == sizeof text) {
                errno = n < 0 ? errno : ENAMETOOLONG;
                return FileDescriptor();
            }
            FileDescriptor target =
                Walk(current, folder, std::string(text, static_cast<std::size_t>(n)), read && last,
                     links, refusal);
            struct stat pointed {};
            struct stat holder {};
            if (!target || ::fstat(target.Get(), &pointed) != 0 ||
                ::fstat(current.Get(), &holder) != 0) {
                return FileDescriptor();
            }
            if (st.st_uid != 0 && st.st_uid != pointed.st_uid) {
                refusal = LinkWalk::Refusal{walked, st.st_uid};
                return FileDescriptor();
            }
            if (!KeepsLinks(holder, pointed.st_uid)) {
                refusal = LinkWalk::Refusal{walked, st.st_uid, true, holder.st_uid,
                                            holder.st_mode & 07777};
                return FileDescriptor();
            }
            next = std::move(target);
        } else if (read && last) {
            // A link put at the name since it was looked at fails here.
            next =
                FileDescriptor(::openat(current.Get(), name.c_str(),
                                        O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
        }
        current = std::move(next);
    }
    if (current && names.empty() && read) {
        errno = EISDIR;
        return FileDescriptor();
    }
    return current;
}

// Opens `path` for reading in one call when no name of it is a link; closed with ELOOP when one
// is, and with ENOSYS where the system lacks the call. The walk name by name then decides. Any
// other error comes before a link is met, so the walk would meet it too.
FileDescriptor OpenWithoutLinks(const std::string& path) {
    struct open_how how {};
    how.flags = O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC;
    how.resolve = RESOLVE_NO_SYMLINKS;
    return FileDescriptor(
        static_cast<int>(::syscall(SYS_openat2, AT_FDCWD, path.c_str(), &how, sizeof how)));
}

}  // namespace

FileDescriptor LinkWalk::Open(const std::string& path, Last last, Refusal& refusal) {
    if (last == Last::Read && !NamesOf(path).empty()) {
        FileDescriptor fd = OpenWithoutLinks(path);
        if (fd || (errno != ELOOP && errno != ENOSYS && errno != EPERM && errno != EINVAL)) {
            return fd;
        }
    }
    int links = 0;
    return Walk(FileDescriptor(), ".", path, last == Last::Read, links, refusal);
}

std::string LinkWalk::Why(const Refusal& refusal) {
    if (!refusal.byFolder) {
        return "appartient à l'utilisateur " + std::to_string(refusal.owner) +
               ", ni root ni le propriétaire de ce vers quoi il mène";
    }
    std::string mode(4, '0');
    for (std::size_t i = 0; i < 4; ++i) {
        mode[3 - i] = static_cast<char>('0' + ((refusal.folderMode >> (3 * i)) & 7));
    }
    return "est dans un dossier que d'autres que root ou le propriétaire de ce vers quoi il mène "
           "peuvent modifier (dossier de l'utilisateur " +
           std::to_string(refusal.folderOwner) + ", droits " + mode + ")";
}

bool LinkWalk::PathOf(const FileDescriptor& fd, std::string& path) {
    const std::string link = "/proc/self/fd/" + std::to_string(fd.Get());
    char buffer[PATH_MAX + 1];
    const ssize_t n = ::readlink(link.c_str(), buffer, sizeof buffer);
    if (n < 0) {
        return false;
    }
    if (static_cast<std::size_t>(n) == sizeof buffer) {
        errno = ENAMETOOLONG;
        return false;
    }
    path.assign(buffer, static_cast<std::size_t>(n));
    return true;
}
