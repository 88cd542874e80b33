#pragma once

#include <sys/stat.h>

#include "shared/FileDescriptor.h"

// The read-only attribute of a file on Linux: the user running Kestrix may not write it.
namespace FileAttributes {

// Adds the owner write bit to the open file when the user running Kestrix owns it and it lacks
// that bit (root may write any file); any other file is left untouched. A refused change (a
// read-only file system) is not a failure: the copy reads the file only. `status` is the file's
// status; true when the mode was changed, which changes the status too.
bool RemoveReadOnly(const FileDescriptor& file, const struct stat& status);

}  // namespace FileAttributes
