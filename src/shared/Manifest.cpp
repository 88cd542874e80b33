#include "shared/Manifest.h"

#include <algorithm>
#include <cstdio>
#include <limits>
#include <utility>

#include "shared/BackupNames.h"

const char Manifest::kRightsHeader[] = "mode\tpropriétaire\tgroupe\tuid\tgid\ttaille\tchemin";

namespace {

constexpr std::size_t kHashDigits = 32;
constexpr std::size_t kPrefix = sizeof BackupNames::kCopyPrefix - 1;
// Where the name starts in a line of Kestrix.xxh128.
constexpr std::size_t kHashName = kHashDigits + 2 + kPrefix;

// The name of "Kestrix/<name>", or empty when the path names no copy.
std::string_view CopyName(std::string_view path) {
    if (path.substr(0, kPrefix) != BackupNames::kCopyPrefix) {
        return {};
    }
    const std::string_view name = path.substr(kPrefix);
    if (name.size() > Manifest::kMaxName || name == "." || name == ".." ||
        name.find_first_of(std::string_view("/\0", 2)) != std::string_view::npos) {
        return {};
    }
    return name;
}

bool IsHash(std::string_view text) {
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
bool Number(std::string_view text, unsigned base, std::uint64_t limit, std::uint64_t& value) {
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

// Calls `read` with each line of at most Manifest::kMaxLine bytes, where it starts and its
// number; empty lines are passed over, and longer lines are counted bad.
template <typename Read>
void EachLine(std::string_view bytes, Manifest::BadLines& bad, Read read) {
    int number = 0;
    for (std::size_t start = 0; start < bytes.size();) {
        std::size_t end = bytes.find('\n', start);
        if (end == std::string_view::npos) {
            end = bytes.size();
        }
        ++number;
        const bool fits = end - start <= Manifest::kMaxLine;
        if (end > start && !(fits && read(bytes.substr(start, end - start), start, number))) {
            if (bad.count++ == 0) {
                bad.first = number;
            }
        }
        start = end + 1;
    }
}

// Splits at the first `count` tabs; the last field keeps any further tab, as a name may.
bool SplitTabs(std::string_view line, std::size_t count, std::string_view* fields) {
    std::size_t start = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t tab = line.find('\t', start);
        if (tab == std::string_view::npos) {
            return false;
        }
        fields[i] = line.substr(start, tab - start);
        start = tab + 1;
    }
    fields[count] = line.substr(start);
    return true;
}

bool IsAccountName(std::string_view name) {
    return !name.empty() && name.size() <= Manifest::kMaxName;
}

// A line of Kestrix.xxh128: its copy's name, or empty when the line is bad.
std::string_view HashLineName(std::string_view line) {
    if (!IsHash(line.substr(0, kHashDigits)) || line.compare(kHashDigits, 2, "  ") != 0) {
        return {};
    }
    return CopyName(line.substr(std::min(line.size(), kHashDigits + 2)));
}

// A line of Kestrix.droits after the header into `entry`: its copy's name, or empty when the
// line is bad.
std::string_view ReadRights(std::string_view line, ManifestEntry& entry) {
    std::string_view fields[7];
    std::uint64_t mode = 0;
    std::uint64_t uid = 0;
    std::uint64_t gid = 0;
    std::uint64_t size = 0;
    // Ids of -1 mean "no change" to chown.
    const std::uint64_t maxId = std::numeric_limits<std::uint32_t>::max() - 1;
    if (!SplitTabs(line, 6, fields) || fields[0].size() != 4 ||
        !Number(fields[0], 8, 07777, mode) || !IsAccountName(fields[1]) ||
        !IsAccountName(fields[2]) || !Number(fields[3], 10, maxId, uid) ||
        !Number(fields[4], 10, maxId, gid) ||
        !Number(fields[5], 10, std::numeric_limits<std::int64_t>::max(), size)) {
        return {};
    }
    entry.hasRights = true;
    entry.mode = static_cast<mode_t>(mode);
    entry.owner = fields[1];
    entry.group = fields[2];
    entry.uid = static_cast<uid_t>(uid);
    entry.gid = static_cast<gid_t>(gid);
    entry.size = size;
    return CopyName(fields[6]);
}

// The name that starts at `start` in `bytes`: up to its line end.
std::string_view NameAt(std::string_view bytes, std::size_t start) {
    const std::size_t end = bytes.find('\n', start);
    return bytes.substr(start, end == std::string_view::npos ? end : end - start);
}

// The line around `position` in `bytes`.
std::string_view LineAt(std::string_view bytes, std::size_t position) {
    const std::size_t before = bytes.rfind('\n', position);
    const std::size_t start = before == std::string_view::npos ? 0 : before + 1;
    const std::size_t end = bytes.find('\n', position);
    return bytes.substr(start, end == std::string_view::npos ? end : end - start);
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

void Manifest::ParseHashes(std::string bytes) {
    hashes_ = std::move(bytes);
    hashBad_ = {};
    hashLines_ = 0;
    std::vector<std::uint32_t> names;
    EachLine(hashes_, hashBad_, [&](std::string_view line, std::size_t start, int) {
        if (HashLineName(line).empty()) {
            return false;
        }
        names.push_back(static_cast<std::uint32_t>(start + kHashName));
        ++hashLines_;
        return true;
    });
    Index(std::move(names), &Lines::hash);
}

void Manifest::ParseRights(std::string bytes) {
    rights_ = std::move(bytes);
    rightsBad_ = {};
    rightsBad_.badHeader = true;
    rightsLines_ = 0;
    std::vector<std::uint32_t> names;
    EachLine(rights_, rightsBad_, [&](std::string_view line, std::size_t start, int number) {
        if (number == 1) {
            // Columns in another order would give wrong owners: no line is read then.
            rightsBad_.badHeader = line != kRightsHeader;
            return !rightsBad_.badHeader;
        }
        ManifestEntry entry;
        const std::string_view name =
            rightsBad_.badHeader ? std::string_view() : ReadRights(line, entry);
        if (name.empty()) {
            return false;
        }
        names.push_back(static_cast<std::uint32_t>(start + (name.data() - line.data())));
        ++rightsLines_;
        return true;
    });
    Index(std::move(names), &Lines::rights);
}

void Manifest::Index(std::vector<std::uint32_t> names, std::uint32_t Lines::*field) {
    const std::string_view bytes = field == &Lines::hash ? hashes_ : rights_;
    const auto name = [bytes](std::uint32_t start) { return NameAt(bytes, start); };
    // Lines of one name in file order, so that the last one of each holds.
    std::sort(names.begin(), names.end(), [&](std::uint32_t a, std::uint32_t b) {
        const int order = name(a).compare(name(b));
        return order < 0 || (order == 0 && a < b);
    });
    std::size_t kept = 0;
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (i + 1 == names.size() || name(names[i]) != name(names[i + 1])) {
            names[kept++] = names[i];
        }
    }
    names.resize(kept);
    // Merged with the other file's names, which the index already holds in order.
    std::vector<Lines> index;
    std::size_t next = 0;
    for (Lines lines : index_) {
        lines.*field = kNone;
        if (lines.hash == kNone && lines.rights == kNone) {
            continue;
        }
        const std::string_view other = NameOf(lines);
        for (; next < names.size() && name(names[next]) < other; ++next) {
            index.emplace_back().*field = names[next];
        }
        if (next < names.size() && name(names[next]) == other) {
            lines.*field = names[next++];
        }
        index.push_back(lines);
    }
    for (; next < names.size(); ++next) {
        index.emplace_back().*field = names[next];
    }
    index_ = std::move(index);
}

std::string_view Manifest::NameOf(const Lines& lines) const {
    return lines.hash != kNone ? NameAt(hashes_, lines.hash) : NameAt(rights_, lines.rights);
}

std::string_view Manifest::Name(std::size_t i) const {
    return NameOf(index_[i]);
}

ManifestEntry Manifest::Entry(std::size_t i) const {
    const Lines& lines = index_[i];
    ManifestEntry entry;
    if (lines.hash != kNone) {
        entry.hasHash = true;
        entry.hash = hashes_.substr(lines.hash - kHashName, kHashDigits);
    }
    if (lines.rights != kNone) {
        ReadRights(LineAt(rights_, lines.rights), entry);
    }
    return entry;
}

std::size_t Manifest::IndexOf(std::string_view name) const {
    const auto found = std::lower_bound(
        index_.begin(), index_.end(), name,
        [this](const Lines& lines, std::string_view wanted) { return NameOf(lines) < wanted; });
    return found != index_.end() && NameOf(*found) == name
               ? static_cast<std::size_t>(found - index_.begin())
               : index_.size();
}

std::optional<ManifestEntry> Manifest::Find(std::string_view name) const {
    const std::size_t i = IndexOf(name);
    if (i == index_.size()) {
        return std::nullopt;
    }
    return Entry(i);
}
