#include "disks/DiskRecord.h"

const RecordedDisk* DiskRecord::FindDisk(const std::string& name) const {
    for (const RecordedDisk& disk : disks) {
        if (disk.name == name) {
            return &disk;
        }
    }
    return nullptr;
}

const RecordedPartition* DiskRecord::FindPartition(const std::string& name) const {
    for (const RecordedDisk& disk : disks) {
        for (const RecordedPartition& partition : disk.partitions) {
            if (partition.name == name) {
                return &partition;
            }
        }
    }
    return nullptr;
}

const RecordedPartition* DiskRecord::FindPartitionByUuid(const std::string& partUuid) const {
    for (const RecordedDisk& disk : disks) {
        for (const RecordedPartition& partition : disk.partitions) {
            if (!partUuid.empty() && partition.uuid.size() == partUuid.size()) {
                bool same = true;
                for (std::size_t i = 0; i < partUuid.size() && same; ++i) {
                    same = (partition.uuid[i] | 0x20) == (partUuid[i] | 0x20);
                }
                if (same) {
                    return &partition;
                }
            }
        }
    }
    return nullptr;
}

const RecordedFileSystem* DiskRecord::FindFileSystem(const std::string& device) const {
    for (const RecordedFileSystem& fs : fileSystems) {
        if (fs.device == device) {
            return &fs;
        }
    }
    return nullptr;
}
