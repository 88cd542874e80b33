#pragma once

#include <QString>

// Mounts for staged faults, in a private mount namespace of the test's own process, so that
// they vanish with it and nobody else sees them.
namespace StagedMounts {

// Enters a private mount namespace; false (with the reason) when not root or not allowed.
bool Enter(QString& why);

// Mounts a tmpfs with the given options at `where` (an existing directory).
void MountTmpfs(const QString& where, const char* options);

void RemountReadOnly(const QString& where);

// Detaches every mount made here, the last first.
void UnmountAll();

}  // namespace StagedMounts
