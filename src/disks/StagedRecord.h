#pragma once

#include <string>

#include "disks/SystemRoots.h"
#include "shared/FileDescriptor.h"

// A backup run's record of the disks: read from the system under `roots` and written into the
// run's staging folder, to be committed with the backup. Never fails the backup: false when no
// record could be written; `problem` says in one French line what could not be recorded and why
// (empty when everything was).
namespace StagedRecord {

bool Write(const FileDescriptor& staging, std::string& problem, const SystemRoots& roots = {});

}  // namespace StagedRecord
