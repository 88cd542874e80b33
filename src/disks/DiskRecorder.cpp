#include "disks/DiskRecorder.h"

#include <fcntl.h>
#include <libcryptsetup.h>
#include <libfdisk/libfdisk.h>
#include <sys/stat.h>
#include <unistd.h>

extern "C" {
#include <efivar/efiboot.h>
#include <efivar/efivar.h>
}

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>

#include "disks/BlockDevices.h"
#include "disks/BlockProbe.h"
#include "disks/RecordText.h"
#include "shared/FileDescriptor.h"

namespace {

using BlockDevices::ReadLine;

constexpr std::size_t kMaxMetadata = 1u << 20;

bool Exists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

bool StartsWith(const std::string& text, const std::string& prefix) {
    return text.compare(0, prefix.size(), prefix) == 0;
}

void AddGap(DiskRecord& record, const std::string& gap) {
    if (std::find(record.gaps.begin(), record.gaps.end(), gap) == record.gaps.end()) {
        record.gaps.push_back(gap);
    }
}

bool Refused(int error) {
    return error == EACCES || error == EPERM;
}

// What a user who is not root cannot read, or, for root, what could not be read and why.
std::string NotRead(int error, const std::string& notRoot, const std::string& what) {
    if (Refused(error) && ::geteuid() != 0) {
        return "pas root : " + notRoot;
    }
    return what + " (" + std::strerror(error) + ")";
}

struct ContextDeleter {
    void operator()(fdisk_context* context) const { fdisk_unref_context(context); }
};
struct TableDeleter {
    void operator()(fdisk_table* table) const { fdisk_unref_table(table); }
};
struct ScriptDeleter {
    void operator()(fdisk_script* script) const { fdisk_unref_script(script); }
};
struct CryptDeleter {
    void operator()(crypt_device* device) const { crypt_free(device); }
};

// The disk's partition table read by libfdisk; false with errno when the disk cannot be opened.
bool ReadTable(const std::string& path, RecordedDisk& disk, std::string& script,
               std::string& sectors) {
    const std::unique_ptr<fdisk_context, ContextDeleter> context(fdisk_new_context());
    if (!context) {
        errno = ENOMEM;
        return false;
    }
    const int opened = fdisk_assign_device(context.get(), path.c_str(), 1);
    if (opened < 0) {
        errno = -opened;
        return false;
    }
    if (!fdisk_has_label(context.get())) {
        return true;
    }
    disk.table = fdisk_label_get_name(fdisk_get_label(context.get(), nullptr));
    char* id = nullptr;
    if (fdisk_get_disklabel_id(context.get(), &id) == 0 && id != nullptr) {
        disk.tableId = id;
    }
    std::free(id);

    const std::unique_ptr<fdisk_script, ScriptDeleter> dump(fdisk_new_script(context.get()));
    char* text = nullptr;
    std::size_t size = 0;
    if (dump && fdisk_script_read_context(dump.get(), nullptr) == 0) {
        if (FILE* out = ::open_memstream(&text, &size)) {
            fdisk_script_write_file(dump.get(), out);
            std::fclose(out);
            script.assign(text, size);
        }
    }
    std::free(text);

    const FileDescriptor device(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY));
    const char* name = nullptr;
    std::uint64_t offset = 0;
    std::size_t length = 0;
    for (int n = 0;
         device && fdisk_locate_disklabel(context.get(), n, &name, &offset, &length) == 0; ++n) {
        if (length == 0) {
            continue;
        }
        std::string bytes(length, '\0');
        if (::pread(device.Get(), &bytes[0], length, static_cast<off_t>(offset)) !=
            static_cast<ssize_t>(length)) {
            break;
        }
        disk.regions.push_back(TableRegion{offset, length});
        sectors += bytes;
    }

