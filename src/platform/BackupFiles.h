#pragma once

#include <sys/types.h>
#include <QString>
#include <QtGlobal>

#include "platform/UniqueFd.h"

// The files of a backup: sources opened for reading only, destination files written fresh.
// A symbolic link found at a destination path is removed and replaced by a regular file:
// nothing is ever written through it.
namespace BackupFiles {

// Opens `path` for writing, empty: an existing regular file is truncated, a new one gets the
// default mode. Throws Failure.
UniqueFd CreateDestination(const QString& path);

// Deletes whatever file is at `path` and creates it anew with exactly the permission bits
// `mode` (as far as the file system keeps them). Throws Failure.
UniqueFd ReplaceDestination(const QString& path, mode_t mode);

// Opens a source for reading only: sources may sit on a read-only file system. Throws Failure.
UniqueFd OpenSource(const QString& path);

// The size of an open file in bytes. Throws Failure.
qint64 Size(const UniqueFd& fd);

// The permission bits of an open file. Throws Failure.
mode_t PermissionBits(const UniqueFd& fd);

}  // namespace BackupFiles
