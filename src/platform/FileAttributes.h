#pragma once

#include "shared/FileDescriptor.h"

// The read-only attribute of a file on Linux: the user running Kestrix may not write it.
namespace FileAttributes {

// Adds the owner write bit to the open file when the user running Kestrix owns it and it lacks
// that bit (root may write any file); any other file is left untouched. A refused change (a
// read-only file system) is not a failure: the copy reads the file only.
void RemoveReadOnly(const FileDescriptor& file);

}  // namespace FileAttributes
