#pragma once

#include <cstdint>
#include <string>
#include <vector>

// What libblkid finds on a block device, read-only: the file system or other signature
// (superblocks) and, for a disk, its partition table.
struct ProbedPartition {
    int number = 0;
    std::uint64_t start = 0;  // in 512-byte sectors
    std::uint64_t size = 0;
    std::string type;  // GPT type GUID, or MBR type code in hexadecimal
    std::string uuid;
    std::string label;
};

struct BlockProbe {
    bool opened = false;
    int error = 0;  // errno when it could not be opened
    std::string type;
    std::string uuid;
    std::string label;
    std::string partUuid;
    std::string partLabel;
    std::string tableType;  // "gpt", "dos"; empty when none was found
    std::string tableId;
    std::vector<ProbedPartition> partitions;

    // Reads the device at `path`; with `table`, its partition table too.
    static BlockProbe Read(const std::string& path, bool table);
};
