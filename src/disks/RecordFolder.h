#pragma once

#include <map>
#include <string>

#include "disks/DiskRecord.h"
#include "shared/FileDescriptor.h"

// Writes a record as the folder Disques/ of `parent` (a backup's staging folder): the summary,
// the machine-readable record, each disk's sfdisk script and table sectors, the LVM metadata and
// Disques.xxh128, their hashes in the format of xxh128sum. Each file is flushed, then the folder.
// The raw sectors and the LVM metadata are readable by their owner only, like the devices and
// files they come from. Throws std::system_error; a folder left half-written is a leftover of
// the staging folder.
namespace RecordFolder {

void Write(const FileDescriptor& parent, const DiskRecord& record,
           const std::map<std::string, std::string>& files);

}  // namespace RecordFolder
