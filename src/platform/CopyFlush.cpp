#include "platform/CopyFlush.h"

#include <fcntl.h>
#include <linux/magic.h>
#include <sys/vfs.h>
#include <unistd.h>

#include "platform/Failure.h"
#include "shared/DurableSteps.h"

namespace {

// File systems whose syncfs commits the journal (or the log, the transaction, the checkpoint)
// and then empties the disk's cache, as fdatasync does for one file.
bool SyncfsReachesTheDisk(const struct statfs& fs) {
    switch (static_cast<unsigned long>(fs.f_type)) {
        case EXT4_SUPER_MAGIC:  // ext2, ext3 and ext4 share it
        case XFS_SUPER_MAGIC:
        case BTRFS_SUPER_MAGIC:
        case F2FS_SUPER_MAGIC:
            return true;
        default:
            return false;
    }
}

// From this size on, a copy's writeback starts as it is closed; the dirty pages of smaller ones
// stay within the system's limits, which start their writeback as well.
constexpr qint64 kEarlyWriteback = 1 << 20;

}  // namespace

CopyFlush::CopyFlush(const FileDescriptor& folder) {
    struct statfs fs {};
    if (::fstatfs(folder.Get(), &fs) != 0 || !SyncfsReachesTheDisk(fs)) {
        return;
    }
    // syncfs needs a descriptor opened for reading, not a place; without one each copy is
    // flushed on its own.
    folder_ = FileDescriptor(::openat(folder.Get(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
}

void CopyFlush::Written(const FileDescriptor& copy, qint64 bytes) {
    if (!folder_) {
        if (::fdatasync(copy.Get()) != 0) {
            KESTRIX_FAIL("flush failed");
        }
        DurableSteps::Done(DurableSteps::Kind::Flush);
        return;
    }
    pending_ = true;
    // Only starts the writeback: the bytes go to the disk while the next copies are read.
    if (bytes >= kEarlyWriteback &&
        ::sync_file_range(copy.Get(), 0, 0, SYNC_FILE_RANGE_WRITE) != 0) {
        KESTRIX_FAIL("cannot start the writeback of a copy");
    }
}

void CopyFlush::Wait() {
    if (!pending_) {
        return;
    }
    if (::syncfs(folder_.Get()) != 0) {
        KESTRIX_FAIL("flush of the copies failed");
    }
    pending_ = false;
    DurableSteps::Done(DurableSteps::Kind::Flush);
}
