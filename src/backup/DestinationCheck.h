#pragma once

#include <QString>

// Why a destination cannot take a backup, or holds one that the restore program would refuse,
// in words for the journal (French).
namespace DestinationCheck {

// The root "/": a backup there would put its files among the system's own.
bool IsRoot(const QString& path);

// Why the folder `path` could not be made or opened, `errorNumber` being the system's error:
// the first level of the path that is no folder, a read-only file system or a folder the user
// may not write where the first missing level would go; otherwise the system's message.
QString WhyUnusable(const QString& path, int errorNumber);

// Run as root, why the restore program would not trust the backup in the open folder
// `destination` (D, named `path`): D or its Kestrix/ belongs to someone else than root, the user
// and the administrator behind sudo or pkexec, or someone else than its owner may change it.
// Empty when it would, and always when not run as root.
QString Distrust(const QString& path, int destination);

}  // namespace DestinationCheck