    fdisk_table* raw = nullptr;
    if (fdisk_get_partitions(context.get(), &raw) != 0) {
        return true;
    }
    const std::unique_ptr<fdisk_table, TableDeleter> table(raw);
    for (std::size_t i = 0; i < fdisk_table_get_nents(table.get()); ++i) {
        fdisk_partition* entry = fdisk_table_get_partition(table.get(), i);
        if (entry == nullptr || !fdisk_partition_has_partno(entry)) {
            continue;
        }
        RecordedPartition partition;
        partition.disk = disk.name;
        partition.number = static_cast<int>(fdisk_partition_get_partno(entry)) + 1;
        char* partName = fdisk_partname(path.c_str(), static_cast<std::size_t>(partition.number));
        if (partName != nullptr) {
            const std::string full = partName;
            partition.name = full.substr(full.rfind('/') + 1);
        }
        std::free(partName);
        partition.start = fdisk_partition_get_start(entry);
        partition.size = fdisk_partition_get_size(entry);
        if (const fdisk_parttype* type = fdisk_partition_get_type(entry)) {
            const char* guid = fdisk_parttype_get_string(type);
            char code[8];
            std::snprintf(code, sizeof code, "%x", fdisk_parttype_get_code(type));
            partition.type = guid != nullptr ? guid : code;
        }
        if (const char* uuid = fdisk_partition_get_uuid(entry)) {
            partition.uuid = uuid;
        }
        if (const char* label = fdisk_partition_get_name(entry)) {
            partition.label = label;
        }
        disk.partitions.push_back(std::move(partition));
    }
    return true;
}

void SilentLog(int, const char*, void*) {}

bool ReadLuks(const std::string& path, const std::string& name, RecordedLuks& luks) {
    crypt_device* raw = nullptr;
    if (crypt_init(&raw, path.c_str()) != 0) {
        return false;
    }
    const std::unique_ptr<crypt_device, CryptDeleter> device(raw);
    crypt_set_log_callback(device.get(), SilentLog, nullptr);
    if (crypt_load(device.get(), CRYPT_LUKS, nullptr) != 0) {
        return false;
    }
    const char* type = crypt_get_type(device.get());
    luks.device = name;
    luks.version = type != nullptr ? type : "";
    luks.uuid = crypt_get_uuid(device.get()) != nullptr ? crypt_get_uuid(device.get()) : "";
    const char* cipher = crypt_get_cipher(device.get());
    const char* mode = crypt_get_cipher_mode(device.get());
    luks.cipher = std::string(cipher != nullptr ? cipher : "") + (mode != nullptr ? "-" : "") +
                  (mode != nullptr ? mode : "");
    luks.keyBits = static_cast<unsigned>(crypt_get_volume_key_size(device.get())) * 8;
    luks.dataOffset = crypt_get_data_offset(device.get());
    const int slots = type != nullptr ? crypt_keyslot_max(type) : 0;
    for (int slot = 0; slot < slots; ++slot) {
        const crypt_keyslot_info state = crypt_keyslot_status(device.get(), slot);
        if (state == CRYPT_SLOT_ACTIVE || state == CRYPT_SLOT_ACTIVE_LAST) {
            luks.slots.push_back(slot);
        }
    }
    return true;
}

