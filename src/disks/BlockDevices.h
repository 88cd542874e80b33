#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "disks/SystemRoots.h"

// The block devices the kernel shows in /sys/block, as far as sysfs and /dev/disk/by-id tell:
// what both the recorder and the restore program's comparison start from.
struct BlockPartition {
    std::string name;
    int number = 0;
    std::string devNumber;  // "8:1"
};

struct BlockDevice {
    std::string name;
    std::string devNumber;
    std::uint64_t bytes = 0;
    unsigned logicalSector = 512;
    unsigned physicalSector = 512;
    std::string model;
    std::string serial;
    std::string wwn;
    std::vector<std::string> byId;
    std::vector<BlockPartition> partitions;
};

struct MountedFileSystem {
    std::string mountPoint;
    std::string options;
};

namespace BlockDevices {

// Every entry of /sys/block, in name order.
std::vector<BlockDevice> List(const SystemRoots& roots);

// Devices that are never a disk of the machine: compressed memory, RAM disks, RAID arrays and
// device-mapper volumes (recorded as such), optical drives.
bool IsVirtual(const std::string& name);

// The mounts of the system by device number ("8:1"), the first of each.
std::map<std::string, MountedFileSystem> Mounts(const SystemRoots& roots);

// The first line of a small sysfs or /proc file, without its line end and trailing blanks;
// empty when it cannot be read.
std::string ReadLine(const std::string& path);
// A whole small file; false when it cannot be read or is larger than `limit`.
bool ReadFile(const std::string& path, std::string& bytes, std::size_t limit);
// The names in a folder, sorted; none when it cannot be read.
std::vector<std::string> Names(const std::string& folder);

// The boot entries among the firmware's variables in `efivars`: each Boot#### number, in upper
// case, to its load option in hexadecimal (the variable's bytes after their 4 of attributes).
std::map<std::string, std::string> BootVariables(const std::string& efivars);

}  // namespace BlockDevices
