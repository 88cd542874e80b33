#include "disks/BlockDevices.h"

#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>

#include "disks/RecordText.h"
#include "disks/SystemRoots.h"
#include "shared/FileDescriptor.h"

namespace BlockDevices {

namespace {

bool StartsWith(const std::string& text, const char* prefix) {
    return text.compare(0, std::char_traits<char>::length(prefix), prefix) == 0;
}

std::string Trimmed(std::string text) {
    while (!text.empty() && (text.back() == ' ' || text.back() == '\n' || text.back() == '\t' ||
                             text.back() == '\0')) {
        text.pop_back();
    }
    std::size_t start = 0;
    while (start < text.size() && text[start] == ' ') {
        ++start;
    }
    return text.substr(start);
}

unsigned ReadUnsigned(const std::string& path, unsigned fallback) {
    const std::string text = ReadLine(path);
    char* end = nullptr;
    const unsigned long value = std::strtoul(text.c_str(), &end, 10);
    return text.empty() || *end != '\0' || value == 0 || value > 65536
               ? fallback
               : static_cast<unsigned>(value);
}

// The serial number of a SCSI disk: its unit serial number page, after a 4-byte header.
std::string SerialOfPage(const std::string& path) {
    std::string page;
    if (!ReadFile(path, page, 4096) || page.size() <= 4) {
        return {};
    }
    std::string serial;
    for (std::size_t i = 4; i < page.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(page[i]);
        if (c >= 0x20 && c < 0x7f) {
            serial += static_cast<char>(c);
        }
    }
    return Trimmed(serial);
}

// "\040" in a mount point is a blank.
std::string Unoctal(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 3 < text.size()) {
            const std::string digits = text.substr(i + 1, 3);
            if (digits.find_first_not_of("01234567") == std::string::npos) {
                out += static_cast<char>(std::strtol(digits.c_str(), nullptr, 8));
                i += 3;
                continue;
            }
        }
        out += text[i];
    }
    return out;
}

}  // namespace

bool ReadFile(const std::string& path, std::string& bytes, std::size_t limit) {
    bytes.clear();
    const FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    if (!file) {
        return false;
    }
    char buffer[8192];
    for (;;) {
        const long n = file.Read(buffer, sizeof buffer);
        if (n < 0) {
            return false;
        }
        if (n == 0) {
            return true;
        }
        bytes.append(buffer, static_cast<std::size_t>(n));
        if (bytes.size() > limit) {
            return false;
        }
    }
}

std::string ReadLine(const std::string& path) {
    std::string bytes;
    if (!ReadFile(path, bytes, 65536)) {
        return {};
    }
    return Trimmed(bytes.substr(0, bytes.find('\n')));
}

std::vector<std::string> Names(const std::string& folder) {
    std::vector<std::string> names;
    DIR* const listing = ::opendir(folder.c_str());
    if (listing == nullptr) {
        return names;
    }
    while (const dirent* entry = ::readdir(listing)) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..") {
            names.push_back(name);
        }
    }
    ::closedir(listing);
    std::sort(names.begin(), names.end());
    return names;
}

bool IsVirtual(const std::string& name) {
    return StartsWith(name, "zram") || StartsWith(name, "ram") || StartsWith(name, "md") ||
           StartsWith(name, "dm-") || StartsWith(name, "sr") || StartsWith(name, "nbd");
}

