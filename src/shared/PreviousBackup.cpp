#include "shared/PreviousBackup.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <ctime>
#include <string_view>

#include "shared/BackupNames.h"
#include "shared/CommitIntent.h"
#include "shared/Manifest.h"

namespace {

constexpr std::size_t kMaxSize = 16u << 20;

// Digits only, of the given lengths, between single separators: "07/12/2026" gives 07 12 2026.
bool Fields(std::string_view text, const std::vector<std::size_t>& lengths,
            std::vector<std::string>& fields) {
    fields.clear();
    std::size_t at = 0;
    for (std::size_t i = 0; i < lengths.size(); ++i) {
        if (i > 0) {
            if (at >= text.size() || (text[at] >= '0' && text[at] <= '9')) {
                return false;
            }
            ++at;
        }
        const std::string_view field = text.substr(at, lengths[i]);
        if (field.size() != lengths[i] ||
            field.find_first_not_of("0123456789") != std::string_view::npos) {
            return false;
        }
        fields.emplace_back(field);
        at += lengths[i];
    }
    return at == text.size();
}

std::string ReadSmallFile(const FileDescriptor& folder, const char* name) {
    const FileDescriptor file(
        ::openat(folder.Get(), name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    struct stat st {};
    if (!file || ::fstat(file.Get(), &st) != 0 || !S_ISREG(st.st_mode) ||
        static_cast<std::size_t>(st.st_size) > kMaxSize) {
        return {};
    }
    std::string bytes;
    char buffer[65536];
    for (;;) {
        const long n = file.Read(buffer, sizeof buffer);
        if (n <= 0 || bytes.size() + static_cast<std::size_t>(n) > kMaxSize) {
            return n == 0 ? bytes : std::string();
        }
        bytes.append(buffer, static_cast<std::size_t>(n));
    }
}

// The last whole line of `text` (with its LF) that ends with `suffix`, or empty.
std::string LastLineEndingWith(const std::string& text, const std::string& suffix) {
    std::string found;
    for (std::size_t start = 0; start < text.size();) {
        const std::size_t end = text.find('\n', start);
        if (end == std::string::npos) {
            break;
        }
        const std::size_t length = end - start;
        if (length >= suffix.size() &&
            text.compare(end - suffix.size(), suffix.size(), suffix) == 0) {
            found = text.substr(start, length + 1);
        }
        start = end + 1;
    }
    return found;
}

}  // namespace

PreviousBackup PreviousBackup::Read(const FileDescriptor& folder) {
    PreviousBackup backup;
    backup.catalogue_ = Catalogue::Parse(ReadSmallFile(folder, BackupNames::kCatalogue));
    struct stat st {};
    if (::fstatat(folder.Get(), BackupNames::kCatalogue, &st, AT_SYMLINK_NOFOLLOW) == 0 &&
        S_ISREG(st.st_mode)) {
        backup.catalogueTime_ = st.st_mtime;
    }
    backup.hashes_ = ReadSmallFile(folder, BackupNames::kHashFile);
    backup.rights_ = ReadSmallFile(folder, BackupNames::kRightsFile);
    backup.copyMapDamaged_ =
        backup.copyMap_.Parse(ReadSmallFile(folder, BackupNames::kCopyMap)) != 0;
    return backup;
}

std::string PreviousBackup::CopyOf(const std::string& record, const std::string& name) const {
    const CopyMap::Entry* const entry = copyMap_.Find(record);
    return entry != nullptr ? entry->copy : name;
}

bool PreviousBackup::Find(const std::string& record, const std::string& name, Lines& lines) const {
    if (copyMapDamaged_) {
        return false;
    }
    bool recorded = false;
    catalogue_.ForEachRecord(
        [&](const CatalogueLine& line) { recorded = recorded || line.text == record; });
    if (!recorded) {
        return false;
    }
    const std::string path = std::string(BackupNames::kCopyPrefix) + name;
    lines.record = record;
    lines.hashLine = LastLineEndingWith(hashes_, "  " + path);
    lines.rightsLine = LastLineEndingWith(rights_, "\t" + path);
    return !lines.hashLine.empty() && !lines.rightsLine.empty();
}

std::vector<std::string> PreviousBackup::CopyNames() const {
    std::vector<std::string> names;
    Manifest manifest;
    manifest.ParseHashes(hashes_);
    manifest.ParseRights(rights_);
    for (std::size_t i = 0; i < manifest.Size(); ++i) {
        names.emplace_back(manifest.Name(i));
    }
    catalogue_.ForEachRecord([&](const CatalogueLine& line) {
        const std::size_t comma = line.text.find(',');
        if (comma != std::string_view::npos && line.text.find(',', comma + 1) == std::string_view::npos) {
            names.emplace_back(line.text.substr(0, comma));
        }
    });
    names.erase(std::remove_if(names.begin(), names.end(),
                               [](const std::string& name) { return !CommitIntent::IsPlainName(name); }),
                names.end());
    std::sort(names.begin(), names.end());
    names.erase(std::unique(names.begin(), names.end()), names.end());
    return names;
}

std::string PreviousBackup::EarlierName() const {
    std::vector<std::string> date;
    std::vector<std::string> time;
    if (catalogue_.GetStatus() == Catalogue::Status::Valid &&
        Fields(catalogue_.Date(), {2, 2, 4}, date) && Fields(catalogue_.Time(), {2, 2, 2}, time)) {
        return date[2] + "-" + date[1] + "-" + date[0] + "_" + time[0] + "-" + time[1] + "-" +
               time[2];
    }
    if (catalogueTime_ < 0) {
        return {};
    }
    const std::time_t when = static_cast<std::time_t>(catalogueTime_);
    struct tm local {};
    char name[32];
    if (::localtime_r(&when, &local) == nullptr ||
        std::strftime(name, sizeof name, "%Y-%m-%d_%H-%M-%S", &local) == 0) {
        return {};
    }
    return name;
}
