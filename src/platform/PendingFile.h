#pragma once

#include <sys/types.h>
#include <QByteArray>

#include "platform/CopyFlush.h"
#include "platform/DirectoryHandle.h"
#include "shared/FileDescriptor.h"

// A file of the destination, written under a temporary name in its directory and put in place
// under its final name only once complete and flushed. Until then whatever stands at the final
// name (an earlier backup's file) is untouched; a file given up leaves nothing behind. In a
// staging folder that nothing reads before its commit, where each name is written once a run,
// the file is made under its final name at once and its flush left to a CopyFlush. The directory
// handle must outlive it.
class PendingFile {
public:
    enum class Naming { Temporary, Staged };

    // Creates the file, readable by its owner only, never through a link; a staged file fails
    // when its name is taken. Throws Failure.
    PendingFile(const DirectoryHandle& directory, QByteArray finalName,
                Naming naming = Naming::Temporary);
    ~PendingFile();
    PendingFile(const PendingFile&) = delete;
    PendingFile& operator=(const PendingFile&) = delete;

    FileDescriptor& fd() { return fd_; }

    // Sets exactly `mode`, whatever the umask (a file system without modes refuses, harmlessly).
    void SetMode(mode_t mode);

    // Flushes and closes the file, then renames it over its final name: a link, a FIFO, a
    // device or a hard link standing there is replaced, never opened; a directory there fails.
    // Throws Failure.
    void Commit();
    // The same for a file of `bytes` bytes, the flush left to `flush` (its Wait, when it
    // gathers flushes, before anything relies on the file's bytes). Throws Failure.
    void Commit(CopyFlush& flush, qint64 bytes);

private:
    void Rename();

    int directory_;
    QByteArray finalName_;
    QByteArray temporaryName_;  // the final name itself for a staged file
    FileDescriptor fd_;
    bool staged_;
    bool committed_ = false;
};
