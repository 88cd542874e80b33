#pragma once

#include <QString>
#include <QtGlobal>

namespace FreeSpace {

// Bytes available to the calling user on the file system that holds `path`, or on that of its
// nearest existing parent when `path` does not exist yet; -1 when the query fails.
qint64 Available(const QString& path);

}  // namespace FreeSpace
