#pragma once

#include <QString>
#include <QtGlobal>

#include "shared/FileDescriptor.h"

namespace FreeSpace {

// Bytes available to the calling user on the file system that holds `path`, or on that of its
// nearest existing parent when `path` does not exist yet; -1 when the query fails.
qint64 Available(const QString& path);
// The same for the file system that holds the open `file`.
qint64 Available(const FileDescriptor& file);

}  // namespace FreeSpace