// The file system or signature on `name`, when there is one.
void RecordFileSystem(const SystemRoots& roots, const std::string& name,
                      const std::string& devNumber,
                      const std::map<std::string, MountedFileSystem>& mounts, DiskRecord& record) {
    const std::string path = roots.dev + '/' + name;
    const BlockProbe probe = BlockProbe::Read(path, false);
    const auto mount = mounts.find(devNumber);
    // A device without a node in /dev holds nothing to read.
    if (!probe.opened && probe.error != ENOENT) {
        AddGap(record, NotRead(probe.error, "les systèmes de fichiers ne sont pas lus",
                               "le système de fichiers de " + name + " n'a pas pu être lu"));
    }
    if (probe.type.empty() && mount == mounts.end()) {
        return;
    }
    RecordedFileSystem fs;
    fs.device = name;
    fs.type = probe.type;
    fs.uuid = probe.uuid;
    fs.label = probe.label;
    fs.partUuid = probe.partUuid;
    fs.partLabel = probe.partLabel;
    if (mount != mounts.end()) {
        fs.mountPoint = mount->second.mountPoint;
        fs.options = mount->second.options;
    }
    record.fileSystems.push_back(fs);
    if (probe.type == "crypto_LUKS") {
        RecordedLuks luks;
        if (ReadLuks(path, name, luks)) {
            record.luks.push_back(luks);
        } else {
            AddGap(record, "l'en-tête LUKS de " + name + " n'a pas pu être lu");
        }
    }
}

// The load option's loader: the disk partition (GPT signature or MBR id) and the file path.
void ReadDevicePath(efi_load_option* option, std::size_t size, RecordedBootEntry& entry) {
    const std::uint16_t length = efi_loadopt_pathlen(option, static_cast<ssize_t>(size));
    const_efidp node = efi_loadopt_path(option, static_cast<ssize_t>(size));
    if (node == nullptr || length == 0 || !efidp_is_valid(node, length)) {
        return;
    }
    for (int guard = 0; guard < 64; ++guard) {
        if (efidp_type(node) == EFIDP_MEDIA_TYPE && efidp_subtype(node) == EFIDP_MEDIA_HD &&
            efidp_node_size(node) >= static_cast<ssize_t>(sizeof(efidp_hd))) {
            efidp_hd hd;
            std::memcpy(&hd, node, sizeof hd);
            entry.partition = hd.partition_number;
            if (hd.signature_type == EFIDP_HD_SIGNATURE_GUID) {
                char* text = nullptr;
                efi_guid_t guid;
                std::memcpy(&guid, hd.signature, sizeof guid);
                if (efi_guid_to_str(&guid, &text) >= 0 && text != nullptr) {
                    entry.partUuid = text;
                }
                std::free(text);
            } else if (hd.signature_type == EFIDP_HD_SIGNATURE_MBR) {
                std::uint32_t id = 0;
                std::memcpy(&id, hd.signature, sizeof id);
                char text[16];
                std::snprintf(text, sizeof text, "%08x-%02x", id, hd.partition_number & 0xff);
                entry.partUuid = text;
            }
        } else if (efidp_type(node) == EFIDP_MEDIA_TYPE &&
                   efidp_subtype(node) == EFIDP_MEDIA_FILE) {
            const ssize_t bytes = efidp_node_size(node) - 4;
            const std::uint8_t* name = reinterpret_cast<const std::uint8_t*>(node) + 4;
            for (ssize_t i = 0; i + 1 < bytes; i += 2) {
                const unsigned c = name[i] | (name[i + 1] << 8);
                if (c == 0) {
                    break;
                }
                if (c < 0x80) {
                    entry.loader += static_cast<char>(c);
                } else if (c < 0x800) {
                    entry.loader += static_cast<char>(0xc0 | (c >> 6));
                    entry.loader += static_cast<char>(0x80 | (c & 0x3f));
                } else {
                    entry.loader += static_cast<char>(0xe0 | (c >> 12));
                    entry.loader += static_cast<char>(0x80 | ((c >> 6) & 0x3f));
                    entry.loader += static_cast<char>(0x80 | (c & 0x3f));
                }
            }
        }
        const_efidp next = nullptr;
        if (efidp_next_node(node, &next) <= 0) {
            break;
        }
        node = next;
    }
}

// An EFI variable of the global vendor from the efivarfs folder: its attributes (4 bytes), then
// its data.
bool ReadVariable(const std::string& efivars, const std::string& name,
                  std::vector<std::uint8_t>& data) {
    std::string bytes;
    if (!BlockDevices::ReadFile(efivars + '/' + name + kEfiGlobalSuffix, bytes, 1u << 20) ||
        bytes.size() < 4) {
        return false;
    }
    data.assign(bytes.begin() + 4, bytes.end());
    return true;
}

