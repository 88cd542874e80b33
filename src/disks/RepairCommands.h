#pragma once

#include <string>
#include <vector>

#include "disks/DiskRecord.h"

// The commands that put back, by hand, what a record holds: each word quoted for the shell, so
// that no name or field of a record is ever read by a shell as anything but a word.
namespace RepairCommands {

// `word` as one shell word: bare when it holds only safe characters, otherwise in single quotes.
std::string Quote(const std::string& word);

// The device of partition `number` of `disk`: "/dev/sda" 1 gives "/dev/sda1", "/dev/nvme0n1"
// and "/dev/loop0" (ending in a digit) give "/dev/nvme0n1p1", "/dev/loop0p1".
std::string PartitionDevice(const std::string& disk, int number);

// Writes the recorded table `script` onto `device`, keeping the sectors it replaces.
std::string RestoreTable(const std::string& script, const std::string& device);

// Gives the file system on `device` its recorded UUID again; empty for a type that has no tool.
std::string SetUuid(const RecordedFileSystem& fs, const std::string& device);

// Where a file system mounted at `mountPoint` goes under /mnt.
std::string MountUnder(const std::string& device, const std::string& mountPoint);

// The restore program of the backup in `folder`, into the system mounted at /mnt.
std::string RestoreFiles(const std::string& folder);

// The boot loader and the initramfs, inside the system mounted at /mnt: BIOS onto `bootDisk`,
// EFI with the recorded loader id.
std::vector<std::string> BootLoader(const BootChain& boot, const std::string& bootDisk);

// The EFI entry `entry`, whose loader is on partition `partition` of `disk`.
std::string EfiEntry(const RecordedBootEntry& entry, const std::string& disk, int partition);

}  // namespace RepairCommands
