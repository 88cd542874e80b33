#include "shared/Manifest.h"

#include <cstdio>
#include <limits>

#include "shared/BackupNames.h"

const char Manifest::kRightsHeader[] = "mode\tpropriétaire\tgroupe\tuid\tgid\ttaille\tchemin";

namespace {

constexpr std::size_t kHashDigits = 32;

// The name of "Kestrix/<name>", or empty when the path names no copy.
std::string CopyName(const std::string& path) {
    const std::size_t prefix = sizeof BackupNames::kCopyPrefix - 1;
    if (path.compare(0, prefix, BackupNames::kCopyPrefix) != 0) {
        return {};
    }
    std::string name = path.substr(prefix);
    if (name.size() > Manifest::kMaxName || name == "." || name == ".." ||
        name.find_first_of(std::string("/\0", 2)) != std::string::npos) {
        return {};
    }
    return name;
}

bool IsHash(const std::string& text) {
    if (text.size() != kHashDigits) {
        return false;
    }
    for (const char c : text) {
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) {
            return false;
        }
    }
    return true;
}

// Digits only, at most `limit`.
bool Number(const std::string& text, unsigned base, std::uint64_t limit, std::uint64_t& value) {
    if (text.empty() || text.size() > 20) {
        return false;
    }
    value = 0;
    for (const char c : text) {
        const unsigned digit = static_cast<unsigned>(c - '0');
        if (c < '0' || digit >= base || value > (limit - digit) / base) {
            return false;
        }
        value = value * base + digit;
    }
    return true;
}

// Calls `read` with each line of at most Manifest::kMaxLine bytes and its number; empty lines
// are passed over, and longer lines are counted bad without being copied.
template <typename Read>
void EachLine(const std::string& bytes, Manifest::BadLines& bad, Read read) {
    int number = 0;
    for (std::size_t start = 0; start < bytes.size();) {
        std::size_t end = bytes.find('\n', start);
        if (end == std::string::npos) {
            end = bytes.size();
        }
        ++number;
        const bool fits = end - start <= Manifest::kMaxLine;
        if (end > start && !(fits && read(bytes.substr(start, end - start), number))) {
            if (bad.count++ == 0) {
                bad.first = number;
            }
        }
        start = end + 1;
    }
}

// Splits at the first `count` tabs; the last field keeps any further tab, as a name may.
bool SplitTabs(const std::string& line, std::size_t count, std::string* fields) {
    std::size_t start = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t tab = line.find('\t', start);
        if (tab == std::string::npos) {
            return false;
        }
        fields[i] = line.substr(start, tab - start);
        start = tab + 1;
    }
    fields[count] = line.substr(start);
    return true;
}

bool IsAccountName(const std::string& name) {
    return !name.empty() && name.size() <= Manifest::kMaxName;
}

// A name fit for a tab-separated line, or the number when there is none.
std::string NameOr(const std::string& name, unsigned number) {
    if (name.empty() || name.find_first_of("\t\n") != std::string::npos) {
        return std::to_string(number);
    }
    return name;
}

}  // namespace

std::string Manifest::HashLine(const std::string& name, const std::string& hash) {
    return hash + "  " + BackupNames::kCopyPrefix + name + '\n';
}

std::string Manifest::RightsLine(const std::string& name, const ManifestEntry& entry) {
    char mode[8];
    std::snprintf(mode, sizeof mode, "%04o", static_cast<unsigned>(entry.mode & 07777));
    return std::string(mode) + '\t' + NameOr(entry.owner, entry.uid) + '\t' +
           NameOr(entry.group, entry.gid) + '\t' + std::to_string(entry.uid) + '\t' +
           std::to_string(entry.gid) + '\t' + std::to_string(entry.size) + '\t' +
           BackupNames::kCopyPrefix + name + '\n';
}

void Manifest::ParseHashes(const std::string& bytes) {
    EachLine(bytes, hashBad_, [this](const std::string& line, int) {
        const std::string hash = line.substr(0, kHashDigits);
        const std::string name = CopyName(line.substr(std::min(line.size(), kHashDigits + 2)));
        if (!IsHash(hash) || line.compare(kHashDigits, 2, "  ") != 0 || name.empty()) {
            return false;
        }
        ManifestEntry& entry = entries_[name];
        entry.hasHash = true;
        ++hashLines_;
        entry.hash = hash;
        return true;
    });
}

void Manifest::ParseRights(const std::string& bytes) {
    rightsBad_.badHeader = true;
    EachLine(bytes, rightsBad_, [this](const std::string& line, int number) {
        if (number == 1) {
            // Columns in another order would give wrong owners: no line is read then.
            rightsBad_.badHeader = line != kRightsHeader;
            return !rightsBad_.badHeader;
        }
        std::string fields[7];
        std::uint64_t mode = 0;
        std::uint64_t uid = 0;
        std::uint64_t gid = 0;
        std::uint64_t size = 0;
        // Ids of -1 mean "no change" to chown.
        const std::uint64_t maxId = std::numeric_limits<std::uint32_t>::max() - 1;
        if (rightsBad_.badHeader || !SplitTabs(line, 6, fields) || fields[0].size() != 4 ||
            !Number(fields[0], 8, 07777, mode) || !IsAccountName(fields[1]) ||
            !IsAccountName(fields[2]) || !Number(fields[3], 10, maxId, uid) ||
            !Number(fields[4], 10, maxId, gid) ||
            !Number(fields[5], 10, std::numeric_limits<std::int64_t>::max(), size)) {
            return false;
        }
        const std::string name = CopyName(fields[6]);
        if (name.empty()) {
            return false;
        }
        ManifestEntry& entry = entries_[name];
        entry.hasRights = true;
        entry.mode = static_cast<mode_t>(mode);
        entry.owner = fields[1];
        entry.group = fields[2];
        entry.uid = static_cast<uid_t>(uid);
        entry.gid = static_cast<gid_t>(gid);
        entry.size = size;
        ++rightsLines_;
        return true;
    });
}

std::vector<std::string> Manifest::Names() const {
    std::vector<std::string> names;
    for (const auto& entry : entries_) {
        names.push_back(entry.first);
    }
    return names;
}

const ManifestEntry* Manifest::Find(const std::string& name) const {
    const auto found = entries_.find(name);
    return found == entries_.end() ? nullptr : &found->second;
}