std::string BootNumber(unsigned number) {
    char text[8];
    std::snprintf(text, sizeof text, "%04X", number & 0xffff);
    return text;
}

// The value of `name` in debconf's database, whose stanzas are "Name: ..." then "Value: ...".
std::string DebconfValue(const std::string& bytes, const std::string& name) {
    const std::size_t stanza = bytes.find("Name: " + name + "\n");
    if (stanza == std::string::npos) {
        return {};
    }
    const std::size_t end = bytes.find("\n\n", stanza);
    const std::size_t value = bytes.find("\nValue: ", stanza);
    if (value == std::string::npos || (end != std::string::npos && value > end)) {
        return {};
    }
    const std::size_t start = value + 8;
    return bytes.substr(start, bytes.find('\n', start) - start);
}

// The volume group's name and its physical volumes' ids, from LVM's own text metadata.
bool ParseVolumeGroup(const std::string& text, RecordedVolumeGroup& group) {
    int depth = 0;
    bool inPhysical = false;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) {
            end = text.size();
        }
        std::string line = text.substr(start, end - start);
        start = end + 1;
        const std::size_t comment = line.find('#');
        if (comment != std::string::npos) {
            line.erase(comment);
        }
        const std::size_t first = line.find_first_not_of(" \t");
        if (first == std::string::npos) {
            continue;
        }
        line = line.substr(first);
        while (!line.empty() && (line.back() == ' ' || line.back() == '\t')) {
            line.pop_back();
        }
        if (!line.empty() && line.back() == '{') {
            const std::string section = line.substr(0, line.find_first_of(" \t{"));
            if (depth == 0 && group.name.empty()) {
                group.name = section;
            } else if (depth == 1) {
                inPhysical = section == "physical_volumes";
            }
            ++depth;
        } else if (line == "}") {
            --depth;
        } else if (depth == 3 && inPhysical && StartsWith(line, "id = \"")) {
            const std::size_t close = line.find('"', 6);
            if (close != std::string::npos) {
                group.pvIds.push_back(line.substr(6, close - 6));
            }
        }
    }
    return !group.name.empty();
}

std::string Now() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    ::localtime_r(&now, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
    return text;
}

}  // namespace

DiskRecord DiskRecorder::Record(std::map<std::string, std::string>& files) const {
    DiskRecord record;
    record.date = Now();
    const std::string dmi = roots_.sys + "/class/dmi/id/";
    record.systemUuid = ReadLine(dmi + "product_uuid");
    if (record.systemUuid.empty() && Exists(dmi + "product_uuid")) {
        AddGap(record, "pas root : l'UUID système (DMI) n'est pas lu");
    }
    record.product = ReadLine(dmi + "product_name");
    record.host = ReadLine(roots_.File("/etc/hostname"));
    RecordDisks(record, files);
    RecordRaid(record);
    RecordVolumeGroups(record, files);
    RecordBoot(record);
    return record;
}

