#include "shared/PreviousBackup.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>

#include "shared/BackupNames.h"
#include "shared/CommitIntent.h"
#include "shared/Manifest.h"

namespace {

constexpr std::size_t kMaxSize = 16u << 20;

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
    backup.hashes_ = ReadSmallFile(folder, BackupNames::kHashFile);
    backup.rights_ = ReadSmallFile(folder, BackupNames::kRightsFile);
    return backup;
}

bool PreviousBackup::Find(const std::string& record, const std::string& name, Lines& lines) const {
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
