#include "shared/CopyMap.h"

#include <utility>

#include "shared/BackupNames.h"
#include "shared/Catalogue.h"
#include "shared/CommitIntent.h"

const char CopyMap::kHeader[] = "copie\tchemin";

std::string CopyMap::Line(const std::string& copy, const std::string& source) {
    return std::string(BackupNames::kCopyPrefix) + copy + '\t' + source + '\n';
}

int CopyMap::Parse(std::string_view bytes) {
    // Kept only whole: a damaged file gives no entry at all.
    byRecord_.clear();
    std::unordered_map<std::string, Entry> byRecord;
    const std::string_view prefix = BackupNames::kCopyPrefix;
    int number = 0;
    while (!bytes.empty()) {
        ++number;
        const std::size_t end = bytes.find('\n');
        const std::string_view line = bytes.substr(0, end);
        bytes = end == std::string_view::npos ? std::string_view() : bytes.substr(end + 1);
        if (number == 1) {
            if (line != kHeader) {
                return number;
            }
            continue;
        }
        const std::size_t tab = line.find('\t');
        if (tab == std::string_view::npos || tab <= prefix.size() ||
            line.substr(0, prefix.size()) != prefix) {
            return number;
        }
        const std::string copy(line.substr(prefix.size(), tab - prefix.size()));
        const std::string source(line.substr(tab + 1));
        if (!CommitIntent::IsPlainName(copy) || source.empty() ||
            source.find_first_of(std::string("\0\r", 2)) != std::string::npos) {
            return number;
        }
        // The last line of a record or a copy holds, as in the manifests.
        byRecord[Catalogue::Record(source)] = Entry{copy, Catalogue::FileName(source)};
    }
    byRecord_ = std::move(byRecord);
    return 0;
}

const CopyMap::Entry* CopyMap::Find(std::string_view record) const {
    const auto found = byRecord_.find(std::string(record));
    return found == byRecord_.end() ? nullptr : &found->second;
}
