#include "boot/BootEntries.h"

#include <cctype>
#include <cstdint>

namespace {

// Bytes from hexadecimal digits; what is not a digit ends them.
std::string FromHex(const std::string& hex) {
    const auto digit = [](char c) {
        return std::isdigit(static_cast<unsigned char>(c)) ? c - '0' : std::tolower(c) - 'a' + 10;
    };
    std::string bytes;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
        if (!std::isxdigit(static_cast<unsigned char>(hex[i])) ||
            !std::isxdigit(static_cast<unsigned char>(hex[i + 1]))) {
            break;
        }
        bytes += static_cast<char>(digit(hex[i]) << 4 | digit(hex[i + 1]));
    }
    return bytes;
}

unsigned Little16(const std::string& bytes, std::size_t at) {
    return static_cast<unsigned char>(bytes[at]) |
           static_cast<unsigned>(static_cast<unsigned char>(bytes[at + 1])) << 8;
}

// UCS-2 from `at` up to a NUL or `end`, ASCII folded to upper case (the firmware's paths are
// not case-sensitive); `at` moves past the NUL.
std::string Text16(const std::string& bytes, std::size_t& at, std::size_t end) {
    std::string text;
    for (; at + 1 < end; at += 2) {
        const unsigned c = Little16(bytes, at);
        if (c == 0) {
            at += 2;
            break;
        }
        text += c < 128 ? static_cast<char>(std::toupper(static_cast<int>(c))) : '?';
    }
    return text;
}

// A load option's label and the file its device path ends in; false when it is malformed.
bool LabelAndLoader(const std::string& option, std::string& label, std::string& loader) {
    if (option.size() < 6) {
        return false;
    }
    const std::size_t pathLength = Little16(option, 4);
    std::size_t at = 6;
    label = Text16(option, at, option.size());
    const std::size_t end = at + pathLength;
    if (end > option.size()) {
        return false;
    }
    loader.clear();
    while (at + 4 <= end) {
        const unsigned type = static_cast<unsigned char>(option[at]);
        const unsigned subtype = static_cast<unsigned char>(option[at + 1]);
        const std::size_t length = Little16(option, at + 2);
        if (length < 4 || at + length > end) {
            return false;
        }
        if (type == 4 && subtype == 4) {  // media, file path
            std::size_t text = at + 4;
            loader += Text16(option, text, at + length);
        }
        if (type == 0x7f) {
            break;
        }
        at += length;
    }
    return true;
}

std::string Upper(const std::string& text) {
    std::string upper;
    for (const char c : text) {
        upper += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return upper;
}

}  // namespace

namespace BootEntries {

std::string NumberNow(const RecordedBootEntry& entry,
                      const std::map<std::string, std::string>& present) {
    for (const auto& [number, data] : present) {
        if (data == entry.data) {
            return number;
        }
    }
    std::string label;
    std::string loader;
    if (!LabelAndLoader(FromHex(entry.data), label, loader)) {
        label = Upper(entry.label);
        loader = Upper(entry.loader);
    }
    for (const auto& [number, data] : present) {
        std::string otherLabel;
        std::string otherLoader;
        if (LabelAndLoader(FromHex(data), otherLabel, otherLoader) && otherLabel == label &&
            otherLoader == loader && !loader.empty()) {
            return number;
        }
    }
    return {};
}

std::string OrderNow(const BootChain& boot, const std::map<std::string, std::string>& present) {
    std::string order;
    for (const std::string& number : boot.order) {
        std::string now;
        bool described = false;
        for (const RecordedBootEntry& entry : boot.entries) {
            if (Upper(entry.number) == Upper(number)) {
                described = true;
                now = NumberNow(entry, present);
            }
        }
        // An entry the record does not describe keeps its number when it is still there.
        if (!described && present.count(Upper(number)) != 0) {
            now = Upper(number);
        }
        if (!now.empty() && ("," + order + ",").find("," + now + ",") == std::string::npos) {
            order += (order.empty() ? "" : ",") + now;
        }
    }
    return order;
}

}  // namespace BootEntries
