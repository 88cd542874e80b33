#pragma once

#include <sys/types.h>
#include <QByteArray>

#include "platform/CopyFlush.h"
#include "platform/DirectoryHandle.h"
#include "shared/FileDescriptor.h"

// A file of the destination, written under a temporary name in its directory and put in place
// under its final name only once complete and flushed (or, in a staging folder that nothing
// relies on before its commit, with its flush left to a CopyFlush). Until then whatever stands
// at the final name (an earlier backup's file) is untouched; a file given up leaves nothing
// behind. The directory handle must outlive it.
class PendingFile {
public:
    // Creates the temporary file, readable by its owner only, never through a link. Throws
    // Failure.
    PendingFile(const DirectoryHandle& directory, QByteArray finalName);
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
    // The same, the flush left to `flush` (its Wait, when it gathers flushes, before anything
    // relies on the file's bytes). Throws Failure.
    void Commit(CopyFlush& flush);

private:
    void Rename();

    int directory_;
    QByteArray finalName_;
    QByteArray temporaryName_;
    FileDescriptor fd_;
    bool committed_ = false;
};
