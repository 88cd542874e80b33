#include "boot/BootSurvey.h"

#include <fcntl.h>
#include <linux/openat2.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <vector>

#include "disks/BlockDevices.h"
#include "disks/BlockProbe.h"
#include "disks/DiskMatch.h"
#include "disks/RepairCommands.h"
#include "shared/FileDescriptor.h"

namespace {

const char* const kToolFolders[] = {"usr/local/sbin", "usr/local/bin", "usr/sbin",
                                    "usr/bin",        "sbin",          "bin"};
const char* const kTools[] = {"grub-install",     "update-grub", "grub-mkconfig",
                              "update-initramfs", "dracut",      "efibootmgr"};

// The kernel name of a block device by its number, from sysfs: "loop0p2".
std::string NameOf(dev_t device, const SystemRoots& roots) {
    const std::string link = roots.sys + "/dev/block/" + std::to_string(major(device)) + ":" +
                             std::to_string(minor(device));
    std::vector<char> target(4096);
    const ssize_t length = ::readlink(link.c_str(), target.data(), target.size() - 1);
    if (length <= 0) {
        return {};
    }
    const std::string path(target.data(), static_cast<std::size_t>(length));
    return path.substr(path.rfind('/') + 1);
}

bool IsEsp(const std::string& type) {
    return type == kEspType || type == kEspMbrType || type == "0xef";
}

// The disks of this machine, each with its table and what its partitions hold.
std::vector<PresentDisk> Disks(const SystemRoots& roots) {
    std::vector<PresentDisk> machine;
    for (const BlockDevice& device : BlockDevices::List(roots)) {
        if (BlockDevices::IsVirtual(device.name)) {
            continue;
        }
        machine.push_back(PresentDisk::Read(device, roots.dev));
    }
    return machine;
}

// The EFI system partition of `disk`: the recorded one by its file system's UUID, else the
// partition of its recorded number when it holds a FAT, else the first of its type.
std::string FindEsp(const DiskRecord& record, const PresentDisk& disk, const std::string& dev) {
    std::string uuid;
    int number = 0;
    for (const RecordedFileSystem& fs : record.fileSystems) {
        const RecordedPartition* partition = record.FindPartition(fs.device);
        if (fs.mountPoint == "/boot/efi" || fs.mountPoint == "/efi" ||
            (partition != nullptr && IsEsp(partition->type))) {
            uuid = fs.uuid;
            number = partition == nullptr ? 0 : partition->number;
            break;
        }
    }
    for (const auto& [name, probe] : disk.partitions) {
        if (!uuid.empty() && probe.uuid == uuid && probe.type == "vfat") {
            return dev + '/' + name;
        }
    }
    if (number != 0) {
        const std::string device =
            RepairCommands::PartitionDevice(dev + '/' + disk.device.name, number);
        for (const auto& [name, probe] : disk.partitions) {
            if (dev + '/' + name == device && probe.type == "vfat") {
                return device;
            }
        }
    }
    for (const ProbedPartition& partition : disk.probe.partitions) {
        if (IsEsp(partition.type)) {
            return RepairCommands::PartitionDevice(dev + '/' + disk.device.name, partition.number);
        }
    }
    return {};
}

}  // namespace

namespace BootSurvey {

std::string FindTool(int rootFd, const std::string& name) {
    for (const char* folder : kToolFolders) {
        const std::string path = std::string(folder) + "/" + name;
        open_how how{};
        how.flags = O_PATH | O_CLOEXEC;
        // Absolute links inside the root lead where they lead from inside it.
        how.resolve = RESOLVE_IN_ROOT | RESOLVE_NO_MAGICLINKS;
        const FileDescriptor tool(
            static_cast<int>(::syscall(SYS_openat2, rootFd, path.c_str(), &how, sizeof how)));
        struct stat st {};
        if (tool && ::fstat(tool.Get(), &st) == 0 && S_ISREG(st.st_mode) &&
            (st.st_mode & 0111) != 0) {
            return "/" + path;
        }
    }
    return {};
}

BootFacts Read(const DiskRecord& record, const std::string& root, const std::string& disk,
               const SystemRoots& roots) {
    BootFacts facts;
    facts.root = root;
    struct stat here {};
    struct stat parent {};
    // Only a file system mounted at the root itself is the restored system.
    if (::stat(root.c_str(), &here) == 0 && ::stat((root + "/..").c_str(), &parent) == 0 &&
        (here.st_dev != parent.st_dev || here.st_ino == parent.st_ino)) {
        const std::string name = NameOf(here.st_dev, roots);
        if (!name.empty()) {
            facts.rootUuid = BlockProbe::Read(roots.dev + '/' + name, false).uuid;
        }
    }
    std::vector<PresentDisk> machine = Disks(roots);
    const PresentDisk* target = nullptr;
    if (!disk.empty()) {
        facts.diskGiven = true;
        facts.disk = disk;
        facts.diskHow = "donné par --disque";
        const std::string name = disk.substr(disk.rfind('/') + 1);
        for (const PresentDisk& present : machine) {
            target = present.device.name == name ? &present : target;
        }
    } else {
        const RecordedDisk* recorded = BootPlan::BootDisk(record, facts.rootUuid);
        const DiskMatch match =
            recorded == nullptr ? DiskMatch{} : DiskMatch::Find(*recorded, machine);
        if (match.present != nullptr) {
            target = match.present;
            facts.disk = "/dev/" + match.present->device.name;
            facts.diskHow = match.how;
            facts.diskBySize = match.bySize;
        }
    }
    facts.diskFound = target != nullptr;
    if (target != nullptr) {
        for (const ProbedPartition& partition : target->probe.partitions) {
            facts.diskHasEsp = facts.diskHasEsp || IsEsp(partition.type);
            facts.diskHasBiosBoot = facts.diskHasBiosBoot || partition.type == kBiosBootType;
        }
        facts.espDevice = FindEsp(record, *target, roots.dev);
    }
    // Already mounted where the record has it, or at one of the usual places: grub-install is
    // then pointed there.
    const RecordedFileSystem* recordedEsp = BootPlan::RecordedEsp(record);
    struct stat esp {};
    for (const std::string& point :
         {recordedEsp != nullptr ? recordedEsp->mountPoint : std::string(),
          std::string("/boot/efi"), std::string("/efi")}) {
        struct stat mounted {};
        if (facts.espMountedAt.empty() && !point.empty() && !facts.espDevice.empty() &&
            ::stat(facts.espDevice.c_str(), &esp) == 0 &&
            ::stat((root + point).c_str(), &mounted) == 0 && mounted.st_dev == esp.st_rdev) {
            facts.espMountedAt = point;
        }
    }
    struct stat efi {};
    facts.efiVariables = ::stat((roots.sys + "/firmware/efi").c_str(), &efi) == 0;
    const FileDescriptor inside(::open(root.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    const FileDescriptor rescue(::open("/", O_PATH | O_DIRECTORY | O_CLOEXEC));
    for (const char* tool : kTools) {
        const std::string own = inside ? FindTool(inside.Get(), tool) : std::string();
        const std::string theirs = rescue ? FindTool(rescue.Get(), tool) : std::string();
        if (!own.empty()) {
            facts.rootTools[tool] = own;
        }
        if (!theirs.empty()) {
            facts.rescueTools[tool] = theirs;
        }
    }
    return facts;
}

}  // namespace BootSurvey
