#pragma once

#include <map>
#include <string>
#include <vector>

#include "disks/DiskRecord.h"

// What the machine and the restored root show before anything is changed: the facts a boot
// repair is planned from, read by BootSurvey.
struct BootFacts {
    std::string root;      // the restored system's mount point, links resolved ("/mnt")
    std::string rootUuid;  // of the file system mounted there
    std::string disk;      // the target disk ("/dev/sda"); empty when none was found
    std::string diskHow;   // how it was found: "par son WWN", "donné par --disque"
    bool diskGiven = false;
    bool diskFound = false;   // the target is a disk of this machine (not a partition)
    bool diskBySize = false;  // found by its size alone: not an identity
    bool diskHasEsp = false;  // an EFI system partition on the target disk
    bool diskHasBiosBoot = false;
    std::string espDevice;      // the EFI system partition now ("/dev/sda1")
    std::string espMountedAt;   // where it is already mounted inside the root; empty when not
    bool efiVariables = false;  // this system started in EFI: the firmware's variables are here
    // Programs by name ("grub-install") and where they are: inside the root, and on this system.
    std::map<std::string, std::string> rootTools;
    std::map<std::string, std::string> rescueTools;
};

// A mount the repair makes under the root, undone at the end.
struct BootMount {
    enum class Kind { Bind, EfiVariables, EfiPartition };
    Kind kind = Kind::Bind;
    std::string source;  // "/dev", "efivarfs", "/dev/sda1"
    std::string target;  // inside the root: "/dev", "/boot/efi"
};

// A program the repair runs, by argument vector, inside the root (chroot) or on this system.
struct BootCommand {
    enum class Role {
        Loader,     // the boot loader onto the target: the repair fails without it
        Removable,  // the loader at the removable-media path as well
        Config,
        Initramfs,
        EfiEntry,   // run only when the entry is still missing
        BootOrder,  // its numbers are those the firmware has once the entries are back
    };
    Role role = Role::Loader;
    bool inRoot = false;
    std::vector<std::string> arguments;
    const RecordedBootEntry* entry = nullptr;  // for EfiEntry and BootOrder
};

// One step: a command, or what is not done and why (`skipped`, in French).
struct BootStep {
    BootCommand command;
    std::string skipped;
    bool loaderMissing = false;  // skipped for want of grub-install: the repair cannot succeed
};

struct BootPlan {
    std::string refusal;  // why nothing may be done, in French; empty when the plan stands
    bool efi = false;
    std::string firmwareWhy;  // "d'après l'enregistrement", "d'après le disque cible"
    std::string espPoint;     // where the EFI system partition goes inside the root
    std::vector<BootMount> mounts;
    std::vector<BootStep> steps;

    // What boots the system in the root, from the record and what this machine shows.
    static BootPlan Make(const DiskRecord& record, const BootFacts& facts);

    // The recorded file system of the EFI system partition: by its mount point, else by its
    // type; null when none is.
    static const RecordedFileSystem* RecordedEsp(const DiskRecord& record);
    // The recorded file system of UUID `uuid`, the one mounted at / first; null when none is.
    static const RecordedFileSystem* RecordedRoot(const DiskRecord& record,
                                                  const std::string& uuid);
    // The recorded disk the system of root `rootUuid` starts from: its root's, or for a root
    // that is no partition, that of its /boot or EFI system partition; null when none is.
    static const RecordedDisk* BootDisk(const DiskRecord& record, const std::string& rootUuid);
};

// The boot entries' partition type GUIDs, and the EFI system partition's MBR type.
inline constexpr char kEspType[] = "c12a7328-f81f-11d2-ba4b-00a0c93ec93b";
inline constexpr char kBiosBootType[] = "21686148-6449-6e6f-744e-656564454649";
inline constexpr char kEspMbrType[] = "ef";
