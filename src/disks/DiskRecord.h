#pragma once

#include <cstdint>
#include <string>
#include <vector>

// What a backup records of the disks and the boot chain of the machine it ran on, as read from
// the record's text file. The same structure is written by the recorder and read by the restore
// program, which compares it with the machine it runs on.
struct RecordedPartition {
    std::string disk;  // kernel name of its disk
    std::string name;  // kernel name of the partition ("sda1", "nvme0n1p2")
    int number = 0;
    std::uint64_t start = 0;  // in the disk's logical sectors
    std::uint64_t size = 0;
    std::string type;  // GPT type GUID, or MBR type code in hexadecimal
    std::string uuid;  // GPT partition GUID, or "<disk id>-<nn>" for MBR
    std::string label;
};

// A part of a disk that holds its partition table: byte offset and length.
struct TableRegion {
    std::uint64_t offset = 0;
    std::uint64_t size = 0;
};

struct RecordedDisk {
    std::string name;  // kernel name when recorded ("sda")
    std::string file;  // stem of the disk's files in the record: "<file>.sfdisk", "<file>.secteurs"
    std::uint64_t sectors = 0;  // in logical sectors
    unsigned sectorSize = 512;
    unsigned physicalSectorSize = 512;
    std::string model;
    std::string serial;
    std::string wwn;
    std::vector<std::string> byId;  // names in /dev/disk/by-id
    std::string table;              // "gpt", "dos", or empty when it holds none
    std::string tableId;            // GPT disk GUID or MBR signature, as sfdisk prints it
    std::vector<TableRegion> regions;
    std::vector<RecordedPartition> partitions;
};

struct RecordedFileSystem {
    std::string device;  // kernel name of the partition or disk
    std::string type;
    std::string uuid;
    std::string label;
    std::string partUuid;
    std::string partLabel;
    std::string mountPoint;
    std::string options;
};

// A LUKS header's public fields; never the header itself nor any key material.
struct RecordedLuks {
    std::string device;
    std::string version;  // "LUKS1", "LUKS2"
    std::string uuid;
    std::string cipher;
    unsigned keyBits = 0;
    std::uint64_t dataOffset = 0;  // in 512-byte sectors
    std::vector<int> slots;        // key slots in use
};

struct RecordedRaid {
    std::string name;  // "md0"
    std::string level;
    std::string uuid;  // as mdadm prints it: four groups of 8 hexadecimal digits joined by ':'
    std::string metadata;
    std::vector<std::string> members;
};

struct RecordedVolumeGroup {
    std::string name;
    std::string file;                // the copy of its metadata in the record
    std::vector<std::string> pvIds;  // the physical volumes' LVM ids
};

struct RecordedBootEntry {
    std::string number;  // four hexadecimal digits, upper case
    std::string label;
    std::string partUuid;  // of the partition the loader is on, lower case
    unsigned partition = 0;
    std::string loader;  // "\EFI\debian\shimx64.efi"
    std::string data;    // the whole load option, in hexadecimal
};

struct BootChain {
    std::string firmware;  // "efi" or "bios"
    std::string current;
    std::vector<std::string> order;
    std::vector<RecordedBootEntry> entries;
    std::string grubPcDevices;  // debconf grub-pc/install_devices
    std::string efiId;          // the EFI boot loader id ("debian")
    std::string kernel;
    std::string commandLine;
    std::vector<std::string> images;  // kernels and initramfs images in /boot
};

struct DiskRecord {
    std::string systemUuid;  // the firmware's (DMI); empty when unreadable
    std::string product;
    std::string host;
    std::string date;  // "2026-12-09 12:00:00"
    std::vector<RecordedDisk> disks;
    std::vector<RecordedFileSystem> fileSystems;
    std::vector<RecordedLuks> luks;
    std::vector<RecordedRaid> raids;
    std::vector<RecordedVolumeGroup> volumeGroups;
    BootChain boot;
    // What could not be recorded, in French: "not root: partition tables not read".
    std::vector<std::string> gaps;

    const RecordedDisk* FindDisk(const std::string& name) const;
    const RecordedPartition* FindPartition(const std::string& name) const;
    const RecordedPartition* FindPartitionByUuid(const std::string& partUuid) const;
    const RecordedFileSystem* FindFileSystem(const std::string& device) const;
};
