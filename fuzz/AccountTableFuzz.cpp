// etc/passwd and etc/group of a restore root on hostile bytes: parsing stays linear (run with
// -timeout) and within memory, and each name found has its number from a line of its own.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "FuzzCheck.h"
#include "restore/AccountTable.h"

namespace {

std::vector<std::string> Lines(const std::string& bytes) {
    std::vector<std::string> lines;
    for (std::size_t start = 0; start <= bytes.size();) {
        std::size_t end = bytes.find('\n', start);
        if (end == std::string::npos) {
            end = bytes.size();
        }
        lines.push_back(bytes.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

// The third ':' field of `line` as a decimal number, or -1.
long long ThirdField(const std::string& line) {
    const std::size_t first = line.find(':');
    const std::size_t second = first == std::string::npos ? first : line.find(':', first + 1);
    if (second == std::string::npos) {
        return -1;
    }
    const std::string field = line.substr(second + 1, line.find(':', second + 1) - second - 1);
    if (field.empty() || field.size() > 10 ||
        field.find_first_not_of("0123456789") != std::string::npos) {
        return -1;
    }
    return std::stoll(field);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const AccountTable table = AccountTable::Parse(bytes);
    const std::vector<std::string> lines = Lines(bytes);
    for (const std::string& line : lines) {
        const std::string name = line.substr(0, line.find(':'));
        unsigned id = 0;
        if (!table.Find(name, id)) {
            continue;
        }
        FuzzCheck(!name.empty() && name.size() <= AccountTable::kMaxName, "a bounded name");
        FuzzCheck(id != 0xFFFFFFFFu, "never chown's -1");
        bool fromItsLine = false;
        for (const std::string& other : lines) {
            fromItsLine = fromItsLine || (other.compare(0, name.size() + 1, name + ":") == 0 &&
                                          ThirdField(other) == static_cast<long long>(id));
        }
        FuzzCheck(fromItsLine, "the number comes from a line of that name");
    }
    return 0;
}
