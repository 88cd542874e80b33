#include "restore/RecordSplit.h"

namespace {

// A split of the record: the name before the comma at `comma`, the directory after it.
struct Split {
    std::string name;
    std::size_t comma = 0;
};

bool IsAbsolute(std::string_view record, const Split& split) {
    return split.comma + 1 < record.size() && record[split.comma + 1] == '/';
}

// Of several splits, the only one whose directory is absolute, if there is exactly one.
const Split* OnlyAbsolute(std::string_view record, const std::vector<const Split*>& splits) {
    const Split* found = nullptr;
    for (const Split* split : splits) {
        if (IsAbsolute(record, *split)) {
            if (found != nullptr) {
                return nullptr;
            }
            found = split;
        }
    }
    return found;
}

}  // namespace

RecordSplit RecordSplit::Of(std::string_view record,
                            const std::function<bool(const std::string&)>& copyExists) {
    RecordSplit result;
    if (record.size() > kMaxRecord || record.find('\0') != std::string_view::npos) {
        return result;
    }
    // Each name is a prefix of the next, so the names together stay within kMaxName squared
    // bytes; the directories are only positions until one is chosen.
    std::vector<Split> splits;
    const std::size_t slash = record.find('/');
    for (std::size_t comma = record.find(',');
         comma != std::string_view::npos && comma <= kMaxName && comma < slash;
         comma = record.find(',', comma + 1)) {
        if (comma > 0) {
            splits.push_back(Split{std::string(record.substr(0, comma)), comma});
        }
    }
    if (splits.empty()) {
        return result;
    }
    std::vector<const Split*> all;
    std::vector<const Split*> existing;
    for (const Split& split : splits) {
        all.push_back(&split);
        if (copyExists(split.name)) {
            existing.push_back(&split);
        }
    }
    const Split* chosen = nullptr;
    if (existing.size() == 1) {
        chosen = existing.front();
        result.kind = Kind::Found;
    } else if (existing.size() > 1) {
        // The backup writes absolute directories, so a split into a relative one is less likely.
        chosen = OnlyAbsolute(record, existing);
        if (chosen == nullptr) {
            result.kind = Kind::Ambiguous;
            for (const Split* split : existing) {
                result.candidates.push_back(split->name);
            }
            return result;
        }
        result.kind = Kind::Found;
    } else {
        chosen = OnlyAbsolute(record, all);
        if (chosen == nullptr) {
            chosen = all.front();
        }
        result.kind = Kind::NoCopy;
    }
    result.name = chosen->name;
    result.directory = std::string(record.substr(chosen->comma + 1));
    return result;
}
