#pragma once

#include <string>

#include "shared/FileDescriptor.h"

// The folder a file is restored into, opened once: the file is then written through this
// handle, so the checks made on the handle hold for what is written.
class TargetDirectory {
public:
    // Opens `planned`, the canonical folder shown before the question, and checks that the open
    // folder is still that one: the question leaves time to swap a folder on the way for a
    // link. Run as root, a folder that anyone may write without the sticky bit is refused
    // unless `force`. Throws SystemFailure (OpenDirectory, DirectoryMoved,
    // DirectoryWritable).
    static FileDescriptor Open(const std::string& planned, bool force);

    // The same folder, to read a file through: no check of who may write it. Throws
    // SystemFailure (OpenDirectory, DirectoryMoved).
    static FileDescriptor OpenForReading(const std::string& planned);
};
