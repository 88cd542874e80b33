#pragma once

#include <QString>

// The read-only attribute of a file on Linux: the user running Kestrix may not write it.
namespace FileAttributes {

// True when `path` may not be written by the calling user (access(W_OK) fails).
bool IsReadOnly(const QString& path);

// Adds the owner write bit when the file is read-only for the user and lacks that bit; a file
// that is writable, or already carries the bit, is left untouched. A refused change (a
// read-only file system, a file of another user) is not a failure: the copy reads the file only.
void RemoveReadOnly(const QString& path);

}  // namespace FileAttributes
