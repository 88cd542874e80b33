#pragma once

#include <string>

// Where the disk readers find the system they describe. The machine's own by default; tests
// stage RAID, LVM and EFI states that this machine cannot make under folders of their own.
// How efivarfs names a variable of the EFI global vendor: "Boot0001" + this.
inline constexpr char kEfiGlobalSuffix[] = "-8be4df61-93ca-11d2-aa0d-00e098032b8c";

struct SystemRoots {
    std::string sys = "/sys";
    std::string dev = "/dev";
    std::string proc = "/proc";
    // Put before /etc, /boot and /var/cache: empty for the machine's own.
    std::string files;
    // The EFI variables; empty for <sys>/firmware/efi/efivars.
    std::string efivars;

    std::string Efivars() const {
        return efivars.empty() ? sys + "/firmware/efi/efivars" : efivars;
    }
    std::string File(const std::string& absolute) const { return files + absolute; }
};
