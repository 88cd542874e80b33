#pragma once

#include <string>

#include "disks/DiskRecord.h"

// The record's summary, Resume.txt: what a person reads first on a rescue day (French, UTF-8,
// LF): the machine, each disk with its partitions and file systems, RAID, LVM and LUKS, the boot
// chain, then the commands that put each piece back by hand, with the device names the machine
// had when it was recorded.
namespace RecordSummary {

std::string Text(const DiskRecord& record);

}  // namespace RecordSummary
