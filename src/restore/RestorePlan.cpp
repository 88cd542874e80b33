#include "restore/RestorePlan.h"

#include <sys/stat.h>
#include <algorithm>
#include <cerrno>
#include <utility>

#include "restore/Paths.h"
#include "restore/RecordSplit.h"
#include "shared/BackupNames.h"
#include "shared/LinkWalk.h"

namespace {

PlanItem::Skip SkipOf(RecordSplit::Kind kind) {
    switch (kind) {
        case RecordSplit::Kind::Found:
            return PlanItem::Skip::None;
        case RecordSplit::Kind::NoCopy:
            return PlanItem::Skip::NoCopy;
        case RecordSplit::Kind::Ambiguous:
            return PlanItem::Skip::Ambiguous;
        case RecordSplit::Kind::Malformed:
            break;
    }
    return PlanItem::Skip::Malformed;
}

// Of a name in RestorePlan::names_ whose copy no record of the first walk chose.
constexpr std::size_t kNoRecord = static_cast<std::size_t>(-1);

void CheckTarget(PlanItem& item, const std::string& root) {
    if (item.directory.empty()) {
        item.skip = PlanItem::Skip::NoDirectory;
        return;
    }
    if (item.directory.front() != '/') {
        item.skip = PlanItem::Skip::RelativeDirectory;
        return;
    }
    LinkWalk::Refusal refusal;
    const FileDescriptor directory =
        LinkWalk::Open(item.targetDirectory, LinkWalk::Last::Place, refusal);
    if (!refusal.link.empty()) {
        item.skip = PlanItem::Skip::LinkRefused;
        item.link = refusal.link;
        item.linkWhy = LinkWalk::Why(refusal);
        return;
    }
    if (!directory || !LinkWalk::PathOf(directory, item.realDirectory)) {
        item.skip = errno == ENOENT || errno == ENOTDIR ? PlanItem::Skip::NoTargetDirectory
                                                        : PlanItem::Skip::DirectoryUnusable;
        item.error = errno;
        return;
    }
    struct stat st {};
    if (::stat(item.realDirectory.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        item.skip = PlanItem::Skip::NoTargetDirectory;
        return;
    }
    if (!root.empty() && !Paths::IsWithin(item.realDirectory, root)) {
        item.skip = PlanItem::Skip::OutsideRoot;
        return;
    }
    if (::lstat(item.RealTarget().c_str(), &st) != 0) {
        if (errno != ENOENT) {
            item.skip = PlanItem::Skip::TargetUnusable;
            item.error = errno;
        }
        return;
    }
    item.targetExists = true;
    if (S_ISLNK(st.st_mode)) {
        item.skip = PlanItem::Skip::TargetIsLink;
    } else if (!S_ISREG(st.st_mode)) {
        item.skip = PlanItem::Skip::TargetNotRegular;
    }
}

}  // namespace

RestorePlan::RestorePlan(const Catalogue& catalogue, const BackupFolder& folder,
                         const std::string& root, Targets targets, const CopyMap* copyMap)
    : catalogue_(catalogue), copyMap_(copyMap), root_(root) {
    // Only the last record of a copy is restored from it: each backed-up file overwrote the
    // copy of the same name before it.
    struct Last {
        CatalogueLine line;
        RecordSplit split;
    };
    std::unordered_map<std::string, Last> last;
    catalogue.ForEachRecord([&](const CatalogueLine& line) {
        // Only regular files are copies: the backup writes no links, and one would lead out of
        // the backup; "." and ".." are folders, so never names.
        std::string copy;
        RecordSplit split = Split(line.text, [&](const std::string& name) {
            if (names_.count(name) != 0) {
                return true;
            }
            if (!folder.HasCopy(name)) {
                return false;
            }
            names_.emplace(name, kNoRecord);
            return true;
        }, copy);
        if (split.kind == RecordSplit::Kind::Found) {
            last[copy] = Last{line, std::move(split)};
        }
    });
    // Sorted before the items are made, which are large to move.
    std::vector<std::pair<const std::string, Last>*> order;
    order.reserve(last.size());
    for (auto& entry : last) {
        order.push_back(&entry);
    }
    std::sort(order.begin(), order.end(), [](const auto* a, const auto* b) {
        return a->second.line.number < b->second.line.number;
    });
    copies_.reserve(order.size());
    for (auto* entry : order) {
        copies_.push_back(Item(entry->second.line, std::move(entry->second.split), entry->first));
    }
    for (std::size_t i = 0; i < copies_.size(); ++i) {
        names_[copies_[i].copy] = i;
        if (targets == Targets::Check) {
            CheckTarget(copies_[i], root);
        }
    }
}

RecordSplit RestorePlan::Split(std::string_view record,
                               const std::function<bool(const std::string&)>& copyExists,
                               std::string& copy) const {
    const CopyMap::Entry* const entry = copyMap_ != nullptr ? copyMap_->Find(record) : nullptr;
    if (entry == nullptr) {
        RecordSplit split = RecordSplit::Of(record, copyExists);
        copy = split.name;
        return split;
    }
    RecordSplit split;
    split.kind = copyExists(entry->copy) ? RecordSplit::Kind::Found : RecordSplit::Kind::NoCopy;
    split.name = entry->name;
    split.directory = std::string(record.substr(entry->name.size() + 1));
    copy = entry->copy;
    return split;
}

void RestorePlan::ForEachItem(const std::function<void(const PlanItem&)>& visit) const {
    auto copy = copies_.begin();
    catalogue_.ForEachRecord([&](const CatalogueLine& line) {
        if (copy != copies_.end() && copy->line == line.number) {
            visit(*copy++);
            return;
        }
        // The same split as the first walk's, from the copies it found.
        std::string copy;
        RecordSplit split = Split(
            line.text, [this](const std::string& name) { return names_.count(name) != 0; }, copy);
        PlanItem item = Item(line, std::move(split), std::move(copy));
        if (item.skip == PlanItem::Skip::None) {
            const std::size_t later = names_.at(item.copy);
            if (later == kNoRecord) {
                // The copy appeared after the first walk had read this record.
                item.skip = PlanItem::Skip::NoCopy;
            } else {
                const PlanItem& winner = copies_[later];
                item.skip = winner.directory == item.directory ? PlanItem::Skip::Duplicate
                                                               : PlanItem::Skip::Superseded;
                item.laterLine = winner.line;
                item.laterDirectory = winner.directory;
            }
        }
        visit(item);
    });
}

bool RestorePlan::Names(const PlanItem& item, const std::string& name) const {
    return !item.name.empty() &&
           (name == item.copy || name == std::string(BackupNames::kCopies) + "/" + item.copy ||
            name == Paths::Join(item.directory, item.name) || name == item.targetPath);
}

bool RestorePlan::Asked(const PlanItem& item) const {
    return selected_.empty() ||
           std::any_of(selected_.begin(), selected_.end(),
                       [&](const std::string& name) { return Names(item, name); });
}

std::vector<std::string> RestorePlan::Select(const std::vector<std::string>& names) {
    selected_ = names;
    for (PlanItem& item : copies_) {
        item.asked = Asked(item);
    }
    std::vector<bool> found(names.size());
    ForEachItem([&](const PlanItem& item) {
        for (std::size_t i = 0; i < names.size(); ++i) {
            found[i] = found[i] || Names(item, names[i]);
        }
    });
    std::vector<std::string> unmatched;
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (!found[i]) {
            unmatched.push_back(names[i]);
        }
    }
    return unmatched;
}

PlanItem RestorePlan::Item(const CatalogueLine& line, RecordSplit split, std::string copy) const {
    PlanItem item;
    item.line = line.number;
    item.record = line.text;
    item.skip = SkipOf(split.kind);
    item.name = std::move(split.name);
    item.copy = std::move(copy);
    item.directory = std::move(split.directory);
    item.candidates = std::move(split.candidates);
    if (!item.name.empty()) {
        item.targetDirectory = root_ == "/" ? item.directory : root_ + item.directory;
        item.targetPath = Paths::Join(item.targetDirectory, item.name);
    }
    item.asked = Asked(item);
    return item;
}
