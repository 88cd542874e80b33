#include "disks/RepairCommands.h"

#include <cctype>

namespace RepairCommands {

std::string Quote(const std::string& word) {
    bool bare = !word.empty();
    for (const char c : word) {
        const unsigned char byte = static_cast<unsigned char>(c);
        bare =
            bare && (std::isalnum(byte) || std::string("/._-+:,=@%").find(c) != std::string::npos);
    }
    if (bare) {
        return word;
    }
    std::string quoted = "'";
    for (const char c : word) {
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return quoted + "'";
}

std::string PartitionDevice(const std::string& disk, int number) {
    const bool digit = !disk.empty() && std::isdigit(static_cast<unsigned char>(disk.back()));
    return disk + (digit ? "p" : "") + std::to_string(number);
}

std::string RestoreTable(const std::string& script, const std::string& device) {
    const std::string name = device.substr(device.rfind('/') + 1);
    return "sfdisk --backup-file " + Quote("/root/table-avant-" + name) + " " + Quote(device) +
           " < " + Quote(script);
}

std::string SetUuid(const RecordedFileSystem& fs, const std::string& device) {
    const std::string uuid = Quote(fs.uuid);
    const std::string target = Quote(device);
    if (fs.uuid.empty()) {
        return {};
    }
    if (fs.type == "ext2" || fs.type == "ext3" || fs.type == "ext4") {
        return "tune2fs -U " + uuid + " " + target;
    }
    if (fs.type == "xfs") {
        return "xfs_admin -U " + uuid + " " + target;
    }
    if (fs.type == "swap") {
        return "mkswap -U " + uuid + (fs.label.empty() ? "" : " -L " + Quote(fs.label)) + " " +
               target;
    }
    if (fs.type == "btrfs") {
        return "btrfstune -U " + uuid + " " + target;
    }
    if (fs.type == "crypto_LUKS") {
        return "cryptsetup luksUUID --uuid " + uuid + " " + target;
    }
    if (fs.type == "vfat") {
        std::string id;
        for (const char c : fs.uuid) {
            if (c != '-') {
                id += c;
            }
        }
        return "fatlabel -i " + target + " " + Quote(id);
    }
    return {};
}

std::string MountUnder(const std::string& device, const std::string& mountPoint) {
    const std::string target = mountPoint == "/" ? "/mnt" : "/mnt" + mountPoint;
    return "mount " + Quote(device) + " " + Quote(target);
}

std::string RestoreFiles(const std::string& folder) {
    return Quote(folder + "/Restore.exe") + " --racine /mnt " + Quote(folder);
}

std::vector<std::string> BootLoader(const BootChain& boot, const std::string& bootDisk) {
    std::vector<std::string> lines;
    for (const char* folder : {"dev", "proc", "sys"}) {
        lines.push_back(std::string("mount --bind /") + folder + " /mnt/" + folder);
    }
    if (boot.firmware == "efi") {
        const bool arm = boot.kernel.size() >= 6 &&
                         boot.kernel.compare(boot.kernel.size() - 6, 6, "-arm64") == 0;
        std::string line = std::string("chroot /mnt grub-install --target=") +
                           (arm ? "arm64-efi" : "x86_64-efi") + " --efi-directory=/boot/efi";
        if (!boot.efiId.empty()) {
            line += " --bootloader-id=" + Quote(boot.efiId);
        }
        lines.push_back(line);
    } else if (!bootDisk.empty()) {
        lines.push_back("chroot /mnt grub-install " + Quote(bootDisk));
    }
    lines.push_back("chroot /mnt update-initramfs -u -k all");
    lines.push_back("chroot /mnt update-grub");
    return lines;
}

std::string EfiEntry(const RecordedBootEntry& entry, const std::string& disk, int partition) {
    return "efibootmgr --create --disk " + Quote(disk) + " --part " + std::to_string(partition) +
           " --label " + Quote(entry.label) + " --loader " + Quote(entry.loader);
}

}  // namespace RepairCommands
