#pragma once

#include <QByteArray>
#include <QString>

#include "shared/FileDescriptor.h"

// Small file-system layer over POSIX. Paths are QString in memory and the locale's bytes
// (UTF-8) on disk.
namespace FileSystem {

QByteArray NativePath(const QString& path);

// True for an existing regular file (links followed); false for a directory, a device, a
// missing file and an empty name.
bool FileExists(const QString& path);

// True for an existing directory (links followed).
bool DirectoryExists(const QString& path);

// Replaces the file at `path` with `bytes` in one write. Throws Failure when the file cannot be
// created or written completely.
void WriteWholeFile(const QString& path, const QByteArray& bytes);

// The whole content of a file. Throws Failure when it cannot be opened or read.
QByteArray ReadWholeFile(const QString& path);

// Everything left to read from `fd`. Throws Failure when a read fails or there is more than
// `maxBytes` (EFBIG; also a file that grows while it is read).
QByteArray ReadAll(const FileDescriptor& fd, qint64 maxBytes);

}  // namespace FileSystem
