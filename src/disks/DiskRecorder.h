#pragma once

#include <map>
#include <string>

#include "disks/DiskRecord.h"
#include "disks/SystemRoots.h"

// Reads, without changing anything, the disks and the boot chain of the system under `roots`:
// partition tables through libfdisk (as sfdisk scripts and their raw sectors), file systems
// through libblkid, LUKS headers' public fields through libcryptsetup, EFI entries through
// libefivar and libefiboot, RAID arrays from sysfs, LVM metadata from /etc/lvm/backup, the boot
// loader's target, kernel and command line. What cannot be read is named in the record's gaps;
// nothing here fails.
class DiskRecorder {
public:
    explicit DiskRecorder(SystemRoots roots) : roots_(std::move(roots)) {}

    // The record, and the files that go with it by name ("disque-sda.sfdisk"...).
    DiskRecord Record(std::map<std::string, std::string>& files) const;

private:
    void RecordDisks(DiskRecord& record, std::map<std::string, std::string>& files) const;
    void RecordRaid(DiskRecord& record) const;
    void RecordVolumeGroups(DiskRecord& record, std::map<std::string, std::string>& files) const;
    void RecordBoot(DiskRecord& record) const;

    SystemRoots roots_;
};