std::vector<BlockDevice> List(const SystemRoots& roots) {
    // The by-id names of each device, from the links udev made.
    std::map<std::string, std::vector<std::string>> idsOf;
    const std::string byIdFolder = roots.dev + "/disk/by-id";
    for (const std::string& id : Names(byIdFolder)) {
        char target[PATH_MAX];
        const ssize_t n = ::readlink((byIdFolder + '/' + id).c_str(), target, sizeof target - 1);
        if (n > 0) {
            const std::string text(target, static_cast<std::size_t>(n));
            idsOf[text.substr(text.rfind('/') + 1)].push_back(id);
        }
    }
    std::vector<BlockDevice> devices;
    for (const std::string& name : Names(roots.sys + "/block")) {
        const std::string base = roots.sys + "/block/" + name;
        BlockDevice device;
        device.name = name;
        device.devNumber = ReadLine(base + "/dev");
        device.bytes = std::strtoull(ReadLine(base + "/size").c_str(), nullptr, 10) * 512;
        device.logicalSector = ReadUnsigned(base + "/queue/logical_block_size", 512);
        device.physicalSector = ReadUnsigned(base + "/queue/physical_block_size", 512);
        device.model = ReadLine(base + "/device/model");
        device.serial = ReadLine(base + "/serial");
        if (device.serial.empty()) {
            device.serial = ReadLine(base + "/device/serial");
        }
        if (device.serial.empty()) {
            device.serial = SerialOfPage(base + "/device/vpd_pg80");
        }
        device.wwn = ReadLine(base + "/wwid");
        if (device.wwn.empty()) {
            device.wwn = ReadLine(base + "/device/wwid");
        }
        device.byId = idsOf[name];
        for (const std::string& id : device.byId) {
            if (device.wwn.empty() && StartsWith(id, "wwn-")) {
                device.wwn = id.substr(4);
            }
        }
        for (const std::string& entry : Names(base)) {
            const std::string number = ReadLine(base + '/' + entry + "/partition");
            if (!number.empty()) {
                BlockPartition partition;
                partition.name = entry;
                partition.number = std::atoi(number.c_str());
                partition.devNumber = ReadLine(base + '/' + entry + "/dev");
                device.partitions.push_back(partition);
            }
        }
        std::sort(
            device.partitions.begin(), device.partitions.end(),
            [](const BlockPartition& a, const BlockPartition& b) { return a.number < b.number; });
        devices.push_back(std::move(device));
    }
    return devices;
}

std::map<std::string, MountedFileSystem> Mounts(const SystemRoots& roots) {
    std::map<std::string, MountedFileSystem> mounts;
    std::string bytes;
    if (!ReadFile(roots.proc + "/self/mountinfo", bytes, 16u << 20)) {
        return mounts;
    }
    std::size_t start = 0;
    while (start < bytes.size()) {
        std::size_t end = bytes.find('\n', start);
        if (end == std::string::npos) {
            end = bytes.size();
        }
        const std::string line = bytes.substr(start, end - start);
        start = end + 1;
        // id parent major:minor root mount-point options ...
        std::vector<std::string> fields;
        std::size_t at = 0;
        while (fields.size() < 6 && at <= line.size()) {
            std::size_t blank = line.find(' ', at);
            if (blank == std::string::npos) {
                blank = line.size();
            }
            fields.push_back(line.substr(at, blank - at));
            at = blank + 1;
        }
        if (fields.size() == 6 && mounts.count(fields[2]) == 0) {
            mounts[fields[2]] = MountedFileSystem{Unoctal(fields[4]), fields[5]};
        }
    }
    return mounts;
}

std::map<std::string, std::string> BootVariables(const std::string& efivars) {
    std::map<std::string, std::string> entries;
    for (const std::string& name : Names(efivars)) {
        std::string bytes;
        if (name.size() == 8 + sizeof kEfiGlobalSuffix - 1 && name.compare(0, 4, "Boot") == 0 &&
            name.compare(8, std::string::npos, kEfiGlobalSuffix) == 0 &&
            name.find_first_not_of("0123456789ABCDEFabcdef", 4) == 8 &&
            ReadFile(efivars + "/" + name, bytes, 65536) && bytes.size() > 4) {
            std::string number = name.substr(4, 4);
            for (char& c : number) {
                c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
            }
            entries[number] = RecordText::Hex(bytes.substr(4));
        }
    }
    return entries;
}

}  // namespace BlockDevices
