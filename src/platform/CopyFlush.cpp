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

void CopyFlush::Written(const FileDescriptor& copy) {
    if (!folder_) {
        if (::fdatasync(copy.Get()) != 0) {
            KESTRIX_FAIL("flush failed");
        }
        DurableSteps::Done(DurableSteps::Kind::Flush);
        return;
    }
    // Only starts the writeback: the bytes go to the disk while the next copies are read.
    if (::sync_file_range(copy.Get(), 0, 0, SYNC_FILE_RANGE_WRITE) != 0) {
        KESTRIX_FAIL("cannot start the writeback of a copy");
    }
    pending_ = true;
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
