#include "disks/DiskCheck.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <map>
#include <ostream>
#include <set>

#include "disks/BlockDevices.h"
#include "disks/BlockProbe.h"
#include "disks/DiskMatch.h"
#include "disks/RecordText.h"
#include "disks/RepairCommands.h"
#include "shared/CommitIntent.h"
#include "shared/FileDescriptor.h"

namespace {

const char kProgram[] = "Restore.exe";

using RecordText::Printable;

// The table sectors now on `path` at the recorded places.
bool SameSectors(const std::string& path, const RecordedDisk& disk, const std::string& recorded) {
    const FileDescriptor device(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY));
    std::uint64_t total = 0;
    for (const TableRegion& region : disk.regions) {
        total += region.size;
    }
    if (!device || total != recorded.size()) {
        return false;
    }
    std::size_t at = 0;
    for (const TableRegion& region : disk.regions) {
        std::string bytes(region.size, '\0');
        if (::pread(device.Get(), &bytes[0], region.size, static_cast<off_t>(region.offset)) !=
                static_cast<ssize_t>(region.size) ||
            bytes.compare(0, std::string::npos, recorded, at, region.size) != 0) {
            return false;
        }
        at += region.size;
    }
    return true;
}

// Which recorded partitions differ from those found now.
std::vector<std::string> PartitionDifferences(const RecordedDisk& disk, const BlockProbe& probe) {
    std::vector<std::string> lines;
    const std::uint64_t scale = disk.sectorSize / 512 == 0 ? 1 : disk.sectorSize / 512;
    for (const RecordedPartition& recorded : disk.partitions) {
        const ProbedPartition* found = nullptr;
        for (const ProbedPartition& partition : probe.partitions) {
            found = partition.number == recorded.number ? &partition : found;
        }
        const std::string name = "partition " + std::to_string(recorded.number);
        if (found == nullptr) {
            lines.push_back(name + " absente");
            continue;
        }
        std::string what;
        if (found->start / scale != recorded.start) {
            what += ", début " + std::to_string(found->start / scale) + " au lieu de " +
                    std::to_string(recorded.start);
        }
        if (found->size / scale != recorded.size) {
            what += ", taille " + std::to_string(found->size / scale) + " au lieu de " +
                    std::to_string(recorded.size);
        }
        if (RecordText::IdDigits(found->type) != RecordText::IdDigits(recorded.type)) {
            what += ", type " + Printable(found->type) + " au lieu de " + Printable(recorded.type);
        }
        if (!recorded.uuid.empty() && !SameId(found->uuid, recorded.uuid)) {
            what += ", UUID " + Printable(found->uuid) + " au lieu de " + Printable(recorded.uuid);
        }
        if (!what.empty()) {
            lines.push_back(name + what.substr(1));
        }
    }
    for (const ProbedPartition& partition : probe.partitions) {
        bool known = false;
        for (const RecordedPartition& recorded : disk.partitions) {
            known = known || recorded.number == partition.number;
        }
        if (!known) {
            lines.push_back("partition " + std::to_string(partition.number) + " en plus");
        }
    }
    return lines;
}

}  // namespace

bool DiskCheck::VerifyRecord(std::ostream& out, const std::string& folder,
                             const RecordReader::Trust& trust) {
    const RecordReader reader = RecordReader::Read(folder, trust);
    for (const auto& check : reader.Checks()) {
        out << " * " << RecordText::kFolder << "/" << Printable(check.first) << " : "
            << Printable(check.second) << "\n";
    }
    switch (reader.GetState()) {
        case RecordReader::State::Absent:
        case RecordReader::State::Whole:
            return true;
        default:
            out << " <!> L'enregistrement des disques n'est pas fiable : "
                << Printable(reader.Problem()) << "\n";
            return false;
    }
}

bool DiskCheck::Load(std::ostream& err, const std::string& folder,
                     const RecordReader::Trust& trust, DiskRecord& record,
                     std::map<std::string, std::string>& files) {
    const RecordReader reader = RecordReader::Read(folder, trust);
    switch (reader.GetState()) {
        case RecordReader::State::Absent:
            err << kProgram << " : la sauvegarde " << Printable(folder)
                << " n'a pas d'enregistrement des disques (dossier " << RecordText::kFolder
                << ")\n";
            return false;
        case RecordReader::State::Whole:
            break;
        default:
            err << kProgram << " : l'enregistrement des disques ne peut pas être lu : "
                << Printable(reader.Problem()) << "\n";
            return false;
    }
    std::string reason;
    if (!RecordText::Parse(reader.Files().at(RecordText::kRecordFile), record, reason)) {
        err << kProgram << " : " << RecordText::kFolder << "/" << RecordText::kRecordFile
            << " n'est pas un enregistrement lisible : " << reason << "\n";
        return false;
    }
    for (const RecordedDisk& disk : record.disks) {
        const auto sectors = reader.Files().find(disk.file + ".secteurs");
        std::uint64_t total = 0;
        for (const TableRegion& region : disk.regions) {
            total += region.size;
        }
        if (!disk.table.empty() &&
            (!CommitIntent::IsPlainName(disk.file + ".secteurs") ||
             sectors == reader.Files().end() || sectors->second.size() != total)) {
            err << kProgram << " : les secteurs de la table du disque " << Printable(disk.name)
                << " manquent à l'enregistrement\n";
            return false;
        }
    }
    files = reader.Files();
    return true;
}