void DiskRecorder::RecordDisks(DiskRecord& record,
                               std::map<std::string, std::string>& files) const {
    crypt_set_log_callback(nullptr, SilentLog, nullptr);
    // Reading never needs the lock, and /run may be read-only where the backup runs.
    crypt_metadata_locking(nullptr, 0);
    const std::map<std::string, MountedFileSystem> mounts = BlockDevices::Mounts(roots_);
    for (const BlockDevice& device : BlockDevices::List(roots_)) {
        // An empty drive or a loop device with nothing attached.
        if (device.bytes == 0) {
            continue;
        }
        if (BlockDevices::IsVirtual(device.name)) {
            // Arrays and mapped volumes: their file systems are the machine's too.
            if (StartsWith(device.name, "md") || StartsWith(device.name, "dm-")) {
                RecordFileSystem(roots_, device.name, device.devNumber, mounts, record);
            }
            continue;
        }
        RecordedDisk disk;
        disk.name = device.name;
        disk.file = "disque-" + device.name;
        disk.sectorSize = device.logicalSector;
        disk.physicalSectorSize = device.physicalSector;
        disk.sectors = device.bytes / device.logicalSector;
        disk.model = device.model;
        disk.serial = device.serial;
        disk.wwn = device.wwn;
        disk.byId = device.byId;
        std::string script;
        std::string sectors;
        const std::string path = roots_.dev + '/' + device.name;
        if (!ReadTable(path, disk, script, sectors)) {
            const int error = errno;
            if (error != ENOENT && error != ENXIO && error != ENOMEDIUM) {
                AddGap(record, NotRead(error, "les tables de partitions ne sont pas lues",
                                       "la table de partitions de " + device.name +
                                           " n'a pas pu être lue"));
            }
        }
        bool mounted = mounts.count(device.devNumber) != 0;
        for (const BlockPartition& partition : device.partitions) {
            mounted = mounted || mounts.count(partition.devNumber) != 0;
        }
        // A loop device stands for a disk only with a table: the read-only images some desktops
        // mount on loop devices are no disk of the machine.
        if (disk.table.empty() && (!mounted || StartsWith(device.name, "loop"))) {
            continue;
        }
        if (!disk.table.empty()) {
            files[disk.file + ".sfdisk"] = script;
            files[disk.file + ".secteurs"] = sectors;
        }
        // The partitions the kernel knows, by their kernel names; a table it has not read yet
        // gives its own names.
        std::vector<std::pair<std::string, std::string>> names;
        for (const BlockPartition& partition : device.partitions) {
            names.emplace_back(partition.name, partition.devNumber);
            for (RecordedPartition& recorded : disk.partitions) {
                if (recorded.number == partition.number) {
                    recorded.name = partition.name;
                }
            }
        }
        if (names.empty() && disk.table.empty()) {
            names.emplace_back(device.name, device.devNumber);
        }
        record.disks.push_back(std::move(disk));
        for (const auto& name : names) {
            RecordFileSystem(roots_, name.first, name.second, mounts, record);
        }
        // An MBR partition's id ("<disk id>-01") is its PARTUUID; libfdisk gives none.
        for (RecordedPartition& partition : record.disks.back().partitions) {
            const RecordedFileSystem* fs = record.FindFileSystem(partition.name);
            if (partition.uuid.empty() && fs != nullptr) {
                partition.uuid = fs->partUuid;
            }
        }
    }
}

void DiskRecorder::RecordRaid(DiskRecord& record) const {
    for (const std::string& name : BlockDevices::Names(roots_.sys + "/block")) {
        const std::string md = roots_.sys + "/block/" + name + "/md/";
        if (!StartsWith(name, "md") || !Exists(md)) {
            continue;
        }
        RecordedRaid raid;
        raid.name = name;
        raid.level = ReadLine(md + "level");
        raid.metadata = ReadLine(md + "metadata_version");
        const std::string digits = RecordText::IdDigits(ReadLine(md + "uuid"));
        for (std::size_t i = 0; digits.size() == 32 && i < 32; i += 8) {
            raid.uuid += (i == 0 ? "" : ":") + digits.substr(i, 8);
        }
        raid.members = BlockDevices::Names(roots_.sys + "/block/" + name + "/slaves");
        record.raids.push_back(raid);
    }
}

