#pragma once

#include <QtGlobal>

#include "shared/FileDescriptor.h"

// How a run's copies reach the disk before its commit. A flush per copy costs a commit of the
// file system's journal and an emptying of the disk's cache each, milliseconds on a USB or loop
// disk whatever the size of the copy. Where one syncfs does both for every file and folder of
// the file system (ext4, XFS, Btrfs, F2FS), each copy's writeback starts as it is closed and a
// single syncfs waits for all of them; elsewhere (FAT, exFAT and NTFS, whose syncfs leaves the
// disk's cache as it is, FUSE drivers and network file systems, which it may not reach) each
// copy is flushed before its rename.
class CopyFlush {
public:
    // Each copy flushed on its own.
    CopyFlush() = default;
    // Decides from the file system that holds the open folder `folder`.
    explicit CopyFlush(const FileDescriptor& folder);

    bool Gathers() const { return static_cast<bool>(folder_); }

    // `copy`, of `bytes` bytes, is whole: starts the writeback of a large copy, or flushes it
    // when flushes are not gathered. Throws Failure.
    void Written(const FileDescriptor& copy, qint64 bytes);

    // Returns once every copy given to Written is on the disk, with the folders that name
    // them. Throws Failure, with the error of a writeback that failed since the folder was
    // given.
    void Wait();

private:
    // Opened before the first copy: syncfs reports the writeback errors since its opening.
    FileDescriptor folder_;
    bool pending_ = false;
};