int DiskCheck::Run(const std::string& folder, const RecordReader::Trust& trust) {
    DiskRecord record;
    sectors_.clear();
    if (!Load(err_, folder, trust, record, sectors_)) {
        return kUntrusted;
    }
    return Compare(record, folder);
}

int DiskCheck::Compare(const DiskRecord& record, const std::string& folder) {
    bool differs = false;
    out_ << "Enregistrement des disques du " << Printable(record.date) << " (machine "
         << Printable(record.host.empty() ? "sans nom" : record.host) << ", UUID système "
         << Printable(record.systemUuid.empty() ? "inconnu" : record.systemUuid) << ")\n";

    std::vector<PresentDisk> machine;
    std::vector<BlockProbe> volumes;  // every device and partition, for the UUIDs
    std::vector<std::string> volumeNames;
    const std::map<std::string, MountedFileSystem> mounts = BlockDevices::Mounts(roots_);
    std::vector<std::string> arrays;
    for (const BlockDevice& device : BlockDevices::List(roots_)) {
        const std::string path = roots_.dev + '/' + device.name;
        if (BlockDevices::IsVirtual(device.name)) {
            const std::string uuid =
                BlockDevices::ReadLine(roots_.sys + "/block/" + device.name + "/md/uuid");
            if (!uuid.empty()) {
                arrays.push_back(RecordText::IdDigits(uuid));
            }
            volumes.push_back(BlockProbe::Read(path, false));
            volumeNames.push_back(device.name);
            continue;
        }
        PresentDisk present = PresentDisk::Read(device, roots_.dev);
        present.mounted = mounts.count(device.devNumber) != 0;
        volumes.push_back(present.probe);
        volumeNames.push_back(device.name);
        for (std::size_t i = 0; i < device.partitions.size(); ++i) {
            present.mounted = present.mounted || mounts.count(device.partitions[i].devNumber) != 0;
            volumes.push_back(present.partitions[i].second);
            volumeNames.push_back(device.partitions[i].name);
        }
        machine.push_back(std::move(present));
    }

    const std::string systemUuid =
        BlockDevices::ReadLine(roots_.sys + "/class/dmi/id/product_uuid");
    bool otherMachine =
        !record.systemUuid.empty() && !systemUuid.empty() && !SameId(record.systemUuid, systemUuid);

    // Disks.
    std::vector<std::string> commands;
    std::map<std::string, std::string> deviceOf;  // recorded disk name -> device now
    std::map<std::string, bool> tableMissing;
    bool anyIdentified = false;
    out_ << "\nDisques :\n";
    for (const RecordedDisk& disk : record.disks) {
        const DiskMatch match = DiskMatch::Find(disk, machine);
        out_ << " * /dev/" << Printable(disk.name) << " (" << disk.sectors * disk.sectorSize
             << " octets" << (disk.model.empty() ? "" : ", " + Printable(disk.model))
             << (disk.serial.empty() ? "" : ", série " + Printable(disk.serial)) << ") : ";
        if (match.present == nullptr) {
            differs = true;
            out_ << "absent de cette machine";
            // A blank disk that can take its table.
            for (PresentDisk& present : machine) {
                if (!present.taken && !present.mounted && present.probe.opened &&
                    present.probe.tableType.empty() && present.probe.type.empty() &&
                    present.device.bytes >= disk.sectors * disk.sectorSize &&
                    present.device.logicalSector == disk.sectorSize) {
                    present.taken = true;
                    out_ << " ; /dev/" << present.device.name
                         << " est un disque vierge assez grand pour le remplacer";
                    deviceOf[disk.name] = "/dev/" + present.device.name;
                    tableMissing[disk.name] = true;
                    if (!disk.table.empty()) {
                        commands.push_back(RepairCommands::RestoreTable(
                            folder + "/" + RecordText::kFolder + "/" + disk.file + ".sfdisk",
                            "/dev/" + present.device.name));
                    }
                    break;
                }
            }
            out_ << "\n";
            continue;
        }
        anyIdentified = anyIdentified || !match.bySize;
        const std::string device = "/dev/" + match.present->device.name;
        deviceOf[disk.name] = device;
        out_ << device << ", trouvé " << match.how << " : ";
        if (disk.table.empty()) {
            out_ << "sans table de partitions, comme enregistré\n";
            continue;
        }
        if (match.present->probe.tableType.empty()) {
            differs = true;
            tableMissing[disk.name] = true;
            out_ << "sa table de partitions a disparu\n";
            if (!match.present->probe.type.empty()) {
                // Whatever was made on it since would be lost under the table.
                out_ << "   (le disque porte maintenant un " << Printable(match.present->probe.type)
                     << " : la table n'y sera pas remise)\n";
            } else if (match.present->mounted) {
                out_ << "   (un système de fichiers de ce disque est monté : la table n'y sera pas "
                        "remise)\n";
            } else {
                commands.push_back(RepairCommands::RestoreTable(
                    folder + "/" + RecordText::kFolder + "/" + disk.file + ".sfdisk", device));
            }
        } else if (SameSectors(roots_.dev + '/' + match.present->device.name, disk,
                               sectors_[disk.file + ".secteurs"])) {
            out_ << "table identique\n";
        } else {
            differs = true;
            const std::vector<std::string> lines = PartitionDifferences(disk, match.present->probe);
            out_ << "table différente"
                 << (lines.empty() ? " (ses secteurs ont changé, ses partitions sont les mêmes)"
                                   : "")
                 << "\n";
            for (const std::string& line : lines) {
                out_ << "   " << line << "\n";
            }
        }
    }
    // Without both firmware UUIDs, the disks tell: none of them known here.
    if ((record.systemUuid.empty() || systemUuid.empty()) && !anyIdentified &&
        !record.disks.empty()) {
        otherMachine = true;
    }
    if (otherMachine) {
        differs = true;
        out_ << "\nCet enregistrement a été fait sur une autre machine";
        if (!systemUuid.empty() && !record.systemUuid.empty()) {
            out_ << " (UUID système " << Printable(record.systemUuid)
                 << ", cette machine : " << Printable(systemUuid) << ")";
        } else {
            out_ << " : aucun de ses disques n'est reconnu ici";
        }
        out_ << ".\n";
    }

    // File systems, by UUID.
    std::vector<std::string> uuidCommands;
    std::map<std::string, std::string> fsDevice;  // recorded device -> device now
    out_ << "\nSystèmes de fichiers :\n";
    for (const RecordedFileSystem& fs : record.fileSystems) {
        if (fs.uuid.empty()) {
            continue;
        }
        out_ << " * " << Printable(fs.type) << " UUID " << Printable(fs.uuid) << " (/dev/"
             << Printable(fs.device)
             << (fs.mountPoint.empty() ? "" : ", monté sur " + Printable(fs.mountPoint)) << ") : ";
        std::string found;
        for (std::size_t i = 0; i < volumes.size() && found.empty(); ++i) {
            if (volumes[i].uuid == fs.uuid && volumes[i].type == fs.type) {
                found = "/dev/" + volumeNames[i];
            }
        }
        // Where it was: the same partition of the disk found for its disk.
        std::string place;
        const RecordedPartition* partition = record.FindPartition(fs.device);
        if (partition != nullptr && deviceOf.count(partition->disk) != 0) {
            place = RepairCommands::PartitionDevice(deviceOf[partition->disk], partition->number);
        } else if (deviceOf.count(fs.device) != 0) {
            place = deviceOf[fs.device];
        }
        if (!found.empty()) {
            out_ << "trouvé sur " << found << "\n";
            fsDevice[fs.device] = found;
            continue;
        }
        differs = true;
        fsDevice[fs.device] = place;
        const BlockProbe* there = nullptr;
        for (std::size_t i = 0; i < volumes.size(); ++i) {
            if (!place.empty() && "/dev/" + volumeNames[i] == place && !volumes[i].type.empty()) {
                there = &volumes[i];
            }
        }
        if (there == nullptr) {
            out_ << "absent\n";
            continue;
        }
        out_ << "absent ; " << place << " porte un " << Printable(there->type) << " d'UUID "
             << Printable(there->uuid) << "\n";
        // Made again in its place: it takes its UUID back, and fstab, crypttab and grub.cfg
        // find it again.
        const std::string line =
            there->type == fs.type ? RepairCommands::SetUuid(fs, place) : std::string();
        if (!line.empty()) {
            uuidCommands.push_back(line);
        }
    }

    // RAID arrays, by their UUID, assembled or by their members.
    if (!record.raids.empty()) {
        out_ << "\nRAID :\n";
    }
    for (const RecordedRaid& raid : record.raids) {
        int members = 0;
        for (const BlockProbe& volume : volumes) {
            members += volume.type == "linux_raid_member" && SameId(volume.uuid, raid.uuid);
        }
        const bool assembled = std::find(arrays.begin(), arrays.end(),
                                         RecordText::IdDigits(raid.uuid)) != arrays.end();
        out_ << " * /dev/" << Printable(raid.name) << " " << Printable(raid.level) << " UUID "
             << Printable(raid.uuid) << " : ";
        if (assembled) {
            out_ << "assemblé\n";
        } else if (members > 0) {
            differs = true;
            out_ << members << " membre(s) présent(s), non assemblé\n";
            commands.push_back("mdadm --assemble --uuid=" + RepairCommands::Quote(raid.uuid) + " " +
                               RepairCommands::Quote("/dev/" + raid.name));
        } else {
            differs = true;
            out_ << "absent\n";
        }
    }
    if (!record.volumeGroups.empty()) {
        out_ << "\nLVM :\n";
    }
    for (const RecordedVolumeGroup& group : record.volumeGroups) {
        std::size_t found = 0;
        for (const std::string& id : group.pvIds) {
            bool here = false;
            for (const BlockProbe& volume : volumes) {
                here = here || (volume.type == "LVM2_member" && volume.uuid == id);
            }
            found += here;
        }
        out_ << " * groupe de volumes " << Printable(group.name) << " : ";
        if (found == group.pvIds.size() && found > 0) {
            out_ << "ses " << found << " volume(s) physique(s) sont présents\n";
        } else {
            differs = true;
            out_ << found << " volume(s) physique(s) présent(s) sur " << group.pvIds.size()
                 << " ; ses métadonnées : " << RecordText::kFolder << "/" << Printable(group.file)
                 << " (vgcfgrestore -f)\n";
        }
    }

    // EFI entries, by their bytes.
    std::vector<std::string> efiCommands;
    if (!record.boot.entries.empty()) {
        out_ << "\nEntrées EFI :\n";
        std::set<std::string> present;
        for (const auto& variable : BlockDevices::BootVariables(roots_.Efivars())) {
            present.insert(variable.second);
        }
        const bool efi = !BlockDevices::Names(roots_.Efivars()).empty();
        for (const RecordedBootEntry& entry : record.boot.entries) {
            out_ << " * Boot" << Printable(entry.number) << " " << Printable(entry.label) << " : ";
            if (!efi) {
                differs = true;
                out_ << "non vérifiable (ce système n'a pas démarré en EFI)\n";
                continue;
            }
            if (present.count(entry.data) != 0) {
                out_ << "présente\n";
                continue;
            }
            differs = true;
            out_ << "absente\n";
            const RecordedPartition* partition = record.FindPartitionByUuid(entry.partUuid);
            if (partition != nullptr && !entry.loader.empty() && deviceOf.count(partition->disk)) {
                efiCommands.push_back(
                    RepairCommands::EfiEntry(entry, deviceOf[partition->disk], partition->number));
            }
        }
    }

    if (!differs) {
        out_ << "\nLa machine correspond à l'enregistrement.\n";
        return kMatches;
    }
    // The system on its disks once they are back: mounted, its files restored, then its boot.
    const bool rebuild = !commands.empty() || !uuidCommands.empty();
    commands.insert(commands.end(), uuidCommands.begin(), uuidCommands.end());
    std::string bootDisk;
    if (rebuild) {
        for (const char* point : {"/", "/boot", "/boot/efi"}) {
            for (const RecordedFileSystem& fs : record.fileSystems) {
                const auto device = fsDevice.find(fs.device);
                if (fs.mountPoint == point && device != fsDevice.end() && !device->second.empty()) {
                    commands.push_back(RepairCommands::MountUnder(device->second, point));
                    const RecordedPartition* partition = record.FindPartition(fs.device);
                    if (bootDisk.empty() && partition != nullptr &&
                        deviceOf.count(partition->disk) != 0) {
                        bootDisk = deviceOf[partition->disk];
                    }
                }
            }
        }
        commands.push_back(RepairCommands::RestoreFiles(folder));
        for (const std::string& line : RepairCommands::BootLoader(record.boot, bootDisk)) {
            commands.push_back(line);
        }
    }
    commands.insert(commands.end(), efiCommands.begin(), efiCommands.end());
    if (!commands.empty()) {
        out_ << "\nPour remettre en place ce qui manque, dans l'ordre (vérifiez chaque nom de "
                "disque avant de lancer une commande) :\n";
        for (const std::string& line : commands) {
            out_ << "  " << line << "\n";
        }
    }
    return kDiffers;
}
