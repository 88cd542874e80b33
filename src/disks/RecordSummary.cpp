#include "disks/RecordSummary.h"

#include "disks/RecordText.h"
#include "disks/RepairCommands.h"

namespace {

std::string Size(std::uint64_t bytes) {
    const char* units[] = {"o", "Kio", "Mio", "Gio", "Tio"};
    double value = static_cast<double>(bytes);
    int unit = 0;
    while (value >= 1024 && unit < 4) {
        value /= 1024;
        ++unit;
    }
    char text[32];
    std::snprintf(text, sizeof text, unit == 0 ? "%.0f %s" : "%.1f %s", value, units[unit]);
    std::string shown = text;
    const std::size_t dot = shown.find('.');
    if (dot != std::string::npos) {
        shown[dot] = ',';
    }
    return shown;
}

std::string Field(const char* name, const std::string& value) {
    return value.empty() ? std::string() : std::string(", ") + name + " " + value;
}

using RecordText::Printable;

std::string FileSystemLine(const RecordedFileSystem& fs) {
    std::string line = fs.type.empty() ? "aucun système de fichiers reconnu" : fs.type;
    line += Field("UUID", fs.uuid) + Field("LABEL", fs.label) + Field("PARTUUID", fs.partUuid) +
            Field("PARTLABEL", fs.partLabel);
    if (!fs.mountPoint.empty()) {
        line += ", monté sur " + fs.mountPoint + " (" + fs.options + ")";
    }
    return Printable(line);
}

}  // namespace

