#include "platform/PendingFile.h"

#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cstdint>

#include "platform/CheckedIo.h"
#include "platform/Failure.h"
#include "shared/BackupNames.h"
#include "shared/DurableSteps.h"

namespace {

// ".kestrix-" and 16 hexadecimal digits.
QByteArray TemporaryName() {
    std::uint64_t value = 0;
    if (::getrandom(&value, sizeof value, 0) != static_cast<ssize_t>(sizeof value)) {
        value ^=
            static_cast<std::uint64_t>(::getpid()) << 32 ^ reinterpret_cast<std::uintptr_t>(&value);
    }
    return QByteArray(BackupNames::kTemporaryPrefix) +
           QByteArray::number(static_cast<qulonglong>(value), 16);
}

}  // namespace

PendingFile::PendingFile(const DirectoryHandle& directory, QByteArray finalName, Naming naming)
    : directory_(directory.get()),
      finalName_(std::move(finalName)),
      staged_(naming == Naming::Staged) {
    directory.RequireOpen();
    // Another user who can write the directory may have taken a name: draw again.
    for (int attempt = 0; attempt < (staged_ ? 1 : 100) && !fd_; ++attempt) {
        if (staged_) {
            temporaryName_ = finalName_;
        } else {
            temporaryName_ = TemporaryName();
        }
        fd_ = FileDescriptor(::openat(directory_, temporaryName_.constData(),
                                      O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
        if (!fd_ && errno != EEXIST) {
            break;
        }
    }
    if (!fd_) {
        KESTRIX_FAIL("cannot create " + finalName_.toStdString());
    }
    DurableSteps::Done(DurableSteps::Kind::Create);
}

PendingFile::~PendingFile() {
    if (!committed_ && ::unlinkat(directory_, temporaryName_.constData(), 0) == 0) {
        DurableSteps::Done(DurableSteps::Kind::Unlink);
    }
}

void PendingFile::SetMode(mode_t mode) {
    ::fchmod(fd_.Get(), mode);
}

void PendingFile::Commit() {
    // Closed before it is renamed: a write error that shows only at the close keeps the file
    // out of place, and some FUSE drivers lose a file renamed while open.
    CheckedIo::FlushAndClose(fd_);
    Rename();
}

void PendingFile::Commit(CopyFlush& flush, qint64 bytes) {
    flush.Written(fd_, bytes);
    CheckedIo::Close(fd_);
    Rename();
}

void PendingFile::Rename() {
    if (!staged_) {
        if (::renameat(directory_, temporaryName_.constData(), directory_,
                       finalName_.constData()) != 0) {
            KESTRIX_FAIL("cannot replace " + finalName_.toStdString());
        }
        DurableSteps::Done(DurableSteps::Kind::Rename);
    }
    committed_ = true;
}
