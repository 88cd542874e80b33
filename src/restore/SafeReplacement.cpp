#include "restore/SafeReplacement.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cstring>
#include <random>

#include "restore/SystemFailure.h"
#include "shared/AlignedBuffer.h"
#include "shared/ContentHash.h"

namespace {

using Step = SystemFailure::Step;

constexpr std::size_t kBlock = 1 << 16;
// Nobody else may read a temporary file before it has its owner and mode.
constexpr mode_t kTemporaryMode = 0600;

// What a restored file gets; `setOwner` false leaves the creator's owner and group.
struct Attributes {
    bool setOwner = true;
    uid_t uid = 0;
    gid_t gid = 0;
    mode_t mode = 0;
};

Attributes OfFile(const struct stat& st) {
    return Attributes{true, st.st_uid, st.st_gid, static_cast<mode_t>(st.st_mode & 07777)};
}

Attributes ForNewFile(const struct stat& copy, const SafeReplacement::Expected& expected) {
    Attributes attributes = expected.hasRights
                                ? Attributes{true, expected.uid, expected.gid, expected.mode}
                                : OfFile(copy);
    attributes.mode &= ~static_cast<mode_t>(S_ISUID | S_ISGID);
    attributes.setOwner = ::geteuid() == 0;
    return attributes;
}

[[noreturn]] void Fail(Step step) {
    throw SystemFailure(step, errno);
}

void Rewind(const FileDescriptor& fd, Step step) {
    if (::lseek(fd.Get(), 0, SEEK_SET) != 0) {
        Fail(step);
    }
}

// Reads up to `size` bytes, fewer only at the end of the file.
std::size_t ReadFull(const FileDescriptor& fd, char* buffer, std::size_t size, Step step) {
    std::size_t done = 0;
    while (done < size) {
        const long n = fd.Read(buffer + done, size - done);
        if (n < 0) {
            Fail(step);
        }
        if (n == 0) {
            break;
        }
        done += static_cast<std::size_t>(n);
    }
    return done;
}

// A temporary file in a directory, deleted when it goes unless it was renamed into place.
class TemporaryFile {
public:
    explicit TemporaryFile(int directory) : directory_(directory) {
        std::random_device random;
        static const char digits[] = "0123456789abcdef";
        for (int attempt = 0; attempt < 100; ++attempt) {
            std::string name = ".kestrix-restauration-";
            for (int i = 0; i < 12; ++i) {
                name += digits[random() % 16];
            }
            fd_ = FileDescriptor(::openat(directory, name.c_str(),
                                          O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                                          kTemporaryMode));
            if (fd_) {
                name_ = name;
                return;
            }
            if (errno != EEXIST) {
                break;
            }
        }
        Fail(Step::CreateTemporary);
    }
    ~TemporaryFile() {
        if (!name_.empty()) {
            ::unlinkat(directory_, name_.c_str(), 0);
        }
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    const FileDescriptor& Fd() const { return fd_; }

    // Writes the whole of `source`, checks that its bytes have `expectedHash` unless it is
    // empty, sets the owner and mode, flushes and closes; returns what the file became.
    struct stat Fill(const FileDescriptor& source, Step readStep, const Attributes& attributes,
                     const std::string& expectedHash = {}) {
        Rewind(source, readStep);
        const AlignedBuffer buffer(kBlock);
        ContentHash hash;
        for (;;) {
            const std::size_t n = ReadFull(source, buffer.Data(), buffer.Size(), readStep);
            if (n == 0) {
                break;
            }
            if (!expectedHash.empty()) {
                hash.Update(buffer.Data(), n);
            }
            if (!fd_.WriteAll(buffer.Data(), n)) {
                Fail(Step::WriteTemporary);
            }
        }
        if (!expectedHash.empty() && hash.Hex() != expectedHash) {
            throw SystemFailure(Step::CopyChanged, 0,
                                "attendue " + expectedHash + ", trouvée " + hash.Hex());
        }
        mode_t mode = attributes.mode;
        if (attributes.setOwner) {
            // The owner first: changing it clears the set-user-ID and set-group-ID bits.
            if (::fchown(fd_.Get(), attributes.uid, attributes.gid) != 0) {
                Fail(Step::Owner);
            }
        } else {
            struct stat st {};
            if (::fstat(fd_.Get(), &st) != 0) {
                Fail(Step::Owner);
            }
            if (st.st_gid != attributes.gid) {
                mode &= ~static_cast<mode_t>(S_IRWXG);
            }
        }
        // Also where the umask narrowed the creation mode.
        if (::fchmod(fd_.Get(), mode) != 0) {
            Fail(Step::Mode);
        }
        if (::fsync(fd_.Get()) != 0) {
            Fail(Step::Flush);
        }
        struct stat done {};
        if (::fstat(fd_.Get(), &done) != 0) {
            Fail(Step::Flush);
        }
        if (!fd_.Close()) {
            Fail(Step::Flush);
        }
        return done;
    }

    // Renames the file over `target`; from then on it is no longer deleted.
    void RenameTo(const std::string& target) {
        if (::renameat(directory_, name_.c_str(), directory_, target.c_str()) != 0) {
            Fail(Step::Rename);
        }
        name_.clear();
    }

private:
    int directory_;
    FileDescriptor fd_;
    std::string name_;
};

// Keeps the file `name` under `<name>.avant-restauration`, or `.2`, `.3`... when earlier
// restores already left that name: an older kept content is never overwritten. A hard link
// costs no room; where links are refused, the content is copied with its owner and mode.
std::string KeepOld(int directory, const std::string& name, const FileDescriptor& old,
                    const struct stat& oldStat) {
    const std::string base = name + SafeReplacement::kKeptSuffix;
    for (int number = 1; number < 1000; ++number) {
        const std::string kept = number == 1 ? base : base + "." + std::to_string(number);
        if (::linkat(directory, name.c_str(), directory, kept.c_str(), 0) == 0) {
            return kept;
        }
        if (errno == EEXIST) {
            continue;
        }
        if (errno != EPERM && errno != EOPNOTSUPP && errno != EMLINK && errno != EXDEV) {
            Fail(Step::KeepOld);
        }
        struct stat st {};
        if (::fstatat(directory, kept.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0) {
            continue;
        }
        TemporaryFile copy(directory);
        copy.Fill(old, Step::ReadTarget, OfFile(oldStat));
        // Another process may have taken the name meanwhile; a link would fail, a rename not.
        if (::fstatat(directory, kept.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0) {
            continue;
        }
        copy.RenameTo(kept);
        return kept;
    }
    errno = EEXIST;
    Fail(Step::KeepOld);
}

// Gives the open file `file`, of status `st`, the mode, owner and group of `after`, and flushes.
SafeReplacement::Result RepairRights(const FileDescriptor& file, const struct stat& st,
                                     const SafeReplacement::Expected& after) {
    // The owner first: changing it clears the set-ID bits, which the mode then sets.
    if ((st.st_uid != after.uid || st.st_gid != after.gid) &&
        ::fchown(file.Get(), after.uid, after.gid) != 0) {
        Fail(Step::Owner);
    }
    if (::fchmod(file.Get(), after.mode) != 0) {
        Fail(Step::Mode);
    }
    if (::fsync(file.Get()) != 0) {
        Fail(Step::Flush);
    }
    SafeReplacement::Result result;
    result.outcome = SafeReplacement::Outcome::RightsRepaired;
    result.mode = after.mode;
    result.uid = after.uid;
    result.gid = after.gid;
    result.oldMode = st.st_mode & 07777;
    result.oldUid = st.st_uid;
    result.oldGid = st.st_gid;
    return result;
}

}  // namespace

SafeReplacement::Expected SafeReplacement::Attributes(const Expected& recorded, bool asRoot) {
    Expected after = recorded;
    after.mode &= ~static_cast<mode_t>(S_ISUID | S_ISGID);
    if (!asRoot) {
        after.uid = ::geteuid();
        after.gid = ::getegid();
        if (after.gid != recorded.gid) {
            after.mode &= ~static_cast<mode_t>(S_IRWXG);
        }
    }
    return after;
}

SafeReplacement::Expected SafeReplacement::AttributesInPlace(const Expected& recorded,
                                                             mode_t mode, uid_t uid, gid_t gid,
                                                             bool asRoot) {
    Expected after = Attributes(recorded, asRoot);
    if (uid == after.uid && gid == after.gid) {
        after.mode |= mode & recorded.mode & (S_ISUID | S_ISGID);
    }
    return after;
}

bool SafeReplacement::SameContent(const FileDescriptor& a, const FileDescriptor& b) {
    Rewind(a, Step::ReadCopy);
    Rewind(b, Step::ReadTarget);
    const AlignedBuffer bufferA(kBlock);
    const AlignedBuffer bufferB(kBlock);
    for (;;) {
        const std::size_t na = ReadFull(a, bufferA.Data(), kBlock, Step::ReadCopy);
        const std::size_t nb = ReadFull(b, bufferB.Data(), kBlock, Step::ReadTarget);
        if (na != nb || std::memcmp(bufferA.Data(), bufferB.Data(), na) != 0) {
            return false;
        }
        if (na == 0) {
            return true;
        }
    }
}

SafeReplacement::Result SafeReplacement::Restore(const FileDescriptor& copy,
                                                 const FileDescriptor& directory,
                                                 const std::string& name) {
    return Restore(copy, directory, name, Expected());
}

SafeReplacement::Result SafeReplacement::Restore(const FileDescriptor& copy,
                                                 const FileDescriptor& directory,
                                                 const std::string& name,
                                                 const Expected& expected) {
    struct stat copyStat {};
    if (::fstat(copy.Get(), &copyStat) != 0) {
        Fail(Step::OpenCopy);
    }
    if (!S_ISREG(copyStat.st_mode)) {
        errno = EINVAL;
        Fail(Step::CopyNotRegular);
    }
    const int dir = directory.Get();
    FileDescriptor old(::openat(dir, name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    struct stat oldStat {};
    if (old) {
        if (::fstat(old.Get(), &oldStat) != 0) {
            Fail(Step::ReadTarget);
        }
        if (!S_ISREG(oldStat.st_mode)) {
            errno = EINVAL;
            Fail(Step::TargetNotRegular);
        }
        if (SameContent(copy, old)) {
            if (!expected.hasRights) {
                return Result{Outcome::Unchanged, {}};
            }
            const Expected after =
                AttributesInPlace(expected, oldStat.st_mode, oldStat.st_uid, oldStat.st_gid);
            const bool rightsDiffer = (oldStat.st_mode & 07777) != after.mode ||
                                      oldStat.st_uid != after.uid || oldStat.st_gid != after.gid;
            if (!rightsDiffer) {
                return Result{Outcome::Unchanged, {}};
            }
            // A file of several names is replaced instead: its other names keep what they have.
            if (oldStat.st_nlink == 1) {
                return RepairRights(old, oldStat, after);
            }
        }
    } else if (errno == ELOOP) {
        Fail(Step::TargetNotRegular);
    } else if (errno != ENOENT) {
        Fail(Step::ReadTarget);
    }

    TemporaryFile temporary(dir);
    const struct stat made =
        temporary.Fill(copy, Step::ReadCopy,
                       old && !expected.hasRights ? OfFile(oldStat) : ForNewFile(copyStat, expected),
                       expected.hash);
    Result result;
    result.outcome = old ? Outcome::Replaced : Outcome::Created;
    if (old) {
        result.keptAs = KeepOld(dir, name, old, oldStat);
    } else {
        result.mode = made.st_mode & 07777;
        result.uid = made.st_uid;
        result.gid = made.st_gid;
    }
    try {
        temporary.RenameTo(name);
    } catch (const SystemFailure&) {
        // The target still holds its old content: the kept link would only be clutter.
        if (!result.keptAs.empty()) {
            ::unlinkat(dir, result.keptAs.c_str(), 0);
        }
        throw;
    }
    if (::fsync(dir) != 0) {
        Fail(Step::FlushDirectory);
    }
    return result;
}