void DiskRecorder::RecordVolumeGroups(DiskRecord& record,
                                      std::map<std::string, std::string>& files) const {
    const std::string folder = roots_.File("/etc/lvm/backup");
    if (Exists(folder) && ::access(folder.c_str(), R_OK | X_OK) != 0) {
        AddGap(record, "pas root : les groupes de volumes LVM ne sont pas lus");
        return;
    }
    int count = 0;
    for (const std::string& name : BlockDevices::Names(folder)) {
        std::string text;
        RecordedVolumeGroup group;
        if (!BlockDevices::ReadFile(folder + '/' + name, text, kMaxMetadata) ||
            !ParseVolumeGroup(text, group)) {
            AddGap(record, "le groupe de volumes LVM " + name + " n'a pas pu être lu");
            continue;
        }
        group.file = "lvm-" + std::to_string(++count) + ".txt";
        files[group.file] = text;
        record.volumeGroups.push_back(group);
    }
}

void DiskRecorder::RecordBoot(DiskRecord& record) const {
    BootChain& boot = record.boot;
    const std::string efivars = roots_.Efivars();
    boot.firmware = Exists(roots_.sys + "/firmware/efi") || Exists(efivars) ? "efi" : "bios";
    if (boot.firmware == "efi") {
        std::vector<std::uint8_t> data;
        if (ReadVariable(efivars, "BootCurrent", data) && data.size() >= 2) {
            boot.current = BootNumber(data[0] | (data[1] << 8));
        }
        if (ReadVariable(efivars, "BootOrder", data)) {
            for (std::size_t i = 0; i + 1 < data.size(); i += 2) {
                boot.order.push_back(BootNumber(data[i] | (data[i + 1] << 8)));
            }
        }
        for (const std::string& file : BlockDevices::Names(efivars)) {
            if (file.size() != 8 + sizeof kEfiGlobalSuffix - 1 || !StartsWith(file, "Boot") ||
                file.compare(8, std::string::npos, kEfiGlobalSuffix) != 0 ||
                file.find_first_not_of("0123456789ABCDEF", 4) != 8) {
                continue;
            }
            const std::string variable = file.substr(0, 8);
            if (!ReadVariable(efivars, variable, data)) {
                AddGap(record, NotRead(errno, "les entrées EFI ne sont pas lues",
                                       "l'entrée EFI " + variable + " n'a pas pu être lue"));
                continue;
            }
            RecordedBootEntry entry;
            entry.number = variable.substr(4);
            entry.data = RecordText::Hex(std::string(data.begin(), data.end()));
            efi_load_option* option = reinterpret_cast<efi_load_option*>(data.data());
            if (efi_loadopt_is_valid(option, data.size())) {
                if (const unsigned char* label =
                        efi_loadopt_desc(option, static_cast<ssize_t>(data.size()))) {
                    entry.label = reinterpret_cast<const char*>(label);
                }
                ReadDevicePath(option, data.size(), entry);
            }
            boot.entries.push_back(entry);
        }
        // The loader's folder on the EFI system partition is the boot loader's id.
        for (const RecordedBootEntry& entry : boot.entries) {
            const std::string prefix = "\\EFI\\";
            if (entry.number == boot.current && StartsWith(entry.loader, prefix)) {
                const std::size_t end = entry.loader.find('\\', prefix.size());
                boot.efiId = entry.loader.substr(prefix.size(), end == std::string::npos
                                                                    ? std::string::npos
                                                                    : end - prefix.size());
            }
        }
    }
    std::string debconf;
    if (BlockDevices::ReadFile(roots_.File("/var/cache/debconf/config.dat"), debconf, 16u << 20)) {
        boot.grubPcDevices = DebconfValue(debconf, "grub-pc/install_devices");
    }
    boot.kernel = ReadLine(roots_.proc + "/sys/kernel/osrelease");
    boot.commandLine = ReadLine(roots_.proc + "/cmdline");
    for (const std::string& name : BlockDevices::Names(roots_.File("/boot"))) {
        if (StartsWith(name, "vmlinuz-") || StartsWith(name, "initrd.img-") ||
            StartsWith(name, "initramfs-")) {
            boot.images.push_back(name);
        }
    }
}