namespace RecordSummary {

std::string Text(const DiskRecord& record) {
    std::string text = "Disques et démarrage de la machine";
    text += record.host.empty() ? "" : " " + Printable(record.host);
    text += ", relevés le " + record.date + "\n\n";
    text += "Machine : " + (record.product.empty() ? "modèle inconnu" : Printable(record.product)) +
            ", UUID système " +
            (record.systemUuid.empty() ? "inconnu" : Printable(record.systemUuid)) + "\n";
    for (const std::string& gap : record.gaps) {
        text += "Non relevé : " + Printable(gap) + "\n";
    }

    for (const RecordedDisk& disk : record.disks) {
        text += "\nDisque /dev/" + disk.name + " : " + Size(disk.sectors * disk.sectorSize) + " (" +
                std::to_string(disk.sectors) + " secteurs de " + std::to_string(disk.sectorSize) +
                " octets, physiques " + std::to_string(disk.physicalSectorSize) + ")" +
                Field("modèle", Printable(disk.model)) +
                Field("numéro de série", Printable(disk.serial)) +
                Field("WWN", Printable(disk.wwn)) + "\n";
        for (const std::string& id : disk.byId) {
            text += "  /dev/disk/by-id/" + Printable(id) + "\n";
        }
        if (disk.table.empty()) {
            text += "  sans table de partitions\n";
        } else {
            text += "  table " + disk.table + ", identifiant " + disk.tableId + " : " +
                    std::string(RecordText::kFolder) + "/" + disk.file +
                    ".sfdisk (ses secteurs : " + disk.file + ".secteurs)\n";
        }
        for (const RecordedPartition& partition : disk.partitions) {
            text += "  /dev/" + partition.name + " : partition " +
                    std::to_string(partition.number) + ", début " +
                    std::to_string(partition.start) + ", " + std::to_string(partition.size) +
                    " secteurs (" + Size(partition.size * disk.sectorSize) + "), type " +
                    partition.type + Field("nom", Printable(partition.label)) + "\n";
            if (const RecordedFileSystem* fs = record.FindFileSystem(partition.name)) {
                text += "      " + FileSystemLine(*fs) + "\n";
            }
        }
        if (disk.partitions.empty()) {
            if (const RecordedFileSystem* fs = record.FindFileSystem(disk.name)) {
                text += "  " + FileSystemLine(*fs) + "\n";
            }
        }
    }
    for (const RecordedFileSystem& fs : record.fileSystems) {
        if (record.FindDisk(fs.device) == nullptr && record.FindPartition(fs.device) == nullptr) {
            text += "\nVolume /dev/" + Printable(fs.device) + " : " + FileSystemLine(fs) + "\n";
        }
    }
    for (const RecordedLuks& luks : record.luks) {
        std::string slots;
        for (const int slot : luks.slots) {
            slots += (slots.empty() ? "" : ", ") + std::to_string(slot);
        }
        text += "\nChiffré " + luks.version + " sur /dev/" + Printable(luks.device) + " : UUID " +
                Printable(luks.uuid) + ", " + Printable(luks.cipher) + ", clé de " +
                std::to_string(luks.keyBits) + " bits, données au secteur " +
                std::to_string(luks.dataOffset) +
                ", emplacements de clé utilisés : " + (slots.empty() ? "aucun" : slots) + "\n";
    }
    for (const RecordedRaid& raid : record.raids) {
        text += "\nRAID /dev/" + Printable(raid.name) + " : " + Printable(raid.level) + ", membres";
        for (const std::string& member : raid.members) {
            text += " /dev/" + Printable(member);
        }
        text += "\n  ARRAY /dev/" + Printable(raid.name) + " metadata=" + Printable(raid.metadata) +
                " UUID=" + Printable(raid.uuid) + "\n";
    }
    for (const RecordedVolumeGroup& group : record.volumeGroups) {
        text += "\nGroupe de volumes LVM " + Printable(group.name) + " : " +
                std::to_string(group.pvIds.size()) +
                " volume(s) physique(s), ses métadonnées : " + std::string(RecordText::kFolder) +
                "/" + group.file + "\n";
    }

    const BootChain& boot = record.boot;
    text += "\nDémarrage : " + std::string(boot.firmware == "efi" ? "EFI" : "BIOS") + "\n";
    if (boot.firmware == "efi") {
        std::string order;
        for (const std::string& number : boot.order) {
            order += (order.empty() ? "" : ",") + number;
        }
        text += "  entrée utilisée Boot" + (boot.current.empty() ? "?" : boot.current) +
                ", ordre " + (order.empty() ? "vide" : order) + "\n";
        for (const RecordedBootEntry& entry : boot.entries) {
            text += "  Boot" + entry.number + " " + Printable(entry.label);
            if (!entry.loader.empty()) {
                text += " : " + Printable(entry.loader) + " sur la partition " +
                        std::to_string(entry.partition) + " PARTUUID " + Printable(entry.partUuid);
            }
            text += "\n";
        }
        text += "  identifiant du chargeur : " +
                (boot.efiId.empty() ? "inconnu" : Printable(boot.efiId)) + "\n";
    }
    if (!boot.grubPcDevices.empty()) {
        text += "  GRUB installé sur (grub-pc/install_devices) : " + Printable(boot.grubPcDevices) +
                "\n";
    }
    text += "  noyau " + Printable(boot.kernel) +
            "\n  ligne de commande : " + Printable(boot.commandLine) + "\n";
    for (const std::string& image : boot.images) {
        text += "  /boot/" + Printable(image) + "\n";
    }

    text +=
        "\nPour remettre chaque pièce en place à la main, depuis le dossier de la sauvegarde "
        "(les noms /dev/... sont ceux de ce relevé ; `Restore.exe --disques` donne ceux de la "
        "machine où il tourne) :\n";
    for (const RecordedDisk& disk : record.disks) {
        if (!disk.table.empty()) {
            text += "  " +
                    RepairCommands::RestoreTable(
                        std::string(RecordText::kFolder) + "/" + disk.file + ".sfdisk",
                        "/dev/" + disk.name) +
                    "\n";
        }
    }
    for (const RecordedFileSystem& fs : record.fileSystems) {
        const std::string line = RepairCommands::SetUuid(fs, "/dev/" + fs.device);
        if (!line.empty()) {
            text += "  " + line + "\n";
        }
    }
    std::string bootDisk;
    for (const char* point : {"/", "/boot", "/boot/efi"}) {
        for (const RecordedFileSystem& fs : record.fileSystems) {
            if (fs.mountPoint == point) {
                text += "  " + RepairCommands::MountUnder("/dev/" + fs.device, point) + "\n";
                if (const RecordedPartition* partition = record.FindPartition(fs.device)) {
                    bootDisk = bootDisk.empty() ? "/dev/" + partition->disk : bootDisk;
                }
            }
        }
    }
    text += "  " + RepairCommands::RestoreFiles(".") + "\n";
    for (const std::string& line : RepairCommands::BootLoader(boot, bootDisk)) {
        text += "  " + line + "\n";
    }
    for (const RecordedBootEntry& entry : boot.entries) {
        const RecordedPartition* partition = record.FindPartitionByUuid(entry.partUuid);
        if (partition != nullptr && !entry.loader.empty()) {
            text += "  " +
                    RepairCommands::EfiEntry(entry, "/dev/" + partition->disk, partition->number) +
                    "\n";
        }
    }
    return text;
}

}  // namespace RecordSummary
