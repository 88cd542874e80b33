#pragma once

#include <map>
#include <string>

#include "disks/DiskRecord.h"

// The firmware's boot entries as efivarfs shows them, against the recorded ones: which recorded
// entry is there now, under which number, and the recorded order in today's numbers. `present`
// is what BlockDevices::BootVariables reads.
namespace BootEntries {

// The number of the variable that is `entry`: the same bytes, or the same label and loader
// (the firmware or grub-install may word the device path otherwise); empty when none is.
std::string NumberNow(const RecordedBootEntry& entry,
                      const std::map<std::string, std::string>& present);

// The recorded order with each recorded entry under its number now; numbers of entries that are
// no longer there are left out.
std::string OrderNow(const BootChain& boot, const std::map<std::string, std::string>& present);

}  // namespace BootEntries
