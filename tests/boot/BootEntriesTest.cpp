// The recorded EFI boot order as the firmware's numbers now: after grub-install or efibootmgr
// --create an entry comes back under a number of its own, and the order must name it so.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "ShellOutput.h"
#include "boot/BootEntries.h"
#include "disks/RecordText.h"

namespace {

std::string Node(int type, int subtype, const std::string& data) {
    const std::size_t length = data.size() + 4;
    return std::string{static_cast<char>(type), static_cast<char>(subtype),
                       static_cast<char>(length & 0xff), static_cast<char>(length >> 8)} +
           data;
}

// A load option as efibootmgr writes it: a hard-drive node (`disk`), the loader, the end.
std::string Option(const std::string& label, const std::string& loader, const std::string& disk) {
    const std::string path = Node(4, 1, disk) + Node(4, 4, Ucs2(loader)) + Node(0x7f, 0xff, "");
    const std::size_t length = path.size();
    return RecordText::Hex(
        std::string{1, 0, 0, 0, static_cast<char>(length & 0xff), static_cast<char>(length >> 8)} +
        Ucs2(label) + path);
}

RecordedBootEntry Entry(const std::string& number, const std::string& label,
                        const std::string& loader) {
    RecordedBootEntry entry;
    entry.number = number;
    entry.label = label;
    entry.loader = loader;
    entry.data = Option(label, loader, "recorded");
    return entry;
}

struct Row {
    const char* what;
    std::map<std::string, std::string> present;
    std::string order;  // the recorded order 0001,0000,0002 now
};

void PrintTo(const Row& row, std::ostream* out) {
    *out << row.what;
}

class BootEntriesRows : public ::testing::TestWithParam<Row> {};

TEST_P(BootEntriesRows, OrderNow) {
    BootChain boot;
    boot.entries = {Entry("0001", "debian", "\\EFI\\debian\\shimx64.efi"),
                    Entry("0000", "Windows", "\\EFI\\Microsoft\\Boot\\bootmgfw.efi")};
    boot.order = {"0001", "0000", "0002"};
    EXPECT_EQ(BootEntries::OrderNow(boot, GetParam().present), GetParam().order);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, BootEntriesRows,
    ::testing::Values(
        Row{"every entry as recorded",
            {{"0001", Option("debian", "\\EFI\\debian\\shimx64.efi", "recorded")},
             {"0000", Option("Windows", "\\EFI\\Microsoft\\Boot\\bootmgfw.efi", "recorded")},
             {"0002", Option("PXE", "", "net")}},
            "0001,0000,0002"},
        Row{"put back under another number, its device path worded otherwise",
            {{"0004", Option("debian", "\\efi\\DEBIAN\\shimx64.efi", "elsewhere")},
             {"0000", Option("Windows", "\\EFI\\Microsoft\\Boot\\bootmgfw.efi", "recorded")}},
            "0004,0000"},
        Row{"the same label for another loader is not the entry",
            {{"0003", Option("debian", "\\EFI\\debian\\grubx64.efi", "recorded")}},
            ""},
        Row{"a recorded entry whose number another entry took now",
            {{"0001", Option("ubuntu", "\\EFI\\ubuntu\\shimx64.efi", "recorded")},
             {"0005", Option("debian", "\\EFI\\debian\\shimx64.efi", "recorded")}},
            "0005"},
        Row{"no variables at all", {}, ""}));

}  // namespace
