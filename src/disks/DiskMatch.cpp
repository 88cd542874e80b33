#include "disks/DiskMatch.h"

#include <algorithm>

#include "disks/RecordText.h"

bool SameId(const std::string& a, const std::string& b) {
    const std::string digits = RecordText::IdDigits(a);
    return !digits.empty() && digits == RecordText::IdDigits(b);
}

PresentDisk PresentDisk::Read(const BlockDevice& device, const std::string& dev) {
    PresentDisk present;
    present.device = device;
    present.probe = BlockProbe::Read(dev + '/' + device.name, true);
    for (const BlockPartition& partition : device.partitions) {
        present.partitions.emplace_back(partition.name,
                                        BlockProbe::Read(dev + '/' + partition.name, false));
    }
    return present;
}

DiskMatch DiskMatch::Find(const RecordedDisk& disk, std::vector<PresentDisk>& machine) {
    using Test = bool (*)(const RecordedDisk&, const PresentDisk&);
    const std::pair<const char*, Test> tests[] = {
        {"par son WWN",
         [](const RecordedDisk& d, const PresentDisk& p) {
             return !d.wwn.empty() && d.wwn == p.device.wwn;
         }},
        {"par son numéro de série",
         [](const RecordedDisk& d, const PresentDisk& p) {
             return !d.serial.empty() && d.serial == p.device.serial;
         }},
        {"par son nom by-id",
         [](const RecordedDisk& d, const PresentDisk& p) {
             for (const std::string& id : d.byId) {
                 if (std::find(p.device.byId.begin(), p.device.byId.end(), id) !=
                     p.device.byId.end()) {
                     return true;
                 }
             }
             return false;
         }},
        {"par l'identifiant de sa table",
         [](const RecordedDisk& d, const PresentDisk& p) {
             return SameId(d.tableId, p.probe.tableId);
         }},
    };
    for (const auto& test : tests) {
        for (PresentDisk& present : machine) {
            if (!present.taken && test.second(disk, present)) {
                present.taken = true;
                return DiskMatch{&present, test.first, false};
            }
        }
    }
    for (PresentDisk& present : machine) {
        if (!present.taken && present.device.bytes == disk.sectors * disk.sectorSize &&
            (present.probe.tableType.empty() || present.probe.tableType == disk.table)) {
            present.taken = true;
            return DiskMatch{&present, "par sa taille seulement (aucun identifiant ne correspond)",
                             true};
        }
    }
    return DiskMatch{};
}
