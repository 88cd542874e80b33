#pragma once

#include <string>

#include "boot/BootPlan.h"
#include "disks/DiskRecord.h"
#include "disks/SystemRoots.h"

// Reads, without changing anything, what a boot repair is planned from: the file system
// mounted at the root, the target disk found by identity (or the one given), its EFI system
// partition, whether this system started in EFI, and which programs the root and this system
// have.
namespace BootSurvey {

// `root` with its links resolved; `disk` is the one given with --disque, or empty.
BootFacts Read(const DiskRecord& record, const std::string& root, const std::string& disk,
               const SystemRoots& roots = {});

// Where `name` is inside the root open as `rootFd`, its links resolved as they would be from
// inside it: "/usr/sbin/grub-install"; empty when it is in none of the system's program
// folders or is not an executable file.
std::string FindTool(int rootFd, const std::string& name);

}  // namespace BootSurvey
