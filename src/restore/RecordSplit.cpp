#include "restore/RecordSplit.h"

namespace {

struct Split {
    std::string name;
    std::string directory;
};

bool IsAbsolute(const std::string& directory) {
    return !directory.empty() && directory.front() == '/';
}

// Of several splits, the only one whose directory is absolute, if there is exactly one.
const Split* OnlyAbsolute(const std::vector<const Split*>& splits) {
    const Split* found = nullptr;
    for (const Split* split : splits) {
        if (IsAbsolute(split->directory)) {
            if (found != nullptr) {
                return nullptr;
            }
            found = split;
        }
    }
    return found;
}

}  // namespace

RecordSplit RecordSplit::Of(const std::string& record,
                            const std::function<bool(const std::string&)>& copyExists) {
    RecordSplit result;
    if (record.find('\0') != std::string::npos) {
        return result;
    }
    std::vector<Split> splits;
    for (std::string::size_type comma = record.find(','); comma != std::string::npos;
         comma = record.find(',', comma + 1)) {
        std::string name = record.substr(0, comma);
        if (name.empty() || name.find('/') != std::string::npos) {
            continue;
        }
        splits.push_back(Split{std::move(name), record.substr(comma + 1)});
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
        chosen = OnlyAbsolute(existing);
        if (chosen == nullptr) {
            result.kind = Kind::Ambiguous;
            for (const Split* split : existing) {
                result.candidates.push_back(split->name);
            }
            return result;
        }
        result.kind = Kind::Found;
    } else {
        chosen = OnlyAbsolute(all);
        if (chosen == nullptr) {
            chosen = all.front();
        }
        result.kind = Kind::NoCopy;
    }
    result.name = chosen->name;
    result.directory = chosen->directory;
    return result;
}
