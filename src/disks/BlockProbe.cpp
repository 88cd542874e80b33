#include "disks/BlockProbe.h"

#include <blkid/blkid.h>
#include <fcntl.h>

#include <cerrno>
#include <cstdio>

#include "shared/FileDescriptor.h"

namespace {

class Probe {
public:
    explicit Probe(int fd) : probe_(blkid_new_probe()) {
        if (probe_ != nullptr && blkid_probe_set_device(probe_, fd, 0, 0) != 0) {
            blkid_free_probe(probe_);
            probe_ = nullptr;
        }
    }
    ~Probe() {
        if (probe_ != nullptr) {
            blkid_free_probe(probe_);
        }
    }
    Probe(const Probe&) = delete;
    Probe& operator=(const Probe&) = delete;

    blkid_probe Get() const { return probe_; }

    std::string Value(const char* name) const {
        const char* value = nullptr;
        std::size_t size = 0;
        if (blkid_probe_lookup_value(probe_, name, &value, &size) != 0 || value == nullptr) {
            return {};
        }
        return std::string(value, size > 0 && value[size - 1] == '\0' ? size - 1 : size);
    }

private:
    blkid_probe probe_;
};

std::string Text(const char* value) {
    return value == nullptr ? std::string() : std::string(value);
}

}  // namespace

BlockProbe BlockProbe::Read(const std::string& path, bool table) {
    BlockProbe found;
    const FileDescriptor device(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    if (!device) {
        found.error = errno;
        return found;
    }
    const Probe probe(device.Get());
    if (probe.Get() == nullptr) {
        found.error = EIO;
        return found;
    }
    found.opened = true;
    // Signatures and the partition table are probed apart, so that neither hides the other.
    blkid_probe_enable_superblocks(probe.Get(), 1);
    blkid_probe_set_superblocks_flags(probe.Get(), BLKID_SUBLKS_LABEL | BLKID_SUBLKS_UUID |
                                                       BLKID_SUBLKS_TYPE);
    blkid_probe_enable_partitions(probe.Get(), 0);
    if (blkid_do_safeprobe(probe.Get()) == 0) {
        found.type = probe.Value("TYPE");
        found.uuid = probe.Value("UUID");
        found.label = probe.Value("LABEL");
    }
    const Probe tableProbe(device.Get());
    if (tableProbe.Get() == nullptr) {
        return found;
    }
    blkid_probe_enable_superblocks(tableProbe.Get(), 0);
    blkid_probe_enable_partitions(tableProbe.Get(), 1);
    blkid_probe_set_partitions_flags(tableProbe.Get(), BLKID_PARTS_ENTRY_DETAILS);
    if (blkid_do_safeprobe(tableProbe.Get()) == 0) {
        found.partUuid = tableProbe.Value("PART_ENTRY_UUID");
        found.partLabel = tableProbe.Value("PART_ENTRY_NAME");
        found.tableType = tableProbe.Value("PTTYPE");
        found.tableId = tableProbe.Value("PTUUID");
    }
    if (!table || found.tableType.empty()) {
        return found;
    }
    const blkid_partlist list = blkid_probe_get_partitions(tableProbe.Get());
    const int count = list == nullptr ? 0 : blkid_partlist_numof_partitions(list);
    for (int i = 0; i < count; ++i) {
        const blkid_partition entry = blkid_partlist_get_partition(list, i);
        ProbedPartition partition;
        partition.number = blkid_partition_get_partno(entry);
        partition.start = static_cast<std::uint64_t>(blkid_partition_get_start(entry));
        partition.size = static_cast<std::uint64_t>(blkid_partition_get_size(entry));
        partition.type = Text(blkid_partition_get_type_string(entry));
        if (partition.type.empty()) {
            char code[8];
            std::snprintf(code, sizeof code, "%x", blkid_partition_get_type(entry));
            partition.type = code;
        }
        partition.uuid = Text(blkid_partition_get_uuid(entry));
        partition.label = Text(blkid_partition_get_name(entry));
        found.partitions.push_back(partition);
    }
    return found;
}
