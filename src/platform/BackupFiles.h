#pragma once

#include <sys/stat.h>
#include <QString>
#include <QtGlobal>

#include "platform/SourceFolders.h"
#include "shared/FileDescriptor.h"

// The sources of a backup and the owner and permissions of their copies.
namespace BackupFiles {

// A link on the way to a source that was not followed, and why, in French ("appartient à
// l'utilisateur 1001, ni root ni le propriétaire de ce vers quoi il mène").
struct RefusedLink {
    QString link;
    QString why;
};

// Opens a regular file for reading only (sources may sit on a read-only file system), walking
// its path one name at a time. A link (any name of the path, the last one included) is followed
// only when root or the owner of what it points to owns it and nobody else may write its folder:
// /etc holds legitimate ones, while another user's link could point a run as root at any file. Another link leaves the result
// closed and is told in `refused`. Anything but a regular file (a FIFO, a device, a directory)
// is refused without blocking. Throws Failure.
FileDescriptor OpenSource(const QString& path, RefusedLink& refused);
// The same, with the status of the file opened.
FileDescriptor OpenSource(const QString& path, RefusedLink& refused, struct stat& status);
// The same, where a refused link is a failure (ELOOP).
FileDescriptor OpenSource(const QString& path);

// The status of an open file. Throws Failure.
struct stat Status(const FileDescriptor& fd);

// The permission bits of `status`, the status of the open `source`, less what nobody could use
// who cannot reach the file: a folder of its real path that denies others search takes the
// others' bits off; one that denies its group search, or others when it is not the file's
// group, the group's. An access control list on the file or on a folder of the path, whose
// extra readers no mode can tell, leaves the owner's bits alone. The folders are looked at
// through `folders`, once a run. `opened` is the path the source was opened by, no link
// followed: taken as its real path when absolute and without "." or "..".
mode_t ReachableMode(const FileDescriptor& source, const QByteArray& opened,
                     const struct stat& status, SourceFolders& folders);

// Gives a copy its source's owner and group (when run as root) and then its permission bits as
// far as the folders on the way let anyone use them (ReachableMode), without the group's and
// others' write bits: whoever else could write a copy would choose what a restore writes, so
// the restore program refuses such a backup (Kestrix.droits keeps the source's own bits). Run as
// another user, the group and other bits go unless the copy's group is the source's.
// True when the copy is still readable by more users than its source (a file system that keeps
// no owners or modes, such as FAT).
bool MatchOwnerAndMode(const FileDescriptor& copy, const FileDescriptor& source,
                       const QByteArray& opened, const struct stat& status, SourceFolders& folders);

}  // namespace BackupFiles
